#include <gtest/gtest.h>

#include <fstream>

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
       "records=2 rejected=2 errors=1 categories=2 notes=0 not_drawn=4\n"},
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
       "records=2 rejected=3 errors=1 categories=3 notes=0 not_drawn=4\n"},
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
       "records=3 rejected=2 errors=1 categories=2 notes=0 not_drawn=3\n"},
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
  EXPECT_EQ(run.status, 1);  // the two records after the seventh header are not drawn
  std::istringstream rows(run.out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(rows, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[11], "12\trecord\t6\t35.687500000\t139.781250000\t8888.000000000");
  EXPECT_EQ(lines[12], "13\tstop\t7\tカテゴリは6つまでなので、ここで読み込みを終えます");
  EXPECT_EQ(lines[13].substr(0, 12), "14\trecord\t7\t");
  EXPECT_NE(lines[14].find("5・6桁目が8か9です"), std::string::npos) << lines[14];
  EXPECT_EQ(lines[15].substr(0, 10), "15\tnote\t0\t") << lines[15];
  EXPECT_EQ(lines[16], "records=8 rejected=0 errors=0 categories=6 notes=1 not_drawn=2");

  // Without --keep-going the stop row is the last row.
  std::FILE* again = fmemopen(text.data(), text.size(), "r");
  const CheckRun stopped = Check({"--program", "chart", "--precision", "5", "-"}, again);
  std::fclose(again);
  EXPECT_NE(stopped.out.find("13\tstop\t7\t"), std::string::npos);
  EXPECT_EQ(stopped.out.find("14\t"), std::string::npos);
}

