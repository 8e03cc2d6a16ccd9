// What becomes of a row of an occurrence table: which position it takes, which records the
// figure should not show, and how its category is titled.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ImportRow.h"
#include "core/LandMap.h"
#include "core/Table.h"
#include "core/TableImport.h"

namespace core {
namespace {

std::vector<std::string> Lines(const ImportResult& result, size_t file = 0) {
  return file < result.files.size() ? result.files[file].lines : std::vector<std::string>{};
}

// "ROW: reason" for every row not written, then every note.
std::vector<std::string> Told(const std::vector<ImportRejection>& items) {
  std::vector<std::string> told;
  for (const ImportRejection& item : items)
    told.push_back(std::to_string(item.row) + ": " + item.reason);
  return told;
}

bool AnyContains(const std::vector<ImportRejection>& items, long row, const std::string& part) {
  for (const ImportRejection& item : items)
    if (item.row == row && item.reason.find(part) != std::string::npos) return true;
  return false;
}

TEST(ImportRows, ThePositionThatCanBeUsedIsUsedWithANote) {
  // A spreadsheet lost the lower digits of every code, but the coordinates are good: one
  // real file had 390 such rows, all refused.
  std::string table = "name,lat,lon,mesh\n";
  for (int i = 0; i < 390; ++i)
    table += "A," + std::to_string(35 + i / 100) + "." + std::to_string(100 + i % 100) +
             ",139.5,5.3394E+08\n";
  ImportOptions preferMesh;
  preferMesh.preferMesh = true;
  ImportResult r = ImportTable(table, preferMesh);
  EXPECT_EQ(r.recordsWritten, 390);
  EXPECT_TRUE(r.rejections.empty());
  ASSERT_EQ(r.notes.size(), 390u);
  EXPECT_NE(r.notes[0].reason.find("桁しか残っていない"), std::string::npos) << r.notes[0].reason;
  EXPECT_TRUE(r.notes[0].reason.ends_with("。座標で書きました")) << r.notes[0].reason;

  // The other way round: coordinates that cannot be read, a code that can.
  r = ImportTable("name,lat,lon,mesh\nA,35°61′,139.5,53394611\nA,,,\n", {});
  EXPECT_EQ(Lines(r), (std::vector<std::string>{"name: A", "53394611"}));
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_TRUE(r.notes[0].reason.ends_with("の分が 60 以上です。メッシュコードで書きました"))
      << r.notes[0].reason;
  EXPECT_EQ(Told(r.rejections), (std::vector<std::string>{"3: 座標もメッシュコードもありません"}));
}

TEST(ImportRows, CoordinatesFarFromTheirMeshCodeAreNoted) {
  // 53394611 spans 35.675-35.683333 N, 139.7625-139.775 E.
  const std::string table =
      "name,lat,lon,mesh\n"
      "A,35.68,139.77,53394611\n"     // 2: inside
      "A,35.675,139.7625,53394611\n"  // 3: on the south-west corner
      "A,35.95,139.77,53394611\n"     // 4: 30 km north
      "A,35.6835,139.77,53394611\n"   // 5: 19 m north
      "A,35.681,139.77,533946\n";     // 6: inside the secondary cell
  ImportResult r = ImportTable(table, {});
  EXPECT_EQ(r.recordsWritten, 5);
  const std::vector<std::string> notes = Told(r.notes);
  ASSERT_EQ(notes.size(), 2u) << notes.front();
  EXPECT_EQ(notes[0],
            "4: 座標（緯度 35.95、経度 139.77）がメッシュコード「53394611」の区画から約 29.5 km "
            "外れています。座標で書きました（メッシュコードで書くには --prefer-mesh）");
  EXPECT_TRUE(
      notes[1].starts_with("5: 座標（緯度 35.6835、経度 139.77）がメッシュコード"
                           "「53394611」の区画から約 18 m 外れています"))
      << notes[1];
  ImportOptions preferMesh;
  preferMesh.preferMesh = true;
  r = ImportTable(table, preferMesh);
  EXPECT_TRUE(AnyContains(r.notes, 4, "メッシュコードで書きました（--prefer-mesh）"));
}

TEST(ImportRows, FiltersOfOccurrenceDownloadsRefuseWithAReasonAndACount) {
  const std::string table =
      "scientificName\tdecimalLatitude\tdecimalLongitude\tcountryCode\tbasisOfRecord\t"
      "coordinateUncertaintyInMeters\tyear\teventDate\n"
      "A\t35.1\t139.5\tJP\tPRESERVED_SPECIMEN\t30\t1995\t1995-05-04\n"  // 2
      "A\t37.5\t127.0\tKR\tHUMAN_OBSERVATION\t\t2001\t\n"               // 3: Seoul
      "A\t35.2\t139.5\tJP\tFOSSIL_SPECIMEN\t\t\t\n"                     // 4
      "A\t35.3\t139.5\tJP\tFossilSpecimen\t\t\t\n"                      // 5
      "A\t35.4\t139.5\t\tHUMAN_OBSERVATION\t25000\t\t2019-05\n"         // 6
      "A\t35.5\t139.5\tjp\tHUMAN_OBSERVATION\tabout 5 km\t1989\t\n"     // 7
      "A\t35.6\t139.5\tJP\t\t\t\t1990/1995\n";                          // 8
  ImportResult r = ImportTable(table, {});
  EXPECT_EQ(Lines(r), (std::vector<std::string>{"scientificName: A", "35.1,139.5", "35.4,139.5",
                                                "35.5,139.5", "35.6,139.5"}));
  EXPECT_EQ(Told(r.rejections),
            (std::vector<std::string>{
                "3: 国コード「KR」は日本（JP）ではありません（ほかの国の記録も書くには --country "
                "any）",
                "4: 記録の種類「FOSSIL_SPECIMEN」は化石の記録なので書きません（書くには --basis "
                "any）",
                "5: 記録の種類「FossilSpecimen」は化石の記録なので書きません（書くには --basis "
                "any）"}));
  EXPECT_EQ(Told(r.notes),
            (std::vector<std::string>{
                "6: 座標の不確かさが 25000 m あり、二次メッシュの区画（約 10 km）より大きいので、"
                "位置はあてになりません（書かずにおくには --max-uncertainty 10000）",
                "7: 座標の不確かさ「about 5 km」は読めません"}));
  EXPECT_EQ(ImportSummary(r),
            "読んだ行 7、書いた記録 4、ファイル 1、書かなかった行 3（国 1、記録の種類 2）、重複 0");

  // Each filter has its option.
  ImportOptions o;
  o.countries = {};
  o.basis = {{"PRESERVED_SPECIMEN", "HUMAN_OBSERVATION"}, {}};
  o.maxUncertainty = 10000;
  o.yearFrom = 1990;
  o.yearTo = 2019;
  r = ImportTable(table, o);
  EXPECT_EQ(Told(r.rejections),
            (std::vector<std::string>{
                "4: 記録の種類「FOSSIL_SPECIMEN」は --basis で選んだ種類（PRESERVED_SPECIMEN、"
                "HUMAN_OBSERVATION）にありません",
                "5: 記録の種類「FossilSpecimen」は --basis で選んだ種類（PRESERVED_SPECIMEN、"
                "HUMAN_OBSERVATION）にありません",
                "6: 座標の不確かさ 25000 m が --max-uncertainty の 10000 m を超えています",
                "7: 年 1989 は --years の範囲（1990〜2019）の外です"}));
  // Seoul is kept with --country any; a row without its year is kept by year of eventDate.
  EXPECT_EQ(r.recordsWritten, 3);
  EXPECT_EQ(ImportSummary(r),
            "読んだ行 7、書いた記録 3、ファイル 1、書かなかった行 4（記録の種類 2、座標の不確かさ "
            "1、年 1）、重複 0");
  o = {};
  o.basis = {};
  o.yearTo = 1994;
  r = ImportTable(table, o);
  EXPECT_TRUE(AnyContains(r.rejections, 4,
                          "年が分からないので --years の範囲（〜1994）に入るか"
                          "分かりません"));
  EXPECT_TRUE(AnyContains(r.rejections, 6, "年 2019 は"));  // eventDate 2019-05
  EXPECT_FALSE(AnyContains(r.rejections, 8, "年"));         // 1990/1995 starts in 1990
  o.countries = {{"JP", "TW"}, {}};
  r = ImportTable(table, o);
  EXPECT_TRUE(AnyContains(r.rejections, 3, "国コード「KR」は --country で選んだ国（JP、TW）"));
}

TEST(ImportRows, YearsOfDatesInTheFormsTablesWrite) {
  const struct {
    const char* text;
    std::optional<int> year;
  } cases[] = {
      {"2019", 2019},
      {"2019-05-04", 2019},
      {"2019-05", 2019},
      {"1990/1995", 1990},
      {"2019-05-04T10:30:00Z", 2019},
      {"2019.0", 2019},
      {"２０１９年５月", 2019},
      {"2019/5/4", 2019},
      {" 1875 ", 1875},
      {"", std::nullopt},
      {"19", std::nullopt},
      {"2019.5", std::nullopt},
      {"0999", std::nullopt},
      {"May 2019", std::nullopt},
      {"20190504", std::nullopt},
      {"2019-", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(YearOfDate(c.text), c.year) << c.text;
}

TEST(ImportRows, PeriodsOfYearsFromDatesAndTheirTitles) {
  const std::string table =
      "name,lat,lon,eventDate\n"
      "A,35.1,139.5,2019-05-04\n"
      "A,35.2,139.5,1990/1995\n"
      "A,35.3,139.5,1989-12\n"
      "A,35.4,139.5,2020\n"
      "A,35.5,139.5,\n"
      "A,35.6,139.5,spring\n";
  ImportOptions o;
  o.bins = {1990, 2020};
  ImportResult r = ImportTable(table, o);
  EXPECT_EQ(Lines(r),
            (std::vector<std::string>{"１９８９ 以前", "35.3,139.5", "１９９０～２０１９",
                                      "35.1,139.5", "35.2,139.5", "２０２０ 以降", "35.4,139.5",
                                      "年不明", "35.5,139.5", "35.6,139.5"}));
  EXPECT_EQ(Told(r.notes),
            (std::vector<std::string>{"7: カテゴリの列「eventDate」の「spring」は"
                                      "年として読めないので「年不明」に入れました"}));
  // Titled as the user says, by the period's own title in either width.
  o.labels = {{"1990~2019", "1990年代から"}, {"年不明", "採集年不明"}, {"1900", "未使用"}};
  r = ImportTable(table, o);
  EXPECT_EQ(Lines(r)[2], "１９９０年代から");
  EXPECT_EQ(Lines(r)[7], "採集年不明");
  EXPECT_NE(std::find(r.warnings.begin(), r.warnings.end(),
                      "--label の「1900」に当たるカテゴリがないので、使っていません"),
            r.warnings.end());

  // A year column, with the date where the year is missing; single years.
  r = ImportTable("name,lat,lon,year,eventDate\nA,35.1,139.5,,2001-01-01\nA,35.2,139.5,2002,\n",
                  [] {
                    ImportOptions bins;
                    bins.bins = {2001, 2002, 2003};
                    return bins;
                  }());
  EXPECT_EQ(Lines(r),
            (std::vector<std::string>{"２００１", "35.1,139.5", "２００２", "35.2,139.5"}));
}

TEST(ImportRows, TitlesTheUserGives) {
  const std::string table = "scientificName,lat,lon\nFagus crenata,35.1,139.5\nPinus,35.2,139.5\n";
  ImportOptions o;
  o.title = "ブナ林の調査区";
  EXPECT_EQ(Lines(ImportTable(table, o)),
            (std::vector<std::string>{"ブナ林の調査区", "35.1,139.5", "35.2,139.5"}));
  o = {};
  o.labels = {{"Fagus crenata", "ブナ"}, {"Pinus", "2019 年のマツ"}};
  EXPECT_EQ(Lines(ImportTable(table, o)),
            (std::vector<std::string>{"ブナ", "35.1,139.5", "２０１９ 年のマツ", "35.2,139.5"}));

  const struct {
    const char* text;
    const char* title;
  } titles[] = {
      {"2019", "２０１９"},
      {"熊 2019", "熊 2019"},
      {"A", "A　"},
      {"萩", "萩　"},
      {"a;b\tc", "a；b c"},
      {"  ", ""},
      {"1.5 m 以上", "１.5 m 以上"},
  };
  for (const auto& t : titles)
    EXPECT_EQ(TitleFromText(t.text), t.title) << t.text;
  o = {};
  o.labels = {{"x", " "}};
  EXPECT_THROW(ImportTable(table, o), std::invalid_argument);
}

TEST(ImportRows, SeveralTablesMakeOneImportEachTitledByItsName) {
  MemoryRecordStore store;
  ImportOptions o;
  o.titleFromFile = true;
  TableImporter importer(o, store);
  TableReader first("lat,lon\n35.1,139.5\n35.2,139.5\n");
  TableReader second("緯度,経度\n35.3,139.5\n35.1,139.5\n");
  TableReader third("lat,lon\n35.1,139.5\n");
  importer.Read(first, "sightings/2019.csv");
  importer.Read(second, "kuma-2020.txt");
  importer.Read(third, "2019.csv");  // the same category again
  const ImportResult r = importer.Finish();
  ASSERT_EQ(r.files.size(), 1u);
  ASSERT_EQ(r.files[0].categories.size(), 2u);
  EXPECT_EQ(r.files[0].categories[0].title, "２０１９");
  EXPECT_EQ(r.files[0].categories[0].records, 2);
  EXPECT_EQ(r.files[0].categories[1].title, "kuma-2020");
  EXPECT_EQ(r.files[0].categories[1].records, 2);
  ASSERT_EQ(r.rejections.size(), 1u);
  EXPECT_EQ(r.rejections[0].table, 2u);
  EXPECT_EQ(r.rejections[0].reason, "2019 の行 2 と同じ記録なので一度だけ書きました");
  EXPECT_EQ(
      r.columns,
      "sightings/2019.csv: 読む列: 緯度「lat」、経度「lon」\nkuma-2020.txt: 読む列: 緯度「緯度」"
      "、経度「経度」\n2019.csv: 読む列: 緯度「lat」、経度「lon」");
  std::string bytes;
  importer.WriteFile(r.files[0], [&](std::string_view piece) { bytes += piece; });
  EXPECT_EQ(bytes,
            "\x82\x51\x82\x4f\x82\x50\x82\x58\r\n35.1,139.5\r\n35.2,139.5\r\n"
            "kuma-2020\r\n35.3,139.5\r\n35.1,139.5\r\n");
  EXPECT_EQ(TableBaseName("a/b/熊.2019.csv"), "熊.2019");
  EXPECT_EQ(TableBaseName(".hidden"), ".hidden");
}

// A square island, 136-137 E, 35-36 N.
LandMap Island() {
  return LandMap::FromRings({{{136, 35}, {137, 35}, {137, 36}, {136, 36}}});
}

TEST(ImportRows, RecordsAtSeaAreNotedOrRefused) {
  const LandMap island = Island();
  const std::string table =
      "name,lat,lon,mesh\n"
      "A,35.5,136.5,\n"   // 2: on land
      "A,35.5,137.01,\n"  // 3: 0.9 km off the coast
      "A,35.5,137.1,\n"   // 4: 9 km off
      "A,,,52360000\n"    // 5: a mesh cell is not judged
      "A,35.5,139.5,\n";  // 6: far at sea
  ImportOptions o;
  o.landMap = [&] { return &island; };
  ImportResult r = ImportTable(table, o);
  EXPECT_EQ(r.recordsWritten, 5);
  const std::vector<std::string> notes = Told(r.notes);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0],
            "4: 海上: 位置（緯度 35.5、経度 137.1）は付属の地図の陸から約 9.1 km 離れた海の上です。"
            "座標の誤りか、海域の代表点ではありませんか（書かずにおくには --drop-sea）");
  EXPECT_TRUE(
      notes[1].starts_with("6: 海上: 位置（緯度 35.5、経度 139.5）は付属の地図の陸から "
                           "50 km 以上離れた"))
      << notes[1];
  o.dropSea = true;
  r = ImportTable(table, o);
  EXPECT_EQ(r.recordsWritten, 3);
  EXPECT_TRUE(AnyContains(r.rejections, 4, "（--drop-sea）"));
  EXPECT_EQ(r.refused[static_cast<size_t>(Refusal::Sea)], 2);
  EXPECT_NE(ImportSummary(r).find("書かなかった行 2（海上 2）"), std::string::npos);
}

}  // namespace
}  // namespace core
