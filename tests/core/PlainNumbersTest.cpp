// The short ways through the numbers of table cells give what the long ways give.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>

#include "core/Number.h"

namespace core {
namespace {

// Plain decimals of every length the short ways take, and some they leave to the long way.
TEST(PlainNumbers, ReadAndWrittenAsTheLongWayDoes) {
  std::mt19937_64 random(20240611);
  int shortWays = 0;
  for (int i = 0; i < 200000; ++i) {
    const int whole = static_cast<int>(random() % 10);
    const int fraction = static_cast<int>(random() % 9);
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int k = 0; k < whole + 1; ++k)
      text += static_cast<char>('0' + random() % 10);
    if (fraction > 0) {
      text += '.';
      for (int k = 0; k < fraction; ++k)
        text += static_cast<char>('0' + random() % 10);
    }
    const std::optional<double> plain = ParsePlainDecimal(text);
    const std::optional<double> real = ParseReal(text);
    ASSERT_TRUE(real) << text;
    if (plain) {
      // Bit for bit, negative zero included.
      EXPECT_EQ(std::signbit(*plain), std::signbit(*real)) << text;
      EXPECT_EQ(*plain, *real) << text;
    }
    for (const int decimals : {1, 6}) {
      if (const std::optional<std::string> written = TrimmedAsWritten(text, decimals)) {
        ++shortWays;
        EXPECT_EQ(*written, FormatTrimmed(*real, decimals)) << text;
      }
    }
  }
  EXPECT_GT(shortWays, 50000);
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {{"35.5", 35.5},
               {"+35.5", 35.5},
               {"-0", -0.0},
               {"1234567890.12345", 1234567890.12345},
               {"1e3", std::nullopt},
               {"35.", std::nullopt},
               {".5", std::nullopt},
               {"", std::nullopt},
               {"1234567890123456", std::nullopt},
               {" 35", std::nullopt}};
  for (const auto& c : cases)
    EXPECT_EQ(ParsePlainDecimal(c.text), c.value) << c.text;
  EXPECT_EQ(TrimmedAsWritten("-0.000", 6), "0");
  EXPECT_EQ(TrimmedAsWritten("035.500", 6), "35.5");
  EXPECT_EQ(TrimmedAsWritten("35.1234567", 6), std::nullopt);
}

}  // namespace
}  // namespace core
