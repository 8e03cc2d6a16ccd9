// GoogleTest main for the suites that need a QApplication: widgets, fonts, clipboard.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/ui/FontSubstitution.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Settings the programs keep in the user's configuration folder must neither come from
  // nor go to the real one.
  const QByteArray config = QByteArray::fromStdString(testing::TempDir()) + "tarvo-config-" +
                            QByteArray::number(QCoreApplication::applicationPid());
  qputenv("XDG_CONFIG_HOME", config);
  QApplication app(argc, argv);
  platform::InstallFontSubstitutions();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
