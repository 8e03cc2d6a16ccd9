#include "chart/MapLines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/TextFile.h"

namespace chart {
namespace {

// A series as text: "x,y" per point, "|" per null point; colours after "@" when asked.
std::string Points(const platform::LineSeries& s, bool colours = false) {
  std::string out;
  for (size_t i = 0; i < s.Count(); ++i) {
    if (!out.empty()) out += ' ';
    if (s.null[i]) {
      out += '|';
      continue;
    }
    auto number = [](double v) {
      char text[32];
      std::snprintf(text, sizeof text, "%.9g", v);
      return std::string(text);
    };
    out += number(s.x[i]) + ',' + number(s.y[i]);
    if (colours) out += '@' + std::to_string(s.color[i]);
  }
  return out;
}

struct Lines {
  platform::LineSeries map, westEast, southNorth;
};

Lines Read(const std::string& text, const MapLineStyle& style = {}) {
  Lines lines;
  core::LineReader reader = core::LineReader::FromText(text);
  ReadMapLines(reader, style, lines.map, lines.westEast, lines.southNorth);
  return lines;
}

MapLineStyle Style(bool horizon, bool profile, bool prefecture = true) {
  MapLineStyle style;
  style.horizonMap = horizon;
  style.profileMap = profile;
  style.prefecture = prefecture;
  style.mapColor = 1;
  style.subColor = 2;
  style.width = 2;
  return style;
}

TEST(MapLines, ProfilesAreStaircasesInEitherOrientation) {
  const struct {
    const char* text;
    bool horizon;
    const char* westEast;
    const char* southNorth;
  } cases[] = {
      // The south-north outline beside a shown map: altitude across, latitude up.
      {"*WE-PROF\n130,100\n131,300\n*SN-PROF\n30,100\n31,300\n", true, "130,100 131,100 131,300",
       "100,30 100,31 300,31"},
      {"*WE-PROF\n130,100\n131,300\n*SN-PROF\n30,100\n31,300\n", false, "130,100 131,100 131,300",
       "30,100 31,100 31,300"},
      // No step out of a negative altitude; a break forgets the altitude, a comment keeps it.
      {"*WE-PROF\n130,-5\n131,300\n0,0\n132,50\n;note\n133,70\n", true,
       "130,-5 131,300 | 132,50 | 133,50 133,70", ""},
      // The previous altitude is kept in single precision.
      {"*WE-PROF\n130,0.1\n131,5\n", true, "130,0.1 131,0.100000001 131,5", ""},
  };
  for (const auto& c : cases) {
    const Lines lines = Read(c.text, Style(c.horizon, true));
    EXPECT_EQ(Points(lines.westEast), c.westEast) << c.text;
    EXPECT_EQ(Points(lines.southNorth), c.southNorth) << c.text;
    EXPECT_TRUE(lines.map.x.empty());
  }
}

TEST(MapLines, MapSectionsCarryTheirColoursAndBreakAtComments) {
  const std::string text =
      "*H-MAP\n135,34\n136,34\n;cape\n136,35\n0,0\n137,35\n*G-MAP\n136,34\n136,36\n";
  const Lines lines = Read(text, Style(true, true));
  // No break between the sections: the boundary continues the last coastline.
  EXPECT_EQ(Points(lines.map, true), "135,34@1 136,34@1 | 136,35@1 | 137,35@1 136,34@2 136,36@2");
  EXPECT_TRUE(lines.map.maskMode);
  EXPECT_EQ(lines.map.width, 2);
  // Boundaries hidden: nothing of them.
  EXPECT_EQ(Points(Read(text, Style(true, true, false)).map), "135,34 136,34 | 136,35 | 137,35");
}

TEST(MapLines, OnlyTheChartsShownAreRead) {
  const std::string text =
      "*H-MAP\n135,34\n136,34\n*G-MAP\n136,34\n136,35\n*WE-PROF\n135,0\n*SN-PROF\n34,0\n"
      "*END\n*H-MAP\n140,40\n";
  const Lines profiles = Read(text, Style(false, true));
  EXPECT_EQ(Points(profiles.map), "");
  EXPECT_EQ(Points(profiles.westEast), "135,0");
  EXPECT_EQ(Points(profiles.southNorth), "34,0");
  // Without the profiles neither they nor the end mark are recognised, so the map section
  // after it is read too.
  const Lines map = Read(text, Style(true, false, false));
  EXPECT_EQ(Points(map.map), "135,34 136,34 140,40");
  EXPECT_EQ(Points(map.westEast), "");
  EXPECT_EQ(Points(map.southNorth), "");
}

TEST(MapLines, ARereadEmptiesFirstAndABadNumberKeepsWhatCameBefore) {
  Lines lines;
  core::LineReader first = core::LineReader::FromText("*H-MAP\n135,34\n136,34\n");
  ReadMapLines(first, Style(true, true), lines.map, lines.westEast, lines.southNorth);
  core::LineReader second = core::LineReader::FromText("*H-MAP\n135,34\n13x,34\n");
  try {
    ReadMapLines(second, Style(true, true), lines.map, lines.westEast, lines.southNorth);
    ADD_FAILURE() << "a malformed number must be told";
  } catch (const core::ConversionError& error) {
    EXPECT_EQ(error.Line(), 3);
  }
  EXPECT_EQ(Points(lines.map), "135,34");
}

}  // namespace
}  // namespace chart
