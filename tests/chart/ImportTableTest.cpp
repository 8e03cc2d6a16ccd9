// The data editor's table import with the tables that once garbled or ended it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "platform/ui/DialogService.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using testsupport::Q;

const std::vector<std::string> kKept = {"Quercus", "35.5,136.5"};

QString LastMessage(const IslandWindow& w) {
  return w.dialogs->Calls().empty() ? QString() : w.dialogs->Calls().back().message;
}

TEST(ChartImport, AStrayByteInAUtf8TableGarblesNoName) {
  IslandWindow w("chart-import-");
  const fs::path table = fs::path(TARVO_TEST_DATA) / "import" / "stray-byte-ja.csv";
  ASSERT_TRUE(w.form->ImportTableTold(Q(table), true));
  EXPECT_EQ(w.form->Editor()->Lines(),
            (std::vector<std::string>{"ブナ", "35.3606,138.7274,1450", "ハイマツ",
                                      "36.5767,137.6197,2450", "ダケカンバ", "36.1,138.2,2000"}));
  EXPECT_EQ(LastMessage(w).indexOf(QStringLiteral("Shift-JIS")), -1)
      << LastMessage(w).toStdString();
}

TEST(ChartImport, HugeAndShrinkingTablesAreToldAndTheTextKept) {
  IslandWindow w("chart-import-");
  w.form->Editor()->SetLines(kKept);

  // A sparse gigabyte without a line end: refused for its first line.
  const fs::path sparse = w.root / "sparse.csv";
  testsupport::WriteBytes(sparse, "");
  fs::resize_file(sparse, std::uintmax_t{1} << 30);
  EXPECT_FALSE(w.form->ImportTableTold(Q(sparse), true));
  EXPECT_EQ(w.dialogs->Calls().back().kind, platform::DialogKind::Error);
  EXPECT_NE(LastMessage(w).indexOf(QStringLiteral("行が長すぎます")), -1)
      << LastMessage(w).toStdString();
  EXPECT_EQ(w.form->Editor()->Lines(), kKept);

  // A table cut short while the import reads it (it was mapped, and the program died).
  const fs::path table = w.root / "shrinking.csv";
  testsupport::WriteBytes(table, "name,lat,lon\n");
  fs::resize_file(table, std::uintmax_t{64} << 30);
  std::atomic<bool> done = false;
  std::thread cutter([&] {
    // Once the import has read a few megabytes of it, the file loses all but its start.
    while (!done) {
      for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(fd.path(), ec) != table) continue;
        std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
        std::string key;
        long long position = 0;
        info >> key >> position;
        if (key == "pos:" && position > (4 << 20)) {
          fs::resize_file(table, 100);
          return;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  const bool imported = w.form->ImportTableTold(Q(table), true);
  done = true;
  cutter.join();
  EXPECT_FALSE(imported);
  EXPECT_NE(LastMessage(w).indexOf(QStringLiteral("ファイルが短くなりました")), -1)
      << LastMessage(w).toStdString();
  EXPECT_EQ(w.form->Editor()->Lines(), kKept);
}

TEST(ChartImport, GisAndJsonFilesImportAsTheCommandLineReadsThem) {
  IslandWindow w("chart-import-");
  // A GeoJSON layer's points, and a JSON download keyed by plot id, with one bad row each.
  const fs::path layer = w.root / "plots.geojson";
  testsupport::WriteBytes(layer, R"({"type": "FeatureCollection", "features": [
{"type": "Feature", "properties": {"和名": "ブナ", "ele": 1450}, "geometry": {"type": "Point", "coordinates": [138.7274, 35.3606]}},
{"type": "Feature", "properties": {"和名": "ブナ"}, "geometry": {"type": "LineString", "coordinates": [[136, 35], [137, 36]]}}]})");
  ASSERT_TRUE(w.form->ImportTableTold(Q(layer), true)) << LastMessage(w).toStdString();
  EXPECT_EQ(w.form->Editor()->Lines(), (std::vector<std::string>{"ブナ", "35.3606,138.7274,1450"}));
  EXPECT_NE(LastMessage(w).indexOf(QStringLiteral("線の地物")), -1) << LastMessage(w).toStdString();

  const fs::path keyed = w.root / "download.json";
  testsupport::WriteBytes(keyed, R"({"P-01": {"和名": "ハイマツ", "lat": 36.5767, "lon": 137.6197},
"P-02": {"和名": "ハイマツ", "lat": "北緯九十", "lon": 137.6}})");
  ASSERT_TRUE(w.form->ImportTableTold(Q(keyed), false)) << LastMessage(w).toStdString();
  EXPECT_EQ(w.form->Editor()->Lines(), (std::vector<std::string>{"ブナ", "35.3606,138.7274,1450",
                                                                 "ハイマツ", "36.5767,137.6197"}));
  EXPECT_NE(LastMessage(w).indexOf(QStringLiteral("\n2: 書かない")), -1)
      << LastMessage(w).toStdString();

  // Chosen in the open dialog, a GIS file is imported without the question a CSV file gets
  // (whether it is distribution data written with commas), which it could not answer.
  w.dialogs->AcceptOpen(Q(layer));
  w.form->ReadGrdFile(false);
  for (const auto& call : w.dialogs->Calls())
    EXPECT_NE(call.kind, platform::DialogKind::YesNo) << call.message.toStdString();
  EXPECT_EQ(w.form->Editor()->Lines(), (std::vector<std::string>{"ブナ", "35.3606,138.7274,1450"}));
}

}  // namespace
}  // namespace chart
