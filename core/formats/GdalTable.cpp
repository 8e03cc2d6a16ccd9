#include "core/formats/GdalTable.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <mutex>
#include <stdexcept>

#include "core/Number.h"
#include "core/TextCodec.h"
#include "core/formats/ProjSystem.h"

namespace formats {

namespace {

void RegisterOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    // A spreadsheet's first row is always its headings, and cells are read as written:
    // guessed types would turn a mesh code into a float and a date into another format.
    CPLSetConfigOption("OGR_XLSX_HEADERS", "FORCE");
    CPLSetConfigOption("OGR_XLSX_FIELD_TYPES", "STRING");
    CPLSetConfigOption("OGR_ODS_HEADERS", "FORCE");
    CPLSetConfigOption("OGR_ODS_FIELD_TYPES", "STRING");
    // Nothing is fetched from the network while a file is read.
    CPLSetConfigOption("GDAL_HTTP_TIMEOUT", "1");
    CPLSetConfigOption("CPL_VSIL_CURL_ALLOWED_EXTENSIONS", "none");
    GDALAllRegister();
  });
}

// GDAL's own messages are kept from the user's report; the last one explains a failure.
class QuietErrors {
 public:
  QuietErrors() {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
  }
  ~QuietErrors() { CPLPopErrorHandler(); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;
  static std::string Last() {
    const char* message = CPLGetLastErrorMsg();
    return message && *message ? core::VisibleText(message) : std::string();
  }
};

std::string GeometryName(OGRwkbGeometryType type) {
  switch (wkbFlatten(type)) {
    case wkbPoint:
    case wkbMultiPoint:
      return "点";
    case wkbLineString:
    case wkbMultiLineString:
    case wkbCircularString:
    case wkbCompoundCurve:
    case wkbMultiCurve:
      return "線";
    case wkbPolygon:
    case wkbMultiPolygon:
    case wkbCurvePolygon:
    case wkbMultiSurface:
    case wkbTriangle:
    case wkbTIN:
    case wkbPolyhedralSurface:
      return "面";
    default:
      return "図形";
  }
}

bool PointLike(OGRwkbGeometryType type) {
  const OGRwkbGeometryType flat = wkbFlatten(type);
  return flat == wkbPoint || flat == wkbMultiPoint || flat == wkbUnknown ||
         flat == wkbGeometryCollection;
}

}  // namespace

bool MarkUndecodable(std::string& text) {
  if (core::IsWellFormedUtf8(text)) return false;
  std::string out;
  out.reserve(text.size() + 8);
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length > 0 && i + length <= text.size() &&
        core::IsWellFormedUtf8(std::string_view(text).substr(i, length))) {
      out.append(text, i, length);
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  text = std::move(out);
  return true;
}

struct GdalTable::Gdal {
  GDALDatasetH dataset = nullptr;
  OGRLayerH layer = nullptr;
  ~Gdal() {
    if (dataset) GDALClose(dataset);
  }
};

