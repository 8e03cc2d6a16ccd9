#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/MapData.h"
#include "core/TextFile.h"

namespace core {
namespace {

constexpr auto kConic = Program::Conic;
constexpr auto kChart = Program::Chart;

// Writes what the reader hands over as a compact trace: "H" for a section start,
// "130,33" for a point, "|" for a break.
class TraceHandler : public MapDataHandler {
 public:
  explicit TraceHandler(std::function<SectionUse(MapSection)> use) : m_use(std::move(use)) {}
  SectionUse UseOf(MapSection section) override { return m_use(section); }
  void OnSectionStart(MapSection section) override {
    static const char* const names[] = {"H", "G", "WE", "SN", "END"};
    Add(names[static_cast<int>(section)]);
  }
  void OnPoint(double first, double second) override {
    std::ostringstream text;
    text.precision(15);
    text << first << ',' << second;
    Add(text.str());
  }
  void OnBreak() override { Add("|"); }
  const std::string& Trace() const { return m_trace; }

 private:
  void Add(const std::string& item) {
    if (!m_trace.empty()) m_trace += ' ';
    m_trace += item;
  }
  std::function<SectionUse(MapSection)> m_use;
  std::string m_trace;
};

std::string Read(const std::string& text, Program program,
                 std::function<SectionUse(MapSection)> use) {
  TraceHandler handler(std::move(use));
  LineReader reader = LineReader::FromText(text);
  ReadMapData(reader, program, handler);
  return handler.Trace();
}

using UseFn = std::function<SectionUse(MapSection)>;

UseFn Conic(bool withPref = true, int mapsType = 3) {
  return [=](MapSection s) { return ConicSectionUse(s, withPref, mapsType); };
}
UseFn Chart(bool horizon = true, bool profile = true, bool prefecture = true) {
  return [=](MapSection s) { return ChartSectionUse(s, horizon, profile, prefecture); };
}

const std::string kFull =
    "; title line\r\n; second comment\r\n"
    "*H-MAP\r\n130,33\r\n131,34\r\n0,0\r\n132,35\r\n"
    "*G-MAP\r\n133,36\r\n0,0\r\n"
    "*WE-PROF\r\n130,100\r\n131,300\r\n"
    "*SN-PROF\r\n30,200\r\n"
    "*END\r\n140,40\r\n";

TEST(ReadMapData, ReadsTheSectionsEachProgramDraws) {
  const struct {
    const char* label;
    std::string text;
    Program program;
    std::function<SectionUse(MapSection)> use;
    std::string trace;
  } cases[] = {
      {"conic, all", kFull, kConic, Conic(),
       "H 130,33 131,34 | 132,35 G 133,36 | WE 130,100 131,300 SN 30,200"},
      {"chart, all", kFull, kChart, Chart(),
       "H 130,33 131,34 | 132,35 G 133,36 | WE 130,100 131,300 SN 30,200"},
      {"conic, no boundaries", kFull, kConic, Conic(false),
       "H 130,33 131,34 | 132,35 WE 130,100 131,300 SN 30,200"},
      {"conic, map only", kFull, kConic, Conic(true, 1), "H 130,33 131,34 | 132,35 G 133,36 |"},
      {"chart, profiles only", kFull, kChart, Chart(false), "WE 130,100 131,300 SN 30,200"},
      // Without the profiles "*END" is not recognised and the reading runs on.
      {"chart, map only", kFull + "*H-MAP\r\n141,41\r\n", kChart, Chart(true, false),
       "H 130,33 131,34 | 132,35 G 133,36 | H 141,41"},
      {"chart, boundaries hidden", kFull, kChart, Chart(true, true, false),
       "H 130,33 131,34 | 132,35 WE 130,100 131,300 SN 30,200"},
      {"no *END, LF only", "*H-MAP\n130,33\n131,34", kConic, Conic(), "H 130,33 131,34"},
      // A header naming an earlier section ends the section but is not recognised.
      {"second H-MAP", "*H-MAP\n130,33\n*G-MAP\n131,34\n*H-MAP\n132,35\n*WE-PROF\n130,10\n", kConic,
       Conic(), "H 130,33 G 131,34 WE 130,10"},
      {"other star line", "*H-MAP\n130,33\n*NOTE\n131,34\n*G-MAP\n132,35\n", kConic, Conic(),
       "H 130,33 G 132,35"},
      {"comments in a section", "*H-MAP\n;c\n130,33\n;a, b\n;c, d\n131,34\n", kConic, Conic(),
       "H 130,33 131,34"},
      {"comments in a section", "*H-MAP\n;c\n130,33\n;a, b\n;c, d\n131,34\n", kChart, Chart(),
       "H | 130,33 | | 131,34"},
      {"blank lines", "\n*H-MAP\n130,33\n\n131,34\n", kConic, Conic(), "H 130,33 131,34"},
      {"blanks after headers", "*H-MAP \t\n130,33\n*G-MAP  \n131,34\n", kChart, Chart(),
       "H 130,33 G 131,34"},
      {"lines without a usable comma", "*H-MAP\n130 33\n,33\n130,33\n", kConic, Conic(),
       "H 130,33"},
      {"longitude 0 is a break", "*H-MAP\n130,33\n0,35\n-0,1\n", kConic, Conic(), "H 130,33 | |"},
      // The second number is read from its first 12 (conic) or 8 (chart) characters.
      {"long second number", "*H-MAP\n130,33.123456789012\n", kConic, Conic(),
       "H 130,33.123456789"},
      {"chart span", "*WE-PROF\n130,1234.56789\n", kChart, Chart(), "WE 130,1234.567"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.text, c.program, c.use), c.trace) << c.label;
  }
}

TEST(ReadMapData, SkippedBoundariesAreNotEvenParsed) {
  // The chart program skips hidden boundaries unread, so a bad line there does no harm;
  // read, the same line is an error.
  const std::string text = "*H-MAP\n130,33\n*G-MAP\n131,x\n*WE-PROF\n130,10\n";
  EXPECT_EQ(Read(text, kChart, Chart(true, true, false)), "H 130,33 WE 130,10");
  EXPECT_THROW(Read(text, kChart, Chart()), ConversionError);
}

TEST(ReadMapData, ConversionErrorsNameTheTextAndLine) {
  const struct {
    std::string text;
    Program program;
    std::string message;
    int line;
  } cases[] = {
      {"*H-MAP\n130,33\n0,abc\n", kConic, "'abc' は浮動小数点数ではありません", 3},
      {"*H-MAP\n130,33,5\n", kConic, "'33,5' は浮動小数点数ではありません", 2},
      {";x\n*H-MAP\n13O,33\n", kChart, "'13O' は浮動小数点数ではありません", 3},
  };
  for (const auto& c : cases) {
    try {
      Read(c.text, c.program, c.program == kConic ? Conic() : Chart());
      ADD_FAILURE() << c.text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), c.message);
      EXPECT_EQ(e.Line(), c.line);
    }
  }
}

TEST(ParseMapLine, LeavesThePointAloneWithoutAUsableComma) {
  double first = 1;
  double second = 2;
  EXPECT_FALSE(ParseMapLine("130 33", kConic, first, second));
  EXPECT_FALSE(ParseMapLine(",33", kChart, first, second));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
  EXPECT_TRUE(ParseMapLine(" 130.5 , 33.25 ", kChart, first, second));
  EXPECT_EQ(first, 130.5);
  EXPECT_EQ(second, 33.25);
}

}  // namespace
}  // namespace core
