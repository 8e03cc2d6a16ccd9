#include "chart/TForm1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>

#include "chart/ChartLayout.h"
#include "platform/ui/DialogService.h"
#include "tests/chart/PanelDefaults.h"
#include "tests/support/Keys.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

struct Window {
  platform::ScriptedDialogs* dialogs;
  std::unique_ptr<TForm1> form;
};

Window Make() {
  auto dialogs = std::make_unique<platform::ScriptedDialogs>();
  Window w{dialogs.get(), nullptr};
  w.form = std::make_unique<TForm1>(QStringList(), std::move(dialogs),
                                    QStringLiteral("/nonexistent/bin/Tarvo"));
  w.form->SetFixedClientSize(800, 600);
  return w;
}

void SetText(TForm1& form, const char* name, const QString& text) {
  form.findChild<QLineEdit*>(QString::fromLatin1(name))->setText(text);
}

void Check(TForm1& form, const char* name) {
  form.findChild<QRadioButton*>(QString::fromLatin1(name))->setChecked(true);
}

TEST(ChartWindow, ReadsThePanelsStartValuesIntoTheDrawingState) {
  Window w = Make();
  TForm1& form = *w.form;
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))->text(),
            QStringLiteral("ZoSample.grd"));
  Check(form, "GScale5");
  Check(form, "MScale2");
  form.GetDataFromScr();
  const DrawingState& s = form.State();
  EXPECT_EQ(s.GridSize, 5);
  EXPECT_EQ(s.MeshSize, 2);
  EXPECT_DOUBLE_EQ(s.GX1, 128);
  EXPECT_DOUBLE_EQ(s.GX2, 146);
  EXPECT_DOUBLE_EQ(s.GY1, 30);
  EXPECT_DOUBLE_EQ(s.GY2, 46);
  EXPECT_DOUBLE_EQ(s.GH2, 3800);
  EXPECT_DOUBLE_EQ(s.I2K, 1.2208);
  EXPECT_DOUBLE_EQ(s.LabX, 134);
  EXPECT_DOUBLE_EQ(s.LabY, 32);
  EXPECT_EQ(s.MapKind, 3);
  EXPECT_EQ(form.StatusText(2), QStringLiteral("５倍"));
  EXPECT_EQ(form.StatusText(4), QStringLiteral("2次"));
  Check(form, "MScale0");
  form.GetDataFromScr();
  EXPECT_EQ(form.StatusText(4), QStringLiteral("なし"));
}

TEST(ChartWindow, MeshSquaresGiveTheRangeFromFourCharactersOn) {
  Window w = Make();
  TForm1& form = *w.form;
  // Three characters: the degree fields (in degrees.minutes) are read.
  SetText(form, "EditSWGrid", QStringLiteral("533"));
  SetText(form, "EditGX1", QStringLiteral("139.30"));
  form.GetDataFromScr();
  EXPECT_DOUBLE_EQ(form.State().GX1, 139.5);
  // A first-order square alone: its own cell, 1 degree by 40 minutes.
  SetText(form, "EditSWGrid", QStringLiteral("5339"));
  form.GetDataFromScr();
  EXPECT_DOUBLE_EQ(form.State().GX1, 139);
  EXPECT_DOUBLE_EQ(form.State().GX2, 140);
  EXPECT_NEAR(form.State().GY1, 35.333333333333, 1e-9);
  EXPECT_NEAR(form.State().GY2, 36, 1e-9);
  // With a north-east square its cell gives the far corner.
  SetText(form, "EditNEGrid", QStringLiteral("5440"));
  form.GetDataFromScr();
  EXPECT_DOUBLE_EQ(form.State().GX2, 141);
  EXPECT_NEAR(form.State().GY2, 36.666666666667, 1e-9);
}

