#pragma once

namespace conic {

/// Height of a sheet divided by its width.
inline constexpr double kSheetRatio = 1.414;
/// Kilometres in a unit of the projected map.
inline constexpr double kKmPerMapUnit = 10.0;
/// The earth's radius the projection uses, in map units.
inline constexpr double kEarthRadius = 637.1;

/// The fixed region of the map and the altitude range of the profiles.
struct Region {
  double westLon = 122.0;     ///< west edge; also the reference point's longitude
  double centralLon = 135.0;  ///< central meridian of the projection
  double eastLon = 149.0;
  double southLat = 24.0;  ///< south edge; first standard parallel; reference latitude
  double northLat = 46.0;  ///< north edge; second standard parallel
  double altMin = 0.0;     ///< metres
  double altMax = 3800.0;
};

/// Where everything stands on a three-view sheet of width W, in pixels (not rounded).
struct SheetLayout {
  double hMapLeft = 0, hMapRight = 0, hMapBase = 0;
  double profLeft = 0, profRight = 0, profHeight = 0;
  double weBase = 0, snBase = 0;
  double legendBase = 0, titleY = 0;
  double xMin = 0, xMax = 0;  ///< projected X extremes of the region, map units
  double hMapScale = 0;       ///< pixels per map unit
  double lonScale = 0;        ///< pixels per degree of longitude, west-east profile
  double latScale = 0;        ///< pixels per degree of latitude, south-north profile
  double altScale = 0;        ///< pixels per metre; negative, y grows downwards
};

/// A projected point in map units (1 unit = 10 km), offset so that the reference point
/// (west edge, south edge) projects to (westLon, southLat).
struct MapPoint {
  double x = 0;
  double y = 0;
};

/// The Lambert conformal conic projection of the conic program and the layout of its
/// sheet. The region and projection exist from the start; the layout exists after the
/// first three-view layout and stays as it was for the other figure types.
class Geometry {
 public:
  Geometry() { InitLambert(); }

  const Region& GetRegion() const { return m_region; }
  const SheetLayout& Layout() const { return m_layout; }
  double ConeN() const { return m_coneN; }
  double ConeRF() const { return m_coneRF; }
  double Rho0() const { return m_rho0; }

  /// Half the colatitude in radians.
  static double HalfColatitude(double lat);
  /// Cone constant, scaled radius and reference distance from the standard parallels.
  void InitLambert();
  /// Forward projection of a point in decimal degrees.
  MapPoint LambertXY(double lon, double lat) const;
  /// Pixel of a projected X or Y on the sheet, rounded half to even.
  int HMGraphPosX(double vx) const;
  int HMGraphPosY(double vy) const;

  /// The layout part of a full drawing: region reset, projection, and for figure type 3
  /// the layout and scales for a sheet `width` pixels wide. Other figure types keep the
  /// layout of the last three-view drawing (all zero before the first).
  void ReplaceMaps(int width, int mapsType);

 private:
  Region m_region;
  SheetLayout m_layout;
  double m_coneN = 0;
  double m_coneRF = 0;
  double m_rho0 = 0;
};

}  // namespace conic
