#include "platform/ui/ScriptedExport.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <iostream>
#include <new>
#include <optional>

#include "core/Errors.h"
#include "core/SaveFile.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingsTable.h"

namespace platform {

bool CollectingDialogs::TellErrors(std::ostream& err, const char* program, const QString& file) {
  for (const QString& m : errors)
    err << program << ": " << FileNameBytes(file) << ": " << OneLine(m).toStdString() << '\n';
  const bool any = !errors.empty();
  errors.clear();
  return any;
}

bool CollectingDialogs::TellWarnings(std::ostream& err, const char* program) {
  for (const QString& m : warnings)
    err << program << ": 警告: " << OneLine(m).toStdString() << '\n';
  const bool any = !warnings.empty();
  warnings.clear();
  return any;
}

bool IsStream(const QString& path) {
  struct stat info {};
  return !path.isEmpty() && ::stat(FileNameBytes(path).c_str(), &info) == 0 &&
         (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode));
}

namespace {

bool HasFormatSuffix(const QString& path, const ExportSyntax& syntax) {
  for (const char* format : syntax.formats) {
    if (path.endsWith(QLatin1Char('.') + QString::fromLatin1(format), Qt::CaseInsensitive))
      return true;
  }
  return false;
}

// ".emf, .svg" or ".png".
QString SuffixList(const ExportSyntax& syntax) {
  QStringList suffixes;
  for (const char* format : syntax.formats)
    suffixes << QLatin1Char('.') + QString::fromLatin1(format);
  return suffixes.join(QStringLiteral(", "));
}

}  // namespace

QString ParseExportArguments(const QStringList& args, const ExportSyntax& syntax,
                             ExportRequest& request) {
  bool haveExport = false;
  bool haveDir = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    auto value = [&]() -> std::optional<QString> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == QLatin1String("--set")) {
      const auto v = value();
      const qsizetype dot = v ? v->indexOf(QLatin1Char('.')) : -1;
      const qsizetype eq = v ? v->indexOf(QLatin1Char('=')) : -1;
      if (!v || dot <= 0 || eq <= dot + 1)
        return QStringLiteral("--set には SECTION.KEY=VALUE を指定します");
      const QString section = v->left(dot);
      const QString key = v->mid(dot + 1, eq - dot - 1);
      if (!IsKnownSetting(syntax.settings, section, key)) {
        return QStringLiteral("設定ファイルにないキーです: ") + v->left(eq);
      }
      request.sets.emplace_back(section + QLatin1Char('.') + key, v->mid(eq + 1));
    } else if (arg == QLatin1String("--export")) {
      const auto v = value();
      if (!v || haveExport) return QStringLiteral("--export には出力ファイルを一つ指定します");
      // A swapped pair of arguments would otherwise write a figure over the data file; a
      // pipe or a device (/dev/stdout) has no name to check and is written as it is.
      if (!HasFormatSuffix(*v, syntax) && !IsStream(*v)) {
        return QStringLiteral("--export の出力ファイルの名前は %1 で終わります: '%2'")
            .arg(SuffixList(syntax), *v);
      }
      request.outFile = *v;
      haveExport = true;
    } else if (arg == QLatin1String("--export-dir") && syntax.allowDir) {
      const auto v = value();
      if (!v || haveDir) return QStringLiteral("--export-dir には出力フォルダを一つ指定します");
      if (v->isEmpty()) return QStringLiteral("--export-dir の出力フォルダの名前が空です");
      request.outDir = *v;
      haveDir = true;
    } else if (arg == QLatin1String("--format") && syntax.formats.size() > 1) {
      const auto v = value();
      const QString known = SuffixList(syntax);
      if (!v || !request.format.isEmpty() || !HasFormatSuffix(QStringLiteral("x.") + *v, syntax)) {
        return QStringLiteral("--format には %1 のどれかを一つ指定します").arg(known);
      }
      request.format = v->toLower();
    } else if (arg == QLatin1String("--title-from-data") && syntax.allowTitleFromData) {
      request.titleFromData = true;
    } else if (arg.startsWith(QLatin1String("--"))) {
      return QStringLiteral("知らないオプションです: ") + arg;
    } else if (i == 0 &&
               QFileInfo(arg).suffix().compare(QLatin1String("ini"), Qt::CaseInsensitive) == 0) {
      request.settings = arg;
    } else {
      request.data.push_back(arg);
    }
  }
  if (!syntax.allowDir && !haveExport) return QStringLiteral("--export を指定します");
  if (haveExport == haveDir)
    return QStringLiteral("--export か --export-dir のどちらか一つを指定します");
  if (haveExport && request.data.size() > 1)
    return QStringLiteral("--export のデータファイルは一つだけです");
  if (haveDir && request.data.isEmpty())
    return QStringLiteral("--export-dir にはデータファイルが要ります");
  if (!request.format.isEmpty() && !haveDir)
    return QStringLiteral("--format は --export-dir と使います（--export では名前で決まります）");
  if (haveDir && request.format.isEmpty())
    request.format = QString::fromLatin1(syntax.formats.front());
  return QString();
}

