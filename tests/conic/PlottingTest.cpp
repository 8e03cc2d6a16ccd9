#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

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

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr WinColor kFill = 0x00AA00;
constexpr WinColor kRim = 0x0000FF;

bool AllPixels(const RasterLayer& layer, WinColor color) {
  for (int y = 0; y < layer.Height(); ++y) {
    for (int x = 0; x < layer.Width(); ++x) {
      if (layer.Pixel(x, y) != color) return false;
    }
  }
  return true;
}

TEST(DrawMarker, MarkersThatCannotReachTheLayerChangeNoPixel) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double x, y;
  } positions[] = {{1e12, 20},  {-1e12, 20},  {20, 1e12},   {20, -1e12},        {1e300, -1e300},
                   {-1e300, 5}, {kIntMax, 5}, {5, kIntMin}, {-2147483648.5, 5}, {inf, 5},
                   {5, -inf},   {nan, 5},     {5, nan},     {-2e9, 2e9}};
  for (const auto& p : positions) {
    for (int shape = kCircle; shape <= kDiagonalCross; ++shape) {
      for (const int size : {4, -5, 1 << 30, kIntMax, kIntMin}) {
        // Only where not even the true size of the marker would reach the layer.
        const double limit = 1.25 * std::abs(static_cast<double>(size)) + 50;
        if (std::abs(p.x) < limit && std::abs(p.y) < limit) continue;
        RasterLayer layer(40, 30);
        DrawMarker(layer, TMarkStyle{shape, size, kFill, kRim}, p.x, p.y);
        ASSERT_TRUE(AllPixels(layer, kWhite))
            << "shape " << shape << " size " << size << " at " << p.x << "," << p.y;
      }
    }
  }
}

TEST(DrawMarker, AMarkerLargerThanTheLayerDrawsAsOneJustCoveringIt) {
  // On a 40 x 30 layer a marker of size 120 centred on it reaches past every edge in every
  // shape; any larger size, up to the int limits, must paint exactly the same.
  const struct { double x, y; } centres[] = {{0, 0}, {20.5, 14.5}, {39.4, 29.4}, {3, 27}};
  for (const auto& c : centres) {
    for (int shape = kCircle; shape <= kDiagonalCross; ++shape) {
      for (const int sign : {1, -1}) {
        RasterLayer reference(40, 30);
        DrawMarker(reference, TMarkStyle{shape, sign * 120, kFill, kRim}, c.x, c.y);
        for (const int size : {1000, 1 << 30, kIntMax}) {
          RasterLayer layer(40, 30);
          DrawMarker(layer, TMarkStyle{shape, sign * size, kFill, kRim}, c.x, c.y);
          EXPECT_EQ(layer.Image(), reference.Image())
              << "shape " << shape << " size " << sign * size << " at " << c.x << "," << c.y;
        }
        if (sign == -1) {
          RasterLayer layer(40, 30);
          DrawMarker(layer, TMarkStyle{shape, kIntMin, kFill, kRim}, c.x, c.y);
          EXPECT_EQ(layer.Image(), reference.Image()) << "shape " << shape << " INT_MIN";
        }
      }
      // What that is: filled shapes cover the layer; crosses draw their two bars across it.
      RasterLayer layer(40, 30);
      DrawMarker(layer, TMarkStyle{shape, kIntMax, kFill, kRim}, c.x, c.y);
      EXPECT_EQ(AllPixels(layer, kFill), shape <= kDiamond) << shape;
    }
  }
}

TEST(DrawMarker, MarkersAtTheEdgeDrawTheirVisiblePart) {
  // The part of a marker inside the layer is what the same marker paints there on a larger
  // layer. Triangles and diamonds are filled from their centre, so theirs stays on the layer.
  constexpr int kPad = 80;
  const double coords[] = {-30, -8.5, -4, -1, 0, 2.5, 20, 28, 29.5, 31, 36, 61};
  for (int shape = kCircle; shape <= kDiagonalCross; ++shape) {
    for (const int size : {-5, 0, 3, 4, 7, 25}) {
      for (const double x : coords) {
        for (const double y : coords) {
          const int px = core::RoundHalfEven(x);
          const int py = core::RoundHalfEven(y);
          const bool centreOn = px >= 0 && px < 40 && py >= 0 && py < 30;
          if ((shape == kTriangle || shape == kDiamond) && !centreOn) continue;
          RasterLayer small(40, 30);
          RasterLayer large(40 + 2 * kPad, 30 + 2 * kPad);
          const TMarkStyle style{shape, size, kFill, kRim};
          DrawMarker(small, style, x, y);
          DrawMarker(large, style, x + kPad, y + kPad);
          ASSERT_EQ(small.Image(), large.Image().copy(kPad, kPad, 40, 30))
              << "shape " << shape << " size " << size << " at " << x << "," << y;
        }
      }
    }
  }
}

