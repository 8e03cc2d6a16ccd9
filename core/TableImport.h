#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/Program.h"
#include "core/Table.h"

namespace core {

/// What the user chose for an import. Column names are matched as headings are: letter
/// case, character width, blanks and "_" do not count, nor a "dwc:" prefix.
struct ImportOptions {
  Program program = Program::Conic;  ///< Conic: at most 5 categories per file; Chart: 6
  std::string groupColumn;           ///< titles the categories when categoryColumn is empty;
                                     ///< empty: the scientific name, else the Japanese name
  std::string categoryColumn;        ///< one category per distinct value (or per bin)
  std::string splitColumn;           ///< one file per distinct value; empty: one file
  std::string latColumn;             ///< empty: a recognised heading (decimalLatitude, 緯度, …)
  std::string lonColumn;
  std::string meshColumn;
  std::string elevationColumn;
  std::vector<double> bins;  ///< with categoryColumn: bounds of numeric periods, ascending
  bool swapLatLon = false;   ///< read the latitude column as longitude and the reverse
  bool feet = false;         ///< elevations without a unit are in feet
  bool preferMesh = false;   ///< a row with coordinates and a mesh code uses the code
};

/// A row that was not written, or a note on one that was. `row` is the line of the table
/// file where the row starts (the heading is line 1 of a table without blank lines).
struct ImportRejection {
  long row = 0;
  std::string reason;
  bool duplicate = false;  ///< the same record as an earlier row; written once
};

/// One distribution data file: its category headers and records as editor lines (UTF-8).
struct ImportedFile {
  std::string key;       ///< the split value; empty without a split column
  std::string fileName;  ///< a safe, unique file name for the key ("import.grd" without one)
  std::vector<std::string> lines;
  long records = 0;
  /// The altitude in metres each record line reads back as in both programs, in the order
  /// of the records: kNoAltitude for a record without one; for a coordinate record the
  /// value written (the programs band it at precisions other than 0), for a mesh-code
  /// record the middle of its 100 m band. A note on a changed elevation names this value.
  std::vector<double> altitudes;
};

struct ImportResult {
  std::vector<ImportedFile> files;          ///< in the order their keys first appear
  std::vector<ImportRejection> rejections;  ///< rows not written, duplicates included
  std::vector<ImportRejection> notes;       ///< rows written with something left out
  std::vector<std::string> warnings;        ///< about the table as a whole
  std::string columns;  ///< which columns were read for what, for the user (Japanese)
  long rowsRead = 0;
  long recordsWritten = 0;
  long duplicates = 0;
};

/// Turns an occurrence table into distribution data. A position comes from latitude and
/// longitude columns (decimal ones before verbatim ones, then a column holding both), or
/// from a mesh code column when the row has no coordinates (with preferMesh, the other way
/// round). Each row that cannot be used is a rejection with its reason; identical records
/// of one file and category are written once and the later rows told as duplicates.
/// Positions must lie in the conic program's map region (kConicRegion: 122° to 149° E,
/// 24° to 46° N), which is also what the bundled Japan map covers. For the conic program a
/// record must be one it draws within that region at every precision it offers
/// (PlaceAtEveryPrecision), so a point on the north or east edge, or a mesh cell beyond
/// it, is refused; for the chart program the bounds are inclusive, and a mesh code is
/// placed by the south-west corner of its cell. Records that a program refuses at some
/// precisions for their grain (a secondary-mesh code at standard precision) are written
/// and counted in a warning. Elevations are refused outside kLowestElevation to
/// kHighestElevation and written to a tenth of a metre.
/// The rows come from `source` in one pass, the heading first; a row whose used value
/// holds bytes of no character (TableRow::undecodable) is a rejection, never garbled text.
/// Raises std::invalid_argument (Japanese message) for a table it cannot use at all, as soon
/// as that is known: no heading, a heading unreadable, a named column missing, no position
/// columns; once all rows are read: latitude and longitude columns that look swapped
/// (unless swapLatLon), more categories in a file than the program keeps. Raises what the
/// source raises (IoError) when the table cannot be read to its end.
ImportResult ImportTable(RowSource& source, const ImportOptions& options);

/// The same for a table held in memory.
ImportResult ImportTable(std::string_view tableBytes, const ImportOptions& options);

/// Each rejection and note as "ROW: KIND: reason" (KIND 重複, 書かない or 注意), in the
/// order of the table, a rejection before a note of the same row; reasons are made safe to
/// show (VisibleText).
std::vector<std::string> ImportReport(const ImportResult& result);

/// The closing count: rows read, records written, files, rows not written, duplicates.
std::string ImportSummary(const ImportResult& result);

/// The bytes of an imported file as the chart program saves its data: CR LF line ends,
/// Shift-JIS, or UTF-8 when Shift-JIS cannot hold every character.
std::string EncodeImportedFile(const ImportedFile& file);

/// A file name (with ".grd") for a split value: no "/", "\\" or control characters nor
/// the characters Windows refuses, not "." or "..", no leading "-" or ".", at most
/// kMaxFileNameBytes bytes cut at a character boundary.
std::string SafeFileName(std::string_view key);
inline constexpr size_t kMaxFileNameBytes = 120;

}  // namespace core
