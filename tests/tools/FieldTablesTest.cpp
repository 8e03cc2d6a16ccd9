// Five kinds of field table, each taken from the raw file to an A4 figure as a user would:
// one tarvo-import and one Tarvo_L export, no hand edits in between.
#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "conic/Export.h"
#include "core/TextCodec.h"
#include "tests/support/Files.h"
#include "tests/support/Presets.h"
#include "tests/support/TestFiles.h"
#include "tools/import/ImportMain.h"

namespace {

using testsupport::GrdLines;

namespace fs = std::filesystem;
using testsupport::Q;
using testsupport::ReadBytes;

const std::string kData = std::string(TARVO_TEST_DATA) + "/import/";

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::vector<std::string> ErrLines(const std::string& err) {
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

bool Told(const std::string& err, const std::string& line) {
  const std::vector<std::string> lines = ErrLines(err);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class FieldTables : public testing::Test {
 protected:
  void SetUp() override { m_root = testsupport::FreshTestFolder("field_tables_"); }
  void TearDown() override { fs::remove_all(m_root); }

  Outcome Import(std::vector<std::string> args) const {
    std::ostringstream out;
    std::ostringstream err;
    const int status = tableimport::ImportMain(args, stdin, out, err);
    return {status, out.str(), err.str()};
  }
  // Tarvo_L's scripted export with the A4 preset and the bundled map.
  Outcome Export(QStringList args) const {
    args.prepend(Q(testsupport::PresetPath("Tarvo_L-A4.ini")));
    std::ostringstream out;
    std::ostringstream err;
    const int status = conic::RunExport(args, Q(m_root / "bin" / "Tarvo_L"), out, err);
    return {status, out.str(), err.str()};
  }
  std::string Path(const std::string& name) const { return (m_root / name).string(); }
  // The report line of one figure: "OUT records=N categories=N width=W height=H".
  std::string Figure(const std::string& png, int records, int categories) const {
    return Path(png) + " records=" + std::to_string(records) +
           " categories=" + std::to_string(categories) + " width=2480 height=3506\n";
  }

  fs::path m_root;
};

// Forest monitoring plots: "ele" and "mesh3" found as they are, four plots whose mesh code
// lies far from their coordinates, a no-data elevation, a code in exponent notation.
TEST_F(FieldTables, ForestPlotsWithEleAndMesh3) {
  const std::string table = kData + "forest-plots.csv";
  const Outcome imported = Import({table, "--group", "forest_type", "-o", Path("plots.grd")});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_TRUE(
      Told(imported.err,
           "tarvo-import: 読む列: 緯度「lat」、経度「lon」、メッシュコード「mesh3」、標高「ele」"
           "、見出し「forest_type」"))
      << imported.err;
  for (const auto& [row, km] : std::vector<std::pair<int, const char*>>{
           {3, "29.5 km"}, {6, "7.9 km"}, {10, "2.6 km"}, {12, "1.7 km"}}) {
    EXPECT_NE(imported.err.find(table + ":" + std::to_string(row) + ": 注意: 座標"),
              std::string::npos)
        << row;
    EXPECT_NE(imported.err.find("の区画から約 " + std::string(km) + " 外れています"),
              std::string::npos)
        << row;
  }
  EXPECT_NE(imported.err.find(table + ":5: 注意: 標高 9999 m は「値なし」の印"), std::string::npos);
  const std::vector<std::string> lines = GrdLines(ReadBytes(Path("plots.grd")));
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "ブナ林");
  EXPECT_EQ(lines[4], "35.39,138.78");  // the no-data elevation left out
  EXPECT_EQ(lines[5], "ミズナラ林");
  EXPECT_EQ(lines[9], "スギ人工林");
  EXPECT_EQ(lines[12], "30.34,130.53,1100");
  EXPECT_EQ(lines[13], "シラビソ林");

  const Outcome figure =
      Export({QStringLiteral("--export"), Q(Path("plots.png")), Q(Path("plots.grd"))});
  EXPECT_EQ(figure.status, 0) << figure.err;
  EXPECT_EQ(figure.out, Figure("plots.png", 12, 4));
}

// Cherry-observation stations: a Shift-JIS sheet with "alt" and degrees and decimal minutes.
TEST_F(FieldTables, CherryStationsWithAltAndDegreeMinuteCoordinates) {
  const std::string table = kData + "cherry-stations.csv";
  const Outcome imported = Import({table, "-o", Path("sakura.grd")});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_TRUE(Told(imported.err,
                   "tarvo-import: 読む列: 緯度「緯度」、経度「経度」、標高「alt」、見出し「種名」"))
      << imported.err;
  const std::vector<std::string> lines = GrdLines(ReadBytes(Path("sakura.grd")));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "ソメイヨシノ", "43.06,141.328333,17", "38.261667,140.896667,39",
                       "35.691667,139.75,25", "36.245,137.97,610", "35.013333,135.731667,41",
                       "33.566667,133.548333,1", "31.555,130.546667,4", "チシマザクラ",
                       "42.985,144.376667,5", "43.33,145.585,25", "ヒカンザクラ",
                       "28.378333,129.495,3", "24.336667,124.163333,6"}));

  const Outcome figure =
      Export({QStringLiteral("--export"), Q(Path("sakura.png")), Q(Path("sakura.grd"))});
  EXPECT_EQ(figure.status, 0) << figure.err;
  EXPECT_EQ(figure.out, Figure("sakura.png", 11, 3));
}

