// Any bytes as a map data file, read with both programs' rules and every section choice.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Errors.h"
#include "core/MapData.h"
#include "core/TextFile.h"

namespace {

class Sink : public core::MapDataHandler {
 public:
  Sink(core::Program program, int choice) : m_program(program), m_choice(choice) {}
  core::SectionUse UseOf(core::MapSection section) override {
    const bool a = (m_choice & 1) != 0;
    const bool b = (m_choice & 2) != 0;
    const bool c = (m_choice & 4) != 0;
    return m_program == core::Program::Conic ? core::ConicSectionUse(section, a, b ? 3 : 1)
                                             : core::ChartSectionUse(section, a, b, c);
  }
  void OnSectionStart(core::MapSection) override {}
  void OnPoint(double, double) override {}
  void OnBreak() override {}

 private:
  core::Program m_program;
  int m_choice;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const core::Program program : {core::Program::Conic, core::Program::Chart}) {
    for (int choice = 0; choice < 8; ++choice) {
      Sink sink(program, choice);
      core::LineReader reader = core::LineReader::FromText(text);
      try {
        core::ReadMapData(reader, program, sink);
      } catch (const core::ConversionError&) {
        // A malformed number is reported, never a crash.
      } catch (const core::IoError&) {
        // So is a file the line reader refuses (an over-long line, UTF-16).
      }
    }
  }
  return 0;
}
