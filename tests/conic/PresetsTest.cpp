#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <filesystem>

#include "conic/TForm1.h"
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

}  // namespace
}  // namespace conic
