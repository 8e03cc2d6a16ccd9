#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Coordinates.h"
#include "core/Table.h"
#include "core/TableImport.h"
#include "core/TextCodec.h"

namespace core {
namespace {

std::vector<TableRow> ReadAll(std::string_view bytes) {
  TableReader reader(bytes);
  std::vector<TableRow> rows;
  for (TableRow row; reader.Next(row);)
    rows.push_back(row);
  return rows;
}

TEST(TableReader, QuotingLineEndsAndSeparators) {
  // Quoted commas, doubled quotes and a line end inside quotes; CR LF, bare LF and CR;
  // a row of empty fields is skipped; line numbers are those of the file.
  const auto rows = ReadAll("a,b,c\r\n\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n,,\r1,,3");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].fields, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(rows[1].line, 2);
  EXPECT_EQ(rows[1].fields, (std::vector<std::string>{"x, y", "say \"hi\"", "two\r\nlines"}));
  EXPECT_EQ(rows[2].line, 5);
  EXPECT_EQ(rows[2].fields, (std::vector<std::string>{"1", "", "3"}));

  // Tabs win when the first line has more of them; quotes then are plain characters.
  TableReader tabs("a\tb,c\tx\n\"q\t2,3\n");
  EXPECT_EQ(tabs.Separator(), TableSeparator::Tab);
  TableRow row;
  ASSERT_TRUE(tabs.Next(row));
  ASSERT_TRUE(tabs.Next(row));
  EXPECT_EQ(row.fields, (std::vector<std::string>{"\"q", "2,3"}));
}

TEST(TableReader, EncodingsAndBrokenRows) {
  // Shift-JIS is told from UTF-8 by the bytes, and a UTF-8 byte-order mark is dropped.
  const std::string sjis = *Utf8ToCp932("学名,緯度\nブナ,35\n");
  TableReader shiftJis(sjis);
  EXPECT_EQ(shiftJis.Encoding(), TableEncoding::ShiftJis);
  TableRow row;
  ASSERT_TRUE(shiftJis.Next(row));
  EXPECT_EQ(row.fields, (std::vector<std::string>{"学名", "緯度"}));
  TableReader bom("\xEF\xBB\xBF和名,x\n");
  EXPECT_EQ(bom.Encoding(), TableEncoding::Utf8);
  ASSERT_TRUE(bom.Next(row));
  EXPECT_EQ(row.fields.front(), "和名");
  EXPECT_THROW(TableReader("\xFF\xFEx\0"), std::invalid_argument);

  // A quote left open ends the table with an error row.
  auto rows = ReadAll("a,b\n1,\"open\n2,3\n");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].line, 2);
  EXPECT_NE(rows[1].error.find("引用符"), std::string::npos);

  // An over-long row is an error row, and reading goes on at the next line.
  const std::string huge = "a\n" + std::string(TableReader::kMaxRowBytes + 10, 'x') + "\nok\n";
  rows = ReadAll(huge);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[1].error.find("長すぎ"), std::string::npos);
  EXPECT_TRUE(rows[1].fields.empty());
  EXPECT_EQ(rows[2].fields, (std::vector<std::string>{"ok"}));
  EXPECT_EQ(rows[2].line, 3);
  // So is one with too many fields.
  rows = ReadAll("a\n" + std::string(TableReader::kMaxFields + 5, ',') + "x\nok\n");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[1].error.find("列が多すぎ"), std::string::npos);
}

