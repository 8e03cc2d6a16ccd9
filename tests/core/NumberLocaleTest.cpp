// Numbers are read and written with "." whatever the C library's locale: the window
// programs run under the user's, where strtod and printf take and give a decimal comma.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "core/Coordinates.h"
#include "core/Errors.h"
#include "core/MeshCode.h"
#include "core/Number.h"
#include "core/TableImport.h"
#include "tests/support/CommaLocale.h"

namespace core {
namespace {

TEST(NumbersInEveryLocale, ConversionsReadAndWriteAPointUnderACommaLocale) {
  const testsupport::CommaLocale comma;
  if (!comma.Ok()) GTEST_SKIP() << comma.Why();

  EXPECT_EQ(StrToFloat("35.612345"), 35.612345) << comma.Name();
  EXPECT_THROW(StrToFloat("35,612345"), ConversionError);
  EXPECT_EQ(ParseReal("-1234.5"), -1234.5);
  const struct {
    double value;
    std::chars_format format;
    int precision;
    const char* text;
  } formats[] = {
      {1234.5, std::chars_format::fixed, 1, "1234.5"},
      {35.6789, std::chars_format::fixed, 9, "35.678900000"},
      {1.111e33, std::chars_format::general, 10, "1.111e+33"},
      {4250, std::chars_format::general, 10, "4250"},
      {0.25, std::chars_format::scientific, 3, "2.500e-01"},
  };
  for (const auto& f : formats)
    EXPECT_EQ(FormatReal(f.value, f.format, f.precision), f.text);
  EXPECT_EQ(FormatTrimmed(138.5, 6), "138.5");
  EXPECT_EQ(FormatShortest(45.9999999), "45.9999999");

  EXPECT_EQ(ParseAngle("35.612345", Axis::Latitude).value, 35.612345);
  EXPECT_EQ(ParseAngle("138°30.5′E", Axis::Longitude).value, 138.0 + 30.5 / 60);
  EXPECT_EQ(ParseElevation("1,234.5 m", false).value, 1234.5);
  EXPECT_EQ(ParseElevation("1200.5-1300.5", false).value, 1250.5);
  const auto pos = CoordToPos("35.6789,139.7654,1234.5", kGridExact);
  ASSERT_TRUE(pos);
  EXPECT_EQ(pos->lat, 35.6789);
  EXPECT_EQ(pos->alt, 1234.5);
  EXPECT_EQ(DegToDMS(35.5125),
            "35\xEF\xBE\x9F"
            "30'45\"");
  EXPECT_EQ(DegMinToDeg("35.30"), 35.5);
}

TEST(NumbersInEveryLocale, TheImportWritesTheSameFileUnderACommaLocale) {
  const std::string table =
      "scientificName,decimalLatitude,decimalLongitude,elevation,verbatimCoordinates\n"
      "Fagus crenata,35.612345,138.5,1234.5,\n"
      "Fagus crenata,,,2000 ft,\"35°36.5′N 138°30.25′E\"\n"
      "Fagus crenata,,,,\n";
  const ImportResult plain = ImportTable(table, {});
  ASSERT_EQ(plain.files.size(), 1u);
  EXPECT_EQ(plain.files.front().lines,
            (std::vector<std::string>{"Fagus crenata", "35.612345,138.5,1234.5",
                                      "35.608333,138.504167,609.6"}));

  const testsupport::CommaLocale comma;
  if (!comma.Ok()) GTEST_SKIP() << comma.Why();
  const ImportResult local = ImportTable(table, {});
  ASSERT_EQ(local.files.size(), 1u);
  EXPECT_EQ(local.files.front().lines, plain.files.front().lines) << comma.Name();
  EXPECT_EQ(local.files.front().altitudes, plain.files.front().altitudes);
  EXPECT_EQ(ImportReport(local), ImportReport(plain));
  EXPECT_EQ(local.columns, plain.columns);
}

}  // namespace
}  // namespace core
