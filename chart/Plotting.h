#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "platform/chart/Chart.h"
#include "platform/ui/MarkStyle.h"

namespace chart {

/// The marker a chart shape code draws: 0 square, 1 circle, 2 triangle up, 3 triangle
/// down, 4 upright cross, 5 diagonal cross, 6 star, 7 diamond; none for any other code.
std::optional<platform::MarkerShape> ChartMarkerShape(int code);

/// Points every category series has room for whenever it is emptied.
inline constexpr size_t kDefaultCapacity = 64000;

/// The point series of the six data categories on one chart.
using CategorySeries = std::array<platform::PointSeries*, 6>;

/// What a plotting pass needs besides the text.
struct PlotInput {
  int gridSize = 1;
  bool horizonMap = true;
  bool profileMap = true;
  std::array<platform::TMarkStyle, 6> styles{};
  /// The map's range in degrees; a range without width or height (none laid out yet) holds
  /// every record.
  double gx1 = 0, gx2 = 0, gy1 = 0, gy2 = 0;
  /// Records outside the range are left off the profiles, so that the three views show
  /// the same records; otherwise the profiles show them.
  bool profilesInRange = true;
};

/// What a plotting pass came to.
struct PlotResult {
  int categories = 0;             ///< category headers met, at most 6
  std::array<QString, 6> titles;  ///< their header lines
  int records = 0;                ///< records placed on the charts
  /// Record lines not drawn: unreadable, refused, before the first header, or after the
  /// header that ended the pass.
  int skipped = 0;
  int firstSkippedLine = 0;  ///< 1-based line of the first of them
  QString firstSkippedReason;
  int stopLine = 0;          ///< 1-based line of the header beyond the sixth; 0 when none
  QString stopTitle;         ///< that header
  int outside = 0;           ///< of `records`, those outside the map's range
  int firstOutsideLine = 0;  ///< 1-based line of the first of them
};

/// Empties and hides the series of categories 1..`categories` on the three charts.
void ClearDotMaps(int categories, const CategorySeries& map, const CategorySeries& westEast,
                  const CategorySeries& southNorth);

/// One record of category `category` (1..6) on the map: longitude, latitude.
void PlottingH(platform::PointSeries& series, const platform::TMarkStyle& style, float lon,
               float lat);
/// One record on the profiles; nothing for an altitude below 0 or with the profiles not
/// shown. Beside a shown map the south-north profile has altitude across, latitude up.
void PlottingV(platform::PointSeries& westEast, platform::PointSeries& southNorth,
               const platform::TMarkStyle& style, const PlotInput& input, float lon, float lat,
               float alt);

/// Plots the distribution data text, one line at a time from `nextLine` (false at the
/// end), on the three charts' category series, which are emptied first. A line that does
/// not read is skipped and counted; a seventh header ends the plotting, and the lines after
/// it are read only to count the records not drawn. A record outside the map's range is
/// counted as such, and left off the profiles when the input says so.
PlotResult PlotText(const std::function<bool(std::string&)>& nextLine, const PlotInput& input,
                    const CategorySeries& map, const CategorySeries& westEast,
                    const CategorySeries& southNorth);

}  // namespace chart
