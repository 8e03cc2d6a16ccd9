#include "chart/ChartLayout.h"

#include <algorithm>
#include <cmath>

#include "core/Rounding.h"

namespace chart {

namespace {

int Nearest(double value) {
  return core::RoundHalfEven(value);
}

}  // namespace

double MapAspectOf(const LayoutInput& in) {
  const double width = in.gx2 - in.gx1;
  const double height = in.gy2 - in.gy1;
  if (width == 0) {
    throw LayoutError(height == 0 ? "不正な浮動小数点数演算命令" : "0 による浮動小数点数除算");
  }
  // A zero height makes the map flat and every size divided by the ratio a division by zero;
  // reversed edges or a ratio that is not positive give charts of negative size.
  if (height == 0) throw LayoutError("0 による浮動小数点数除算");
  const double aspect = height / width * in.i2k;
  if (!(width > 0) || !(height > 0) || !(aspect > 0) || !std::isfinite(aspect)) {
    throw LayoutError(
        "作図の範囲が正しくありません。東端経度は西端経度より大きく、北端緯度は南端緯度より"
        "大きく、緯度幅／経度幅は正の数にしてください");
  }
  return aspect;
}

ChartLayout LayoutCharts(const LayoutInput& in, const ChartLayout& previous) {
  ChartLayout layout = previous;
  const double aspect = MapAspectOf(in);
  layout.mapAspect = aspect;
  const double cw = in.clientWidth;
  const double ch = in.clientHeight;
  const int z = in.zoom;
  ChartRect& c0 = layout.rect[0];
  ChartRect& c1 = layout.rect[1];
  ChartRect& c2 = layout.rect[2];
  ChartRect& c3 = layout.rect[3];

  switch (in.mapKind) {
    case 1:
      layout.shown = {false, true, false, false};
      if (in.fitToWidth) {
        c1.width = in.clientWidth * z;
        c1.height = Nearest(c1.width * aspect);
      } else {
        c1.height = in.clientHeight * z;
        c1.width = Nearest(c1.height / aspect);
      }
      c1.left = 0;
      c1.top = 0;
      break;
    case 2:
      layout.shown = {false, false, true, true};
      c2.height = Nearest(ch * z / 2) - 20;
      c3.height = c2.height;
      if (in.fitToWidth) {
        if (aspect >= 1) {
          c3.width = in.clientWidth * z - 20;
          c2.width = Nearest(c3.width / aspect);
        } else {
          c2.width = in.clientWidth * z - 20;
          c3.width = Nearest(c2.width * aspect);
        }
      }
      c2.left = 0;
      c2.top = 0;
      c3.left = 0;
      c3.top = c2.height;
      break;
    default: {
      layout.shown = {true, true, true, true};
      int w = 0;
      int h = 0;
      if (in.fitToWidth) {
        w = Nearest(cw * 3 / 4) * z;
        h = Nearest(w * aspect);
      } else {
        h = Nearest(ch * z * 3 / 4);
        w = Nearest(h / aspect);
      }
      const int p = h >= w ? Nearest(h / 4.0) : Nearest(w / 4.0);
      c1 = {p, p - Nearest(h * 0.03), w, h};
      c2 = {p, 0, w, p};
      c3 = {0, c1.top, p, h};
      c0 = {0, 0, c1.left, c1.top};
      break;
    }
  }
  return layout;
}

ChartRect CoveredArea(const ChartLayout& layout) {
  ChartRect covered;
  for (size_t i = 0; i < layout.rect.size(); ++i) {
    if (!layout.shown[i]) continue;
    const ChartRect& r = layout.rect[i];
    covered.width = std::max(covered.width, r.left + r.width);
    covered.height = std::max(covered.height, r.top + r.height);
  }
  return covered;
}

ChartLayout FitLayout(LayoutInput in, const ChartLayout& previous, int viewWidth, int viewHeight) {
  in.fitToWidth = true;
  in.zoom = 1;
  // The profiles-only set splits the height between its two strips.
  in.clientHeight = viewHeight;
  auto fits = [&](int clientWidth) {
    in.clientWidth = clientWidth;
    const ChartRect covered = CoveredArea(LayoutCharts(in, previous));
    return covered.width <= viewWidth && covered.height <= viewHeight;
  };
  // The figure grows with the width it is laid out for: the largest that fits. A view too
  // small for any gets the smallest figure that can still be read.
  constexpr int kSmallest = 100;
  int low = kSmallest;
  int high = std::max(viewWidth, kSmallest);
  if (!fits(low)) high = low;
  while (low < high) {
    const int middle = low + (high - low + 1) / 2;
    if (fits(middle)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  in.clientWidth = low;
  return LayoutCharts(in, previous);
}

}  // namespace chart
