#include <gtest/gtest.h>

#include "conic/Plotting.h"
#include "core/Rounding.h"

namespace conic {
namespace {

using platform::RasterLayer;

constexpr WinColor kRed = 0x0000FF;
constexpr WinColor kWhite = platform::kWhite;

struct Px {
  int x, y;
  char expect;  // 'f' fill colour, 'r' rim colour, 'w' white
};

TEST(DrawMarker, DrawsEachShapeAtItsPixels) {
  // Centre (30, 30), size 4: boxes run from 26 to 33, lines exclude their end points.
  const struct {
    int shape;
    std::vector<Px> pixels;
  } cases[] = {
      {kCircle, {{30, 30, 'f'}, {35, 30, 'w'}, {30, 35, 'w'}, {31, 31, 'f'}}},
      {kSquare,
       {{30, 30, 'f'},
        {26, 30, 'r'},
        {33, 30, 'r'},
        {30, 26, 'r'},
        {30, 33, 'r'},
        {34, 30, 'w'},
        {30, 34, 'w'},
        {27, 27, 'f'}}},
      {kTriangle, {{30, 25, 'r'}, {30, 33, 'r'}, {30, 30, 'f'}, {30, 24, 'w'}, {30, 34, 'w'}}},
      {kDiamond,
       {{30, 26, 'r'},
        {34, 30, 'r'},
        {30, 34, 'r'},
        {26, 30, 'r'},
        {30, 30, 'f'},
        {35, 30, 'w'},
        {27, 27, 'w'}}},
      {kUprightCross, {{30, 27, 'r'}, {27, 30, 'r'}, {28, 28, 'w'}, {33, 33, 'w'}}},
      {kDiagonalCross, {{28, 28, 'r'}, {32, 28, 'r'}, {30, 26, 'w'}, {26, 30, 'w'}}},
  };
  for (const bool rim : {true, false}) {
    for (const auto& c : cases) {
      RasterLayer layer(60, 60);
      layer.SetBrushColor(0x00AA00);
      const TMarkStyle style{c.shape, 4, kRed, rim ? 0u : kRed};
      DrawMarker(layer, style, 30, 30);
      EXPECT_EQ(layer.BrushColor(), 0x00AA00u) << c.shape;  // the caller's brush is kept
      for (const Px& p : c.pixels) {
        const WinColor want = p.expect == 'w' ? kWhite : p.expect == 'r' ? style.rimColor : kRed;
        EXPECT_EQ(layer.Pixel(p.x, p.y), want)
            << "shape " << c.shape << " rim " << rim << " at " << p.x << "," << p.y;
      }
      EXPECT_EQ(layer.Pixel(2, 2), kWhite) << "shape " << c.shape;
    }
  }
}

TEST(DrawMarker, ShapesThatDrawNothingAndSizeZero) {
  for (const int shape : {0, 7, 8, -1, 99}) {
    RasterLayer layer(20, 20);
    DrawMarker(layer, TMarkStyle{shape, 4, kRed, 0}, 10, 10);
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(layer.Pixel(x, y), kWhite) << shape;
    }
  }
  // A filled shape of size 0 has no inside; its fill must not flood the layer.
  for (const int shape : {kCircle, kSquare, kTriangle, kDiamond}) {
    for (const int size : {0, 1}) {
      RasterLayer layer(40, 40);
      DrawMarker(layer, TMarkStyle{shape, size, kRed, 0}, 20, 20);
      int changed = 0;
      for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x)
          changed += layer.Pixel(x, y) != kWhite ? 1 : 0;
      }
      EXPECT_LE(changed, 9) << "shape " << shape << " size " << size;
    }
  }
}

TEST(DrawMarker, RoundsItsCentreHalfToEven) {
  RasterLayer a(40, 40);
  RasterLayer b(40, 40);
  DrawMarker(a, TMarkStyle{kSquare, 3, kRed, 0}, 20.5, 21.5);
  DrawMarker(b, TMarkStyle{kSquare, 3, kRed, 0}, 20, 22);
  EXPECT_EQ(a.Image(), b.Image());
}

