#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ImportOptions.h"
#include "core/ImportRow.h"
#include "core/Program.h"
#include "core/Table.h"

namespace core {

/// A row that was not written, or a note on one that was. `row` is the line of the table
/// file where the row starts (the heading is line 1 of a table without blank lines).
struct ImportRejection {
  long row = 0;
  std::string reason;
  bool duplicate = false;            ///< the same record as an earlier row; written once
  size_t table = 0;                  ///< which table of the import, in the order read
  Refusal kind = Refusal::Unusable;  ///< for a row not written: why, for the count
};

/// One category of an imported file: its title and where its records are kept.
struct ImportedCategory {
  std::string title;
  size_t list = 0;  ///< the RecordStore list of its records
  long records = 0;
};

/// One distribution data file: its category headers and records.
struct ImportedFile {
  std::string key;       ///< the split value; empty without a split column
  std::string fileName;  ///< a safe, unique file name for the key ("import.grd" without one)
  std::vector<ImportedCategory> categories;  ///< in the order they are written
  long records = 0;
  /// Filled by ImportTable, which keeps everything in memory: the headers and record lines
  /// as editor lines (UTF-8).
  std::vector<std::string> lines;
  /// With `lines`: the altitude in metres each record line reads back as in both programs,
  /// in the order of the records: kNoAltitude for a record without one; for a coordinate
  /// record the value written (the programs band it at precisions other than 0), for a
  /// mesh-code record the middle of its 100 m band. A note on a changed elevation names
  /// this value.
  std::vector<double> altitudes;
};

struct ImportResult {
  std::vector<ImportedFile> files;          ///< in the order their keys first appear
  std::vector<ImportRejection> rejections;  ///< rows not written, duplicates included
  std::vector<ImportRejection> notes;       ///< rows written with something left out
  /// About the columns (first) and the tables as a whole.
  std::vector<std::string> warnings;
  std::string columns;  ///< which columns were read for what, for the user (Japanese)
  long rowsRead = 0;
  long recordsWritten = 0;
  long duplicates = 0;
  /// Rows not written, by reason (Refusal), duplicates included.
  std::array<long, kRefusalKinds> refused{};
  std::vector<std::string> tableNames;  ///< as given to the import, in the order read
};

/// Where the record lines of an import wait until its files are put together, in lists of
/// one file's category each. Lines are read back in the order they were appended.
class RecordStore {
 public:
  virtual ~RecordStore() = default;
  virtual void Append(size_t list, std::string_view line, double altitude) = 0;
  virtual void Read(size_t list,
                    const std::function<void(std::string_view line, double altitude)>& each) = 0;
};

/// The records held in memory.
class MemoryRecordStore : public RecordStore {
 public:
  void Append(size_t list, std::string_view line, double altitude) override;
  void Read(size_t list,
            const std::function<void(std::string_view line, double altitude)>& each) override;

 private:
  std::vector<std::vector<std::string>> m_lines;
  std::vector<std::vector<double>> m_altitudes;
};

/// Hears what an import finds as it goes, so that a caller can tell it at once and keep
/// nothing of it.
class ImportListener {
 public:
  virtual ~ImportListener() = default;
  /// A table's columns were found: "読む列: …" and the notes on them.
  virtual void Columns(size_t table, const std::string& columns,
                       const std::vector<std::string>& notes) = 0;
  /// A row not written (`refused`), or a note on a row; for one row, a refusal comes
  /// first.
  virtual void Row(const ImportRejection& item, bool refused) = 0;
};

/// Turns occurrence tables into distribution data, in stages a table's rows pass through
/// one by one: the columns found from the heading (FindImportColumns), the swap check, each
/// row made a record or refused (ImportRowReader), and the files the records are gathered
/// into. Any RowSource gives the rows.
///
/// A position comes from latitude and longitude columns (decimal ones before verbatim
/// ones, then a column holding both), or from a mesh code column when the row has no
/// usable coordinates (with preferMesh, the other way round; either way the other one is
/// used, with a note, when the preferred one cannot be). Each row that cannot be used is
/// refused with its reason; identical records of one file and category are written once
/// and the later rows told as duplicates. Positions must lie in the conic program's map
/// region (kConicRegion: 122° to 149° E, 24° to 46° N), which is also what the bundled
/// Japan map covers. For the conic program a record must be one it draws within that region
/// at every precision it offers (PlaceAtEveryPrecision), so a point on the north or east
/// edge, or a mesh cell beyond it, is refused; for the chart program the bounds are
/// inclusive, and a mesh code is placed by the south-west corner of its cell. Records that a
/// program refuses at some precisions for their grain (a secondary-mesh code at standard
/// precision) are written and counted in a warning. Elevations are refused outside
/// kLowestElevation to kHighestElevation and written to a tenth of a metre; one that cannot
/// be true in Japan (ImplausibleAltitude) is left out with a note. A row whose used value
/// holds bytes of no character (TableRow::undecodable) is refused, never garbled text.
class TableImporter {
 public:
  /// `store` keeps the records; without a listener, refusals and notes are kept in the
  /// result. The importer keeps references to all three.
  TableImporter(const ImportOptions& options, RecordStore& store,
                ImportListener* listener = nullptr);
  ~TableImporter();
  TableImporter(const TableImporter&) = delete;
  TableImporter& operator=(const TableImporter&) = delete;

