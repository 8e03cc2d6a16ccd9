#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <thread>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/Errors.h"
#include "core/SaveFile.h"

namespace core {
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

namespace fs = std::filesystem;

fs::path Fresh(const char* name) {
  const fs::path dir = fs::path(testing::TempDir()) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(SaveFileAtomically, FollowsLinksKeepsPermissionsAndWritesPipesDirectly) {
  const fs::path dir = Fresh("save-kinds");
  // A link keeps its place and the file it points to gets the bytes.
  std::ofstream(dir / "real.png") << "old";
  fs::create_symlink("real.png", dir / "link.png");
  SaveFileAtomically((dir / "link.png").string(), "new");
  EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
  EXPECT_EQ(Slurp(dir / "real.png"), "new");
  // A dangling link: the file is made where it points.
  fs::create_symlink("made.png", dir / "dangling.png");
  SaveFileAtomically((dir / "dangling.png").string(), "made");
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.png"));
  EXPECT_EQ(Slurp(dir / "made.png"), "made");
  // A replaced file keeps its permissions.
  fs::permissions(dir / "real.png",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  SaveFileAtomically((dir / "real.png").string(), "again");
  EXPECT_EQ(fs::status(dir / "real.png").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A FIFO is written, not replaced by a regular file.
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = Slurp(fifo); });
  SaveFileAtomically(fifo.string(), "through the pipe");
  reader.join();
  EXPECT_EQ(piped, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(fifo));
  // Standard output through its link in /proc, when it is a pipe.
  int ends[2] = {-1, -1};
  ASSERT_EQ(pipe(ends), 0);
  const std::string viaProc = "/proc/self/fd/" + std::to_string(ends[1]);
  SaveFileAtomically(viaProc, "to stdout");
  close(ends[1]);
  char got[16] = {};
  EXPECT_EQ(read(ends[0], got, sizeof got), 9);
  EXPECT_EQ(std::string(got, 9), "to stdout");
  close(ends[0]);
  // A character device too: the system's null device stays one.
  SaveFileAtomically("/dev/null", "nothing");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  // Nothing else is left in the folder.
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names,
            (std::set<std::string>{"real.png", "link.png", "dangling.png", "made.png", "pipe"}));
}

TEST(SaveFileAtomically, AFailedWriteGivesTheSystemsReasonAndLeavesTheOldFileWhole) {
  const fs::path dir = Fresh("save-full");
  const fs::path file = dir / "figure.png";
  std::ofstream(file, std::ios::binary) << "the old figure";
  // A full device, and a file size limit standing in for a full disk mid-write.
  try {
    SaveFileAtomically("/dev/full", "x");
    FAIL();
  } catch (const IoError& e) {
    EXPECT_STREQ(e.what(), "ディスクに空きがありません");
    EXPECT_EQ(e.Path(), "/dev/full");
  }
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string what;
  try {
    SaveFileAtomically(file.string(), std::string(1000, 'x'));
  } catch (const IoError& e) {
    what = e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(what, "ファイルが大きすぎます");
  EXPECT_EQ(Slurp(file), "the old figure");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  // Neither a socket nor a folder is replaced.
  EXPECT_THROW(SaveFileAtomically(dir.string(), "x"), IoError);
  EXPECT_TRUE(fs::is_directory(dir));
}

TEST(SameFile, ComparesFilesNotSpellings) {
  const fs::path dir = Fresh("same-file");
  std::ofstream(dir / "data.grd") << "x";
  std::ofstream(dir / "other.grd") << "x";
  fs::create_symlink("data.grd", dir / "alias.grd");
  fs::create_directories(dir / "sub");
  EXPECT_TRUE(SameFile((dir / "data.grd").string(), (dir / "alias.grd").string()));
  EXPECT_TRUE(SameFile((dir / "data.grd").string(), (dir / "sub" / ".." / "data.grd").string()));
  EXPECT_FALSE(SameFile((dir / "data.grd").string(), (dir / "other.grd").string()));
  EXPECT_FALSE(SameFile((dir / "data.grd").string(), (dir / "missing.grd").string()));
}

}  // namespace
}  // namespace core
