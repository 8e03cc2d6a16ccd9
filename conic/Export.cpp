#include "conic/Export.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <memory>
#include <vector>

#include "conic/TForm1.h"
#include "core/DistributionData.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/ui/ScriptedExport.h"

namespace conic {

namespace {

using platform::CollectingDialogs;
using platform::IsStream;

constexpr char kProgram[] = "Tarvo_L";

// Built on first use: the settings' names come from the window's table.
const platform::ExportSyntax& BuiltSyntax() {
  static const platform::ExportSyntax syntax{
      kProgram,
      {"[SETTINGS.ini] [--set SECTION.KEY=VALUE]... [--title-from-data] --export OUT.png "
       "[DATA.grd]",
       "[SETTINGS.ini] [--set SECTION.KEY=VALUE]... [--title-from-data] --export-dir DIR "
       "DATA.grd..."},
      true,
      TForm1::SettingNames(),
      {"png"},
      true};
  return syntax;
}

}  // namespace

const platform::ExportSyntax& ExportSyntax() {
  return BuiltSyntax();
}

namespace {

int RunExportUnguarded(const QStringList& arguments, const QString& programPath, std::ostream& out,
                       std::ostream& err) {
  platform::ExportRequest request;
  if (const QString why = platform::ParseExportArguments(arguments, ExportSyntax(), request);
      !why.isEmpty()) {
    platform::PrintUsage(err, ExportSyntax(), why);
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
    return dialogs.TellErrors(err, kProgram, form.ErrorFile().isEmpty() ? file : form.ErrorFile());
  };
  // A figure that was drawn but does not show everything asked for: written, and told.
  auto warned = [&] {
    bool told = dialogs.TellWarnings(err, kProgram);
    if (form.NotDrawn() > 0) {
      err << kProgram << ": 警告: " << platform::FileNameBytes(form.State().GrdFileName) << ": "
          << form.NotDrawnSentence().toStdString() << '\n';
      told = true;
    }
    return told;
  };
  if (report(form.State().IniFileName)) return 1;

  // Each --set as if the settings file held it.
  platform::IniFile settings =
      platform::IniFile::Load(form.ResolveSettingsFile(form.State().IniFileName));
  platform::ApplySets(request, settings);
  form.ApplySettings(settings);
  if (report(form.State().IniFileName)) return 1;

  auto* grdField = form.findChild<QLineEdit*>(QStringLiteral("EditGrdFile"));
  auto* titleField = form.findChild<QLineEdit*>(QStringLiteral("EditTitle"));
  // A file without a header has the settings' title, not the previous file's taxon.
  const QString settingsTitle = titleField->text();
  auto titleFrom = [&](const QString& data) {
    if (!request.titleFromData) return;
    const std::string title = core::FirstHeader(platform::FileNameBytes(form.ResolveDataFile(data)),
                                                core::Program::Conic);
    titleField->setText(title.empty() ? settingsTitle : QString::fromStdString(title));
  };
  if (!request.data.isEmpty()) grdField->setText(request.data.front());
  const QString mapFile =
      form.ResolveDataFile(form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->text());
  if (!platform::FileExists(mapFile)) {
    err << kProgram << ": " << mapFile.toStdString() << ": ファイルが見つかりません\n";
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
  if (const QString why = platform::OutputClash(outputs, inputs); !why.isEmpty()) {
    platform::PrintUsage(err, ExportSyntax(), why);
    return 2;
  }
  if (!platform::MakeOutputFolder(kProgram, request, err)) return 1;

  auto write = [&](const QString& path) {
    try {
      form.SaveFigurePng(path);
    } catch (const std::exception& error) {
      err << kProgram << ": " << path.toStdString() << ": " << error.what() << '\n';
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
    titleFrom(grdField->text());
    form.RunDrawing(true, true);
    if (report(grdField->text())) {
      warned();
      return 1;
    }
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
    titleFrom(data);
    if (!form.DropFile(data)) {
      report(data);
      warned();
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
  return platform::RunGuarded(kProgram, err,
                              [&] { return RunExportUnguarded(arguments, programPath, out, err); });
}

}  // namespace conic
