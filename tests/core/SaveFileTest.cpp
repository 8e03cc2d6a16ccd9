#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/Errors.h"
#include "platform/text/SaveFile.h"

namespace platform {
namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SaveFileAtomically, WritesAndReplacesWholeFiles) {
  const auto path = std::filesystem::path(testing::TempDir()) / "save-test.grd";
  std::filesystem::remove(path);
  SaveFileAtomically(path.string(), std::string("first\r\n\0bytes", 14));
  EXPECT_EQ(Slurp(path), std::string("first\r\n\0bytes", 14));
  SaveFileAtomically(path.string(), "second");
  EXPECT_EQ(Slurp(path), "second");
  // Nothing of the temporary file is left beside it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
    files += entry.path().filename().string().starts_with("save-test.grd") ? 1 : 0;
  }
  EXPECT_EQ(files, 1);
}

TEST(SaveFileAtomically, FailureRaisesTheMessageAndKeepsWhatWasThere) {
  const auto dir = std::filesystem::path(testing::TempDir()) / "save-test-dir";
  std::filesystem::create_directories(dir);
  const auto inside = dir / "keep.txt";
  SaveFileAtomically(inside.string(), "kept");
  // A folder in place of the file, and a file in place of a folder: both refused.
  EXPECT_THROW(SaveFileAtomically(dir.string(), "x"), core::IoError);
  try {
    SaveFileAtomically((inside / "child.grd").string(), "x");
    FAIL();
  } catch (const core::IoError& e) {
    EXPECT_FALSE(std::string(e.what()).empty());
  }
  EXPECT_EQ(Slurp(inside), "kept");
  EXPECT_TRUE(std::filesystem::is_directory(dir));
}

}  // namespace
}  // namespace platform
