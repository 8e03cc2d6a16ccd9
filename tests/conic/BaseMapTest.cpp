#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "conic/BaseMap.h"
#include "conic/TForm1.h"
#include "core/Errors.h"
#include "core/MapData.h"
#include "core/Rounding.h"
#include "core/TextFile.h"

namespace conic {
namespace {

using platform::RasterLayer;

constexpr WinColor kLand = 14285311;
constexpr WinColor kOcean = 16775899;

const std::string kBundledMap = std::string(TARVO_SOURCE_DIR) + "/data/三面図全国.mdt";

struct Sheet {
  Geometry geometry;
  RasterLayer layer;
  explicit Sheet(int width = 800, int height = 1131) : layer(width, height) {
    geometry.ReplaceMaps(width, 3);
  }
  QPoint PixelOf(double lon, double lat) const {
    const MapPoint p = geometry.LambertXY(lon, lat);
    return {geometry.HMGraphPosX(p.x), geometry.HMGraphPosY(p.y)};
  }
  WinColor At(double lon, double lat) const {
    const QPoint p = PixelOf(lon, lat);
    return layer.Pixel(p.x(), p.y());
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
  const std::string& path = kBundledMap;
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
  BaseMapStyle style;
  style.searchWater = false;  // the fixed seeds alone
  DrawBaseMap(sheet.layer, style, sheet.geometry, reader);
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

// Land 134-136 E, 37-39 N round an inner sea 134.5-135.5 E, 37.5-38.5 N, which a channel
// along 38 N about 3 km wide joins to the open sea in the east: less than a pixel of the
// window-width sheet, some four pixels at the search's scale. A lake lies in the land's
// south-west corner. The channel runs near the central meridian, where parallels are
// almost level rows, so its walls stay apart or meet evenly.
const std::string kInnerSea =
    "*H-MAP\n134,37\n136,37\n136,37.9855\n135.5,37.9855\n135.5,37.5\n134.5,37.5\n"
    "134.5,38.5\n135.5,38.5\n135.5,38.0145\n136,38.0145\n136,39\n134,39\n134,37\n0,0\n"
    "134.1,37.1\n134.4,37.1\n134.4,37.4\n134.1,37.4\n134.1,37.1\n0,0\n*END\n";

TEST(WaterSearch, FindsTheSeaBehindAStraitNarrowerThanASheetPixel) {
  const struct {
    bool searchWater;
    WinColor innerSea;
  } cases[] = {{false, kLand}, {true, kOcean}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.searchWater);
    Sheet sheet;
    BaseMapStyle style;
    style.withGrat = false;
    style.searchWater = c.searchWater;
    Draw(sheet, kInnerSea, style);
    EXPECT_EQ(sheet.At(135, 38), c.innerSea);
    EXPECT_EQ(sheet.At(134.25, 38), kLand);     // the land west of the inner sea
    EXPECT_EQ(sheet.At(134.25, 37.25), kLand);  // the lake
    EXPECT_EQ(sheet.At(137, 38), kOcean);
    EXPECT_TRUE(sheet.Near(135.5, 38, 0));  // the channel's walls stay drawn
  }
}

TEST(WaterSearch, ClipsCoastlinesToFarAwayPoints) {
  // The South Pole projects some billions of pixels away: walked step by step, the line
  // would take minutes; computed carelessly, its Bresenham terms overflow.
  Sheet sheet;
  BaseMapStyle style;
  style.withGrat = false;
  Draw(sheet, "*H-MAP\n135,34\n135,-90\n140,34\n0,0\n*END\n", style);
  EXPECT_TRUE(sheet.Near(135, 30, 0));
  EXPECT_EQ(sheet.layer.Pixel(5, 5), kOcean);
}

// Drawings of the bundled map at every sheet size, with and without the water search,
// made when first asked for and shared by the tests below: with the sanitizers an A3
// drawing takes the better part of a second. Boundaries are drawn, so that the tests
// see they stay; the graticule is not, because it is drawn over the sea afterwards.
class BundledSheets : public ::testing::Test {
 protected:
  static constexpr int kSheetSizes[] = {0, 1, 2, 3, 4};  // window width (800), A6 .. A3

