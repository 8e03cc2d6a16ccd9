#include <gtest/gtest.h>

#include "core/TextCodec.h"

namespace core {
namespace {

// "ブナ" and "表" (whose second byte is the ASCII backslash) in Shift-JIS.
constexpr char kBunaSjis[] = "\x83\x75\x83\x69";
constexpr char kHyouSjis[] = "\x95\x5C";

TEST(IsWellFormedUtf8, FollowsRfc3629) {
  const struct {
    const char* bytes;
    bool ok;
  } cases[] = {
      {"abc", true},
      {"ブナ", true},
      {"\xF0\x9F\x8C\xB2", true},   // U+1F332, four bytes
      {"\xC0\xAF", false},          // overlong "/"
      {"\xE0\x80\xAF", false},      // overlong, three bytes
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE3\x81", false},          // cut short
      {"\x83\x75\x83\x69", false},  // Shift-JIS
      {"\xFF", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsWellFormedUtf8(c.bytes), c.ok) << c.bytes;
}

TEST(Cp932, ConvertsBothWaysAndNeverFailsToDecode) {
  EXPECT_EQ(Cp932ToUtf8(kBunaSjis), "ブナ");
  EXPECT_EQ(Cp932ToUtf8(kHyouSjis), "表");
  EXPECT_EQ(Cp932ToUtf8("abc"), "abc");
  // A lead byte with nothing after it is shown, not dropped or fatal.
  EXPECT_EQ(Cp932ToUtf8("a\x83"), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToCp932("ブナ"), std::string(kBunaSjis));
  EXPECT_EQ(Utf8ToCp932("表"), std::string(kHyouSjis));
  EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x8C\xB2"), std::nullopt);  // no Shift-JIS code
  EXPECT_EQ(Utf8ToCp932("\x83\x75"), std::nullopt);          // not UTF-8 at all
}

TEST(DecodeLine, TakesUtf8OnlyWhenWellFormedAndNotAscii) {
  EXPECT_EQ(DecodeLine(kBunaSjis), "ブナ");
  EXPECT_EQ(DecodeLine("ブナ"), "ブナ");
  EXPECT_EQ(DecodeLine("Fagus crenata"), "Fagus crenata");
}

TEST(EncodeForFile, WritesShiftJisUnlessACharacterWouldBeLost) {
  EXPECT_EQ(EncodeForFile("ブナ"), std::string(kBunaSjis));
  EXPECT_EQ(EncodeForFile("ブナ\xF0\x9F\x8C\xB2"), "ブナ\xF0\x9F\x8C\xB2");
  EXPECT_EQ(EncodeForFile("plain"), "plain");
}

TEST(EncodeForFile, EveryLineReadsBackAsWritten) {
  // Look-alikes the converter would substitute, and Shift-JIS lines that are also UTF-8:
  // each text must come back from its file line by line as it went in.
  const char* const texts[] = {
      "標高 500〜1000 m",
      "−5 m",
      "¥100",
      "£ ¢ ¬",
      "‖ —",  // substituted look-alikes
      "ﾄｳ",
      "ﾃｱ\r\nブナ",  // half-width pairs
      "辷輿",        // kanji whose bytes are UTF-8
      "ブナ\r\nﾐｽﾞﾅﾗ\r\n35.6,139.7",
  };
  for (const char* text : texts) {
    const std::string file = EncodeForFile(text);
    std::string back;
    std::string_view rest = file;
    while (true) {
      const size_t end = rest.find_first_of("\r\n");
      back += DecodeLine(rest.substr(0, end));
      if (end == std::string_view::npos) break;
      back += rest[end];
      rest.remove_prefix(end + 1);
    }
    EXPECT_EQ(back, text);
  }
  // Texts Shift-JIS holds without doubt stay Shift-JIS.
  EXPECT_EQ(EncodeForFile("ﾐｽﾞﾅﾗ"), "\xD0\xBD\xDE\xC5\xD7");
}

}  // namespace
}  // namespace core
