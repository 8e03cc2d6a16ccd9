// tarvo-import and tarvo-check share Tarvo_L's region rule: what the import writes for
// Tarvo_L, the checker finds drawn at every precision; what it refuses, the checker shows on
// the map's edge. Elevations the import reports are the ones the checker reads back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/ToolRuns.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = std::string(TARVO_TEST_DATA) + "/import/";

using testsupport::Check;
using testsupport::Import;
using testsupport::ToolRun;

fs::path Fresh() {
  return testsupport::EmptyTestFolder("region-");
}

using testsupport::Lines;

// The rows of a report for one table line.
std::vector<std::string> RowsOf(const std::string& err, const std::string& table, int line) {
  std::vector<std::string> rows;
  const std::string prefix = table + ":" + std::to_string(line) + ": ";
  for (const std::string& row : Lines(err))
    if (row.starts_with(prefix)) rows.push_back(row.substr(prefix.size()));
  return rows;
}

TEST(RegionRule, WhatTheImportWritesForTarvoLTheCheckerFindsDrawnAtEveryPrecision) {
  const fs::path dir = Fresh();
  const std::string table = kData + "edges.csv";
  const std::string grd = (dir / "edges.grd").string();
  const ToolRun imported = Import({table, "--program", "conic", "-o", grd});
  EXPECT_EQ(imported.status, 1) << imported.err;
  for (const int line : {3, 4, 5, 8, 9}) {
    const auto rows = RowsOf(imported.err, table, line);
    ASSERT_EQ(rows.size(), 1u) << "line " << line << "\n" << imported.err;
    EXPECT_TRUE(rows[0].starts_with("書かない: ")) << rows[0];
  }
  EXPECT_NE(
      imported.err.find("tarvo-import: 読んだ行 10、書いた記録 5、ファイル 1、書かなかった行 5"),
      std::string::npos)
      << imported.err;

  // Only the secondary-mesh code's grain keeps one record from the finer precisions.
  const struct {
    const char* precision;
    const char* totals;
  } precisions[] = {
      {"0", "records=5 rejected=0 errors=0"},  {"1", "records=4 rejected=1 errors=0"},
      {"2", "records=4 rejected=1 errors=0"},  {"5", "records=4 rejected=1 errors=0"},
      {"10", "records=5 rejected=0 errors=0"},
  };
  for (const auto& p : precisions) {
    const ToolRun checked = Check({"--precision", p.precision, grd});
    // A record a precision does not draw fails the check, as the figure would lack it.
    EXPECT_EQ(checked.status, std::string(p.totals).find("rejected=0") == std::string::npos ? 1 : 0)
        << checked.err;
    EXPECT_EQ(checked.out.find("地図の範囲外です"), std::string::npos) << checked.out;
    EXPECT_EQ(checked.out.find("地図の端にかかる記録です"), std::string::npos) << checked.out;
    EXPECT_TRUE(Lines(checked.out).back().starts_with(p.totals))
        << "precision " << p.precision << "\n"
        << checked.out;
  }
  const auto written = Lines(Check({"--precision", "0", grd}).out);
  ASSERT_GE(written.size(), 3u);
  EXPECT_EQ(written[2], "3\trecord\t1\t45.999999900\t148.999999900\t8888.000000000");

  // Tarvo draws any range: the rows on the edge lines are written for it, and six decimals
  // may put 45.9999999 on 46.
  const ToolRun chart = Import({table, "--program", "chart"});
  EXPECT_NE(chart.err.find("書いた記録 8、ファイル 1、書かなかった行 1、重複 1"), std::string::npos)
      << chart.err;
}

TEST(RegionRule, TheCheckerTellsARecordOnTheEdgeWithThePrecisionsThatDrawIt) {
  const fs::path dir = Fresh();
  const fs::path grd = dir / "edge.grd";
  std::ofstream(grd, std::ios::binary) << "Abies\r\n46,139\r\n684900\r\n45.9,148.9\r\n";
  const std::string drawnAtExact =
      "地図の端にかかる記録です。プロット精度 0 では描かれ、1・2・5・10 では範囲の外に置かれて"
      "描かれません";
  EXPECT_EQ(Check({"--precision", "0", grd.string()}).out,
            "1\theader\t1\tAbies\n"
            "2\trecord\t1\t46.000000000\t139.000000000\t8888.000000000\n"
            "2\tnote\t1\t" +
                drawnAtExact +
                "\n"
                "3\trecord\t1\t45.333333333\t149.000000000\t8888.000000000\n"
                "3\tnote\t1\t地図の端にかかる記録です。プロット精度 0 では描かれ、10 "
                "では範囲の外に置かれて描かれません\n"
                "4\trecord\t1\t45.900000000\t148.900000000\t8888.000000000\n"
                "4\tnote\t0\t標高のない記録が 3 件あり、断面図には描かれず平面図だけに描かれます"
                "（カテゴリ1: 3 件）\n"
                "records=3 rejected=0 errors=0 categories=1 notes=3 not_drawn=0\n");
  const auto rows = Lines(Check({"--precision", "10", grd.string()}).out);
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[1], "2\treject\t1\t地図の範囲外です");
  EXPECT_EQ(rows[2], "2\tnote\t1\t" + drawnAtExact);
  // Tarvo has no map region, so nothing to tell.
  EXPECT_EQ(Check({"--program", "chart", "--precision", "10", grd.string()}).out.find("地図の端"),
            std::string::npos);
}

TEST(RegionRule, ElevationsTheImportReportsAreTheOnesTheCheckerReadsBack) {
  const fs::path dir = Fresh();
  const std::string table = kData + "elevations.txt";
  const std::string grd = (dir / "elevations.grd").string();
  const ToolRun imported = Import({table, "-o", grd});
  EXPECT_EQ(imported.status, 0) << imported.err;
  for (const int line : {2, 3, 4, 5}) {
    const auto rows = RowsOf(imported.err, table, line);
    ASSERT_EQ(rows.size(), 1u) << imported.err;
    EXPECT_NE(
        rows[0].find("地球上の標高の範囲（-11000〜9000 m）を外れています。標高なしで書きました"),
        std::string::npos)
        << rows[0];
  }
  const auto clamped = RowsOf(imported.err, table, 7);
  ASSERT_EQ(clamped.size(), 1u);
  EXPECT_EQ(clamped[0],
            "注意: 標高 -5 m はメッシュコードの記録に書けない（0〜9999 m）ので、0〜99 m "
            "の帯として書きました（読むと 50 m）");
  // Exact precision shows the altitudes as written, in both programs.
  for (const char* program : {"conic", "chart"}) {
    const ToolRun checked = Check({"--program", program, "--precision", "0", grd});
    EXPECT_EQ(checked.status, 0) << checked.out;
    const auto rows = Lines(checked.out);
    ASSERT_GE(rows.size(), 8u) << checked.out;
    const std::string altitudes[] = {"8888.000000000", "8888.000000000", "8888.000000000",
                                     "8888.000000000", "1234.600000000", "50.000000000",
                                     "1981.200000000"};
    for (size_t i = 0; i < std::size(altitudes); ++i) {
      EXPECT_TRUE(rows[i + 1].ends_with("\t" + altitudes[i])) << program << ": " << rows[i + 1];
    }
  }
}

}  // namespace
