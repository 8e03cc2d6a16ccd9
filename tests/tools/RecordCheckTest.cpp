#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tools/check/RecordCheck.h"

namespace check {
namespace {

const std::string kSample = std::string(TARVO_TEST_DATA) + "/check-sample.grd";

struct CheckRun {
  int status;
  std::string out;
  std::string err;
};

CheckRun Check(const std::vector<std::string>& args, std::FILE* in = stdin) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = CheckMain(args, in, out, err);
  return {status, out.str(), err.str()};
}

TEST(RecordCheck, TellsLineByLineWhatEachProgramDoes) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{"--precision", "1", kSample},
       1,
       "1\tshort\t0\tコメント行\n"
       "2\theader\t1\tブナ (Fagus crenata)\n"
       "3\trecord\t1\t35.679166667\t139.768750000\t1250.000000000\n"
       "4\trecord\t1\t35.679166667\t139.768750000\t1250.000000000\n"
       "5\treject\t1\tメッシュコードの桁数がこの精度には足りません\n"
       "6\treject\t1\t倍メッシュのコードはこの精度では置けません\n"
       "7\tshort\t1\t空行\n"
       "8\theader\t2\tハイマツ\n"
       "9\terror\t2\t'35.6x' は浮動小数点数ではありません\n"
       "9\tstop\t2\t変換エラーのため、ここで読み込みを終えます\n"
       "records=2 rejected=2 errors=1 categories=2\n"},
      {{"--program", "conic", "--precision", "1", "--keep-going", kSample},
       1,
       "1\tshort\t0\tコメント行\n"
       "2\theader\t1\tブナ (Fagus crenata)\n"
       "3\trecord\t1\t35.679166667\t139.768750000\t1250.000000000\n"
       "4\trecord\t1\t35.679166667\t139.768750000\t1250.000000000\n"
       "5\treject\t1\tメッシュコードの桁数がこの精度には足りません\n"
       "6\treject\t1\t倍メッシュのコードはこの精度では置けません\n"
       "7\tshort\t1\t空行\n"
       "8\theader\t2\tハイマツ\n"
       "9\terror\t2\t'35.6x' は浮動小数点数ではありません\n"
       "9\tstop\t2\t変換エラーのため、ここで読み込みを終えます\n"
       "10\theader\t3\t 35.3606,138.7274,3776\n"  // a leading blank makes a header here
       "11\treject\t3\tメッシュコードの桁数がこの精度には足りません\n"
       "records=2 rejected=3 errors=1 categories=3\n"},
      {{"--program", "chart", "--precision", "1", kSample},
       1,
       "1\tshort\t0\tコメント行\n"
       "2\theader\t1\tブナ (Fagus crenata)\n"
       "3\trecord\t1\t35.679166667\t139.768750000\t1250.000000000\n"
       "4\trecord\t1\t35.679166667\t139.768750000\t1250.000000000\n"
       "5\tshort\t1\t短い行\n"
       "6\treject\t1\t倍メッシュのコードはこの精度では置けません\n"
       "7\tshort\t1\t空行\n"
       "8\theader\t2\tハイマツ\n"
       "9\terror\t2\t'35.6x' は浮動小数点数ではありません\n"
       "10\trecord\t2\t35.362500000\t138.731250000\t3750.000000000\n"
       "11\treject\t2\tメッシュコードの桁数がこの精度には足りません\n"
       "records=3 rejected=2 errors=1 categories=2\n"},
  };
  for (const auto& c : cases) {
    const CheckRun run = Check(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
  }
}

TEST(RecordCheck, StopsAtTheHeaderBeyondTheLimitAndWarnsAboutOddCodes) {
  std::string text;
  for (int i = 1; i <= 7; ++i)
    text += "Category " + std::to_string(i) + "\n5339461\n";
  text += "5339861\n";
  std::FILE* in = fmemopen(text.data(), text.size(), "r");
  ASSERT_NE(in, nullptr);
  const CheckRun run = Check({"--program", "chart", "--precision", "5", "--keep-going", "-"}, in);
  std::fclose(in);
  EXPECT_EQ(run.status, 0);
  std::istringstream rows(run.out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(rows, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[11], "12\trecord\t6\t35.687500000\t139.781250000\t8888.000000000");
  EXPECT_EQ(lines[12], "13\tstop\t7\tカテゴリは6つまでなので、ここで読み込みを終えます");
  EXPECT_EQ(lines[13].substr(0, 12), "14\trecord\t7\t");
  EXPECT_NE(lines[14].find("5・6桁目が8か9です"), std::string::npos) << lines[14];
  EXPECT_EQ(lines[15], "records=8 rejected=0 errors=0 categories=6");

  // Without --keep-going the stop row is the last row.
  std::FILE* again = fmemopen(text.data(), text.size(), "r");
  const CheckRun stopped = Check({"--program", "chart", "--precision", "5", "-"}, again);
  std::fclose(again);
  EXPECT_NE(stopped.out.find("13\tstop\t7\t"), std::string::npos);
  EXPECT_EQ(stopped.out.find("14\t"), std::string::npos);
}

TEST(RecordCheck, RefusesBadUsageAndUnreadableFiles) {
  const std::vector<std::vector<std::string>> usage = {
      {},
      {"--precision", "12", kSample},  // the conic program has no half mesh
      {"--precision", "3", kSample},
      {"--precision"},
      {"--program", "lambert", kSample},
      {"--colour", kSample},
      {kSample, kSample},
  };
  for (const auto& args : usage) {
    const CheckRun run = Check(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("使い方"), std::string::npos);
  }
  EXPECT_EQ(Check({"--program", "chart", "--precision", "12", kSample}).status, 1);

  const CheckRun missing = Check({"/nonexistent/zo.grd"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "tarvo-check: /nonexistent/zo.grd: ファイルが見つかりません\n");

  const CheckRun help = Check({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--keep-going"), std::string::npos);
}

}  // namespace
}  // namespace check
