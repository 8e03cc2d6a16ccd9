// Position columns in another coordinate system than latitude and longitude: how the import
// finds them, reads them and leaves alone the positions a source made itself.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Table.h"
#include "core/TableImport.h"

namespace core {
namespace {

// Metres north and east of 35° N, 135° E on a flat earth; a northing beyond 100 000 km
// cannot be transformed. Counts the points it was asked for.
class FlatMetres : public CoordinateSystem {
 public:
  bool Angular() const override { return false; }
  std::vector<std::string> NorthKeys() const override { return {"x", "northing"}; }
  std::vector<std::string> EastKeys() const override { return {"y", "easting"}; }
  std::optional<std::pair<double, double>> ToLatLon(double north, double east) override {
    ++asked;
    if (std::fabs(north) > 1e8) return std::nullopt;
    return std::pair{35.0 + north / 100000, 135.0 + east / 100000};
  }
  int asked = 0;
};

// Degrees read as written, then moved 0.01° north: a datum shift in miniature.
class ShiftedDegrees : public CoordinateSystem {
 public:
  bool Angular() const override { return true; }
  std::vector<std::string> NorthKeys() const override { return {}; }
  std::vector<std::string> EastKeys() const override { return {}; }
  std::optional<std::pair<double, double>> ToLatLon(double north, double east) override {
    return std::pair{north + 0.01, east};
  }
};

// A table whose positions its source made itself, from points.
class OwnPositionsSource : public TableReader {
 public:
  using TableReader::TableReader;
  bool OwnPositions() const override { return true; }
};

std::vector<std::string> Lines(const ImportResult& result) {
  return result.files.empty() ? std::vector<std::string>{} : result.files.front().lines;
}

TEST(ImportSystems, ProjectedColumnsAreFoundByTheirAxesAndTransformed) {
  auto flat = std::make_shared<FlatMetres>();
  ImportOptions options;
  options.title = "調査区";
  options.crs = flat;
  // Latitude and longitude columns beside the metres are not the system's: X and Y are.
  // Metres of 139 and 35 would look like swapped degrees; no swap is told for metres.
  const ImportResult result = ImportTable(
      "lat,lon,X,Y\n1,2,50000,-20000\n1,2,139,35\n1,2,12a,0\n1,2,123456789,0\n", options);
  EXPECT_EQ(Lines(result),
            (std::vector<std::string>{"調査区", "35.5,134.8", "35.00139,135.00035"}));
  EXPECT_NE(result.columns.find("北方向の座標「X」、東方向の座標「Y」"), std::string::npos)
      << result.columns;
  ASSERT_EQ(result.rejections.size(), 2u);
  EXPECT_EQ(result.rejections[0].row, 4);
  EXPECT_EQ(result.rejections[0].reason, "北方向の座標「12a」が数として読めません");
  EXPECT_EQ(result.rejections[1].row, 5);
  EXPECT_EQ(result.rejections[1].reason, "座標（123456789、0）を緯度・経度に変換できません");

  // Named columns stand for the north and east axes; a table without them says which
  // headings it looked for.
  options.latColumn = "N";
  options.lonColumn = "E";
  EXPECT_EQ(Lines(ImportTable("E,N\n0,100000\n", options)),
            (std::vector<std::string>{"調査区", "36,135"}));
  options.latColumn.clear();
  options.lonColumn.clear();
  try {
    ImportTable("lat,lon\n35,135\n", options);
    FAIL() << "no columns of the system";
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("北方向の列（x、northing）"), std::string::npos)
        << error.what();
  }
}

TEST(ImportSystems, AngularSystemsReadDegreesAsWrittenAndSourcesKeepTheirOwnPositions) {
  ImportOptions options;
  options.title = "旧標本";
  options.crs = std::make_shared<ShiftedDegrees>();
  // Degrees, DMS and a verbatim pair are all shifted; a mesh code is not the system's.
  EXPECT_EQ(Lines(ImportTable("緯度,経度,verbatimCoordinates,mesh\n35.5,136.5,,\n"
                              "35°30′N,136°30′E,,\n,,\"35.2, 136.2\",\n,,,53394611\n",
                              options)),
            (std::vector<std::string>{"旧標本", "35.51,136.5", "35.21,136.2", "53394611"}));

  // Positions a source made from its points are latitude and longitude already.
  OwnPositionsSource own(std::string_view("decimalLatitude,decimalLongitude\n35.5,136.5\n"));
  EXPECT_EQ(Lines(ImportTable(own, options)), (std::vector<std::string>{"旧標本", "35.5,136.5"}));
}

}  // namespace
}  // namespace core
