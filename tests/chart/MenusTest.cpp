#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QUrl>
#include <memory>

#include "chart/TForm1.h"
#include "platform/text/IniFile.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/DialogService.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/Keys.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

using platform::AxisSide;
using testsupport::Q;
using testsupport::Type;

struct Window {
  platform::ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<TForm1> form;

  Window() {
    auto owned = std::make_unique<platform::ScriptedDialogs>();
    dialogs = owned.get();
    form = std::make_unique<TForm1>(QStringList(), std::move(owned),
                                    testsupport::ProgramDir() + QStringLiteral("/Tarvo"));
    form->SetFixedClientSize(800, 600);
    // No map file: the build's prompt for one is cancelled.
  }
  void Run(const char* command) {
    QAction* action = form->Command(QString::fromLatin1(command));
    ASSERT_NE(action, nullptr) << command;
    dialogs->Cancel(platform::DialogKind::Open);
    action->trigger();
  }
  bool Marked(const char* command) const {
    return form->Command(QString::fromLatin1(command))->isChecked();
  }
  bool Selected(const char* name) const {
    return form->findChild<QRadioButton*>(QString::fromLatin1(name))->isChecked();
  }
};

TEST(ChartMenus, TheMainMenuHasEveryCommandInItsPlace) {
  Window w;
  QStringList titles;
  for (QAction* menu : w.form->menuBar()->actions())
    titles << menu->text();
  EXPECT_EQ(titles, (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                                 QStringLiteral("詳細(&D)"), QStringLiteral("表示(&V)"),
                                 QStringLiteral("ヘルプ(&H)")}));
  const std::pair<const char*, const char*> entries[] = {
      {"OpenIniFileItem", "設定ファイルを読込"},
      {"SaveIniFileItem", "設定ファイルを保存"},
      {"ReLoadGrd", "分布データを読込"},
      {"MenuQuit", "終  了"},
      {"ReSetItem", "描画設定の表示・編集"},
      {"PlotSize10", "２次メッシュ表示"},
      {"ThirdMeshLine", "３次区画腺を表示"},
      {"PrefLines", "県界を表示する"},
      {"ShowMegaMap", "画面の４倍大にする"},
      {"HelpMokuji", "使用説明書"},
      {"HelpVersion", "バージョン情報"},
      {"ProfilesInRange", "断面図には範囲内の記録だけを描く"},
      {"FigureTitle", "三面分布図に標題を入れる"}};
  for (const auto& [name, text] : entries) {
    QAction* action = w.form->Command(QString::fromLatin1(name));
    ASSERT_NE(action, nullptr) << name;
    EXPECT_EQ(action->text(), QString::fromUtf8(text));
  }
  // The Detail menu's marks as the program starts.
  EXPECT_TRUE(w.Marked("PlotSize10"));
  EXPECT_TRUE(w.Marked("FirstMeshLine"));
  EXPECT_TRUE(w.Marked("PrefLines"));
  EXPECT_TRUE(w.Marked("ProfilesInRange"));
  // A settings file's choice shows in the entry; turning it over is a change to keep.
  w.form->ApplySettings(platform::IniFile::FromBytes("[Draw]\r\nProfilesInRange=0\r\n"));
  EXPECT_FALSE(w.Marked("ProfilesInRange"));
  EXPECT_FALSE(w.form->State().ProfilesInRange);
  const std::string before = platform::SettingsSnapshot(TForm1::Settings(), *w.form);
  w.form->Command(QStringLiteral("ProfilesInRange"))->trigger();
  EXPECT_TRUE(w.form->State().ProfilesInRange);
  EXPECT_NE(platform::SettingsSnapshot(TForm1::Settings(), *w.form), before);
  // The figure's title is off until asked for, by the View menu or the settings file.
  EXPECT_FALSE(w.Marked("FigureTitle"));
  EXPECT_FALSE(w.form->State().FigureTitle);
  w.form->Command(QStringLiteral("FigureTitle"))->trigger();
  EXPECT_TRUE(w.form->State().FigureTitle);
  w.form->ApplySettings(platform::IniFile::FromBytes("[Draw]\r\nFigureTitle=0\r\n"));
  EXPECT_FALSE(w.Marked("FigureTitle"));
  EXPECT_FALSE(w.form->State().FigureTitle);
}

