#pragma once

#include <array>

#include "chart/ChartLayout.h"

namespace chart {

/// Where the charts go in a written figure, in pixels of the output: its size and, per
/// chart (0 corner, 1 map, 2 west–east, 3 south–north), whether it is drawn and the
/// rectangle it is drawn into (left, top, width, height; right and bottom exclusive).
/// The longest side of a written figure, in pixels: image files and viewers commonly take
/// up to 32767, and a figure this size already holds about a gigabyte of pixels.
inline constexpr int kMaxFigureSide = 16384;

struct FigureLayout {
  int width = 0;
  int height = 0;
  std::array<bool, 4> drawn{};
  std::array<ChartRect, 4> rect{};
};

/// The figure of the chart set `mapKind` (1 map, 2 profiles, 3 three-view) for a map of
/// height/width ratio `mapAspect` at enlargement `zoom`. The map alone is 1600 × zoom
/// pixels wide; the two profiles share a 1600 × 600 figure, the longer side getting 1600
/// pixels; the three-view has a 1200-pixel map with a band of 300 pixels (a quarter of the
/// map's height when that is 1200 or more) for the profiles and the corner. At an
/// enlargement other than 1 every chart set is the figure of enlargement 1 scaled whole,
/// every rectangle with it, rather than drawn small in a corner of a larger figure; the
/// charts are drawn into the rectangles of enlargement 1 through a painter scaled by the
/// enlargement, so that their text, markers and lines grow with them.
/// `mapAspect` must be positive and finite (the layout refused the range otherwise).
/// Raises LayoutError when a side of the figure would pass kMaxFigureSide.
FigureLayout FigureLayoutOf(int mapKind, double mapAspect, int zoom);

}  // namespace chart
