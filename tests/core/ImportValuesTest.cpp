// What the table import writes is what the programs read back: every elevation as the
// report gives it, and for Tarvo_L only records it draws at every precision it offers.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "core/Coordinates.h"
#include "core/DistributionData.h"
#include "core/MeshCode.h"
#include "core/Number.h"
#include "core/TableImport.h"

namespace core {
namespace {

// What a program reads from each line of a written file, as it reads the file's lines.
std::vector<LineOutcome> ReadBack(const ImportedFile& file, Program program, int gridSize,
                                  std::optional<MapBounds> bounds) {
  DistributionReader reader(program, gridSize, bounds);
  std::vector<LineOutcome> outcomes;
  for (const std::string& line : file.lines) {
    LineOutcome outcome = reader.Feed(line);
    if (outcome.kind != LineOutcome::Kind::Header) outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

const ImportRejection* NoteOfRow(const ImportResult& result, long row) {
  for (const ImportRejection& note : result.notes)
    if (note.row == row) return &note;
  return nullptr;
}

TEST(ImportValues, EveryElevationReadsBackInBothProgramsAsTheReportSays) {
  const std::string nines(320, '9');
  const struct {
    std::string cell;
    bool mesh;
    double readBack;   // in both programs at exact precision; kNoAltitude: none written
    const char* note;  // in the row's note; empty: no note
  } cases[] = {
      {"1234.56", false, 1234.6, ""},
      {"6500 ft", false, 1981.2, ""},
      {"-0.04", false, 0.0, ""},
      {"-11000", false, -11000.0, ""},
      {"3800", false, 3800.0, ""},
      {"0." + std::string(400, '0') + "1", false, 0.0, ""},
      // Once inf, -inf, or a number cut to 63 digits that Tarvo_L refused at that line.
      {nines, false, kNoAltitude, "地球上の標高の範囲（-11000〜9000 m）を外れています"},
      {"-" + nines, false, kNoAltitude, "地球上の標高の範囲"},
      {std::string(70, '1') + ".5", false, kNoAltitude, "地球上の標高の範囲"},
      {"30000 ft", false, kNoAltitude, "地球上の標高の範囲"},
      {"100-20000", false, kNoAltitude, "地球上の標高の範囲"},  // no mean hides an end
      {"1e300", false, kNoAltitude, "は読めません。標高なしで書きました"},
      // Heights Japan has not, and the codes tables write for none, are no altitude.
      {"3801", false, kNoAltitude, "日本の最高点（3776 m）より高く"},
      {"9000", false, kNoAltitude, "（フィートで書いた値なら 2743.2 m）。標高なしで書きました"},
      {"9001", false, kNoAltitude, "フィートで書いた値なら 2743.5 m"},
      {"9999", false, kNoAltitude, "「値なし」の印によく使われる数"},
      {"-9999", false, kNoAltitude, "「値なし」の印"},
      {"-999", false, kNoAltitude, "「値なし」の印"},
      {"999", false, 999.0, ""},
      // Once written ".-92233", which both programs read as -850 m.
      {"100000000000000000000000", true, kNoAltitude, "地球上の標高の範囲"},
      {"1234", true, 1250.0, ""},
      {"0", true, 50.0, ""},
      {"3700", true, 3750.0, ""},
      {"9000", true, kNoAltitude, "日本の最高点"},
      {"-9999", true, kNoAltitude, "「値なし」の印"},
      {"-5", true, 50.0, "0〜99 m の帯として書きました（読むと 50 m）"},
  };
  std::string table = "name,lat,lon,mesh,elevation\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    // Every row a place of its own, so that none is a duplicate of another.
    const std::string place =
        cases[i].mesh ? ",,,533946" + std::to_string(10 + i)
                      : "," + FormatTrimmed(35.0 + 0.01 * static_cast<double>(i), 2) + ",139.5,";
    table += "A" + place + ",\"" + cases[i].cell + "\"\n";
  }
  for (const Program program : {Program::Conic, Program::Chart}) {
    ImportOptions options;
    options.program = program;
    const ImportResult result = ImportTable(table, options);
    ASSERT_EQ(result.recordsWritten, static_cast<long>(std::size(cases)));
    ASSERT_EQ(result.files.size(), 1u);
    const ImportedFile& file = result.files.front();
    ASSERT_EQ(file.altitudes.size(), std::size(cases));
    const auto conic = ReadBack(file, Program::Conic, kGridExact, std::nullopt);
    const auto chart = ReadBack(file, Program::Chart, kGridExact, std::nullopt);
    ASSERT_EQ(conic.size(), std::size(cases));
    ASSERT_EQ(chart.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
      const auto& c = cases[i];
      const std::string label = c.cell.substr(0, 30) + (c.mesh ? " (mesh)" : "");
      EXPECT_EQ(file.altitudes[i], c.readBack) << label;
      for (const LineOutcome& read : {conic[i], chart[i]}) {
        ASSERT_EQ(read.kind, LineOutcome::Kind::Record) << label << ": " << read.message;
        EXPECT_EQ(read.pos.alt, c.readBack) << label << " in " << file.lines[i + 1];
      }
      const ImportRejection* note = NoteOfRow(result, static_cast<long>(i) + 2);
      if (*c.note == '\0') {
        EXPECT_EQ(note, nullptr) << label << ": " << note->reason;
      } else {
        ASSERT_NE(note, nullptr) << label;
        EXPECT_NE(note->reason.find(c.note), std::string::npos) << label << ": " << note->reason;
      }
    }
  }
}

// Degrees as a table cell gives them, read to the last digit.
std::string Exact(double degrees) {
  return FormatShortest(degrees);
}

// Whether Tarvo_L, reading a file with this record under a header, draws it at the precision.
LineOutcome TarvoL(const std::string& record, int gridSize) {
  DistributionReader reader(Program::Conic, gridSize, kConicRegion);
  reader.Feed("Edge");
  return reader.Feed(record);
}

bool DrawnAtEveryPrecision(const std::string& record, bool allowGrain) {
  for (const int gridSize : OfferedGridSizes(Program::Conic)) {
    const LineOutcome read = TarvoL(record, gridSize);
    if (read.kind == LineOutcome::Kind::Record) continue;
    if (allowGrain && read.kind == LineOutcome::Kind::Reject &&
        read.why != Rejection::OutsideRegion && gridSize != kGridExact) {
      continue;
    }
    return false;
  }
  return true;
}

// Points on, just inside and just outside the map's four edges, with neighbours a rounding
// of the written decimals, a snapping unit or a cell away, each written as its own table row.
TEST(ImportValues, TarvoLDrawsEveryEdgeRecordTheImportWritesAtEveryPrecision) {
  const double offsets[] = {0,     1e-12,       -1e-12,       1e-9,      -1e-9,      1e-7,  -1e-7,
                            4e-7,  -4e-7,       5e-7,         -5e-7,     6e-7,       -6e-7, 1e-6,
                            -1e-6, 1.0 / 36000, -1.0 / 36000, 1.0 / 240, -1.0 / 240, 0.5,   -0.5};
  std::vector<double> lats;
  std::vector<double> lons;
  for (const double offset : offsets) {
    for (const double lat : {24.0, 46.0, 35.0})
      lats.push_back(lat + offset);
    for (const double lon : {122.0, 149.0, 139.0})
      lons.push_back(lon + offset);
  }
  std::string table = "lat,lon\n";
  std::vector<std::pair<double, double>> rows;
  for (const double lat : lats) {
    for (const double lon : lons) {
      table += Exact(lat) + "," + Exact(lon) + "\n";
      rows.emplace_back(lat, lon);
    }
  }
  const ImportResult result = ImportTable(table, {});
  std::set<long> notWritten;
  for (const ImportRejection& r : result.rejections) {
    if (!r.duplicate) notWritten.insert(r.row);
  }
  std::set<long> duplicates;
  for (const ImportRejection& r : result.rejections) {
    if (r.duplicate) duplicates.insert(r.row);
  }
  ASSERT_EQ(result.files.size(), 1u);
  const std::vector<std::string>& lines = result.files.front().lines;
  size_t next = 1;  // the records follow the one header in the order of their rows
  long written = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const long row = static_cast<long>(i) + 2;
    const auto [lat, lon] = rows[i];
    const std::string raw = Exact(lat) + "," + Exact(lon);
    if (notWritten.contains(row)) {
      EXPECT_FALSE(DrawnAtEveryPrecision(raw, false)) << raw << " was refused";
      continue;
    }
    if (duplicates.contains(row)) continue;
    ASSERT_LT(next, lines.size());
    const std::string& record = lines[next++];
    ++written;
    EXPECT_TRUE(DrawnAtEveryPrecision(record, false)) << raw << " written as " << record;
    EXPECT_TRUE(DrawnAtEveryPrecision(raw, false)) << raw << " written as " << record;
    // Rounding moves a point by less than a tenth of a metre and never over an edge.
    const LineOutcome exact = TarvoL(record, kGridExact);
    EXPECT_NEAR(exact.pos.lat, lat, 5.1e-7) << raw << " written as " << record;
    EXPECT_NEAR(exact.pos.lon, lon, 5.1e-7) << raw << " written as " << record;
    for (const double edge : {24.0, 46.0})
      EXPECT_EQ(lat < edge, exact.pos.lat < edge) << raw << " written as " << record;
    for (const double edge : {122.0, 149.0})
      EXPECT_EQ(lon < edge, exact.pos.lon < edge) << raw << " written as " << record;
  }
  EXPECT_EQ(next, lines.size());
  EXPECT_EQ(written, result.recordsWritten);
  // Not a vacuous pass: the edges and their inner sides are there on both sides.
  EXPECT_GT(written, 500);
  EXPECT_GT(notWritten.size(), 1000u);
  EXPECT_TRUE(std::find(lines.begin(), lines.end(), "45.9999999,148.9999999") != lines.end());
}

TEST(ImportValues, TarvoLDrawsEveryEdgeMeshCellTheImportWrites) {
  // The secondary cells and standard-mesh corners along the map's edges: 24° N (p 36),
  // 46° N (p 69) and the row below it (p 68), 122° E (u 22) and 149° E (u 49), and the
  // cells beyond them (u 21, 48).
  std::string table = "mesh\n";
  std::vector<std::string> codes;
  for (const int p : {35, 36, 68, 69}) {
    for (const int u : {21, 22, 48, 49}) {
      for (const char* qv : {"00", "07", "70", "77"}) {
        const std::string secondary = std::to_string(p) + std::to_string(u) + qv;
        for (const char* rc : {"", "00", "09", "90", "99"})
          codes.push_back(secondary + rc);
      }
    }
  }
  for (const std::string& code : codes)
    table += code + "\n";
  const ImportResult result = ImportTable(table, {});
  std::set<long> notWritten;
  for (const ImportRejection& r : result.rejections)
    notWritten.insert(r.row);
  ASSERT_EQ(result.files.size(), 1u);
  const std::vector<std::string>& lines = result.files.front().lines;
  size_t next = 1;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (notWritten.contains(static_cast<long>(i) + 2)) {
      EXPECT_FALSE(DrawnAtEveryPrecision(codes[i], true)) << codes[i] << " was refused";
      continue;
    }
    ASSERT_LT(next, lines.size());
    EXPECT_EQ(lines[next], codes[i]);
    EXPECT_TRUE(DrawnAtEveryPrecision(lines[next++], true)) << codes[i];
  }
  EXPECT_EQ(next, lines.size());
  EXPECT_GT(result.recordsWritten, 50);
  EXPECT_GT(notWritten.size(), 100u);
  // The cell north-east of the last one, whose south-west corner Tarvo_L draws at exact
  // precision, is refused with the precisions that put it off the map.
  const ImportResult corner = ImportTable("mesh\n684900\n", {});
  ASSERT_EQ(corner.rejections.size(), 1u);
  EXPECT_EQ(corner.rejections[0].reason,
            "メッシュコード「684900」の区画（南西の角 緯度 45.333333、経度 149）は地図の範囲（北緯 "
            "24〜46 度、東経 122〜149 度）の外に接していて、Tarvo_L はプロット精度 10 "
            "では範囲の外に置くので描きません");
}

TEST(ImportValues, OnlyTheConicProgramKeepsToTheMapsEdgeAndGrainIsCounted) {
  const std::string table =
      "lat,lon,mesh\n"
      "46,139,\n"                  // 2: on the north edge
      "35,149,\n"                  // 3: on the east edge
      "45.9999999,148.9999999,\n"  // 4: inside; six decimals would put it on both edges
      "23.9999999,139,\n"          // 5: outside; six decimals would put it on the edge
      ",,533946\n"                 // 6: a secondary cell, drawn at 0 and 10 only
      ",,53394611\n";              // 7: a standard cell, drawn everywhere
  ImportResult conic = ImportTable(table, {});
  std::vector<std::string> written(conic.files.front().lines.begin() + 1,
                                   conic.files.front().lines.end());
  EXPECT_EQ(written, (std::vector<std::string>{"45.9999999,148.9999999", "533946", "53394611"}));
  ASSERT_EQ(conic.rejections.size(), 3u);
  EXPECT_EQ(conic.rejections[0].reason,
            "位置（緯度 46、経度 139）は地図の範囲（北緯 24〜46 度、東経 122〜149 "
            "度）の北端か東端の線上にあり、Tarvo_L はプロット精度 1・2・5・10 "
            "では範囲の外に置くので描きません");
  EXPECT_EQ(conic.rejections[1].row, 3);
  // The position as read, not as six decimals would round it.
  EXPECT_TRUE(conic.rejections[2].reason.starts_with("位置（緯度 23.9999999、経度 139）"))
      << conic.rejections[2].reason;
  ASSERT_EQ(conic.warnings.size(), 2u);
  EXPECT_EQ(conic.warnings[0], "標高の列がないので、断面図には描かれません");
  EXPECT_EQ(
      conic.warnings[1],
      "書いた記録のうち Tarvo_L が描かないもの: プロット精度 1 で 1 件、精度 2 で 1 件、精度 5 "
      "で 1 件（コードの区画がその精度の区画より粗いメッシュコードなど。tarvo-check "
      "--precision で一行ずつ確かめられます）");

  // Tarvo draws any range: the edge lines are inside for it, and six decimals are enough.
  ImportOptions options;
  options.program = Program::Chart;
  const ImportResult chart = ImportTable(table, options);
  written.assign(chart.files.front().lines.begin() + 1, chart.files.front().lines.end());
  EXPECT_EQ(written,
            (std::vector<std::string>{"46,139", "35,149", "46,149", "533946", "53394611"}));
  ASSERT_EQ(chart.rejections.size(), 1u);
  EXPECT_EQ(chart.rejections[0].row, 5);
}

TEST(ImplausibleAltitude, NamesNoDataCodesAndHeightsJapanHasNot) {
  const struct {
    double metres;
    const char* says;  // empty: may be true
  } cases[] = {
      {3776, ""},
      {3800, ""},
      {-5, ""},  // a shore or a mine
      {8888, "日本の最高点"},
      {-9999, "値なし"},
      {-999, "値なし"},
      {9999, "値なし"},
      {3801, "フィートで書いた値なら 1158.5 m"},
      {12385, "フィートで書いた値なら 3774.9 m"},
      {12500, "日本の最高点"},
  };
  for (const auto& c : cases) {
    const std::string why = ImplausibleAltitude(c.metres);
    if (*c.says == '\0') {
      EXPECT_EQ(why, "") << c.metres;
    } else {
      EXPECT_NE(why.find(c.says), std::string::npos) << c.metres << ": " << why;
    }
  }
  EXPECT_EQ(ImplausibleAltitude(12500).find("フィート"), std::string::npos);
}

}  // namespace
}  // namespace core
