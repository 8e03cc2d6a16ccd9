#include "tools/check/RecordCheck.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>

#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/MeshCode.h"
#include "core/Number.h"
#include "core/TextCodec.h"
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

// The profiles' altitude range in metres: Tarvo_L's is fixed (its Region). Tarvo starts
// with the same cap but lets the user change it, so its notes call the top a default.
constexpr double kProfileBase = 0.0;
constexpr double kProfileTop = 3800.0;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string Metres(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.10g", value);
  return buffer;
}

// A placed altitude the profiles cannot show. A record without altitude is left to the
// closing note: such records are common, and a note on each would bury the rest.
std::string AltitudeNote(double alt, Program program) {
  const bool conic = program == Program::Conic;
  if (alt == core::kNoAltitude) return "";
  if (alt > kProfileTop) {
    return "標高 " + Metres(alt) + " m は断面図の上端" +
           (conic ? " " + Metres(kProfileTop) + " m "
                  : "（既定値 " + Metres(kProfileTop) + " m）") +
           "を超えるので、平面図だけに描かれます";
  }
  if (alt < kProfileBase) {
    // Tarvo_L draws the marker on the base line; Tarvo's profile axes start at 0.
    return "標高 " + Metres(alt) + " m は断面図の下端 " + Metres(kProfileBase) +
           " m より低いので、" +
           (conic ? "断面図では基線上に描かれます" : "断面図の範囲の外になります");
  }
  return "";
}

// A spreadsheet stores a long code typed into a cell as a number and may show it in
// exponent notation ("5.53750131E+08"); copied back to text, it reaches the file so. The
// programs then read "5" as the code and what follows the point as the altitude.
std::string ExponentNote(std::string_view text) {
  size_t i = 0;
  std::string digits;
  while (i < text.size() && IsDigit(text[i]))
    digits += text[i++];
  const size_t wholeDigits = digits.size();
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i)
      digits += text[i];
  }
  if (wholeDigits == 0 || i >= text.size() || (text[i] != 'E' && text[i] != 'e')) return "";
  ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t exponentStart = i;
  long exponent = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i)
    exponent = std::min(exponent * 10 + (text[i] - '0'), 1000L);
  if (i == exponentStart || i != text.size()) return "";

  const size_t significant = digits.find_first_not_of('0');
  if (significant == std::string::npos) return "";
  digits.erase(0, significant);
  // How many digits the number has before its decimal point.
  const long point = static_cast<long>(wholeDigits) - static_cast<long>(significant) +
                     (negative ? -exponent : exponent);
  // Only a number of a code's length (the programs read 6 to 11 digits) is worth a guess.
  if (point < 6 || point > 11) return "";
  const auto codeDigits = static_cast<size_t>(point);
  const std::string lead = "表計算ソフトで数値に変わった指数表記のようです。";
  if (digits.size() < codeDigits) {
    return lead + std::to_string(codeDigits) + " 桁のコードのうち上の " +
           std::to_string(digits.size()) +
           " 桁しか残っていないので、元の資料からコードを写し直してください";
  }
  if (digits.size() == codeDigits) return lead + "元のコードはおそらく " + digits + " です";
  return lead + "元の記録はおそらく " + digits.substr(0, codeDigits) + '.' +
         digits.substr(codeDigits) + " です";
}

// Bytes of the separator at `pos`, or 0. People write codes as on maps and in lists,
// with dashes or blanks between the parts, in Japanese text often full-width ones.
size_t SeparatorAt(std::string_view text, size_t pos) {
  static constexpr std::string_view kSeparators[] = {"-", " ", "\t", "－", "‐", "−", "ー", "　"};
  for (const std::string_view separator : kSeparators) {
    if (text.substr(pos).starts_with(separator)) return separator.size();
  }
  return 0;
}

