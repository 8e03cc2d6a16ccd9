// Which columns a table's heading gives, and what the user is told about the columns
// before any row.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ImportColumns.h"
#include "core/TableImport.h"

namespace core {
namespace {

std::vector<std::string> Heading(std::initializer_list<const char*> names) {
  return {names.begin(), names.end()};
}

TEST(ImportColumns, HeadingsPeopleWriteForElevationsAndMeshCodes) {
  enum Kind { Elevation, Mesh };
  const struct {
    const char* heading;
    Kind kind;
  } cases[] = {
      {"alt", Elevation},
      {"ele", Elevation},
      {"elev", Elevation},
      {"height", Elevation},
      {"海抜", Elevation},
      {"海抜高度", Elevation},
      {"標高(m)", Elevation},
      {"標高（ｍ）", Elevation},
      {"標高[m]", Elevation},
      {"標高【m】", Elevation},
      {"ＡＬＴ", Elevation},
      {"Elevation_m", Elevation},
      {"altitude (m)", Elevation},
      {"標高(ft)", Elevation},
      {"mesh3", Mesh},
      {"mesh", Mesh},
      {"Mesh_Code", Mesh},
      {"標準地域メッシュ", Mesh},
      {"500mメッシュコード", Mesh},
      {"1kmメッシュ", Mesh},
      {"3次メッシュコード", Mesh},
      {"ＭＥＳＨ３", Mesh},
      {"250mメッシュ", Mesh},
      {"基準地域メッシュコード", Mesh},
  };
  for (const auto& c : cases) {
    const ImportColumns columns = FindImportColumns(Heading({"lat", "lon", c.heading}), {});
    if (c.kind == Elevation) {
      EXPECT_EQ(columns.elevations, std::vector<int>{2}) << c.heading;
    } else {
      EXPECT_EQ(columns.mesh, 2) << c.heading;
    }
    EXPECT_EQ(
        std::count_if(columns.notes.begin(), columns.notes.end(),
                      [](const std::string& n) { return n.find("読んでいません") != n.npos; }),
        0)
        << c.heading;
  }
  // A unit in the heading says feet.
  EXPECT_TRUE(FindImportColumns(Heading({"lat", "lon", "標高(ft)"}), {}).feet[2]);
  EXPECT_FALSE(FindImportColumns(Heading({"lat", "lon", "標高(m)"}), {}).feet[2]);
}

TEST(ImportColumns, ColumnsNotReadAndHeadingsLostAreToldFirst) {
  const struct {
    std::vector<std::string> heading;
    std::vector<std::string> notes;
  } cases[] = {
      {{"lat", "lon"}, {"標高の列がないので、断面図には描かれません"}},
      // Taken: no note; an accuracy beside it is no elevation, nor a GPS file's geoid height.
      {{"lat", "lon", "elevation", "elevationAccuracy"}, {}},
      {{"lat", "lon", "ele", "geoidheight"}, {}},
      // A second elevation-like column is not read, nor a mesh-like one under an odd name.
      {{"lat", "lon", "elevation", "標高2", "メッシュ番号"},
       {"列「標高2」は標高のようですが、読んでいません（読むには --elevation 「標高2」。ほかの標高"
        "の列より先に読みます）",
        "列「メッシュ番号」はメッシュコードのようですが、読んでいません（読むには --mesh "
        "「メッシュ番号」）"}},
      {{"lat", "lon", "elevation", "elevation"},
       {"見出し「elevation」の列が 2 つあります（3 列目と 4 列目）。3 列目を読み、4 列目は読み"
        "ません"}},
      {{"\xEF\xBB\xBF"
        "decimalLatitude",
        "decimalLongitude", "alt"},
       {"1 列目の見出し「decimalLatitude」の前にバイト順マーク（BOM）がもう一つあったので、取り"
        "除いて読みました"}},
  };
  for (const auto& c : cases) {
    const ImportColumns columns = FindImportColumns(c.heading, {});
    EXPECT_EQ(columns.notes, c.notes) << c.heading.front() << "," << c.heading.back();
    EXPECT_GE(columns.lat, 0);
  }

  // Through the whole import: a table whose first heading follows two byte-order marks
  // (one for the reader, one left in the heading) loses no column.
  const ImportResult r = ImportTable(
      "\xEF\xBB\xBF\xEF\xBB\xBF"
      "decimalLatitude,decimalLongitude,alt\n35.5,139.25,1200\n",
      {});
  ASSERT_EQ(r.files.size(), 1u);
  EXPECT_EQ(r.files[0].lines, (std::vector<std::string>{"記録", "35.5,139.25,1200"}));
  ASSERT_FALSE(r.warnings.empty());
  EXPECT_NE(r.warnings[0].find("バイト順マーク"), std::string::npos);
}

TEST(ImportColumns, ColumnsAreNamedAsTheyAreReadAndMeshFirstNeedsMeshCodes) {
  ImportOptions swapped;
  swapped.swapLatLon = true;
  const ImportColumns columns =
      FindImportColumns(Heading({"name", "lat", "lon", "elevation"}), swapped);
  EXPECT_TRUE(columns.text.starts_with("読む列: 緯度「lon」、経度「lat」、標高「elevation」"))
      << columns.text;

  ImportOptions preferMesh;
  preferMesh.preferMesh = true;
  try {
    FindImportColumns(Heading({"name", "lat", "lon"}), preferMesh);
    FAIL() << "--prefer-mesh without a mesh column passed";
  } catch (const std::invalid_argument& e) {
    const std::string what = e.what();
    EXPECT_TRUE(
        what.starts_with("--prefer-mesh を指定しましたが、メッシュコードの列が見つかりま"
                         "せん（読む列: 緯度「lat」、経度「lon」"))
        << what;
    EXPECT_NE(what.find("見出し: name、lat、lon"), std::string::npos) << what;
  }
  EXPECT_EQ(FindImportColumns(Heading({"lat", "lon", "mesh3"}), preferMesh).mesh, 2);
}

}  // namespace
}  // namespace core
