#include "platform/chart/AxisScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace platform {
namespace {

TEST(FormatFloat, WritesTheChartsLabelFormats) {
  const struct {
    double value;
    const char* format;
    const char* text;
  } cases[] = {
      {135, "###.#", "135"},
      {134.5, "###.#", "134.5"},
      {134.125, "###.#", "134.1"},
      {0.5, "###.#", ".5"},
      {0.25, "###.#", ".3"},  // a half rounds away from zero
      {0, "###.#", ""},
      {-0.04, "###.#", ""},  // no sign on what rounds to zero
      {-1.25, "###.#", "-1.3"},
      {35, "##.0", "35.0"},
      {35.0833333333333, "##.0", "35.1"},
      {35.99999999999999, "##.0", "36.0"},  // a rounding error below a whole degree
      {36, " ##.#", " 36"},
      {35.5, " ##.#", " 35.5"},
      {1500, "###0m", "1500m"},
      {0, "###0m", "0m"},
      {999.96, "###0m", "1000m"},
      {7, "000", "007"},
      {7, "abc", "abc"},
      {std::numeric_limits<double>::infinity(), "###.#", "INF"},
      {std::nan(""), "###.#", "NAN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloat(c.value, c.format), c.text) << c.value << " in " << c.format;
  }
}

TEST(NextNiceIncrement, StepsThroughOneTwoFiveTimesAPowerOfTen) {
  const struct {
    double from, to;
  } cases[] = {{0.125, 0.2}, {2.0 / 3.0, 1}, {1, 2},     {2, 5},          {5, 10},
               {500, 1000},  {1000, 2000},   {0.1, 0.2}, {1.0 / 12, 0.1}, {7, 10}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(NextNiceIncrement(c.from), c.to) << c.from;
  EXPECT_EQ(NextNiceIncrement(0), 0);
  EXPECT_EQ(NextNiceIncrement(-1), -1);
}

TEST(SpacedIncrement, CoarsensOnlyWhileLabelsWouldCrowd) {
  // 18 degrees on 800 pixels with 40-pixel labels: 20 fit, 18 at increment 1.
  EXPECT_DOUBLE_EQ(SpacedIncrement(18, 1, 800, 40), 1);
  // On 300 pixels 7.5, rounded 8, fit: 18 labels at 1, 9 at 2, 4 at 5.
  EXPECT_DOUBLE_EQ(SpacedIncrement(18, 1, 300, 40), 5);
  // On 360 pixels 9 fit: 2 is enough.
  EXPECT_DOUBLE_EQ(SpacedIncrement(18, 1, 360, 40), 2);
  // 0.125 over 18 degrees is 144 labels: 0.2, 0.5, 1, 2 give 90, 36, 18, 9.
  EXPECT_DOUBLE_EQ(SpacedIncrement(18, 0.125, 360, 40), 2);
  // 2/3 over 16 degrees is 24 labels; 20 fit at 800 px: 2/3 becomes 1.
  EXPECT_DOUBLE_EQ(SpacedIncrement(16, 2.0 / 3.0, 800, 40), 1);
  // Hidden labels take no room, so the set increment stands.
  EXPECT_DOUBLE_EQ(SpacedIncrement(18, 0.125, 300, 0), 0.125);
  // No pixels: coarsened until at most zero labels, without looping for ever.
  EXPECT_GT(SpacedIncrement(1e300, 1e-300, 0, 10), 1e300);
}

TEST(GridValues, AreTheMultiplesInsideTheRange) {
  EXPECT_EQ(GridValues(128, 131, 1), (std::vector<double>{128, 129, 130, 131}));
  EXPECT_EQ(GridValues(128.3, 130.9, 1), (std::vector<double>{129, 130}));
  // 2/3 steps land a rounding error off 30 and 46 and still count.
  const std::vector<double> lat = GridValues(30, 46, 2.0 / 3.0);
  ASSERT_EQ(lat.size(), 25u);
  EXPECT_NEAR(lat.front(), 30, 1e-9);
  EXPECT_NEAR(lat.back(), 46, 1e-9);
  EXPECT_TRUE(GridValues(1, 0, 1).empty());
  EXPECT_TRUE(GridValues(0, 1, 0).empty());
  EXPECT_TRUE(GridValues(0, std::nan(""), 1).empty());
  bool tooMany = false;
  EXPECT_TRUE(GridValues(0, 1e9, 1e-3, &tooMany).empty());
  EXPECT_TRUE(tooMany);
}

TEST(MinorGridValues, CutEveryIntervalIncludingThePartialOnesAtTheEnds) {
  // Increment 1 with 1 minor tick: the halves, also before the first and after the last line.
  EXPECT_EQ(MinorGridValues(128.2, 130.7, 1, 1), (std::vector<double>{128.5, 129.5, 130.5}));
  // A second-order interval of 0.125 cut into tenths: the standard mesh.
  const std::vector<double> minor = MinorGridValues(135, 135.125, 0.125, 9);
  ASSERT_EQ(minor.size(), 9u);
  EXPECT_NEAR(minor.front(), 135.0125, 1e-12);
  EXPECT_NEAR(minor.back(), 135.1125, 1e-12);
  EXPECT_TRUE(MinorGridValues(0, 1, 1, 0).empty());
  bool tooMany = false;
  EXPECT_TRUE(MinorGridValues(0, 1e6, 1, 9, &tooMany).empty());
  EXPECT_TRUE(tooMany);
}

}  // namespace
}  // namespace platform
