#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "conic/TForm1.h"
#include "core/Number.h"
#include "core/TextFile.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingsTable.h"
#include "platform/ui/DialogService.h"
#include "tests/support/Presets.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

namespace fs = std::filesystem;
using testsupport::Q;

// The presets are read by the same table as any settings file, which passes over a key it
// does not know: a misspelt key would leave its default in the figure without a word.
TEST(PresetsTest, PresetsSetOnlyKeysTheProgramReads) {
  for (const char* preset : {"Tarvo_L-screen.ini", "Tarvo_L-A4.ini", "Tarvo_L-A3.ini"}) {
    const auto keys = testsupport::IniKeys(testsupport::PresetPath(preset));
    EXPECT_FALSE(keys.empty()) << preset;
    for (const auto& [section, key] : keys) {
      EXPECT_TRUE(platform::IsKnownSetting(TForm1::SettingNames(), section, key))
          << preset << ": " << section.toStdString() << '.' << key.toStdString();
    }
  }
}

// Ink of the legend's first row inside the legend box: the height of the rows from the
// first one that holds anything but the box's fill down to the next empty one, and the
// width of the first run of such columns in those rows, which is the marker.
struct RowInk {
  int height = 0;
  int markerWidth = 0;
};

RowInk FirstLegendRow(const QImage& figure, const QRect& box) {
  const QRect inside = box.adjusted(3, 3, -3, -3);  // clear of the frame
  const QRgb fill = figure.pixel(inside.topLeft());
  auto inked = [&](int x, int y) { return figure.pixel(x, y) != fill; };
  auto rowInked = [&](int y) {
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (inked(x, y)) return true;
    return false;
  };
  int top = inside.top();
  while (top <= inside.bottom() && !rowInked(top))
    ++top;
  int bottom = top;
  while (bottom <= inside.bottom() && rowInked(bottom))
    ++bottom;
  auto columnInked = [&](int x) {
    for (int y = top; y < bottom; ++y)
      if (inked(x, y)) return true;
    return false;
  };
  int left = inside.left();
  while (left <= inside.right() && !columnInked(left))
    ++left;
  int right = left;
  while (right <= inside.right() && columnInked(right))
    ++right;
  return {bottom - top, right - left};
}

// The print presets promise labels of about 3 mm and markers of about 1.5 mm on paper.
// Measured on the drawn figure, so that a change in how point sizes become pixels, or in
// how the legend is laid out, breaks the promise here rather than on a botanist's printer.
TEST(PresetsTest, PrintPresetsPrintLabelsAtAboutThreeMillimetresAndMarkersAtOneAndAHalf) {
  const struct {
    const char* preset;
    double paperWidthMm;
  } cases[] = {{"Tarvo_L-A4.ini", 210.0}, {"Tarvo_L-A3.ini", 297.0}};
  const fs::path root = testsupport::FreshTestFolder("conic_presets_");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preset);
    // The preset names no data or map file, so the sample and the bundled map are drawn.
    TForm1 form(QStringList{Q(testsupport::PresetPath(c.preset))},
                std::make_unique<platform::ScriptedDialogs>(), Q(root / "bin" / "Tarvo_L"));
    form.SetFixedWindowWidth(800);
    form.DrawMapNewClick();
    ASSERT_EQ(form.State().CategoryCount, 3);
    EXPECT_TRUE(form.findChild<QCheckBox*>(QStringLiteral("IsLegendFrame"))->isChecked());
    ASSERT_FALSE(form.LegendBox().isEmpty()) << "the legend is not shown";

    const QImage figure = form.ComposeFigure();
    const double pixelsPerMm = figure.width() / c.paperWidthMm;
    const RowInk ink = FirstLegendRow(figure, form.LegendBox());
    // A label's ink, parentheses included, is a little less than its em of 3 mm.
    EXPECT_NEAR(ink.height / pixelsPerMm, 2.8, 0.3) << ink.height << " px";
    EXPECT_NEAR(ink.markerWidth / pixelsPerMm, 1.5, 0.2) << ink.markerWidth << " px";
  }
  fs::remove_all(root);
}

