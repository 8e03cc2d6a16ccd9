#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "chart/TForm1.h"
#include "platform/text/FileName.h"
#include "platform/ui/FontSubstitution.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << platform::FileNameFromBytes(argv[i]);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarvo for Windows"));
  platform::InstallFontSubstitutions();
  // The interface is Japanese, so the toolkit's own dialogs speak Japanese too.
  QTranslator toolkitTexts;
  if (toolkitTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&toolkitTexts);
  }
  chart::TForm1 form(arguments);
  form.show();
  return QApplication::exec();
}
