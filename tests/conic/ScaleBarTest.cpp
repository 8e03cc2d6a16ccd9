#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "conic/BaseMap.h"
#include "conic/Export.h"
#include "conic/ScaleBar.h"
#include "conic/TForm1.h"
#include "platform/text/IniFile.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using platform::DialogKind;
using platform::ScriptedDialogs;
using testsupport::Q;
using testsupport::ReadBytes;
namespace fs = std::filesystem;

constexpr MapCorner kCorners[] = {MapCorner::LowerRight, MapCorner::LowerLeft,
                                  MapCorner::UpperRight, MapCorner::UpperLeft};

// Kilometres of a degree of longitude at `lat` on the projection's sphere.
double KmPerDegreeLon(double lat) {
  return kEarthRadius * kKmPerMapUnit * std::numbers::pi / 180 *
         std::cos(lat * std::numbers::pi / 180);
}

// Pixels between two points `km` apart along the parallel at `lat`, as projected.
double ProjectedPixels(const Geometry& g, double lat, double km) {
  const double lon = 135;
  const MapPoint a = g.LambertXY(lon, lat);
  const MapPoint b = g.LambertXY(lon + km / KmPerDegreeLon(lat), lat);
  return std::hypot(b.x - a.x, b.y - a.y) * g.Layout().hMapScale;
}

platform::RasterLayer LayerWithFont(int width, int pixelSize) {
  platform::RasterLayer layer(width, 10);
  QFont font(QStringLiteral("Cambria"));
  font.setPixelSize(pixelSize);
  layer.SetFont(font, platform::kBlack);
  return layer;
}

TEST(ScaleBarGeometry, InverseProjectionAndScaleOfTheConicMap) {
  Geometry g;
  g.ReplaceMaps(800, 3);
  for (const double lat : {20.0, 24.0, 30.5, 35.0, 46.0, 48.0}) {
    for (const double lon : {122.0, 135.0, 149.0})
      EXPECT_NEAR(LatitudeOf(g, g.LambertXY(lon, lat)), lat, 1e-9) << lon << " " << lat;
  }
  // True to scale on the standard parallels, shrunk between them, stretched outside.
  EXPECT_NEAR(ParallelScale(g, 24), 1.0, 1e-12);
  EXPECT_NEAR(ParallelScale(g, 46), 1.0, 1e-12);
  EXPECT_NEAR(ParallelScale(g, 35), 0.98, 0.005);
  EXPECT_GT(ParallelScale(g, 22), 1.0);
}

TEST(ScaleBarGeometry, BarIsTheProjectedLengthAndARoundShareOfTheMap) {
  for (const int width : {400, 800, 1240, 3500}) {
    Geometry g;
    g.ReplaceMaps(width, 3);
    const SheetLayout& l = g.Layout();
    const platform::RasterLayer layer = LayerWithFont(width, 13);
    for (const MapCorner corner : kCorners) {
      SCOPED_TRACE(testing::Message() << width << " corner " << static_cast<int>(corner));
      const auto plan = PlanScaleBar(g, corner, layer);
      ASSERT_TRUE(plan);
      const double length = plan->right - plan->left;
      EXPECT_NEAR(length, ProjectedPixels(g, plan->lat, plan->km), 1.0);
      // The latitude is where the bar stands, within a kilometre.
      const double rowLat =
          LatitudeOf(g, {122 + ((plan->left + plan->right) / 2 - l.hMapLeft) / l.hMapScale,
                         24 + (l.hMapBase - plan->y) / l.hMapScale});
      EXPECT_NEAR(plan->lat, rowLat, 0.01);
      const double mapWidth = l.hMapRight - l.hMapLeft;
      EXPECT_LE(length, mapWidth / 4);
      const int next = plan->km == 10 ? 20 : plan->km == 20 ? 50 : plan->km * 2;
      if (plan->km < 200) {
        EXPECT_GT(next * PixelsPerKm(g, plan->lat), mapWidth / 4);
      }
      EXPECT_GE(plan->box.left(), l.hMapLeft);
      EXPECT_LE(plan->box.right(), l.hMapRight);
      EXPECT_LE(plan->box.bottom(), l.hMapBase);
      const bool lower = corner == MapCorner::LowerRight || corner == MapCorner::LowerLeft;
      const bool right = corner == MapCorner::LowerRight || corner == MapCorner::UpperRight;
      EXPECT_EQ(plan->y > (l.hMapBase + l.titleY) / 2, lower);
      EXPECT_EQ(plan->left > (l.hMapLeft + l.hMapRight) / 2, right);
    }
  }
}