TEST(Coordinates, AnglesInTheFormsPeopleWrite) {
  const double fuji = 35.0 + 21.0 / 60 + 30.0 / 3600;
  const struct {
    const char* text;
    Axis axis;
    double expected;  // NAN: refused
  } cases[] = {
      {"35.3606", Axis::Latitude, 35.3606},
      {" -35.5 ", Axis::Latitude, -35.5},
      {"35°21′30″N", Axis::Latitude, fuji},
      {"35°21'30\"N", Axis::Latitude, fuji},
      {"35 21 30", Axis::Latitude, fuji},
      {"35:21:30", Axis::Latitude, fuji},
      {"N35°21′30″", Axis::Latitude, fuji},
      {"北緯35度21分30秒", Axis::Latitude, fuji},
      {"35d21m30s", Axis::Latitude, fuji},
      {"35°21.5′", Axis::Latitude, 35.0 + 21.5 / 60},
      {"３５．３６０６", Axis::Latitude, 35.3606},
      {"35°21′30″S", Axis::Latitude, -fuji},
      {"138°43′40″E", Axis::Longitude, 138.0 + 43.0 / 60 + 40.0 / 3600},
      {"東経138度43分", Axis::Longitude, 138.0 + 43.0 / 60},
      {"139.75W", Axis::Longitude, -139.75},
      {"35ﾟ30'45\"", Axis::Latitude, 35.5125},  // the chart program's own read-out
      {"35°61′", Axis::Latitude, NAN},          // minutes of 60 or more
      {"35°21′60″", Axis::Latitude, NAN},
      {"35.5°30′", Axis::Latitude, NAN},  // a fraction before minutes
      {"138.7E", Axis::Latitude, NAN},    // a longitude's letter in a latitude
      {"35.5N", Axis::Longitude, NAN},
      {"95.0", Axis::Latitude, NAN},
      {"-35 S", Axis::Latitude, NAN},
      {"35.5x", Axis::Latitude, NAN},
      {"35,5", Axis::Latitude, NAN},  // a decimal comma, not 35°05′
      {"abc", Axis::Latitude, NAN},
  };
  for (const auto& c : cases) {
    const ParsedValue v = ParseAngle(c.text, c.axis);
    if (std::isnan(c.expected)) {
      EXPECT_FALSE(v.value.has_value()) << c.text;
      EXPECT_NE(v.why.find(c.text), std::string::npos) << c.text << ": " << v.why;
    } else {
      ASSERT_TRUE(v.value.has_value()) << c.text << ": " << v.why;
      EXPECT_NEAR(*v.value, c.expected, 1e-9) << c.text;
    }
  }
  EXPECT_FALSE(ParseAngle("  ", Axis::Latitude).value);
  EXPECT_EQ(ParseAngle("  ", Axis::Latitude).why, "");

  const struct {
    const char* text;
    double lat;
    double lon;
  } pairs[] = {
      {"35.5, 139.25", 35.5, 139.25},     {"35°30′N 139°15′E", 35.5, 139.25},
      {"139°15′E 35°30′N", 35.5, 139.25}, {"北緯35度30分 東経139度15分", 35.5, 139.25},
      {"35.5 139.25", 35.5, 139.25},
  };
  for (const auto& p : pairs) {
    const ParsedPair pair = ParseCoordinatePair(p.text);
    ASSERT_TRUE(pair.lat && pair.lon) << p.text << ": " << pair.why;
    EXPECT_NEAR(*pair.lat, p.lat, 1e-9) << p.text;
    EXPECT_NEAR(*pair.lon, p.lon, 1e-9) << p.text;
  }
  EXPECT_FALSE(ParseCoordinatePair("35.5").lat);
  EXPECT_FALSE(ParseCoordinatePair("near the river").why.empty());
}

TEST(Coordinates, ElevationsAndMeshCells) {
  const struct {
    const char* text;
    bool feet;
    double expected;  // NAN: refused
  } elevations[] = {
      {"1234", false, 1234},          {"1234 m", false, 1234},       {"1,234m", false, 1234},
      {"1200-1500", false, 1350},     {"1400～1500 m", false, 1450}, {"約250m", false, 250},
      {"ca. 2500 m", false, 2500},    {"２４５０ｍ", false, 2450},   {"-3", false, -3},
      {"6500 ft", false, 1981.2},     {"1000", true, 304.8},         {"1000 m", true, 1000},
      {"2,400-2,600 m", false, 2500}, {"不明", false, NAN},          {"12a", false, NAN},
      {"1200-", false, NAN},
  };
  for (const auto& e : elevations) {
    const ParsedValue v = ParseElevation(e.text, e.feet);
    if (std::isnan(e.expected)) {
      EXPECT_FALSE(v.value) << e.text;
      EXPECT_FALSE(v.why.empty()) << e.text;
    } else {
      ASSERT_TRUE(v.value) << e.text << ": " << v.why;
      EXPECT_NEAR(*v.value, e.expected, 1e-6) << e.text;
    }
  }
  EXPECT_FALSE(ParseElevation("", false).value);
  EXPECT_EQ(ParseElevation(" ", false).why, "");

  const struct {
    const char* text;
    const char* digits;  // empty: refused with a reason containing `why`
    const char* why;
  } meshes[] = {
      {"53394611", "53394611", ""},
      {" 6441-0455 ", "64410455", ""},
      {"5339 46 11", "53394611", ""},
      {"５３３９４６１１", "53394611", ""},
      {"533946113", "533946113", ""},
      {"5339461", "5339461", ""},
      // Exponent notation is the code when every digit survived, else refused.
      {"5.53750131E8", "553750131", ""},
      {"5.339461110E+08", "533946111", ""},
      {"5.54E+08", "", "上の 3 桁しか残っていない"},
      {"5.3394611E8", "", "9 桁のコードのうち上の 8 桁"},
      {"5.3394611E7", "53394611", ""},
      {"5339", "", "短すぎ"},
      {"5339461123", "", "長すぎ"},
      {"53398611", "", "5・6 桁目"},
      {"5339465", "", "7 桁目"},
      {"533946116", "", "9 桁目"},
      {"2025-01-01", "", "数字だけではありません"},
      {"A5339", "", "数字だけではありません"},
  };
  for (const auto& m : meshes) {
    const ParsedMesh mesh = ParseMeshCell(m.text);
    EXPECT_EQ(mesh.digits, m.digits) << m.text;
    if (*m.digits == '\0') {
      EXPECT_NE(mesh.why.find(m.why), std::string::npos) << m.text << ": " << mesh.why;
    }
  }
}

