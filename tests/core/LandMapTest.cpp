// Telling records at sea from the coastlines of a map, and keeping the records of an
// import on disk until its files are written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/FolderSave.h"
#include "core/LandMap.h"
#include "core/MeshCode.h"
#include "core/RecordSpool.h"
#include "core/SaveFile.h"
#include "core/TextFile.h"

namespace core {
namespace {

namespace fs = std::filesystem;

using Ring = std::vector<std::pair<double, double>>;

// What the grid must agree with: every segment of every ring looked at.
struct BruteForce {
  std::vector<Ring> rings;

  bool OnLand(double lat, double lon) const {
    for (const Ring& ring : rings) {
      bool inside = false;
      for (size_t i = 0; i < ring.size(); ++i) {
        const auto& [x1, y1] = ring[i];
        const auto& [x2, y2] = ring[(i + 1) % ring.size()];
        if ((y1 <= lat) != (y2 <= lat) && x1 + (lat - y1) * (x2 - x1) / (y2 - y1) > lon) {
          inside = !inside;
        }
      }
      if (inside) return true;
    }
    return false;
  }
  double DistanceKm(double lat, double lon) const {
    const double kx = 111.32 * std::cos(lat * std::numbers::pi / 180);
    const double ky = 110.574;
    double best = 1e9;
    for (const Ring& ring : rings) {
      for (size_t i = 0; i < ring.size(); ++i) {
        const double ax = (ring[i].first - lon) * kx;
        const double ay = (ring[i].second - lat) * ky;
        const double bx = (ring[(i + 1) % ring.size()].first - lon) * kx;
        const double by = (ring[(i + 1) % ring.size()].second - lat) * ky;
        const double dx = bx - ax;
        const double dy = by - ay;
        const double l2 = dx * dx + dy * dy;
        const double t = l2 > 0 ? std::clamp(-(ax * dx + ay * dy) / l2, 0.0, 1.0) : 0.0;
        best = std::min(best, std::hypot(ax + t * dx, ay + t * dy));
      }
    }
    return best;
  }
};

TEST(LandMap, AnIslandItsLakeAndTheSeaAround) {
  // An island 136-137 E, 35-36 N with a lake in it, as the bundled map lists lakes.
  const std::vector<Ring> rings = {{{136, 35}, {137, 35}, {137, 36}, {136, 36}},
                                   {{136.3, 35.3}, {136.7, 35.3}, {136.7, 35.7}, {136.3, 35.7}}};
  const LandMap map = LandMap::FromRings(rings);
  const double kmPerDegree = 111.32 * std::cos(35.5 * std::numbers::pi / 180);
  const struct {
    double lat;
    double lon;
    std::optional<double> km;  // nullopt: not at sea
  } cases[] = {
      {35.5, 136.5, std::nullopt},    // in the lake: on land, not at sea
      {35.5, 136.1, std::nullopt},    // on land near the lake
      {35.5, 137.015, std::nullopt},  // 1.4 km off the coast
      {35.5, 137.03, 0.03 * kmPerDegree}, {35.5, 137.3, 0.3 * kmPerDegree},
      {35.5, 140.0, LandMap::kSearchKm},  // beyond the search
      {35.5, 135.9, 0.1 * kmPerDegree},   // off the west coast
  };
  for (const auto& c : cases) {
    const std::optional<double> km = map.SeaDistanceKm(c.lat, c.lon);
    ASSERT_EQ(km.has_value(), c.km.has_value()) << c.lat << "," << c.lon;
    if (km) {
      EXPECT_NEAR(*km, *c.km, 0.01) << c.lat << "," << c.lon;
    }
  }
  EXPECT_TRUE(map.OnLand(35.5, 136.5));
  EXPECT_FALSE(map.OnLand(35.5, 137.5));
  EXPECT_FALSE(LandMap::FromRings({}).SeaDistanceKm(35, 136).has_value());
}

TEST(LandMap, TheBundledMapAgreesWithLookingAtEveryCoast) {
  LineReader reader = LineReader::Open(std::string(TARVO_SOURCE_DIR) + "/data/三面図全国.mdt");
  const LandMap map = LandMap::Read(reader);
  // The same rings, for the reference.
  BruteForce reference;
  {
    LineReader lines = LineReader::Open(std::string(TARVO_SOURCE_DIR) + "/data/三面図全国.mdt");
    bool inMap = false;
    Ring ring;
    for (std::string line; lines.Next(line);) {
      if (line.starts_with("*")) inMap = line.starts_with("*H-MAP");
      if (!inMap || line.empty() || line[0] == ';' || line[0] == '*') continue;
      const size_t comma = line.find(',');
      const double lon = std::stod(line.substr(0, comma));
      const double lat = std::stod(line.substr(comma + 1));
      if (lon == 0) {
        if (ring.size() >= 3) reference.rings.push_back(ring);
        ring.clear();
      } else {
        ring.emplace_back(lon, lat);
      }
    }
  }
  ASSERT_GT(reference.rings.size(), 100u);

  // Places whose answer is known.
  EXPECT_FALSE(map.SeaDistanceKm(35.6812, 139.7671));  // Tokyo station
  EXPECT_FALSE(map.SeaDistanceKm(35.25, 136.08));      // Lake Biwa
  EXPECT_FALSE(map.SeaDistanceKm(37.5665, 126.978));   // Seoul: land, if not Japan's
  EXPECT_TRUE(map.SeaDistanceKm(33.0, 141.5));         // the Pacific
  EXPECT_TRUE(map.SeaDistanceKm(39.5, 135.0));         // the Sea of Japan

  // Random places near the coasts of Honshu, and anywhere in the map.
  std::mt19937 random(20240601);
  std::uniform_real_distribution<double> near(-0.08, 0.08);
  std::uniform_real_distribution<double> anyLat(24.5, 45.5);
  std::uniform_real_distribution<double> anyLon(122.5, 148.5);
  const Ring& honshu = reference.rings.front();  // the largest Japanese ring comes first
  int atSea = 0;
  for (int i = 0; i < 300; ++i) {
    double lat = 0;
    double lon = 0;
    if (i % 2 == 0) {
      const auto& [x, y] = honshu[random() % honshu.size()];
      lat = y + near(random);
      lon = x + near(random);
    } else {
      lat = anyLat(random);
      lon = anyLon(random);
    }
    const double distance = reference.OnLand(lat, lon) ? 0.0 : reference.DistanceKm(lat, lon);
    const std::optional<double> km = map.SeaDistanceKm(lat, lon);
    if (distance <= LandMap::kNearLandKm) {
      EXPECT_FALSE(km) << lat << "," << lon << " is " << distance << " km off";
    } else {
      ++atSea;
      ASSERT_TRUE(km) << lat << "," << lon << " is " << distance << " km off";
      EXPECT_NEAR(*km, std::min(distance, LandMap::kSearchKm), 1e-6) << lat << "," << lon;
    }
  }
  EXPECT_GT(atSea, 50);
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path Fresh() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(testing::TempDir()) / ("landmap-" + std::string(info->name()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(RecordSpool, ListsComeBackInTheirOrderWhateverWasWrittenToDisk) {
  const fs::path dir = Fresh();
  SpooledRecordStore store(dir.string());
  // Enough lines for each list to be written out many times, interleaved, and for all
  // lists together to pass what the store holds in memory.
  constexpr int kLists = 3;
  constexpr int kLines = 150000;
  for (int i = 0; i < kLines; ++i) {
    for (int list = 0; list < kLists; ++list)
      store.Append(static_cast<size_t>(list),
                   std::to_string(list) + ":" + std::to_string(i) +
                       std::string(static_cast<size_t>(i % 40), 'x'),
                   1.0);
  }
  store.Append(7, "alone", 2.0);
  for (int list = 0; list < kLists; ++list) {
    int next = 0;
    bool inOrder = true;
    store.Read(static_cast<size_t>(list), [&](std::string_view line, double altitude) {
      inOrder = inOrder &&
                line == std::to_string(list) + ":" + std::to_string(next) +
                            std::string(static_cast<size_t>(next % 40), 'x') &&
                altitude == kNoAltitude;
      ++next;
    });
    EXPECT_TRUE(inOrder) << list;
    EXPECT_EQ(next, kLines) << list;
  }
  std::vector<std::string> alone;
  store.Read(7, [&](std::string_view line, double) { alone.emplace_back(line); });
  EXPECT_EQ(alone, std::vector<std::string>{"alone"});
  store.Read(5, [&](std::string_view, double) { ADD_FAILURE() << "an empty list has lines"; });
  // The temporary file has no name in the folder.
  EXPECT_TRUE(fs::is_empty(dir));
  EXPECT_THROW(SpooledRecordStore((dir / "missing").string()), IoError);
}

TEST(RecordSpool, FilesWrittenInPiecesKeepTheOldFileWhenMakingThemFails) {
  const fs::path dir = Fresh();
  const fs::path file = dir / "out.grd";
  std::ofstream(file, std::ios::binary) << "old";
  auto pieces = [](int count, bool fail) -> ByteProducer {
    return [count, fail](const std::function<void(std::string_view)>& write) {
      for (int i = 0; i < count; ++i)
        write(std::string(1000, static_cast<char>('a' + i % 26)));
      if (fail) throw IoError("記録の一時ファイルが読めません", "spool");
    };
  };
  EXPECT_THROW(SaveFileAtomically(file.string(), pieces(500, true)), IoError);
  EXPECT_EQ(ReadBytes(file), "old");
  SaveFileAtomically(file.string(), pieces(500, false));
  const std::string bytes = ReadBytes(file);
  ASSERT_EQ(bytes.size(), 500000u);
  EXPECT_EQ(bytes.substr(499000, 3), "fff");  // piece 499: letter 499 - 26 * 19

  {
    FolderSave save(dir.string());
    save.Add("a.grd", pieces(3, false));
    EXPECT_THROW(save.Add("b.grd", pieces(3, true)), IoError);
  }
  EXPECT_FALSE(fs::exists(dir / "a.grd"));  // never committed
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"out.grd"});  // no temporary left behind
}

}  // namespace
}  // namespace core
