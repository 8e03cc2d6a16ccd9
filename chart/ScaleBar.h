#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <optional>

#include "chart/Decorations.h"
#include "core/ScaleLength.h"
#include "platform/chart/Chart.h"

class QPainter;

namespace chart {

/// Where a scale bar goes on the map chart and what it measures.
struct ScaleBarPlan {
  int km = 0;       ///< the bar's length on the ground
  double lat = 0;   ///< the latitude its length was worked out at: the range's middle
  double left = 0;  ///< the bar's ends and its row, chart pixels
  double right = 0;
  double y = 0;
  double tick = 0;  ///< height of the end ticks
  QRectF box;       ///< the bar, its ticks and its label
};

/// The text under which a bar of `km` is labelled.
QString ScaleBarLabel(int km);

/// Pixels of the map a kilometre east–west takes: the chart draws a degree of longitude
/// the same length everywhere, a degree's length at the range's middle latitude.
double ChartPixelsPerKm(const platform::ChartMapping& map, double gx1, double gy1, double gy2);

/// The bar for `corner` of the map's plot (the range gx1..gx2, gy1..gy2): the longest of
/// 10, 20, 50, 100 and 200 km that takes at most a quarter of the plot's width, its label
/// `textHeight` tall and as wide as `width` measures. A bar that would stand on `avoid`
/// (the legend) moves along the plot's side past it. None when even that bar would be
/// too short to read beside its label, or it finds no room on the plot.
std::optional<ScaleBarPlan> PlanScaleBar(const platform::ChartMapping& map, double gx1, double gx2,
                                         double gy1, double gy2, core::MapCorner corner,
                                         const TextWidth& width, double textHeight,
                                         const QRectF& avoid = QRectF());

/// Draws a planned bar in black: the line `lineWidth` wide, upright ticks at both ends and
/// the label centred above in `font`.
void DrawScaleBar(QPainter& painter, const ScaleBarPlan& plan, const QFont& font, int lineWidth);

}  // namespace chart
