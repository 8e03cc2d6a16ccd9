#include <QApplication>
#include <iostream>

#include "conic/Export.h"
#include "conic/TForm1.h"
#include "platform/text/FileName.h"
#include "platform/ui/JapaneseInterface.h"
#include "platform/ui/ScriptedExport.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << platform::FileNameFromBytes(argv[i]);
  const bool exporting = conic::IsExportCommand(arguments);
  // Scripts and batch jobs need no display.
  if (exporting) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo_L"));
  platform::InstallJapaneseInterface();
  if (exporting) {
    return platform::FinishExport(
        "Tarvo_L",
        conic::RunExport(arguments, QApplication::applicationFilePath(), std::cout, std::cerr));
  }
  // The window's arguments without the toolkit's own options (-style, -platform …), which
  // QApplication has taken out of argv by now.
  QStringList windowArguments;
  for (int i = 1; i < argc; ++i)
    windowArguments << platform::FileNameFromBytes(argv[i]);
  conic::TForm1 form(windowArguments);
  form.show();
  form.OpenFileArgument(windowArguments);
  return QApplication::exec();
}