struct Figure {
  Geometry geometry;
  RasterLayer layer{800, 1131};
  Figure() { geometry.ReplaceMaps(800, 3); }
};

TEST(Plotting, PlacesRecordsOnTheMapAndBothProfiles) {
  Figure f;
  const TMarkStyle style{kSquare, 2, kRed, 0};
  PlottingH(f.layer, f.geometry, style, 139.76875, 35.679166);
  const MapPoint p = f.geometry.LambertXY(139.76875, 35.679166);
  EXPECT_EQ(f.layer.Pixel(f.geometry.HMGraphPosX(p.x), f.geometry.HMGraphPosY(p.y)), kRed);

  const SheetLayout& l = f.geometry.Layout();
  const auto we = [&](double lon, double alt) {
    return f.layer.Pixel(core::RoundHalfEven((lon - 122) * l.lonScale + l.profLeft),
                         core::RoundHalfEven(alt * l.altScale + l.weBase));
  };
  const auto sn = [&](double lat, double alt) {
    return f.layer.Pixel(core::RoundHalfEven((lat - 24) * l.latScale + l.profLeft),
                         core::RoundHalfEven(alt * l.altScale + l.snBase));
  };
  PlottingV(f.layer, f.geometry, style, 139.76875, 35.679166, 1250);
  EXPECT_EQ(we(139.76875, 1250), kRed);
  EXPECT_EQ(sn(35.679166, 1250), kRed);
  // Exactly at the top is drawn; above it, and without altitude, nothing.
  PlottingV(f.layer, f.geometry, style, 130, 30, 3800);
  EXPECT_EQ(we(130, 3800), kRed);
  PlottingV(f.layer, f.geometry, style, 131, 31, 3850);
  PlottingV(f.layer, f.geometry, style, 132, 32, 8888);
  EXPECT_EQ(we(131, 3850), kWhite);
  EXPECT_EQ(sn(32, 3800), kWhite);
}

TEST(DrawLegend, BoxGrowsByARowPerCategoryAndOneForTheHeading) {
  for (const bool heading : {true, false}) {
    for (const bool framed : {true, false}) {
      Figure f;
      LegendSpec legend;
      legend.font = QFont(QStringLiteral("DejaVu Sans"));
      legend.font.setPointSize(12);
      legend.showHeading = heading;
      legend.heading = QStringLiteral("ZoSample");
      legend.framed = framed;
      legend.landColor = 14285311;
      legend.oceanColor = 16775899;
      legend.titles = {QStringLiteral("ブナ"), QStringLiteral("ハイマツ（高山帯）")};
      legend.styles = DefaultMarkStyles();
      const QRect box = DrawLegend(f.layer, f.geometry, legend);

      f.layer.SetFont(legend.font, 0);
      const int h = (f.layer.TextExtent(legend.heading).height() / 2) * 3;
      int w = heading ? f.layer.TextExtent(legend.heading).width() : 0;
      for (const QString& t : legend.titles)
        w = std::max(w, f.layer.TextExtent(t).width());
      const int x0 = 112;  // 0.14 W
      const int y0 = 443;  // 0.5 x 0.16 W + 0.474 W, rounded
      EXPECT_EQ(box.left(), x0 - h);
      EXPECT_EQ(box.top(), y0 - h);
      EXPECT_EQ(box.right() + 1, x0 + w + 2 * h);
      EXPECT_EQ(box.height(), (heading ? 4 : 3) * h);
      EXPECT_EQ(f.layer.Pixel(box.left(), box.center().y()), framed ? 0u : legend.oceanColor);
      EXPECT_EQ(f.layer.Pixel(box.left() + 2, box.top() + 2),
                framed ? legend.landColor : legend.oceanColor);
      // Category 1's marker sits in the first row below the heading, or where it would be.
      const int row1 = heading ? y0 + h : y0;
      EXPECT_EQ(f.layer.Pixel(x0 + 6, row1), legend.styles[0].fillColor);
      EXPECT_EQ(f.layer.Pixel(x0 + 6, row1 + h), legend.styles[1].fillColor);
    }
  }
}

}  // namespace
}  // namespace conic
