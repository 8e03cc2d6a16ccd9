#include <QApplication>

#include "chart/TForm1.h"
#include "platform/text/FileName.h"
#include "platform/ui/JapaneseInterface.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << platform::FileNameFromBytes(argv[i]);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tarvo for Windows"));
  platform::InstallJapaneseInterface();
  chart::TForm1 form(arguments);
  form.show();
  return QApplication::exec();
}
