#include "conic/Export.h"

#include <sys/stat.h>
#include "platform/text/FileName.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "conic/TForm1.h"
#include "core/Errors.h"
#include "core/SaveFile.h"
#include "platform/raster/PngWriter.h"
#include "platform/text/IniFile.h"
#include "platform/ui/DialogService.h"

namespace conic {

namespace {

// Without a user to ask, every dialog is cancelled and every message is kept for stderr.
// An error means no figure; a message tells what a figure that was drawn does not show.
class CollectingDialogs : public platform::DialogService {
 public:
  bool RunOpen() override { return false; }
  bool RunSave() override { return false; }
  bool RunColor() override { return false; }
  bool RunFont() override { return false; }
  void ShowErrorTitled(const QString& message, const QString&) override {
    errors.push_back(message);
  }
  void ShowMessage(const QString& message) override { warnings.push_back(message); }
  bool AskYesNo(const QString&) override { return false; }
  std::vector<QString> errors;
  std::vector<QString> warnings;
};

// The keys a settings file holds, by section; "PMark" stands for PMark1 to PMark5.
const struct {
  const char* section;
  std::vector<const char*> keys;
} kSettingKeys[] = {
    {"DataFile", {"Title", "MapFile", "GrdFile", "CRst1"}},
    {"Map",
     {"LandColor", "OceanColor", "MapsType", "SheetSize", "MapFrame", "GridSize", "MapColor",
      "SubColor", "MshColor", "MLineW", "SLineW", "GLineW", "WithPref", "WithGrat", "ShowTitle"}},
    {"PMark", {"Styl", "Size", "bcol", "pcol"}},
    {"Legend", {"ShowLegend", "ShowLegTitle", "LegendFrame"}},
    {"Font", {"TitleFontName", "FontName", "FontSize", "ScaleFactorLegend", "ScaleFactorHeader"}},
};

bool IsKnownSetting(const QString& section, const QString& key) {
  for (const auto& s : kSettingKeys) {
    const QString name = QString::fromLatin1(s.section);
    bool sectionMatches = section.compare(name, Qt::CaseInsensitive) == 0;
    if (name == QLatin1String("PMark")) {
      // Only the numbered sections are read; a bare "PMark" would be set in vain.
      sectionMatches = section.size() == 6 &&
                       section.left(5).compare(name, Qt::CaseInsensitive) == 0 &&
                       section[5] >= QLatin1Char('1') && section[5] <= QLatin1Char('5');
    }
    if (!sectionMatches) continue;
    for (const char* k : s.keys) {
      if (key.compare(QString::fromLatin1(k), Qt::CaseInsensitive) == 0) return true;
    }
  }
  return false;
}

struct ExportRequest {
  QString settings;
  std::vector<std::pair<QString, QString>> sets;  // "Section.Key", value
  QString outFile;
  QString outDir;
  QStringList data;
};

QString Joined(const QString& message) {
  QString line = message;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return line;
}

void Usage(std::ostream& err, const QString& why) {
  err << "Tarvo_L: " << why.toStdString() << '\n'
      << "使い方: Tarvo_L [SETTINGS.ini] [--set SECTION.KEY=VALUE]... --export OUT.png [DATA.grd]\n"
      << "        Tarvo_L [SETTINGS.ini] [--set SECTION.KEY=VALUE]... --export-dir DIR "
         "DATA.grd...\n";
}

bool IsStream(const QString& path) {
  struct stat info {};
  return !path.isEmpty() && ::stat(platform::FileNameBytes(path).c_str(), &info) == 0 &&
         (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode));
}

// Parses the arguments; returns an empty string when they are fine, else why not.
QString Parse(const QStringList& args, ExportRequest& request) {
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
      if (!IsKnownSetting(section, key)) {
        return QStringLiteral("設定ファイルにないキーです: ") + v->left(eq);
      }
      request.sets.emplace_back(section + QLatin1Char('.') + key, v->mid(eq + 1));
    } else if (arg == QLatin1String("--export")) {
      const auto v = value();
      if (!v || haveExport) return QStringLiteral("--export には出力ファイルを一つ指定します");
      // A swapped pair of arguments would otherwise write a figure over the data file; a
      // pipe or a device (/dev/stdout) has no name to check and is written as it is.
      if (!v->endsWith(QLatin1String(".png"), Qt::CaseInsensitive) && !IsStream(*v)) {
        return QStringLiteral("--export の出力ファイルの名前は .png で終わります: '%1'").arg(*v);
      }
      request.outFile = *v;
      haveExport = true;
    } else if (arg == QLatin1String("--export-dir")) {
      const auto v = value();
      if (!v || haveDir) return QStringLiteral("--export-dir には出力フォルダを一つ指定します");
      if (v->isEmpty()) return QStringLiteral("--export-dir の出力フォルダの名前が空です");
      request.outDir = *v;
      haveDir = true;
    } else if (arg.startsWith(QLatin1String("--"))) {
      return QStringLiteral("知らないオプションです: ") + arg;
    } else if (i == 0 &&
               QFileInfo(arg).suffix().compare(QLatin1String("ini"), Qt::CaseInsensitive) == 0) {
      request.settings = arg;
    } else {
      request.data.push_back(arg);
    }
  }
  if (haveExport == haveDir)
    return QStringLiteral("--export か --export-dir のどちらか一つを指定します");
  if (haveExport && request.data.size() > 1)
    return QStringLiteral("--export のデータファイルは一つだけです");
  if (haveDir && request.data.isEmpty())
    return QStringLiteral("--export-dir にはデータファイルが要ります");
  return QString();
}

