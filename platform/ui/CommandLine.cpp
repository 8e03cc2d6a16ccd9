#include "platform/ui/CommandLine.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <array>
#include <string_view>

#include "platform/text/FileName.h"

namespace platform {

namespace {

// The toolkit's own options, which it takes out of the command line itself.
constexpr std::array<std::string_view, 28> kToolkitWithValue = {"platform",
                                                                "platformpluginpath",
                                                                "platformtheme",
                                                                "plugin",
                                                                "qwindowgeometry",
                                                                "qwindowicon",
                                                                "qwindowtitle",
                                                                "display",
                                                                "geometry",
                                                                "style",
                                                                "stylesheet",
                                                                "session",
                                                                "title",
                                                                "name",
                                                                "font",
                                                                "fn",
                                                                "bg",
                                                                "background",
                                                                "fg",
                                                                "foreground",
                                                                "btn",
                                                                "button",
                                                                "visual",
                                                                "ncols",
                                                                "cmap",
                                                                "im",
                                                                "inputstyle",
                                                                "qmljsdebugger"};
constexpr std::array<std::string_view, 7> kToolkitFlags = {
    "reverse", "widgetcount", "nograb", "dograb", "sync", "testability", "nocursor"};

// The option's name without its dashes and any "=value"; empty for no toolkit option.
std::string ToolkitName(const QString& arg) {
  if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) return {};
  QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
  name = name.left(name.indexOf(QLatin1Char('=')));
  return name.toStdString();
}

bool IsToolkitOption(const QString& arg, bool* takesValue) {
  const std::string name = ToolkitName(arg);
  if (name.empty()) return false;
  for (const std::string_view known : kToolkitWithValue) {
    if (name == known) {
      *takesValue = !arg.contains(QLatin1Char('='));
      return true;
    }
  }
  for (const std::string_view known : kToolkitFlags) {
    if (name == known) {
      *takesValue = false;
      return true;
    }
  }
  return false;
}

}  // namespace

CommandLine ReadCommandLine(const QStringList& arguments, const ExportSyntax& syntax) {
  CommandLine line;
  for (const QString& arg : arguments) {
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      line.kind = CommandKind::Help;
      return line;
    }
  }
  for (const QString& arg : arguments) {
    if (arg == QLatin1String("--version")) {
      line.kind = CommandKind::Version;
      return line;
    }
  }
  bool exporting = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    bool takesValue = false;
    if (IsToolkitOption(arg, &takesValue)) {
      if (takesValue) ++i;
      continue;
    }
    line.arguments << arg;
    if (arg.startsWith(QLatin1String("--"))) {
      exporting = true;
    } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
      line.kind = CommandKind::UsageError;
      line.why = QStringLiteral("知らないオプションです: ") + arg;
      return line;
    }
  }
  if (!exporting) return line;
  ExportRequest request;
  line.why = ParseExportArguments(line.arguments, syntax, request);
  line.kind = line.why.isEmpty() ? CommandKind::Export : CommandKind::UsageError;
  return line;
}

void PrintHelp(std::ostream& out, const ExportSyntax& syntax, const char* windowForm) {
  out << "使い方: " << syntax.program << ' ' << windowForm << '\n';
  for (const char* form : syntax.usage)
    out << "        " << syntax.program << ' ' << form << '\n';
  out << "  ウインドウを開きます。設定ファイル（.ini）、分布データファイル（.grd）、\n"
         "  地形図ファイル（.mdt）を渡せます。--export と --export-dir はウインドウを開かず、\n"
         "  同じ描き方で図をファイルに書き出します（画面は要りません）。\n"
         "  --set SECTION.KEY=VALUE  設定ファイルのキーを一つ、そう書いてあるものとして使う\n"
         "  --export OUT             図を一つ書き出す（形式は名前の拡張子で決まります）\n"
         "  --export-dir DIR         データファイルごとに DIR/名前 "
         "に書き出す（なければ作ります）\n";
  if (syntax.formats.size() > 1) {
    out << "  --format FMT             --export-dir で書く形式（";
    for (size_t i = 0; i < syntax.formats.size(); ++i)
      out << (i > 0 ? "・" : "") << syntax.formats[i];
    out << "、既定は " << syntax.formats.front() << "）\n";
  }
  out << "  --help, -h               この説明を出して終わる\n"
         "  --version                版を出して終わる\n"
         "  ツールキットのオプション（-platform、-style など）も使えます。\n"
         "終了コード: 0 すべて描いて書き出した、1 書き出せなかった図があるか、描かない記録・\n"
         "描けない線があった（標準エラー出力の警告を見てください）、2 使い方の誤り\n";
}

QString ProjectVersion() {
  return QStringLiteral(TARVO_VERSION);
}

std::string VersionLine(const char* program) {
  return std::string(program) + ' ' + TARVO_VERSION;
}

bool HasDisplay(const QStringList& rawArguments) {
  if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
      !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    return true;
  }
  for (const QString& arg : rawArguments) {
    if (ToolkitName(arg) == "platform") return true;
  }
  return false;
}

void SetRuntimeDirWhenMissing() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  const uid_t uid = ::geteuid();
  const passwd* user = ::getpwuid(uid);
  const std::string name = user ? user->pw_name : std::to_string(uid);
  // The folder the toolkit would fall back to.
  const std::string dir = FileNameBytes(QDir::tempPath()) + "/runtime-" + name;
  ::mkdir(dir.c_str(), 0700);
  struct stat info {};
  if (::lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != uid ||
      (info.st_mode & 0777) != 0700) {
    return;
  }
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir));
}

}  // namespace platform
