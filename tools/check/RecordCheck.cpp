#include "tools/check/RecordCheck.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>

#include "core/Coordinates.h"
#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/MeshCode.h"
#include "core/MeshCodeText.h"
#include "core/Number.h"
#include "core/SaveFile.h"
#include "core/TableFile.h"
#include "core/TableImport.h"
#include "core/TextCodec.h"
#include "core/TextFile.h"

namespace check {

namespace {

using core::LineOutcome;
using core::Program;

std::string Fixed9(double value) {
  return core::FormatReal(value, std::chars_format::fixed, 9);
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

std::string Metres(double value) {
  return core::FormatReal(value, std::chars_format::general, 10);
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

// A code written in parts ("6441-0455", "5339 46 11"): the programs convert the
// separator as a digit and fail, or place the record by its first parts alone.
std::string SeparatedCodeNote(std::string_view text) {
  const size_t dot = text.find('.');
  const std::string_view altitude = dot == std::string_view::npos ? "" : text.substr(dot);
  const auto digits = core::JoinSeparatedMeshCode(text.substr(0, dot));
  if (!digits) return "";
  return "区切りの入ったメッシュコードのようです。おそらく " + *digits + std::string(altitude) +
         " のことです";
}

std::string PrecisionList(const std::vector<int>& gridSizes) {
  std::string text;
  for (const int gridSize : gridSizes)
    text += (text.empty() ? "" : "・") + std::to_string(gridSize);
  return text;
}

// A record on the edge of Tarvo_L's map is drawn at some precisions and not at others:
// snapping puts a point on the north or east edge into the cell beyond it. Told with the
// rule the program and the import share, so the three never disagree.
std::string EdgeNote(std::string_view line, const LineOutcome& outcome, Program program) {
  const bool placed = outcome.kind == LineOutcome::Kind::Record;
  const bool outside =
      outcome.kind == LineOutcome::Kind::Reject && outcome.why == core::Rejection::OutsideRegion;
  if (program != Program::Conic || outcome.noCategory || !(placed || outside)) return "";
  core::EveryPrecision every;
  try {
    every = core::PlaceAtEveryPrecision(core::CutComment(line), program);
  } catch (const core::ConversionError&) {
    return "";
  }
  std::vector<int> drawn;
  for (const int gridSize : core::OfferedGridSizes(program)) {
    if (std::find(every.outside.begin(), every.outside.end(), gridSize) == every.outside.end() &&
        std::find(every.refused.begin(), every.refused.end(), gridSize) == every.refused.end()) {
      drawn.push_back(gridSize);
    }
  }
  if (every.outside.empty() || drawn.empty()) return "";
  return "地図の端にかかる記録です。プロット精度 " + PrecisionList(drawn) + " では描かれ、" +
         PrecisionList(every.outside) + " では範囲の外に置かれて描かれません";
}

// The notes on one record line, in the order its row and they are printed.
std::vector<std::string> RecordNotes(std::string_view line, const LineOutcome& outcome,
                                     Program program) {
  std::vector<std::string> notes;
  if (outcome.meshRecord) {
    const std::string_view kept = core::TrimBlanks(core::CutComment(line));
    // Tarvo_L reads the file's bytes, which may be Shift-JIS; the separators are UTF-8.
    const std::string text = program == Program::Conic ? core::DecodeLine(kept) : std::string(kept);
    std::string note = core::ExponentNotationNote(text);
    if (note.empty()) note = SeparatedCodeNote(text);
    if (!note.empty()) notes.push_back(std::move(note));
  }
  if (outcome.kind == LineOutcome::Kind::Record && outcome.pos.alt != core::kNoAltitude) {
    // Judged as written: banding at the precision would turn −9999 into −9950.
    double written = outcome.pos.alt;
    if (!outcome.meshRecord) {
      if (const auto exact = core::CoordToPos(core::CutComment(line), core::kGridExact)) {
        written = exact->alt;
      }
    }
    std::string note = core::ImplausibleAltitude(written);
    if (!note.empty()) notes.push_back(std::move(note));
    note = AltitudeNote(outcome.pos.alt, program);
    if (!note.empty()) notes.push_back(std::move(note));
  }
  std::string edge = EdgeNote(line, outcome, program);
  if (!edge.empty()) notes.push_back(std::move(edge));
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

// The code of a mesh-code record "code[.aa]" as written; a code in another form (a
// spreadsheet's exponent notation) whole.
std::string MeshCodeOf(std::string_view line) {
  const std::string_view text = core::TrimBlanks(core::CutComment(line));
  const std::string_view code = text.substr(0, text.find('.'));
  const bool digits = !code.empty() && code.find_first_not_of("0123456789") == std::string::npos &&
                      text.find_first_of("eE") == std::string_view::npos;
  return std::string(digits ? code : text);
}

}  // namespace

std::string CheckUsage() {
  return "使い方: tarvo-check [--program conic|chart] [--precision 0|1|2|5|10|12] "
         "[--keep-going] [--strict]\n"
         "                   [--geojson OUT.geojson] [--csv OUT.csv] FILE|-\n"
         "  分布データファイルを一行ずつ調べ、プログラムがその行をどう扱うかを表示します。\n"
         "  --program     conic（Tarvo_L、既定）か chart（Tarvo）の読み方\n"
         "  --precision   プロット精度: 0 座標そのまま, 1 基準メッシュ, 2 倍メッシュ,\n"
         "                5 5倍メッシュ, 10 二次メッシュ（既定）, 12 半メッシュ（chart のみ）\n"
         "  --keep-going  読み込みが終わる行の後も一行ずつ表示する\n"
         "  --strict      記録に注意（note）が一つでもあれば終了コードを 1 にする\n"
         "  --geojson OUT プログラムが描く記録を、打点する位置（精度に合わせた位置）の点として\n"
         "                "
         "GeoJSON（JGD2011）に書く。見出し・行番号・精度・標高・メッシュコード付き。\n"
         "                描かれない行（reject・error）と読み込みが終わった後の行は書かない\n"
         "  --csv OUT     同じものを CSV（UTF-8）に書く。どちらも書き終えてから置き換え、調べる\n"
         "                ファイルそのものには書かない\n"
         "  FILE          調べるファイル（- で標準入力）\n"
         "  --version     版を出して終わる\n"
         "  終了コード: 0 すべての記録が描かれる（--strict では注意もない）、1 描かれない記録\n"
         "  （範囲外・置けないメッシュコード・数でない値・読み込みが終わった後の記録）がある、\n"
         "  2 使い方の誤りか読めないファイル。最後の行の「標高のない記録」の注意は数えません\n";
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
    } else if (arg == "--strict") {
      options.strict = true;
    } else if (arg == "--geojson" || arg == "--csv") {
      std::string path = value(arg);
      if (path.empty()) throw std::invalid_argument(arg + " の値が空です");
      (arg == "--csv" ? options.csv : options.geojson) = std::move(path);
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
  if (!options.geojson.empty() && options.geojson == options.csv) {
    throw std::invalid_argument("--geojson と --csv に同じファイルは指定できません");
  }
  if (!precisionText.empty()) {
    const char* const known[] = {"0", "1", "2", "5", "10", "12"};
    bool ok = false;
    for (const char* k : known)
      ok = ok || precisionText == k;
    if (ok) options.gridSize = core::StrToInt(precisionText);
    if (!ok || !core::IsGridSizeOffered(options.gridSize, options.program)) {
      throw std::invalid_argument("このプログラムにない精度です: " + precisionText);
    }
  }
  return options;
}

CheckTotals CheckRecords(core::LineReader& reader, const CheckOptions& options, std::ostream& out,
                         const PlacedSink& placed) {
  const Program program = options.program;
  core::DistributionReader grd(program, options.gridSize, core::RecordBounds(program));
  CheckTotals totals;
  core::NotDrawnTally notDrawn(program);
  bool stopped = false;
  bool silent = false;  // past the stop without --keep-going: counted, not shown
  std::string raw;
  int lastLine = 0;
  std::map<int, int> withoutAltitude;  // records per category
  std::map<int, std::string> titles;   // of the categories the program keeps

  while (reader.Next(raw)) {
    const int number = reader.LineNumber();
    auto row = [&](const char* kind, int category, const std::string& detail) {
      out << number << '\t' << kind << '\t' << category << '\t' << detail << '\n';
    };

    // The chart program reads the editor's text, which holds each line of the file
    // decoded, comments included; both programs cut the comment alike.
    std::string editorLine;
    std::string_view line = raw;
    if (program == Program::Chart) {
      editorLine = core::DecodeLine(raw);
      line = editorLine;
    }

    const LineOutcome outcome = grd.Feed(line);
    notDrawn.Feed(outcome, number);
    if (silent) continue;
    lastLine = number;
    switch (outcome.kind) {
      case LineOutcome::Kind::Short:
        row("short", outcome.category, ShortDetail(raw, core::CutComment(line)));
        break;
      case LineOutcome::Kind::Header:
        // A tab or NUL in a title would break the row into false columns.
        row("header", outcome.category, core::VisibleText(outcome.title));
        titles[outcome.category] = outcome.title;
        break;
      case LineOutcome::Kind::Record: {
        ++totals.records;
        std::string detail = Fixed9(outcome.pos.lat) + '\t' + Fixed9(outcome.pos.lon) + '\t' +
                             Fixed9(outcome.pos.alt);
        if (outcome.meshRecord) {
          const std::string warning =
              core::NonStandardMeshCode(core::CutComment(line), program, options.gridSize);
          if (!warning.empty()) detail += '\t' + warning;
        }
        row("record", outcome.category, detail);
        if (outcome.pos.alt == core::kNoAltitude) ++withoutAltitude[outcome.category];
        if (placed && !stopped) {
          PlacedRecord record;
          record.line = number;
          record.category = outcome.category;
          record.title = titles[outcome.category];
          record.lat = outcome.pos.lat;
          record.lon = outcome.pos.lon;
          record.alt = outcome.pos.alt;
          if (outcome.meshRecord) record.mesh = MeshCodeOf(line);
          placed(record);
        }
        break;
      }
      case LineOutcome::Kind::Reject:
        ++totals.rejected;
        row("reject", outcome.category, core::NotDrawnReason(outcome));
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
      ++totals.recordNotes;
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
      // The rest is still read, so that the count of records not drawn is whole.
      if (!options.keepGoing) {
        silent = true;
        totals.categories = grd.Categories();
      }
    }
  }
  totals.notDrawn = notDrawn.Records();
  if (!withoutAltitude.empty()) {
    out << lastLine << "\tnote\t0\t" << NoAltitudeNote(withoutAltitude) << '\n';
    ++totals.notes;
  }
  if (!silent) totals.categories = grd.Categories();
  // New counts go at the end, so that scripts reading the earlier fields keep working.
  out << "records=" << totals.records << " rejected=" << totals.rejected
      << " errors=" << totals.errors << " categories=" << totals.categories
      << " notes=" << totals.notes << " not_drawn=" << totals.notDrawn << '\n';
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
  for (const std::string& arg : args) {
    if (arg == "--version") {
      out << "tarvo-check " << TARVO_VERSION << '\n';
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
    CheckTotals totals;
    if (options.geojson.empty() && options.csv.empty()) {
      totals = CheckRecords(reader, options, out);
    } else {
      // Neither output may take the place of the file checked, nor of each other.
      const std::optional<core::FileId> input =
          core::IdOfFile(options.file == "-" ? "/dev/stdin" : options.file);
      for (const std::string* path : {&options.geojson, &options.csv}) {
        if (path->empty()) continue;
        const std::optional<core::FileId> output = core::IdOfFile(*path);
        if (output && input && output == input) {
          throw core::IoError("調べているファイルそのものには書きません", *path);
        }
      }
      if (!options.geojson.empty() && !options.csv.empty() &&
          core::SameFile(options.geojson, options.csv)) {
        throw core::IoError("--geojson と --csv に同じファイルは指定できません", options.csv);
      }
      long written = 0;
      using Write = std::function<void(std::string_view)>;
      const Write none = [](std::string_view) {};
      // Both files are made as the lines are read, each taking its place once complete.
      auto check = [&](const Write& geojson, const Write& csv) {
        bool first = true;
        if (!options.geojson.empty()) {
          geojson(GeoJsonStart(options.file == "-" ? "stdin" : core::TableBaseName(options.file)));
        }
        if (!options.csv.empty()) csv(PlacedCsvHeading());
        totals = CheckRecords(reader, options, out, [&](const PlacedRecord& record) {
          ++written;
          if (!options.geojson.empty()) geojson(GeoJsonFeature(record, options.gridSize, first));
          if (!options.csv.empty()) csv(PlacedCsvRow(record, options.gridSize));
          first = false;
        });
        if (!options.geojson.empty()) geojson(GeoJsonEnd());
      };
      if (!options.geojson.empty() && !options.csv.empty()) {
        core::SaveFileAtomically(options.geojson, [&](const Write& geojson) {
          core::SaveFileAtomically(options.csv, [&](const Write& csv) { check(geojson, csv); });
        });
      } else if (!options.geojson.empty()) {
        core::SaveFileAtomically(options.geojson,
                                 [&](const Write& geojson) { check(geojson, none); });
      } else {
        core::SaveFileAtomically(options.csv, [&](const Write& csv) { check(none, csv); });
      }
      std::string names;
      for (const std::string* path : {&options.geojson, &options.csv})
        if (!path->empty()) names += (names.empty() ? "" : "、") + *path;
      err << "tarvo-check: 描く記録 " << written << " 件を " << names << " に書きました\n";
    }
    out.flush();
    // A report cut short by a full disk must not pass for a whole one.
    if (!out) {
      const int error = errno;
      err << "tarvo-check: 結果を書き込めません"
          << (error != 0 ? "（" + std::string(std::strerror(error)) + "）" : std::string()) << '\n';
      return 2;
    }
    return totals.notDrawn > 0 || (options.strict && totals.recordNotes > 0) ? 1 : 0;
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
