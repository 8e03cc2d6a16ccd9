#include "chart/ChartLayout.h"

#include <gtest/gtest.h>

#include <QString>

#include "chart/AxisLabel.h"
#include "chart/FigureLayout.h"
#include "chart/GridType.h"
#include "tests/chart/PanelDefaults.h"

namespace chart {
namespace {

TEST(LayoutCharts, MapOnlyFitsTheWindowWidthOrHeight) {
  LayoutInput in = PanelDefaults(1, 848, 600);
  ChartLayout layout = LayoutCharts(in, {});
  EXPECT_DOUBLE_EQ(layout.mapAspect, 16.0 / 18.0 * 1.2208);
  EXPECT_EQ(layout.rect[1], (ChartRect{0, 0, 848, 920}));
  EXPECT_EQ(layout.shown, (std::array<bool, 4>{false, true, false, false}));

  in.zoom = 2;
  EXPECT_EQ(LayoutCharts(in, {}).rect[1], (ChartRect{0, 0, 1696, 1840}));
  in.zoom = 1;
  in.fitToWidth = false;
  // 600 / 1.08516 = 552.9
  EXPECT_EQ(LayoutCharts(in, {}).rect[1], (ChartRect{0, 0, 553, 600}));
}

TEST(LayoutCharts, ThreeViewLinesTheProfilesUpWithTheMap) {
  // A square map: W = H = 600 (client width 800), band 150, map raised by 18.
  LayoutInput in = PanelDefaults(3, 800, 600);
  in.gx1 = 130;
  in.gx2 = 140;
  in.gy1 = 30;
  in.gy2 = 40;
  in.i2k = 1;
  const ChartLayout layout = LayoutCharts(in, {});
  EXPECT_EQ(layout.rect[1], (ChartRect{150, 132, 600, 600}));
  EXPECT_EQ(layout.rect[0], (ChartRect{0, 0, 150, 132}));
  EXPECT_EQ(layout.rect[2], (ChartRect{150, 0, 600, 150}));
  EXPECT_EQ(layout.rect[3], (ChartRect{0, 132, 150, 600}));
  EXPECT_EQ(layout.shown, (std::array<bool, 4>{true, true, true, true}));

  // A wide map takes its band from the width: W 600, H 300, P 150.
  in.gy2 = 35;
  EXPECT_EQ(LayoutCharts(in, {}).rect[2], (ChartRect{150, 0, 600, 150}));
  EXPECT_EQ(LayoutCharts(in, {}).rect[1], (ChartRect{150, 141, 600, 300}));
}

TEST(LayoutCharts, ProfilesOnlyStandInTheMapsRatio) {
  LayoutInput in = PanelDefaults(2, 820, 620);
  const ChartLayout layout = LayoutCharts(in, {});
  // Aspect 1.085 ≥ 1: the south–north profile takes the width, 800; the west–east 800 / aspect.
  EXPECT_EQ(layout.rect[2], (ChartRect{0, 0, 737, 290}));
  EXPECT_EQ(layout.rect[3], (ChartRect{0, 290, 800, 290}));

  // Fitting to the height keeps the widths the charts had.
  in.fitToWidth = false;
  const ChartLayout kept = LayoutCharts(in, layout);
  EXPECT_EQ(kept.rect[2].width, 737);
  EXPECT_EQ(kept.rect[3].width, 800);
}

TEST(LayoutCharts, ARangeWithoutSizeIsRefusedAndChangesNothing) {
  const struct {
    double gx2, gy2;
    const char* message;
  } cases[] = {
      {128, 46, "0 による浮動小数点数除算"},
      {128, 30, "不正な浮動小数点数演算命令"},
      {146, 30, "0 による浮動小数点数除算"},
  };
  for (const auto& c : cases) {
    LayoutInput in = PanelDefaults(3, 800, 600);
    in.gx2 = c.gx2;
    in.gy2 = c.gy2;
    try {
      LayoutCharts(in, {});
      ADD_FAILURE() << "no error for " << c.gx2 << ", " << c.gy2;
    } catch (const LayoutError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  LayoutInput reversed = PanelDefaults(1, 800, 600);
  reversed.gx1 = 146;
  reversed.gx2 = 128;
  EXPECT_THROW(LayoutCharts(reversed, {}), LayoutError);
  reversed = PanelDefaults(1, 800, 600);
  reversed.i2k = 0;
  EXPECT_THROW(LayoutCharts(reversed, {}), LayoutError);
}

struct Axes {
  platform::ChartAxis lon, lat, weLon, weAlt, snLat, snAlt;
  GridAxes Pointers() { return {&lon, &lat, &weLon, &weAlt, &snLat, &snAlt}; }
};

TEST(SetGridType, LinesTheRegionalMeshOfEachLevel) {
  const struct {
    int mesh;
    double gx2, gy2, gh2;
    double lon, lat, weLon, weAlt, snLat, snAlt;  // increments
    int lonMinor, weAltMinor;                     // minor tick counts
    bool lonGrid, lonMinorShown, weAltMinorShown;
  } cases[] = {
      {0, 146, 46, 3800, 1, 1, 1, 500, 2.0 / 3, 500, 3, 3, false, false, false},
      {1, 146, 46, 3800, 1, 2.0 / 3, 1, 1000, 2.0 / 3, 1000, 3, 1, true, false, true},
      {1, 146, 46, 2000, 1, 2.0 / 3, 1, 500, 2.0 / 3, 500, 3, 1, true, false, false},
      {2, 146, 46, 3800, 1, 2.0 / 3, 1, 1000, 2.0 / 3, 1000, 7, 1, true, true, true},
      // 2.5 degrees wide, 1.4 high: fine lines on the map, the west–east profile coarse.
      {2, 130.5, 31.4, 3800, 0.125, 1.0 / 12, 1, 1000, 1.0 / 12, 1000, 3, 1, true, false, true},
      {3, 146, 46, 3800, 0.125, 1.0 / 12, 0.125, 500, 1.0 / 12, 500, 9, 4, true, true, true},
  };
  for (const auto& c : cases) {
    Axes axes;
    GridInput in;
    in.meshSize = c.mesh;
    in.meshColor = 0x00FF00;
    in.gx1 = 128;
    in.gx2 = c.gx2;
    in.gy1 = 30;
    in.gy2 = c.gy2;
    in.gh2 = c.gh2;
    SetGridType(axes.Pointers(), in);
    const std::string what = "level " + std::to_string(c.mesh) + " gh2 " + std::to_string(c.gh2);
    EXPECT_DOUBLE_EQ(axes.lon.increment, c.lon) << what;
    EXPECT_DOUBLE_EQ(axes.lat.increment, c.lat) << what;
    EXPECT_DOUBLE_EQ(axes.weLon.increment, c.weLon) << what;
    EXPECT_DOUBLE_EQ(axes.weAlt.increment, c.weAlt) << what;
    EXPECT_DOUBLE_EQ(axes.snLat.increment, c.snLat) << what;
    EXPECT_DOUBLE_EQ(axes.snAlt.increment, c.snAlt) << what;
    EXPECT_EQ(axes.lon.minorTickCount, c.lonMinor) << what;
    EXPECT_EQ(axes.weAlt.minorTickCount, c.weAltMinor) << what;
    EXPECT_EQ(axes.lon.gridPen.visible, c.lonGrid) << what;
    EXPECT_EQ(axes.lon.minorGridPen.visible, c.lonMinorShown) << what;
    EXPECT_EQ(axes.weAlt.minorGridPen.visible, c.weAltMinorShown) << what;
    EXPECT_EQ(axes.lon.gridPen.color, 0x00FF00u) << what;
    EXPECT_FALSE(axes.lon.labelsAtEnds) << what;
  }
  // The increments 2/3 and 1/12 are the doubles nearest the fractions.
  EXPECT_EQ(kTwoThirds, 0.6666666666666666);
  EXPECT_EQ(kOneTwelfth, 0.08333333333333333);
}

TEST(SetGridType, WithoutMeshLinesARangeUnderADegreeIsTickedAtTheSecondOrderMesh) {
  Axes axes;
  GridInput in;
  in.gx1 = 135.2;
  in.gx2 = 135.8;
  in.gy1 = 35.1;
  in.gy2 = 35.5;
  in.gh2 = 3800;
  SetGridType(axes.Pointers(), in);
  EXPECT_DOUBLE_EQ(axes.lon.increment, 0.125);
  EXPECT_DOUBLE_EQ(axes.lat.increment, kOneTwelfth);
  EXPECT_DOUBLE_EQ(axes.weLon.increment, 0.125);
  EXPECT_DOUBLE_EQ(axes.snLat.increment, kOneTwelfth);
  EXPECT_FALSE(axes.lon.gridPen.visible);
  EXPECT_FALSE(axes.lat.minorGridPen.visible);
}

TEST(MeshLevelOf, NamesTheLevelOfALineSpacing) {
  const struct {
    double spacing;
    bool latitude;
    int level;
  } cases[] = {
      {1, false, 1},      {0.125, false, 2},      {0.0125, false, 3},
      {2.0 / 3, true, 1}, {kOneTwelfth, true, 2}, {1.0 / 120, true, 3},
      {0.2, false, 0},    {0.125, true, 0},       {1, true, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MeshLevelOf(c.spacing, c.latitude), c.level) << c.spacing << " " << c.latitude;
}

TEST(SetGridType, MapOnlyLeavesTheSouthNorthProfileAlone) {
  Axes axes;
  platform::ChartAxis untouched = axes.snLat;
  GridAxes pointers = axes.Pointers();
  pointers.snLatitude = nullptr;
  pointers.snAltitude = nullptr;
  GridInput in;
  in.meshSize = 3;
  in.gx2 = 1;
  in.gy2 = 1;
  SetGridType(pointers, in);
  EXPECT_EQ(axes.snLat.increment, untouched.increment);
}

TEST(RewriteDegreeLabel, LabelsOnlyWholeDegrees) {
  const struct {
    const char16_t* in;
    const char16_t* out;
    const char16_t* fine;  // on an axis under a degree
  } cases[] = {
      {u"134.5", u" ", u"134\uFF9F30'"},
      {u"135", u"135\uFF9F", u"135\uFF9F"},
      {u" 36", u"36\uFF9F", u"36\uFF9F"},
      {u"35.0", u"35\uFF9F", u"35\uFF9F"},
      {u"135.125", u" ", u"135\uFF9F07'30\""},
      {u"35.08333", u" ", u"35\uFF9F05'"},
      {u"134.99999", u" ", u"135\uFF9F"},  // a rounding error off a whole degree
      {u"1500m", u"1500m", u"1500m"},
      {u"", u"", u""},
      {u"abc", u"abc", u"abc"},
  };
  for (const auto& c : cases) {
    QString text = QString::fromUtf16(c.in);
    RewriteDegreeLabel(text);
    EXPECT_EQ(text, QString::fromUtf16(c.out)) << QString::fromUtf16(c.in).toStdString();
    text = QString::fromUtf16(c.in);
    RewriteDegreeLabel(text, true);
    EXPECT_EQ(text, QString::fromUtf16(c.fine)) << QString::fromUtf16(c.in).toStdString();
  }
  EXPECT_EQ(DegreeMinuteLabel(135.125, true), QStringLiteral("07'30\""));
  EXPECT_EQ(DegreeMinuteLabel(136, true), QStringLiteral("136\uFF9F"));
  EXPECT_EQ(DegreeMinuteLabel(35.75, true), QStringLiteral("45'"));
}

}  // namespace
}  // namespace chart

namespace chart {
namespace {

ChartRect Box(int left, int top, int right, int bottom) {
  return {left, top, right - left, bottom - top};
}

TEST(FigureLayoutOf, GivesTheWrittenFiguresWorkedSizes) {
  FigureLayout f = FigureLayoutOf(3, 1.5, 1);
  EXPECT_EQ(f.width, 1650);
  EXPECT_EQ(f.height, 2250);
  EXPECT_EQ(f.rect[1], Box(450, 450, 1650, 2250));
  EXPECT_EQ(f.rect[2], Box(450, 36, 1650, 486));
  EXPECT_EQ(f.rect[3], Box(0, 450, 450, 2250));
  EXPECT_EQ(f.rect[0], Box(0, 0, 450, 450));

  f = FigureLayoutOf(3, 0.8, 1);
  EXPECT_EQ(f.width, 1500);
  EXPECT_EQ(f.height, 1260);
  EXPECT_EQ(f.rect[1], Box(300, 300, 1500, 1260));
  EXPECT_EQ(f.rect[2], Box(300, 19, 1500, 319));
  EXPECT_EQ(f.rect[3], Box(0, 300, 300, 1260));

  f = FigureLayoutOf(3, 1.0, 1);
  EXPECT_EQ(f.width, 1500);
  EXPECT_EQ(f.height, 1500);

  f = FigureLayoutOf(2, 1.25, 1);
  EXPECT_EQ(f.rect[2], Box(0, 0, 1279, 299));
  EXPECT_EQ(f.rect[3], Box(0, 299, 1599, 599));
  f = FigureLayoutOf(2, 0.8, 1);
  EXPECT_EQ(f.rect[2].width, 1599);
  EXPECT_EQ(f.rect[3].width, 1279);

  f = FigureLayoutOf(1, 1.5, 2);
  EXPECT_EQ(f.width, 3200);
  EXPECT_EQ(f.height, 4800);
  EXPECT_EQ(f.rect[1], Box(0, 0, 3200, 4800));
  EXPECT_EQ(f.drawn, (std::array<bool, 4>{false, true, false, false}));

  // Enlarged, the three-view is scaled whole.
  f = FigureLayoutOf(3, 1.5, 2);
  EXPECT_EQ(f.width, 3300);
  EXPECT_EQ(f.rect[1], Box(900, 900, 3300, 4500));
}

}  // namespace
}  // namespace chart
