#include "conic/ScaleBar.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/Rounding.h"

namespace conic {

using platform::PenMode;
using platform::PenStyle;
using platform::RasterLayer;

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

QString BarLabel(int km) {
  return QStringLiteral("%1 km").arg(km);
}

// The sheet row and column as map units.
MapPoint MapPointAt(const Geometry& g, double x, double y) {
  const SheetLayout& l = g.Layout();
  const Region& r = g.GetRegion();
  return {r.westLon + (x - l.hMapLeft) / l.hMapScale, r.southLat + (l.hMapBase - y) / l.hMapScale};
}

}  // namespace

double LatitudeOf(const Geometry& g, const MapPoint& p) {
  const Region& r = g.GetRegion();
  // LambertXY shifts the cone so that the reference point lands on (westLon, southLat);
  // the apex moves with it.
  const double theta0 = g.ConeN() * (r.westLon - r.centralLon) * kDeg;
  const double apexX = r.westLon - g.Rho0() * std::sin(theta0);
  const double apexY = r.southLat + g.Rho0() * std::cos(theta0);
  const double rho = std::hypot(p.x - apexX, apexY - p.y);
  const double halfColatitude = std::atan(std::pow(rho / g.ConeRF(), 1.0 / g.ConeN()));
  return (std::numbers::pi / 2 - 2 * halfColatitude) / kDeg;
}

double ParallelScale(const Geometry& g, double lat) {
  const double rho = g.ConeRF() * std::pow(std::tan(Geometry::HalfColatitude(lat)), g.ConeN());
  return g.ConeN() * rho / (kEarthRadius * std::cos(lat * kDeg));
}

double PixelsPerKm(const Geometry& g, double lat) {
  return g.Layout().hMapScale * ParallelScale(g, lat) / kKmPerMapUnit;
}

std::optional<ScaleBarPlan> PlanScaleBar(const Geometry& g, MapCorner corner,
                                         const RasterLayer& layer) {
  const SheetLayout& l = g.Layout();
  const Region& r = g.GetRegion();
  if (!(l.hMapScale > 0)) return std::nullopt;
  // The plot is the box of the region's corners: the north parallel is highest at the
  // east and west edges, and the reference corner stands on the map's base line.
  const double top = g.HMGraphPosY(
      std::max(g.LambertXY(r.westLon, r.northLat).y, g.LambertXY(r.eastLon, r.northLat).y));
  const double bottom = l.hMapBase;
  const double mapWidth = l.hMapRight - l.hMapLeft;

  const int textHeight = layer.TextExtent(BarLabel(core::kScaleBarKm[0])).height();
  const double margin = textHeight;
  const int tick = std::max(2, textHeight / 2);
  const double above = tick + textHeight + 2;  // the ticks and the label over the row
  const bool lower = core::IsLower(corner);
  const bool right = core::IsRight(corner);
  const double y = lower ? bottom - margin : top + margin + above;
  const double edge = right ? l.hMapRight - margin : l.hMapLeft + margin;

  // The length is chosen at the corner, then measured again at the bar's middle; along
  // the bar's row the scale changes only as the latitude does.
  const double cornerLat = LatitudeOf(g, MapPointAt(g, edge, y));
  const double perKm = PixelsPerKm(g, cornerLat);
  const int km = core::RoundBarKm(perKm, core::kScaleBarMaxShare * mapWidth);
  if (km == 0) return std::nullopt;
  // A label wider than the bar is centred over it and must stay on the map as well, which
  // moves the bar in from the corner.
  const int labelWidth = layer.TextExtent(BarLabel(km)).width();
  double length = km * perKm;
  double lat = cornerLat;
  for (int pass = 0; pass < 2; ++pass) {
    const double inset = std::max(0.0, (labelWidth - length) / 2);
    const double middle = right ? edge - inset - length / 2 : edge + inset + length / 2;
    lat = LatitudeOf(g, MapPointAt(g, middle, y));
    length = km * PixelsPerKm(g, lat);
  }

  // Shorter than a line of text is tall, a bar is a mark rather than a measure.
  if (length < textHeight) return std::nullopt;
  const double inset = std::max(0.0, (labelWidth - length) / 2);
  const double width = std::max(length, static_cast<double>(labelWidth));
  if (width + 2 * margin > mapWidth || above + 2 * margin > bottom - top) return std::nullopt;

  ScaleBarPlan plan;
  plan.km = km;
  plan.lat = lat;
  plan.tick = tick;
  plan.y = y;
  plan.left = right ? edge - inset - length : edge + inset;
  plan.right = plan.left + length;
  plan.box = QRect(core::RoundHalfEven(right ? edge - width : edge), core::RoundHalfEven(y - above),
                   core::RoundHalfEven(width) + 1, core::RoundHalfEven(above) + 1);
  return plan;
}

void DrawScaleBar(RasterLayer& layer, const ScaleBarPlan& plan, int lineWidth,
                  platform::WinColor labelBrush) {
  const int x0 = core::RoundHalfEven(plan.left);
  const int x1 = core::RoundHalfEven(plan.right);
  const int y = core::RoundHalfEven(plan.y);
  SetLayerPen(layer, platform::kBlack, lineWidth, PenStyle::Solid, PenMode::Copy);
  layer.MoveTo(x0, y - plan.tick);
  layer.LineTo(x0, y);
  layer.LineTo(x1, y);
  layer.LineTo(x1, y - plan.tick - 1);
  const platform::WinColor previousBrush = layer.BrushColor();
  layer.SetBrushColor(labelBrush);
  DrawLabel(layer, 1, BarLabel(plan.km), (x0 + x1) / 2.0, y - plan.tick);
  layer.SetBrushColor(previousBrush);
}

}  // namespace conic
