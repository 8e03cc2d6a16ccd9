#include "core/MapData.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "core/Errors.h"
#include "core/Number.h"
#include "core/TextFile.h"

namespace core {

namespace {

constexpr std::array kSearchOrder = {MapSection::HMap, MapSection::GMap, MapSection::WEProf,
                                     MapSection::SNProf, MapSection::End};

bool IsCommentOrBlank(const std::string& line) {
  return line.empty() || line.front() == ';';
}
bool IsStarLine(const std::string& line) {
  return !line.empty() && line.front() == '*';
}

// Blanks after a header, easily left by a text editor, do not hide the section; the
// header itself must start the line.
bool IsHeaderOf(const std::string& line, MapSection section) {
  return IsStarLine(line) && TrimBlanks(line) == SectionHeader(section);
}

// Reads the lines of one section up to the next "*" line, which is left in `line`.
// Returns false at the end of the file.
bool ReadSection(LineReader& reader, Program program, MapDataHandler& handler, std::string& line) {
  while (reader.Next(line)) {
    if (IsStarLine(line)) return true;
    if (IsCommentOrBlank(line)) {
      // The chart program breaks its line at a comment. Every comment line is taken as
      // one: reading the line after a comment as a point would turn a second note with a
      // comma into a conversion error.
      if (program == Program::Chart) handler.OnComment();
      continue;
    }
    double first = 0.0;
    double second = 0.0;
    if (!ParseMapLine(line, program, first, second)) continue;
    if (first == 0.0) {
      handler.OnBreak();
    } else {
      handler.OnPoint(first, second);
    }
  }
  return false;
}

bool SkipSection(LineReader& reader, std::string& line) {
  while (reader.Next(line)) {
    if (IsStarLine(line)) return true;
  }
  return false;
}

void ReadSections(LineReader& reader, Program program, MapDataHandler& handler,
                  SectionsRead& sections) {
  std::string line;
  while (reader.Next(line)) {
    // Only one comment line is passed over here; a second one in a row simply matches
    // no header below, which comes to the same.
    if (IsCommentOrBlank(line) && !reader.Next(line)) return;
    // A section reader hands back the line it stopped at, and the comparison goes on with
    // the sections after it: so a header that names an earlier section is not recognised.
    for (const MapSection section : kSearchOrder) {
      if (!IsHeaderOf(line, section)) continue;
      const SectionUse use = handler.UseOf(section);
      if (use == SectionUse::Ignore) continue;
      if (section == MapSection::End) return;
      bool more = false;
      if (use == SectionUse::Read) {
        sections.read.at(static_cast<size_t>(section)) = true;
        handler.OnSectionStart(section);
        more = ReadSection(reader, program, handler, line);
      } else {
        more = SkipSection(reader, line);
      }
      if (!more) return;
    }
  }
}

}  // namespace

std::string_view SectionHeader(MapSection section) {
  switch (section) {
    case MapSection::HMap:
      return "*H-MAP";
    case MapSection::GMap:
      return "*G-MAP";
    case MapSection::WEProf:
      return "*WE-PROF";
    case MapSection::SNProf:
      return "*SN-PROF";
    case MapSection::End:
      return "*END";
  }
  return "";
}

SectionUse ConicSectionUse(MapSection section, bool withPref, int mapsType) {
  switch (section) {
    case MapSection::GMap:
      return withPref ? SectionUse::Read : SectionUse::Ignore;
    case MapSection::WEProf:
    case MapSection::SNProf:
      return mapsType == 3 ? SectionUse::Read : SectionUse::Ignore;
    case MapSection::HMap:
    case MapSection::End:
      return SectionUse::Read;
  }
  return SectionUse::Ignore;
}

SectionUse ChartSectionUse(MapSection section, bool horizonMap, bool profileMap, bool prefecture) {
  switch (section) {
    case MapSection::HMap:
      return horizonMap ? SectionUse::Read : SectionUse::Ignore;
    case MapSection::GMap:
      if (!horizonMap) return SectionUse::Ignore;
      return prefecture ? SectionUse::Read : SectionUse::Skip;
    case MapSection::WEProf:
    case MapSection::SNProf:
    case MapSection::End:
      return profileMap ? SectionUse::Read : SectionUse::Ignore;
  }
  return SectionUse::Ignore;
}

bool ParseMapLine(std::string_view line, Program program, double& first, double& second) {
  const size_t comma = line.find(',');
  if (comma == std::string_view::npos || comma == 0) return false;
  const size_t span = program == Program::Conic ? 12 : 8;
  const double a = StrToFloat(line.substr(0, comma));
  const double b = StrToFloat(line.substr(comma + 1, span));
  first = a;
  second = b;
  return true;
}

SectionsRead ReadMapData(LineReader& reader, Program program, MapDataHandler& handler) {
  SectionsRead sections;
  try {
    ReadSections(reader, program, handler, sections);
    return sections;
  } catch (const ConversionError& error) {
    throw ConversionError(error.what(), reader.LineNumber());
  }
}

std::vector<std::string> MissingSections(const SectionsRead& read, bool boundaries, bool profiles) {
  std::vector<std::string> missing;
  const std::pair<MapSection, bool> needed[] = {{MapSection::HMap, true},
                                                {MapSection::GMap, boundaries},
                                                {MapSection::WEProf, profiles},
                                                {MapSection::SNProf, profiles}};
  for (const auto& [section, wanted] : needed) {
    if (wanted && !read.Has(section)) missing.emplace_back(SectionHeader(section));
  }
  return missing;
}

}  // namespace core
