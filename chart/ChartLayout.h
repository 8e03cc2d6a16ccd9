#pragma once

#include <array>
#include <stdexcept>
#include <string>

namespace chart {

/// A chart's place in the drawing area, in pixels.
struct ChartRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ChartRect&) const = default;
};

/// What the layout reads: the drawing range (degrees), the latitude/longitude length ratio,
/// the charts to show (1 map, 2 profiles, 3 all three), the window's client size in pixels,
/// the enlargement and the fit.
struct LayoutInput {
  double gx1 = 0, gx2 = 0, gy1 = 0, gy2 = 0;
  double i2k = 0;
  int mapKind = 3;
  int clientWidth = 0;
  int clientHeight = 0;
  int zoom = 1;
  bool fitToWidth = true;
};

/// Where the four charts go: Chart0 (title and legend corner), Chart1 (map), Chart2
/// (west–east profile), Chart3 (south–north profile). A chart that is not shown keeps the
/// rectangle it had.
struct ChartLayout {
  double mapAspect = 0;
  std::array<bool, 4> shown{};
  std::array<ChartRect, 4> rect{};
};

/// The range gives no layout: the message is the one the user sees.
class LayoutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The height/width ratio of the horizontal map: (gy2 − gy1) / (gx2 − gx1) × i2k. Raises
/// LayoutError for a range of zero width ("0 による浮動小数点数除算", or
/// "不正な浮動小数点数演算命令" when the height is zero as well), and for a range of zero or
/// reversed height, a reversed width or a ratio that is not a positive number, which would
/// give charts of no or negative size.
double MapAspectOf(const LayoutInput& in);

/// The charts' places for the chart set `in.mapKind`, starting from `previous` (a layout
/// keeps what it does not set: the profile widths when fitting to the height in the
/// profiles-only set, and the places of hidden charts). Raises LayoutError as MapAspectOf,
/// before anything is changed.
ChartLayout LayoutCharts(const LayoutInput& in, const ChartLayout& previous);

/// The size the shown charts of a layout cover together, from the drawing area's corner.
ChartRect CoveredArea(const ChartLayout& layout);

/// The largest layout of `in`'s charts (fitted by the width, without enlargement) whose
/// whole figure fits a view of `viewWidth` × `viewHeight` pixels: what "fit the window"
/// means, the profiles and the corner included. Raises LayoutError as MapAspectOf.
ChartLayout FitLayout(LayoutInput in, const ChartLayout& previous, int viewWidth, int viewHeight);

}  // namespace chart
