#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conic/BaseMap.h"
#include "core/Errors.h"
#include "core/MapData.h"
#include "core/Rounding.h"
#include "core/TextFile.h"

namespace conic {
namespace {

using platform::RasterLayer;

constexpr WinColor kLand = 14285311;
constexpr WinColor kOcean = 16775899;

struct Sheet {
  Geometry geometry;
  RasterLayer layer{800, 1131};
  Sheet() { geometry.ReplaceMaps(800, 3); }
  WinColor At(double lon, double lat) const {
    const MapPoint p = geometry.LambertXY(lon, lat);
    return layer.Pixel(geometry.HMGraphPosX(p.x), geometry.HMGraphPosY(p.y));
  }
  // Lines land on the rounded pixels of their ends, so a point on a line is looked for
  // within a pixel or two of its own projection.
  bool Near(double lon, double lat, WinColor color) const {
    const MapPoint p = geometry.LambertXY(lon, lat);
    const int x = geometry.HMGraphPosX(p.x);
    const int y = geometry.HMGraphPosY(p.y);
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) {
        if (layer.Pixel(x + dx, y + dy) == color) return true;
      }
    }
    return false;
  }
  int WeX(double lon) const {
    return core::RoundHalfEven((lon - 122) * geometry.Layout().lonScale +
                               geometry.Layout().profLeft);
  }
  int WeY(double alt) const {
    return core::RoundHalfEven(alt * geometry.Layout().altScale + geometry.Layout().weBase);
  }
};

void Draw(Sheet& sheet, const std::string& mdt, const BaseMapStyle& style) {
  core::LineReader reader = core::LineReader::FromText(mdt);
  DrawBaseMap(sheet.layer, style, sheet.geometry, reader);
}

// A square island round 139-141 E, 37-39 N (clear of the fixed water seeds) cut by a
// boundary, and a profile of two steps.
const std::string kIsland =
    "*H-MAP\n139,37\n141,37\n141,39\n139,39\n139,37\n0,0\n"
    "*G-MAP\n140,36.5\n140,39.5\n0,0\n"
    "*WE-PROF\n122.5,0\n130,1000\n131,2000\n132,0\n133,0\n0,0\n"
    "*SN-PROF\n30,1500\n0,0\n*END\n";

TEST(DrawBaseMap, PaintsLandSeaLinesAndProfiles) {
  Sheet sheet;
  BaseMapStyle style;
  style.withPref = true;
  style.withGrat = false;
  Draw(sheet, kIsland, style);
  EXPECT_EQ(sheet.At(139.5, 38), kLand);  // inside the island
  EXPECT_EQ(sheet.At(145, 30), kOcean);   // open sea
  EXPECT_EQ(sheet.layer.Pixel(5, 5), kOcean);
  EXPECT_TRUE(sheet.Near(139, 38, 0));  // the coastline, black
  // The boundary is masked into the land colour where it crosses the island.
  EXPECT_TRUE(sheet.Near(140, 38, style.subColor & kLand));
  // Profile: ground under the staircase keeps the land colour, the sky is filled.
  const struct {
    double lon, alt;
    WinColor color;
  } profile[] = {{130.5, 500, kLand},
                 {130.5, 1500, kOcean},
                 {131.5, 1800, kLand},
                 {131.5, 2100, kOcean},
                 {133.5, 100, kOcean}};
  for (const auto& p : profile) {
    EXPECT_EQ(sheet.layer.Pixel(sheet.WeX(p.lon), sheet.WeY(p.alt)), p.color) << p.lon;
  }
  // Frames: the sheet's corners and the profile's altitude axis.
  EXPECT_EQ(sheet.layer.Pixel(0, 0), 0u);
  EXPECT_EQ(sheet.layer.Pixel(799, 1130), 0u);
  EXPECT_EQ(
      sheet.layer.Pixel(core::RoundHalfEven(sheet.geometry.Layout().profLeft), sheet.WeY(3000)),
      0u);
}

