// Spreadsheets, GPS files, GIS layers and JSON downloads read by the import, the datum and
// coordinate systems it converts from, and the checker's placed records read back by GDAL.
// Every fixture is written here with GDAL's own writers from one set of records.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/TextCodec.h"
#include "tools/check/RecordCheck.h"
#include "tools/import/ImportMain.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun Import(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = tableimport::ImportMain(args, stdin, out, err, {"", std::string()});
  return {status, out.str(), err.str()};
}

ToolRun Check(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = check::CheckMain(args, stdin, out, err);
  return {status, out.str(), err.str()};
}

fs::path Fresh() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(testing::TempDir()) / ("formats-" + std::string(info->name()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// One botanist's records: a name, a position, an elevation (in the ranges of both
// profiles).
struct Place {
  const char* name;
  double lat;
  double lon;
  const char* ele;
};
const std::vector<Place> kPlaces = {{"ブナ", 35.3606, 138.7274, "1450"},
                                    {"ハイマツ", 36.5767, 137.6197, "2450"},
                                    {"ダケカンバ", 36.1, 138.2, "2000.5"}};

std::string PlacesCsv() {
  std::string csv = "name,lat,lon,ele\n";
  for (const Place& p : kPlaces) {
    std::ostringstream line;
    line.precision(10);
    line << p.name << ',' << p.lat << ',' << p.lon << ',' << p.ele << '\n';
    csv += line.str();
  }
  return csv;
}

OGRSpatialReferenceH Srs(int epsg) {
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(srs, epsg);
  // x east, y north, as GIS files store points.
  OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

// Writes the places with a GDAL driver: as points (x, y from `position`) in `epsg`, or as
// a sheet of columns when epsg is 0. `numbers` writes lat, lon and ele as numeric cells.
void WriteLayer(const fs::path& path, const char* driverName, const char* layerName, int epsg,
                const std::function<std::pair<double, double>(const Place&)>& position,
                bool numbers = false) {
  GDALAllRegister();
  GDALDriverH driver = GDALGetDriverByName(driverName);
  ASSERT_NE(driver, nullptr) << driverName;
  GDALDatasetH ds = GDALCreate(driver, path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr) << path << ": " << CPLGetLastErrorMsg();
  OGRSpatialReferenceH srs = epsg ? Srs(epsg) : nullptr;
  // A shapefile's attributes in UTF-8, as QGIS writes them, rather than GDAL's Latin-1.
  const char* options[] = {"ENCODING=UTF-8", nullptr};
  const bool shapefile = std::string(driverName) == "ESRI Shapefile";
  OGRLayerH layer = GDALDatasetCreateLayer(ds, layerName, srs, epsg ? wkbPoint : wkbNone,
                                           shapefile ? const_cast<char**>(options) : nullptr);
  ASSERT_NE(layer, nullptr) << CPLGetLastErrorMsg();
  std::vector<std::string> fields = {"name", "ele"};
  if (!epsg) fields = {"name", "lat", "lon", "ele"};
  for (const std::string& name : fields) {
    OGRFieldDefnH field =
        OGR_Fld_Create(name.c_str(), numbers && name != "name" ? OFTReal : OFTString);
    ASSERT_EQ(OGR_L_CreateField(layer, field, 1), OGRERR_NONE) << name;
    OGR_Fld_Destroy(field);
  }
  for (const Place& p : kPlaces) {
    OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
    OGR_F_SetFieldString(f, OGR_F_GetFieldIndex(f, "name"), p.name);
    if (numbers) {
      OGR_F_SetFieldDouble(f, OGR_F_GetFieldIndex(f, "ele"), std::stod(p.ele));
    } else {
      OGR_F_SetFieldString(f, OGR_F_GetFieldIndex(f, "ele"), p.ele);
    }
    if (epsg) {
      const auto [x, y] = position(p);
      OGRGeometryH point = OGR_G_CreateGeometry(wkbPoint);
      OGR_G_SetPoint_2D(point, 0, x, y);
      OGR_F_SetGeometryDirectly(f, point);
    } else if (numbers) {
      OGR_F_SetFieldDouble(f, OGR_F_GetFieldIndex(f, "lat"), p.lat);
      OGR_F_SetFieldDouble(f, OGR_F_GetFieldIndex(f, "lon"), p.lon);
    } else {
      OGR_F_SetFieldString(f, OGR_F_GetFieldIndex(f, "lat"), std::to_string(p.lat).c_str());
      OGR_F_SetFieldString(f, OGR_F_GetFieldIndex(f, "lon"), std::to_string(p.lon).c_str());
    }
    ASSERT_EQ(OGR_L_CreateFeature(layer, f), OGRERR_NONE) << CPLGetLastErrorMsg();
    OGR_F_Destroy(f);
  }
  if (srs) OSRRelease(srs);
  GDALClose(ds);
}

std::pair<double, double> LonLat(const Place& p) {
  return {p.lon, p.lat};
}

// Plane rectangular zone VIII (EPSG:6676), easting and northing of each place.
std::pair<double, double> ZoneEight(const Place& p) {
  OGRSpatialReferenceH from = Srs(6668);
  OGRSpatialReferenceH to = Srs(6676);
  OGRCoordinateTransformationH t = OCTNewCoordinateTransformation(from, to);
  double x = p.lon;
  double y = p.lat;
  EXPECT_TRUE(OCTTransform(t, 1, &x, &y, nullptr));
  OCTDestroyCoordinateTransformation(t);
  OSRRelease(from);
  OSRRelease(to);
  return {x, y};
}

std::string Jsons(bool keyed) {
  std::string json = keyed ? "{" : "[";
  for (size_t i = 0; i < kPlaces.size(); ++i) {
    const Place& p = kPlaces[i];
    std::ostringstream o;
    o.precision(10);
    if (keyed) o << "\"plot-" << i << "\": ";
    o << "{\"name\": \"" << p.name << "\", \"lat\": " << p.lat << ", \"lon\": \"" << p.lon
      << "\", \"ele\": " << p.ele << ", \"visited\": [2019, 2020], \"note\": null}";
    json += (i ? ", " : "") + o.str();
  }
  return json + (keyed ? "}" : "]");
}

TEST(Formats, EveryFormatImportsToTheRecordsOfTheSameCsv) {
  const fs::path dir = Fresh();
  WriteBytes(dir / "places.csv", PlacesCsv());
  const ToolRun reference = Import({(dir / "places.csv").string()});
  ASSERT_EQ(reference.status, 0) << reference.err;
  ASSERT_NE(reference.out.find("36.1,138.2,2000.5"), std::string::npos) << reference.out;

  struct Case {
    const char* file;
    std::function<void(const fs::path&)> write;
    const char* told;  // what the report says of the file
  };
  const std::vector<Case> cases = {
      {"places.xlsx", [](const fs::path& p) { WriteLayer(p, "XLSX", "調査", 0, nullptr); },
       "シート「調査」"},
      {"numbers.xlsx", [](const fs::path& p) { WriteLayer(p, "XLSX", "Sheet1", 0, nullptr, true); },
       "シート「Sheet1」"},
      {"places.ods", [](const fs::path& p) { WriteLayer(p, "ODS", "調査", 0, nullptr, true); },
       "シート「調査」"},
      {"places.gpx", [](const fs::path& p) { WriteLayer(p, "GPX", "waypoints", 4326, LonLat); },
       "層「waypoints」"},
      {"places.kml", [](const fs::path& p) { WriteLayer(p, "LIBKML", "調査", 4326, LonLat); },
       "WGS 84"},
      {"places.kmz", [](const fs::path& p) { WriteLayer(p, "LIBKML", "plots", 4326, LonLat); },
       "WGS 84"},
      {"places.geojson",
       [](const fs::path& p) { WriteLayer(p, "GeoJSON", "places", 4326, LonLat); }, "層「places」"},
      {"places.gpkg", [](const fs::path& p) { WriteLayer(p, "GPKG", "places", 6668, LonLat); },
       "JGD2011 の緯度経度なので変換しません"},
      {"places.shp",
       [](const fs::path& p) { WriteLayer(p, "ESRI Shapefile", "places", 6676, ZoneEight); },
       "Japan Plane Rectangular CS VIII (EPSG:6676)"},
      {"array.json", [](const fs::path& p) { WriteBytes(p, Jsons(false)); }, "JSON の配列"},
      {"keyed.json", [](const fs::path& p) { WriteBytes(p, Jsons(true)); }, "キーを列「id」"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path path = dir / c.file;
    c.write(path);
    const ToolRun run = Import({path.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, reference.out) << run.err;
    EXPECT_NE(run.err.find(c.told), std::string::npos) << run.err;
  }
  // A shapefile is read with its .dbf beside it: that file is an input as much as the .shp.
  const std::string dbf = ReadBytes(dir / "places.dbf");
  const ToolRun over = Import({(dir / "places.shp").string(), "-o", (dir / "places.dbf").string()});
  EXPECT_EQ(over.status, 2) << over.err;
  EXPECT_NE(over.err.find("読んでいる表そのものには書きません"), std::string::npos) << over.err;
  EXPECT_EQ(ReadBytes(dir / "places.dbf"), dbf);
}

TEST(Formats, RowsAreNumberedAsTheUserSeesThem) {
  const fs::path dir = Fresh();
  // A sheet's bad row is told by its row in the sheet, blank rows counted.
  {
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("XLSX"), (dir / "t.xlsx").c_str(), 0, 0, 0,
                                 GDT_Unknown, nullptr);
    ASSERT_NE(ds, nullptr);
    OGRLayerH layer = GDALDatasetCreateLayer(ds, "t", nullptr, wkbNone, nullptr);
    for (const char* name : {"name", "lat", "lon"}) {
      OGRFieldDefnH field = OGR_Fld_Create(name, OFTString);
      OGR_L_CreateField(layer, field, 1);
      OGR_Fld_Destroy(field);
    }
    const std::vector<std::vector<const char*>> rows = {
        {"A", "35.5", "136.5"}, {nullptr, nullptr, nullptr}, {"B", "99", "136.5"}};
    for (const auto& values : rows) {
      OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
      for (int i = 0; i < 3; ++i)
        if (values[static_cast<size_t>(i)])
          OGR_F_SetFieldString(f, i, values[static_cast<size_t>(i)]);
      ASSERT_EQ(OGR_L_CreateFeature(layer, f), OGRERR_NONE);
      OGR_F_Destroy(f);
    }
    GDALClose(ds);
  }
  ToolRun run = Import({(dir / "t.xlsx").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("t.xlsx:4: 書かない"), std::string::npos) << run.err;

  // A GeoJSON feature by its place among the features; one of no point is told as such.
  WriteBytes(dir / "f.geojson",
             R"({"type": "FeatureCollection", "features": [
{"type": "Feature", "properties": {"name": "A"}, "geometry": {"type": "Point", "coordinates": [136.5, 35.5]}},
{"type": "Feature", "properties": {"name": "B"}, "geometry": {"type": "LineString", "coordinates": [[136, 35], [137, 36]]}},
{"type": "Feature", "properties": {"name": "C"}, "geometry": {"type": "Point", "coordinates": [170, 35.5]}}]})");
  run = Import({(dir / "f.geojson").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("f.geojson:2: 書かない: 線の地物（Line String）なので記録にできません"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("f.geojson:3: 書かない: 位置"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("行番号は地物の番号"), std::string::npos) << run.err;
}

TEST(Formats, WhatIsNoTableIsToldByName) {
  const fs::path dir = Fresh();
  // A GPS file of tracks only, a layer asked for that is not there, a picture, a JSON of
  // no table, a CSV asked for a layer.
  WriteBytes(dir / "track.geojson",
             R"({"type": "FeatureCollection", "features": [{"type": "Feature", "properties": {},
"geometry": {"type": "LineString", "coordinates": [[136, 35], [137, 36]]}}]})");
  WriteLayer(dir / "two.gpkg", "GPKG", "plots", 6668, LonLat);
  {
    GDALDriverH tiff = GDALGetDriverByName("GTiff");
    GDALDatasetH image = GDALCreate(tiff, (dir / "scan.tif").c_str(), 4, 4, 1, GDT_Byte, nullptr);
    GDALClose(image);
  }
  WriteBytes(dir / "settings.json", R"({"version": 2, "colour": "red"})");
  WriteBytes(dir / "t.csv", "lat,lon\n35.5,136.5\n");
  struct Case {
    std::vector<std::string> args;
    const char* told;
  };
  const std::vector<Case> cases = {
      {{"track.geojson"}, "点の層がありません（層: track（線））"},
      {{"two.gpkg", "--layer", "sites"}, "層「sites」がありません（層: plots）"},
      {{"scan.tif"}, "GeoTIFF の画像（ラスター）で、表ではありません"},
      {{"settings.json"}, "JSON ですが表の形ではありません"},
      {{"t.csv", "--layer", "x"}, "--layer は表計算・GPS・GIS のファイルに使います"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args[0] = (dir / args[0]).string();
    const ToolRun run = Import(args);
    EXPECT_EQ(run.status, 2) << c.told;
    EXPECT_NE(run.err.find(c.told), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("列も"), std::string::npos) << run.err;
  }
  // The output is never the table read, whatever its format.
  const ToolRun over = Import({(dir / "two.gpkg").string(), "-o", (dir / "two.gpkg").string()});
  EXPECT_EQ(over.status, 2);
  EXPECT_NE(over.err.find("読んでいる表そのものには書きません"), std::string::npos) << over.err;
}

// The Tokyo Datum's shift as the Geospatial Information Authority's approximate formulas
// give it (a few metres from the grid), independent of PROJ.
std::pair<double, double> TokyoToWgs(double lat, double lon) {
  return {lat - 0.00010695 * lat + 0.000017464 * lon + 0.0046017,
          lon - 0.000046038 * lat - 0.000083043 * lon + 0.010040};
}

double Metres(double lat1, double lon1, double lat2, double lon2) {
  const double k = 3.14159265358979323846 / 180;
  return std::hypot((lat2 - lat1) * 111000, (lon2 - lon1) * 111000 * std::cos(lat1 * k));
}

std::vector<std::pair<double, double>> Records(const std::string& grd) {
  std::vector<std::pair<double, double>> records;
  std::istringstream in(grd);
  for (std::string line; std::getline(in, line);) {
    double lat = 0;
    double lon = 0;
    if (std::sscanf(line.c_str(), "%lf,%lf", &lat, &lon) == 2) records.emplace_back(lat, lon);
  }
  return records;
}

TEST(Formats, TokyoDatumLandsOnJgd2011WithinTheTransformationsAccuracy) {
  const fs::path dir = Fresh();
  // Tokyo Datum positions as old labels give them, in degrees and in DMS.
  const std::vector<std::pair<double, double>> tokyo = {
      {35.658, 139.7016}, {43.0642, 141.3469}, {33.5902, 130.4017}, {35.5, 136.5}};
  std::string csv = "name,緯度,経度\n";
  for (const auto& [lat, lon] : tokyo) {
    std::ostringstream line;
    line.precision(10);
    line << "A," << lat << ',' << lon << '\n';
    csv += line.str();
  }
  csv += "B,35°30′00″,136°30′00″\n";
  WriteBytes(dir / "old.csv", csv);
  const ToolRun run = Import({(dir / "old.csv").string(), "--datum", "tokyo"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("座標参照系: Tokyo (EPSG:4301)"), std::string::npos) << run.err;
  const size_t at = run.err.find("精度 ");
  ASSERT_NE(at, std::string::npos) << run.err;
  const double accuracy = std::stod(run.err.substr(at + 7));
  EXPECT_LE(accuracy, 30) << run.err;
  const auto records = Records(run.out);
  ASSERT_EQ(records.size(), tokyo.size() + 1) << run.out;
  EXPECT_EQ(records.back(), records[tokyo.size() - 1]);  // the same position in DMS
  for (size_t i = 0; i < tokyo.size(); ++i) {
    const auto [lat, lon] = TokyoToWgs(tokyo[i].first, tokyo[i].second);
    SCOPED_TRACE(i);
    // About 400 m moved, to within the accuracy told (and the formulas' few metres).
    EXPECT_GT(Metres(tokyo[i].first, tokyo[i].second, records[i].first, records[i].second), 250);
    EXPECT_LE(Metres(lat, lon, records[i].first, records[i].second), accuracy + 5);
  }

  // A layer without a system of its own takes the datum too.
  WriteBytes(dir / "old.geojson", R"({"type": "FeatureCollection", "features": [
{"type": "Feature", "properties": {"name": "A"}, "geometry": {"type": "Point", "coordinates": [139.7016, 35.658]}}]})");
  const ToolRun layer = Import({(dir / "old.geojson").string(), "--datum", "tokyo"});
  // GeoJSON is WGS 84 by definition: its own system wins, and the report says so.
  EXPECT_NE(layer.err.find("--crs・--datum は使いませんでした"), std::string::npos) << layer.err;
}

TEST(Formats, PlaneRectangularColumnsAreNorthingAndEasting) {
  const fs::path dir = Fresh();
  // Zone IX's origin is 36° N, 139° 50′ E; 10 km north and 5 km east of it.
  WriteBytes(dir / "survey.csv", "地点,X,Y\nA,0,0\nB,10000,5000\n");
  const ToolRun run = Import({(dir / "survey.csv").string(), "--crs", "EPSG:6677"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto records = Records(run.out);
  ASSERT_EQ(records.size(), 2u) << run.out;
  EXPECT_NEAR(records[0].first, 36.0, 1e-6);
  EXPECT_NEAR(records[0].second, 139.0 + 50.0 / 60, 1e-6);
  EXPECT_NEAR(Metres(36.0, 139.0 + 50.0 / 60, records[1].first, 139.0 + 50.0 / 60), 10000, 20);
  EXPECT_NEAR(Metres(records[1].first, 139.0 + 50.0 / 60, records[1].first, records[1].second),
              5000, 20);
  EXPECT_NE(run.err.find("北方向の座標「X」、東方向の座標「Y」"), std::string::npos) << run.err;

  // Metres that are no number are refused by their axis; a code that is no system stops.
  WriteBytes(dir / "bad.csv", "X,Y\n12a,0\n");
  const ToolRun bad = Import({(dir / "bad.csv").string(), "--crs", "EPSG:6677"});
  EXPECT_NE(bad.err.find("北方向の座標「12a」が数として読めません"), std::string::npos) << bad.err;
  const ToolRun unknown = Import({(dir / "bad.csv").string(), "--crs", "EPSG:999999"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("座標参照系「EPSG:999999」が分かりません"), std::string::npos)
      << unknown.err;
  EXPECT_EQ(Import({(dir / "bad.csv").string(), "--crs", "EPSG:6677", "--datum", "tokyo"}).status,
            2);
}

// The checker's rows of drawn records: line, latitude, longitude, altitude.
struct Drawn {
  int line;
  double lat;
  double lon;
  double alt;
};
std::vector<Drawn> DrawnRows(const std::string& report) {
  std::vector<Drawn> rows;
  std::istringstream in(report);
  for (std::string line; std::getline(in, line);) {
    Drawn d{};
    char kind[16] = {};
    int category = 0;
    if (std::sscanf(line.c_str(), "%d\t%15s\t%d\t%lf\t%lf\t%lf", &d.line, kind, &category, &d.lat,
                    &d.lon, &d.alt) == 6 &&
        std::string(kind) == "record") {
      rows.push_back(d);
    }
  }
  return rows;
}

TEST(Formats, GpxElevationsReachBothProfiles) {
  const fs::path dir = Fresh();
  WriteLayer(dir / "walk.gpx", "GPX", "waypoints", 4326, LonLat);
  for (const char* program : {"conic", "chart"}) {
    SCOPED_TRACE(program);
    const fs::path grd = dir / (std::string(program) + ".grd");
    const ToolRun run =
        Import({(dir / "walk.gpx").string(), "--program", program, "-o", grd.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const ToolRun check = Check({"--program", program, grd.string()});
    EXPECT_EQ(check.status, 0) << check.out;
    const auto rows = DrawnRows(check.out);
    ASSERT_EQ(rows.size(), kPlaces.size()) << check.out;
    for (const Drawn& d : rows)
      EXPECT_TRUE(d.alt > 1000 && d.alt < 3000) << d.alt;
    // No record is left to the horizontal map alone.
    EXPECT_EQ(check.out.find("\tnote\t"), std::string::npos) << check.out;
  }
}

struct Feature {
  double lon;
  double lat;
  int line;
  int category;
  std::string title;
  std::string mesh;  // empty for null
  bool altitude;
};

std::vector<Feature> ReadWithOgr(const fs::path& path) {
  std::vector<Feature> features;
  GDALAllRegister();
  GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  EXPECT_NE(ds, nullptr) << path;
  if (!ds) return features;
  OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
  OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer);
  const char* code = srs ? OSRGetAuthorityCode(srs, nullptr) : nullptr;
  EXPECT_STREQ(code, "6668");
  OGR_L_ResetReading(layer);
  while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
    OGRGeometryH g = OGR_F_GetGeometryRef(f);
    const int mesh = OGR_F_GetFieldIndex(f, "mesh");
    const int alt = OGR_F_GetFieldIndex(f, "altitude");
    features.push_back({OGR_G_GetX(g, 0), OGR_G_GetY(g, 0),
                        OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "line")),
                        OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "category")),
                        OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, "title")),
                        OGR_F_IsFieldSetAndNotNull(f, mesh) ? OGR_F_GetFieldAsString(f, mesh) : "",
                        OGR_F_IsFieldSetAndNotNull(f, alt) != 0});
    OGR_F_Destroy(f);
  }
  GDALClose(ds);
  return features;
}

