#include "conic/Plotting.h"

#include <QPoint>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "core/DistributionData.h"
#include "core/Rounding.h"
#include "core/TextFile.h"

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

namespace {

using Int = std::int64_t;

// Past this half extent a marker centred on the layer covers it whole, so every larger
// size paints the same there: the sides of the triangle, the narrowest shape, pass 0.55
// of its size from its centre, and no pixel lies farther than width + height from a centre
// on the layer. The cap keeps the marker's coordinates far inside int on any layer.
Int MarkerSizeBound(const RasterLayer& layer) {
  return std::min<Int>(2 * (Int{layer.Width()} + layer.Height()) + 2, Int{1} << 24);
}

int ToInt(Int v) {
  return static_cast<int>(
      std::clamp<Int>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

void DrawMarker(RasterLayer& layer, const TMarkStyle& style, double xr, double yr) {
  const Int bound = MarkerSizeBound(layer);
  const Int s = std::clamp<Int>(style.size, -bound, bound);
  const Int a = core::RoundHalfEven(1.25 * static_cast<double>(s));
  const Int b = core::RoundHalfEven(0.75 * static_cast<double>(s));
  // Every pixel the marker touches (its box, the wide pen of the crosses, the fill's
  // bounds) lies within `margin` of the centre pixel; a centre farther off the layer, or
  // none at all (NaN), draws nothing.
  const Int margin = std::max(std::abs(s), std::abs(a)) + 2;
  const double off = static_cast<double>(margin) + 1;
  if (!(xr > -off && xr < layer.Width() + off && yr > -off && yr < layer.Height() + off)) return;
  const Int x = core::RoundHalfEven(xr);
  const Int y = core::RoundHalfEven(yr);
  const WinColor previousBrush = layer.BrushColor();
  layer.SetPen({style.rimColor, 1, PenStyle::Solid, PenMode::Copy});
  layer.SetBrushColor(style.fillColor);
  auto moveTo = [&](Int px, Int py) { layer.MoveTo(ToInt(px), ToInt(py)); };
  auto lineTo = [&](Int px, Int py) { layer.LineTo(ToInt(px), ToInt(py)); };

  bool fill = false;
  switch (style.shape) {
    case kCircle:
      layer.Ellipse(ToInt(x - s), ToInt(y - s), ToInt(x + s), ToInt(y + s));
      // From size 2 on the centre is an inner pixel of the ellipse, which the brush has
      // already painted: every 4-neighbour of an inner pixel is inner or rim, so the fill
      // could reach nothing more. Smaller circles have no inside and keep the fill.
      fill = s < 2;
      break;
    case kSquare:
      layer.Rectangle(ToInt(x - s), ToInt(y - s), ToInt(x + s), ToInt(y + s));
      fill = true;
      break;
    case kTriangle:
      moveTo(x, y - a);
      lineTo(x + s, y + b);
      lineTo(x - s, y + b);
      lineTo(x, y - a);
      fill = true;
      break;
    case kDiamond:
      moveTo(x, y - s);
      lineTo(x + s, y);
      lineTo(x, y + s);
      lineTo(x - s, y);
      lineTo(x, y - s);
      fill = true;
      break;
    case kUprightCross:
    case kDiagonalCross:
      layer.SetPen({style.rimColor, 2, PenStyle::Solid, PenMode::Copy});
      if (style.shape == kUprightCross) {
        moveTo(x, y - s);
        lineTo(x, y + s);
        moveTo(x - s, y);
        lineTo(x + s, y);
      } else {
        moveTo(x - s, y - s);
        lineTo(x + s, y + s);
        moveTo(x + s, y - s);
        lineTo(x - s, y + s);
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
    const Int reach = std::max(s, a) + 1;
    layer.FloodFill(ToInt(x), ToInt(y), style.rimColor, style.fillColor,
                    QRect(QPoint(ToInt(x - reach), ToInt(y - reach)),
                          QPoint(ToInt(x + reach), ToInt(y + reach))));
  }
  layer.SetBrushColor(previousBrush);
}

void PlottingH(RasterLayer& layer, const Geometry& geometry, const TMarkStyle& style, double lon,
               double lat) {
  // The projection turns with the longitude: one more than half a turn from the central
  // meridian, or a latitude past a pole, would land on the map as some other place.
  const Region& r = geometry.GetRegion();
  if (!(std::abs(lon - r.centralLon) <= 180 && std::abs(lat) <= 90)) return;
  const MapPoint p = geometry.LambertXY(lon, lat);
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
  DrawMarker(layer, style, geometry.HMGraphPosX(p.x), geometry.HMGraphPosY(p.y));
}

void PlottingV(RasterLayer& layer, const Geometry& geometry, const TMarkStyle& style, double lon,
               double lat, double alt) {
  const Region& r = geometry.GetRegion();
  if (!(alt <= r.altMax)) return;
  // Land below sea level (polders, reclaimed shores) and coastal records whose altitude
  // came out a little negative are lowland records: they sit on the base line, the lowest
  // the profile shows, rather than on whatever the sheet has below it.
  const double shown = std::max(alt, r.altMin);
  const SheetLayout& l = geometry.Layout();
  DrawMarker(layer, style, (lon - r.westLon) * l.lonScale + l.profLeft,
             shown * l.altScale + l.weBase);
  DrawMarker(layer, style, (lat - r.southLat) * l.latScale + l.profLeft,
             shown * l.altScale + l.snBase);
}

void PlotRecords(core::LineReader& reader, int gridSize, RasterLayer& layer,
                 const Geometry& geometry, const std::array<TMarkStyle, 5>& styles, int mapsType,
                 const PlotLineSeen& seen) {
  core::DistributionReader grd(core::Program::Conic, gridSize, core::kConicRegion);
  bool drawing = true;
  std::string line;
  while (reader.Next(line)) {
    const core::LineOutcome outcome = grd.Feed(line);
    if (seen) seen(outcome, reader.LineNumber(), drawing);
    if (!drawing) continue;
    switch (outcome.kind) {
      case core::LineOutcome::Kind::Record: {
        const TMarkStyle& style = styles.at(static_cast<size_t>(outcome.category - 1));
        PlottingH(layer, geometry, style, outcome.pos.lon, outcome.pos.lat);
        if (mapsType == 3) {
          PlottingV(layer, geometry, style, outcome.pos.lon, outcome.pos.lat, outcome.pos.alt);
        }
        break;
      }
      case core::LineOutcome::Kind::Stop:
      case core::LineOutcome::Kind::Error:
        drawing = false;
        if (!seen) return;
        break;
      case core::LineOutcome::Kind::Header:
      case core::LineOutcome::Kind::Short:
      case core::LineOutcome::Kind::Reject:
        break;
    }
  }
}

void DrawTitle(RasterLayer& layer, const Geometry& geometry, const QFont& font, WinColor color,
               const QString& text) {
  const SheetLayout& l = geometry.Layout();
  layer.SetFont(font, color);
  layer.SetBrushColor(platform::kWhite);
  DrawLabel(layer, 1, text, core::RoundHalfEven((l.hMapLeft + l.hMapRight) / 2),
            core::RoundHalfEven(l.titleY));
}

// Text extents are ints of any size a font gives; the box is summed from them in 64 bits.
QRect DrawLegend(RasterLayer& layer, const Geometry& geometry, const LegendSpec& legend) {
  const SheetLayout& l = geometry.Layout();
  const Int x0 = core::RoundHalfEven(l.profLeft);
  Int y0 = core::RoundHalfEven(0.5 * l.profHeight + l.legendBase);
  layer.SetFont(legend.font, platform::kBlack);
  const Int h = (Int{layer.TextExtent(legend.heading).height()} / 2) * 3;
  Int w = legend.showHeading ? layer.TextExtent(legend.heading).width() : 0;
  for (const QString& title : legend.titles)
    w = std::max<Int>(w, layer.TextExtent(title).width());

  if (legend.framed) {
    layer.SetPen({platform::kBlack, 1, PenStyle::Solid, PenMode::Copy});
    layer.SetBrushColor(legend.landColor);
  } else {
    layer.SetPen({legend.oceanColor, 1, PenStyle::Solid, PenMode::Copy});
    layer.SetBrushColor(legend.oceanColor);
  }
  const Int n = static_cast<Int>(legend.titles.size());
  const Int rows = legend.showHeading ? n + 1 : n;
  const Int right = x0 + w + 2 * h;
  const Int bottom = y0 + rows * h;
  const QRect box(QPoint(ToInt(x0 - h), ToInt(y0 - h)),
                  QPoint(ToInt(right - 1), ToInt(bottom - 1)));
  layer.Rectangle(ToInt(x0 - h), ToInt(y0 - h), ToInt(right), ToInt(bottom));
  if (legend.showHeading) {
    DrawLabel(layer, 2, legend.heading, static_cast<double>(x0), static_cast<double>(y0));
  } else {
    y0 -= h;
  }
  for (Int i = 1; i <= n; ++i) {
    const auto row = static_cast<double>(y0 + i * h);
    DrawMarker(layer, legend.styles.at(static_cast<size_t>(i - 1)), static_cast<double>(x0 + 6),
               row);
    DrawLabel(layer, 2, legend.titles[static_cast<size_t>(i - 1)], static_cast<double>(x0 + 18),
              row);
  }
  return box;
}

}  // namespace conic
