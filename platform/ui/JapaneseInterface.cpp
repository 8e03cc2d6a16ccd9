#include "platform/ui/JapaneseInterface.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/ui/FontSubstitution.h"

namespace platform {

void InstallJapaneseInterface() {
  InstallFontSubstitutions();
  // Owned by the application, so it lives as long as the dialogs that use it.
  auto* toolkitTexts = new QTranslator(QCoreApplication::instance());
  if (toolkitTexts->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(toolkitTexts);
  }
}

}  // namespace platform