TEST(ChartMenus, ChoosingTheMarkedMeshLevelTakesTheMeshLinesAway) {
  Window w;
  w.form->findChild<QRadioButton*>(QStringLiteral("MScale1"))->setChecked(true);
  w.dialogs->Cancel(platform::DialogKind::Open);
  w.form->BtnNewMapClick();
  ASSERT_TRUE(w.Marked("FirstMeshLine"));
  w.Run("FirstMeshLine");  // marked: the mark goes, and so do the lines
  EXPECT_FALSE(w.Selected("MScale0") || w.Selected("MScale1") || w.Selected("MScale2") ||
               w.Selected("MScale3"));
  EXPECT_EQ(w.form->State().MeshSize, 0);
  EXPECT_EQ(w.form->StatusText(4), QStringLiteral("なし"));
  for (const char* entry : {"NoMeshLine", "FirstMeshLine", "SecondMeshLine", "ThirdMeshLine"})
    EXPECT_FALSE(w.Marked(entry)) << entry;

  w.Run("SecondMeshLine");
  EXPECT_EQ(w.form->State().MeshSize, 2);
  w.Run("ThirdMeshLine");
  EXPECT_EQ(w.form->State().MeshSize, 3);
  EXPECT_TRUE(w.Marked("ThirdMeshLine"));
  EXPECT_FALSE(w.Marked("SecondMeshLine"));
}

TEST(ChartMenus, PrecisionAndChartSetCommandsSetThePanelAndBuild) {
  Window w;
  w.Run("PlotSize5");
  EXPECT_TRUE(w.Selected("GScale5"));
  EXPECT_EQ(w.form->State().GridSize, 5);
  EXPECT_EQ(w.form->StatusText(2), QStringLiteral("５倍"));
  EXPECT_TRUE(w.Marked("PlotSize5"));
  EXPECT_FALSE(w.Marked("PlotSize10"));

  w.Run("PrefLines");
  EXPECT_TRUE(w.form->findChild<QCheckBox*>(QStringLiteral("Prefecture"))->isChecked() ==
              w.Marked("PrefLines"));

  w.Run("ShowVertical");
  EXPECT_EQ(w.form->State().MapKind, 2);
  EXPECT_FALSE(w.form->ChartAt(1)->isVisibleTo(w.form.get()));
  // A double-click on a profile asks for the map alone.
  w.dialogs->Cancel(platform::DialogKind::Open);
  w.form->ChartAt(2)->onDoubleClick(QPoint(5, 5));
  EXPECT_EQ(w.form->State().MapKind, 1);
  w.Run("ShowAll");
  EXPECT_EQ(w.form->State().MapKind, 3);
}

TEST(ChartMenus, EnlargingAndFittingLayOutAgainWithoutTheMeshGrid) {
  Window w;
  // Before the first build there is nothing to lay out: the choice waits for it.
  w.Run("ShowBigMap");
  EXPECT_EQ(w.form->State().ZoomFactor, 2);
  EXPECT_FALSE(w.form->ChartAt(1)->isVisibleTo(w.form.get()));
  w.Run("ShowWidthFill");

  w.form->findChild<QRadioButton*>(QStringLiteral("MScale2"))->setChecked(true);
  w.dialogs->Cancel(platform::DialogKind::Open);
  w.form->BtnNewMapClick();
  const QRect single = w.form->ChartAt(1)->geometry();
  const double meshIncrement = w.form->ChartAt(1)->Model().Axis(AxisSide::Left).increment;
  w.Run("ShowBigMap");
  EXPECT_EQ(w.form->ChartAt(1)->width(), 2 * single.width());
  // The layout's own longitude increment stands until the next build.
  EXPECT_DOUBLE_EQ(w.form->ChartAt(1)->Model().Axis(AxisSide::Bottom).increment, 1);
  EXPECT_DOUBLE_EQ(w.form->ChartAt(1)->Model().Axis(AxisSide::Left).increment, meshIncrement);
  w.Run("ShowWidthFill");
  EXPECT_EQ(w.form->ChartAt(1)->geometry(), single);
}