// A colour as the settings store it (red in the low byte), as a distance apart from another.
double ColourDistance(std::uint32_t a, std::uint32_t b) {
  auto channel = [](std::uint32_t c, int shift) {
    return static_cast<double>((c >> shift) & 0xFF);
  };
  return std::hypot(channel(a, 0) - channel(b, 0), channel(a, 8) - channel(b, 8),
                    channel(a, 16) - channel(b, 16));
}

// A marker shows on land, on the sea and on a coast line when it is a filled shape whose
// rim stands out from land and sea and whose fill stands out from the coast line, and each
// category has a look of its own. Crosses are strokes of the rim colour only: on a coast
// line of the same black they vanish.
TEST(PresetsTest, EveryCategoryOfEveryPresetShowsOnLandSeaAndCoast) {
  const struct {
    const char* preset;
    const char* section;
    int categories;
    std::vector<int> filledShapes;
    std::uint32_t land;  // the backgrounds a marker lands on, and the coast line's colour
    std::uint32_t sea;
    std::uint32_t coast;
  } cases[] = {
      {"Tarvo_L-screen.ini", "PMark", 5, {1, 2, 3, 4}, 14285311, 16775899, 0},
      {"Tarvo_L-A4.ini", "PMark", 5, {1, 2, 3, 4}, 14285311, 16775899, 0},
      {"Tarvo_L-A3.ini", "PMark", 5, {1, 2, 3, 4}, 14285311, 16775899, 0},
      // Tarvo's charts are white, with black map lines.
      {"Tarvo-screen.ini", "Mark", 6, {0, 1, 2, 3, 7}, 0xFFFFFF, 0xFFFFFF, 0},
  };
  for (const auto& c : cases) {
    const platform::IniFile ini = platform::IniFile::Load(Q(testsupport::PresetPath(c.preset)));
    std::vector<std::pair<int, std::uint32_t>> looks;
    for (int i = 1; i <= c.categories; ++i) {
      const QString section = QString::fromLatin1(c.section) + QString::number(i);
      SCOPED_TRACE(std::string(c.preset) + " " + section.toStdString());
      const int shape = ini.ReadInteger(section, QStringLiteral("Styl"), -1);
      const auto fill =
          static_cast<std::uint32_t>(ini.ReadInteger(section, QStringLiteral("bcol"), -1));
      const auto rim =
          static_cast<std::uint32_t>(ini.ReadInteger(section, QStringLiteral("pcol"), -1));
      EXPECT_NE(std::find(c.filledShapes.begin(), c.filledShapes.end(), shape),
                c.filledShapes.end())
          << "shape " << shape;
      EXPECT_GE(ColourDistance(rim, c.land), 200) << "rim " << rim;
      EXPECT_GE(ColourDistance(rim, c.sea), 200) << "rim " << rim;
      EXPECT_GE(ColourDistance(fill, c.coast), 150) << "fill " << fill;
      EXPECT_GE(ColourDistance(fill, rim), 150) << "fill " << fill;
      looks.emplace_back(shape, fill);
    }
    std::sort(looks.begin(), looks.end());
    EXPECT_EQ(std::adjacent_find(looks.begin(), looks.end()), looks.end())
        << c.preset << ": two categories look alike";
  }
}

