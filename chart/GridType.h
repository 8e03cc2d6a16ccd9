#pragma once

#include <cstdint>

#include "platform/chart/ChartAxis.h"

namespace chart {

/// The axes SetGridType turns into mesh lines. Chart3's latitude and altitude axes are its
/// bottom and left axes in the profiles-only layout, its right and bottom axes in the
/// three-view layout; the caller passes whichever they are.
struct GridAxes {
  platform::ChartAxis* mapLongitude;  // Chart1 bottom
  platform::ChartAxis* mapLatitude;   // Chart1 left
  platform::ChartAxis* weLongitude;   // Chart2 bottom
  platform::ChartAxis* weAltitude;    // Chart2 left
  platform::ChartAxis* snLatitude;    // Chart3, or nullptr in the map-only layout
  platform::ChartAxis* snAltitude;    // Chart3, or nullptr in the map-only layout
};

/// What the grid depends on: the mesh level (0 none, 1 first-order, 2 second-order,
/// 3 standard), the mesh line colour, the range in degrees and the altitude cap in metres.
struct GridInput {
  int meshSize = 0;
  std::uint32_t meshColor = 0;
  double gx1 = 0, gx2 = 0, gy1 = 0, gy2 = 0;
  double gh2 = 0;
};

/// The increment written 2/3: the first-order mesh's 40 minutes of latitude.
inline constexpr double kTwoThirds = 2.0 / 3.0;
/// The increment written 1/12: the second-order mesh's 5 minutes of latitude.
inline constexpr double kOneTwelfth = 1.0 / 12.0;

/// Sets increments, minor tick counts, grid and minor grid pens of the axes so that the
/// grid lines are the boundaries of the regional mesh of the level. Settings the level does
/// not name keep their values.
void SetGridType(const GridAxes& axes, const GridInput& in);

/// The mesh level whose lines stand `spacing` degrees apart along a longitude axis (1°,
/// 7'30", 45") or, with `latitude`, a latitude axis (40', 5', 30"): 1, 2 or 3 (standard);
/// 0 for any other spacing, such as one the chart coarsened for its labels.
int MeshLevelOf(double spacing, bool latitude);

}  // namespace chart