TEST(ChartMenus, ContextMenusOfferTheirCommands) {
  Window w;
  const std::pair<const char*, int> menus[] = {
      {"PopupMenu1", 5}, {"PopupMenu2", 2}, {"PopupMenu3", 2}, {"EditR0", 5}};
  for (const auto& [name, entries] : menus) {
    auto* menu = w.form->findChild<QMenu*>(QString::fromLatin1(name));
    ASSERT_NE(menu, nullptr) << name;
    int texts = 0;
    for (QAction* a : menu->actions())
      texts += a->isSeparator() ? 0 : 1;
    EXPECT_EQ(texts, entries) << name;
  }
  // "描画設定をやり直す" brings the panel back.
  auto* corner = w.form->findChild<QMenu*>(QStringLiteral("EditR0"));
  auto* board = w.form->findChild<QWidget*>(QStringLiteral("SettingBoard"));
  board->hide();
  for (QAction* a : corner->actions()) {
    if (a->text() == QStringLiteral("描画設定をやり直す")) a->trigger();
  }
  EXPECT_TRUE(board->isVisibleTo(w.form.get()));
  EXPECT_EQ(board->pos(), QPoint(100, 80));
}

TEST(ChartPanel, TheRatioFollowsTheLatitudesAndKeepsItsTextWhenOneDoesNotRead) {
  Window w;
  auto* ratio = w.form->findChild<QLineEdit*>(QStringLiteral("EditI2K"));
  EXPECT_TRUE(w.form->LabelRatioClick());
  EXPECT_EQ(ratio->text(), QStringLiteral("1.2998"));
  auto* south = w.form->findChild<QLineEdit*>(QStringLiteral("EditGY1"));
  // Typing: each keystroke that leaves a readable latitude updates the ratio.
  south->selectAll();
  Type(south, QStringLiteral("40.00"));
  EXPECT_EQ(ratio->text(), QStringLiteral("1.4058"));
  south->selectAll();
  Type(south, QStringLiteral("\b"));
  EXPECT_EQ(south->text(), QString());
  EXPECT_EQ(ratio->text(), QStringLiteral("1.4058"));
  EXPECT_FALSE(w.form->LabelRatioClick());
  EXPECT_EQ(ratio->text(), QStringLiteral("1.4058"));
  EXPECT_EQ(w.dialogs->Calls().back().kind, platform::DialogKind::Error);
}

TEST(ChartPanel, WidthAndColourButtonsChangeTheDrawingState) {
  Window w;
  w.form->MapLWBtnClick();
  EXPECT_EQ(w.form->State().MLW, 2);
  EXPECT_EQ(w.form->findChild<QWidget*>(QStringLiteral("MapLWBtn"))->property("text"),
            QStringLiteral("━幅"));
  w.form->MapLWBtnClick();
  EXPECT_EQ(w.form->State().MLW, 1);
  w.dialogs->PickColor(0x00FF00);
  w.form->LineColorBtClick(2);
  EXPECT_EQ(w.form->State().MshColor, 0x00FF00u);
  // Cancelled: nothing changes.
  w.dialogs->Cancel(platform::DialogKind::Color);
  w.form->LineColorBtClick(0);
  EXPECT_EQ(w.form->State().MapColor, 0u);
  // "変更中止" hides the panel and keeps what was typed.
  w.form->findChild<QLineEdit*>(QStringLiteral("EditGH2"))->setText(QStringLiteral("2000"));
  w.form->BtnSettingCancelClick();
  EXPECT_EQ(w.form->findChild<QLineEdit*>(QStringLiteral("EditGH2"))->text(),
            QStringLiteral("2000"));
}