TEST(Coordinates, FoldWidthMakesHeadingsComparable) {
  EXPECT_EQ(FoldWidth("ＤｅｃｉｍａｌＬａｔｉｔｕｄｅ"), "DecimalLatitude");
  EXPECT_EQ(FoldWidth("ﾒｯｼｭｺｰﾄﾞ"), "メッシュコード");
  EXPECT_EQ(FoldWidth("ﾊﾟﾝ　ｳﾞ"), "パン ヴ");
  EXPECT_EQ(FoldWidth("\xFF"
                      "a"),
            "\xFF"
            "a");  // bytes that are not UTF-8 pass as they are
}

std::vector<std::string> Lines(const ImportResult& result, size_t file = 0) {
  return file < result.files.size() ? result.files[file].lines : std::vector<std::string>{};
}

TEST(TableImport, CategoriesGroupsAndTheirTitles) {
  const std::string table =
      "scientificName,decimalLatitude,decimalLongitude,basisOfRecord,year\n"
      "Fagus crenata,35.5,139.25,PRESERVED_SPECIMEN,1949\n"
      "Fagus crenata,35.6,139.25,HUMAN_OBSERVATION,1950\n"
      "Pinus pumila,36.5,137.6,PRESERVED_SPECIMEN,1990\n"
      "Pinus pumila,36.6,137.6,PRESERVED_SPECIMEN,\n";
  // Without --category, one category per name, titled by it.
  ImportResult r = ImportTable(table, {});
  EXPECT_EQ(Lines(r), (std::vector<std::string>{"Fagus crenata", "35.5,139.25", "35.6,139.25",
                                                "Pinus pumila", "36.5,137.6", "36.6,137.6"}));
  EXPECT_EQ(r.files.front().fileName, "import.grd");

  ImportOptions o;
  o.categoryColumn = "basisOfRecord";
  r = ImportTable(table, o);
  EXPECT_EQ(Lines(r), (std::vector<std::string>{"PRESERVED_SPECIMEN", "35.5,139.25", "36.5,137.6",
                                                "36.6,137.6", "HUMAN_OBSERVATION", "35.6,139.25"}));

  // Periods of a year (the year column unless another is named): in their order, not that
  // of the rows; titles never start with a digit.
  o.categoryColumn = "";
  o.bins = {1950, 1990};
  r = ImportTable(table, o);
  EXPECT_EQ(Lines(r), (std::vector<std::string>{
                          "１９４９ 以前", "35.5,139.25", "１９５０～１９８９", "35.6,139.25",
                          "１９９０ 以降", "36.5,137.6", "年不明", "36.6,137.6"}));

  // Over-long titles are cut at a character boundary, with a note.
  o = {};
  o.groupColumn = "name";
  // Told once for the title, not once for each of its rows.
  r = ImportTable("name,lat,lon\n" + std::string(199, 'x') + "萩萩,35.5,139.2\n" +
                      std::string(199, 'x') + "萩萩,35.6,139.2\n",
                  o);
  ASSERT_EQ(Lines(r).size(), 3u);
  EXPECT_EQ(Lines(r)[0], std::string(199, 'x') + "…");
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].reason.find("200 バイトで切りました"), std::string::npos);

  // Values that would read as records, comments or short lines are made titles. A single
  // kanji is 3 bytes of UTF-8 but 2 of Shift-JIS, too short for the conic program.
  o = {};
  o.categoryColumn = "year";
  r = ImportTable("year,lat,lon\n1990;x,35.5,139.2\nA,35.6,139.2\n,35.7,139.2\n萩,35.8,139.2\n", o);
  EXPECT_EQ(Lines(r),
            (std::vector<std::string>{"year: 1990；x", "35.5,139.2", "year: A", "35.6,139.2",
                                      "（空欄）", "35.7,139.2", "year: 萩", "35.8,139.2"}));
}