// A code written in parts ("6441-0455", "5339 46 11"): the programs convert the
// separator as a digit and fail, or place the record by its first parts alone.
std::string SeparatedCodeNote(std::string_view text) {
  const size_t dot = text.find('.');
  const std::string_view code = core::TrimBlanks(text.substr(0, dot));
  const std::string_view altitude = dot == std::string_view::npos ? "" : text.substr(dot);
  std::string digits;
  size_t firstPart = 0;
  bool endsInSeparator = false;
  for (size_t i = 0; i < code.size();) {
    if (IsDigit(code[i])) {
      digits += code[i++];
      endsInSeparator = false;
      continue;
    }
    const size_t length = SeparatorAt(code, i);
    if (length == 0) return "";
    if (firstPart == 0) firstPart = digits.size();
    endsInSeparator = true;
    i += length;
  }
  // The first part is the primary (4 digits) or the secondary (6 digits) code; anything
  // else is too unlike a mesh code to guess at.
  if ((firstPart != 4 && firstPart != 6) || endsInSeparator || digits.size() < 6) return "";
  // Japan's primary meshes have latitude parts 30-68 and longitude parts 22-54; this keeps
  // a date such as 2025-01-01 from being taken for a code.
  const int latitudePart = (digits[0] - '0') * 10 + (digits[1] - '0');
  const int longitudePart = (digits[2] - '0') * 10 + (digits[3] - '0');
  if (latitudePart < 30 || latitudePart > 68 || longitudePart < 22 || longitudePart > 54) return "";
  return "区切りの入ったメッシュコードのようです。おそらく " + digits + std::string(altitude) +
         " のことです";
}

// The notes on one record line, in the order its row and they are printed.
std::vector<std::string> RecordNotes(std::string_view line, const LineOutcome& outcome,
                                     Program program) {
  std::vector<std::string> notes;
  if (outcome.meshRecord) {
    const std::string_view kept =
        core::TrimBlanks(program == Program::Conic ? core::CutComment(line) : line);
    // Tarvo_L reads the file's bytes, which may be Shift-JIS; the separators are UTF-8.
    const std::string text = program == Program::Conic ? core::DecodeLine(kept) : std::string(kept);
    std::string note = ExponentNote(text);
    if (note.empty()) note = SeparatedCodeNote(text);
    if (!note.empty()) notes.push_back(std::move(note));
  }
  if (outcome.kind == LineOutcome::Kind::Record) {
    std::string note = AltitudeNote(outcome.pos.alt, program);
    if (!note.empty()) notes.push_back(std::move(note));
  }
  return notes;
}

std::string NoAltitudeNote(const std::map<int, int>& byCategory) {
  int total = 0;
  std::string parts;
  for (const auto& [category, count] : byCategory) {
    total += count;
    if (!parts.empty()) parts += "、";
    parts += "カテゴリ" + std::to_string(category) + ": " + std::to_string(count) + " 件";
  }
  return "標高のない記録が " + std::to_string(total) +
         " 件あり、断面図には描かれず平面図だけに描かれます（" + parts + "）";
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
  int lastLine = 0;
  std::map<int, int> withoutAltitude;  // records per category

  while (reader.Next(raw)) {
    const int number = reader.LineNumber();
    lastLine = number;
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
        // A tab or NUL in a title would break the row into false columns.
        row("header", outcome.category, core::VisibleText(outcome.title));
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
        if (outcome.pos.alt == core::kNoAltitude) ++withoutAltitude[outcome.category];
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
    // A note explains the line's own row, so it comes before the reading stops.
    for (const std::string& note : RecordNotes(line, outcome, program)) {
      row("note", outcome.category, note);
      ++totals.notes;
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
  if (!withoutAltitude.empty()) {
    out << lastLine << "\tnote\t0\t" << NoAltitudeNote(withoutAltitude) << '\n';
    ++totals.notes;
  }
  totals.categories = grd.Categories();
  // New counts go at the end, so that scripts reading the earlier fields keep working.
  out << "records=" << totals.records << " rejected=" << totals.rejected
      << " errors=" << totals.errors << " categories=" << totals.categories
      << " notes=" << totals.notes << '\n';
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
    errno = 0;
    const CheckTotals totals = CheckRecords(reader, options, out);
    out.flush();
    // A report cut short by a full disk must not pass for a whole one.
    if (!out) {
      const int error = errno;
      err << "tarvo-check: 結果を書き込めません"
          << (error != 0 ? "（" + std::string(std::strerror(error)) + "）" : std::string()) << '\n';
      return 2;
    }
    return totals.errors > 0 ? 1 : 0;
  } catch (const core::IoError& error) {
    out.flush();
    err << "tarvo-check: " << error.Path() << ": " << error.what() << '\n';
    return 2;
  } catch (const std::bad_alloc&) {
    err << "tarvo-check: メモリが足りません\n";
    return 2;
  }
}

}  // namespace check