TEST(Formats, PlacedRecordsOpenInGdalOneFeaturePerDrawnRecord) {
  const fs::path dir = Fresh();
  // Coordinates with and without altitude, a mesh code, a rejected record, a title with a
  // quote; then a conversion error, after which Tarvo_L reads no further.
  const fs::path grd = dir / "data.grd";
  WriteBytes(grd,
             "ブナ \"林\"\r\n35.3606,138.7274,1450\r\n36.1,138.2\r\nハイマツ\r\n53394611\r\n"
             "10.0,100.0\r\n36.5767,137.6197,2450\r\n3x.5,136.5\r\n35.5,136.5\r\n");
  for (const bool keepGoing : {false, true}) {
    SCOPED_TRACE(keepGoing);
    std::vector<std::string> args = {"--geojson", (dir / "drawn.geojson").string(), "--csv",
                                     (dir / "drawn.csv").string(), grd.string()};
    if (keepGoing) args.insert(args.begin(), "--keep-going");
    const ToolRun run = Check(args);
    EXPECT_EQ(run.status, 1) << run.err;
    // Told on, the checker reports the record after the stop; the program never draws it.
    const auto drawn = DrawnRows(run.out);
    ASSERT_EQ(drawn.size(), keepGoing ? 5u : 4u) << run.out;
    const auto features = ReadWithOgr(dir / "drawn.geojson");
    ASSERT_EQ(features.size(), 4u) << run.out;
    for (size_t i = 0; i < features.size(); ++i) {
      EXPECT_EQ(features[i].line, drawn[i].line);
      EXPECT_NEAR(features[i].lat, drawn[i].lat, 1e-9);
      EXPECT_NEAR(features[i].lon, drawn[i].lon, 1e-9);
    }
    EXPECT_EQ(features[0].title, "ブナ \"林\"");
    EXPECT_TRUE(features[0].altitude);
    EXPECT_FALSE(features[1].altitude);
    EXPECT_EQ(features[2].mesh, "53394611");
    EXPECT_EQ(features[2].category, 2);
    EXPECT_EQ(features[0].mesh, "");
    const std::string csv = ReadBytes(dir / "drawn.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5) << csv;
    EXPECT_NE(csv.find("2,1,\"ブナ \"\"林\"\"\",35.375,138.6875,1450,10,\n"), std::string::npos)
        << csv;
    EXPECT_NE(run.err.find("描く記録 4 件"), std::string::npos) << run.err;
  }
}

TEST(Formats, PlacedRecordsNeverTakeThePlaceOfTheirInput) {
  const fs::path dir = Fresh();
  const fs::path grd = dir / "data.grd";
  const std::string bytes = "ブナ\r\n35.3606,138.7274,1450\r\n";
  WriteBytes(grd, bytes);
  fs::create_symlink(grd, dir / "link.geojson");
  const ToolRun direct = Check({"--csv", grd.string(), grd.string()});
  const ToolRun linked = Check({"--geojson", (dir / "link.geojson").string(), grd.string()});
  const ToolRun both =
      Check({"--geojson", (dir / "a").string(), "--csv", (dir / "a").string(), grd.string()});
  for (const ToolRun& run : {direct, linked, both}) {
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(ReadBytes(grd), bytes);
  }
  EXPECT_NE(direct.err.find("調べているファイルそのものには書きません"), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(dir / "link.geojson"));
  EXPECT_FALSE(fs::exists(dir / "a"));
}

}  // namespace