GdalTable::GdalTable(const std::string& path, const std::string& driver, const std::string& layer,
                     std::shared_ptr<ProjSystem> layerless)
    : m_gdal(std::make_unique<Gdal>()) {
  RegisterOnce();
  QuietErrors quiet;
  const char* drivers[] = {driver.c_str(), nullptr};
  // LIBKML reads KMZ and KML's folders; GDAL's own KML driver is the fallback.
  const char* kmlDrivers[] = {"LIBKML", "KML", nullptr};
  const char* const* allowed = driver.empty() ? nullptr : driver == "KML" ? kmlDrivers : drivers;
  m_gdal->dataset =
      GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, allowed, nullptr, nullptr);
  if (!m_gdal->dataset) {
    const std::string why = QuietErrors::Last();
    throw std::invalid_argument("表として読めません" +
                                (why.empty() ? std::string() : "（GDAL: " + why + "）"));
  }
  if (char** files = GDALGetFileList(m_gdal->dataset)) {
    for (char** f = files; *f; ++f)
      m_files.emplace_back(*f);
    CSLDestroy(files);
  }
  GDALDriverH used = GDALGetDatasetDriver(m_gdal->dataset);
  m_driverName = used ? GDALGetDriverShortName(used) : driver;
  const std::string longName(
      core::TrimBlanks(used ? GDALGetDriverLongName(used) : m_driverName.c_str()));
  m_spreadsheet = m_driverName == "XLSX" || m_driverName == "ODS";

  const int count = GDALDatasetGetLayerCount(m_gdal->dataset);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    OGRLayerH l = GDALDatasetGetLayer(m_gdal->dataset, i);
    names.push_back(l ? core::VisibleText(OGR_L_GetName(l)) : "?");
  }
  auto list = [&] {
    std::string text;
    for (const std::string& name : names)
      text += (text.empty() ? "" : "、") + name;
    return text;
  };
  if (count == 0) {
    throw std::invalid_argument(longName + " のファイルですが、表も点の層もありません");
  }
  if (!layer.empty()) {
    m_gdal->layer = GDALDatasetGetLayerByName(m_gdal->dataset, layer.c_str());
    if (!m_gdal->layer) {
      throw std::invalid_argument("層「" + core::VisibleText(layer) + "」がありません（" +
                                  (m_spreadsheet ? "シート" : "層") + ": " + list() + "）");
    }
  } else if (m_driverName == "GPX") {
    m_gdal->layer = GDALDatasetGetLayerByName(m_gdal->dataset, "waypoints");
  } else if (m_spreadsheet) {
    m_gdal->layer = GDALDatasetGetLayer(m_gdal->dataset, 0);
  } else {
    for (int i = 0; i < count && !m_gdal->layer; ++i) {
      OGRLayerH l = GDALDatasetGetLayer(m_gdal->dataset, i);
      if (l && (PointLike(OGR_L_GetGeomType(l)) || OGR_L_GetGeomType(l) == wkbNone)) {
        m_gdal->layer = l;
      }
    }
  }
  if (!m_gdal->layer) {
    std::string kinds;
    for (int i = 0; i < count; ++i) {
      OGRLayerH l = GDALDatasetGetLayer(m_gdal->dataset, i);
      if (l) {
        kinds += (kinds.empty() ? "" : "、") + names[static_cast<size_t>(i)] + "（" +
                 GeometryName(OGR_L_GetGeomType(l)) + "）";
      }
    }
    throw std::invalid_argument(longName + " のファイルに点の層がありません（層: " + kinds + "）");
  }
  OGRLayerH l = m_gdal->layer;
  const std::string layerName = core::VisibleText(OGR_L_GetName(l));
  const OGRwkbGeometryType type = OGR_L_GetGeomType(l);
  if (type != wkbNone && !PointLike(type)) {
    std::string points;
    for (int i = 0; i < count; ++i) {
      OGRLayerH other = GDALDatasetGetLayer(m_gdal->dataset, i);
      if (other && PointLike(OGR_L_GetGeomType(other)) && OGR_L_GetFeatureCount(other, 0) != 0) {
        points += (points.empty() ? "" : "、") + names[static_cast<size_t>(i)];
      }
    }
    throw std::invalid_argument(
        "層「" + layerName + "」は" + GeometryName(type) + "の層で、記録にする点がありません" +
        (points.empty() ? std::string() : "（点の層: " + points + "。--layer で選びます）"));
  }
  // A spreadsheet's geometry, if a driver ever gave one, would be no position of a record.
  m_points = !m_spreadsheet && type != wkbNone;

  OGRFeatureDefnH defn = OGR_L_GetLayerDefn(l);
  m_fields = defn ? OGR_FD_GetFieldCount(defn) : 0;
  if (m_fields + 2 > static_cast<int>(core::TableReader::kMaxFields)) {
    throw std::invalid_argument("列が " + std::to_string(m_fields) + " あり、" +
                                std::to_string(core::TableReader::kMaxFields) +
                                " 列までしか読めません");
  }
  if (m_fields == 0 && !m_points) {
    throw std::invalid_argument((m_spreadsheet ? "シート「" : "層「") + layerName +
                                "」に見出しの行がありません");
  }

  std::string note =
      longName + " の" + (m_spreadsheet ? "シート「" : "層「") + layerName + "」を読みました";
  if (names.size() > 1) {
    std::string others;
    for (const std::string& name : names)
      if (name != layerName) others += (others.empty() ? "" : "、") + name;
    note += "（ほかの" + std::string(m_spreadsheet ? "シート" : "層") + ": " + others +
            "。--layer で選べます）";
  }
  note += m_spreadsheet ? "。行番号はシートの行です" : "。行番号は地物の番号（最初の地物が 1）です";
  m_notes.push_back(note);
  if (m_driverName == "GPX" && layer.empty() && OGR_L_GetFeatureCount(l, 1) == 0) {
    m_notes.push_back("ウェイポイントがありません。トラックの点を読むには --layer track_points");
  }

  if (m_points) {
    OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(l);
    if (srs) {
      char* wkt = nullptr;
      const char* options[] = {"FORMAT=WKT2_2019", nullptr};
      if (OSRExportToWktEx(srs, &wkt, options) != OGRERR_NONE || !wkt) {
        CPLFree(wkt);
        throw std::invalid_argument("層「" + layerName + "」の座標参照系が読めません");
      }
      const std::string definition = wkt;
      CPLFree(wkt);
      m_system = ProjSystem::FromDefinition(definition);
      if (layerless) {
        m_notes.push_back("層に座標参照系 " + m_system->Name() +
                          " があるので、--crs・--datum は使いませんでした");
      }
      // The order GDAL gives a point's x and y in, against the system's own axes.
      int axes = 0;
      const int* mapping = OSRGetDataAxisToSRSAxisMapping(srs, &axes);
      if (mapping && axes >= 2 && std::abs(mapping[0]) >= 1 && std::abs(mapping[0]) <= 2 &&
          std::abs(mapping[1]) >= 1 && std::abs(mapping[1]) <= 2 &&
          std::abs(mapping[0]) != std::abs(mapping[1])) {
        m_axisX = std::abs(mapping[0]) - 1;
        m_axisY = std::abs(mapping[1]) - 1;
        m_signX = mapping[0] < 0 ? -1 : 1;
        m_signY = mapping[1] < 0 ? -1 : 1;
      } else {
        // The usual order of GIS files: x east, y north.
        m_axisX = m_system->NorthFirst() ? 1 : 0;
        m_axisY = m_system->NorthFirst() ? 0 : 1;
      }
    } else if (layerless) {
      // The import tells what the system it was given did, once for every table.
      m_system = std::move(layerless);
      m_sharedSystem = true;
      // x is east and y north in every format that leaves its system unnamed.
      m_axisX = m_system->NorthFirst() ? 1 : 0;
      m_axisY = m_system->NorthFirst() ? 0 : 1;
    } else {
      m_notes.push_back("層「" + layerName +
                        "」には座標参照系が書かれていないので、点を JGD2011 の緯度・経度と"
                        "して読みました（違う系なら --crs、旧日本測地系なら --datum tokyo）");
    }
  }
  OGR_L_ResetReading(l);
}