TEST(ScaleBarGeometry, NoBarWhenItsLabelOutgrowsTheMap) {
  Geometry g;
  g.ReplaceMaps(400, 3);
  EXPECT_TRUE(PlanScaleBar(g, MapCorner::LowerRight, LayerWithFont(400, 13)));
  // A label font this tall leaves a 200 km bar shorter than one of its lines.
  EXPECT_FALSE(PlanScaleBar(g, MapCorner::LowerRight, LayerWithFont(400, 40)));
  // Before the first three-view layout there is no map to measure.
  EXPECT_FALSE(PlanScaleBar(Geometry{}, MapCorner::LowerRight, LayerWithFont(400, 13)));
}

TEST(ScaleBarGeometry, CornerCodesOutsideTheListAreTheLowerRight) {
  const struct {
    int code;
    MapCorner corner;
  } cases[] = {{0, MapCorner::LowerRight}, {1, MapCorner::LowerLeft},  {2, MapCorner::UpperRight},
               {3, MapCorner::UpperLeft},  {4, MapCorner::LowerRight}, {-1, MapCorner::LowerRight}};
  for (const auto& c : cases)
    EXPECT_EQ(MapCornerOf(c.code), c.corner) << c.code;
}

// The window and the scripted export with a one-island map and two records.
class ScaleBarTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("conic_scale_");
    Write("island.mdt", testsupport::kIslandMap);
    Write("a.grd", "Fagus\r\n35.0,136.0,1200\r\n53394611\r\n");
  }
  void TearDown() override {
    m_form.reset();
    fs::remove_all(m_root);
  }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(m_root / name, std::ios::binary) << bytes;
  }
  std::string Settings(const std::string& map, const std::string& font = "") const {
    return "[DataFile]\r\nMapFile=" + (m_root / "island.mdt").string() +
           "\r\nGrdFile=" + (m_root / "a.grd").string() + "\r\n[Map]\r\n" + map + font;
  }
  TForm1& Open(const std::string& settings) {
    Write("s.ini", settings);
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_form = std::make_unique<TForm1>(QStringList{Q(m_root / "s.ini")}, std::move(dialogs),
                                      Q(m_root / "bin" / "Tarvo_L"));
    m_form->SetFixedWindowWidth(400);
    return *m_form;
  }
  // Every pixel of the bar's line and of its end ticks is black on `image`.
  static bool BarDrawn(const QImage& image, const ScaleBarPlan& plan) {
    const int x0 = static_cast<int>(std::lround(plan.left));
    const int x1 = static_cast<int>(std::lround(plan.right));
    const int y = static_cast<int>(std::lround(plan.y));
    auto black = [&image](int x, int yy) { return (image.pixel(x, yy) & 0xFFFFFF) == 0; };
    for (int x = x0; x <= x1; ++x) {
      if (!black(x, y)) return false;
    }
    for (int t = 0; t <= plan.tick; ++t) {
      if (!black(x0, y - t) || !black(x1, y - t)) return false;
    }
    return true;
  }
  int Run(const QStringList& args, std::string* err = nullptr) const {
    std::ostringstream out, errors;
    const int code = RunExport(args, Q(m_root / "bin" / "Tarvo_L"), out, errors);
    if (err) *err = errors.str();
    return code;
  }

  fs::path m_root;
  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TForm1> m_form;
};

TEST_F(ScaleBarTest, WindowDrawsTheBarInTheChosenCornerAndPrintsItEnlarged) {
  for (const int code : {0, 1, 2, 3}) {
    SCOPED_TRACE(code);
    TForm1& f = Open(Settings("ScaleBar=1\r\nScaleBarCorner=" + std::to_string(code) + "\r\n"));
    EXPECT_EQ(f.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->currentIndex(), code);
    f.DrawMap(true);
    const auto plan = PlanScaleBar(f.GetGeometry(), MapCornerOf(code), f.CanvasM());
    ASSERT_TRUE(plan);
    EXPECT_EQ(f.ScaleBarBox(), plan->box);
    EXPECT_TRUE(BarDrawn(f.CanvasM().Image(), *plan));
    EXPECT_TRUE(BarDrawn(f.ComposeFigure(), *plan));
    EXPECT_TRUE(m_dialogs->Calls().empty());

    // The printed sheet draws it anew at its own width, the label font enlarged with it.
    const QImage printed = f.FigureAtWidth(800);
    Geometry sheet;
    sheet.ReplaceMaps(800, 3);
    platform::RasterLayer scaled(800, 10);
    QFont font = f.CanvasM().Font();
    if (font.pixelSize() > 0) {
      font.setPixelSize(font.pixelSize() * 2);
    } else {
      font.setPointSizeF(font.pointSizeF() * 2);
    }
    scaled.SetFont(font, platform::kBlack);
    const auto big = PlanScaleBar(sheet, MapCornerOf(code), scaled);
    ASSERT_TRUE(big);
    EXPECT_TRUE(BarDrawn(printed, *big));
  }
}

