#include <QApplication>
#include <iostream>

#include "conic/Export.h"
#include "conic/TForm1.h"
#include "platform/text/FileName.h"
#include "platform/ui/JapaneseInterface.h"

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
    const int status =
        conic::RunExport(arguments, QApplication::applicationFilePath(), std::cout, std::cerr);
    // A script reads what was made from standard output; losing that is a failure too.
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "Tarvo_L: 標準出力に書き込めません\n";
      return status == 0 ? 1 : status;
    }
    return status;
  }
  conic::TForm1 form(arguments);
  form.show();
  return QApplication::exec();
}
