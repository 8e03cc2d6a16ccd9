#include "core/LandMap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/MapData.h"

namespace core {

namespace {

// Kilometres per degree of latitude, and of longitude at the equator.
constexpr double kKmPerLatDegree = 110.574;
constexpr double kKmPerLonDegree = 111.320;
// A cell of 0.05 degrees is 4 to 5.5 km: a coastal cell lists a few dozen segments, and the
// whole of Japan's region takes a quarter of a million cells.
constexpr double kCellDegrees = 0.05;
constexpr double kPadDegrees = 0.1;

double KmPerLonDegree(double lat) {
  return kKmPerLonDegree * std::cos(lat * std::numbers::pi / 180.0);
}

// The distance from the origin to the segment a-b, all in km.
double DistanceToSegment(double ax, double ay, double bx, double by) {
  const double dx = bx - ax;
  const double dy = by - ay;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? -(ax * dx + ay * dy) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double x = ax + t * dx;
  const double y = ay + t * dy;
  return std::sqrt(x * x + y * y);
}

// A ray from (lon, lat) towards the east crosses the segment: its ends lie on either side
// of the parallel (one end's latitude counts as above), and the crossing lies east.
bool CrossesEastward(double lat, double lon, double lon1, double lat1, double lon2, double lat2) {
  if ((lat1 <= lat) == (lat2 <= lat)) return false;
  const double x = lon1 + (lat - lat1) * (lon2 - lon1) / (lat2 - lat1);
  return x > lon;
}

// Whether the segments p-q and a-b cross (touching counts), in degrees.
bool SegmentsCross(double px, double py, double qx, double qy, double ax, double ay, double bx,
                   double by) {
  auto side = [](double x1, double y1, double x2, double y2, double x, double y) {
    const double cross = (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1);
    return (cross > 0) - (cross < 0);
  };
  const int s1 = side(px, py, qx, qy, ax, ay);
  const int s2 = side(px, py, qx, qy, bx, by);
  const int s3 = side(ax, ay, bx, by, px, py);
  const int s4 = side(ax, ay, bx, by, qx, qy);
  return s1 != s2 && s3 != s4;
}

// Whether an odd number of the crossings belong to some ring.
bool AnyOdd(std::vector<std::uint32_t>& rings) {
  std::sort(rings.begin(), rings.end());
  for (size_t i = 0; i < rings.size();) {
    size_t j = i;
    while (j < rings.size() && rings[j] == rings[i])
      ++j;
    if ((j - i) % 2 == 1) return true;
    i = j;
  }
  return false;
}

class RingCollector : public MapDataHandler {
 public:
  SectionUse UseOf(MapSection section) override {
    return section == MapSection::HMap ? SectionUse::Read : SectionUse::Skip;
  }
  void OnSectionStart(MapSection) override {}
  void OnPoint(double lon, double lat) override { m_current.emplace_back(lon, lat); }
  void OnBreak() override {
    if (m_current.size() >= 3) rings.push_back(std::move(m_current));
    m_current.clear();
  }
  std::vector<std::vector<std::pair<double, double>>> rings;

