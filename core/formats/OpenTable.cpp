#include "core/formats/OpenTable.h"

#include <gdal.h>
#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "core/Errors.h"
#include "core/TextCodec.h"
#include "core/formats/GdalTable.h"
#include "core/formats/JsonTable.h"
#include "core/formats/ProjSystem.h"

namespace formats {

namespace {

struct Kind {
  std::string_view extension;
  const char* driver;  // GDAL's short name; empty: not GDAL's
  bool whole;          // read whole into memory by its driver: refused above the limit
};

// KML and spreadsheets are parsed whole by their drivers; the others stream.
constexpr Kind kKinds[] = {
    {"xlsx", "XLSX", true},  {"ods", "ODS", true},
    {"gpx", "GPX", false},   {"kml", "KML", true},
    {"kmz", "LIBKML", true}, {"geojson", "GeoJSON", false},
    {"gpkg", "GPKG", false}, {"shp", "ESRI Shapefile", false},
    {"json", "", true},
};

constexpr long long kMaxWholeBytes = 64LL << 20;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string Extension(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos || dot == 0 ? std::string() : Lower(name.substr(dot + 1));
}

class TextTable : public OpenedTable {
 public:
  TextTable(const std::string& path, std::FILE* standardInput)
      : m_file(path, standardInput), m_reader(m_file) {}
  core::RowSource& Rows() override { return m_reader; }
  std::optional<core::FileId> Id() const override { return m_file.Id(); }

 private:
  core::TableFile m_file;
  core::TableReader m_reader;
};

class SourceTable : public OpenedTable {
 public:
  SourceTable(std::unique_ptr<core::RowSource> rows, std::optional<core::FileId> id,
              const std::vector<std::string>& others = {})
      : m_rows(std::move(rows)), m_id(id) {
    for (const std::string& file : others) {
      if (const std::optional<core::FileId> other = core::IdOfFile(file))
        m_others.push_back(*other);
    }
  }
  core::RowSource& Rows() override { return *m_rows; }
  std::optional<core::FileId> Id() const override { return m_id; }
  std::vector<core::FileId> OtherIds() const override { return m_others; }

 private:
  std::unique_ptr<core::RowSource> m_rows;
  std::optional<core::FileId> m_id;
  std::vector<core::FileId> m_others;
};

std::unique_ptr<OpenedTable> GdalSource(std::unique_ptr<GdalTable> table,
                                        std::optional<core::FileId> id) {
  const std::vector<std::string> files = table->Files();
  return std::make_unique<SourceTable>(std::move(table), id, files);
}

}  // namespace

const std::vector<std::string_view>& TableExtensions() {
  static const std::vector<std::string_view> extensions = [] {
    std::vector<std::string_view> list;
    for (const Kind& kind : kKinds)
      list.push_back(kind.extension);
    return list;
  }();
  return extensions;
}

bool IsTableName(std::string_view path) {
  const std::string extension = Extension(path);
  if (extension == "csv" || extension == "tsv" || extension == "txt") return true;
  const auto& list = TableExtensions();
  return std::find(list.begin(), list.end(), extension) != list.end();
}

std::unique_ptr<OpenedTable> OpenTable(const std::string& path, std::FILE* standardInput,
                                       const TableOpening& opening) {
  const std::string extension = path == "-" ? std::string() : Extension(path);
  const Kind* kind = nullptr;
  for (const Kind& k : kKinds)
    if (k.extension == extension) kind = &k;
  if (!kind) {
    if (path != "-" && extension != "csv" && extension != "tsv" && extension != "txt" &&
        !extension.empty()) {
      // A picture or a raster handed over by mistake is named, not read as a garbled table.
      GDALAllRegister();
      CPLPushErrorHandler(CPLQuietErrorHandler);
      GDALDriverH driver = GDALIdentifyDriverEx(path.c_str(), GDAL_OF_RASTER, nullptr, nullptr);
      CPLPopErrorHandler();
      if (driver) {
        throw std::invalid_argument(std::string(GDALGetDriverLongName(driver)) +
                                    " の画像（ラスター）で、表ではありません");
      }
    }
    if (!opening.layer.empty()) {
      throw std::invalid_argument(
          "--layer は表計算・GPS・GIS のファイルに使います（CSV "
          "やテキストの表には層がありません）");
    }
    return std::make_unique<TextTable>(path, standardInput);
  }
  // Looked at before GDAL gets it, so that a missing file or a folder gets the usual words.
  core::TableFile check(path, standardInput);
  const std::optional<core::FileId> id = check.Id();
  const std::optional<core::FileId> named = core::IdOfFile(path);
  if (kind->whole) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && info.st_size > kMaxWholeBytes) {
      throw std::invalid_argument("このファイルは全体を一度に読むので、" +
                                  std::to_string(kMaxWholeBytes >> 20) +
                                  " MiB までです。CSV か GeoPackage にしてから読んでください");
    }
  }
  if (kind->extension == "json") {
    if (!IsGeoJson(path)) {
      try {
        if (!opening.layer.empty()) {
          throw std::invalid_argument("--layer は JSON の表には使えません");
        }
        return std::make_unique<SourceTable>(std::make_unique<JsonTable>(path), id ? id : named);
      } catch (const GeoJsonFound&) {
        // Read by GDAL below.
      }
    }
    return GdalSource(
        std::make_unique<GdalTable>(path, "GeoJSON", opening.layer, opening.layerless),
        id ? id : named);
  }
  return GdalSource(
      std::make_unique<GdalTable>(path, kind->driver, opening.layer, opening.layerless),
      id ? id : named);
}

}  // namespace formats