TEST(DrawBaseMap, OptionsLeaveOutBoundariesGraticuleCreditAndFrame) {
  const struct {
    bool withPref, withGrat, isMapFrame;
  } cases[] = {{false, false, false}, {true, true, true}};
  for (const auto& c : cases) {
    Sheet sheet;
    BaseMapStyle style;
    style.withPref = c.withPref;
    style.withGrat = c.withGrat;
    style.isMapFrame = c.isMapFrame;
    style.credit = QStringLiteral("Distribution Map");
    Draw(sheet, kIsland, style);
    EXPECT_EQ(sheet.Near(140, 38, style.subColor & kLand), c.withPref);
    EXPECT_EQ(sheet.layer.Pixel(0, 0) == 0u, c.isMapFrame);
    // Some pixel along 140° E (a graticule meridian) between 30 and 31° N, and the credit
    // text left of (W - 40, H - 20), differ from the ocean only with the graticule.
    bool meridian = false;
    for (double lat = 30; lat < 31; lat += 0.01) {
      meridian |= sheet.Near(140, lat, style.mshColor & kOcean);
    }
    EXPECT_EQ(meridian, c.withGrat);
    bool credit = false;
    for (int x = 700; x < 758; ++x)
      credit |= sheet.layer.Pixel(x, 1111) != kOcean;
    EXPECT_EQ(credit, c.withGrat);
  }
}

TEST(DrawBaseMap, ConversionErrorKeepsWhatWasDrawn) {
  Sheet sheet;
  try {
    Draw(sheet, "*H-MAP\n135,34\n137,34\n137,x\n", BaseMapStyle{});
    FAIL();
  } catch (const core::ConversionError& e) {
    EXPECT_EQ(e.Line(), 4);
  }
  EXPECT_TRUE(sheet.Near(136, 34, 0));  // the first segment stands
}

TEST(BundledMapData, ReadsWithBothProgramsAndLeavesTheSeedsInWater) {
  const std::string path = std::string(TARVO_SOURCE_DIR) + "/data/三面図全国.mdt";
  // Both programs read it through without a conversion error.
  struct Counter : core::MapDataHandler {
    core::Program program;
    int sections = 0;
    int points = 0;
    double fujiWE = 0, alpsWE = 0, fujiSN = 0, alpsSN = 0;
    core::MapSection current = core::MapSection::HMap;
    core::SectionUse UseOf(core::MapSection s) override {
      return program == core::Program::Conic ? core::ConicSectionUse(s, true, 3)
                                             : core::ChartSectionUse(s, true, true, true);
    }
    void OnSectionStart(core::MapSection s) override {
      ++sections;
      current = s;
    }
    void OnPoint(double a, double b) override {
      ++points;
      // Each profile point starts its 0.05° strip.
      if (current == core::MapSection::WEProf) {
        if (a >= 138.69 && a < 138.76) fujiWE = std::max(fujiWE, b);
        if (a >= 137.59 && a < 137.66) alpsWE = std::max(alpsWE, b);
      } else if (current == core::MapSection::SNProf) {
        if (a >= 35.34 && a < 35.41) fujiSN = std::max(fujiSN, b);
        if (a >= 36.24 && a < 36.31) alpsSN = std::max(alpsSN, b);
      }
    }
    void OnBreak() override {}
  };
  for (const core::Program program : {core::Program::Conic, core::Program::Chart}) {
    Counter counter;
    counter.program = program;
    core::LineReader reader = core::LineReader::Open(path);
    ASSERT_NO_THROW(core::ReadMapData(reader, program, counter));
    EXPECT_EQ(counter.sections, 4);
    EXPECT_GT(counter.points, 50000);
    EXPECT_EQ(counter.fujiWE, 3776);  // Mt Fuji
    EXPECT_EQ(counter.fujiSN, 3776);
    EXPECT_EQ(counter.alpsWE, 3190);  // Okuhodaka, the Northern Alps
    EXPECT_EQ(counter.alpsSN, 3190);
  }

  Sheet sheet;
  core::LineReader reader = core::LineReader::Open(path);
  DrawBaseMap(sheet.layer, BaseMapStyle{}, sheet.geometry, reader);
  EXPECT_EQ(sheet.layer.Pixel(5, 5), kOcean);
  for (const Seed& seed : kOceanSeeds)
    EXPECT_EQ(sheet.At(seed.lon, seed.lat), kOcean);
  // Land stays land: inland Honshu, Hokkaido, Kyushu, Shikoku, and Korea.
  const Seed land[] = {{36.2, 138.0}, {43.5, 142.5}, {32.8, 131.0}, {33.8, 133.5}, {37.0, 127.5}};
  for (const Seed& l : land)
    EXPECT_EQ(sheet.At(l.lon, l.lat), kLand) << l.lat << "," << l.lon;
  // The ground under Mt Fuji keeps the land colour; the sky over the lower north is sea.
  EXPECT_EQ(sheet.layer.Pixel(sheet.WeX(138.72), sheet.WeY(1500)), kLand);
  EXPECT_EQ(sheet.layer.Pixel(sheet.WeX(141.0), sheet.WeY(3500)), kOcean);
}

}  // namespace
}  // namespace conic
