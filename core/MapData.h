#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/Program.h"

namespace core {

class LineReader;

/// The sections of a map data file, in the order in which the reader looks for them.
enum class MapSection {
  HMap,    ///< "*H-MAP": coastline polylines, longitude,latitude
  GMap,    ///< "*G-MAP": prefectural boundary polylines, longitude,latitude
  WEProf,  ///< "*WE-PROF": west-east ground outline, longitude,altitude
  SNProf,  ///< "*SN-PROF": south-north ground outline, latitude,altitude
  End,     ///< "*END": the end of the data
};

/// How a drawing takes a section when its header is met.
enum class SectionUse {
  Ignore,  ///< the header is not recognised; its lines are passed over as unknown lines
  Skip,    ///< recognised, its lines skipped unread up to the next "*" line
  Read,    ///< recognised and read (for End: reading stops)
};

/// The header line of a section, exactly as the file writes it.
std::string_view SectionHeader(MapSection section);

/// The sections the conic program reads: coastlines always, boundaries when shown,
/// profiles only for the three-view figure (`mapsType` 3).
SectionUse ConicSectionUse(MapSection section, bool withPref, int mapsType);

/// The sections the chart program reads: map sections only with the horizontal map shown
/// (boundaries skipped unread when they are hidden), profile sections and the end mark only
/// with the profiles shown.
SectionUse ChartSectionUse(MapSection section, bool horizonMap, bool profileMap, bool prefecture);

/// Reads a point line "first,second". The second number is taken from at most 12
/// characters after the comma (conic program) or 8 (chart program); the rest of the line
/// is ignored. Returns false and leaves the numbers as they were when the line has no
/// comma or starts with one. Raises ConversionError when either number is malformed.
bool ParseMapLine(std::string_view line, Program program, double& first, double& second);

/// Receives what the reader finds; the drawing side decides what a start, a point and a
/// break mean for its own lines.
class MapDataHandler {
 public:
  virtual ~MapDataHandler() = default;
  /// Asked each time a section header is met.
  virtual SectionUse UseOf(MapSection section) = 0;
  /// A section that is read begins.
  virtual void OnSectionStart(MapSection section) = 0;
  /// A point of the current section (first: longitude or latitude; second: latitude or
  /// altitude, as the section says).
  virtual void OnPoint(double first, double second) = 0;
  /// A break line (first number 0): the current polyline or run ends.
  virtual void OnBreak() = 0;
  /// A comment or blank line inside a section, in the chart program: the line breaks there
  /// too, but a profile keeps its previous altitude.
  virtual void OnComment() { OnBreak(); }
};

/// Which sections a reading handed to its handler.
struct SectionsRead {
  std::array<bool, 5> read{};
  bool Has(MapSection section) const { return read.at(static_cast<size_t>(section)); }
};

/// The headers of the sections a figure needs but the reading did not find, in the file's
/// order (for instance {"*G-MAP"}): the coastlines always, the boundaries when they are
/// drawn, both profile outlines when the profiles are.
std::vector<std::string> MissingSections(const SectionsRead& read, bool boundaries, bool profiles);

/// Reads a whole map data file with the program's rules and hands sections, points and
/// breaks to the handler; it keeps nothing but which sections it read. Reading stops at a
/// recognised "*END" or at the end of the file. Blank lines count as comment lines. Raises
/// ConversionError (with the line number) for a malformed number; what the handler got before that
/// stands.
SectionsRead ReadMapData(LineReader& reader, Program program, MapDataHandler& handler);

}  // namespace core
