#include "chart/FigureLayout.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/Rounding.h"

namespace chart {

namespace {

// (left, top, right, bottom) as the figures are described, to a rectangle.
ChartRect Box(int left, int top, int right, int bottom) {
  return {left, top, right - left, bottom - top};
}

ChartRect Scaled(const ChartRect& r, int zoom) {
  return {r.left * zoom, r.top * zoom, r.width * zoom, r.height * zoom};
}

}  // namespace

FigureLayout FigureLayoutOf(int mapKind, double mapAspect, int zoom) {
  FigureLayout f;
  zoom = zoom < 1 ? 1 : zoom;
  // Checked before any size is rounded to an integer, which a range thousands of times
  // taller than wide would overflow.
  const double side = mapKind == 2 ? 1600.0 * zoom
                      : mapKind == 1
                          ? 1600.0 * zoom * std::max(1.0, mapAspect)
                          : 1.25 * 1200.0 * zoom * std::max(1.0, mapAspect) + 300.0 * zoom;
  if (!(side <= kMaxFigureSide)) {
    throw LayoutError("図が大きすぎて書き出せません（一辺 " + std::to_string(kMaxFigureSide) +
                      " ピクセルまでです）。範囲の縦横比か表示の倍率を小さくしてください");
  }
  if (mapKind == 1) {
    f.width = 1600 * zoom;
    f.height = zoom * core::RoundHalfEven(1600 * mapAspect);
    f.drawn = {false, true, false, false};
    f.rect[1] = {0, 0, f.width, f.height};
    return f;
  }
  if (mapKind == 2) {
    int a = 1600;
    int b = 1600;
    if (mapAspect >= 1) {
      b = core::RoundHalfEven(1600 / mapAspect);
    } else {
      a = core::RoundHalfEven(1600 * mapAspect);
    }
    f.width = 1600;
    f.height = 600;
    f.drawn = {false, false, true, true};
    // The two strips share the row 299.
    f.rect[2] = Box(0, 0, b - 1, 299);
    f.rect[3] = Box(0, 299, a - 1, 599);
  } else {
    const int h = core::RoundHalfEven(1200 * mapAspect);
    const int c = h < 1200 ? 300 : core::RoundHalfEven(h / 4.0);
    const int d = static_cast<int>(std::trunc(2.0 * h / 100));
    f.width = c + 1200;
    f.height = h + c;
    f.drawn = {true, true, true, true};
    f.rect[1] = Box(c, c, c + 1200, c + h);
    f.rect[2] = Box(c, d, c + 1200, d + c);
    f.rect[3] = Box(0, c, c, c + h);
    f.rect[0] = Box(0, 0, c, c);
  }
  f.width *= zoom;
  f.height *= zoom;
  for (ChartRect& r : f.rect)
    r = Scaled(r, zoom);
  return f;
}

}  // namespace chart
