#include "tools/check/PlacedOutput.h"

#include <cstdio>

#include "core/MeshCode.h"
#include "core/Number.h"
#include "core/TextCodec.h"

namespace check {

namespace {

std::string Altitude(double alt) {
  return alt == core::kNoAltitude ? std::string() : core::FormatShortest(alt);
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// Bytes of no UTF-8 character as U+FFFD, so that the file stays UTF-8 throughout.
std::string WholeUtf8(std::string_view text) {
  if (core::IsWellFormedUtf8(text)) return std::string(text);
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    const size_t length = b < 0x80         ? 1
                          : (b >> 5) == 6  ? 2
                          : (b >> 4) == 14 ? 3
                          : (b >> 3) == 30 ? 4
                                           : 0;
    if (length > 0 && i + length <= text.size() && core::IsWellFormedUtf8(text.substr(i, length))) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string JsonEscaped(std::string_view text) {
  const std::string whole = WholeUtf8(text);
  std::string out;
  out.reserve(whole.size() + 2);
  for (const char c : whole) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

std::string GeoJsonStart(std::string_view name) {
  return "{\n\"type\": \"FeatureCollection\",\n\"name\": \"" + JsonEscaped(name) +
         "\",\n\"crs\": { \"type\": \"name\", \"properties\": { \"name\": "
         "\"urn:ogc:def:crs:EPSG::6668\" } },\n\"features\": [";
}

std::string GeoJsonFeature(const PlacedRecord& record, int gridSize, bool first) {
  const std::string alt = Altitude(record.alt);
  return std::string(first ? "\n" : ",\n") +
         "{ \"type\": \"Feature\", \"properties\": { \"line\": " + std::to_string(record.line) +
         ", \"category\": " + std::to_string(record.category) + ", \"title\": \"" +
         JsonEscaped(record.title) + "\", \"precision\": " + std::to_string(gridSize) +
         ", \"altitude\": " + (alt.empty() ? "null" : alt) +
         ", \"mesh\": " + (record.mesh.empty() ? "null" : "\"" + JsonEscaped(record.mesh) + "\"") +
         " }, \"geometry\": { \"type\": \"Point\", \"coordinates\": [ " +
         core::FormatShortest(record.lon) + ", " + core::FormatShortest(record.lat) + " ] } }";
}

std::string GeoJsonEnd() {
  return "\n]\n}\n";
}

std::string PlacedCsvHeading() {
  return "line,category,title,latitude,longitude,altitude,precision,mesh\n";
}

std::string PlacedCsvRow(const PlacedRecord& record, int gridSize) {
  return std::to_string(record.line) + ',' + std::to_string(record.category) + ',' +
         CsvField(WholeUtf8(record.title)) + ',' + core::FormatShortest(record.lat) + ',' +
         core::FormatShortest(record.lon) + ',' + Altitude(record.alt) + ',' +
         std::to_string(gridSize) + ',' + CsvField(record.mesh) + '\n';
}

}  // namespace check
