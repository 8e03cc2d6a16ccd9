#pragma once

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/Program.h"
#include "tools/check/PlacedOutput.h"

namespace core {
class LineReader;
}

namespace check {

/// What the record checker was asked to do.
struct CheckOptions {
  core::Program program = core::Program::Conic;
  int gridSize = 10;
  bool keepGoing = false;
  bool strict = false;  ///< a note on a record fails the check too
  std::string file;     ///< a path, or "-" for standard input
  std::string geojson;  ///< --geojson: the drawn records as GeoJSON points; empty: none
  std::string csv;      ///< --csv: the same as a table
};

/// Hears each record the program draws, placed, in the order of the file.
using PlacedSink = std::function<void(const PlacedRecord&)>;

/// Counts for the closing line.
struct CheckTotals {
  int records = 0;
  int rejected = 0;
  int errors = 0;
  int categories = 0;
  int notes = 0;        ///< `note` rows: what the figure will silently not show
  int recordNotes = 0;  ///< the notes on single records (not the closing one)
  long notDrawn = 0;    ///< records the program does not draw, after the stop too
};

/// Parses the command line (without the program name). Raises std::invalid_argument with
/// the message for the user on a usage error.
CheckOptions ParseCheckArgs(const std::vector<std::string>& args);

/// Writes one tab-separated row per line of the distribution data (line, kind, category,
/// detail) and the closing totals line, with the chosen program's rules. A record line may
/// be followed by `note` rows (same line and category): an altitude outside the profiles,
/// a mesh code in a spreadsheet's exponent notation or with separators, with the code
/// probably meant. Records without altitude get one note at the end instead, on the last
/// line read, with category 0 since it speaks of every category.
/// `placed`, when given, hears every record the program draws: none after the line where
/// it stops reading, even when told to keep going.
CheckTotals CheckRecords(core::LineReader& reader, const CheckOptions& options, std::ostream& out,
                         const PlacedSink& placed = {});

/// The whole command: 0 when the program draws every record of the file (and, with
/// `strict`, no record has a note), 1 when it does not, 2 for a usage error or a file that
/// cannot be read (message on `err`).
int CheckMain(const std::vector<std::string>& args, std::FILE* standardInput, std::ostream& out,
              std::ostream& err);

/// The usage text.
std::string CheckUsage();

}  // namespace check
