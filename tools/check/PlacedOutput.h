#pragma once

#include <string>
#include <string_view>

namespace check {

/// A record as a program draws it: placed (snapped) at the precision, with where it came
/// from.
struct PlacedRecord {
  int line = 0;
  int category = 0;
  std::string title;  ///< the category's header (UTF-8)
  double lat = 0;
  double lon = 0;
  double alt = 0;    ///< core::kNoAltitude for none
  std::string mesh;  ///< the code of a mesh-code record; empty for coordinates
};

/// GeoJSON (RFC 7946 with a "crs" member naming JGD2011, EPSG:6668, which GDAL honours):
/// one Point feature per record, its properties line, category, title, precision,
/// altitude (null for none) and mesh (null for a coordinate record). Written in pieces so
/// that any number of records costs no memory.
std::string GeoJsonStart(std::string_view name);
std::string GeoJsonFeature(const PlacedRecord& record, int gridSize, bool first);
std::string GeoJsonEnd();

/// The same as a CSV table (UTF-8, RFC 4180 quoting, LF line ends): line, category, title,
/// latitude, longitude, altitude (empty for none), precision, mesh.
std::string PlacedCsvHeading();
std::string PlacedCsvRow(const PlacedRecord& record, int gridSize);

/// Text made a JSON string's contents: quotes, backslashes and control characters escaped,
/// bytes of no UTF-8 character made U+FFFD.
std::string JsonEscaped(std::string_view text);

}  // namespace check
