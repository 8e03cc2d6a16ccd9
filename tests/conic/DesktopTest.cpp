// What a user of any desktop program expects of Tarvo_L's window: keys, recent files, the
// settings dialog starting where settings are, and a sheet that fits the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <filesystem>
#include <memory>

#include "conic/TForm1.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/PanelText.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

namespace fs = std::filesystem;
using platform::DialogKind;
using testsupport::Q;

class DesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("conic-desktop-");
    testsupport::WriteBytes(m_root / "island.mdt", testsupport::kIslandMap);
    testsupport::WriteBytes(m_root / "a.grd", "Fagus\r\n35.0,136.0,300\r\n");
    auto dialogs = std::make_unique<platform::ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_form =
        std::make_unique<TForm1>(QStringList(), std::move(dialogs), Q(m_root / "bin" / "Tarvo_L"));
    m_form->SetFixedWindowWidth(400);
    // As a file dialog puts it, past the field's limit for typing.
    platform::ShowWholeText(Field("EditMapFile"), Q(m_root / "island.mdt"));
    Field("EditGrdFile")->setText(Q(m_root / "a.grd"));
  }
  QLineEdit* Field(const char* name) {
    return m_form->findChild<QLineEdit*>(QString::fromLatin1(name));
  }
  QAction* Action(const char* name) {
    return m_form->findChild<QAction*>(QString::fromLatin1(name));
  }

  fs::path m_root;
  platform::ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TForm1> m_form;
};

TEST_F(DesktopTest, EveryMenuHasItsOwnMnemonicAndTheUsualKeys) {
  QSet<QChar> letters;
  for (QAction* menu : m_form->menuBar()->actions()) {
    const qsizetype amp = menu->text().indexOf(u'&');
    ASSERT_GE(amp, 0) << menu->text().toStdString();
    const QChar letter = menu->text().at(amp + 1).toUpper();
    EXPECT_FALSE(letters.contains(letter)) << menu->text().toStdString();
    letters.insert(letter);
  }
  const std::pair<const char*, QKeySequence> keys[] = {
      {"NewPlotItem", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"SaveToPNGItem", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"MenuQuitItem", QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {"WebHelpItem", QKeySequence(Qt::Key_F1)},
      {"DrawMapItem", QKeySequence(Qt::Key_F5)},
  };
  for (const auto& [name, key] : keys) {
    ASSERT_NE(Action(name), nullptr) << name;
    EXPECT_EQ(Action(name)->shortcut(), key) << name;
  }
}

TEST_F(DesktopTest, ReturnInTheSettingsPanelDraws) {
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(Field("EditTitle"), &enter);
  EXPECT_EQ(m_form->State().PlotCount, 1);
}

TEST_F(DesktopTest, RecentFilesAreOfferedAndAGoneOneIsForgotten) {
  m_form->UseRecentFiles(Q(m_root / "config" / "recent.ini"));
  m_form->DrawMapNewClick();
  testsupport::WriteBytes(m_root / "s.ini", "[Map]\r\nGridSize=1\r\n");
  m_dialogs->AcceptOpen(Q(m_root / "s.ini"));
  m_form->BtnGetIniFileClick();
  EXPECT_EQ(m_form->Recent().Data(), QStringList{Q(m_root / "a.grd")});
  EXPECT_EQ(m_form->Recent().Settings(), QStringList{Q(m_root / "s.ini")});
  EXPECT_EQ(platform::RecentFiles(Q(m_root / "config" / "recent.ini")).Settings(),
            QStringList{Q(m_root / "s.ini")});
  auto* menu = m_form->findChild<QMenu*>(QStringLiteral("RecentMenu"));
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  ASSERT_EQ(menu->actions().size(), 3);  // a data file, a separator, a settings file
  fs::remove(m_root / "s.ini");
  menu->actions().back()->trigger();
  EXPECT_EQ(m_dialogs->Calls().back().kind, DialogKind::Error);
  EXPECT_TRUE(m_form->Recent().Settings().isEmpty());
}

TEST_F(DesktopTest, TheSettingsDialogStartsAtThePresetsThenWhereItWasLeft) {
  m_form->BtnGetIniFileClick();  // cancelled
  EXPECT_EQ(QFileInfo(m_dialogs->Calls().back().file.initialDir).fileName(),
            QStringLiteral("presets"));
  fs::create_directories(m_root / "mine");
  testsupport::WriteBytes(m_root / "mine" / "s.ini", "[Map]\r\n");
  m_dialogs->AcceptOpen(Q(m_root / "mine" / "s.ini"));
  m_form->BtnGetIniFileClick();
  m_form->BtnGetIniFileClick();
  EXPECT_EQ(m_dialogs->Calls().back().file.initialDir, Q(m_root / "mine"));
}

TEST_F(DesktopTest, TheSheetCanBeFittedToTheWindow) {
  m_form->SetFixedWindowHeight(500);
  Action("FitWindowItem")->trigger();
  // The window-width sheet as tall as the window shows: 500 pixels at most.
  EXPECT_LE(m_form->CanvasM().Height(), 500);
  EXPECT_GT(m_form->CanvasM().Height(), 495);
  EXPECT_LE(m_form->CanvasM().Width(), 400);
  // Another sheet size ends the fit.
  Action("ShowWnSizeItem")->trigger();
  EXPECT_EQ(m_form->CanvasM().Width(), 400);
}

}  // namespace
}  // namespace conic