TEST(TableImport, TooManyCategoriesIsAnErrorThatListsThem) {
  std::string table = "name,lat,lon\n";
  for (int i = 1; i <= 6; ++i)
    table += "taxon " + std::to_string(i) + ",35.5,139.2\n";
  try {
    ImportTable(table, {});
    FAIL() << "six categories passed for the conic program";
  } catch (const std::invalid_argument& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("6 個あり"), std::string::npos) << what;
    EXPECT_NE(what.find("taxon 1、taxon 2、taxon 3、taxon 4、taxon 5、taxon 6"), std::string::npos)
        << what;
    // Told what to do instead: one category, or a file per value.
    EXPECT_NE(what.find("--title"), std::string::npos) << what;
    EXPECT_NE(what.find("--split-by"), std::string::npos) << what;
  }
  ImportOptions chart;
  chart.program = Program::Chart;
  chart.groupColumn = "name";
  EXPECT_EQ(ImportTable(table, chart).files.front().lines.size(), 12u);
}

TEST(TableImport, RowsThatCannotBeUsedAreToldWithTheirLine) {
  const std::string table =
      "name,lat,lon,elevation,note\n"
      "A,35.5,139.25,1200,\n"
      "A,,,,\n"                   // 3: no position
      "A,35.5,139.25,1200,\n"     // 4: duplicate of 2
      "A,23.5,121.0,,\n"          // 5: outside the region
      "A,35.5,,,\n"               // 6: half a position
      "A,35.5,139.25,1200,x,y\n"  // 7: an unquoted comma moved the fields
      "A,35.7,139.25,lots,\n"     // 8: written without elevation, with a note
      "\n"
      "A,\"35.8\n\",139.25,,\n"  // 10: a quoted line end, still a row
      "A,139.25,35.5,,\n";       // 12: swapped in this row only
  const ImportResult r = ImportTable(table, {});
  EXPECT_EQ(r.rowsRead, 9);
  EXPECT_EQ(r.recordsWritten, 3);
  EXPECT_EQ(r.duplicates, 1);
  EXPECT_EQ(Lines(r), (std::vector<std::string>{"name: A", "35.5,139.25,1200", "35.7,139.25",
                                                "35.8,139.25"}));
  std::vector<std::pair<long, std::string>> got;
  for (const ImportRejection& j : r.rejections)
    got.emplace_back(j.row, j.reason);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0], (std::pair<long, std::string>{3, "座標もメッシュコードもありません"}));
  EXPECT_EQ(got[1], (std::pair<long, std::string>{4, "行 2 と同じ記録なので一度だけ書きました"}));
  EXPECT_TRUE(r.rejections[1].duplicate);
  EXPECT_EQ(got[2].first, 5);
  EXPECT_NE(got[2].second.find("地図の範囲（北緯 24〜46 度、東経 122〜149 度）の外"),
            std::string::npos);
  EXPECT_EQ(got[3], (std::pair<long, std::string>{6, "経度がありません"}));
  EXPECT_EQ(got[4].first, 7);
  EXPECT_NE(got[4].second.find("引用符で囲まれていないカンマ"), std::string::npos);
  EXPECT_EQ(got[5].first, 12);
  EXPECT_NE(got[5].second.find("入れ替わっていませんか"), std::string::npos) << got[5].second;
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0].row, 8);
  EXPECT_NE(r.notes[0].reason.find("標高なしで書きました"), std::string::npos);
}

TEST(TableImport, SwappedColumnsAreNamedOrSwapped) {
  const std::string table = "species,lat,lon\nA,138.7274,35.3606\nA,141.3469,43.0642\nA,,\n";
  try {
    ImportTable(table, {});
    FAIL() << "swapped columns passed";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(
        std::string(e.what()).find("緯度の列「lat」と経度の列「lon」が入れ替わっているようです"),
        std::string::npos)
        << e.what();
  }
  ImportOptions o;
  o.swapLatLon = true;
  const ImportResult r = ImportTable(table, o);
  EXPECT_EQ(Lines(r),
            (std::vector<std::string>{"species: A", "35.3606,138.7274", "43.0642,141.3469"}));
  EXPECT_EQ(r.rejections.size(), 1u);
}

