#include "core/DistributionData.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/TextCodec.h"
#include "core/TextFile.h"

namespace core {

int CategoryLimit(Program program) {
  return program == Program::Conic ? 5 : 6;
}

std::string_view CutComment(std::string_view line) {
  return line.substr(0, line.find(';'));
}

LineKind ClassifyLine(std::string_view fileBytes, Program program) {
  if (fileBytes.empty()) return LineKind::Short;
  const char first = fileBytes.front();
  const bool record = (first >= '0' && first <= '9') || (program == Program::Chart && first == ' ');
  // The chart program's length rule would pass over two-kana names ("ブナ" is four bytes)
  // and put their records in the category before; it applies to records only.
  const size_t minimum = program == Program::Conic ? 3 : 6;
  if (fileBytes.size() < minimum && (program == Program::Conic || record)) return LineKind::Short;
  if (!record) return LineKind::Header;
  return fileBytes.find(',') != std::string_view::npos ? LineKind::CoordRecord
                                                       : LineKind::MeshRecord;
}

DistributionReader::DistributionReader(Program program, int gridSize,
                                       std::optional<MapBounds> bounds)
    : m_program(program), m_gridSize(gridSize), m_bounds(bounds) {}

int DistributionReader::Categories() const {
  return m_headers < CategoryLimit(m_program) ? m_headers : CategoryLimit(m_program);
}

LineOutcome DistributionReader::Feed(std::string_view line) {
  LineOutcome out;
  const bool conic = m_program == Program::Conic;
  const std::string_view text = conic ? CutComment(line) : line;
  // The chart program holds its text as Shift-JIS, and its length rule counts those bytes;
  // an ASCII line (every record) is the same in both, and needs no conversion.
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const LineKind kind =
      conic || ascii ? ClassifyLine(text, m_program)
                     : ClassifyLine(Utf8ToCp932(text).value_or(std::string(text)), m_program);
  out.category = m_headers;

  switch (kind) {
    case LineKind::Short:
      out.kind = LineOutcome::Kind::Short;
      return out;
    case LineKind::Header:
      ++m_headers;
      out.category = m_headers;
      out.title = conic ? DecodeLine(text) : std::string(text);
      if (m_headers > CategoryLimit(m_program)) {
        out.kind = LineOutcome::Kind::Stop;
        out.stops = true;
        m_stopped = true;
        return out;
      }
      out.kind = LineOutcome::Kind::Header;
      return out;
    case LineKind::CoordRecord:
    case LineKind::MeshRecord:
      break;
  }

  out.meshRecord = kind == LineKind::MeshRecord;
  Placement placed;
  try {
    placed = PlaceRecord(text, m_gridSize, m_program, m_bounds);
  } catch (const ConversionError& error) {
    out.kind = LineOutcome::Kind::Error;
    out.message = error.what();
    if (conic) {
      out.stops = true;
      m_stopped = true;
    }
    return out;
  }
  if (!placed.pos) {
    out.kind = LineOutcome::Kind::Reject;
    out.why = placed.why;
  } else if (m_headers == 0) {
    // No category, style or series exists for it, so it is not drawn.
    out.kind = LineOutcome::Kind::Reject;
    out.noCategory = true;
  } else {
    out.kind = LineOutcome::Kind::Record;
    out.pos = *placed.pos;
  }
  return out;
}

std::optional<std::string> EditorLineFromFile(std::string_view fileBytes) {
  const size_t semicolon = fileBytes.find(';');
  if (semicolon == 0) return std::nullopt;
  return DecodeLine(fileBytes.substr(0, semicolon));
}

std::vector<std::string> LoadGrdLines(LineReader& reader) {
  std::vector<std::string> lines;
  std::string raw;
  while (reader.Next(raw)) {
    if (auto line = EditorLineFromFile(raw)) lines.push_back(*std::move(line));
  }
  return lines;
}

std::vector<std::string> LoadGrdLines(const std::string& path) {
  LineReader reader = LineReader::Open(path);
  return LoadGrdLines(reader);
}

std::string EncodeGrdText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return EncodeForFile(text);
}

}  // namespace core
