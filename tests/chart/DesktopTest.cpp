// What a user of any desktop program expects of Tarvo's window: keys, recent files, dialogs
// that start in the right place, a fit that fits, and a first start that draws.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <filesystem>
#include <memory>

#include "chart/TForm1.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/PanelText.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using platform::DialogKind;
using testsupport::Q;

// Every menu of the bar opens with its own Alt key: a second menu with the same letter
// would open in the first one's place (Alt+F turned a new user's grid to line colour).
void ExpectUniqueMnemonics(const QMainWindow& window) {
  QSet<QChar> letters;
  for (QAction* menu : window.menuBar()->actions()) {
    const QString text = menu->text();
    const qsizetype amp = text.indexOf(u'&');
    ASSERT_GE(amp, 0) << text.toStdString();
    const QChar letter = text.at(amp + 1).toUpper();
    EXPECT_FALSE(letters.contains(letter)) << text.toStdString();
    letters.insert(letter);
  }
}

TEST(ChartDesktop, EveryMenuHasItsOwnMnemonicAndTheUsualKeys) {
  IslandWindow w("chart-desktop-");
  ExpectUniqueMnemonics(*w.form);
  const std::pair<const char*, QKeySequence> keys[] = {
      {"ReLoadGrd", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"SaveToEMFItem", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"MenuQuit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {"HelpMokuji", QKeySequence(Qt::Key_F1)},
      {"NewMapItem", QKeySequence(Qt::Key_F5)},
  };
  for (const auto& [name, key] : keys) {
    QAction* action = w.form->Command(QString::fromLatin1(name));
    ASSERT_NE(action, nullptr) << name;
    EXPECT_EQ(action->shortcut(), key) << name;
  }
}

TEST(ChartDesktop, ReturnInTheSettingsPanelDraws) {
  IslandWindow w("chart-desktop-");
  EXPECT_EQ(w.form->ChartAt(1)->isVisibleTo(w.form.get()), false);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w.Field("EditTitle"), &enter);
  EXPECT_TRUE(w.form->ChartAt(1)->isVisibleTo(w.form.get()));
}

TEST(ChartDesktop, TheShownPanelGivesItsDrawButtonTheFocus) {
  IslandWindow w("chart-desktop-");
  w.form->show();
  EXPECT_EQ(w.form->focusWidget(), w.form->findChild<QPushButton*>(QStringLiteral("NewMapBtn")));
}

TEST(ChartDesktop, ReturnInAWindowJustOpenedDraws) {
  // Nothing has the focus yet: the key reaches the window, not the panel.
  IslandWindow w("chart-desktop-");
  ASSERT_EQ(QApplication::focusWidget(), nullptr);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w.form.get(), &enter);
  EXPECT_TRUE(w.form->ChartAt(1)->isVisibleTo(w.form.get()));
}

TEST(ChartDesktop, AFirstStartDrawsTheBundledMapAndSample) {
  auto owned = std::make_unique<platform::ScriptedDialogs>();
  platform::ScriptedDialogs* dialogs = owned.get();
  const fs::path root = testsupport::FreshTestFolder("chart-desktop-");
  TForm1 form(QStringList(), std::move(owned), Q(root / "bin" / "Tarvo"));
  form.SetFixedClientSize(800, 600);
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->text(),
            QString::fromUtf8(kBundledMapName));
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))->text(),
            QStringLiteral("ZoSample.grd"));
  form.BtnNewMapClick();
  EXPECT_TRUE(dialogs->Calls().empty());
  EXPECT_EQ(form.LastPlot().records, 19);

  // A map that is not there: Tarvo's field lets go of a path that names no file, so the
  // dialog says that no map is given, and a cancel says so again.
  platform::ShowWholeText(form.findChild<QLineEdit*>(QStringLiteral("EditMapFile")),
                          Q(root / "gone" / "japan.mdt"));
  form.BtnNewMapClick();
  ASSERT_GE(dialogs->Calls().size(), 2u);
  const auto& asked = dialogs->Calls()[dialogs->Calls().size() - 2];
  EXPECT_EQ(asked.kind, DialogKind::Open);
  EXPECT_TRUE(asked.file.title.startsWith(QStringLiteral("地図ファイルが指定されていません")))
      << asked.file.title.toStdString();
  EXPECT_EQ(dialogs->Calls().back().kind, DialogKind::Error);
  EXPECT_EQ(dialogs->Calls().back().message, QStringLiteral("地図ファイルが指定されていません"));
  // The next open dialog has its own title again.
  EXPECT_EQ(dialogs->open.title, QString());
}

