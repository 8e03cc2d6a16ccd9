// Any bytes as an occurrence table: the reader and the import never crash, hang or grow
// without bound, every data row is either written or told (nothing is dropped silently),
// and every file written reads back in both programs as exactly the categories and records
// the import says it holds.
//
// Input: the first byte picks the options (bit 0 the chart program, bit 1 swapped columns,
// bit 2 mesh codes first, bit 3 a category column "c", bit 4 a split column "s", bit 5
// bins on the category column); the rest is the table.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/DistributionData.h"
#include "core/MeshCode.h"
#include "core/Table.h"
#include "core/TableImport.h"
#include "core/TextCodec.h"
#include "core/TextFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  const std::string_view table(reinterpret_cast<const char*>(data + 1), size - 1);

  try {
    core::TableReader reader(table);
    long lastLine = 0;
    for (core::TableRow row; reader.Next(row);) {
      fuzz::Require(row.line > lastLine, "rows come in the order of their lines");
      lastLine = row.line;
      fuzz::Require(row.error.empty() || row.fields.empty(), "a row read in error has no fields");
      fuzz::Require(row.fields.size() <= core::TableReader::kMaxFields, "fields are capped");
      for (const std::string& field : row.fields)
        fuzz::Require(core::IsWellFormedUtf8(field), "fields are decoded to UTF-8");
    }
  } catch (const std::invalid_argument&) {
    return 0;  // UTF-16
  }

  core::ImportOptions options;
  options.program = (flags & 1) ? core::Program::Chart : core::Program::Conic;
  options.swapLatLon = (flags & 2) != 0;
  options.preferMesh = (flags & 4) != 0;
  if (flags & 8) options.categoryColumn = "c";
  if (flags & 16) options.splitColumn = "s";
  if ((flags & 32) && (flags & 8)) options.bins = {1950, 1990};
  core::ImportResult result;
  try {
    result = core::ImportTable(table, options);
  } catch (const std::invalid_argument&) {
    return 0;
  }
  fuzz::Require(
      result.rowsRead == result.recordsWritten + static_cast<long>(result.rejections.size()),
      "every row is written or told");

  long records = 0;
  for (const core::ImportedFile& file : result.files) {
    records += file.records;
    core::LineReader lines = core::LineReader::FromText(core::EncodeImportedFile(file));
    std::optional<core::MapBounds> bounds;
    if (options.program == core::Program::Conic) bounds = core::kConicRegion;
    core::DistributionReader grd(options.program, core::kGridExact, bounds);
    long read = 0;
    for (std::string raw; lines.Next(raw);) {
      fuzz::Require(raw.find(';') == std::string::npos, "no written line holds a comment");
      const std::string line =
          options.program == core::Program::Chart ? core::DecodeLine(raw) : raw;
      const core::LineOutcome outcome = grd.Feed(line);
      fuzz::Require(outcome.kind == core::LineOutcome::Kind::Header ||
                        outcome.kind == core::LineOutcome::Kind::Record,
                    "every written line is a header or a record the program places");
      read += outcome.kind == core::LineOutcome::Kind::Record;
    }
    fuzz::Require(read == file.records, "the program reads every record written");
    fuzz::Require(core::SafeFileName(file.key).size() <= core::kMaxFileNameBytes &&
                      file.fileName.size() <= core::kMaxFileNameBytes,
                  "file names are capped");
  }
  fuzz::Require(records == result.recordsWritten, "the files hold the records counted");
  return 0;
}