TEST(TableImport, MeshCodesCoordinatesAndWhichWins) {
  const std::string table =
      "和名,緯度,経度,メッシュコード,標高\n"
      "カタクリ,35.5,139.25,53394611,1234\n"
      "カタクリ,,,5339-4611,1234\n"
      "カタクリ,,,533946,-5\n";
  ImportResult r = ImportTable(table, {});
  EXPECT_EQ(Lines(r),
            (std::vector<std::string>{"カタクリ", "35.5,139.25,1234", "53394611.12", "533946.00"}));
  ASSERT_EQ(r.notes.size(), 2u);
  EXPECT_EQ(r.notes[0].row, 2);  // the coordinates lie far from the code's cell
  EXPECT_NE(r.notes[0].reason.find("メッシュコード「53394611」の区画から約 "), std::string::npos)
      << r.notes[0].reason;
  EXPECT_EQ(r.notes[1].row, 4);
  ImportOptions o;
  o.preferMesh = true;
  r = ImportTable(table, o);
  EXPECT_EQ(Lines(r), (std::vector<std::string>{"カタクリ", "53394611.12", "533946.00"}));
  EXPECT_EQ(r.duplicates, 1);  // rows 2 and 3 are now the same record

  // A mesh cell outside the region, and named columns missing.
  r = ImportTable("mesh\n30224611\n", {});
  ASSERT_EQ(r.rejections.size(), 1u);
  EXPECT_NE(r.rejections[0].reason.find("の外です"), std::string::npos);
  o = {};
  o.latColumn = "北緯";
  EXPECT_THROW(ImportTable(table, o), std::invalid_argument);
  EXPECT_THROW(ImportTable("name,place\nA,Tokyo\n", {}), std::invalid_argument);
  EXPECT_THROW(ImportTable("", {}), std::invalid_argument);
}

TEST(TableImport, SplitFilesGetSafeDistinctNames) {
  const struct {
    const char* key;
    const char* name;
  } names[] = {
      {"Fagus crenata Blume", "Fagus crenata Blume.grd"},
      {"a/b\\c:d", "a_b_c_d.grd"},
      {"..", "_.grd"},
      {".", "_.grd"},
      {"-rf", "_rf.grd"},
      {"tab\there", "tab_here.grd"},
      {"  ", "_.grd"},
      {"name.", "name.grd"},
  };
  for (const auto& n : names)
    EXPECT_EQ(SafeFileName(n.key), n.name) << n.key;
  const std::string longName = SafeFileName(std::string(200, 'x') + "あいう");
  EXPECT_EQ(longName.size(), kMaxFileNameBytes);
  const std::string japanese = SafeFileName(std::string(115, 'x') + "ブナ");  // cut inside ブ
  EXPECT_TRUE(IsWellFormedUtf8(japanese));
  EXPECT_EQ(japanese, std::string(115, 'x') + ".grd");

  ImportOptions o;
  o.splitColumn = "taxon";
  const ImportResult r = ImportTable("taxon,lat,lon\na/b,35,139\na:b,36,139\nA_B,37,139\n", o);
  ASSERT_EQ(r.files.size(), 3u);
  EXPECT_EQ(r.files[0].fileName, "a_b.grd");
  EXPECT_EQ(r.files[1].fileName, "a_b_2.grd");
  EXPECT_EQ(r.files[2].fileName, "A_B_3.grd");
  EXPECT_EQ(r.files[1].lines, (std::vector<std::string>{"a:b", "36,139"}));
  ASSERT_EQ(r.warnings.size(), 3u);
  EXPECT_EQ(r.warnings[0], "標高の列がないので、断面図には描かれません");
}

TEST(TableImport, FilesAreWrittenAsTheChartProgramSavesThem) {
  ImportedFile file;
  file.lines = {"ブナ", "35.5,139.25"};
  EXPECT_EQ(EncodeImportedFile(file), *Utf8ToCp932("ブナ\r\n35.5,139.25\r\n"));
  file.lines = {"Fagus 〜", "35.5,139.25"};  // no Shift-JIS for this wave dash
  EXPECT_EQ(EncodeImportedFile(file), "Fagus 〜\r\n35.5,139.25\r\n");
}

}  // namespace
}  // namespace core