struct Figure {
  Geometry geometry;
  RasterLayer layer{800, 1131};
  Figure() { geometry.ReplaceMaps(800, 3); }
};

// A circle from size 2 on needs no border fill after its ellipse: over a layer cluttered
// with the rim colour, the fill colour and others, it paints what ellipse and fill paint.
TEST(DrawMarker, CirclesPaintWhatTheirEllipseAndFillWould) {
  const WinColor clutter[] = {kRim, kFill, kWhite, kRed, 0x808080};
  std::uint32_t state = 7;
  for (int size = 1; size <= 24; ++size) {
    for (const double cx : {30.0, 30.5, 2.0, 58.0}) {
      RasterLayer drawn(60, 60);
      for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 60; ++x) {
          state = state * 1664525u + 1013904223u;
          const WinColor colour = clutter[(state >> 16) % std::size(clutter)];
          drawn.SetPen({colour, 1, platform::PenStyle::Solid, platform::PenMode::Copy});
          drawn.MoveTo(x, y);
          drawn.LineTo(x + 1, y);
        }
      }
      RasterLayer expected = drawn;
      DrawMarker(drawn, TMarkStyle{kCircle, size, kFill, kRim}, cx, 30);
      const int x = core::RoundHalfEven(cx);
      expected.SetPen({kRim, 1, platform::PenStyle::Solid, platform::PenMode::Copy});
      expected.SetBrushColor(kFill);
      expected.Ellipse(x - size, 30 - size, x + size, 30 + size);
      const int reach = core::RoundHalfEven(1.25 * size) + 1;
      expected.FloodFill(x, 30, kRim, kFill,
                         QRect(QPoint(x - reach, 30 - reach), QPoint(x + reach, 30 + reach)));
      EXPECT_TRUE(drawn.Image() == expected.Image()) << "size " << size << " at " << cx;
    }
  }
}

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

TEST(Plotting, AltitudesBelowTheBaseSitOnTheBaseLine) {
  const TMarkStyle style{kSquare, 2, kRed, 0};
  Figure base;
  PlottingV(base.layer, base.geometry, style, 139.5, 35.5, 0);
  const double inf = std::numeric_limits<double>::infinity();
  for (const double alt : {-0.4, -5.0, -100.0, -3800.0, -1e12, -1e300, -inf}) {
    Figure f;
    PlottingV(f.layer, f.geometry, style, 139.5, 35.5, alt);
    EXPECT_EQ(f.layer.Image(), base.layer.Image()) << alt;
  }
  for (const double alt : {3800.5, 1e12, inf, std::numeric_limits<double>::quiet_NaN()}) {
    Figure f;
    PlottingV(f.layer, f.geometry, style, 139.5, 35.5, alt);
    EXPECT_TRUE(AllPixels(f.layer, kWhite)) << alt;
  }
}

TEST(Plotting, WildCoordinatesDrawNothing) {
  const TMarkStyle style{kCircle, 4, kRed, 0};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double lon, lat;
  } points[] = {{1e12, 35}, {-1e12, 35}, {139, 1e12},     {139, -1e12}, {1e300, 1e300},
                {139, 91},  {139, -95},  {139 + 360, 35}, {nan, 35},    {139, nan}};
  for (const auto& p : points) {
    Figure f;
    PlottingH(f.layer, f.geometry, style, p.lon, p.lat);
    EXPECT_TRUE(AllPixels(f.layer, kWhite)) << p.lon << "," << p.lat;
    if (std::abs(p.lon) > 1e3 && std::abs(p.lat) > 1e3) {
      PlottingV(f.layer, f.geometry, style, p.lon, p.lat, 1000);
      EXPECT_TRUE(AllPixels(f.layer, kWhite)) << p.lon << "," << p.lat;
    }
  }
  // One coordinate far off leaves the marker on the other profile alone.
  Figure f;
  PlottingV(f.layer, f.geometry, style, 1e12, 35.5, 1000);
  const SheetLayout& l = f.geometry.Layout();
  const int weY = core::RoundHalfEven(1000 * l.altScale + l.weBase);
  const int snY = core::RoundHalfEven(1000 * l.altScale + l.snBase);
  const int snX = core::RoundHalfEven((35.5 - 24) * l.latScale + l.profLeft);
  EXPECT_EQ(f.layer.Pixel(snX, snY), kRed);
  for (int x = 0; x < f.layer.Width(); ++x)
    EXPECT_EQ(f.layer.Pixel(x, weY), kWhite) << x;
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
