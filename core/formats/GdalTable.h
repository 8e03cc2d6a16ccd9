#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Table.h"
#include "core/TableFile.h"

namespace formats {

class ProjSystem;

/// The rows of one layer of a file GDAL/OGR reads: a spreadsheet's sheet, a GPS file's
/// waypoints, a GIS layer's points. The heading row is the layer's field names; a layer of
/// points gets "decimalLatitude" and "decimalLongitude" columns in front, made from each
/// point's geometry on JGD2011 (OwnPositions), so that the import's rules for coordinate
/// columns apply unchanged. Rows are numbered as the user sees them: a spreadsheet's by
/// its row (the heading is row 1), other layers' by the feature's place (the first is 1).
/// Features are read one at a time; a row longer than TableReader::kMaxRowBytes, a
/// feature that is no point, or a point of no position comes back as an error row.
class GdalTable : public core::RowSource {
 public:
  /// Opens `path` with the GDAL driver of `driver` ("XLSX", "GPX", …; empty: any that
  /// knows the file) and picks `layer` (empty: the first sheet, a GPX file's waypoints,
  /// else the first layer with points). `layerless` transforms the points of a layer that
  /// names no coordinate reference system; null: they are taken as latitude and longitude
  /// on JGD2011, with a note. Raises std::invalid_argument (Japanese message) for a file
  /// GDAL cannot read as a table, a layer not there, a layer of lines or areas.
  GdalTable(const std::string& path, const std::string& driver, const std::string& layer,
            std::shared_ptr<ProjSystem> layerless);
  ~GdalTable() override;
  GdalTable(const GdalTable&) = delete;
  GdalTable& operator=(const GdalTable&) = delete;

  bool Next(core::TableRow& row) override;
  std::vector<std::string> Notes() const override;
  bool OwnPositions() const override { return m_points; }
  /// Every file the dataset is made of (a shapefile's .dbf, .shx, .prj beside its .shp),
  /// which an import must never write over any more than the file named.
  const std::vector<std::string>& Files() const { return m_files; }

 private:
  struct Gdal;
  std::unique_ptr<Gdal> m_gdal;
  std::shared_ptr<ProjSystem> m_system;  // the points' system; null when they need none
  std::vector<std::string> m_notes;
  std::vector<std::string> m_files;
  std::string m_driverName;
  bool m_spreadsheet = false;
  bool m_points = false;
  bool m_headed = false;
  int m_fields = 0;
  long m_index = 0;  // features read
  int m_axisX = 0;   // which axis of the system a point's x is (0 or 1), and its sign
  int m_axisY = 1;
  double m_signX = 1;
  double m_signY = 1;
  bool m_sharedSystem = false;  // the import's --crs, told by the import
};

/// Bytes of no character in a UTF-8 text made U+FFFD, one for each; true when some were.
bool MarkUndecodable(std::string& text);

}  // namespace formats