// Prefectural bear sightings in yearly files: one import, one category per file, titled by
// the file's name.
TEST_F(FieldTables, BearSightingsInSeveralYearlyFiles) {
  std::vector<std::string> args;
  for (const char* year : {"2019年度", "2020年度", "2021年度"})
    args.push_back(kData + "bear-sightings/" + year + ".csv");
  const std::vector<std::string> tables = args;
  args.insert(args.end(), {"--title-from", "file", "-o", Path("kuma.grd")});
  const Outcome imported = Import(args);
  EXPECT_EQ(imported.status, 1) << imported.err;  // one sighting has no place
  EXPECT_TRUE(Told(imported.err, tables[2] + ":5: 書かない: 座標もメッシュコードもありません"))
      << imported.err;
  EXPECT_TRUE(Told(imported.err, "tarvo-import: " + tables[0] +
                                     ": 注意: 標高の列がないので、断面図には描かれません"))
      << imported.err;
  const std::vector<std::string> lines = GrdLines(ReadBytes(Path("kuma.grd")));
  std::vector<std::string> headers;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(headers),
               [](const std::string& line) { return !(line[0] >= '0' && line[0] <= '9'); });
  EXPECT_EQ(headers, (std::vector<std::string>{"２０１９年度", "２０２０年度", "２０２１年度"}));
  EXPECT_EQ(lines.size(), 16u);
  // Full-width digits are Shift-JIS: the file stays so.
  EXPECT_FALSE(core::IsWellFormedUtf8(ReadBytes(Path("kuma.grd"))));

  const Outcome figure =
      Export({QStringLiteral("--export"), Q(Path("kuma.png")), Q(Path("kuma.grd"))});
  EXPECT_EQ(figure.status, 0) << figure.err;
  EXPECT_EQ(figure.out, Figure("kuma.png", 13, 3));
}

// Mountain weather stations: a heading behind a second byte-order mark, two columns of one
// heading, heights in feet, a no-data height.
TEST_F(FieldTables, MountainStationsInFeet) {
  const std::string table = kData + "mountain-stations.csv";
  const Outcome imported = Import({table, "--title", "山岳気象観測所", "-o", Path("yama.grd")});
  ASSERT_EQ(imported.status, 0) << imported.err;
  const std::vector<std::string> err = ErrLines(imported.err);
  ASSERT_GE(err.size(), 4u) << imported.err;
  EXPECT_EQ(
      err[0],
      "tarvo-import: 読む列: 緯度「latitude」、経度「longitude」、メッシュコード「1kmメッシュ」"
      "、標高「height (ft)」");
  EXPECT_EQ(err[1],
            "tarvo-import: 注意: 1 列目の見出し「station」の前にバイト順マーク（BOM）がもう一つあ"
            "ったので、取り除いて読みました");
  EXPECT_EQ(err[2],
            "tarvo-import: 注意: 見出し「備考」の列が 2 つあります（6 列目と 7 列目）。6 列目だけ"
            "が列の名前で選べ、7 列目は読みません");
  EXPECT_TRUE(Told(
      imported.err,
      table +
          ":7: 注意: 標高 -999 m "
          "は「値なし」の印によく使われる数で、本当の標高ではなさそうです。標高なしで書きました"));
  const std::vector<std::string> lines = GrdLines(ReadBytes(Path("yama.grd")));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "山岳気象観測所");
  EXPECT_EQ(lines[1], "35.3606,138.7274,3775.9");  // 12388 ft: Fuji's summit
  EXPECT_EQ(lines[6], "36.7,137.8167");

  const Outcome figure =
      Export({QStringLiteral("--export"), Q(Path("yama.png")), Q(Path("yama.grd"))});
  EXPECT_EQ(figure.status, 0) << figure.err;
  EXPECT_EQ(figure.out, Figure("yama.png", 7, 1));
}

