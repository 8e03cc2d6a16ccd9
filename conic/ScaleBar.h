#pragma once

#include <QRect>
#include <optional>

#include "conic/Geometry.h"
#include "core/ScaleLength.h"
#include "platform/raster/RasterLayer.h"

namespace conic {

using core::MapCorner;
using core::MapCornerOf;

/// Where a scale bar goes on the sheet and what it measures.
struct ScaleBarPlan {
  int km = 0;       ///< the bar's length on the ground
  double lat = 0;   ///< the latitude its length was worked out at
  double left = 0;  ///< the bar's ends and its row, sheet pixels
  double right = 0;
  double y = 0;
  int tick = 0;  ///< height of the end ticks, pixels
  QRect box;     ///< the bar, its ticks and its label
};

/// Latitude of a projected point of the horizontal map, the inverse of LambertXY.
double LatitudeOf(const Geometry& geometry, const MapPoint& p);
/// The projection's scale along a parallel: ground distance times this is map distance.
double ParallelScale(const Geometry& geometry, double lat);
/// Pixels of the horizontal map that a kilometre along the parallel at `lat` takes.
double PixelsPerKm(const Geometry& geometry, double lat);

/// The bar for `corner` of the three-view sheet: the longest of 10, 20, 50, 100 and 200 km
/// that takes at most a quarter of the map's width, measured at the latitude it stands at,
/// with its label in the layer's font. None when even that bar would be too short to read
/// beside its label, or it cannot stand inside the map.
std::optional<ScaleBarPlan> PlanScaleBar(const Geometry& geometry, MapCorner corner,
                                         const platform::RasterLayer& layer);

/// Draws a planned bar: the line, upright ticks at both ends and "N km" above, in black
/// lines of `lineWidth` and the layer's font on `labelBrush`.
void DrawScaleBar(platform::RasterLayer& layer, const ScaleBarPlan& plan, int lineWidth,
                  platform::WinColor labelBrush);

}  // namespace conic
