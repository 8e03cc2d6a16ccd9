#include "tools/check/RecordCheck.h"

#include <cstdio>
#include <stdexcept>

#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/MeshCode.h"
#include "core/TextFile.h"

namespace check {

namespace {

using core::LineOutcome;
using core::Program;

std::string Fixed9(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.9f", value);
  return buffer;
}

std::string ShortDetail(const std::string& raw, std::string_view kept) {
  if (raw.empty()) return "空行";
  if (raw.find(';') != std::string::npos && kept.find_first_not_of(" \t") == std::string::npos) {
    return "コメント行";
  }
  return "短い行";
}

}  // namespace

std::string CheckUsage() {
  return "使い方: tarvo-check [--program conic|chart] [--precision 0|1|2|5|10|12] "
         "[--keep-going] FILE|-\n"
         "  分布データファイルを一行ずつ調べ、プログラムがその行をどう扱うかを表示します。\n"
         "  --program     conic（Tarvo_L、既定）か chart（Tarvo）の読み方\n"
         "  --precision   プロット精度: 0 座標そのまま, 1 基準メッシュ, 2 倍メッシュ,\n"
         "                5 5倍メッシュ, 10 二次メッシュ（既定）, 12 半メッシュ（chart のみ）\n"
         "  --keep-going  読み込みが終わる行の後も調べ続ける\n"
         "  FILE          調べるファイル（- で標準入力）\n";
}

CheckOptions ParseCheckArgs(const std::vector<std::string>& args) {
  CheckOptions options;
  bool haveFile = false;
  std::string precisionText;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const std::string& name) -> std::string {
      if (i + 1 >= args.size()) throw std::invalid_argument(name + " の値がありません");
      return args[++i];
    };
    if (arg == "--program") {
      const std::string program = value(arg);
      if (program == "conic") {
        options.program = Program::Conic;
      } else if (program == "chart") {
        options.program = Program::Chart;
      } else {
        throw std::invalid_argument("--program は conic か chart です: " + program);
      }
    } else if (arg == "--precision") {
      precisionText = value(arg);
    } else if (arg == "--keep-going") {
      options.keepGoing = true;
    } else if (arg.size() > 1 && arg.front() == '-') {
      throw std::invalid_argument("知らないオプションです: " + arg);
    } else if (haveFile) {
      throw std::invalid_argument("ファイルは一つだけ指定してください");
    } else {
      options.file = arg;
      haveFile = true;
    }
  }
  if (!haveFile) throw std::invalid_argument("ファイルを指定してください");
  if (!precisionText.empty()) {
    const char* const known[] = {"0", "1", "2", "5", "10", "12"};
    bool ok = false;
    for (const char* k : known)
      ok = ok || precisionText == k;
    if (ok) options.gridSize = std::stoi(precisionText);
    if (!ok || !core::IsGridSizeOffered(options.gridSize, options.program)) {
      throw std::invalid_argument("このプログラムにない精度です: " + precisionText);
    }
  }
  return options;
}

CheckTotals CheckRecords(core::LineReader& reader, const CheckOptions& options, std::ostream& out) {
  const Program program = options.program;
  std::optional<core::MapBounds> bounds;
  if (program == Program::Conic) bounds = core::kConicRegion;
  core::DistributionReader grd(program, options.gridSize, bounds);
  CheckTotals totals;
  bool stopped = false;
  std::string raw;

  while (reader.Next(raw)) {
    const int number = reader.LineNumber();
    auto row = [&](const char* kind, int category, const std::string& detail) {
      out << number << '\t' << kind << '\t' << category << '\t' << detail << '\n';
    };

    // The chart program reads its editor text, into which loading dropped comment lines.
    std::string editorLine;
    std::string_view line = raw;
    if (program == Program::Chart) {
      auto kept = core::EditorLineFromFile(raw);
      if (!kept) {
        row("short", grd.Categories(), "コメント行");
        continue;
      }
      editorLine = *std::move(kept);
      line = editorLine;
    }

    const LineOutcome outcome = grd.Feed(line);
    switch (outcome.kind) {
      case LineOutcome::Kind::Short:
        row("short", outcome.category,
            ShortDetail(raw, program == Program::Conic ? core::CutComment(raw) : line));
        break;
      case LineOutcome::Kind::Header:
        row("header", outcome.category, outcome.title);
        break;
      case LineOutcome::Kind::Record: {
        ++totals.records;
        std::string detail = Fixed9(outcome.pos.lat) + '\t' + Fixed9(outcome.pos.lon) + '\t' +
                             Fixed9(outcome.pos.alt);
        if (outcome.meshRecord) {
          const std::string warning = core::NonStandardMeshCode(
              program == Program::Conic ? core::CutComment(line) : line, program, options.gridSize);
          if (!warning.empty()) detail += '\t' + warning;
        }
        row("record", outcome.category, detail);
        break;
      }
      case LineOutcome::Kind::Reject:
        ++totals.rejected;
        row("reject", outcome.category,
            outcome.noCategory ? "最初の見出しより前の記録なので描かれません"
                               : core::RejectionText(outcome.why));
        break;
      case LineOutcome::Kind::Error:
        ++totals.errors;
        row("error", outcome.category, outcome.message);
        break;
      case LineOutcome::Kind::Stop:
        break;
    }
    if (outcome.stops) {
      // Reading stops once; looking on past that point, a later header beyond the limit
      // is still told, since that is where the program would stop if it got there.
      const bool header = outcome.kind == LineOutcome::Kind::Stop;
      if (header || !stopped) {
        row("stop", outcome.category,
            header ? "カテゴリは" + std::to_string(core::CategoryLimit(program)) +
                         "つまでなので、ここで読み込みを終えます"
                   : std::string("変換エラーのため、ここで読み込みを終えます"));
      }
      stopped = true;
      if (!options.keepGoing) break;
    }
  }
  totals.categories = grd.Categories();
  out << "records=" << totals.records << " rejected=" << totals.rejected
      << " errors=" << totals.errors << " categories=" << totals.categories << '\n';
  return totals;
}

int CheckMain(const std::vector<std::string>& args, std::FILE* standardInput, std::ostream& out,
              std::ostream& err) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << CheckUsage();
      return 0;
    }
  }
  CheckOptions options;
  try {
    options = ParseCheckArgs(args);
  } catch (const std::invalid_argument& error) {
    err << "tarvo-check: " << error.what() << '\n' << CheckUsage();
    return 2;
  }
  try {
    core::LineReader reader = options.file == "-" ? core::LineReader::FromStream(standardInput, "-")
                                                  : core::LineReader::Open(options.file);
    const CheckTotals totals = CheckRecords(reader, options, out);
    out.flush();
    return totals.errors > 0 ? 1 : 0;
  } catch (const core::IoError& error) {
    out.flush();
    err << "tarvo-check: " << error.Path() << ": " << error.what() << '\n';
    return 2;
  }
}

}  // namespace check