TEST(ChartSeries, EveryChartHasItsMapLinesAndSixCategories) {
  Window w;
  for (const SeriesTables* t : {&w.form->SeriesH(), &w.form->SeriesW(), &w.form->SeriesS()}) {
    ASSERT_NE(t->lines, nullptr);
    for (const platform::PointSeries* s : t->categories) {
      ASSERT_NE(s, nullptr);
      EXPECT_GE(s->x.capacity(), 64000u);
    }
  }
  EXPECT_EQ(w.form->SeriesH().categories[0]->title, QStringLiteral("SeriesH1"));
  EXPECT_EQ(w.form->SeriesS().lines->binding, platform::VerticalBinding::Both);
  EXPECT_EQ(&w.form->ChartAt(2)->Model().points[5], w.form->SeriesW().categories[5]);
}

TEST(ChartMenus, HelpOpensTheManualsIndexPage) {
  Window w;
  QList<QUrl> opened;
  const platform::UrlOpener previous = platform::SetUrlOpener([&opened](const QUrl& url) {
    opened << url;
    return true;
  });
  ASSERT_TRUE(w.form->Command(QStringLiteral("HelpMokuji"))->isEnabled());
  w.form->Command(QStringLiteral("HelpMokuji"))->trigger();
  platform::SetUrlOpener(previous);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(opened[0].isLocalFile());
  EXPECT_EQ(opened[0].toLocalFile(),
            QFileInfo(QStringLiteral(TARVO_SOURCE_DIR "/docs/index.html")).canonicalFilePath());
  EXPECT_TRUE(w.dialogs->Calls().empty());
}

// What a file manager hands over: a data file is loaded and drawn at once on the map of the
// settings, or the bundled one; a map file only takes the map field; a missing file is told.
TEST(ChartMenus, AFileOnTheCommandLineIsOpened) {
  IslandWindow w("chart_argument_");
  testsupport::WriteBytes(w.root / "two.grd", "Fagus\r\n35.0,136.0,1200\r\n35.5,135.5\r\n");
  testsupport::WriteBytes(w.root / "other.mdt", testsupport::kIslandMap);

  w.form->OpenFileArgument({Q(w.root / "other.mdt")});
  EXPECT_EQ(w.Field("EditMapFile")->text(), Q(w.root / "other.mdt"));
  EXPECT_EQ(w.form->State().PlotCount, 0);

  w.form->OpenFileArgument({Q(w.root / "missing.grd")});
  ASSERT_EQ(w.dialogs->Calls().size(), 1u);
  EXPECT_EQ(w.dialogs->Calls()[0].kind, platform::DialogKind::Error);
  EXPECT_TRUE(w.dialogs->Calls()[0].message.contains(QStringLiteral("missing.grd")));
  EXPECT_EQ(w.form->State().PlotCount, 0);

  w.form->OpenFileArgument({Q(w.root / "two.grd")});
  EXPECT_EQ(w.Field("EditGrdFile")->text(), Q(w.root / "two.grd"));
  EXPECT_EQ(w.form->State().PlotCount, 2);
  EXPECT_EQ(w.form->State().CategoryCount, 1);
  EXPECT_EQ(w.dialogs->Calls().size(), 1u);

  // Settings that name no map draw on the bundled one instead of asking for a map.
  w.Field("EditMapFile")->clear();
  w.form->OpenFileArgument({Q(w.root / "two.grd")});
  EXPECT_EQ(w.Field("EditMapFile")->text(), QString::fromUtf8(kBundledMapName));
  EXPECT_EQ(w.form->State().PlotCount, 2);
  EXPECT_EQ(w.dialogs->Calls().size(), 1u);
}

}  // namespace
}  // namespace chart
