#include <QApplication>
#include <iostream>

#include "chart/Export.h"
#include "chart/TForm1.h"
#include "platform/text/FileName.h"
#include "platform/ui/CommandLine.h"
#include "platform/ui/JapaneseInterface.h"
#include "platform/ui/ScriptedExport.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << platform::FileNameFromBytes(argv[i]);
  // Help, the version and mistyped options are answered before any window or display
  // exists, so that a script is told at once rather than left waiting.
  const platform::CommandLine line = platform::ReadCommandLine(arguments, chart::ExportSyntax());
  switch (line.kind) {
    case platform::CommandKind::Help:
      platform::PrintHelp(std::cout, chart::ExportSyntax(),
                          "[SETTINGS.ini] [DATA.grd | TABLE.csv | MAP.mdt]");
      return platform::FinishExport("Tarvo", 0);
    case platform::CommandKind::Version:
      std::cout << platform::VersionLine("Tarvo") << '\n';
      return platform::FinishExport("Tarvo", 0);
    case platform::CommandKind::UsageError:
      platform::PrintUsage(std::cerr, chart::ExportSyntax(), line.why);
      return 2;
    case platform::CommandKind::Export:
    case platform::CommandKind::Window:
      break;
  }
  const bool exporting = line.kind == platform::CommandKind::Export;
  if (!exporting && !platform::HasDisplay(arguments)) {
    std::cerr
        << "Tarvo: 画面がない（DISPLAY も WAYLAND_DISPLAY もない）のでウインドウを開けません。"
           "図を書き出すには --export を使います（Tarvo --help）\n";
    return 2;
  }
  platform::SetRuntimeDirWhenMissing();
  // Scripts and batch jobs need no display.
  if (exporting) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarvo"));
  platform::InstallJapaneseInterface();
  if (exporting) {
    return platform::FinishExport(
        "Tarvo", chart::RunExport(line.arguments, QApplication::applicationFilePath(), std::cout,
                                  std::cerr));
  }
  chart::TForm1 form(line.arguments);
  form.show();
  form.OpenFileArgument(line.arguments);
  return QApplication::exec();
}