  /// About how many bytes the tables hold, so that the record index is made its size at
  /// once rather than grown (which would hold two of it for a moment).
  void ExpectBytes(std::uint64_t bytes) { m_expectedBytes = bytes; }

  /// Reads one table in one pass, the heading first. `name` names it in reports and gives
  /// its category's title with ImportOptions::titleFromFile (its base name). Raises
  /// std::invalid_argument (Japanese message) for a table it cannot use at all, as soon as
  /// that is known: no heading, a heading unreadable, a named column missing, no position
  /// columns; once all rows are read: latitude and longitude columns that look swapped
  /// (unless swapLatLon). Raises what the source raises (IoError) when the table cannot be
  /// read to its end.
  void Read(RowSource& source, std::string_view name = {});

  /// Puts the files together once every table is read. Raises std::invalid_argument when a
  /// file has more categories than the program keeps.
  ImportResult Finish();

  /// The bytes of a file made by Finish, in pieces, as the chart program saves its data:
  /// CR LF line ends, Shift-JIS, or UTF-8 when Shift-JIS cannot hold every title.
  void WriteFile(const ImportedFile& file, const std::function<void(std::string_view)>& write);

 private:
  struct State;
  const ImportOptions& m_options;
  RecordStore& m_store;
  ImportListener* m_listener;
  std::uint64_t m_expectedBytes = 0;
  std::unique_ptr<State> m_state;
};

/// Imports one table held in memory or read from a source, keeping everything in memory:
/// the files' lines and altitudes, every refusal and note. Raises as TableImporter does.
ImportResult ImportTable(RowSource& source, const ImportOptions& options);
ImportResult ImportTable(std::string_view tableBytes, const ImportOptions& options);

/// Each rejection and note as "ROW: KIND: reason" (KIND 重複, 書かない or 注意), in the
/// order of the table, a rejection before a note of the same row; reasons are made safe to
/// show (VisibleText).
std::vector<std::string> ImportReport(const ImportResult& result);

/// One line of ImportReport.
std::string ImportReportLine(const ImportRejection& item, bool refused);

/// The closing count: rows read, records written, files, rows not written (with the count
/// of each reason when a filter refused some), duplicates.
std::string ImportSummary(const ImportResult& result);

/// The bytes of an imported file as the chart program saves its data: CR LF line ends,
/// Shift-JIS, or UTF-8 when Shift-JIS cannot hold every character.
std::string EncodeImportedFile(const ImportedFile& file);

/// A file name (with ".grd") for a split value: no "/", "\\" or control characters nor
/// the characters Windows refuses, not "." or "..", no leading "-" or ".", at most
/// kMaxFileNameBytes bytes cut at a character boundary.
std::string SafeFileName(std::string_view key);
inline constexpr size_t kMaxFileNameBytes = 120;

/// The base of a table's name, which titles its category with ImportOptions::titleFromFile:
/// the file name without its folder and its last extension ("data/熊 2019.csv" is
/// "熊 2019").
std::string TableBaseName(std::string_view name);

}  // namespace core
