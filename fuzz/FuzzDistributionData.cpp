// Any bytes as a distribution data file, read with both programs' rules at every
// precision: nothing may crash, hang or read out of bounds. A file the line reader refuses
// (an over-long line, UTF-16) raises IoError, the documented way to report it. What the
// chart program's editor loads from the bytes saves back to bytes that load the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/TextFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    for (const core::Program program : {core::Program::Conic, core::Program::Chart}) {
      for (const int grid : {0, 1, 2, 5, 10, 12}) {
        core::DistributionReader reader(program, grid, core::kConicRegion);
        core::LineReader lines = core::LineReader::FromText(text);
        std::string line;
        while (lines.Next(line))
          reader.Feed(line);
      }
    }
    // The editor's text saves back to a file that loads as the same text.
    core::LineReader lines = core::LineReader::FromText(text);
    const core::GrdText loaded = core::LoadGrdText(lines);
    core::UnwritableCharacter where;
    if (const auto bytes = core::EncodeGrdText(loaded.lines, loaded.layout, &where)) {
      core::LineReader again = core::LineReader::FromText(*bytes);
      const core::GrdText reloaded = core::LoadGrdText(again);
      fuzz::Require(reloaded.lines == loaded.lines, "a saved text loads back unchanged");
    } else {
      fuzz::Require(loaded.layout.encoding == core::GrdLayout::Encoding::ShiftJis,
                    "only a Shift-JIS text can hold a character it cannot write");
      fuzz::Require(where.line >= 1 && static_cast<size_t>(where.line) <= loaded.lines.size(),
                    "the character that cannot be written is on a line of the text");
    }
  } catch (const core::IoError&) {
  }
  return 0;
}
