#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace core {

class LineReader;

/// The land of a map data file's coastlines (*H-MAP), for telling a record that lies at
/// sea. Every ring of the section is a closed polygon of land; a point inside any of them
/// is on land, so a lake inside an island counts as land (no record in Lake Biwa is "at
/// sea"). Distances are on the ground, in kilometres, from a local flat projection, which is
/// within a few metres over the tens of kilometres they are used for.
class LandMap {
 public:
  /// Reads the coastline rings of a map data file with the conic program's rules. Raises
  /// IoError or ConversionError as the map readers do.
  static LandMap Read(LineReader& reader);
  /// Rings given as longitude, latitude points (tests).
  static LandMap FromRings(const std::vector<std::vector<std::pair<double, double>>>& rings);

  /// How far a point lies from land, or nullopt when it is on land or no farther than
  /// kNearLandKm from it. A point farther than kSearchKm comes back as kSearchKm.
  std::optional<double> SeaDistanceKm(double lat, double lon) const;

  /// Whether the point lies inside a ring.
  bool OnLand(double lat, double lon) const;

  /// A record farther than this from land is at sea: GPS error and a coast simplified to
  /// 0.2 km stay well within it.
  static constexpr double kNearLandKm = 2.0;
  /// How far the distance of a point at sea is looked for.
  static constexpr double kSearchKm = 50.0;

 private:
  struct Segment {
    double lon1, lat1, lon2, lat2;
    std::uint32_t ring;
  };
  LandMap() = default;
  void Build(const std::vector<std::vector<std::pair<double, double>>>& rings);
  int CellIndex(int row, int col) const { return row * m_cols + col; }
  bool CellOf(double lat, double lon, int& row, int& col) const;
  // The shortest distance in km from the point to a segment listed in the cell; `best`
  // when none is shorter. `kx` is km per degree of longitude at the point.
  double NearestInCell(int row, int col, double lat, double lon, double kx, double best) const;
  bool InsideByRay(double lat, double lon) const;

  std::vector<Segment> m_segments;
  // Per cell, the segments that come within kNearLandKm of it: m_cellSegments[m_cellStart[c]
  // .. m_cellStart[c + 1]).
  std::vector<std::uint32_t> m_cellStart;
  std::vector<std::uint32_t> m_cellSegments;
  // Per cell row, the segments whose latitudes span some of the row, for casting rays.
  std::vector<std::uint32_t> m_rowStart;
  std::vector<std::uint32_t> m_rowSegments;
  // Per cell, whether its centre is on land; only cells without segments use it.
  std::vector<std::uint8_t> m_cellLand;
  // Per cell, how many cells away the nearest cell with segments lies (at most 255), so
  // that a point far out at sea is not searched for a coast cell by cell.
  std::vector<std::uint8_t> m_cellReach;
  double m_west = 0;  // the grid's south-west corner, degrees
  double m_south = 0;
  double m_minCellKm = 0;  // the shortest side of any cell
  int m_rows = 0;
  int m_cols = 0;
};

}  // namespace core