TEST(RecordCheck, NotesWhatTheFigureWillNotShow) {
  const std::string kOver = "断面図の上端 3800 m を超えるので、平面図だけに描かれます";
  const std::string kOverDefault =
      "断面図の上端（既定値 3800 m）を超えるので、平面図だけに描かれます";
  const std::string kBelow = "断面図の下端 0 m より低いので、断面図では基線上に描かれます";
  const std::string kSpreadsheet = "表計算ソフトで数値に変わった指数表記のようです。";
  const std::string kLost = " 桁しか残っていないので、元の資料からコードを写し直してください";
  const std::string kSeparated = "区切りの入ったメッシュコードのようです。おそらく ";
  const std::string kNoAltitude = "件あり、断面図には描かれず平面図だけに描かれます";
  const std::string kTooShort = "メッシュコードの桁数がこの精度には足りません";
  const std::string kStop = "変換エラーのため、ここで読み込みを終えます";
  const std::string kAt = "35.679166667\t139.768750000\t";
  const std::string kImplausible =
      "標高 4550 m は日本の最高点（3776 m）より高く、本当の標高ではなさそうです";
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string text;
    int status;
    std::vector<std::string> rows;
  } cases[] = {
      {"altitudes the profiles of the conic program cannot show",
       {"--precision", "1", "-"},
       "Fagus\n"
       "35.6789,139.7654,3800\n"  // the middle of its 100 m band lies above the top
       "35.6789,139.7654,-150\n"
       "53394611.37\n"
       "53394611.45 ;x\n",
       0,
       {
           "1\theader\t1\tFagus",
           "2\trecord\t1\t" + kAt + "3850.000000000",
           "2\tnote\t1\t標高 3850 m は" + kOver,
           "3\trecord\t1\t" + kAt + "-50.000000000",
           "3\tnote\t1\t標高 -50 m は" + kBelow,
           "4\trecord\t1\t" + kAt + "3750.000000000",
           "5\trecord\t1\t" + kAt + "4550.000000000",
           "5\tnote\t1\t" + kImplausible + "（フィートで書いた値なら 1386.8 m）",
           "5\tnote\t1\t標高 4550 m は" + kOver,
           "records=4 rejected=0 errors=0 categories=1 notes=4 not_drawn=0",
       }},
      {"the profiles' edges at exact coordinates",
       {"--precision", "0", "-"},
       "Fagus\n"
       "35.6789,139.7654,3800\n"
       "35.6789,139.7654,3800.5\n"
       "35.6789,139.7654,0\n"
       "35.6789,139.7654,-0.5\n",
       0,
       {
           "1\theader\t1\tFagus",
           "2\trecord\t1\t35.678900000\t139.765400000\t3800.000000000",
           "3\trecord\t1\t35.678900000\t139.765400000\t3800.500000000",
           "3\tnote\t1\t標高 3800.5 m は日本の最高点（3776 m）より高く、本当の標高ではなさそうです"
           "（フィートで書いた値なら 1158.4 m）",
           "3\tnote\t1\t標高 3800.5 m は" + kOver,
           "4\trecord\t1\t35.678900000\t139.765400000\t0.000000000",
           "5\trecord\t1\t35.678900000\t139.765400000\t-0.500000000",
           "5\tnote\t1\t標高 -0.5 m は" + kBelow,
           "records=4 rejected=0 errors=0 categories=1 notes=3 not_drawn=0",
       }},
      {"the chart program's profiles, whose top is a setting",
       {"--program", "chart", "--precision", "1", "-"},
       "Fagus crenata\n"
       "53394611.45\n"
       "35.6789,139.7654,-150\n",
       0,
       {
           "1\theader\t1\tFagus crenata",
           "2\trecord\t1\t" + kAt + "4550.000000000",
           "2\tnote\t1\t" + kImplausible + "（フィートで書いた値なら 1386.8 m）",
           "2\tnote\t1\t標高 4550 m は" + kOverDefault,
           "3\trecord\t1\t" + kAt + "-50.000000000",
           "3\tnote\t1\t標高 -50 m は断面図の下端 0 m より低いので、断面図の範囲の外になります",
           "records=2 rejected=0 errors=0 categories=1 notes=3 not_drawn=0",
       }},
      {"codes in a spreadsheet's exponent notation; the note comes before the stop",
       {"--precision", "1", "-"},
       "Fagus\n"
       "5.53750131E8\n"
       "5.44E+08\n"
       "5.339461112e7\n"
       "1.25E3\n"  // too short a number to be a code
       "5.4E+08\n",
       1,
       {
           "1\theader\t1\tFagus",
           "2\treject\t1\t" + kTooShort,
           "2\tnote\t1\t" + kSpreadsheet + "元のコードはおそらく 553750131 です",
           "3\treject\t1\t" + kTooShort,
           "3\tnote\t1\t" + kSpreadsheet + "9 桁のコードのうち上の 3" + kLost,
           "4\treject\t1\t" + kTooShort,
           "4\tnote\t1\t" + kSpreadsheet + "元の記録はおそらく 53394611.12 です",
           "5\treject\t1\t" + kTooShort,
           "6\terror\t1\t'4E' は整数ではありません",
           "6\tnote\t1\t" + kSpreadsheet + "9 桁のコードのうち上の 2" + kLost,
           "6\tstop\t1\t" + kStop,
           "records=0 rejected=4 errors=1 categories=1 notes=4 not_drawn=5",
       }},
      {"codes written in parts, in Shift-JIS too",
       {"--precision", "1", "--keep-going", "-"},
       "Fagus\n"
       "6441-0455\n"
       "5339 46 11.12\n"
       "5339\x81\x7c"
       "4611\n"         // a full-width dash
       "53394611 12\n"  // the altitude's point forgotten, not a code in parts
       "2025-01-01\n",
       1,
       {
           "1\theader\t1\tFagus",
           "2\terror\t1\t'-' は整数ではありません",
           "2\tnote\t1\t" + kSeparated + "64410455 のことです",
           "2\tstop\t1\t" + kStop,
           "3\terror\t1\t' ' は整数ではありません",
           "3\tnote\t1\t" + kSeparated + "53394611.12 のことです",
           "4\terror\t1\t'－' は整数ではありません",
           "4\tnote\t1\t" + kSeparated + "53394611 のことです",
           "5\terror\t1\t' ' は整数ではありません",
           "6\terror\t1\t'-' は整数ではありません",
           "records=0 rejected=0 errors=5 categories=1 notes=3 not_drawn=5",
       }},
      {"a code in parts that the chart program places by its first parts",
       {"--program", "chart", "--precision", "10", "-"},
       "Fagus crenata\n"
       "533946-11.45\n",
       0,
       {
           "1\theader\t1\tFagus crenata",
           "2\trecord\t1\t35.708333333\t139.812500000\t4550.000000000\t"
           "注意: 標準（JIS X 0410）にないコードです（数字以外の文字があります）",
           "2\tnote\t1\t" + kSeparated + "53394611.45 のことです",
           "2\tnote\t1\t" + kImplausible + "（フィートで書いた値なら 1386.8 m）",
           "2\tnote\t1\t標高 4550 m は" + kOverDefault,
           "records=1 rejected=0 errors=0 categories=1 notes=3 not_drawn=0",
       }},
      {"records without altitude, counted once on the last line",
       {"--program", "chart", "--precision", "1", "-"},
       "Category 1\n"
       "53394611\n"
       "53394611.12\n"
       "Category 2\n"
       "Category 3\n"
       "35.6789,139.7654\n"
       "53394611\n"
       ";a comment\n",
       0,
       {
           "1\theader\t1\tCategory 1",
           "2\trecord\t1\t" + kAt + "8888.000000000",
           "3\trecord\t1\t" + kAt + "1250.000000000",
           "4\theader\t2\tCategory 2",
           "5\theader\t3\tCategory 3",
           "6\trecord\t3\t" + kAt + "8888.000000000",
           "7\trecord\t3\t" + kAt + "8888.000000000",
           "8\tshort\t3\tコメント行",
           "8\tnote\t0\t標高のない記録が 3 " + kNoAltitude + "（カテゴリ1: 1 件、カテゴリ3: 2 件）",
           "records=4 rejected=0 errors=0 categories=3 notes=1 not_drawn=0",
       }},
      {"records without altitude up to where the reading stops",
       {"--precision", "1", "-"},
       "Fagus\n"
       "53394611\n"
       "35.6x,139.7\n"
       "53394611\n",
       1,
       {
           "1\theader\t1\tFagus",
           "2\trecord\t1\t" + kAt + "8888.000000000",
           "3\terror\t1\t'35.6x' は浮動小数点数ではありません",
           "3\tstop\t1\t" + kStop,
           "3\tnote\t0\t標高のない記録が 1 " + kNoAltitude + "（カテゴリ1: 1 件）",
           "records=1 rejected=0 errors=1 categories=1 notes=1 not_drawn=2",
       }},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    std::FILE* in = fmemopen(text.data(), text.size(), "r");
    ASSERT_NE(in, nullptr);
    const CheckRun run = Check(c.args, in);
    std::fclose(in);
    std::string out;
    for (const std::string& row : c.rows)
      out += row + '\n';
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, out) << c.what;
  }
}

