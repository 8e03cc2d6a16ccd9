#pragma once
// What the two programs' scale bars share: the corners they stand in and the round
// lengths they measure.

#include <cmath>
#include <numbers>

namespace core {

/// The corners of the map a scale bar can stand in, as the settings files and the panels'
/// lists number them.
enum class MapCorner { LowerRight = 0, LowerLeft = 1, UpperRight = 2, UpperLeft = 3 };
inline constexpr int kMapCorners = 4;

/// A corner as a settings file gives it; the lower right for any other number.
inline MapCorner MapCornerOf(int code) {
  return code >= 0 && code < kMapCorners ? static_cast<MapCorner>(code) : MapCorner::LowerRight;
}
inline bool IsLower(MapCorner corner) {
  return corner == MapCorner::LowerRight || corner == MapCorner::LowerLeft;
}
inline bool IsRight(MapCorner corner) {
  return corner == MapCorner::LowerRight || corner == MapCorner::UpperRight;
}

/// Round lengths a reader takes in at a glance, longest first.
inline constexpr int kScaleBarKm[] = {200, 100, 50, 20, 10};
/// Beyond this share of the map's width a bar crowds the map it measures.
inline constexpr double kScaleBarMaxShare = 0.25;

/// The longest round length whose bar takes at most `maxPixels`; 0 when none does.
inline int RoundBarKm(double pixelsPerKm, double maxPixels) {
  for (const int km : kScaleBarKm) {
    if (km * pixelsPerKm <= maxPixels) return km;
  }
  return 0;
}

/// The earth's radius both maps are drawn for (the sphere of the same area as the
/// ellipsoid), kilometres.
inline constexpr double kEarthRadiusKm = 6371.0;

/// Kilometres of a degree of longitude along the parallel at `lat`.
inline double KmPerDegreeLongitude(double lat) {
  constexpr double kDeg = std::numbers::pi / 180.0;
  return kEarthRadiusKm * kDeg * std::cos(lat * kDeg);
}

}  // namespace core
