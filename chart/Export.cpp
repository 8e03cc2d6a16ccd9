#include "chart/Export.h"

#include <QLineEdit>
#include <memory>
#include <vector>

#include "chart/TForm1.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"
#include "platform/ui/ScriptedExport.h"

namespace chart {

namespace {

using platform::CollectingDialogs;

constexpr char kProgram[] = "Tarvo";

// Built on first use: the settings' names come from the window's table.
const platform::ExportSyntax& Syntax() {
  static const platform::ExportSyntax syntax{
      kProgram,
      {"[SETTINGS.ini] [--set SECTION.KEY=VALUE]... --export OUT.png [DATA.grd]"},
      false,
      TForm1::SettingNames()};
  return syntax;
}

// The map the program brings, drawn when the settings name none.
const QString kBundledMap = QStringLiteral("三面図全国.mdt");

int RunExportUnguarded(const QStringList& arguments, const QString& programPath, std::ostream& out,
                       std::ostream& err) {
  platform::ExportRequest request;
  if (const QString why = platform::ParseExportArguments(arguments, Syntax(), request);
      !why.isEmpty()) {
    platform::PrintUsage(err, Syntax(), why);
    return 2;
  }
  auto owned = std::make_unique<CollectingDialogs>();
  CollectingDialogs& dialogs = *owned;
  QStringList formArgs;
  if (!request.settings.isEmpty()) formArgs << request.settings;
  TForm1 form(formArgs, std::move(owned), programPath);
  // The figure's size does not depend on the window's; the layout still needs one.
  form.SetFixedClientSize(1024, 768);
  auto report = [&](const QString& file) {
    for (const QString& m : dialogs.errors) {
      err << kProgram << ": " << platform::FileNameBytes(file) << ": "
          << platform::OneLine(m).toStdString() << '\n';
    }
    const bool failed = !dialogs.errors.empty();
    dialogs.errors.clear();
    return failed;
  };
  const QString settingsFile = form.ResolveSettingsFile(form.State().IniFileName);
  if (report(settingsFile)) return 1;

  platform::IniFile settings = platform::IniFile::Load(settingsFile);
  platform::ApplySets(request, settings);
  form.ApplySettings(settings);
  if (report(settingsFile)) return 1;

  auto* grdField = form.findChild<QLineEdit*>(QStringLiteral("EditGrdFile"));
  auto* mapField = form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"));
  if (!request.data.isEmpty()) {
    const QString data = request.data.front();
    if (!platform::FileExists(form.ResolveDataFile(data))) {
      err << kProgram << ": " << platform::FileNameBytes(data) << ": ファイルが見つかりません\n";
      return 1;
    }
    platform::ShowWholeText(grdField, data);
  }
  // A map named in the settings or on the command line must be there; none named means
  // the map the program brings.
  const QString mapNamed =
      settings.ReadString(QStringLiteral("DataFile"), QStringLiteral("MapFile"), QString());
  if (!mapNamed.isEmpty() && !platform::FileExists(form.ResolveDataFile(mapNamed))) {
    err << kProgram << ": " << platform::FileNameBytes(mapNamed) << ": ファイルが見つかりません\n";
    return 1;
  }
  if (mapField->text().isEmpty()) platform::ShowWholeText(mapField, kBundledMap);
  const QString mapFile = form.ResolveDataFile(mapField->text());

  std::vector<QString> inputs = {settingsFile, mapFile, form.ResolveDataFile(grdField->text())};
  if (const QString why = platform::OutputClash({{request.outFile, grdField->text()}}, inputs);
      !why.isEmpty()) {
    platform::PrintUsage(err, Syntax(), why);
    return 2;
  }

  form.BtnNewMapClick();
  if (report(grdField->text().isEmpty() ? mapFile : grdField->text())) return 1;
  int linesNotDrawn = 0;
  try {
    form.SaveFigurePng(request.outFile, &linesNotDrawn);
  } catch (const std::exception& error) {
    err << kProgram << ": " << platform::FileNameBytes(request.outFile) << ": " << error.what()
        << '\n';
    return 1;
  }
  bool incomplete = false;
  for (const QString& m : dialogs.warnings) {
    err << kProgram << ": 警告: " << platform::OneLine(m).toStdString() << '\n';
    incomplete = true;
  }
  if (linesNotDrawn > 0) {
    err << kProgram << ": 警告: 線が多すぎて描けなかった区画線・目盛線があります（" << linesNotDrawn
        << " 組）。範囲を狭めるか区画線を粗くしてください\n";
    incomplete = true;
  }
  // A figure sent to a pipe or device (/dev/stdout) must not have the report written into
  // the same stream; then the report goes to standard error.
  std::ostream& said = platform::IsStream(request.outFile) ? err : out;
  const QSize size = form.FigureSize();
  said << platform::FileNameBytes(request.outFile) << " records=" << form.State().PlotCount
       << " categories=" << form.State().CategoryCount << " width=" << size.width()
       << " height=" << size.height() << '\n';
  return incomplete ? 1 : 0;
}

}  // namespace

int RunExport(const QStringList& arguments, const QString& programPath, std::ostream& out,
              std::ostream& err) {
  return platform::RunGuarded(kProgram, err,
                              [&] { return RunExportUnguarded(arguments, programPath, out, err); });
}

}  // namespace chart
