#pragma once

#include <cmath>
#include <limits>

namespace core {

/// Rounds a pixel coordinate to the nearest integer, a half to the even neighbour
/// (2.5 -> 2, 3.5 -> 4, -0.5 -> 0). Every pixel computation goes through this one
/// helper so that both programs place the same point on the same pixel. Values beyond
/// the int range are clamped and NaN gives 0, so a wild coordinate never becomes
/// undefined behaviour in a drawing call.
inline int RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kMax = static_cast<double>(std::numeric_limits<int>::max());
  constexpr double kMin = static_cast<double>(std::numeric_limits<int>::min());
  // std::nearbyint honours the current rounding mode, which is round-to-nearest-even
  // unless someone changed it; the explicit form does not depend on that.
  double whole = std::floor(value);
  const double diff = value - whole;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole >= kMax) return std::numeric_limits<int>::max();
  if (whole <= kMin) return std::numeric_limits<int>::min();
  return static_cast<int>(whole);
}

}  // namespace core
