#include "conic/Plotting.h"

#include <algorithm>

#include "core/Rounding.h"

namespace conic {

using platform::PenMode;
using platform::PenStyle;
using platform::RasterLayer;

std::array<TMarkStyle, 5> DefaultMarkStyles() {
  const WinColor fills[] = {16711935, 16776960, 65535, 32768, 16711680};
  std::array<TMarkStyle, 5> styles{};
  for (size_t i = 0; i < styles.size(); ++i) {
    styles[i] = TMarkStyle{static_cast<int>(i) + 1, 4, fills[i], 0};
  }
  return styles;
}

void DrawMarker(RasterLayer& layer, const TMarkStyle& style, double xr, double yr) {
  const int x = core::RoundHalfEven(xr);
  const int y = core::RoundHalfEven(yr);
  const int s = style.size;
  const WinColor previousBrush = layer.BrushColor();
  layer.SetPen({style.rimColor, 1, PenStyle::Solid, PenMode::Copy});
  layer.SetBrushColor(style.fillColor);

  bool fill = false;
  switch (style.shape) {
    case kCircle:
      layer.Ellipse(x - s, y - s, x + s, y + s);
      fill = true;
      break;
    case kSquare:
      layer.Rectangle(x - s, y - s, x + s, y + s);
      fill = true;
      break;
    case kTriangle: {
      const int a = core::RoundHalfEven(1.25 * s);
      const int b = core::RoundHalfEven(0.75 * s);
      layer.MoveTo(x, y - a);
      layer.LineTo(x + s, y + b);
      layer.LineTo(x - s, y + b);
      layer.LineTo(x, y - a);
      fill = true;
      break;
    }
    case kDiamond:
      layer.MoveTo(x, y - s);
      layer.LineTo(x + s, y);
      layer.LineTo(x, y + s);
      layer.LineTo(x - s, y);
      layer.LineTo(x, y - s);
      fill = true;
      break;
    case kUprightCross:
    case kDiagonalCross:
      layer.SetPen({style.rimColor, 2, PenStyle::Solid, PenMode::Copy});
      if (style.shape == kUprightCross) {
        layer.MoveTo(x, y - s);
        layer.LineTo(x, y + s);
        layer.MoveTo(x - s, y);
        layer.LineTo(x + s, y);
      } else {
        layer.MoveTo(x - s, y - s);
        layer.LineTo(x + s, y + s);
        layer.MoveTo(x + s, y - s);
        layer.LineTo(x - s, y + s);
      }
      layer.SetPen({style.rimColor, 1, PenStyle::Solid, PenMode::Copy});
      break;
    default:
      break;
  }
  // The fill is bounded by the rim colour. With no inside to fill (size 0) or an outline
  // too small to enclose its centre, an unbounded fill would flood the figure, so it is
  // kept to the marker's own box.
  if (fill && s > 0) {
    const int reach = std::max(s, core::RoundHalfEven(1.25 * s)) + 1;
    layer.FloodFill(x, y, style.rimColor, style.fillColor,
                    QRect(x - reach, y - reach, 2 * reach + 1, 2 * reach + 1));
  }
  layer.SetBrushColor(previousBrush);
}

void PlottingH(RasterLayer& layer, const Geometry& geometry, const TMarkStyle& style, double lon,
               double lat) {
  const MapPoint p = geometry.LambertXY(lon, lat);
  DrawMarker(layer, style, geometry.HMGraphPosX(p.x), geometry.HMGraphPosY(p.y));
}

void PlottingV(RasterLayer& layer, const Geometry& geometry, const TMarkStyle& style, double lon,
               double lat, double alt) {
  const Region& r = geometry.GetRegion();
  if (!(alt <= r.altMax)) return;
  const SheetLayout& l = geometry.Layout();
  DrawMarker(layer, style, core::RoundHalfEven((lon - r.westLon) * l.lonScale + l.profLeft),
             core::RoundHalfEven(alt * l.altScale + l.weBase));
  DrawMarker(layer, style, core::RoundHalfEven((lat - r.southLat) * l.latScale + l.profLeft),
             core::RoundHalfEven(alt * l.altScale + l.snBase));
}

void DrawTitle(RasterLayer& layer, const Geometry& geometry, const QFont& font, WinColor color,
               const QString& text) {
  const SheetLayout& l = geometry.Layout();
  layer.SetFont(font, color);
  layer.SetBrushColor(platform::kWhite);
  DrawLabel(layer, 1, text, core::RoundHalfEven((l.hMapLeft + l.hMapRight) / 2),
            core::RoundHalfEven(l.titleY));
}

QRect DrawLegend(RasterLayer& layer, const Geometry& geometry, const LegendSpec& legend) {
  const SheetLayout& l = geometry.Layout();
  const int x0 = core::RoundHalfEven(l.profLeft);
  int y0 = core::RoundHalfEven(0.5 * l.profHeight + l.legendBase);
  layer.SetFont(legend.font, platform::kBlack);
  const int h = (layer.TextExtent(legend.heading).height() / 2) * 3;
  int w = legend.showHeading ? layer.TextExtent(legend.heading).width() : 0;
  for (const QString& title : legend.titles)
    w = std::max(w, layer.TextExtent(title).width());

  if (legend.framed) {
    layer.SetPen({platform::kBlack, 1, PenStyle::Solid, PenMode::Copy});
    layer.SetBrushColor(legend.landColor);
  } else {
    layer.SetPen({legend.oceanColor, 1, PenStyle::Solid, PenMode::Copy});
    layer.SetBrushColor(legend.oceanColor);
  }
  const int n = static_cast<int>(legend.titles.size());
  const int rows = legend.showHeading ? n + 1 : n;
  const QRect box(QPoint(x0 - h, y0 - h), QPoint(x0 + w + 2 * h - 1, y0 + rows * h - 1));
  layer.Rectangle(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
  if (legend.showHeading) {
    DrawLabel(layer, 2, legend.heading, x0, y0);
  } else {
    y0 -= h;
  }
  for (int i = 1; i <= n; ++i) {
    DrawMarker(layer, legend.styles.at(static_cast<size_t>(i - 1)), x0 + 6, y0 + i * h);
    DrawLabel(layer, 2, legend.titles[static_cast<size_t>(i - 1)], x0 + 18, y0 + i * h);
  }
  return box;
}

}  // namespace conic
