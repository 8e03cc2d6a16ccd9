// How the import reads its table and writes its files when the input or the output
// folder is not what it should be.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/TextCodec.h"
#include "tests/support/Files.h"
#include "tests/support/ToolRuns.h"
#include "tools/import/ImportMain.h"

namespace tableimport {
namespace {

using testsupport::GrdLines;

namespace fs = std::filesystem;

const std::string kData = std::string(TARVO_TEST_DATA) + "/import/";

using ImportRun = testsupport::ToolRun;
using testsupport::Import;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

fs::path Fresh() {
  return testsupport::EmptyTestFolder("import-writes-");
}

std::set<std::string> Names(const fs::path& dir) {
  return testsupport::FileNames(dir);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ImportWrites, AStrayByteGarblesNoNameAndSpoilsOnlyItsRow) {
  // A UTF-8 table with a Latin-1 byte in a column not used and one in a Japanese name:
  // the names stay Japanese, and the row with the bad name is told, not written garbled.
  const fs::path dir = Fresh();
  std::string table = kData + "stray-byte.csv";
  ImportRun run = Import({table, "--split-by", "和名", "--out-dir", dir.string()});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(Names(dir), (std::set<std::string>{"ブナ.grd", "ハイマツ.grd", "シラビソ.grd"}));
  EXPECT_EQ(GrdLines(ReadBytes(dir / "ハイマツ.grd")),
            (std::vector<std::string>{"ハイマツ", "36.5767,137.6197"}));
  EXPECT_TRUE(Has(run.err, table + ":5: 書かない: 列「和名」の値「オオシラビ\xEF\xBF\xBDソ」に "
                                   "UTF-8 の文字として読めないバイト"))
      << run.err;
  EXPECT_FALSE(Has(run.err, "Shift-JIS")) << run.err;

  // With Japanese headings, the stray byte in a note no longer hides the columns.
  table = kData + "stray-byte-ja.csv";
  run = Import({table});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(GrdLines(run.out),
            (std::vector<std::string>{"ブナ", "35.3606,138.7274,1450", "ハイマツ",
                                      "36.5767,137.6197,2450", "ダケカンバ", "36.1,138.2,2000"}));

  // A stray byte in a heading is told as what it is.
  WriteBytes(dir / "heading.csv", "学名,緯\xE5度,経度\nブナ,35,139\n");
  run = Import({(dir / "heading.csv").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run.err, "見出しの行が読めません: 2 列目の見出し「緯\xEF\xBF\xBD度」に UTF-8"))
      << run.err;
}

// A table of three taxa, the third with many records.
std::string ThreeTaxa() {
  std::string table = "name,lat,lon\nA,35.5,139.25\nB,35.5,139.5\n";
  for (int i = 0; i < 100; ++i)
    table += "C,35." + std::to_string(100 + i) + ",139.75\n";
  return table;
}

TEST(ImportWrites, ASplitIsWrittenWhollyOrNotAtAll) {
  const fs::path dir = Fresh();
  WriteBytes(dir / "t.csv", ThreeTaxa());
  const fs::path out = dir / "out";
  auto prepare = [&] {
    fs::remove_all(out);
    fs::create_directories(out);
    WriteBytes(out / "A.grd", "old A");
    WriteBytes(out / "B.grd", "old B");
  };
  const std::vector<std::string> args = {(dir / "t.csv").string(), "--split-by", "name",
                                         "--out-dir", out.string()};

  // A folder where the last file goes: refused before anything is written.
  prepare();
  fs::create_directories(out / "C.grd");
  ImportRun run = Import(args);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run.err, (out / "C.grd").string() + ": 同じ名前のフォルダ")) << run.err;
  EXPECT_EQ(ReadBytes(out / "A.grd"), "old A");
  EXPECT_EQ(Names(out), (std::set<std::string>{"A.grd", "B.grd", "C.grd"}));

  // The disk fills up at the last file (a file size limit stands in for it).
  prepare();
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 500;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  run = Import(args);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run.err, (out / "C.grd").string() + ": ファイルが大きすぎます")) << run.err;
  EXPECT_EQ(ReadBytes(out / "A.grd"), "old A");
  EXPECT_EQ(ReadBytes(out / "B.grd"), "old B");
  EXPECT_EQ(Names(out), (std::set<std::string>{"A.grd", "B.grd"}));

  // Room enough: all three in place, nothing else left.
  prepare();
  run = Import(args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(GrdLines(ReadBytes(out / "A.grd")),
            (std::vector<std::string>{"name: A", "35.5,139.25"}));
  EXPECT_EQ(Names(out), (std::set<std::string>{"A.grd", "B.grd", "C.grd"}));
}