TEST(ChartDesktop, RecentFilesAreOfferedAndAGoneOneIsForgotten) {
  IslandWindow w("chart-desktop-");
  const QString recentFile = Q(w.root / "config" / "recent.ini");
  w.form->UseRecentFiles(recentFile);
  testsupport::WriteBytes(w.root / "a.grd", "Fagus\r\n35.0,136.0\r\n");
  w.dialogs->AcceptOpen(Q(w.root / "a.grd"));
  w.form->ReadGrdFile(false);
  w.dialogs->AcceptOpen(Q(w.root / "s.ini"));
  testsupport::WriteBytes(w.root / "s.ini", "[Map]\r\nGridSize=1\r\n");
  w.form->OpenIniFileItemClick();
  EXPECT_EQ(w.form->Recent().Data(), QStringList{Q(w.root / "a.grd")});
  EXPECT_EQ(w.form->Recent().Settings(), QStringList{Q(w.root / "s.ini")});
  // Kept in the user's configuration, not in the shared settings file.
  EXPECT_TRUE(fs::exists(w.root / "config" / "recent.ini"));
  EXPECT_EQ(platform::RecentFiles(recentFile).Data(), QStringList{Q(w.root / "a.grd")});

  auto* menu = w.form->findChild<QMenu*>(QStringLiteral("RecentMenu"));
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  QStringList shown;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) shown << action->data().toString();
  EXPECT_EQ(shown, (QStringList{Q(w.root / "a.grd"), Q(w.root / "s.ini")}));
  // Chosen from the menu, the data file is drawn.
  w.form->findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))->clear();
  menu->actions().front()->trigger();
  EXPECT_EQ(w.form->LastPlot().records, 1);

  fs::remove(w.root / "a.grd");
  w.form->OpenRecentFile(Q(w.root / "a.grd"), false);
  EXPECT_EQ(w.dialogs->Calls().back().kind, DialogKind::Error);
  EXPECT_TRUE(w.form->Recent().Data().isEmpty());
}

TEST(ChartDesktop, TheSettingsDialogStartsAtThePresetsThenWhereItWasLeft) {
  IslandWindow w("chart-desktop-");
  w.form->OpenIniFileItemClick();  // cancelled
  EXPECT_EQ(QFileInfo(w.dialogs->Calls().back().file.initialDir).fileName(),
            QStringLiteral("presets"));
  fs::create_directories(w.root / "mine");
  testsupport::WriteBytes(w.root / "mine" / "s.ini", "[Map]\r\n");
  w.dialogs->AcceptOpen(Q(w.root / "mine" / "s.ini"));
  w.form->OpenIniFileItemClick();
  w.form->OpenIniFileItemClick();
  EXPECT_EQ(w.dialogs->Calls().back().file.initialDir, Q(w.root / "mine"));
}

TEST(ChartDesktop, FittingTheWindowShowsTheWholeFigure) {
  IslandWindow w(
      "chart-desktop-",
      {{"EditGX1", "128.00"}, {"EditGX2", "146.00"}, {"EditGY1", "30.00"}, {"EditGY2", "46.00"}});
  w.form->SetFixedClientSize(864, 600);
  w.form->BtnNewMapClick();
  w.form->ShowHeightFillClick();
  int right = 0;
  int bottom = 0;
  for (int i = 0; i < 4; ++i) {
    const auto* chart = w.form->ChartAt(i);
    if (!chart->isVisibleTo(w.form.get())) continue;
    right = std::max(right, chart->geometry().right() + 1);
    bottom = std::max(bottom, chart->geometry().bottom() + 1);
  }
  EXPECT_LE(right, 864);
  EXPECT_LE(bottom, 600);
  EXPECT_GT(bottom, 540);  // and as large as it can be
}

}  // namespace
}  // namespace chart