TEST_F(ScaleBarTest, BarOffLeavesEveryFigureAsWithoutTheKey) {
  TForm1& plain = Open(Settings(""));
  plain.DrawMap(true);
  const QImage before = plain.ComposeFigure();
  const QImage printedBefore = plain.FigureAtWidth(600);
  for (const char* off : {"ScaleBar=0\r\nScaleBarCorner=2\r\n", "ScaleBar=yes\r\n",
                          "ScaleBar=2\r\n", "ScaleBar=-1\r\n"}) {
    TForm1& f = Open(Settings(off));
    EXPECT_FALSE(f.findChild<QCheckBox*>(QStringLiteral("WithScale"))->isChecked()) << off;
    f.DrawMap(true);
    EXPECT_TRUE(f.ComposeFigure() == before) << off;
    EXPECT_TRUE(f.FigureAtWidth(600) == printedBefore) << off;
    EXPECT_TRUE(f.ScaleBarBox().isEmpty());
  }
  TForm1& on = Open(Settings("ScaleBar=1\r\n"));
  on.DrawMap(true);
  EXPECT_FALSE(on.ComposeFigure() == before);
}

TEST_F(ScaleBarTest, ExportWithTheBarDiffersOnlyWhereTheBarStands) {
  Write("s.ini", Settings(""));
  const QString settings = Q(m_root / "s.ini");
  const struct {
    const char* name;
    QStringList sets;
  } runs[] = {{"none.png", {}},
              {"off.png", {QStringLiteral("--set"), QStringLiteral("Map.ScaleBar=0")}},
              {"on.png", {QStringLiteral("--set"), QStringLiteral("Map.ScaleBar=1")}}};
  for (const auto& r : runs) {
    std::string err;
    EXPECT_EQ(
        Run(QStringList{settings} << r.sets << QStringLiteral("--export") << Q(m_root / r.name),
            &err),
        0)
        << err;
  }
  EXPECT_EQ(ReadBytes(m_root / "off.png"), ReadBytes(m_root / "none.png"));
  const QImage none(Q(m_root / "none.png"));
  const QImage on(Q(m_root / "on.png"));
  ASSERT_EQ(on.size(), none.size());
  Geometry g;
  g.ReplaceMaps(on.width(), 3);
  const double mid = (g.Layout().hMapLeft + g.Layout().hMapRight) / 2;
  // The lower right corner of the map, the default one.
  int inCorner = 0;
  int elsewhere = 0;
  for (int y = 0; y < on.height(); ++y) {
    for (int x = 0; x < on.width(); ++x) {
      if (on.pixel(x, y) == none.pixel(x, y)) continue;
      ++(x > mid && y > g.Layout().hMapBase - 0.2 * on.width() ? inCorner : elsewhere);
    }
  }
  EXPECT_GT(inCorner, 50);
  EXPECT_EQ(elsewhere, 0);
}

TEST_F(ScaleBarTest, ABarThatCannotBeReadIsLeftOutAndTold) {
  TForm1& f = Open(Settings("ScaleBar=1\r\n", "[Font]\r\nFontSize=60\r\n"));
  f.DrawMap(true);
  EXPECT_TRUE(f.ScaleBarBox().isEmpty());
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].kind, DialogKind::Message);
  EXPECT_TRUE(m_dialogs->Calls()[0].message.contains(QStringLiteral("縮尺は描かれていません")))
      << m_dialogs->Calls()[0].message.toStdString();
  EXPECT_TRUE(f.StatusText(10).contains(QStringLiteral("縮尺なし")));

  // The scripted export writes the figure, tells what it lacks and says so in its status.
  std::string err;
  EXPECT_EQ(Run({Q(m_root / "s.ini"), QStringLiteral("--export"), Q(m_root / "big.png")}, &err), 1);
  EXPECT_NE(err.find("縮尺は描かれていません"), std::string::npos) << err;
  EXPECT_TRUE(fs::exists(m_root / "big.png"));
}

