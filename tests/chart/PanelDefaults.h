#pragma once

#include "chart/ChartLayout.h"

namespace chart {

/// The layout input of the settings panel's start values: 128–146° E, 30–46° N, ratio
/// 1.2208, in a client area of the size.
inline LayoutInput PanelDefaults(int mapKind, int width, int height) {
  LayoutInput in;
  in.gx1 = 128;
  in.gx2 = 146;
  in.gy1 = 30;
  in.gy2 = 46;
  in.i2k = 1.2208;
  in.mapKind = mapKind;
  in.clientWidth = width;
  in.clientHeight = height;
  return in;
}

}  // namespace chart