// A GBIF download with its usual faults, split into one file per taxon and exported as one
// map per taxon, each titled with its taxon.
TEST_F(FieldTables, GbifDownloadToOneMapPerTaxon) {
  const std::string table = kData + "gbif-download.csv";
  const Outcome imported = Import({table, "--split-by", "scientificName", "--out-dir", Path("grd"),
                                   "--max-uncertainty", "10000", "--drop-sea"});
  EXPECT_EQ(imported.status, 1) << imported.err;
  const std::vector<std::string> expected = {
      table +
          ":5: 書かない: 国コード「KR」は日本（JP）ではありません（ほかの国の記録も書くには "
          "--country any）",
      table +
          ":6: 書かない: 記録の種類「FOSSIL_SPECIMEN」は化石の記録なので書きません（書くに"
          "は --basis any）",
      table +
          ":8: 書かない: 海上: 位置（緯度 33.9、経度 137.5）は付属の地図の陸から 50 km 以上"
          "離れた海の上です（--drop-sea）",
      table +
          ":9: 書かない: 座標の不確かさ 25000 m が --max-uncertainty の 10000 m を超えて"
          "います",
      table +
          ":10: 注意: 標高 -9999 m は「値なし」の印によく使われる数で、本当の標高ではなさ"
          "そうです。標高なしで書きました",
      table + ":14: 重複: 行 13 と同じ記録なので一度だけ書きました",
      table + ":15: 書かない: 座標もメッシュコードもありません",
      "tarvo-import: 読んだ行 14、書いた記録 7、ファイル 2、書かなかった行 6（国 1、記録の種類 "
      "2、座標の不確かさ 1、海上 1、そのほか 1）、重複 1"};
  for (const std::string& line : expected)
    EXPECT_TRUE(Told(imported.err, line)) << line << "\n" << imported.err;
  const std::string fagus = Path("grd/Fagus crenata Blume.grd");
  const std::string pinus = Path("grd/Pinus pumila (Pall.) Regel.grd");
  EXPECT_EQ(GrdLines(ReadBytes(fagus)),
            (std::vector<std::string>{"Fagus crenata Blume", "40.47,140.12,620",
                                      "38.2583,140.53,880", "35.39,138.78,1450", "39.62,140.98"}));
  EXPECT_EQ(GrdLines(ReadBytes(pinus)).size(), 4u);

  const Outcome maps = Export({QStringLiteral("--title-from-data"), QStringLiteral("--export-dir"),
                               Q(Path("maps")), Q(fagus), Q(pinus)});
  EXPECT_EQ(maps.status, 0) << maps.err;
  EXPECT_EQ(maps.out, Figure("maps/Fagus crenata Blume.png", 4, 1) +
                          Figure("maps/Pinus pumila (Pall.) Regel.png", 3, 1));
  // Each map carries its taxon as its title: the same figure as one titled by hand.
  const Outcome byHand =
      Export({QStringLiteral("--set"), QStringLiteral("DataFile.Title=Pinus pumila (Pall.) Regel"),
              QStringLiteral("--export"), Q(Path("pinus.png")), Q(pinus)});
  ASSERT_EQ(byHand.status, 0) << byHand.err;
  EXPECT_TRUE(ReadBytes(Path("pinus.png")) ==
              ReadBytes(Path("maps/Pinus pumila (Pall.) Regel.png")));
  const Outcome untitled = Export({QStringLiteral("--export"), Q(Path("plain.png")), Q(pinus)});
  ASSERT_EQ(untitled.status, 0) << untitled.err;
  EXPECT_FALSE(ReadBytes(Path("plain.png")) == ReadBytes(Path("pinus.png")));
}

}  // namespace
