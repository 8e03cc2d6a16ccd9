#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/raster/LayerView.h"
#include "platform/raster/RasterLayer.h"

namespace platform {
namespace {

constexpr WinColor kRed = 0x0000FF;
constexpr WinColor kGreen = 0x00FF00;
constexpr WinColor kBlue = 0xFF0000;
constexpr WinColor kLand = 14285311;
constexpr WinColor kGrey = 8421504;

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const RasterLayer& layer, WinColor color) {
  Pixels out;
  for (int y = 0; y < layer.Height(); ++y) {
    for (int x = 0; x < layer.Width(); ++x) {
      if (layer.Pixel(x, y) == color) out.insert({x, y});
    }
  }
  return out;
}

Pixels PixelsIn(const QRect& rect) {
  Pixels out;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x)
      out.insert({x, y});
  }
  return out;
}

Pixels Diagonal(int n) {
  Pixels out;
  for (int i = 0; i < n; ++i)
    out.insert({i, i});
  return out;
}

// Black '#', red 'o', white '.', anything else '?'.
std::vector<std::string> Picture(const RasterLayer& layer) {
  std::vector<std::string> rows;
  for (int y = 0; y < layer.Height(); ++y) {
    std::string row;
    for (int x = 0; x < layer.Width(); ++x) {
      const WinColor c = layer.Pixel(x, y);
      row += c == kBlack ? '#' : c == kRed ? 'o' : c == kWhite ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

// The bounding box of the pixels that are not white.
QRect InkedBox(const RasterLayer& layer) {
  QRect box;
  for (int y = 0; y < layer.Height(); ++y) {
    for (int x = 0; x < layer.Width(); ++x) {
      if (layer.Pixel(x, y) != kWhite) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

TEST(RasterColor, ConvertsBetweenChannelOrders) {
  EXPECT_EQ(ToQRgb(kRed), qRgb(255, 0, 0));
  EXPECT_EQ(ToQRgb(kBlue), qRgb(0, 0, 255));
  EXPECT_EQ(ToQRgb(0x563412), qRgb(0x12, 0x34, 0x56));
  EXPECT_EQ(FromQRgb(qRgb(0x12, 0x34, 0x56)), 0x563412u);
  EXPECT_EQ(FromQRgb(ToQRgb(kLand)), kLand);
}

TEST(RasterLayer, StartsWhiteAndIgnoresPixelsOutside) {
  RasterLayer layer(3, 2);
  EXPECT_EQ(layer.Image().format(), QImage::Format_RGB32);
  EXPECT_EQ(PixelsOf(layer, kWhite).size(), 6u);
  layer.SetPixel(-1, 0, kBlack);
  layer.SetPixel(3, 1, kBlack);
  EXPECT_EQ(PixelsOf(layer, kWhite).size(), 6u);
  // An empty layer takes every call and stays empty.
  layer.Reset(0, 0);
  layer.LineTo(5, 5);
  layer.Ellipse(-2, -2, 3, 3);
  layer.FloodFill(0, 0, kBlack, kRed);
  layer.TextOut(0, 0, QStringLiteral("x"));
  EXPECT_TRUE(layer.Image().isNull());
  EXPECT_EQ(layer.Pixel(0, 0), kWhite);
}

struct LineCase {
  const char* name;
  QPoint from;
  QPoint to;
  Pixels expected;
};

TEST(RasterLine, DrawsBresenhamPixelsWithoutTheEndPoint) {
  const LineCase cases[] = {
      {"right", {1, 2}, {5, 2}, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
      {"left", {5, 2}, {1, 2}, {{5, 2}, {4, 2}, {3, 2}, {2, 2}}},
      {"down", {3, 1}, {3, 4}, {{3, 1}, {3, 2}, {3, 3}}},
      {"up", {3, 4}, {3, 1}, {{3, 4}, {3, 3}, {3, 2}}},
      {"diagonal", {0, 0}, {4, 4}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
      {"anti-diagonal", {4, 0}, {0, 4}, {{4, 0}, {3, 1}, {2, 2}, {1, 3}}},
      {"shallow", {0, 0}, {4, 2}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
      {"steep", {0, 0}, {1, 3}, {{0, 0}, {0, 1}, {1, 2}}},
      {"steep upwards", {2, 6}, {0, 1}, {{2, 6}, {2, 5}, {1, 4}, {1, 3}, {0, 2}}},
      {"zero length", {3, 3}, {3, 3}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RasterLayer layer(8, 8);
    layer.MoveTo(c.from.x(), c.from.y());
    layer.LineTo(c.to.x(), c.to.y());
    EXPECT_EQ(PixelsOf(layer, kBlack), c.expected);
  }
}

TEST(RasterLine, ContinuesFromItsEndAndClipsFarAwayPoints) {
  constexpr int kMin = std::numeric_limits<int>::min();
  constexpr int kMax = std::numeric_limits<int>::max();
  const LineCase cases[] = {
      {"whole row", {kMin, 3}, {kMax, 3}, PixelsIn(QRect(0, 3, 8, 1))},
      {"whole column", {5, kMax}, {5, kMin}, PixelsIn(QRect(5, 0, 1, 8))},
      // The visible part lies halfway along: the row there must come out right too.
      {"gentle slope", {-1000000000, 0}, {1000000000, 2}, PixelsIn(QRect(0, 1, 8, 1))},
      {"steep slope", {0, -1000000000}, {2, 1000000000}, PixelsIn(QRect(1, 0, 1, 8))},
      {"far diagonal", {kMin, kMin}, {kMax, kMax}, Diagonal(8)},
      {"entirely outside", {-50, -3}, {50, -3}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RasterLayer layer(8, 8);
    layer.MoveTo(c.from.x(), c.from.y());
    layer.LineTo(c.to.x(), c.to.y());
    EXPECT_EQ(PixelsOf(layer, kBlack), c.expected);
  }
  // A polyline: each line starts where the previous ended, so corners are drawn once.
  RasterLayer layer(8, 8);
  layer.MoveTo(1, 1);
  layer.LineTo(4, 1);
  layer.LineTo(4, 3);
  layer.LineTo(1, 3);
  EXPECT_EQ(PixelsOf(layer, kBlack),
            (Pixels{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}, {3, 3}, {2, 3}}));
}

struct WideCase {
  const char* name;
  int width;
  QPoint from;
  QPoint to;
  QRect covered;
};

TEST(RasterLine, WidePensStampSquares) {
  // An even width adds its extra row or column below or right of the line.
  const WideCase cases[] = {
      {"2 horizontal", 2, {2, 5}, {7, 5}, QRect(2, 5, 6, 2)},
      {"2 vertical", 2, {3, 1}, {3, 6}, QRect(3, 1, 2, 6)},
      {"2 leftwards", 2, {7, 5}, {2, 5}, QRect(3, 5, 6, 2)},
      {"3 horizontal", 3, {2, 5}, {6, 5}, QRect(1, 4, 6, 3)},
      {"4 vertical", 4, {5, 2}, {5, 5}, QRect(4, 1, 4, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RasterLayer layer(12, 12);
    SetLayerPen(layer, kBlack, c.width, PenStyle::Solid, PenMode::Copy);
    layer.MoveTo(c.from.x(), c.from.y());
    layer.LineTo(c.to.x(), c.to.y());
    EXPECT_EQ(PixelsOf(layer, kBlack), PixelsIn(c.covered));
  }
  // A width-2 diagonal is about 2 pixels thick measured across it: 3 pixels of each row.
  RasterLayer layer(12, 12);
  SetLayerPen(layer, kBlack, 2, PenStyle::Solid, PenMode::Copy);
  layer.MoveTo(1, 1);
  layer.LineTo(10, 10);
  for (int i = 2; i <= 9; ++i) {
    EXPECT_EQ(layer.Pixel(i - 1, i), kBlack);
    EXPECT_EQ(layer.Pixel(i, i), kBlack);
    EXPECT_EQ(layer.Pixel(i + 1, i), kBlack);
    EXPECT_EQ(layer.Pixel(i - 2, i), kWhite);
    EXPECT_EQ(layer.Pixel(i + 2, i), kWhite);
  }
  // No pen, no line.
  SetLayerPen(layer, kRed, 0, PenStyle::Solid, PenMode::Copy);
  layer.LineTo(1, 10);
  EXPECT_TRUE(PixelsOf(layer, kRed).empty());
}

// What a pen paints along a line, by its definition: the Bresenham pixels from `from`
// towards `to`, end excluded (step i moves i along the major axis and i * minor / major,
// rounded to nearest with a half away from the start, along the other), each stamping a
// width x width square whose top-left corner lies (width - 1) / 2 up and left of it; a
// dotted pen stamps every (2 x width)th step only.
Pixels StampedLine(QPoint from, QPoint to, int width, bool dotted, QSize layer) {
  const int dx = to.x() - from.x();
  const int dy = to.y() - from.y();
  const int steps = std::max(std::abs(dx), std::abs(dy));
  const int minor = std::min(std::abs(dx), std::abs(dy));
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int o = (width - 1) / 2;
  Pixels out;
  for (int i = 0; i < steps; ++i) {
    if (dotted && i % (2 * width) != 0) continue;
    const int q = (2 * i * minor + steps) / (2 * steps);
    const int along = xMajor ? (dx > 0 ? i : -i) : (dy > 0 ? i : -i);
    const int across = xMajor ? (dy >= 0 ? q : -q) : (dx >= 0 ? q : -q);
    const int x = from.x() + (xMajor ? along : across);
    const int y = from.y() + (xMajor ? across : along);
    for (int sy = y - o; sy < y - o + width; ++sy) {
      for (int sx = x - o; sx < x - o + width; ++sx) {
        if (QRect(QPoint(0, 0), layer).contains(sx, sy)) out.insert({sx, sy});
      }
    }
  }
  return out;
}

TEST(RasterLine, PensPaintTheirStampsAlongTheLine) {
  // Lines of every direction, many starting or ending off the layer, so that wide stamps
  // reach in from outside.
  const QSize size(16, 12);
  unsigned state = 12345;
  auto next = [&state](int lo, int hi) {
    state = state * 1103515245u + 12345u;
    return lo + static_cast<int>((state >> 8) % static_cast<unsigned>(hi - lo + 1));
  };
  for (int n = 0; n < 150; ++n) {
    const QPoint from(next(-14, 30), next(-14, 26));
    const QPoint to(next(-14, 30), next(-14, 26));
    for (const int width : {1, 2, 3, 4, 7}) {
      for (const PenStyle style : {PenStyle::Solid, PenStyle::Dot}) {
        SCOPED_TRACE(testing::Message()
                     << from.x() << "," << from.y() << " to " << to.x() << "," << to.y()
                     << " width " << width << " dotted " << (style == PenStyle::Dot));
        RasterLayer layer(size.width(), size.height());
        SetLayerPen(layer, kBlack, width, style, PenMode::Copy);
        layer.MoveTo(from.x(), from.y());
        layer.LineTo(to.x(), to.y());
        ASSERT_EQ(PixelsOf(layer, kBlack),
                  StampedLine(from, to, width, style == PenStyle::Dot, size));
      }
    }
  }
}

TEST(RasterLine, DotsAlternateAlongAPolyline) {
  RasterLayer layer(10, 10);
  SetLayerPen(layer, kBlack, 1, PenStyle::Dot, PenMode::Copy);
  layer.MoveTo(0, 0);
  layer.LineTo(5, 0);
  layer.LineTo(5, 4);  // steps 5..8 of the polyline: off, on, off, on
  layer.MoveTo(0, 6);  // a new polyline starts with a dot
  layer.LineTo(4, 6);
  EXPECT_EQ(PixelsOf(layer, kBlack),
            (Pixels{{0, 0}, {2, 0}, {4, 0}, {5, 1}, {5, 3}, {0, 6}, {2, 6}}));

  // Wide dots are squares as far apart as they are wide.
  RasterLayer wide(11, 3);
  SetLayerPen(wide, kBlack, 2, PenStyle::Dot, PenMode::Copy);
  wide.MoveTo(0, 0);
  wide.LineTo(10, 0);
  EXPECT_EQ(Picture(wide), (std::vector<std::string>{"##..##..##.", "##..##..##.", "..........."}));
}

TEST(RasterLine, MaskModeAndsThePenWithThePixel) {
  for (const int width : {1, 3}) {
    SCOPED_TRACE(width);
    RasterLayer layer(9, 9);
    ClearLayer(layer, kLand);
    layer.SetPixel(4, 4, kGreen);
    SetLayerPen(layer, kGrey, width, PenStyle::Solid, PenMode::Mask);
    layer.MoveTo(1, 4);
    layer.LineTo(8, 4);
    EXPECT_EQ(layer.Pixel(2, 4), kGrey & kLand);
    EXPECT_EQ(layer.Pixel(4, 4), kGrey & kGreen);
    EXPECT_EQ(layer.Pixel(1, 1), kLand);
    // Overlapping stamps of a wide pen must not mask twice into something else.
    EXPECT_EQ(PixelsOf(layer, kGrey & kLand).size(), width == 1 ? 6u : 26u);
  }
  RasterLayer layer(4, 1);
  ClearLayer(layer, kLand);
  SetLayerPen(layer, kGrey, 1, PenStyle::Solid, PenMode::Copy);
  layer.LineTo(3, 0);
  EXPECT_EQ(layer.Pixel(1, 0), kGrey);
}

TEST(RasterRectangle, OutlinesAndFillsTheBoxWithoutItsRightAndBottomEdge) {
  struct Case {
    const char* name;
    int penWidth;
    PenStyle style;
    QRect box;  // as left, top, right, bottom
    std::vector<std::string> picture;
  };
  const Case cases[] = {
      {"thin",
       1,
       PenStyle::Solid,
       QRect(QPoint(1, 1), QPoint(6, 5)),
       {"........", ".#####..", ".#ooo#..", ".#ooo#..", ".#####..", "........"}},
      {"reversed corners",
       1,
       PenStyle::Solid,
       QRect(QPoint(6, 5), QPoint(1, 1)),
       {"........", ".#####..", ".#ooo#..", ".#ooo#..", ".#####..", "........"}},
      {"wide pen stays inside",
       2,
       PenStyle::Solid,
       QRect(QPoint(1, 0), QPoint(7, 6)),
       {".######.", ".######.", ".##oo##.", ".##oo##.", ".######.", ".######."}},
      {"pen wider than the box",
       3,
       PenStyle::Solid,
       QRect(QPoint(2, 1), QPoint(4, 5)),
       {"........", "..##....", "..##....", "..##....", "..##....", "........"}},
      {"no pen",
       0,
       PenStyle::Solid,
       QRect(QPoint(1, 1), QPoint(4, 3)),
       {"........", ".ooo....", ".ooo....", "........", "........", "........"}},
      {"dotted around",
       1,
       PenStyle::Dot,
       QRect(QPoint(0, 0), QPoint(6, 5)),
       {"#.#.#.", ".oooo#", "#oooo.", ".oooo#", "#.#.#.", "......"}},
      {"empty", 1, PenStyle::Solid, QRect(QPoint(3, 1), QPoint(3, 5)), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int width = c.picture.empty() ? 8 : static_cast<int>(c.picture[0].size());
    RasterLayer layer(width, 6);
    SetLayerPen(layer, kBlack, c.penWidth, c.style, PenMode::Copy);
    layer.SetBrushColor(kRed);
    layer.Rectangle(c.box.left(), c.box.top(), c.box.right(), c.box.bottom());
    if (c.picture.empty()) {
      EXPECT_EQ(PixelsOf(layer, kWhite).size(), 48u);
    } else {
      EXPECT_EQ(Picture(layer), c.picture);
    }
  }
}

// The pen mode is the pen's: the brush is always copied.
TEST(RasterRectangle, MaskPenLeavesTheBrushOpaque) {
  RasterLayer layer(12, 5);
  ClearLayer(layer, kLand);
  SetLayerPen(layer, kGrey, 1, PenStyle::Solid, PenMode::Mask);
  layer.SetBrushColor(kGreen);
  layer.Rectangle(0, 0, 5, 5);
  layer.Ellipse(6, 0, 11, 5);
  for (const QPoint rim : {QPoint(0, 0), QPoint(4, 2), QPoint(6, 2), QPoint(8, 0)}) {
    EXPECT_EQ(layer.Pixel(rim.x(), rim.y()), kGrey & kLand) << rim.x() << "," << rim.y();
  }
  EXPECT_EQ(layer.Pixel(2, 2), kGreen);
  EXPECT_EQ(layer.Pixel(8, 2), kGreen);
  EXPECT_EQ(layer.Pixel(11, 2), kLand);
}

TEST(RasterEllipse, SmallCirclesHaveAFixedShape) {
  struct Case {
    int size;
    std::vector<std::string> picture;
  };
  const Case cases[] = {
      {2, {"##", "##"}},
      {3, {"###", "#o#", "###"}},
      {5, {".###.", "#ooo#", "#ooo#", "#ooo#", ".###."}},
      {6, {".####.", "#oooo#", "#oooo#", "#oooo#", "#oooo#", ".####."}},
      {10,
       {"...####...", ".##oooo##.", ".#oooooo#.", "#oooooooo#", "#oooooooo#", "#oooooooo#",
        "#oooooooo#", ".#oooooo#.", ".##oooo##.", "...####..."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    RasterLayer layer(c.size, c.size);
    layer.SetBrushColor(kRed);
    layer.Ellipse(0, 0, c.size, c.size);
    EXPECT_EQ(Picture(layer), c.picture);
  }
}

// Shapes drawn in a white margin: black pen, red brush.
struct EllipseShape {
  int width;
  int height;
  int penWidth;
};

TEST(RasterEllipse, FitsItsBoxIsSymmetricAndClosed) {
  std::vector<EllipseShape> shapes;
  for (int w = 1; w <= 14; ++w) {
    for (int h = 1; h <= 14; ++h)
      shapes.push_back({w, h, 1});
  }
  for (const auto& s : {EllipseShape{40, 3, 1}, EllipseShape{3, 40, 1}, EllipseShape{60, 9, 1},
                        EllipseShape{21, 14, 2}, EllipseShape{20, 14, 3}, EllipseShape{31, 31, 4},
                        EllipseShape{5, 5, 3}}) {
    shapes.push_back(s);
  }
  constexpr int kMargin = 2;
  for (const auto& s : shapes) {
    SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " pen " << s.penWidth);
    RasterLayer layer(s.width + 2 * kMargin, s.height + 2 * kMargin);
    SetLayerPen(layer, kBlack, s.penWidth, PenStyle::Solid, PenMode::Copy);
    layer.SetBrushColor(kRed);
    layer.Ellipse(kMargin, kMargin, kMargin + s.width, kMargin + s.height);
    const QRect box(kMargin, kMargin, s.width, s.height);
    const Pixels rim = PixelsOf(layer, kBlack);
    const Pixels inside = PixelsOf(layer, kRed);
    ASSERT_EQ(InkedBox(layer), box);
    for (const auto& [x, y] : rim) {
      // Mirror images across both centre lines are rim too.
      EXPECT_TRUE(rim.count({box.left() + box.right() - x, y})) << x << "," << y;
      EXPECT_TRUE(rim.count({x, box.top() + box.bottom() - y})) << x << "," << y;
    }
    // The rim is only as thick as the pen: a thin one touches the outside everywhere, a
    // wide one is pen pixels then brush along the centre row.
    if (s.penWidth == 1) {
      for (const auto& [x, y] : rim) {
        EXPECT_TRUE(layer.Pixel(x - 1, y) == kWhite || layer.Pixel(x + 1, y) == kWhite ||
                    layer.Pixel(x, y - 1) == kWhite || layer.Pixel(x, y + 1) == kWhite)
            << x << "," << y;
      }
    } else if (s.width > 2 * s.penWidth && s.height > 2 * s.penWidth) {
      const int midY = box.top() + s.height / 2;
      EXPECT_EQ(layer.Pixel(box.left() + s.penWidth - 1, midY), kBlack);
      EXPECT_EQ(layer.Pixel(box.left() + s.penWidth, midY), kRed);
    }
    // A 4-connected border fill from outside reaches none of the inside, and back.
    layer.FloodFill(0, 0, kBlack, kGreen);
    EXPECT_EQ(PixelsOf(layer, kRed), inside);
    EXPECT_EQ(PixelsOf(layer, kGreen).size() + rim.size() + inside.size(),
              static_cast<std::size_t>(layer.Width() * layer.Height()));
    if (!inside.empty()) {
      layer.FloodFill(inside.begin()->first, inside.begin()->second, kBlack, kBlue);
      EXPECT_EQ(PixelsOf(layer, kBlue), inside);
    }
  }
}

TEST(RasterEllipse, DottedRimsKeepTheirShape) {
  RasterLayer solid(16, 12);
  solid.Ellipse(0, 0, 16, 12);
  RasterLayer dotted(16, 12);
  SetLayerPen(dotted, kBlack, 1, PenStyle::Dot, PenMode::Copy);
  dotted.Ellipse(0, 0, 16, 12);
  const Pixels dots = PixelsOf(dotted, kBlack);
  const Pixels rim = PixelsOf(solid, kBlack);
  EXPECT_TRUE(std::includes(rim.begin(), rim.end(), dots.begin(), dots.end()));
  EXPECT_GT(dots.size(), rim.size() / 3);
  EXPECT_LT(dots.size(), rim.size() * 2 / 3);
}

TEST(RasterEllipse, MarkersFillInsideTheirRim) {
  // A marker of size s centred on the point: box (x - s, y - s)-(x + s, y + s), then a
  // border fill from the point bounded by the rim colour, over a coloured map.
  for (int s = 2; s <= 12; ++s) {
    SCOPED_TRACE(s);
    RasterLayer layer(40, 40);
    ClearLayer(layer, kLand);
    layer.SetBrushColor(kGreen);
    const int x = 20;
    const int y = 20;
    layer.Ellipse(x - s, y - s, x + s, y + s);
    FloodFillAt(layer, kRed, x, y);
    const Pixels filled = PixelsOf(layer, kRed);
    EXPECT_TRUE(filled.count({x, y}));
    EXPECT_TRUE(PixelsOf(layer, kGreen).empty());
    const QRect box(x - s, y - s, 2 * s, 2 * s);
    for (const auto& [px, py] : filled)
      EXPECT_TRUE(box.contains(px, py)) << px << "," << py;
    EXPECT_EQ(layer.Pixel(0, 0), kLand);
    EXPECT_EQ(layer.Pixel(x + s, y), kLand);
  }
}

TEST(RasterFloodFill, FillsTheRegionOfTheSeedUpToTheBorder) {
  struct Case {
    const char* name;
    QPoint seed;
    std::vector<std::string> picture;
  };
  const Case cases[] = {
      {"inside", {3, 2}, {"......", ".####.", ".#oo#.", ".#oo#.", ".####.", "......"}},
      {"outside", {0, 5}, {"oooooo", "o####o", "o#..#o", "o#..#o", "o####o", "oooooo"}},
      {"on the border", {1, 1}, {"......", ".####.", ".#..#.", ".#..#.", ".####.", "......"}},
      {"left of the layer", {-1, 2}, {"......", ".####.", ".#..#.", ".#..#.", ".####.", "......"}},
      {"below the layer", {2, 6}, {"......", ".####.", ".#..#.", ".#..#.", ".####.", "......"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RasterLayer layer(6, 6);
    layer.Rectangle(1, 1, 5, 5);
    layer.FloodFill(c.seed.x(), c.seed.y(), kBlack, kRed);
    EXPECT_EQ(Picture(layer), c.picture);
  }
}

TEST(RasterFloodFill, FollowsFourNeighboursOnly) {
  // A diagonal wall stops it; a winding corridor does not.
  RasterLayer layer(8, 8);
  layer.MoveTo(0, 7);
  layer.LineTo(8, -1);
  layer.FloodFill(0, 0, kBlack, kRed);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(layer.Pixel(x, y), x + y < 7 ? kRed : x + y == 7 ? kBlack : kWhite);
    }
  }
  RasterLayer maze(7, 5);
  maze.MoveTo(1, 0);
  maze.LineTo(1, 4);
  maze.MoveTo(3, 5);
  maze.LineTo(3, 0);
  maze.MoveTo(5, 0);
  maze.LineTo(5, 4);
  maze.FloodFill(0, 0, kBlack, kRed);
  EXPECT_EQ(Picture(maze),
            (std::vector<std::string>{"o#ooo#o", "o#o#o#o", "o#o#o#o", "o#o#o#o", "ooo#ooo"}));
}

TEST(RasterFloodFill, PassesThroughPixelsThatAlreadyHaveTheFillColour) {
  RasterLayer layer(8, 4);
  layer.MoveTo(4, 0);
  SetLayerPen(layer, kRed, 1, PenStyle::Solid, PenMode::Copy);
  layer.LineTo(4, 4);
  layer.FloodFill(0, 0, kBlack, kRed);
  EXPECT_EQ(PixelsOf(layer, kRed).size(), 32u);
  // Filling with the border colour itself ends too.
  RasterLayer same(8, 4);
  same.Rectangle(0, 0, 8, 4);
  same.FloodFill(3, 2, kBlack, kBlack);
  EXPECT_EQ(PixelsOf(same, kBlack).size(), 32u);
}

TEST(RasterFloodFill, CopesWithAnA3Layer) {
  constexpr int kWidth = 3500;
  constexpr int kHeight = 4950;
  RasterLayer layer(kWidth, kHeight);
  // A serpentine: walls every 10 columns, open alternately at the bottom and the top,
  // so the fill has to wind through all of them.
  for (int x = 10; x < kWidth; x += 10) {
    layer.MoveTo(x, (x / 10) % 2 == 1 ? 0 : 1);
    layer.LineTo(x, (x / 10) % 2 == 1 ? kHeight - 1 : kHeight);
  }
  layer.Ellipse(12, 2000, 19, 2007);  // an island in the second corridor
  layer.FloodFill(0, 0, kBlack, kRed);
  EXPECT_EQ(layer.Pixel(kWidth - 1, kHeight - 1), kRed);
  EXPECT_EQ(layer.Pixel(kWidth - 1, 0), kRed);
  EXPECT_EQ(layer.Pixel(1555, 2300), kRed);
  EXPECT_EQ(layer.Pixel(15, 2003), kWhite);
  EXPECT_EQ(layer.Pixel(11, 2003), kRed);
}

TEST(RasterPrimitives, HostileCoordinatesAndPenWidthsPaintWhatTheyReach) {
  constexpr int kMin = std::numeric_limits<int>::min();
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kHuge = 1 << 30;
  // A pen of width 2^30 stamps from 536870911 above and left of the line to 536870912
  // below and right of it.
  constexpr int kReach = kHuge / 2 - 1;
  const std::vector<std::string> lowerRows = {"......", "......", "######", "######"};
  const struct {
    const char* name;
    int penWidth;
    PenStyle style;
    void (*draw)(RasterLayer&);
    std::vector<std::string> picture;
  } cases[] = {
      {"widest pen across everything",
       kMax,
       PenStyle::Solid,
       [](RasterLayer& l) {
         l.MoveTo(kMin, kMin);
         l.LineTo(kMax, kMax);
       },
       {"######", "######", "######", "######"}},
      {"wide pen along a far row", kHuge, PenStyle::Solid,
       [](RasterLayer& l) {
         l.MoveTo(kMin, kReach + 2);
         l.LineTo(kMax, kReach + 2);
       },
       lowerRows},
      {"wide dots along a far row", kHuge, PenStyle::Dot,
       [](RasterLayer& l) {
         // Dots every 2^31 steps: the one at x = 0 is the only one that reaches in.
         l.MoveTo(kMin, kReach + 2);
         l.LineTo(kMax, kReach + 2);
       },
       lowerRows},
      {"wide dots that all fall beside the layer",
       kHuge,
       PenStyle::Dot,
       [](RasterLayer& l) {
         // Dots at x = -2^30 and 2^30, both too far to reach in.
         l.MoveTo(kMin + kHuge, kReach + 2);
         l.LineTo(kMax, kReach + 2);
       },
       {"......", "......", "......", "......"}},
      {"rectangle rim wider than the layer",
       kHuge,
       PenStyle::Solid,
       [](RasterLayer& l) { l.Rectangle(kMin, kMin, 5, 3); },
       {"#####.", "#####.", "#####.", "......"}},
      {"rectangle rim far outside",
       kHuge,
       PenStyle::Solid,
       [](RasterLayer& l) { l.Rectangle(kMin, kMin, kMax, kMax); },
       {"oooooo", "oooooo", "oooooo", "oooooo"}},
      {"ellipse round everything, widest pen",
       kMax,
       PenStyle::Solid,
       [](RasterLayer& l) { l.Ellipse(kMin, kMin, kMax, kMax); },
       {"######", "######", "######", "######"}},
      {"no pen at all",
       kMin,
       PenStyle::Solid,
       [](RasterLayer& l) {
         l.MoveTo(kMin, 1);
         l.LineTo(kMax, 1);
         l.Rectangle(1, 1, 5, 3);
         l.Ellipse(kMin, kMin, kMin + 3, kMin + 3);
       },
       {"......", ".oooo.", ".oooo.", "......"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RasterLayer layer(6, 4);
    SetLayerPen(layer, kBlack, c.penWidth, c.style, PenMode::Copy);
    layer.SetBrushColor(kRed);
    c.draw(layer);
    EXPECT_EQ(Picture(layer), c.picture);
  }
}

TEST(RasterPrimitives, RealEndsBeyondTheIntRangeKeepTheLineWhereItIs) {
  struct Case {
    const char* name;
    PenStyle style;
    std::vector<QPointF> polyline;
    Pixels expected;
  };
  Pixels corner = PixelsIn(QRect(0, 1, 3, 1));
  corner.merge(PixelsIn(QRect(3, 1, 1, 7)));
  Pixels oddColumns;
  for (int x = 1; x < 8; x += 2)
    oddColumns.insert({x, 0});
  const Case cases[] = {
      {"row from far to far",
       PenStyle::Solid,
       {{-1e300, 2.4}, {1e300, 2.4}},
       PixelsIn(QRect(0, 2, 8, 1))},
      {"a polyline turning far away", PenStyle::Solid, {{-1e12, 1}, {3, 1}, {3, 1e12}}, corner},
      {"entirely beyond", PenStyle::Solid, {{1e12, 1}, {2e12, 1}, {2e12, 1e300}}, {}},
      // The dots count from the true start, 10^12 + 1 steps to the left of column 0.
      {"dots from far away", PenStyle::Dot, {{-1e12 - 1, 0}, {1e12, 0}}, oddColumns},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RasterLayer layer(8, 8);
    SetLayerPen(layer, kBlack, 1, c.style, PenMode::Copy);
    MoveToXY(layer, c.polyline[0].x(), c.polyline[0].y());
    for (size_t i = 1; i < c.polyline.size(); ++i)
      LineToXY(layer, c.polyline[i].x(), c.polyline[i].y());
    EXPECT_EQ(PixelsOf(layer, kBlack), c.expected);
  }
  // Steep lines through the layer from ends beyond the int range: every row has its one
  // pixel, within half a pixel of the true line.
  const struct {
    QPointF from;
    QPointF to;
  } steep[] = {{{-1e12, -2e12}, {1e12, 2e12}},
               {{3 + 1e12, -3e12}, {3 - 1e12, 3e12}},
               {{0.3 - 7e11, -3e12}, {0.3 + 7e11, 3e12}},
               {{-5e15 + 0.25, -1e16}, {5e15 + 0.25, 1e16}}};
  for (const auto& s : steep) {
    SCOPED_TRACE(testing::Message() << s.from.x() << "," << s.from.y());
    RasterLayer layer(8, 8);
    MoveToXY(layer, s.from.x(), s.from.y());
    LineToXY(layer, s.to.x(), s.to.y());
    const Pixels pixels = PixelsOf(layer, kBlack);
    EXPECT_EQ(pixels.size(), 8u);
    for (const auto& [x, y] : pixels) {
      // Long double holds y - from.y exactly.
      using Ld = long double;
      const Ld ideal = s.from.x() + (Ld{1} * y - s.from.y()) *
                                        ((Ld{s.to.x()} - s.from.x()) / (Ld{s.to.y()} - s.from.y()));
      EXPECT_LE(std::abs(x - ideal), 0.5L + 1e-6L) << x << "," << y;
    }
  }
}

QFont TestFont(int pixelSize = 14) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixelSize);
  return font;
}

TEST(RasterText, PaintsTheExtentWithTheBrushAndGlyphsInTheFontColour) {
  RasterLayer layer(120, 40);
  layer.SetFont(TestFont(), kBlue);
  layer.SetBrushColor(kGreen);
  const QString text = QStringLiteral("Ag 12 日本");
  const QSize extent = layer.TextExtent(text);
  ASSERT_GT(extent.width(), 20);
  ASSERT_GT(extent.height(), 10);
  layer.TextOut(7, 5, text);
  const QRect box(QPoint(7, 5), extent);
  EXPECT_EQ(InkedBox(layer), box);
  const Pixels glyphs = PixelsOf(layer, kBlue);
  EXPECT_GT(glyphs.size(), 30u);
  EXPECT_EQ(glyphs.size() + PixelsOf(layer, kGreen).size(),
            static_cast<std::size_t>(extent.width() * extent.height()));
  EXPECT_LT(layer.TextExtent(QStringLiteral("A")).width(), extent.width());
  // Wherever it lands, nothing outside the layer is touched and nothing breaks.
  layer.TextOut(-5000, std::numeric_limits<int>::max(), text);
  layer.TextOut(std::numeric_limits<int>::max(), 0, text);
  DrawLabel(layer, 1, text, 1e300, -1e300);
  EXPECT_EQ(InkedBox(layer), box);
}

TEST(RasterLabel, PlacesTheTextByItsAnchor) {
  // Odd sizes, so that halving them must round down.
  const QString text = QStringLiteral("Kyoto 35°");
  RasterLayer probe(1, 1);
  probe.SetFont(TestFont(13), kBlack);
  const QSize e = probe.TextExtent(text);
  const int w = e.width();
  const int h = e.height();
  ASSERT_EQ(w % 2, 1);
  ASSERT_EQ(h % 2, 1);
  // 100.5 and 40.5 round to 100 and 40, both even.
  const int x = 100;
  const int y = 40;
  const struct {
    int anchor;
    QPoint topLeft;
  } cases[] = {
      {1, {x - w / 2, y - h - 2}},
      {2, {x + 2, y - h / 2}},
      {3, {x - w / 2, y + 2}},
      {4, {x - w - 2, y - h / 2}},
      {0, {x, y}},
      {7, {x, y}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.anchor);
    RasterLayer layer(240, 100);
    layer.SetFont(TestFont(13), kBlack);
    layer.SetBrushColor(kGreen);
    DrawLabel(layer, c.anchor, text, 100.5, 40.5);
    EXPECT_EQ(InkedBox(layer), QRect(c.topLeft, e));
  }
}

TEST(RasterPrimitives, ClearLayerResetsThePenAndKeepsTheBrush) {
  RasterLayer layer(5, 4);
  SetLayerPen(layer, kRed, 3, PenStyle::Dot, PenMode::Mask);
  layer.SetBrushColor(kGreen);
  ClearLayer(layer, kLand);
  EXPECT_EQ(PixelsOf(layer, kLand).size(), 20u);
  const Pen& pen = layer.GetPen();
  EXPECT_EQ(pen.color, kBlack);
  EXPECT_EQ(pen.width, 1);
  EXPECT_EQ(pen.style, PenStyle::Solid);
  EXPECT_EQ(pen.mode, PenMode::Copy);
  EXPECT_EQ(layer.BrushColor(), kGreen);
}

TEST(RasterPrimitives, RoundHalvesToEven) {
  RasterLayer layer(8, 8);
  MoveToXY(layer, 0.5, 1.5);  // (0, 2)
  LineToXY(layer, 2.5, 1.5);  // to (2, 2), excluded
  LineToXY(layer, 3.5, 2.4);  // to (4, 2), excluded
  EXPECT_EQ(PixelsOf(layer, kBlack), (Pixels{{0, 2}, {1, 2}, {2, 2}, {3, 2}}));

  RasterLayer boxes(8, 3);
  boxes.Rectangle(0, 0, 4, 3);
  boxes.Rectangle(4, 0, 8, 3);
  SetLayerPen(boxes, kBlack, 1, PenStyle::Solid, PenMode::Copy);
  FloodFillAt(boxes, kRed, 1.5, 1.0);    // (2, 1): inside the left box
  FloodFillAt(boxes, kGreen, 4.5, 1.0);  // (4, 1): on the right box's rim
  EXPECT_EQ(Picture(boxes), (std::vector<std::string>{"########", "#oo##..#", "########"}));
  EXPECT_EQ(boxes.BrushColor(), kWhite);
}

TEST(RasterLayerView, ShowsTheBaseThroughWhitePlotPixels) {
  RasterLayer base(4, 3);
  ClearLayer(base, kLand);
  base.SetPixel(0, 0, kBlue);
  RasterLayer plot(5, 2);
  plot.SetPixel(1, 0, kRed);
  plot.SetPixel(2, 1, kBlack);
  plot.SetPixel(4, 1, kGreen);  // beyond the base

  const QImage composed = OverlayLayers(&base, &plot);
  ASSERT_EQ(composed.size(), QSize(5, 3));
  const struct {
    QPoint at;
    WinColor color;
  } expected[] = {
      {{0, 0}, kBlue},  {{1, 0}, kRed},   {{2, 1}, kBlack}, {{3, 2}, kLand},
      {{4, 1}, kGreen}, {{4, 0}, kWhite}, {{4, 2}, kWhite},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(FromQRgb(composed.pixel(e.at)), e.color) << e.at.x() << "," << e.at.y();
  }
  EXPECT_EQ(OverlayLayers(nullptr, nullptr).size(), QSize(0, 0));
  EXPECT_EQ(FromQRgb(OverlayLayers(&base, nullptr).pixel(1, 0)), kLand);

  LayerView view;
  view.SetLayers(&base, &plot);
  EXPECT_EQ(view.size(), QSize(5, 3));
  EXPECT_EQ(view.sizeHint(), QSize(5, 3));
  EXPECT_EQ(view.grab().toImage().convertToFormat(QImage::Format_RGB32), composed);

  // Drawing shows after Refresh; a new layer size after UpdateSize.
  plot.SetPixel(3, 1, kBlue);
  view.Refresh();
  EXPECT_EQ(FromQRgb(view.grab().toImage().pixel(3, 1)), kBlue);
  base.Reset(30, 20);
  view.UpdateSize();
  EXPECT_EQ(view.size(), QSize(30, 20));
  view.Refresh();
  const QImage grown = view.grab().toImage();
  EXPECT_EQ(FromQRgb(grown.pixel(29, 19)), kWhite);
  EXPECT_EQ(FromQRgb(grown.pixel(1, 0)), kRed);
}

}  // namespace
}  // namespace platform
