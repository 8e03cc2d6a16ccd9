#include <gtest/gtest.h>

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
