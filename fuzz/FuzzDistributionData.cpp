// Any bytes as a distribution data file, read with both programs' rules at every
// precision: nothing may crash, hang or read out of bounds. A file the line reader refuses
// (an over-long line, UTF-16) raises IoError, the documented way to report it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/TextFile.h"

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
      core::LineReader lines = core::LineReader::FromText(text);
      core::LoadGrdLines(lines);
    }
  } catch (const core::IoError&) {
  }
  return 0;
}