// Records on the coasts of small islands and capes, where category 5 of the A4 preset once
// drew black strokes on black coast lines: each category's fill shows in the figure.
TEST(PresetsTest, MarkersOfEveryCategoryShowOnCoastsOfSmallIslands) {
  const fs::path root = testsupport::FreshTestFolder("conic_presets_");
  // Coast points of the bundled map around Amami-Oshima, Nemuro, Sado, Oki and Tsushima.
  const struct {
    double south, north, west, east;
  } places[] = {{28.1, 28.6, 129.1, 129.8},
                {43.2, 43.5, 145.3, 145.9},
                {37.7, 38.4, 138.1, 138.6},
                {35.9, 36.4, 132.9, 133.4},
                {34.0, 34.8, 129.1, 129.5}};
  std::vector<std::pair<double, double>> coast;  // lat, lon, a tenth of a degree apart or more
  {
    core::LineReader reader =
        core::LineReader::Open(std::string(TARVO_SOURCE_DIR) + "/data/三面図全国.mdt");
    bool inMap = false;
    for (std::string line; reader.Next(line);) {
      if (line.starts_with("*")) inMap = line.starts_with("*H-MAP");
      const size_t comma = line.find(',');
      if (!inMap || comma == std::string::npos || line[0] == ';') continue;
      const double lon = std::stod(line.substr(0, comma));
      const double lat = std::stod(line.substr(comma + 1));
      bool wanted = false;
      for (const auto& p : places)
        wanted = wanted || (lat > p.south && lat < p.north && lon > p.west && lon < p.east);
      for (const auto& [y, x] : coast)
        wanted = wanted && std::hypot(y - lat, x - lon) >= 0.1;
      if (wanted) coast.emplace_back(lat, lon);
    }
  }
  ASSERT_GE(coast.size(), 25u);
  constexpr int kCategories = 5;
  const size_t perCategory = coast.size() / kCategories;
  std::string headersOnly;
  std::string withRecords;
  for (int i = 0; i < kCategories; ++i) {
    const std::string header = "Category " + std::to_string(i + 1) + "\r\n";
    headersOnly += header;
    withRecords += header;
    for (size_t k = 0; k < perCategory; ++k) {
      const auto& [lat, lon] = coast[static_cast<size_t>(i) * perCategory + k];
      withRecords += core::FormatTrimmed(lat, 6) + "," + core::FormatTrimmed(lon, 6) + "\r\n";
    }
  }
  testsupport::WriteBytes(root / "headers.grd", headersOnly);
  testsupport::WriteBytes(root / "coasts.grd", withRecords);

  const QString preset = Q(testsupport::PresetPath("Tarvo_L-A4.ini"));
  auto draw = [&](const char* data) {
    TForm1 form(QStringList{preset}, std::make_unique<platform::ScriptedDialogs>(),
                Q(root / "bin" / "Tarvo_L"));
    platform::IniFile settings = platform::IniFile::Load(preset);
    // Placed as written, on the coast itself, not snapped to mesh cells.
    settings.WriteInteger(QStringLiteral("Map"), QStringLiteral("GridSize"), 0);
    settings.WriteString(QStringLiteral("DataFile"), QStringLiteral("GrdFile"), Q(root / data));
    form.ApplySettings(settings);
    form.DrawMapNewClick();
    EXPECT_EQ(form.State().CategoryCount, kCategories);
    return form.ComposeFigure();
  };
  const QImage before = draw("headers.grd");
  const QImage after = draw("coasts.grd");
  ASSERT_EQ(before.size(), after.size());
  const platform::IniFile ini = platform::IniFile::Load(preset);
  for (int i = 1; i <= kCategories; ++i) {
    const auto fill = static_cast<std::uint32_t>(
        ini.ReadInteger(QStringLiteral("PMark%1").arg(i), QStringLiteral("bcol"), 0));
    const QRgb colour = qRgb(fill & 0xFF, (fill >> 8) & 0xFF, (fill >> 16) & 0xFF);
    // The plot layer is laid on the map with AND: a fill shows as itself ANDed with what
    // lies beneath.
    long shown = 0;
    for (int y = 0; y < after.height(); ++y) {
      for (int x = 0; x < after.width(); ++x) {
        const QRgb was = before.pixel(x, y);
        const QRgb now = after.pixel(x, y);
        shown += now != was && now == ((was & colour) | 0xFF000000u);
      }
    }
    EXPECT_GE(shown, static_cast<long>(perCategory) * 40) << "category " << i;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace conic
