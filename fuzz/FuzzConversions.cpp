// Any text through the record conversions, the degree parsers and the checker's warnings.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Errors.h"
#include "core/MeshCode.h"
#include "core/Number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto guarded = [](auto&& f) {
    try {
      f();
    } catch (const core::ConversionError&) {
    }
  };
  for (const int grid : {0, 1, 2, 5, 10, 12, 7}) {
    guarded([&] { core::CoordToPos(text, grid); });
    for (const core::Program program : {core::Program::Conic, core::Program::Chart}) {
      guarded([&] { core::MeshToPos(text, grid, program, core::kConicRegion); });
      core::NonStandardMeshCode(text, program, grid);
    }
  }
  core::MeshToCorner(text, true);
  core::MeshToCorner(text, false);
  guarded([&] { core::DegMinToDeg(text); });
  guarded([&] { core::StrToFloat(text); });
  guarded([&] { core::StrToInt(text); });
  return 0;
}