TEST(ChartWindow, BuildLaysTheChartsOutForEachChartSet) {
  Window w = Make();
  TForm1& form = *w.form;
  w.dialogs->Cancel(platform::DialogKind::Open);  // the map file prompt
  form.BtnNewMapClick();
  const ChartLayout want = LayoutCharts(PanelDefaults(3, 800, 600), {});
  for (int i = 0; i < 4; ++i) {
    const ChartRect& r = want.rect[static_cast<size_t>(i)];
    EXPECT_EQ(form.ChartAt(i)->geometry(), QRect(r.left, r.top, r.width, r.height)) << i;
    EXPECT_FALSE(form.ChartAt(i)->isHidden()) << i;
  }
  EXPECT_FALSE(form.ChartAt(1)->Model().titleVisible);
  EXPECT_TRUE(form.ChartAt(3)->Model().Axis(platform::AxisSide::Bottom).inverted);
  EXPECT_DOUBLE_EQ(form.State().MapAspect, 16.0 / 18.0 * 1.2208);

  form.findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->setChecked(false);
  form.BtnNewMapClick();
  EXPECT_TRUE(form.ChartAt(2)->isHidden());
  EXPECT_EQ(form.ChartAt(1)->geometry(), QRect(0, 0, 800, 868));
  EXPECT_TRUE(form.ChartAt(1)->Model().titleVisible);
}

TEST(ChartWindow, ARangeWithoutWidthIsToldAndTheLayoutKept) {
  Window w = Make();
  TForm1& form = *w.form;
  w.dialogs->Cancel(platform::DialogKind::Open);
  form.BtnNewMapClick();
  const QRect before = form.ChartAt(1)->geometry();
  SetText(form, "EditGX2", QStringLiteral("128.00"));
  w.dialogs->Cancel(platform::DialogKind::Open);
  form.BtnNewMapClick();
  ASSERT_FALSE(w.dialogs->Calls().empty());
  EXPECT_EQ(w.dialogs->Calls().back().message, QStringLiteral("0 による浮動小数点数除算"));
  EXPECT_EQ(form.ChartAt(1)->geometry(), before);

  // A field that is not a number stops the build with its message; the panel stays open.
  SetText(form, "EditGH2", QStringLiteral("38o0"));
  form.BtnNewMapClick();
  EXPECT_EQ(w.dialogs->Calls().back().message,
            QStringLiteral("'38o0' は浮動小数点数ではありません"));
}

TEST(ChartWindow, FileFieldsKeepOnlyPathsOfFilesAndJudgeTypingWhenItEnds) {
  using testsupport::FreshTestFolder;
  using testsupport::kIslandMap;
  using testsupport::Q;
  using testsupport::WriteBytes;
  const auto folder = FreshTestFolder("chart-fields-");
  WriteBytes(folder / "map.mdt", kIslandMap);
  Window w = Make();
  TForm1& form = *w.form;
  auto* map = form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"));
  // A path the program sets (browse, settings file) is judged at once.
  map->setText(Q(folder / "map.mdt"));
  EXPECT_EQ(form.State().MapFileName, Q(folder / "map.mdt"));
  map->setText(Q(folder / "none.mdt"));
  EXPECT_TRUE(map->text().isEmpty());
  EXPECT_TRUE(form.State().MapFileName.isEmpty());

  // Typing: the field keeps its letters until the user finishes it.
  form.show();
  QApplication::setActiveWindow(&form);
  map->setFocus();
  QApplication::processEvents();
  if (!map->hasFocus()) GTEST_SKIP() << "the platform gives no keyboard focus";
  testsupport::Type(map, QStringLiteral("x"));
  EXPECT_EQ(map->text(), QStringLiteral("x"));
  map->clear();
  testsupport::Type(map, Q(folder / "no"));
  EXPECT_EQ(map->text(), Q(folder / "no"));
  emit map->editingFinished();
  EXPECT_TRUE(map->text().isEmpty());
  // Leaving a field without typing in it judges nothing again.
  map->setText(Q(folder / "map.mdt"));
  std::filesystem::remove(folder / "map.mdt");
  emit map->editingFinished();
  EXPECT_EQ(map->text(), Q(folder / "map.mdt"));
}

}  // namespace
}  // namespace chart