TEST_F(ScaleBarTest, ALegendOverTheBarIsTold) {
  // The legend stands at the upper left of the map; the bar in that corner is whitened
  // with the legend's box.
  TForm1& f = Open(Settings("ScaleBar=1\r\nScaleBarCorner=3\r\n", "[Legend]\r\nShowLegend=1\r\n"));
  f.DrawMap(true);
  ASSERT_TRUE(f.ScaleBarBox().intersects(f.LegendBox()));
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_TRUE(m_dialogs->Calls()[0].message.contains(QStringLiteral("縮尺が凡例に重なって")));
  // In its own corner nothing is said.
  TForm1& clear = Open(Settings("ScaleBar=1\r\n", "[Legend]\r\nShowLegend=1\r\n"));
  clear.DrawMap(true);
  EXPECT_FALSE(clear.ScaleBarBox().intersects(clear.LegendBox()));
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(ScaleBarTest, MenuTogglesTheBarAndItsTickFollowsThePanel) {
  TForm1& f = Open(Settings(""));
  auto* item = f.findChild<QAction*>(QStringLiteral("ScaleBarItem"));
  auto* box = f.findChild<QCheckBox*>(QStringLiteral("WithScale"));
  ASSERT_TRUE(item && box);
  EXPECT_TRUE(item->isCheckable());
  EXPECT_FALSE(item->isChecked());
  item->trigger();
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(item->isChecked());
  EXPECT_FALSE(f.ScaleBarBox().isEmpty());
  item->trigger();
  EXPECT_FALSE(box->isChecked());
  EXPECT_FALSE(item->isChecked());
  EXPECT_TRUE(f.ScaleBarBox().isEmpty());
  box->setChecked(true);
  EXPECT_TRUE(item->isChecked());
}

TEST_F(ScaleBarTest, KeysAreWrittenOnceUsedAndOffIsWrittenOverOn) {
  TForm1& f = Open(Settings(""));
  auto written = [this] { return platform::IniFile::Load(Q(m_root / "s.ini")); };
  auto has = [](const platform::IniFile& ini, const char* key) {
    return ini.ReadString(QStringLiteral("Map"), QString::fromLatin1(key), QStringLiteral("-")) !=
           QStringLiteral("-");
  };
  f.WriteIniFile();
  EXPECT_FALSE(has(written(), "ScaleBar"));
  EXPECT_FALSE(has(written(), "ScaleBarCorner"));

  f.findChild<QCheckBox*>(QStringLiteral("WithScale"))->setChecked(true);
  f.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->setCurrentIndex(3);
  f.WriteIniFile();
  EXPECT_EQ(written().ReadInteger(QStringLiteral("Map"), QStringLiteral("ScaleBar"), -1), 1);
  EXPECT_EQ(written().ReadInteger(QStringLiteral("Map"), QStringLiteral("ScaleBarCorner"), -1), 3);

  // Back to the defaults: the old lines must not switch the bar on at the next start.
  f.findChild<QCheckBox*>(QStringLiteral("WithScale"))->setChecked(false);
  f.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->setCurrentIndex(0);
  f.WriteIniFile();
  EXPECT_EQ(written().ReadInteger(QStringLiteral("Map"), QStringLiteral("ScaleBar"), -1), 0);
  EXPECT_EQ(written().ReadInteger(QStringLiteral("Map"), QStringLiteral("ScaleBarCorner"), -1), 0);
}

TEST_F(ScaleBarTest, CornerOutOfRangeFallsBackToTheLowerRight) {
  for (const char* corner :
       {"ScaleBarCorner=7\r\n", "ScaleBarCorner=-2\r\n", "ScaleBarCorner=x\r\n"}) {
    TForm1& f = Open(Settings(std::string("ScaleBar=1\r\n") + corner));
    EXPECT_EQ(f.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->currentIndex(), 0) << corner;
    EXPECT_TRUE(m_dialogs->Calls().empty());
  }
}

}  // namespace
}  // namespace conic
