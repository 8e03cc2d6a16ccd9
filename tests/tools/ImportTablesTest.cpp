// The command line of the table import: several tables, the bundled map for records at sea,
// and a report that goes out in the order a user reads it.
#include <gtest/gtest.h>

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

struct ImportRun {
  int status;
  std::string out;
  std::string err;
};

ImportRun Import(const std::vector<std::string>& args, const ImportPlace& place = {}) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = ImportMain(args, stdin, out, err, place);
  return {status, out.str(), err.str()};
}

fs::path Fresh() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir =
      fs::path(testing::TempDir()) / ("import-tables-" + std::string(info->name()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST(ImportTables, TheReportComesInTheOrderItIsRead) {
  const fs::path dir = Fresh();
  Write(dir / "a.csv", "name,lat,lon\nA,35.68,139.7\nA,,\nA,25.5,131.0\n");
  Write(dir / "b.csv", "name,lat,lon,標高\nB,35.69,139.7,9999\n");
  const std::string a = (dir / "a.csv").string();
  const std::string b = (dir / "b.csv").string();
  const ImportRun run = Import({a, b, "-o", (dir / "out.grd").string()});
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 7u) << run.err;
  // Each table's columns, then its rows, as the tables are read; the count last.
  EXPECT_EQ(lines[0], "tarvo-import: " + a + ": 読む列: 緯度「lat」、経度「lon」、見出し「name」");
  EXPECT_EQ(lines[1], "tarvo-import: " + a + ": 注意: 標高の列がないので、断面図には描かれません");
  EXPECT_EQ(lines[2], a + ":3: 書かない: 座標もメッシュコードもありません");
  EXPECT_TRUE(
      lines[3].starts_with(a + ":4: 注意: 海上: 位置（緯度 25.5、経度 131）は付属の地図の陸から"))
      << lines[3];
  EXPECT_EQ(lines[4], "tarvo-import: " + b +
                          ": 読む列: 緯度「lat」、経度「lon」、標高「標高」、見出し「name」");
  EXPECT_TRUE(lines[5].starts_with(b + ":2: 注意: 標高 9999 m は「値なし」の印")) << lines[5];
  EXPECT_EQ(lines.back(),
            "tarvo-import: 読んだ行 4、書いた記録 3、ファイル 1、書かなかった行 1、重複 0");
}

TEST(ImportTables, ManyTablesAreReadOneAtATime) {
  // More tables than a process may hold open at once.
  const fs::path dir = Fresh();
  std::vector<std::string> args;
  for (int i = 0; i < 1100; ++i) {
    const fs::path table = dir / ("t" + std::to_string(i) + ".csv");
    Write(table, "lat,lon\n" + std::to_string(30 + i / 100) + "." + std::to_string(100 + i % 100) +
                     ",131.5\n");
    args.push_back(table.string());
  }
  args.insert(args.end(), {"--title", "全部", "-o", (dir / "all.grd").string()});
  const ImportRun run = Import(args);
  EXPECT_EQ(run.status, 0) << run.err.substr(0, 2000);
  EXPECT_NE(run.err.find("読んだ行 1100、書いた記録 1100"), std::string::npos);
  // A missing table stops the import before any is read.
  args.insert(args.begin() + 5, (dir / "missing.csv").string());
  const ImportRun missing = Import(args);
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(Lines(missing.err).size(), 1u) << missing.err.substr(0, 2000);
}

TEST(ImportTables, TheSeaIsJudgedOnTheBundledMapOrSaidNotToBe) {
  const fs::path dir = Fresh();
  const fs::path table = dir / "t.csv";
  Write(table, "name,lat,lon,elevation\nA,33.0,141.5,0\nA,35.68,139.77,40\n");
  ImportRun run = Import({table.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(
      run.err.find(":2: 注意: 海上: 位置（緯度 33、経度 141.5）は付属の地図の陸から 50 km 以上"),
      std::string::npos)
      << run.err;
  run = Import({table.string(), "--drop-sea"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("書かなかった行 1（海上 1）"), std::string::npos) << run.err;

  // Without the map: said once, and --drop-sea cannot be kept.
  const ImportPlace noMap{"", std::string()};
  run = Import({table.string()}, noMap);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(
      run.err.find("tarvo-import: 注意: 付属の地図 三面図全国.mdt が見つからないので、海の上の"
                   "記録を調べていません"),
      std::string::npos)
      << run.err;
  run = Import({table.string(), "--drop-sea"}, noMap);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--drop-sea には付属の地図 三面図全国.mdt が要りますが、見つかりません"),
            std::string::npos);
  // A map that cannot be read is told with why.
  Write(dir / "bad.mdt", "*H-MAP\r\n135,x\r\n");
  run = Import({table.string()}, ImportPlace{"", (dir / "bad.mdt").string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("bad.mdt が読めないので（"), std::string::npos) << run.err;
}

TEST(ImportTables, MeshCodesFirstNeedsAMeshCodeColumn) {
  const fs::path dir = Fresh();
  const fs::path table = dir / "t.csv";
  Write(table, "name,lat,lon\nA,35.1,139.5\n");
  const ImportRun run = Import({table.string(), "--prefer-mesh"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(
      run.err.find("--prefer-mesh を指定しましたが、メッシュコードの列が見つかりません（読む列: "
                   "緯度「lat」、経度「lon」、見出し「name」。見出し: name、lat、lon）"),
      std::string::npos)
      << run.err;
}

TEST(ImportTables, FiltersAndTitlesFromTheCommandLine) {
  const fs::path dir = Fresh();
  const fs::path table = dir / "t.txt";
  Write(table,
        "scientificName\tdecimalLatitude\tdecimalLongitude\tcountryCode\tbasisOfRecord\tyear\n"
        "Fagus\t35.1\t139.5\tJP\tPRESERVED_SPECIMEN\t1985\n"
        "Fagus\t35.2\t139.5\tJP\tFOSSIL_SPECIMEN\t1995\n"
        "Fagus\t37.5\t127.0\tKR\tHUMAN_OBSERVATION\t2001\n"
        "Fagus\t35.3\t139.5\tjp\tHUMAN_OBSERVATION\t2021\n");
  ImportRun run = Import({table.string(), "--country", "jp,kr", "--basis", "any", "--years",
                          "1990-", "--bins", "2000", "--label", "2000 以降=近年"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, core::EncodeForFile(
                         "１９９９ 以前\r\n35.2,139.5\r\n近年\r\n37.5,127\r\n35.3,139.5\r\n"));
  EXPECT_NE(run.err.find(":2: 書かない: 年 1985 は --years の範囲（1990〜）の外です"),
            std::string::npos)
      << run.err;
  run = Import({table.string(), "--title", "2021 年のブナ"});
  EXPECT_EQ(run.out, core::EncodeForFile("２０２１ 年のブナ\r\n35.1,139.5\r\n35.3,139.5\r\n"));
  EXPECT_NE(run.err.find("書かなかった行 2（国 1、記録の種類 1）"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tableimport