TEST(ImportWrites, ALinkInTheOutputFolderIsNeitherFollowedNorReplaced) {
  const fs::path dir = Fresh();
  WriteBytes(dir / "t.csv", "name,lat,lon\nA,35.5,139.25\n");
  WriteBytes(dir / "victim.txt", "victim");
  fs::create_directories(dir / "planted");
  fs::create_symlink("../victim.txt", dir / "planted" / "A.grd");
  ImportRun run = Import(
      {(dir / "t.csv").string(), "--split-by", "name", "--out-dir", (dir / "planted").string()});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(ReadBytes(dir / "victim.txt"), "victim");
  EXPECT_TRUE(fs::is_symlink(dir / "planted" / "A.grd"));
  EXPECT_TRUE(Has(run.err, "A.grd: シンボリックリンクなので")) << run.err;

  // A link the user names with -o is the user's choice, and is followed.
  fs::create_symlink("victim.txt", dir / "chosen.grd");
  run = Import({(dir / "t.csv").string(), "-o", (dir / "chosen.grd").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(dir / "chosen.grd"));
  EXPECT_EQ(GrdLines(ReadBytes(dir / "victim.txt")),
            (std::vector<std::string>{"name: A", "35.5,139.25"}));
}

TEST(ImportWrites, TheTableReadThroughStandardInputIsNeverWritten) {
  const fs::path dir = Fresh();
  const std::string text = "name,lat,lon\ntable,35.5,139.25\n";
  WriteBytes(dir / "table.grd", text);
  const std::vector<std::vector<std::string>> cases = {
      {"-", "-o", (dir / "table.grd").string()},
      {"-", "-o", (dir / "." / "table.grd").string()},
      {"-", "--split-by", "name", "--out-dir", dir.string()},
  };
  for (const auto& args : cases) {
    std::FILE* in = std::fopen((dir / "table.grd").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    const ImportRun run = Import(args, in);
    std::fclose(in);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_TRUE(Has(run.err, "読んでいる表そのものには書きません")) << run.err;
    EXPECT_EQ(ReadBytes(dir / "table.grd"), text);
    EXPECT_EQ(Names(dir), std::set<std::string>{"table.grd"});
  }
}

TEST(ImportWrites, AnEmptyNameIsAUsageError) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"t.csv", "-o", ""},
                                             {"t.csv", "--split-by", "name", "--out-dir", ""},
                                             {"t.csv", "--group", ""}}) {
    const ImportRun run = Import(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "の値が空です")) << run.err;
    EXPECT_TRUE(Has(run.err, "使い方"));
    EXPECT_EQ(run.out, "");
  }
}

// Where the descriptor `fd` of this process is in its file.
long long Position(int fd) {
  std::ifstream info("/proc/self/fdinfo/" + std::to_string(fd));
  for (std::string key; info >> key;) {
    long long value = 0;
    info >> value;
    if (key == "pos:") return value;
  }
  return -1;
}

TEST(ImportWrites, HugeAndShrinkingTablesEndWithAMessage) {
  // A sparse gigabyte with no line end: refused for its first line, not read whole.
  const fs::path dir = Fresh();
  const fs::path sparse = dir / "sparse.csv";
  WriteBytes(sparse, "");
  fs::resize_file(sparse, std::uintmax_t{1} << 30);
  ImportRun run = Import({sparse.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run.err, "見出しの行が読めません: 行が長すぎます")) << run.err;

  // A table cut short while it is read, here through standard input.
  const fs::path table = dir / "shrinking.csv";
  WriteBytes(table, "name,lat,lon\n");
  fs::resize_file(table, std::uintmax_t{64} << 30);
  std::FILE* in = std::fopen(table.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  std::thread importing([&] { run = Import({"-", "-o", (dir / "out.grd").string()}, in); });
  for (int i = 0; i < 6000 && Position(fileno(in)) < (4 << 20); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  fs::resize_file(table, 100);
  importing.join();
  std::fclose(in);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run.err, "表を読んでいる間にファイルが短くなりました")) << run.err;
  EXPECT_FALSE(fs::exists(dir / "out.grd"));
}

}  // namespace
}  // namespace tableimport
