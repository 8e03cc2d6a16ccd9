#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "core/Errors.h"
#include "core/Number.h"
#include "core/Rounding.h"

namespace core {
namespace {

TEST(StrToFloat, ReadsDecimalNumbersWithBlanksAround) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"1", 1.0},  {" 1.5 ", 1.5},  {"-2.25", -2.25}, {"+3", 3.0},  {".5", 0.5},
      {"5.", 5.0}, {"1e3", 1000.0}, {"\t7\t", 7.0},   {"-0", -0.0}, {"139.7654", 139.7654},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(StrToFloat(c.text), c.value) << c.text;
}

TEST(StrToFloat, RefusesWhatIsNotARealNumber) {
  for (const char* text : {"", " ", "1,5", "abc", "1.2.3", "inf", "nan", "0x10", "1e", "1e999",
                           "--1", "+", ".", "1 2", "１"}) {
    EXPECT_THROW(StrToFloat(text), ConversionError) << text;
  }
}

TEST(StrToFloat, MessageNamesTheTextAsWrittenWithControlsVisible) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {" 35.6x", "' 35.6x' は浮動小数点数ではありません"},
      // A NUL would end the message there; a tab would split a report's column.
      {std::string("35.6\0x", 6), "'35.6\u2400x' は浮動小数点数ではありません"},
      {"35\t6\x7F", "'35\u24096\u2421' は浮動小数点数ではありません"},
  };
  for (const auto& c : cases) {
    try {
      StrToFloat(c.text);
      ADD_FAILURE() << c.text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(StrToInt, ReadsWholeNumbersAndRefusesTheRest) {
  EXPECT_EQ(StrToInt("12"), 12);
  EXPECT_EQ(StrToInt(" -3 "), -3);
  EXPECT_EQ(StrToInt("+4"), 4);
  EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
  for (const char* text : {"1.0", "", " ", "2147483648", "a", "+-1", "++1", "1e2", "-"}) {
    EXPECT_THROW(StrToInt(text), ConversionError) << text;
  }
  try {
    StrToInt("1a");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'1a' は整数ではありません");
  }
}

TEST(RoundHalfEven, SendsHalvesToTheEvenNeighbour) {
  const struct {
    double value;
    int rounded;
  } cases[] = {
      {0.5, 0},         {1.5, 2},          {2.5, 2},
      {3.5, 4},         {-0.5, 0},         {-1.5, -2},
      {-2.5, -2},       {2.4999999, 2},    {2.5000001, 3},
      {-2.6, -3},       {1099.2, 1099},    {386.5, 386},
      {1e300, INT_MAX}, {-1e300, INT_MIN}, {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << c.value;
}

}  // namespace
}  // namespace core
