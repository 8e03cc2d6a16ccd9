#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/Errors.h"
#include "core/MeshCode.h"

namespace core {
namespace {

constexpr double kTol = 1e-9;
constexpr auto kConic = Program::Conic;
constexpr auto kChart = Program::Chart;

struct Expected {
  double lat;
  double lon;
  double alt;
};

void ExpectPos(const std::optional<GeoPos>& pos, const std::optional<Expected>& expected,
               const std::string& label) {
  ASSERT_EQ(pos.has_value(), expected.has_value()) << label;
  if (!pos) return;
  EXPECT_NEAR(pos->lat, expected->lat, kTol) << label;
  EXPECT_NEAR(pos->lon, expected->lon, kTol) << label;
  EXPECT_NEAR(pos->alt, expected->alt, kTol) << label;
}

TEST(CoordToPos, SnapsToTheCellCentreOfEachPrecision) {
  const struct {
    const char* record;
    int grid;
    std::optional<Expected> pos;
  } cases[] = {
      {"35.6789,139.7654", 1, Expected{35.6791666666667, 139.76875, 8888}},
      {"35.6789,139.7654", 10, Expected{35.7083333333333, 139.8125, 8888}},
      {"35.6789,139.7654", 12, Expected{35.6770833333333, 139.765625, 8888}},
      {"35.6789,139.7654", 5, Expected{35.6875, 139.78125, 8888}},
      {"35.6789,139.7654", 2, Expected{35.675, 139.7625, 8888}},
      // A value written on a cell line belongs to the cell north or east of it, whichever
      // side of the line its binary value falls.
      {"35.15,139.7654", 2, Expected{35.1583333333333, 139.7625, 8888}},
      {"35.6,139.7654", 2, Expected{35.6083333333333, 139.7625, 8888}},
      {"35.925,139.7", 1, Expected{35.9291666666667, 139.70625, 8888}},
      {"35.15,139.7", 1, Expected{35.1541666666667, 139.70625, 8888}},
      {"34.7,135.0375,12", 12, Expected{34.7020833333333, 135.040625, 50}},
      // Just below the line by more than the written decimal's error stays below it.
      {"35.1499999,139.7654", 2, Expected{35.1416666666667, 139.7625, 8888}},
      // A given altitude goes to the middle of its 100 m band, except at precision 0.
      {"35.6,139.7,1234", 1, Expected{35.6041666666667, 139.70625, 1250}},
      {"35.6,139.7,1234", 0, Expected{35.6, 139.7, 1234}},
      {"35.6,139.7,99", 1, Expected{35.6041666666667, 139.70625, 50}},
      {"35.6,139.7,-150", 1, Expected{35.6041666666667, 139.70625, -50}},
      {" 35.6 , 139.7 , 800 ", 0, Expected{35.6, 139.7, 800}},
      // A second field of under three characters is read like any other.
      {"35.5,13,800", 0, Expected{35.5, 13, 800}},
      // Too large to snap, but fine where nothing is snapped.
      {"1e300,139.7", 1, std::nullopt},
      {"1e300,139.7", 0, Expected{1e300, 139.7, 8888}},
      {"35.6,139.7", 3, std::nullopt},
  };
  for (const auto& c : cases) {
    ExpectPos(CoordToPos(c.record, c.grid), c.pos,
              std::string(c.record) + " @" + std::to_string(c.grid));
  }
}

TEST(CoordToPos, NamesTheFieldThatIsNotANumber) {
  std::string elevenA;
  for (int i = 0; i < 11; ++i)
    elevenA += "あ";
  const struct {
    std::string record;
    std::string message;
  } cases[] = {
      {"35.6x,139.7", "'35.6x' は浮動小数点数ではありません"},
      {"35.6,", "'' は浮動小数点数ではありません"},
      {"35.6,139.7,abc", "'abc' は浮動小数点数ではありません"},
      {"35,139.7,100,5", "'100,5' は浮動小数点数ではありません"},
      // The 40-byte cut of the fields never splits a character in the message.
      {"35,139.7,12" + elevenA + "あ", "'12" + elevenA + "' は浮動小数点数ではありません"},
  };
  for (const auto& c : cases) {
    try {
      CoordToPos(c.record, 1);
      ADD_FAILURE() << c.record;
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

TEST(MeshToPos, PlacesCodesAsEachProgramReadsThem) {
  const std::optional<Expected> rejected;
  const Expected standard{35.6791666666667, 139.76875, 8888};
  const Expected secondary{35.7083333333333, 139.8125, 8888};
  const struct {
    const char* record;
    int grid;
    std::optional<Expected> conic;
    std::optional<Expected> chart;
  } cases[] = {
      {"53394611", 1, standard, standard},
      {"53394611.12", 1, Expected{standard.lat, standard.lon, 1250},
       Expected{standard.lat, standard.lon, 1250}},
      {"53394611N", 1, standard, standard},
      {"53394611 ", 1, standard, standard},  // blanks before a ";" note
      {"53394611 ", 12, rejected, rejected},
      {"533946", 1, rejected, rejected},
      {"533946", 2, rejected, rejected},
      {"533946", 12, rejected, rejected},
      {"533946", 10, secondary, secondary},
      {"533946", 0, Expected{35.6666666666667, 139.75, 8888},
       Expected{35.6666666666667, 139.75, 8888}},
      {"5339461", 5, Expected{35.6875, 139.78125, 8888}, Expected{35.6875, 139.78125, 8888}},
      {"5339464", 5, Expected{35.7291666666667, 139.84375, 8888},
       Expected{35.7291666666667, 139.84375, 8888}},
      {"53394611", 5, Expected{35.6875, 139.78125, 8888}, Expected{35.6875, 139.78125, 8888}},
      {"53394677", 5, Expected{35.7291666666667, 139.84375, 8888},
       Expected{35.7291666666667, 139.84375, 8888}},
      {"533946113", 12, Expected{35.68125, 139.765625, 8888}, Expected{35.68125, 139.765625, 8888}},
      {"533946113", 1, standard, standard},
      // Double-mesh codes: the standard's reading (chart) and the conic program's own.
      {"533946245", 1, rejected, rejected},
      {"533946245", 12, rejected, rejected},
      {"533946245", 2, Expected{35.7083333333333, 139.8625, 8888},
       Expected{35.6916666666667, 139.8125, 8888}},
      {"533946685", 2, rejected, Expected{35.725, 139.8625, 8888}},
      {"533946345", 5, Expected{35.7291666666667, 139.84375, 8888},
       Expected{35.6875, 139.78125, 8888}},
      {"533946685", 5, rejected, Expected{35.7291666666667, 139.84375, 8888}},
      {"533946117", 5, rejected, Expected{35.6875, 139.78125, 8888}},
      {"5339", 1, rejected, rejected},
      {"5339", 10, rejected, rejected},
      // Outside the conic program's region (20° N); the chart program has no bounds.
      {"30224611", 1, rejected, Expected{20.3458333333333, 122.76875, 8888}},
  };
  for (const auto& c : cases) {
    const std::string label = std::string(c.record) + " @" + std::to_string(c.grid);
    ExpectPos(MeshToPos(c.record, c.grid, kConic, kConicRegion), c.conic, "conic " + label);
    ExpectPos(MeshToPos(c.record, c.grid, kChart), c.chart, "chart " + label);
  }
}

TEST(MeshToPos, ConversionErrorsDependOnTheProgram) {
  const struct {
    const char* record;
    int grid;
    Program program;
    const char* message;  // nullptr: no error
  } cases[] = {
      {"5a3946", 10, kConic, "'5a' は整数ではありません"},
      {"5a3946", 10, kChart, "'5a' は整数ではありません"},
      {"53394611.x", 1, kChart, "'x' は整数ではありません"},
      {"53394611.", 1, kConic, "'' は整数ではありません"},
      {"533946a1", 10, kConic, "'a' は整数ではありません"},
      {"533946a1", 10, kChart, nullptr},
      {"533946a1", 1, kChart, "'a' は整数ではありません"},
      // The conic program removes the first N anywhere; the chart program only after a
      // digit from the seventh character on, so here the letter stays and fails.
      {"5339N461", 5, kConic, nullptr},
      {"5339N461", 5, kChart, "'N' は整数ではありません"},
      // A header that starts with a digit is read as a record; its message quotes whole
      // characters in either encoding, never half of one.
      {"2025年 ツキノワグマ", 10, kConic, "'年' は整数ではありません"},
      {"2023\x8F\x74 \x83\x75\x83\x69", 10, kConic, "'春' は整数ではありません"},
      {"53394611.\xE6\x98\xA5", 1, kConic, "'春' は整数ではありません"},
  };
  for (const auto& c : cases) {
    const std::string label = std::string(c.record) + (c.program == kConic ? " conic" : " chart");
    if (!c.message) {
      EXPECT_NO_THROW(MeshToPos(c.record, c.grid, c.program)) << label;
      continue;
    }
    try {
      MeshToPos(c.record, c.grid, c.program);
      ADD_FAILURE() << label;
    } catch (const ConversionError& e) {
      EXPECT_STREQ(e.what(), c.message) << label;
    }
  }
  ExpectPos(MeshToPos("5339N461", 5, kConic), Expected{35.6875, 139.78125, 8888}, "N removed");
}

TEST(MeshToPos, ChartReadsALeadingBlankAsPartOfTheCode) {
  // " 53394611": p = " 5", u = "33", q = 9, v = 4, r = 6, c = 1 — one position off.
  ExpectPos(MeshToPos(" 53394611", 1, kChart),
            Expected{5 * 2.0 / 3 + 9 / 12.0 + 6 / 120.0 + 1 / 240.0,
                     133 + 4 / 8.0 + 1 / 80.0 + 1 / 160.0, 8888},
            "leading blank");
}

TEST(MeshToCorner, GivesEitherCornerByCodeLength) {
  const struct {
    const char* code;
    bool southWest;
    std::optional<LonLat> corner;
  } cases[] = {
      {"5339", false, LonLat{140, 36}},
      {"5339", true, LonLat{139, 35.3333333333333}},
      {"533946", false, LonLat{139.875, 35.75}},
      {"53394611", true, LonLat{139.7625, 35.675}},
      {"53394611", false, LonLat{139.775, 35.6833333333333}},
      {"5339461", false, LonLat{139.75, 35.675}},  // no north-east step for 7 digits
      {"53x9", true, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto corner = MeshToCorner(c.code, c.southWest);
    ASSERT_EQ(corner.has_value(), c.corner.has_value()) << c.code;
    if (!corner) continue;
    EXPECT_NEAR(corner->lon, c.corner->lon, kTol) << c.code;
    EXPECT_NEAR(corner->lat, c.corner->lat, kTol) << c.code;
  }
}

TEST(DegMinToDeg, ReadsMinutesAndTenthsOfSeconds) {
  const struct {
    const char* text;
    double degrees;
  } cases[] = {
      {"35", 35.0},
      {"35.30", 35.5},
      {"35.5", 35.8333333333333},
      {"139.4530", 139.7583333333333},
      {"35.30125", 35.5034722222222},
      {"-0.30", -0.5},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(DegMinToDeg(c.text), c.degrees, kTol) << c.text;
  EXPECT_THROW(DegMinToDeg("abc"), ConversionError);
  EXPECT_THROW(DegMinToDeg("35.x0"), ConversionError);
}

TEST(DegToDMS, TruncatesMinutesAndSeconds) {
  EXPECT_EQ(DegToDMS(35.5125), "35ﾟ30'45\"");
  EXPECT_EQ(DegToDMS(139.75), "139ﾟ45'00\"");
  EXPECT_EQ(DegToDMS(35.999999), "35ﾟ59'59\"");
  EXPECT_EQ(DegToDMS(35.6895), "35ﾟ41'22\"");
}

TEST(PointToMeshCode, IsTheStandardCodeOfThePoint) {
  EXPECT_EQ(PointToMeshCode(35.6895, 139.6917), "53394525");
  // The centre of a standard cell gives that cell's code back.
  for (const char* code : {"53394611", "64414277", "36225707", "50303591"}) {
    const auto pos = MeshToPos(code, kGridStandard, kChart);
    ASSERT_TRUE(pos) << code;
    EXPECT_EQ(PointToMeshCode(pos->lat, pos->lon), code);
  }
}

TEST(NonStandardMeshCode, WarnsAboutCodesTheStandardDoesNotDefine) {
  const struct {
    const char* record;
    Program program;
    int grid;
    const char* fragment;  // nullptr: no warning
  } cases[] = {
      {"53394611", kChart, 1, nullptr},
      {"53394611.12", kConic, 1, nullptr},
      {"533946245", kChart, 2, nullptr},
      {"533986", kChart, 10, "5・6桁目が8か9です"},
      {"5339465", kChart, 5, "7桁目の象限が1〜4ではありません"},
      {"533946110", kChart, 12, "9桁目が0か6〜9です"},
      {"533946315", kChart, 2, "倍メッシュの7・8桁目が偶数ではありません"},
      {"5339461199", kConic, 10, "6〜9桁ではありません"},
      {" 53394611", kChart, 1, "数字以外の文字があります"},
      {"533946245", kConic, 2, "標準とは違う読み方"},
      {"533946245", kConic, 10, nullptr},
  };
  for (const auto& c : cases) {
    const std::string warning = NonStandardMeshCode(c.record, c.program, c.grid);
    if (!c.fragment) {
      EXPECT_EQ(warning, "") << c.record;
    } else {
      EXPECT_NE(warning.find(c.fragment), std::string::npos) << c.record << ": " << warning;
    }
  }
}

}  // namespace
}  // namespace core
