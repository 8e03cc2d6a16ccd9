#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/TextFile.h"

namespace core {
namespace {

using Kind = LineOutcome::Kind;
constexpr auto kConic = Program::Conic;
constexpr auto kChart = Program::Chart;
constexpr char kBunaSjis[] = "\x83\x75\x83\x69";             // "ブナ", 4 bytes
constexpr char kBunaRinSjis[] = "\x83\x75\x83\x69\x97\xD1";  // "ブナ林", 6 bytes

TEST(ClassifyLine, AppliesEachProgramsLengthAndFirstCharacterRules) {
  const struct {
    const char* line;
    LineKind conic;
    LineKind chart;
  } cases[] = {
      {"", LineKind::Short, LineKind::Short},
      {"ab", LineKind::Short, LineKind::Header},
      {"abc", LineKind::Header, LineKind::Header},
      {" 5339", LineKind::Header, LineKind::Short},
      {"5339", LineKind::MeshRecord, LineKind::Short},
      {"53394611", LineKind::MeshRecord, LineKind::MeshRecord},
      {"35.6,139.7", LineKind::CoordRecord, LineKind::CoordRecord},
      {" 35.6,139.7", LineKind::Header, LineKind::CoordRecord},
      {" 53394611", LineKind::Header, LineKind::MeshRecord},
      {"Fagus crenata", LineKind::Header, LineKind::Header},
      {kBunaSjis, LineKind::Header, LineKind::Header},
      {kBunaRinSjis, LineKind::Header, LineKind::Header},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifyLine(c.line, kConic), c.conic) << c.line;
    EXPECT_EQ(ClassifyLine(c.line, kChart), c.chart) << c.line;
  }
}

std::vector<LineOutcome> FeedAll(DistributionReader& reader,
                                 const std::vector<std::string>& lines) {
  std::vector<LineOutcome> outcomes;
  for (const auto& line : lines)
    outcomes.push_back(reader.Feed(line));
  return outcomes;
}

TEST(DistributionReader, ConicReadsCategoriesRecordsAndComments) {
  DistributionReader reader(kConic, 1, kConicRegion);
  const auto out =
      FeedAll(reader, {
                          "35.6,139.7",                // before any header
                          kBunaSjis,                   // header in Shift-JIS
                          "35.6789,139.7654,1234 ;A",  // note cut off
                          ";only a comment", "ブナ ;UTF-8 header, comment cut", "53394611.12",
                          "533946",    // too short for standard mesh
                          "30224611",  // outside the region
                      });
  ASSERT_EQ(out.size(), 8u);
  EXPECT_EQ(out[0].kind, Kind::Reject);
  EXPECT_TRUE(out[0].noCategory);
  EXPECT_EQ(out[1].kind, Kind::Header);
  EXPECT_EQ(out[1].category, 1);
  EXPECT_EQ(out[1].title, "ブナ");
  EXPECT_EQ(out[2].kind, Kind::Record);
  EXPECT_EQ(out[2].category, 1);
  EXPECT_DOUBLE_EQ(out[2].pos.alt, 1250);
  EXPECT_EQ(out[3].kind, Kind::Short);
  EXPECT_EQ(out[4].kind, Kind::Header);
  EXPECT_EQ(out[4].title, "ブナ ");  // the same name, whichever encoding the file used
  EXPECT_EQ(out[5].kind, Kind::Record);
  EXPECT_EQ(out[5].category, 2);
  EXPECT_TRUE(out[5].meshRecord);
  EXPECT_EQ(out[6].kind, Kind::Reject);
  EXPECT_EQ(out[6].why, Rejection::TooShort);
  EXPECT_EQ(out[7].why, Rejection::OutsideRegion);
  EXPECT_EQ(reader.Categories(), 2);
  EXPECT_FALSE(reader.Stopped());
}

TEST(DistributionReader, StopsAtTheHeaderBeyondTheLimit) {
  for (const Program program : {kConic, kChart}) {
    DistributionReader reader(program, 10);
    const int limit = CategoryLimit(program);
    for (int i = 1; i <= limit; ++i) {
      const auto header = reader.Feed("Category " + std::to_string(i));
      EXPECT_EQ(header.kind, Kind::Header);
      EXPECT_FALSE(header.stops);
    }
    const auto beyond = reader.Feed("One too many");
    EXPECT_EQ(beyond.kind, Kind::Stop);
    EXPECT_EQ(beyond.title, "One too many");  // for the message that names it
    EXPECT_TRUE(beyond.stops);
    EXPECT_EQ(beyond.category, limit + 1);
    EXPECT_TRUE(reader.Stopped());
    EXPECT_EQ(reader.Categories(), limit);
  }
  EXPECT_EQ(CategoryLimit(kConic), 5);
  EXPECT_EQ(CategoryLimit(kChart), 6);
}

TEST(DistributionReader, ConicStopsAtAConversionErrorWhileChartSkipsTheLine) {
  for (const Program program : {kConic, kChart}) {
    DistributionReader reader(program, 1);
    reader.Feed("Header line");
    const auto bad = reader.Feed("35.6x,139.7");
    EXPECT_EQ(bad.kind, Kind::Error);
    EXPECT_EQ(bad.message, "'35.6x' は浮動小数点数ではありません");
    EXPECT_EQ(bad.stops, program == kConic);
    EXPECT_EQ(reader.Stopped(), program == kConic);
  }
}

TEST(DistributionReader, ConicRejectsCoordinatesOutsideItsRegion) {
  // Typos and swapped fields that would be drawn off the map or into a profile.
  const struct {
    const char* record;
    bool inside;
  } cases[] = {
      {"35.6,139.7", true},  {"24,122", true},      {"46,149", true},    {"53.5,139.7", false},
      {"139.7,35.6", false}, {"35.6,121.9", false}, {"23.9,125", false}, {"35.6,-139.7", false},
  };
  for (const auto& c : cases) {
    DistributionReader conic(kConic, 0, kConicRegion);
    DistributionReader chart(kChart, 0);
    conic.Feed("Header");
    chart.Feed("Header");
    const LineOutcome fromConic = conic.Feed(c.record);
    EXPECT_EQ(fromConic.kind, c.inside ? Kind::Record : Kind::Reject) << c.record;
    EXPECT_EQ(fromConic.why, c.inside ? Rejection::None : Rejection::OutsideRegion) << c.record;
    EXPECT_EQ(chart.Feed(c.record).kind, Kind::Record) << c.record;  // any range is drawable
  }
}

TEST(DistributionReader, ChartTakesEditorLinesWithTheFilesCommentRule) {
  DistributionReader reader(kChart, 1);
  const auto out =
      FeedAll(reader, {"ブナ林 (Fagus)", " 35.6789,139.7654", "5339", "ブナ", "53394611", "ab",
                       "; a note of the field", "ab;cd", "53394611;seen twice", "Quercus ; oak"});
  EXPECT_EQ(out[0].kind, Kind::Header);
  EXPECT_EQ(out[0].title, "ブナ林 (Fagus)");
  EXPECT_EQ(out[1].kind, Kind::Record);  // the leading blank belongs to the latitude
  EXPECT_NEAR(out[1].pos.lat, 35.6791666666667, 1e-9);
  EXPECT_EQ(out[2].kind, Kind::Short);
  // A two-kana name (4 bytes in Shift-JIS) still heads a category of its own.
  EXPECT_EQ(out[3].kind, Kind::Header);
  EXPECT_EQ(out[3].category, 2);
  EXPECT_EQ(out[4].kind, Kind::Record);
  EXPECT_EQ(out[4].category, 2);
  EXPECT_EQ(out[5].kind, Kind::Header);
  // The editor holds the file's comments; a ";" starts one there as in the file.
  EXPECT_EQ(out[6].kind, Kind::Short);
  EXPECT_EQ(out[7].kind, Kind::Header);
  EXPECT_EQ(out[7].title, "ab");
  EXPECT_EQ(out[8].kind, Kind::Record);
  EXPECT_EQ(out[9].title, "Quercus ");
}

TEST(NotDrawnTally, CountsWhatIsNotDrawnAlsoPastTheStop) {
  for (const Program program : {kConic, kChart}) {
    DistributionReader reader(program, 1,
                              program == kConic ? std::optional(kConicRegion) : std::nullopt);
    NotDrawnTally tally(program);
    const std::vector<std::string> lines = {"35.0,136.0", "Fagus",    "35.0,136.0",
                                            "35.x,136.0", "53394611", "10.0,100.0"};
    for (size_t i = 0; i < lines.size(); ++i)
      tally.Feed(reader.Feed(lines[i]), static_cast<int>(i + 1));
    EXPECT_EQ(tally.FirstLine(), 1);
    EXPECT_EQ(tally.FirstReason(), "最初の見出しより前の記録なので描かれません");
    // Tarvo_L stops at the error: the two records after it are not drawn either; Tarvo
    // skips the error and draws the far record, as it has no map region.
    EXPECT_EQ(tally.Records(), program == kConic ? 4 : 2) << static_cast<int>(program);
  }
}

TEST(CheckCommand, QuotesANameTheShellWouldSplit) {
  EXPECT_EQ(CheckCommand(kConic, 1, "grd/ブナ.grd"),
            "tarvo-check --program conic --precision 1 grd/ブナ.grd");
  EXPECT_EQ(CheckCommand(kChart, 10, "my data.grd"),
            "tarvo-check --program chart --precision 10 'my data.grd'");
  EXPECT_EQ(CheckCommand(kConic, 0, "it's $HOME.grd"),
            "tarvo-check --program conic --precision 0 'it'\\''s $HOME.grd'");
}

class GrdFileTest : public testing::Test {
 protected:
  std::string PathOf(const char* name) {
    return (std::filesystem::path(testing::TempDir()) / name).string();
  }
  void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(GrdFileTest, AFileLoadsAsWrittenAndSavesBackToItsOwnBytes) {
  using Encoding = GrdLayout::Encoding;
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> lines;
    Encoding encoding;
    const char* lineEnd;
  } cases[] = {
      {"Shift-JIS from Windows, notes and all",
       std::string("; 2019 survey\r\n") + kBunaSjis + " ;beech\r\n53394611 ;ridge\r\n\r\n",
       {"; 2019 survey", "ブナ ;beech", "53394611 ;ridge", "", ""},
       Encoding::ShiftJis,
       "\r\n"},
      {"UTF-8 from R or Python",
       "ブナ\n35.6,139.7,1200 ; GPS\n",
       {"ブナ", "35.6,139.7,1200 ; GPS", ""},
       Encoding::Utf8,
       "\n"},
      {"UTF-8 with a spreadsheet's byte-order mark",
       "\xEF\xBB\xBF"
       "ブナ林\r\n35.6,139.7\r\n",
       {"ブナ林", "35.6,139.7", ""},
       Encoding::Utf8WithBom,
       "\r\n"},
      {"ASCII without a last line end",
       "Fagus\n35.6,139.7",
       {"Fagus", "35.6,139.7"},
       Encoding::Default,
       "\n"},
      {"old Mac line ends",
       "Fagus\r35.6,139.7\r",
       {"Fagus", "35.6,139.7", ""},
       Encoding::Default,
       "\r"},
      {"empty", "", {""}, Encoding::Default, "\r\n"},
  };
  for (const auto& c : cases) {
    const std::string path = PathOf("load.grd");
    Write(path, c.bytes);
    const GrdText text = LoadGrdText(path);
    EXPECT_EQ(text.lines, c.lines) << c.what;
    EXPECT_EQ(text.layout.encoding, c.encoding) << c.what;
    EXPECT_EQ(text.layout.lineEnd, c.lineEnd) << c.what;
    EXPECT_EQ(EncodeGrdText(text.lines, text.layout, nullptr), c.bytes) << c.what;
  }
  EXPECT_THROW(LoadGrdText(PathOf("missing.grd")), IoError);
}

TEST_F(GrdFileTest, EditsKeepTheFilesEncodingAndLineEnds) {
  const std::string path = PathOf("edit.grd");
  Write(path, "ブナ\n35.6,139.7\n");
  GrdText text = LoadGrdText(path);
  text.lines.insert(text.lines.end() - 1, "ミズナラ 〜 Quercus");
  EXPECT_EQ(EncodeGrdText(text.lines, text.layout, nullptr),
            "ブナ\n35.6,139.7\nミズナラ 〜 Quercus\n");
  // A last line typed without a line end gets the file's.
  text.lines.back() = "36.0,140.0";
  EXPECT_EQ(*EncodeGrdText(text.lines, text.layout, nullptr),
            "ブナ\n35.6,139.7\nミズナラ 〜 Quercus\n36.0,140.0\n");
}

TEST_F(GrdFileTest, AShiftJisFileNeverTakesACharacterItCannotHold) {
  const std::string path = PathOf("sjis.grd");
  Write(path, std::string(kBunaSjis) + "\r\n35.6,139.7\r\n");
  GrdText text = LoadGrdText(path);
  ASSERT_EQ(text.layout.encoding, GrdLayout::Encoding::ShiftJis);
  const struct {
    const char* line;
    const char* character;
  } cases[] = {
      {"ブナ \xF0\x9F\x8C\xB2 tree", "\xF0\x9F\x8C\xB2"},  // no code at all
      {"Acer 〜 Fagus", "〜"},                             // only a look-alike's
      {"ブナ\xEF\xBF\xBD", "\xEF\xBF\xBD"},                // a byte that was no Shift-JIS when read
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = text.lines;
    lines.insert(lines.begin() + 1, c.line);
    UnwritableCharacter where;
    EXPECT_FALSE(EncodeGrdText(lines, text.layout, &where).has_value()) << c.line;
    EXPECT_EQ(where.line, 2) << c.line;
    EXPECT_EQ(where.character, c.character) << c.line;
    // A new text, or the same file saved as UTF-8, keeps every character.
    GrdLayout utf8 = text.layout;
    utf8.encoding = GrdLayout::Encoding::Utf8;
    EXPECT_NE(EncodeGrdText(lines, utf8, nullptr)->find(c.line), std::string::npos);
    EXPECT_NE(EncodeGrdText(lines, GrdLayout{}, nullptr)->find(c.line), std::string::npos);
  }
}

TEST_F(GrdFileTest, ATableImportIsWrittenAsANewFile) {
  const struct {
    std::vector<std::string> lines;
    std::string bytes;
  } cases[] = {
      {{"ブナ", "35.6789,139.7654,1234", ""},
       std::string(kBunaSjis) + "\r\n35.6789,139.7654,1234\r\n\r\n"},
      // Shift-JIS has no code for the tree emoji: the whole text is kept as UTF-8.
      {{"ブナ \xF0\x9F\x8C\xB2", "53394611"}, "ブナ \xF0\x9F\x8C\xB2\r\n53394611\r\n"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    const std::string bytes = EncodeGrdText(c.lines);
    EXPECT_EQ(bytes, c.bytes);
    const std::string path = PathOf("roundtrip.grd");
    Write(path, bytes);
    std::vector<std::string> loaded = LoadGrdText(path).lines;
    loaded.pop_back();  // the empty line after the last line end
    EXPECT_EQ(loaded, c.lines);
  }
}

}  // namespace
}  // namespace core
