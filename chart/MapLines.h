#pragma once

#include <cstdint>

#include "core/MapData.h"
#include "platform/chart/Chart.h"

namespace core {
class LineReader;
}

namespace chart {

/// What the map lines are drawn with: the charts shown, the boundaries' box and the line
/// colours (Windows colour values) and width.
struct MapLineStyle {
  bool horizonMap = true;
  bool profileMap = true;
  bool prefecture = false;
  std::uint32_t mapColor = 0;
  std::uint32_t subColor = 0x808080;
  int width = 1;
};

/// Fills the three map-line series from a map data file: coastlines and boundaries into
/// `map` (longitude, latitude), the west-east outline into `westEast` (longitude,
/// altitude) and the south-north outline into `southNorth` (altitude, latitude beside a
/// shown map; latitude, altitude otherwise). The series are emptied first. Profiles are
/// staircases: at each new position the line first runs at the previous altitude. Raises
/// core::ConversionError (with its line) for a malformed number, the points read before it
/// staying in the series. Returns which sections the file held.
core::SectionsRead ReadMapLines(core::LineReader& reader, const MapLineStyle& style,
                                platform::LineSeries& map, platform::LineSeries& westEast,
                                platform::LineSeries& southNorth);

}  // namespace chart
