#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/TextFile.h"

namespace core {
namespace {

std::vector<std::string> AllLines(LineReader reader) {
  std::vector<std::string> lines;
  std::string line;
  while (reader.Next(line))
    lines.push_back(line);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, EndsLinesAtCrLfLfAndCr) {
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}}, {"a\r\n", {"a"}},   {"", {}}, {"\n\n", {"", ""}},
      {"\r\n\r\nx", {"", "", "x"}},           {"last", {"last"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AllLines(LineReader::FromText(c.text)), c.lines) << c.text;
}

TEST(LineReader, ReadsLongFilesAcrossItsBufferWithNumbers) {
  const auto path = std::filesystem::path(testing::TempDir()) / "long.txt";
  // The CR LF straddles the reader's 64 KiB chunk, and the lines after it are numbered on.
  const std::string first(65535, 'x');
  std::ofstream(path, std::ios::binary) << first << "\r\ny\nz";
  LineReader reader = LineReader::Open(path.string());
  std::string line;
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, first);
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "y");
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(reader.LineNumber(), 3);
  EXPECT_FALSE(reader.Next(line));
}

// Reads through a stream in chunks of every small size, so that each line end, CR LF pair
// and byte-order mark falls across a chunk boundary somewhere.
std::vector<std::string> LinesInChunks(const std::string& text, size_t chunk) {
  std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  EXPECT_NE(stream, nullptr);
  std::vector<std::string> lines = AllLines(LineReader::FromStream(stream, "mem", chunk));
  std::fclose(stream);
  return lines;
}

TEST(LineReader, DropsALeadingByteOrderMarkOnly) {
  const std::string bom = "\xEF\xBB\xBF";
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {bom + "ブナ\r\n35.6,139.7\r\n", {"ブナ", "35.6,139.7"}},
      {bom, {}},
      {bom + "\r\nx", {"", "x"}},
      {"a\r\n" + bom + "b", {"a", bom + "b"}},  // inside the file it is data
      {"\xEF\xBB", {"\xEF\xBB"}},               // half a mark is data too
      {"a\r\nb\rc\n\r\n", {"a", "b", "c", ""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AllLines(LineReader::FromText(c.text)), c.lines) << c.text;
    for (size_t chunk = 1; chunk <= 5; ++chunk)
      EXPECT_EQ(LinesInChunks(c.text, chunk), c.lines) << c.text << " chunk " << chunk;
  }
}

TEST(LineReader, RefusesUtf16) {
  for (const std::string& text : {std::string("\xFF\xFE"
                                              "a\0\r\0\n\0",
                                              8),
                                  std::string("\xFE\xFF\0a", 4)}) {
    LineReader reader = LineReader::FromText(text);
    std::string line;
    try {
      reader.Next(line);
      FAIL();
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("UTF-16"), std::string::npos);
    }
  }
}

TEST(LineReader, RefusesALineLongerThanTheCapInBoundedMemory) {
  // Exactly at the cap is still a line; one byte more is an error naming the line, and an
  // endless line is given up after the cap rather than read to its end.
  const std::string atCap(kMaxLineBytes, 'x');
  EXPECT_EQ(AllLines(LineReader::FromText("a\n" + atCap + "\nb")), (Lines{"a", atCap, "b"}));
  for (const std::string& text : {"a\n" + atCap + "y\nb", "a\n" + atCap + "y"}) {
    LineReader reader = LineReader::FromText(text);
    std::string line;
    ASSERT_TRUE(reader.Next(line));
    try {
      reader.Next(line);
      FAIL();
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()), "2 行目が長すぎます（一行は 64 KiB までです）");
    }
  }
  std::FILE* zero = std::fopen("/dev/zero", "rb");
  ASSERT_NE(zero, nullptr);
  LineReader endless = LineReader::FromStream(zero, "/dev/zero");
  std::string line;
  EXPECT_THROW(endless.Next(line), IoError);
  std::fclose(zero);
}

TEST(LineReader, ReportsFilesThatCannotBeOpened) {
  const auto missing = std::filesystem::path(testing::TempDir()) / "no-such-file.grd";
  try {
    LineReader::Open(missing.string());
    FAIL();
  } catch (const IoError& e) {
    EXPECT_STREQ(e.what(), "ファイルが見つかりません");
    EXPECT_EQ(e.Path(), missing.string());
  }
  EXPECT_THROW(LineReader::Open(testing::TempDir()), IoError);
}

}  // namespace
}  // namespace core
