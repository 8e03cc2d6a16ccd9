#pragma once
// Files and folders of the tests, without the toolkit: what every suite may use.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/TextCodec.h"

namespace testsupport {

/// The lines of a written distribution data file (CR LF ends), decoded as the programs
/// load them.
inline std::vector<std::string> GrdLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(core::DecodeLine(bytes.substr(start, end - start)));
  return lines;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

/// An empty folder of the running test's own, named `prefix` and the test, with a "bin"
/// folder inside to play the program's folder.
inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const auto root = std::filesystem::path(testing::TempDir()) / (prefix + info->name());
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "bin");
  return root;
}

/// An empty folder of the running test's own, named `prefix`, the test and `suffix`.
inline std::filesystem::path EmptyTestFolder(const std::string& prefix,
                                             const std::string& suffix = "") {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const auto dir = std::filesystem::path(testing::TempDir()) / (prefix + info->name() + suffix);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

/// The names of what a folder holds.
inline std::set<std::string> FileNames(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

}  // namespace testsupport
