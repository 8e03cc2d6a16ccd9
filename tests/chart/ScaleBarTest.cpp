#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "chart/Export.h"
#include "chart/ScaleBar.h"
#include "chart/TForm1.h"
#include "platform/text/IniFile.h"
#include "platform/ui/Printing.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/Pdf.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using platform::AxisSide;
using testsupport::Q;

// Kilometres along the parallel at `lat` between two longitudes, on a sphere of the mean
// radius: what a bar drawn from `lon1` to `lon2` measures.
double GroundKm(double lon1, double lon2, double lat) {
  constexpr double kDeg = 3.14159265358979323846 / 180;
  return std::abs(lon2 - lon1) * kDeg * 6371.0 * std::cos(lat * kDeg);
}

TEST(ChartScaleBar, MeasuresItsRoundLengthOnTheMapInEachCorner) {
  // Kyushu, all of Japan, and a range of a few minutes.
  const struct {
    const char *gx1, *gx2, *gy1, *gy2;
    int km;
  } ranges[] = {{"129.00", "133.00", "31.00", "34.00", 50},
                {"128.00", "146.00", "30.00", "46.00", 200},
                {"135.00", "135.30", "35.00", "35.20", 10}};
  for (const auto& r : ranges) {
    IslandWindow w(
        "chart_scale_",
        {{"EditGX1", r.gx1}, {"EditGX2", r.gx2}, {"EditGY1", r.gy1}, {"EditGY2", r.gy2}});
    w.form->findChild<QCheckBox*>(QStringLiteral("ScaleBar"))->setChecked(true);
    for (int corner = 0; corner < 4; ++corner) {
      SCOPED_TRACE(testing::Message() << r.gx1 << " corner " << corner);
      w.form->findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->setCurrentIndex(corner);
      w.form->BtnNewMapClick();
      w.form->ChartAt(1)->grab();
      const auto& bar = w.form->LastScaleBar();
      ASSERT_TRUE(bar);
      EXPECT_EQ(bar->km, r.km);
      const platform::ChartMapping map = w.form->ChartAt(1)->Mapping();
      const DrawingState& s = w.form->State();
      const double lat = (s.GY1 + s.GY2) / 2;
      EXPECT_NEAR(GroundKm(map.ToValue(AxisSide::Bottom, bar->left),
                           map.ToValue(AxisSide::Bottom, bar->right), lat),
                  bar->km, bar->km * 0.005);
      // At most a quarter of the map's width, and the next round length would not be.
      const double mapWidth =
          map.ToPixel(AxisSide::Bottom, s.GX2) - map.ToPixel(AxisSide::Bottom, s.GX1);
      EXPECT_LE(bar->right - bar->left, mapWidth / 4);
      if (bar->km < 200) {
        const int next = bar->km == 10 ? 20 : bar->km == 20 ? 50 : bar->km * 2;
        EXPECT_GT((bar->right - bar->left) * next / bar->km, mapWidth / 4);
      }
      const QRectF plot(
          QPointF(map.ToPixel(AxisSide::Bottom, s.GX1), map.ToPixel(AxisSide::Left, s.GY2)),
          QPointF(map.ToPixel(AxisSide::Bottom, s.GX2), map.ToPixel(AxisSide::Left, s.GY1)));
      EXPECT_TRUE(plot.contains(bar->box));
      const bool lower = corner == 0 || corner == 1;
      const bool right = corner == 0 || corner == 2;
      EXPECT_EQ(bar->y > plot.center().y(), lower);
      EXPECT_EQ(bar->left > plot.center().x(), right);
      EXPECT_EQ(w.form->StatusText(TForm1::kScalePanel), QString());
    }
    fs::remove_all(w.root);
  }
}

TEST(ChartScaleBar, TheStatusBarSaysWhenTheRangeIsTooNarrowForIt) {
  // Three minutes of longitude, under 5 km: even 10 km would be the whole map.
  IslandWindow w(
      "chart_scale_note_",
      {{"EditGX1", "135.00"}, {"EditGX2", "135.03"}, {"EditGY1", "35.00"}, {"EditGY2", "35.02"}});
  w.form->findChild<QCheckBox*>(QStringLiteral("ScaleBar"))->setChecked(true);
  w.form->BtnNewMapClick();
  w.form->ChartAt(1)->grab();
  EXPECT_FALSE(w.form->LastScaleBar());
  EXPECT_TRUE(w.form->ScaleBarLeftOut());
  EXPECT_EQ(w.form->StatusText(TForm1::kScalePanel), QStringLiteral("縮尺は省略"));
  w.Field("EditGX2")->setText(QStringLiteral("136.00"));
  w.Field("EditGY2")->setText(QStringLiteral("36.00"));
  w.form->BtnNewMapClick();
  w.form->ChartAt(1)->grab();
  EXPECT_TRUE(w.form->LastScaleBar());
  EXPECT_EQ(w.form->StatusText(TForm1::kScalePanel), QString());
  fs::remove_all(w.root);
}

