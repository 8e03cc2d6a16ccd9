#pragma once

#include <cstdint>
#include <string>

namespace platform {

/// A line style of a chart: colour as the Windows 24-bit value (red in the low byte), width
/// in pixels, shown, dotted (one pixel on, one off) or solid.
struct ChartPen {
  std::uint32_t color = 0;
  int width = 1;
  bool visible = true;
  bool dotted = false;
  bool operator==(const ChartPen&) const = default;
};

/// One of a chart's four axes, as its owner sets it; the drawing works out from it where
/// the labels, grid lines and minor grid lines go (platform/chart/AxisScale.h).
struct ChartAxis {
  double minimum = 0;
  double maximum = 1;
  /// Distance between labels and grid lines, which stand at its multiples, also when the
  /// labels are hidden; coarsened while labels would crowd (SpacedIncrement).
  double increment = 0;
  bool inverted = false;
  bool visible = true;
  bool labelsVisible = true;
  /// FormatFloat's format for the labels.
  std::string valueFormat = "###.#";
  /// Whether the labels at the axis' minimum and maximum are drawn.
  bool labelsAtEnds = true;
  int tickLength = 4;
  int minorTickCount = 3;
  /// Room between labels, in percent of a label's size along the axis.
  double labelSeparation = 10;
  ChartPen axisPen{0, 1, true, false};
  ChartPen gridPen{0x808080, 1, true, false};
  ChartPen minorGridPen{0x808080, 1, false, true};
};

}  // namespace platform
