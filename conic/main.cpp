#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <iostream>

#include "conic/Export.h"
#include "conic/TForm1.h"
#include "platform/ui/FontSubstitution.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  const bool exporting = conic::IsExportCommand(arguments);
  // Scripts and batch jobs need no display.
  if (exporting) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo_L"));
  platform::InstallFontSubstitutions();
  // The interface is Japanese, so the toolkit's own dialogs speak Japanese too.
  QTranslator toolkitTexts;
  if (toolkitTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&toolkitTexts);
  }
  if (exporting) {
    return conic::RunExport(arguments, QApplication::applicationFilePath(), std::cout, std::cerr);
  }
  conic::TForm1 form(arguments);
  form.show();
  return QApplication::exec();
}