 private:
  std::vector<std::pair<double, double>> m_current;
};

}  // namespace

LandMap LandMap::Read(LineReader& reader) {
  RingCollector collector;
  ReadMapData(reader, Program::Conic, collector);
  collector.OnBreak();  // a last ring without its break line
  return FromRings(collector.rings);
}

LandMap LandMap::FromRings(const std::vector<std::vector<std::pair<double, double>>>& rings) {
  LandMap map;
  map.Build(rings);
  return map;
}

void LandMap::Build(const std::vector<std::vector<std::pair<double, double>>>& rings) {
  double west = std::numeric_limits<double>::infinity();
  double east = -west;
  double south = west;
  double north = -west;
  for (size_t r = 0; r < rings.size(); ++r) {
    const auto& ring = rings[r];
    for (size_t i = 0; i < ring.size(); ++i) {
      const auto& [lon1, lat1] = ring[i];
      const auto& [lon2, lat2] = ring[(i + 1) % ring.size()];  // every ring closes
      if (!std::isfinite(lon1) || !std::isfinite(lat1) || !std::isfinite(lon2) ||
          !std::isfinite(lat2) || (lon1 == lon2 && lat1 == lat2)) {
        continue;
      }
      m_segments.push_back({lon1, lat1, lon2, lat2, static_cast<std::uint32_t>(r)});
      west = std::min({west, lon1, lon2});
      east = std::max({east, lon1, lon2});
      south = std::min({south, lat1, lat2});
      north = std::max({north, lat1, lat2});
    }
  }
  if (m_segments.empty()) return;
  m_west = west - kPadDegrees;
  m_south = south - kPadDegrees;
  m_cols = static_cast<int>(std::ceil((east + kPadDegrees - m_west) / kCellDegrees));
  m_rows = static_cast<int>(std::ceil((north + kPadDegrees - m_south) / kCellDegrees));
  const double highest = std::max(std::fabs(m_south), std::fabs(north + kPadDegrees));
  m_minCellKm = std::min(kCellDegrees * kKmPerLatDegree, kCellDegrees * KmPerLonDegree(highest));

  // Each segment is listed in every cell that some point within kNearLandKm of it may lie
  // in, and in every row its latitudes span: counted first, then filled.
  const double reachKm = kNearLandKm + 0.1;
  auto cellRange = [&](const Segment& s, int& r0, int& r1, int& c0, int& c1) {
    const double latMargin = reachKm / kKmPerLatDegree;
    const double lo = std::min(s.lat1, s.lat2) - latMargin;
    const double hi = std::max(s.lat1, s.lat2) + latMargin;
    const double lonMargin = reachKm / KmPerLonDegree(std::max(std::fabs(lo), std::fabs(hi)));
    r0 = std::clamp(static_cast<int>(std::floor((lo - m_south) / kCellDegrees)), 0, m_rows - 1);
    r1 = std::clamp(static_cast<int>(std::floor((hi - m_south) / kCellDegrees)), 0, m_rows - 1);
    c0 = std::clamp(static_cast<int>(
                        std::floor((std::min(s.lon1, s.lon2) - lonMargin - m_west) / kCellDegrees)),
                    0, m_cols - 1);
    c1 = std::clamp(static_cast<int>(
                        std::floor((std::max(s.lon1, s.lon2) + lonMargin - m_west) / kCellDegrees)),
                    0, m_cols - 1);
  };
  auto rowRange = [&](const Segment& s, int& r0, int& r1) {
    r0 = std::clamp(
        static_cast<int>(std::floor((std::min(s.lat1, s.lat2) - m_south) / kCellDegrees)), 0,
        m_rows - 1);
    r1 = std::clamp(
        static_cast<int>(std::floor((std::max(s.lat1, s.lat2) - m_south) / kCellDegrees)), 0,
        m_rows - 1);
  };
  const size_t cells = static_cast<size_t>(m_rows) * static_cast<size_t>(m_cols);
  m_cellStart.assign(cells + 1, 0);
  m_rowStart.assign(static_cast<size_t>(m_rows) + 1, 0);
  for (const Segment& s : m_segments) {
    int r0, r1, c0, c1;
    cellRange(s, r0, r1, c0, c1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c)
        ++m_cellStart[static_cast<size_t>(CellIndex(r, c)) + 1];
    rowRange(s, r0, r1);
    for (int r = r0; r <= r1; ++r)
      ++m_rowStart[static_cast<size_t>(r) + 1];
  }
  for (size_t i = 1; i < m_cellStart.size(); ++i)
    m_cellStart[i] += m_cellStart[i - 1];
  for (size_t i = 1; i < m_rowStart.size(); ++i)
    m_rowStart[i] += m_rowStart[i - 1];
  m_cellSegments.resize(m_cellStart.back());
  m_rowSegments.resize(m_rowStart.back());
  std::vector<std::uint32_t> cellFill(m_cellStart.begin(), m_cellStart.end() - 1);
  std::vector<std::uint32_t> rowFill(m_rowStart.begin(), m_rowStart.end() - 1);
  for (std::uint32_t i = 0; i < m_segments.size(); ++i) {
    const Segment& s = m_segments[i];
    int r0, r1, c0, c1;
    cellRange(s, r0, r1, c0, c1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c)
        m_cellSegments[cellFill[static_cast<size_t>(CellIndex(r, c))]++] = i;
    rowRange(s, r0, r1);
    for (int r = r0; r <= r1; ++r)
      m_rowSegments[rowFill[static_cast<size_t>(r)]++] = i;
  }

  // Whether each cell's centre is on land, a row at a time: the crossings of the row's
  // centre parallel, swept from the east, where no ring reaches.
  m_cellLand.assign(cells, 0);
  std::vector<std::uint8_t> parity(rings.size(), 0);
  std::vector<std::pair<double, std::uint32_t>> crossings;
  for (int r = 0; r < m_rows; ++r) {
    const double lat = m_south + (r + 0.5) * kCellDegrees;
    crossings.clear();
    for (std::uint32_t k = m_rowStart[static_cast<size_t>(r)];
         k < m_rowStart[static_cast<size_t>(r) + 1]; ++k) {
      const Segment& s = m_segments[m_rowSegments[k]];
      if ((s.lat1 <= lat) == (s.lat2 <= lat)) continue;
      crossings.emplace_back(s.lon1 + (lat - s.lat1) * (s.lon2 - s.lon1) / (s.lat2 - s.lat1),
                             s.ring);
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    size_t next = 0;
    int odd = 0;
    for (int c = m_cols - 1; c >= 0; --c) {
      const double lon = m_west + (c + 0.5) * kCellDegrees;
      for (; next < crossings.size() && crossings[next].first > lon; ++next) {
        std::uint8_t& p = parity[crossings[next].second];
        p ^= 1;
        odd += p ? 1 : -1;
      }
      m_cellLand[static_cast<size_t>(CellIndex(r, c))] = odd > 0;
    }
    for (size_t k = 0; k < next; ++k)
      parity[crossings[k].second] = 0;
  }

  // The Chebyshev distance of each cell to the nearest listed one, in two sweeps.
  constexpr int kFar = 255;
  m_cellReach.assign(cells, kFar);
  auto reach = [&](int r, int c) -> std::uint8_t& {
    return m_cellReach[static_cast<size_t>(CellIndex(r, c))];
  };
  for (int r = 0; r < m_rows; ++r) {
    for (int c = 0; c < m_cols; ++c) {
      const size_t cell = static_cast<size_t>(CellIndex(r, c));
      int best = m_cellStart[cell] != m_cellStart[cell + 1] ? 0 : kFar;
      for (const auto& [dr, dc] : {std::pair{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}}) {
        const int rr = r + dr;
        const int cc = c + dc;
        if (rr >= 0 && cc >= 0 && cc < m_cols) best = std::min(best, reach(rr, cc) + 1);
      }
      reach(r, c) = static_cast<std::uint8_t>(std::min(best, kFar));
    }
  }
  for (int r = m_rows - 1; r >= 0; --r) {
    for (int c = m_cols - 1; c >= 0; --c) {
      int best = reach(r, c);
      for (const auto& [dr, dc] : {std::pair{1, 1}, {1, 0}, {1, -1}, {0, 1}}) {
        const int rr = r + dr;
        const int cc = c + dc;
        if (rr < m_rows && cc >= 0 && cc < m_cols) best = std::min(best, reach(rr, cc) + 1);
      }
      reach(r, c) = static_cast<std::uint8_t>(std::min(best, kFar));
    }
  }
}

bool LandMap::CellOf(double lat, double lon, int& row, int& col) const {
  if (m_rows == 0 || !std::isfinite(lat) || !std::isfinite(lon)) return false;
  const double r = std::floor((lat - m_south) / kCellDegrees);
  const double c = std::floor((lon - m_west) / kCellDegrees);
  if (r < 0 || c < 0 || r >= m_rows || c >= m_cols) return false;
  row = static_cast<int>(r);
  col = static_cast<int>(c);
  return true;
}

double LandMap::NearestInCell(int row, int col, double lat, double lon, double kx,
                              double best) const {
  const size_t cell = static_cast<size_t>(CellIndex(row, col));
  for (std::uint32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
    const Segment& s = m_segments[m_cellSegments[k]];
    best = std::min(best, DistanceToSegment((s.lon1 - lon) * kx, (s.lat1 - lat) * kKmPerLatDegree,
                                            (s.lon2 - lon) * kx, (s.lat2 - lat) * kKmPerLatDegree));
  }
  return best;
}

bool LandMap::InsideByRay(double lat, double lon) const {
  std::vector<std::uint32_t> rings;
  auto consider = [&](const Segment& s) {
    if (CrossesEastward(lat, lon, s.lon1, s.lat1, s.lon2, s.lat2)) rings.push_back(s.ring);
  };
  int row = 0;
  int col = 0;
  if (CellOf(lat, lon, row, col)) {
    for (std::uint32_t k = m_rowStart[static_cast<size_t>(row)];
         k < m_rowStart[static_cast<size_t>(row) + 1]; ++k)
      consider(m_segments[m_rowSegments[k]]);
  } else {
    for (const Segment& s : m_segments)
      consider(s);
  }
  return AnyOdd(rings);
}

bool LandMap::OnLand(double lat, double lon) const {
  int row = 0;
  int col = 0;
  if (CellOf(lat, lon, row, col)) {
    const size_t cell = static_cast<size_t>(CellIndex(row, col));
    if (m_cellStart[cell] == m_cellStart[cell + 1]) return m_cellLand[cell] != 0;
  }
  return InsideByRay(lat, lon);
}

std::optional<double> LandMap::SeaDistanceKm(double lat, double lon) const {
  if (m_segments.empty() || !std::isfinite(lat) || !std::isfinite(lon)) return std::nullopt;
  int row = 0;
  int col = 0;
  if (!CellOf(lat, lon, row, col)) {
    // Beyond the grid, far from every coast: rare enough to look at every segment.
    if (InsideByRay(lat, lon)) return std::nullopt;
    const double kx = KmPerLonDegree(lat);
    double best = kSearchKm;
    for (const Segment& s : m_segments) {
      best =
          std::min(best, DistanceToSegment((s.lon1 - lon) * kx, (s.lat1 - lat) * kKmPerLatDegree,
                                           (s.lon2 - lon) * kx, (s.lat2 - lat) * kKmPerLatDegree));
    }
    return best > kNearLandKm ? std::optional<double>(best) : std::nullopt;
  }
  const size_t cell = static_cast<size_t>(CellIndex(row, col));
  const bool listed = m_cellStart[cell] != m_cellStart[cell + 1];
  const double kx = KmPerLonDegree(lat);
  if (listed) {
    // Every segment within kNearLandKm of the point is listed in its cell, and so is every
    // one that crosses the cell. A point farther from them is on land as the cell's centre
    // is when no coast lies between the two; else a ray tells.
    const double centreLat = m_south + (row + 0.5) * kCellDegrees;
    const double centreLon = m_west + (col + 0.5) * kCellDegrees;
    bool crossed = false;
    double best = kSearchKm;
    for (std::uint32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
      const Segment& s = m_segments[m_cellSegments[k]];
      best =
          std::min(best, DistanceToSegment((s.lon1 - lon) * kx, (s.lat1 - lat) * kKmPerLatDegree,
                                           (s.lon2 - lon) * kx, (s.lat2 - lat) * kKmPerLatDegree));
      if (best <= kNearLandKm) return std::nullopt;
      crossed =
          crossed || SegmentsCross(lon, lat, centreLon, centreLat, s.lon1, s.lat1, s.lon2, s.lat2);
    }
    if (crossed ? InsideByRay(lat, lon) : m_cellLand[cell] != 0) return std::nullopt;
  } else if (m_cellLand[cell]) {
    return std::nullopt;
  }
  // At sea: the nearest coast, looked for in widening squares of cells from the first that
  // holds any. A segment not yet seen after the square of radius k lies k cells away or
  // more.
  const int reach = m_cellReach[cell];
  if ((reach - 1) * m_minCellKm >= kSearchKm) return kSearchKm;
  double best = kSearchKm;
  for (int k = reach;; ++k) {
    for (int r = row - k; r <= row + k; ++r) {
      if (r < 0 || r >= m_rows) continue;
      const bool edgeRow = r == row - k || r == row + k;
      for (int c = col - k; c <= col + k; c += edgeRow || k == 0 ? 1 : 2 * k) {
        if (c < 0 || c >= m_cols) continue;
        best = NearestInCell(r, c, lat, lon, kx, best);
      }
    }
    const double unseen = k * m_minCellKm;
    if (best <= unseen || unseen >= kSearchKm) break;
  }
  return std::max(best, std::nextafter(kNearLandKm, kSearchKm));
}

}  // namespace core
