// Any bytes as an occurrence table: the reader and the import never crash, hang or grow
// without bound, every data row is either written or told (nothing is dropped silently),
// and every file written reads back in both programs as exactly the categories and records
// the import says it holds: the program it was written for places every record at every
// precision it offers (only a mesh code coarser than the cell may keep one from a
// precision, never the map's edge), and every elevation reads back as the import reports.
//
// Input: the first byte picks the options (bit 0 the chart program, bit 1 swapped columns,
// bit 2 mesh codes first, bit 3 a category column "c", bit 4 a split column "s", bit 5
// bins on the category column); the rest is the table.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/Coordinates.h"
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
    fuzz::Require(file.altitudes.size() == static_cast<size_t>(file.records),
                  "each record has the altitude the import says it wrote");
    for (const double altitude : file.altitudes) {
      fuzz::Require(altitude == core::kNoAltitude || (altitude >= core::kLowestElevation &&
                                                      altitude <= core::kHighestElevation + 100),
                    "every altitude written is one the Earth has");
    }
    const std::string bytes = core::EncodeImportedFile(file);
    // The file as each program reads it: the program it was written for at every precision
    // it offers, within its region; the other one at exact precision.
    for (const core::Program program : {core::Program::Conic, core::Program::Chart}) {
      const bool own = program == options.program;
      const std::vector<int> gridSizes =
          own ? core::OfferedGridSizes(program) : std::vector<int>{core::kGridExact};
      for (const int grid : gridSizes) {
        core::LineReader lines = core::LineReader::FromText(bytes);
        core::DistributionReader grd(program, grid,
                                     own ? core::RecordBounds(program) : std::nullopt);
        long read = 0;
        bool stopped = false;
        for (std::string raw; lines.Next(raw);) {
          fuzz::Require(raw.find(';') == std::string::npos, "no written line holds a comment");
          const std::string line = program == core::Program::Chart ? core::DecodeLine(raw) : raw;
          const core::LineOutcome outcome = grd.Feed(line);
          if (outcome.kind == core::LineOutcome::Kind::Header) continue;
          // Tarvo keeps six categories and Tarvo_L five: a file written for Tarvo may hold a
          // header Tarvo_L stops at, but never one its own program stops at.
          if (outcome.kind == core::LineOutcome::Kind::Stop) {
            fuzz::Require(!own, "the program a file is written for keeps all its categories");
            stopped = true;
            break;
          }
          fuzz::Require(outcome.kind == core::LineOutcome::Kind::Record ||
                            outcome.kind == core::LineOutcome::Kind::Reject,
                        "every written line is a header or a record");
          fuzz::Require(grid == core::kGridExact ||
                            outcome.kind == core::LineOutcome::Kind::Record ||
                            (outcome.meshRecord && !outcome.noCategory &&
                             outcome.why != core::Rejection::OutsideRegion),
                        "only a mesh code's grain keeps a record from a precision, never the "
                        "map's edge");
          fuzz::Require(grid != core::kGridExact || outcome.kind == core::LineOutcome::Kind::Record,
                        "the program places every record written at exact precision");
          const size_t index = static_cast<size_t>(read++);
          if (outcome.kind != core::LineOutcome::Kind::Record || index >= file.altitudes.size()) {
            continue;
          }
          double want = file.altitudes[index];
          // A coordinate record's altitude is banded as its position is snapped.
          if (!outcome.meshRecord && grid != core::kGridExact && want != core::kNoAltitude)
            want = std::trunc(want / 100.0) * 100.0 + 50.0;
          fuzz::Require(outcome.pos.alt == want,
                        "every elevation written reads back as the import reports it");
        }
        fuzz::Require(stopped || read == file.records, "the program reads every record written");
      }
    }
    fuzz::Require(core::SafeFileName(file.key).size() <= core::kMaxFileNameBytes &&
                      file.fileName.size() <= core::kMaxFileNameBytes,
                  "file names are capped");
  }
  fuzz::Require(records == result.recordsWritten, "the files hold the records counted");
  return 0;
}