  static const Sheet& Drawn(int sheetSize, bool searchWater) {
    std::unique_ptr<Sheet>& sheet = s_cache[{sheetSize, searchWater}];
    if (!sheet) {
      const SheetPixels size = *SheetPixelsOf(sheetSize, 800);
      sheet = std::make_unique<Sheet>(size.width, size.height);
      BaseMapStyle style;
      style.withPref = true;
      style.withGrat = false;
      style.searchWater = searchWater;
      core::LineReader reader = core::LineReader::Open(kBundledMap);
      DrawBaseMap(sheet->layer, style, sheet->geometry, reader);
    }
    return *sheet;
  }

  static void TearDownTestSuite() { s_cache.clear(); }

 private:
  static inline std::map<std::pair<int, bool>, std::unique_ptr<Sheet>> s_cache;
};

struct Place {
  const char* name;
  double lat;
  double lon;
};

TEST_F(BundledSheets, NamedSeasAreSeaAndLandStaysLandOnEverySheet) {
  // Points in open water, away from islands and from the coast by more than a pixel of
  // the window-width sheet.
  const Place seas[] = {
      {"Suo-nada", 33.83, 131.45},       {"Iyo-nada", 33.575, 132.06},
      {"Hiuchi-nada", 34.10, 133.33},    {"Bingo-nada", 34.27, 133.40},
      {"Harima-nada", 34.475, 134.55},   {"Osaka Bay", 34.525, 135.20},
      {"Ise Bay", 34.75, 136.72},        {"Mikawa Bay", 34.753, 137.154},
      {"Ariake Sea", 33.07, 130.31},     {"Omura Bay", 33.0, 129.88},
      {"Yatsushiro Sea", 32.45, 130.48}, {"Kagoshima Bay", 31.45, 130.60},
      {"Tokyo Bay", 35.55, 139.90},      {"Mutsu Bay", 41.08, 141.07},
      {"Funka Bay", 42.40, 140.60},      {"Lake Biwa", 35.35, 136.15},
  };
  const Place land[] = {
      {"Shikoku", 33.80, 133.50},         {"Awaji Island", 34.38, 134.83},
      {"Honshu, inland", 36.20, 138.00},  {"Kyushu, inland", 32.80, 131.00},
      {"Lake Inawashiro", 37.48, 140.09},
  };
  for (const int sheetSize : kSheetSizes) {
    const Sheet& sheet = Drawn(sheetSize, true);
    for (const Place& p : seas) {
      EXPECT_EQ(sheet.At(p.lon, p.lat), kOcean) << p.name << ", sheet size " << sheetSize;
    }
    for (const Place& p : land) {
      EXPECT_EQ(sheet.At(p.lon, p.lat), kLand) << p.name << ", sheet size " << sheetSize;
    }
  }
}

TEST_F(BundledSheets, SearchTurnsOnlyLandColouredPixelsIntoSea) {
  for (const int sheetSize : {0, 4}) {
    SCOPED_TRACE(sheetSize);
    const Sheet& without = Drawn(sheetSize, false);
    const Sheet& with = Drawn(sheetSize, true);
    // On the A3 sheet, the search's own scale, only Omura Bay may change.
    QRect omuraBay;
    for (const double lon : {129.75, 130.0}) {
      for (const double lat : {32.8, 33.12})
        omuraBay |= QRect(with.PixelOf(lon, lat), QSize(1, 1));
    }
    int changed = 0;
    int outsideOmura = 0;
    int notLandToSea = 0;
    const QRgb land = platform::ToQRgb(kLand);
    const QRgb ocean = platform::ToQRgb(kOcean);
    for (int y = 0; y < with.layer.Height(); ++y) {
      const auto* before = reinterpret_cast<const QRgb*>(without.layer.Image().constScanLine(y));
      const auto* after = reinterpret_cast<const QRgb*>(with.layer.Image().constScanLine(y));
      for (int x = 0; x < with.layer.Width(); ++x) {
        if (before[x] == after[x]) continue;
        ++changed;
        notLandToSea += before[x] != land || after[x] != ocean;
        outsideOmura += !omuraBay.contains(x, y);
      }
    }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(notLandToSea, 0);
    if (sheetSize == 4) {
      EXPECT_EQ(outsideOmura, 0);
      // The bay's outline is closed at this scale, and its seed lies in the water inside.
      for (const Seed& seed : kWaterSeeds) {
        EXPECT_EQ(without.At(seed.lon, seed.lat), kLand);
        EXPECT_EQ(with.At(seed.lon, seed.lat), kOcean);
      }
    }
  }
}

}  // namespace
}  // namespace conic
