#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "core/Errors.h"
#include "core/FolderSave.h"
#include "tests/support/Files.h"

namespace core {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  return testsupport::ReadBytes(path);
}

fs::path Fresh(const std::string& suffix = "") {
  return testsupport::EmptyTestFolder("folder-save-", suffix);
}

std::set<std::string> Names(const fs::path& dir) {
  return testsupport::FileNames(dir);
}

const FolderSave::Swap kSwaps[] = {FolderSave::Swap::Exchange, FolderSave::Swap::Rename};

TEST(FolderSave, ReplacesFilesInPlaceAndRefusesALink) {
  for (const FolderSave::Swap swap : kSwaps) {
    const fs::path dir = Fresh(swap == FolderSave::Swap::Exchange ? "-x" : "-r");
    const fs::path out = dir / "out";
    fs::create_directories(out);
    std::ofstream(out / "A.grd") << "old A";
    fs::permissions(out / "A.grd", fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(dir / "victim.txt") << "victim";
    fs::create_symlink("../victim.txt", out / "B.grd");

    FolderSave save(out.string(), swap);
    EXPECT_TRUE(save.Check("A.grd").exists);
    EXPECT_THROW(save.Check("B.grd"), IoError);
    EXPECT_THROW(save.Add("B.grd", "new B"), IoError);
    EXPECT_FALSE(save.Check("C.grd").exists);
    save.Add("A.grd", "new A");
    save.Add("C.grd", "new C");
    EXPECT_EQ(Slurp(out / "A.grd"), "old A");  // nothing in place before the commit
    save.Commit();
    EXPECT_EQ(Slurp(out / "A.grd"), "new A");
    EXPECT_EQ(fs::status(out / "A.grd").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(fs::is_symlink(out / "B.grd"));
    EXPECT_EQ(Slurp(dir / "victim.txt"), "victim");
    EXPECT_EQ(Slurp(out / "C.grd"), "new C");
    EXPECT_EQ(Names(out), (std::set<std::string>{"A.grd", "B.grd", "C.grd"}));
  }
}

TEST(FolderSave, WhatCannotBeReplacedIsRefusedBeforeAnythingIsWritten) {
  const fs::path dir = Fresh();
  fs::create_directories(dir / "folder.grd");
  ASSERT_EQ(mkfifo((dir / "pipe.grd").c_str(), 0600), 0);
  FolderSave save(dir.string());
  for (const char* name : {"folder.grd", "pipe.grd", "", "..", "a/b.grd"}) {
    EXPECT_THROW(save.Check(name), IoError) << name;
    EXPECT_THROW(save.Add(name, "x"), IoError) << name;
  }
  EXPECT_TRUE(fs::is_fifo(dir / "pipe.grd"));
  EXPECT_EQ(Names(dir), (std::set<std::string>{"folder.grd", "pipe.grd"}));
  // A folder is made where none is; a file where the folder should be is refused.
  const fs::path made = dir / "new" / "deeper";
  FolderSave(made.string()).Commit();
  EXPECT_TRUE(fs::is_directory(made));
  std::ofstream(dir / "file") << "x";
  EXPECT_THROW(FolderSave((dir / "file").string()), IoError);
}

TEST(FolderSave, AFailedRenamePutsBackWhatWasReplaced) {
  for (const FolderSave::Swap swap : kSwaps) {
    const fs::path dir = Fresh(swap == FolderSave::Swap::Exchange ? "-x" : "-r");
    std::ofstream(dir / "A.grd") << "old A";
    std::ofstream(dir / "B.grd") << "old B";
    {
      FolderSave save(dir.string(), swap);
      save.Add("A.grd", "new A");
      save.Add("new.grd", "new");
      save.Add("B.grd", "new B");
      save.Add("C.grd", "new C");
      // Between the check and the commit, something takes names the save counted on.
      fs::remove(dir / "B.grd");
      fs::create_directories(dir / "B.grd" / "inside");
      try {
        save.Commit();
        FAIL() << "committed over a folder";
      } catch (const IoError& error) {
        EXPECT_EQ(error.Path(), (dir / "B.grd").string());
      }
    }
    EXPECT_EQ(Slurp(dir / "A.grd"), "old A");
    EXPECT_TRUE(fs::is_directory(dir / "B.grd" / "inside"));
    EXPECT_EQ(Names(dir), (std::set<std::string>{"A.grd", "B.grd"}));
  }
}

TEST(FolderSave, AnUnfinishedSaveLeavesNoTemporaries) {
  const fs::path dir = Fresh();
  std::ofstream(dir / "A.grd") << "old A";
  {
    FolderSave save(dir.string());
    save.Add("A.grd", "new A");
    save.Add("B.grd", "new B");
  }
  EXPECT_EQ(Slurp(dir / "A.grd"), "old A");
  EXPECT_EQ(Names(dir), (std::set<std::string>{"A.grd"}));
}

}  // namespace
}  // namespace core