// The exit status is what a shell loop over many files sees: a file whose figure would lack
// records fails; notes fail only with --strict, and the closing count of records without
// altitude never does.
TEST(RecordCheck, TheExitStatusSaysWhetherEveryRecordIsDrawn) {
  const struct {
    const char* what;
    std::string text;
    int status;
    int strictStatus;
  } cases[] = {
      {"every record drawn", "Fagus\n35.0,136.0,1200\n53394611\n", 0, 0},
      {"every record outside the map", "Fagus\n10.0,100.0\n10.1,100.1\n", 1, 1},
      {"a record before the first header", "35.0,136.0\nFagus\n", 1, 1},
      {"feet written as metres", "Fagus\n35.0,136.0,12385\n", 0, 1},
      {"a no-data code", "Fagus\n35.0,136.0,-9999\n", 0, 1},
      {"a record after the sixth header",
       "A\n35,136\nB\n35,136\nC\n35,136\nD\n35,136\nE\n35,136\nF\n35,136\n", 1, 1},
  };
  for (const auto& c : cases) {
    for (const bool strict : {false, true}) {
      std::string text = c.text;
      std::FILE* in = fmemopen(text.data(), text.size(), "r");
      ASSERT_NE(in, nullptr);
      std::vector<std::string> args = {"--precision", "1", "-"};
      if (strict) args.insert(args.begin(), "--strict");
      const CheckRun run = Check(args, in);
      std::fclose(in);
      EXPECT_EQ(run.status, strict ? c.strictStatus : c.status)
          << c.what << (strict ? " (strict)" : "");
    }
  }
  // The notes name what is wrong with the value as written, before the precision bands it.
  std::string text = "Fagus\n35.0,136.0,-9999\n35.0,136.0,12385\n";
  std::FILE* in = fmemopen(text.data(), text.size(), "r");
  const CheckRun run = Check({"--precision", "1", "-"}, in);
  std::fclose(in);
  EXPECT_NE(run.out.find("2\tnote\t1\t標高 -9999 m は「値なし」"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("3\tnote\t1\t標高 12385 m は日本の最高点"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("フィートで書いた値なら 3774.9 m"), std::string::npos) << run.out;
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

TEST(RecordCheck, FailedWritesAndEndlessInputsExitTwo) {
  // A full disk under the report: status 2 and the system's reason, never a quiet 0.
  std::ofstream full("/dev/full");
  std::ostringstream err;
  EXPECT_EQ(CheckMain({kSample}, stdin, full, err), 2);
  EXPECT_NE(err.str().find("結果を書き込めません"), std::string::npos) << err.str();

  // An endless line is given up at the line cap, with its number, in bounded memory.
  const CheckRun zeros = Check({"/dev/zero"});
  EXPECT_EQ(zeros.status, 2);
  EXPECT_EQ(zeros.err, "tarvo-check: /dev/zero: 1 行目が長すぎます（一行は 64 KiB までです）\n");
}

}  // namespace
}  // namespace check
