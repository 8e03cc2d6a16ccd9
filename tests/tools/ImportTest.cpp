#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/TextCodec.h"
#include "tools/import/ImportMain.h"

namespace tableimport {
namespace {

namespace fs = std::filesystem;

const std::string kData = std::string(TARVO_TEST_DATA) + "/import/";

struct ImportRun {
  int status;
  std::string out;
  std::string err;
};

ImportRun Import(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = ImportMain(args, stdin, out, err);
  return {status, out.str(), err.str()};
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path Fresh() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(testing::TempDir()) / ("import-" + std::string(info->name()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// The lines of a written file, decoded as the chart program loads it.
std::vector<std::string> GrdLines(const std::string& bytes) {
  EXPECT_TRUE(bytes.empty() || bytes.ends_with("\r\n"));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(core::DecodeLine(bytes.substr(start, end - start)));
  return lines;
}

// The stderr lines that report rows: "TABLE:LINE: ...", with the table's path cut off.
std::vector<std::string> RowReports(const std::string& err, const std::string& table) {
  std::vector<std::string> rows;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(table + ":")) rows.push_back(line.substr(table.size() + 1));
  }
  return rows;
}

std::string Summary(const std::string& err) {
  const size_t at = err.rfind("tarvo-import: 読んだ行");
  return at == std::string::npos ? "" : err.substr(at, err.find('\n', at) - at);
}

TEST(Import, GbifSimpleDownloadSplitIntoOneFilePerTaxon) {
  const fs::path dir = Fresh() / "maps";  // made by the import
  const std::string table = kData + "gbif-simple.csv";
  const ImportRun run = Import({table, "--split-by", "scientificName", "--out-dir", dir.string()});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(GrdLines(ReadBytes(dir / "Fagus crenata Blume.grd")),
            (std::vector<std::string>{"Fagus crenata Blume", "35.3606,138.7274,1450",
                                      "43.0642,141.3469"}));
  EXPECT_EQ(GrdLines(ReadBytes(dir / "Pinus pumila (Pall.) Regel.grd")),
            (std::vector<std::string>{"Pinus pumila (Pall.) Regel", "36.5767,137.6197,2450"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  const auto rows = RowReports(run.err, table);
  ASSERT_EQ(rows.size(), 3u) << run.err;
  EXPECT_EQ(rows[0], "4: 重複: 行 2 と同じ記録なので一度だけ書きました");
  EXPECT_EQ(rows[1], "5: 書かない: 座標もメッシュコードもありません");
  EXPECT_TRUE(rows[2].starts_with("7: 書かない: 位置（緯度 51.2、経度 156.9）が地図の範囲"))
      << rows[2];
  EXPECT_EQ(Summary(run.err),
            "tarvo-import: 読んだ行 6、書いた記録 3、ファイル 2、書かなかった行 2、重複 1");
  EXPECT_NE(run.err.find("緯度「decimalLatitude」"), std::string::npos);
  EXPECT_NE(run.err.find("標高「elevation」"), std::string::npos);
}

TEST(Import, DarwinCoreArchiveOccurrencesByBasisOfRecord) {
  const std::string table = kData + "occurrence.txt";
  const ImportRun run = Import({table, "--category", "basisOfRecord"});
  EXPECT_EQ(run.status, 1) << run.err;
  // Decimal coordinates, then DMS in verbatimCoordinates, then degrees and decimal minutes
  // in verbatimLatitude/Longitude; the mean of minimum and maximum, a range, feet.
  EXPECT_EQ(GrdLines(run.out),
            (std::vector<std::string>{"PRESERVED_SPECIMEN", "35.7894,137.8044,2700",
                                      "36.576667,137.619722,2500", "HUMAN_OBSERVATION",
                                      "43.663333,142.855,1981.2"}));
  const auto rows = RowReports(run.err, table);
  ASSERT_EQ(rows.size(), 2u) << run.err;
  EXPECT_TRUE(rows[0].starts_with("5: 書かない: 位置（緯度 23.47、経度 120.9573）")) << rows[0];
  EXPECT_EQ(rows[1], "6: 書かない: 経度がありません");
}

TEST(Import, ShiftJisSpreadsheetWithJapaneseHeadings) {
  const fs::path dir = Fresh();
  const std::string table = kData + "herbarium-sjis.csv";
  const ImportRun run = Import({table, "--group", "和名", "-o", (dir / "out.grd").string()});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string bytes = ReadBytes(dir / "out.grd");
  EXPECT_FALSE(core::IsWellFormedUtf8(bytes));  // written in Shift-JIS, as the programs save
  EXPECT_EQ(GrdLines(bytes), (std::vector<std::string>{
                                 "ブナ", "35.358333,138.727778,1450", "43.064167,141.346944,250",
                                 "35.358333,138.727833,1450", "ハイマツ", "36.5767,137.6197,2450",
                                 "36.576667,137.619722"}));
  const auto rows = RowReports(run.err, table);
  ASSERT_EQ(rows.size(), 2u) << run.err;
  EXPECT_EQ(rows[0], "6: 注意: 標高 「不明」 は読めません。標高なしで書きました");
  EXPECT_EQ(rows[1], "7: 書かない: 経度 「137°75′E」 の分が 60 以上です");
  EXPECT_NE(run.err.find("Shift-JIS として読みました"), std::string::npos);
  EXPECT_NE(run.err.find("見出し「和名」"), std::string::npos);
}

TEST(Import, MeshCodesFromAUtf8SpreadsheetWithByteOrderMark) {
  const std::string table = kData + "mesh-bom.csv";
  const ImportRun run = Import({table, "--program", "chart"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(GrdLines(run.out), (std::vector<std::string>{"カタクリ", "64410455.12", "53394611",
                                                         "553750131", "533946113.12"}));
  const auto rows = RowReports(run.err, table);
  ASSERT_EQ(rows.size(), 5u) << run.err;
  // Every digit of the code survived the spreadsheet's exponent notation.
  EXPECT_EQ(rows[0],
            "4: 注意: メッシュコード 「5.53750131E8」 "
            "は表計算ソフトで数値に変わった指数表記のようですが、桁はすべて残っているので "
            "553750131 として読みました");
  EXPECT_TRUE(rows[1].starts_with("5: 書かない: メッシュコード 「5.54E+08」 は")) << rows[1];
  EXPECT_NE(rows[1].find("上の 3 桁しか残っていない"), std::string::npos);
  EXPECT_EQ(rows[2], "6: 重複: 行 3 と同じ記録なので一度だけ書きました");
  EXPECT_TRUE(rows[3].starts_with("7: 書かない: メッシュコード 「5339」 は短すぎます")) << rows[3];
  EXPECT_TRUE(rows[4].starts_with("8: 書かない: メッシュコード 「53398611」 の 5・6 桁目"))
      << rows[4];
  EXPECT_EQ(Summary(run.err),
            "tarvo-import: 読んだ行 8、書いた記録 4、ファイル 1、書かなかった行 3、重複 1");
}

TEST(Import, SwappedColumnsStopTheImportUnlessSwapped) {
  const std::string table = kData + "swapped.csv";
  ImportRun run = Import({table});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("緯度の列「lat」と経度の列「lon」が入れ替わっているようです"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("--swap-latlon"), std::string::npos);
  run = Import({table, "--swap-latlon"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(GrdLines(run.out), (std::vector<std::string>{"Fagus crenata", "35.3606,138.7274",
                                                         "43.0642,141.3469", "36.2,139.1"}));
}

TEST(Import, OutputsThatMustNotBeWritten) {
  const fs::path dir = Fresh();
  const fs::path table = dir / "table.csv";
  const std::string text = "name,lat,lon\nFagus,35.5,139.25\n";
  std::ofstream(table, std::ios::binary) << text;

  // Over its own input, through another spelling of the path.
  ImportRun run = Import({table.string(), "-o", (dir / "." / "table.csv").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("読んでいる表そのものには書きません"), std::string::npos) << run.err;
  EXPECT_EQ(ReadBytes(table), text);
  // Onto a folder.
  run = Import({table.string(), "-o", dir.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("フォルダには書けません"), std::string::npos) << run.err;
  // An out-dir that is a file.
  run = Import({table.string(), "--split-by", "name", "--out-dir", table.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(ReadBytes(table), text);
  // Into the folder of the table, with a split value that names the table itself.
  std::ofstream(table, std::ios::binary) << "name,lat,lon\ntable.csv,35.5,139.25\n";
  fs::rename(table, dir / "table.csv.grd");
  run = Import({(dir / "table.csv.grd").string(), "--split-by", "name", "--out-dir", dir.string()});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_TRUE(ReadBytes(dir / "table.csv.grd").starts_with("name,lat,lon"));

  // A table that is a folder, or missing; usage errors.
  EXPECT_EQ(Import({dir.string()}).status, 2);
  EXPECT_EQ(Import({(dir / "missing.csv").string()}).status, 2);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"-", "-"},
                                             {"a.csv", "--title", "A", "--group", "name"},
                                             {"a.csv", "--title-from", "column"},
                                             {"a.csv", "--label", "A"},
                                             {"a.csv", "--basis", "SPECIMEN"},
                                             {"a.csv", "--years", "1990-80"},
                                             {"a.csv", "--max-uncertainty", "ten"},
                                             {"a.csv", "--split-by", "x"},
                                             {"a.csv", "--out-dir", "d"},
                                             {"a.csv", "--bins", "1950,x"},
                                             {"a.csv", "--program", "other"},
                                             {"a.csv", "--frobnicate"}}) {
    run = Import(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("使い方"), std::string::npos);
  }
  run = Import({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("地図の範囲: 北緯 24〜46 度、東経 122〜149 度"), std::string::npos);
}

TEST(Import, ReadsStandardInputAndWritesStandardOutput) {
  std::string table = "name,lat,lon\nFagus,35.5,139.25\n";
  std::FILE* in = fmemopen(table.data(), table.size(), "r");
  ASSERT_NE(in, nullptr);
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(ImportMain({"-"}, in, out, err), 0) << err.str();
  std::fclose(in);
  EXPECT_EQ(out.str(), "Fagus\r\n35.5,139.25\r\n");
}

TEST(Import, NothingUsableWritesNothing) {
  const fs::path dir = Fresh();
  const fs::path table = dir / "t.csv";
  std::ofstream(table, std::ios::binary) << "name,lat,lon\nA,,\n";
  const ImportRun run = Import({table.string(), "-o", (dir / "out.grd").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(fs::exists(dir / "out.grd"));
  EXPECT_NE(run.err.find("何も書きませんでした"), std::string::npos);
}

}  // namespace
}  // namespace tableimport
