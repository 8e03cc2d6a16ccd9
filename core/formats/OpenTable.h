#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Table.h"
#include "core/TableFile.h"

namespace formats {

class ProjSystem;

/// How a table file is opened, besides its name.
struct TableOpening {
  std::string layer;  ///< a sheet or layer by name; empty: the first (a GPX file's waypoints)
  /// Transforms the points of a layer that names no coordinate reference system.
  std::shared_ptr<ProjSystem> layerless;
};

/// A table file opened for the import: its rows, and which file it is.
class OpenedTable {
 public:
  virtual ~OpenedTable() = default;
  virtual core::RowSource& Rows() = 0;
  /// The regular file read, which the import must never write over; nullopt for a pipe
  /// or a device. Complete once the rows are read.
  virtual std::optional<core::FileId> Id() const = 0;
  /// The other files read with it (a shapefile's .dbf and .shx), equally never written over.
  virtual std::vector<core::FileId> OtherIds() const { return {}; }
};

/// Opens a table by its name's extension: .xlsx and .ods (spreadsheets), .gpx, .kml, .kmz,
/// .geojson, .gpkg and .shp (GDAL/OGR), .json (a GeoJSON one through GDAL, any other as a
/// table of objects); anything else, and standard input ("-"), as CSV or tab-separated
/// text (core::TableReader). A file of another extension that GDAL knows as a picture or
/// raster is refused by name rather than read as text. Raises IoError when the file cannot
/// be opened, std::invalid_argument (Japanese message) when it cannot be read as a table,
/// and for --layer given for a CSV table.
std::unique_ptr<OpenedTable> OpenTable(const std::string& path, std::FILE* standardInput,
                                       const TableOpening& opening = {});

/// The extensions OpenTable reads besides CSV and text ("xlsx", "ods", …), lower case.
const std::vector<std::string_view>& TableExtensions();

/// Whether a file name's extension is one of a table: csv, tsv, txt or TableExtensions (any
/// letter case).
bool IsTableName(std::string_view path);

}  // namespace formats
