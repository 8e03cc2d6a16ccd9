// GoogleTest main for the suites that need a QApplication: widgets, fonts, clipboard.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/ui/FontSubstitution.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InstallFontSubstitutions();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
