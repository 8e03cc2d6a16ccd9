#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/Table.h"

namespace formats {

/// A JSON download read as a table with Qt's JSON parser: an array of objects, each a row,
/// or an object of objects keyed by an id, each a row with its key in an "id" column (or
/// "key" when the objects have an "id"), or an object whose one array of objects holds the
/// records (an API's "results"). The columns are every member name found, in the order
/// first seen; numbers are written shortest, true and false as such, null empty, and
/// arrays and objects as compact JSON. Rows are numbered by their place (the first is 1).
/// GeoJSON is not read here (IsGeoJson). The file is read whole, so it is refused above
/// kMaxJsonBytes.
class JsonTable : public core::RowSource {
 public:
  /// Raises std::invalid_argument (Japanese message) for a file that is no JSON or not of
  /// these shapes, and IoError when it cannot be read.
  explicit JsonTable(const std::string& path);
  ~JsonTable() override;
  JsonTable(const JsonTable&) = delete;
  JsonTable& operator=(const JsonTable&) = delete;

  bool Next(core::TableRow& row) override;
  std::vector<std::string> Notes() const override { return m_notes; }

  static constexpr long long kMaxJsonBytes = 64LL << 20;

 private:
  struct Rows;
  std::unique_ptr<Rows> m_rows;
  std::vector<std::string> m_notes;
};

/// Raised by JsonTable for a GeoJSON document, which is GDAL's to read.
struct GeoJsonFound : std::exception {
  const char* what() const noexcept override { return "GeoJSON"; }
};

/// Whether a JSON file is GeoJSON (a FeatureCollection, a Feature or a geometry at its top),
/// judged from its first bytes.
bool IsGeoJson(const std::string& path);

}  // namespace formats