void PrintUsage(std::ostream& err, const ExportSyntax& syntax, const QString& why) {
  err << syntax.program << ": " << why.toStdString() << '\n';
  const char* lead = "使い方: ";
  for (const char* form : syntax.usage) {
    err << lead << syntax.program << ' ' << form << '\n';
    lead = "        ";
  }
}

void ApplySets(const ExportRequest& request, IniFile& settings) {
  for (const auto& [name, value] : request.sets) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    settings.WriteString(name.left(dot), name.mid(dot + 1), value);
  }
}

namespace {

bool SameOrWillBe(const QString& a, const QString& b) {
  return core::SameFile(FileNameBytes(a), FileNameBytes(b)) ||
         QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace

bool MakeOutputFolder(const char* program, const ExportRequest& request, std::ostream& err) {
  const QString& dir = request.outDir;
  if (dir.isEmpty()) return true;
  const QFileInfo info(dir);
  if (info.isDir()) return true;
  const char* why = info.exists()        ? "フォルダではありません"
                    : QDir().mkpath(dir) ? nullptr
                                         : "フォルダを作れません";
  if (why) err << program << ": " << FileNameBytes(dir) << ": " << why << '\n';
  return why == nullptr;
}

QString OutputClash(const std::vector<std::pair<QString, QString>>& outputs,
                    const std::vector<QString>& inputs) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    const auto& [out, from] = outputs[i];
    for (const QString& in : inputs) {
      if (!in.isEmpty() && SameOrWillBe(out, in)) {
        return QStringLiteral("出力ファイル '%1' は入力のファイル '%2' と同じです").arg(out, in);
      }
    }
    for (size_t j = 0; j < i; ++j) {
      if (SameOrWillBe(out, outputs[j].first)) {
        return QStringLiteral("'%1' と '%2' は同じ出力ファイル '%3' になります")
            .arg(outputs[j].second, from, out);
      }
    }
  }
  return QString();
}

QString OneLine(const QString& message) {
  QString line = message;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return line;
}

int RunGuarded(const char* program, std::ostream& err, const std::function<int()>& body) {
  try {
    return body();
  } catch (const core::IoError& error) {
    err << program << ": " << error.Path() << ": " << error.what() << '\n';
  } catch (const std::bad_alloc&) {
    err << program << ": メモリが足りません\n";
  } catch (const std::exception& error) {
    err << program << ": " << error.what() << '\n';
  }
  return 1;
}

int FinishExport(const char* program, int status) {
  std::cout.flush();
  if (!std::cout) {
    std::cerr << program << ": 標準出力に書き込めません\n";
    return status == 0 ? 1 : status;
  }
  return status;
}

}  // namespace platform