TEST(ChartScaleBar, PrintedAndWrittenAsPdfWithItsLabelAsText) {
  if (!testsupport::PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
  IslandWindow w("chart_scale_print_");
  QFile::remove(platform::PageSetupFile());
  w.form->findChild<QCheckBox*>(QStringLiteral("ScaleBar"))->setChecked(true);
  w.form->BtnNewMapClick();
  const QString printed = Q(w.root / "printed.pdf");
  w.dialogs->AnswerPrint(printed, platform::PageSetup{QPageSize::A4, QPageLayout::Portrait});
  ASSERT_TRUE(w.form->PrintItemClick());
  EXPECT_TRUE(testsupport::PdfText(printed).contains(QStringLiteral("200 km")));
  const QString written = Q(w.root / "written.pdf");
  w.form->SaveFigure(written);
  EXPECT_TRUE(testsupport::PdfText(written).contains(QStringLiteral("200 km")));
  QFile::remove(platform::PageSetupFile());
  fs::remove_all(w.root);
}

TEST(ChartScaleBar, StepsPastTheLegendOrIsLeftOut) {
  IslandWindow w("chart_scale_legend_");
  w.form->BtnNewMapClick();
  w.form->ChartAt(1)->grab();
  const platform::ChartMapping map = w.form->ChartAt(1)->Mapping();
  const DrawingState& s = w.form->State();
  auto width = [](const QString& text) { return 8.0 * static_cast<double>(text.size()); };
  const auto free =
      PlanScaleBar(map, s.GX1, s.GX2, s.GY1, s.GY2, core::MapCorner::LowerRight, width, 16);
  ASSERT_TRUE(free);
  // A legend on the corner: the bar stands just above it, the same length.
  const QRectF legend = free->box.adjusted(-10, -10, 10, 10);
  const auto moved =
      PlanScaleBar(map, s.GX1, s.GX2, s.GY1, s.GY2, core::MapCorner::LowerRight, width, 16, legend);
  ASSERT_TRUE(moved);
  EXPECT_FALSE(moved->box.intersects(legend));
  EXPECT_LT(moved->y, legend.top());
  EXPECT_DOUBLE_EQ(moved->right - moved->left, free->right - free->left);
  // A legend as tall as the map leaves it no room.
  const QRectF tall(free->box.left(), 0, free->box.width(), 5000);
  EXPECT_FALSE(
      PlanScaleBar(map, s.GX1, s.GX2, s.GY1, s.GY2, core::MapCorner::LowerRight, width, 16, tall));
  // Text so large that the bar would be shorter than a line of it.
  EXPECT_FALSE(PlanScaleBar(map, s.GX1, s.GX2, s.GY1, s.GY2, core::MapCorner::LowerRight, width,
                            (free->right - free->left) + 1));
  fs::remove_all(w.root);
}

TEST(ChartScaleBar, MenuEntryTogglesTheBarAndFollowsThePanel) {
  IslandWindow w("chart_scale_menu_");
  QAction* item = w.form->Command(QStringLiteral("ScaleBarItem"));
  auto* box = w.form->findChild<QCheckBox*>(QStringLiteral("ScaleBar"));
  ASSERT_TRUE(item && box);
  EXPECT_TRUE(item->isCheckable());
  EXPECT_FALSE(item->isChecked());
  item->trigger();
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(w.form->State().ScaleBar);
  w.form->ChartAt(1)->grab();
  EXPECT_TRUE(w.form->LastScaleBar());
  item->trigger();
  EXPECT_FALSE(box->isChecked());
  w.form->ChartAt(1)->grab();
  EXPECT_FALSE(w.form->LastScaleBar());
  box->setChecked(true);
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(w.dialogs->Calls().empty());
  fs::remove_all(w.root);
}

TEST(ChartScaleBar, SettingsKeysReadSafelyAndAreWrittenOnceUsed) {
  IslandWindow w("chart_scale_ini_");
  const fs::path ini = w.root / "s.ini";
  const struct {
    const char* lines;
    bool on;
    int corner;
  } cases[] = {{"ScaleBar=1\r\nScaleBarCorner=3\r\n", true, 3},
               {"ScaleBar=1\r\nScaleBarCorner=9\r\n", true, 0},
               {"ScaleBar=1\r\nScaleBarCorner=-1\r\n", true, 0},
               {"ScaleBar=2\r\nScaleBarCorner=x\r\n", false, 0},
               {"ScaleBar=on\r\n", false, 0},
               {"ScaleBar=0\r\nScaleBarCorner=2\r\n", false, 2}};
  int n = 0;
  for (const auto& c : cases) {
    // A name of its own each time: the one the panel shows already is not read again.
    const fs::path each = w.root / ("case" + std::to_string(++n) + ".ini");
    testsupport::WriteBytes(each, std::string("[Map]\r\n") + c.lines);
    w.form->OpenSettingsFile(Q(each));
    EXPECT_EQ(w.form->findChild<QCheckBox*>(QStringLiteral("ScaleBar"))->isChecked(), c.on)
        << c.lines;
    EXPECT_EQ(w.form->findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->currentIndex(),
              c.corner)
        << c.lines;
  }
  EXPECT_TRUE(w.dialogs->Calls().empty());

  auto keyOf = [&ini](const char* key) {
    return platform::IniFile::Load(Q(ini)).ReadString(
        QStringLiteral("Map"), QString::fromLatin1(key), QStringLiteral("-"));
  };
  testsupport::WriteBytes(ini, "[Map]\r\n");
  w.form->OpenSettingsFile(Q(ini));
  w.form->WriteIniFile();
  EXPECT_EQ(keyOf("ScaleBar"), QStringLiteral("-"));
  EXPECT_EQ(keyOf("ScaleBarCorner"), QStringLiteral("-"));
  w.form->findChild<QCheckBox*>(QStringLiteral("ScaleBar"))->setChecked(true);
  w.form->WriteIniFile();
  EXPECT_EQ(keyOf("ScaleBar"), QStringLiteral("1"));
  EXPECT_EQ(keyOf("ScaleBarCorner"), QStringLiteral("-"));
  // Switched off again: written as off, so the old line cannot bring it back.
  w.form->findChild<QCheckBox*>(QStringLiteral("ScaleBar"))->setChecked(false);
  w.form->WriteIniFile();
  EXPECT_EQ(keyOf("ScaleBar"), QStringLiteral("0"));
  fs::remove_all(w.root);
}

struct Outcome {
  int code;
  std::string err;
};

class ChartScaleBarExport : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("chart_scale_export_");
    testsupport::WriteBytes(m_root / "island.mdt", testsupport::kIslandMap);
    testsupport::WriteBytes(m_root / "a.grd", "Fagus\r\n35.0,136.0,1200\r\n");
  }
  void TearDown() override { fs::remove_all(m_root); }
  Outcome Run(const QStringList& sets, const char* out) const {
    QStringList args = {QStringLiteral("--set"),
                        QStringLiteral("DataFile.MapFile=") + Q(m_root / "island.mdt")};
    for (const QString& set : sets)
      args << QStringLiteral("--set") << set;
    args << QStringLiteral("--export") << Q(m_root / out) << Q(m_root / "a.grd");
    std::ostringstream o, e;
    const int code = RunExport(args, Q(m_root / "bin" / "Tarvo"), o, e);
    return {code, e.str()};
  }
  std::string Bytes(const char* name) const { return testsupport::ReadBytes(m_root / name); }

  fs::path m_root;
};

