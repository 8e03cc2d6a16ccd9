#include "chart/Export.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <memory>
#include <vector>

#include "chart/TForm1.h"
#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/SaveFile.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingLimits.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ScriptedExport.h"

namespace chart {

namespace {

using platform::CollectingDialogs;

constexpr char kProgram[] = "Tarvo";

// Built on first use: the settings' names come from the window's table.
const platform::ExportSyntax& BuiltSyntax() {
  static const platform::ExportSyntax syntax{
      kProgram,
      {"[SETTINGS.ini] [--set SECTION.KEY=VALUE]... [--title-from-data] "
       "--export OUT.emf|OUT.svg|OUT.pdf|OUT.png [DATA.grd]",
       "[SETTINGS.ini] [--set SECTION.KEY=VALUE]... [--title-from-data] "
       "--export-dir DIR --format emf|svg|pdf|png DATA.grd..."},
      true,
      TForm1::SettingNames(),
      {"png", "emf", "svg", "pdf"},
      true};
  return syntax;
}

int RunExportUnguarded(const QStringList& arguments, const QString& programPath, std::ostream& out,
                       std::ostream& err) {
  platform::ExportRequest request;
  if (const QString why = platform::ParseExportArguments(arguments, ExportSyntax(), request);
      !why.isEmpty()) {
    platform::PrintUsage(err, ExportSyntax(), why);
    return 2;
  }
  // A settings file named on the command line must be there: a misspelt name would
  // otherwise draw the defaults as if they had been asked for.
  if (!request.settings.isEmpty() && !QFileInfo(request.settings).isFile()) {
    err << kProgram << ": " << platform::FileNameBytes(request.settings)
        << ": ファイルが見つかりません\n";
    return 1;
  }
  auto owned = std::make_unique<CollectingDialogs>();
  CollectingDialogs& dialogs = *owned;
  QStringList formArgs;
  if (!request.settings.isEmpty()) formArgs << request.settings;
  TForm1 form(formArgs, std::move(owned), programPath);
  // The figure's size does not depend on the window's; the layout still needs one.
  form.SetFixedClientSize(1024, 768);
  auto report = [&](const QString& file) { return dialogs.TellErrors(err, kProgram, file); };
  auto warned = [&] { return dialogs.TellWarnings(err, kProgram); };
  const QString settingsFile = form.ResolveSettingsFile(form.State().IniFileName);
  if (report(settingsFile)) return 1;

  platform::IniFile settings = platform::IniFile::Load(settingsFile);
  platform::ApplySets(request, settings);
  try {
    form.ApplySettings(settings);
  } catch (const core::ConversionError& error) {
    err << kProgram << ": " << platform::FileNameBytes(settingsFile) << ": " << error.what()
        << '\n';
    return 1;
  }
  if (report(settingsFile)) return 1;

  // Asking for each figure's title from its data asks for figures with a title: the
  // three-view carries it in its corner for this run, whatever the settings say.
  if (request.titleFromData) form.State().FigureTitle = true;
  // A file without a header has the settings' title, not the previous file's taxon.
  const QString settingsTitle = form.findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text();
  auto titleFrom = [&](const QString& data) {
    if (!request.titleFromData || data.isEmpty()) return;
    const std::string title = core::FirstHeader(platform::FileNameBytes(form.ResolveDataFile(data)),
                                                core::Program::Chart);
    // A header is a line of up to 64 KiB; a title is cut where the settings file's is.
    form.SetFigureTitle(title.empty() ? settingsTitle
                                      : platform::FirstChars(QString::fromStdString(title),
                                                             platform::kMaxTextChars));
  };
  auto* grdField = form.findChild<QLineEdit*>(QStringLiteral("EditGrdFile"));
  auto* mapField = form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"));
  for (const QString& data : request.data) {
    if (!platform::FileExists(form.ResolveDataFile(data))) {
      err << kProgram << ": " << platform::FileNameBytes(data) << ": ファイルが見つかりません\n";
      return 1;
    }
  }
  // A map named in the settings must be there; none named means the map the program brings.
  const QString mapNamed =
      settings.ReadString(QStringLiteral("DataFile"), QStringLiteral("MapFile"), QString());
  if (!mapNamed.isEmpty() && !platform::FileExists(form.ResolveDataFile(mapNamed))) {
    err << kProgram << ": " << platform::FileNameBytes(mapNamed) << ": ファイルが見つかりません\n";
    return 1;
  }
  if (mapField->text().isEmpty())
    platform::ShowWholeText(mapField, QString::fromUtf8(kBundledMapName));
  const QString mapFile = form.ResolveDataFile(mapField->text());
  // The data of the command line, not of the settings; --export-dir reads each file in
  // turn after one build without data.
  if (!request.outFile.isEmpty() && !request.data.isEmpty()) {
    platform::ShowWholeText(grdField, request.data.front());
  } else if (request.outFile.isEmpty()) {
    grdField->clear();
  }

  // Nothing is drawn, let alone written, when a figure would replace an input or another
  // figure of the same run.
  std::vector<QString> inputs = {settingsFile, mapFile, form.ResolveDataFile(grdField->text())};
  std::vector<std::pair<QString, QString>> outputs;
  const QString suffix = FigureSuffix(form.CheckedMapKind());
  if (!request.outFile.isEmpty()) {
    outputs.emplace_back(request.outFile, grdField->text());
  } else {
    for (const QString& data : request.data) {
      inputs.push_back(form.ResolveDataFile(data));
      outputs.emplace_back(QDir(request.outDir)
                               .filePath(QFileInfo(data).completeBaseName() + suffix +
                                         QLatin1Char('.') + request.format),
                           data);
    }
  }
  if (const QString why = platform::OutputClash(outputs, inputs); !why.isEmpty()) {
    platform::PrintUsage(err, ExportSyntax(), why);
    return 2;
  }
  if (!platform::MakeOutputFolder(kProgram, request, err)) return 1;

  auto write = [&](const QString& path, FigureFormat format) {
    int linesNotDrawn = 0;
    try {
      core::SaveFileAtomically(platform::FileNameBytes(path),
                               form.FigureBytes(format, &linesNotDrawn));
    } catch (const std::exception& error) {
      err << kProgram << ": " << platform::FileNameBytes(path) << ": " << error.what() << '\n';
      return false;
    }
    bool complete = true;
    if (linesNotDrawn > 0) {
      err << kProgram << ": 警告: " << platform::FileNameBytes(path)
          << ": 線が多すぎて描けなかった区画線・目盛線があります（" << linesNotDrawn
          << " 組）。範囲を狭めるか区画線を粗くしてください\n";
      complete = false;
    }
    if (form.ScaleBarLeftOut()) {
      err << kProgram << ": 警告: " << platform::FileNameBytes(path) << ": "
          << TForm1::ScaleBarLeftOutSentence().toStdString() << '\n';
      complete = false;
    }
    const PlotResult& plot = form.LastPlot();
    if (plot.skipped > 0) {
      err << kProgram << ": 警告: " << platform::FileNameBytes(grdField->text()) << ": "
          << form.NotDrawnSentence().toStdString() << '\n';
      complete = false;
    }
    // A figure sent to a pipe or device (/dev/stdout) must not have the report written
    // into the same stream; then the report goes to standard error.
    std::ostream& said = platform::IsStream(path) ? err : out;
    const QSize size = form.FigureSize();
    said << platform::FileNameBytes(path) << " records=" << form.State().PlotCount
         << " categories=" << form.State().CategoryCount << " width=" << size.width()
         << " height=" << size.height() << " outside=" << plot.outside << '\n';
    return complete;
  };

  if (!request.outFile.isEmpty()) {
    titleFrom(grdField->text());
    form.BtnNewMapClick();
    if (report(grdField->text().isEmpty() ? mapFile : grdField->text())) return 1;
    const bool incomplete = warned();
    const FigureFormat format = FigureFormatOf(request.outFile).value_or(FigureFormat::Png);
    return write(request.outFile, format) && !incomplete ? 0 : 1;
  }

  // One build, then each data file alone in the editor, as "分布データを読込" puts it.
  form.BtnNewMapClick();
  if (report(mapFile)) return 1;
  bool failed = warned();
  const FigureFormat format =
      FigureFormatOf(QStringLiteral("x.") + request.format).value_or(FigureFormat::Png);
  const auto total = request.data.size();
  for (qsizetype i = 0; i < total; ++i) {
    const QString& data = request.data[i];
    const QString& path = outputs.at(static_cast<size_t>(i)).first;
    err << '[' << (i + 1) << '/' << total << "] " << platform::FileNameBytes(data) << " -> "
        << platform::FileNameBytes(path) << '\n';
    if (!form.LoadGrdToEditorTold(data, true)) {
      report(data);
      failed = true;
      continue;
    }
    titleFrom(data);
    form.PlotOnMap();
    if (warned()) failed = true;
    if (!write(path, format)) failed = true;
  }
  return failed ? 1 : 0;
}

}  // namespace

const platform::ExportSyntax& ExportSyntax() {
  return BuiltSyntax();
}

int RunExport(const QStringList& arguments, const QString& programPath, std::ostream& out,
              std::ostream& err) {
  return platform::RunGuarded(kProgram, err,
                              [&] { return RunExportUnguarded(arguments, programPath, out, err); });
}

}  // namespace chart