GdalTable::~GdalTable() = default;

bool GdalTable::Next(core::TableRow& row) {
  row.fields.clear();
  row.error.clear();
  row.undecodable.clear();
  OGRLayerH l = m_gdal->layer;
  if (!m_headed) {
    m_headed = true;
    row.line = m_spreadsheet ? 1 : 0;
    if (m_points) {
      row.fields.emplace_back("decimalLatitude");
      row.fields.emplace_back("decimalLongitude");
    }
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(l);
    for (int i = 0; i < m_fields; ++i) {
      row.fields.emplace_back(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(defn, i)));
      if (MarkUndecodable(row.fields.back())) row.undecodable.push_back(row.fields.size() - 1);
    }
    return true;
  }
  QuietErrors quiet;
  for (;;) {
    OGRFeatureH feature = OGR_L_GetNextFeature(l);
    if (!feature) {
      const std::string why = QuietErrors::Last();
      if (CPLGetLastErrorType() >= CE_Failure && !why.empty()) {
        throw std::invalid_argument("最後まで読めません（GDAL: " + why + "）");
      }
      return false;
    }
    row.fields.clear();
    row.undecodable.clear();
    struct Destroy {
      OGRFeatureH f;
      ~Destroy() { OGR_F_Destroy(f); }
    } destroy{feature};
    ++m_index;
    const GIntBig fid = OGR_F_GetFID(feature);
    row.line = m_spreadsheet && fid > 0 ? static_cast<long>(fid) : m_index;

    size_t bytes = 0;
    bool anyValue = false;
    std::string lat;
    std::string lon;
    if (m_points) {
      OGRGeometryH geometry = OGR_F_GetGeometryRef(feature);
      if (geometry && !OGR_G_IsEmpty(geometry)) {
        OGRwkbGeometryType type = wkbFlatten(OGR_G_GetGeometryType(geometry));
        if (type == wkbMultiPoint && OGR_G_GetGeometryCount(geometry) == 1) {
          geometry = OGR_G_GetGeometryRef(geometry, 0);
          type = wkbFlatten(OGR_G_GetGeometryType(geometry));
        }
        if (type != wkbPoint) {
          row.error = type == wkbMultiPoint
                          ? "点が " + std::to_string(OGR_G_GetGeometryCount(geometry)) +
                                " つある地物なので、一つの記録にできません"
                          : GeometryName(type) + "の地物（" + OGRGeometryTypeToName(type) +
                                "）なので記録にできません";
          return true;
        }
        const double x = OGR_G_GetX(geometry, 0);
        const double y = OGR_G_GetY(geometry, 0);
        std::optional<std::pair<double, double>> latLon;
        if (m_system) {
          double axes[2] = {0, 0};
          axes[m_axisX] = m_signX * x;
          axes[m_axisY] = m_signY * y;
          latLon = m_system->AxesToLatLon(axes[0], axes[1]);
        } else if (std::isfinite(x) && std::isfinite(y)) {
          latLon = std::pair{y, x};
        }
        if (!latLon) {
          row.error = "点（" + core::FormatShortest(x) + "、" + core::FormatShortest(y) +
                      "）を緯度・経度に変換できません";
          return true;
        }
        lat = core::FormatShortest(latLon->first);
        lon = core::FormatShortest(latLon->second);
        anyValue = true;
      }
      bytes += lat.size() + lon.size();
      row.fields.push_back(std::move(lat));
      row.fields.push_back(std::move(lon));
    }
    for (int i = 0; i < m_fields; ++i) {
      if (!OGR_F_IsFieldSetAndNotNull(feature, i)) {
        row.fields.emplace_back();
        continue;
      }
      const char* value = OGR_F_GetFieldAsString(feature, i);
      row.fields.emplace_back(value ? value : "");
      bytes += row.fields.back().size();
      if (bytes > core::TableReader::kMaxRowBytes) {
        row.Refuse(core::RowTooLongMessage());
        return true;
      }
      if (!row.fields.back().empty()) anyValue = true;
      if (MarkUndecodable(row.fields.back())) row.undecodable.push_back(row.fields.size() - 1);
    }
    // Blank rows of a sheet, and features of neither a point nor a value, are skipped as a
    // CSV table's blank rows are.
    if (!anyValue) continue;
    return true;
  }
}

std::vector<std::string> GdalTable::Notes() const {
  std::vector<std::string> notes = m_notes;
  if (m_system && !m_sharedSystem) {
    for (std::string& note : m_system->Notes())
      notes.push_back(std::move(note));
  }
  return notes;
}

}  // namespace formats