TEST_F(ChartScaleBarExport, OffWritesTheSameBytesAndOnAddsTheBarInItsCorner) {
  for (const char* format : {"png", "svg", "emf"}) {
    const std::string none = std::string("none.") + format;
    const std::string off = std::string("off.") + format;
    ASSERT_EQ(Run({}, none.c_str()).code, 0);
    ASSERT_EQ(Run({QStringLiteral("Map.ScaleBar=0")}, off.c_str()).code, 0);
    EXPECT_EQ(Bytes(off.c_str()), Bytes(none.c_str())) << format;
  }
  const Outcome on = Run({QStringLiteral("Map.ScaleBar=1")}, "on.svg");
  ASSERT_EQ(on.code, 0) << on.err;
  const std::string svg = Bytes("on.svg");
  EXPECT_NE(svg.find(">200 km<"), std::string::npos);
  EXPECT_EQ(Bytes("none.svg").find(" km<"), std::string::npos);

  ASSERT_EQ(Run({QStringLiteral("Map.ScaleBar=1")}, "on.png").code, 0);
  const QImage a(Q(m_root / "none.png"));
  const QImage b(Q(m_root / "on.png"));
  ASSERT_EQ(a.size(), b.size());
  QRect changed;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) == b.pixel(x, y)) continue;
      changed |= QRect(x, y, 1, 1);
    }
  }
  EXPECT_FALSE(changed.isEmpty());
  // One compact group: a bar, two ticks and a label, well under the map's size.
  EXPECT_LT(changed.width(), a.width() / 4);
  EXPECT_LT(changed.height(), a.height() / 10);
}

TEST_F(ChartScaleBarExport, ARangeTooSmallForTenKilometresIsToldAndStillWritten) {
  const Outcome o = Run({QStringLiteral("Map.ScaleBar=1"), QStringLiteral("Map.GX1=135.00"),
                         QStringLiteral("Map.GX2=135.03"), QStringLiteral("Map.GY1=35.00"),
                         QStringLiteral("Map.GY2=35.02")},
                        "small.png");
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("縮尺を描いていません"), std::string::npos) << o.err;
  EXPECT_TRUE(fs::exists(m_root / "small.png"));
}

}  // namespace
}  // namespace chart