// Where a figure is to go and what it is drawn from, as files: two spellings of one file,
// or one path that does not exist yet, are the same.
bool SameOrWillBe(const QString& a, const QString& b) {
  return core::SameFile(platform::FileNameBytes(a), platform::FileNameBytes(b)) ||
         QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// Why the outputs cannot be written without destroying an input or one another; empty
// when they can.
QString Clash(const std::vector<std::pair<QString, QString>>& outputs,
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

}  // namespace

bool IsExportCommand(const QStringList& arguments) {
  for (const QString& arg : arguments) {
    if (arg == QLatin1String("--export") || arg == QLatin1String("--export-dir") ||
        arg == QLatin1String("--set")) {
      return true;
    }
  }
  return false;
}

namespace {

int RunExportUnguarded(const QStringList& arguments, const QString& programPath, std::ostream& out,
                       std::ostream& err) {
  ExportRequest request;
  if (const QString why = Parse(arguments, request); !why.isEmpty()) {
    Usage(err, why);
    return 2;
  }
  auto owned = std::make_unique<CollectingDialogs>();
  CollectingDialogs& dialogs = *owned;
  QStringList formArgs;
  if (!request.settings.isEmpty()) formArgs << request.settings;
  TForm1 form(formArgs, std::move(owned), programPath);
  form.SetFixedWindowWidth(800);
  form.SetHeadless(true);
  // Errors are told against the file they concern; true when there were any.
  auto report = [&](const QString& file) {
    const QString concerned = form.ErrorFile().isEmpty() ? file : form.ErrorFile();
    for (const QString& m : dialogs.errors) {
      err << "Tarvo_L: " << concerned.toStdString() << ": " << Joined(m).toStdString() << '\n';
    }
    const bool failed = !dialogs.errors.empty();
    dialogs.errors.clear();
    return failed;
  };
  // A figure that was drawn but does not show everything asked for: written, and told.
  // Each warning names the file it concerns.
  auto warned = [&]() {
    for (const QString& m : dialogs.warnings) {
      err << "Tarvo_L: 警告: " << Joined(m).toStdString() << '\n';
    }
    const bool any = !dialogs.warnings.empty();
    dialogs.warnings.clear();
    return any;
  };
  if (report(form.State().IniFileName)) return 1;

  // Each --set as if the settings file held it.
  platform::IniFile settings =
      platform::IniFile::Load(form.ResolveSettingsFile(form.State().IniFileName));
  for (const auto& [name, value] : request.sets) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    settings.WriteString(name.left(dot), name.mid(dot + 1), value);
  }
  form.ApplySettings(settings);
  if (report(form.State().IniFileName)) return 1;

  auto* grdField = form.findChild<QLineEdit*>(QStringLiteral("EditGrdFile"));
  if (!request.data.isEmpty()) grdField->setText(request.data.front());
  const QString mapFile =
      form.ResolveDataFile(form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->text());
  if (!platform::FileExists(mapFile)) {
    err << "Tarvo_L: " << mapFile.toStdString() << ": ファイルが見つかりません\n";
    return 1;
  }

  // Nothing is drawn, let alone written, when a figure would replace an input or another
  // figure of the same run.
  std::vector<QString> inputs = {form.ResolveSettingsFile(form.State().IniFileName), mapFile,
                                 form.ResolveDataFile(grdField->text())};
  std::vector<std::pair<QString, QString>> outputs;
  if (!request.outFile.isEmpty()) {
    outputs.emplace_back(request.outFile, grdField->text());
  } else {
    for (const QString& data : request.data) {
      inputs.push_back(form.ResolveDataFile(data));
      outputs.emplace_back(
          QDir(request.outDir)
              .filePath(QFileInfo(data).completeBaseName() + QStringLiteral(".png")),
          data);
    }
  }
  if (const QString why = Clash(outputs, inputs); !why.isEmpty()) {
    Usage(err, why);
    return 2;
  }

  auto write = [&](const QString& path) {
    try {
      form.SaveFigurePng(path);
    } catch (const std::exception& error) {
      err << "Tarvo_L: " << path.toStdString() << ": " << error.what() << '\n';
      return false;
    }
    // A figure sent to a pipe or device (/dev/stdout) must not have the report written
    // into the same stream; then the report goes to standard error.
    std::ostream& said = IsStream(path) ? err : out;
    said << platform::FileNameBytes(path) << " records=" << form.State().PlotCount
         << " categories=" << form.State().CategoryCount << " width=" << form.CanvasM().Width()
         << " height=" << form.CanvasM().Height() << '\n';
    return true;
  };

  if (!request.outFile.isEmpty()) {
    form.RunDrawing(true, true);
    if (report(grdField->text())) return 1;
    const bool incomplete = warned();
    return write(request.outFile) && !incomplete ? 0 : 1;
  }

  // One base map, every data file plotted over it as a dropped file is.
  form.RunDrawing(true, false);
  if (report(mapFile)) return 1;
  bool failed = warned();
  const auto total = request.data.size();
  for (qsizetype i = 0; i < total; ++i) {
    const QString& data = request.data[i];
    const QString png =
        QDir(request.outDir).filePath(QFileInfo(data).completeBaseName() + QStringLiteral(".png"));
    err << '[' << (i + 1) << '/' << total << "] " << data.toStdString() << " -> "
        << png.toStdString() << '\n';
    if (!form.DropFile(data)) {
      report(data);
      failed = true;
      continue;
    }
    if (warned()) failed = true;
    if (!write(png)) failed = true;
  }
  return failed ? 1 : 0;
}

}  // namespace

int RunExport(const QStringList& arguments, const QString& programPath, std::ostream& out,
              std::ostream& err) {
  // What escapes the drawing commands (a settings file that cannot be read, memory that
  // runs out) still ends the run with a message, not an abort.
  try {
    return RunExportUnguarded(arguments, programPath, out, err);
  } catch (const core::IoError& error) {
    err << "Tarvo_L: " << error.Path() << ": " << error.what() << '\n';
  } catch (const std::bad_alloc&) {
    err << "Tarvo_L: メモリが足りません\n";
  } catch (const std::exception& error) {
    err << "Tarvo_L: " << error.what() << '\n';
  }
  return 1;
}

}  // namespace conic
