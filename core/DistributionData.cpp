#include "core/DistributionData.h"

#include <algorithm>
#include <cctype>

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

std::string FirstHeader(const std::string& fileName, Program program) {
  try {
    LineReader reader = LineReader::Open(fileName);
    for (std::string line; reader.Next(line);) {
      const std::string_view text = CutComment(line);
      if (ClassifyLine(text, program) == LineKind::Header) return DecodeLine(text);
    }
  } catch (const std::exception&) {
  }
  return std::string();
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
  // The editor keeps a file's comments as written, so the chart program cuts them here
  // exactly as the conic program cuts them from the file's lines.
  const std::string_view text = CutComment(line);
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

std::string NotDrawnReason(const LineOutcome& outcome) {
  if (outcome.kind == LineOutcome::Kind::Error) return outcome.message;
  if (outcome.noCategory) return "最初の見出しより前の記録なので描かれません";
  return RejectionText(outcome.why);
}

void NotDrawnTally::Count(int line, const std::string& reason) {
  if (m_records++ == 0) {
    m_firstLine = line;
    m_firstReason = reason;
  }
}

void NotDrawnTally::Feed(const LineOutcome& outcome, int line) {
  using Kind = LineOutcome::Kind;
  const bool record =
      outcome.kind == Kind::Record || outcome.kind == Kind::Reject || outcome.kind == Kind::Error;
  if (!m_stoppedWhy.empty()) {
    if (record) Count(line, m_stoppedWhy);
    return;
  }
  if (outcome.kind == Kind::Reject || outcome.kind == Kind::Error) {
    Count(line, NotDrawnReason(outcome));
  }
  if (outcome.kind == Kind::Stop) {
    m_stoppedWhy = "カテゴリは " + std::to_string(CategoryLimit(m_program)) + " つまでなので、" +
                   std::to_string(line) + " 行目の見出しから後の記録は描かれません";
  } else if (outcome.stops) {
    m_stoppedWhy = std::to_string(line) +
                   " 行目の変換エラーで読み込みを終えたので、その後の記録は描かれません";
  }
}

std::string CheckCommand(Program program, int gridSize, std::string_view file) {
  std::string command = std::string("tarvo-check --program ") +
                        (program == Program::Conic ? "conic" : "chart") + " --precision " +
                        std::to_string(gridSize) + ' ';
  // Plain names go as they are; anything a shell would read otherwise goes in single
  // quotes, a quote inside written as '\''.
  const bool plain = !file.empty() && std::all_of(file.begin(), file.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("/._-+,:@%").find(c) != std::string_view::npos ||
           static_cast<unsigned char>(c) >= 0x80;
  });
  if (plain) return command.append(file);
  command += '\'';
  for (const char c : file) {
    if (c == '\'') {
      command += "'\\''";
    } else {
      command += c;
    }
  }
  command += '\'';
  return command;
}

std::string NotDrawnSentence(long records, int firstLine, const std::string& firstReason,
                             Program program, int gridSize, std::string_view file) {
  return std::to_string(records) + " 件の記録を描いていません（最初は " +
         std::to_string(firstLine) + " 行目: " + VisibleText(firstReason) + "）。一覧は " +
         CheckCommand(program, gridSize, file) + " で見られます";
}

std::string NotDrawnSentence(const NotDrawnTally& tally, Program program, int gridSize,
                             std::string_view file) {
  return NotDrawnSentence(tally.Records(), tally.FirstLine(), tally.FirstReason(), program,
                          gridSize, file);
}

GrdText LoadGrdText(LineReader& reader) {
  GrdText text;
  bool nonAscii = false;
  bool allUtf8 = true;
  bool lineEndSeen = false;
  std::string raw;
  while (reader.Next(raw)) {
    if (!IsAscii(raw)) {
      nonAscii = true;
      if (allUtf8 && !IsWellFormedUtf8(raw)) allUtf8 = false;
    }
    if (!lineEndSeen && !reader.LineEnd().empty()) {
      text.layout.lineEnd = std::string(reader.LineEnd());
      lineEndSeen = true;
    }
    text.lines.push_back(DecodeLine(raw));
  }
  text.layout.endsWithLineEnd = text.lines.empty() || !reader.LineEnd().empty();
  if (text.layout.endsWithLineEnd) text.lines.emplace_back();
  using Encoding = GrdLayout::Encoding;
  text.layout.encoding = reader.HadByteOrderMark() ? Encoding::Utf8WithBom
                         : !nonAscii               ? Encoding::Default
                         : allUtf8                 ? Encoding::Utf8
                                                   : Encoding::ShiftJis;
  return text;
}

GrdText LoadGrdText(const std::string& path) {
  LineReader reader = LineReader::Open(path);
  return LoadGrdText(reader);
}

namespace {

// The first character of a line that Shift-JIS cannot write so that it reads back.
std::string FirstUnwritable(std::string_view line) {
  size_t i = 0;
  while (i < line.size()) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string_view character = line.substr(i, length);
    if (!Utf8ToCp932(character)) return std::string(character);
    i += length;
  }
  // Each character has a code, yet the line's bytes would read back as UTF-8.
  return std::string(line);
}

}  // namespace

std::optional<std::string> EncodeGrdText(const std::vector<std::string>& lines,
                                         const GrdLayout& layout, UnwritableCharacter* where) {
  using Encoding = GrdLayout::Encoding;
  std::string out;
  if (layout.encoding == Encoding::Utf8WithBom) out = kUtf8Bom;
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += layout.lineEnd;
    if (layout.encoding != Encoding::ShiftJis) {
      joined += lines[i];
      continue;
    }
    std::optional<std::string> sjis = Utf8ToCp932(lines[i]);
    if (!sjis || DecodeLine(*sjis) != lines[i]) {
      if (where) *where = {static_cast<int>(i + 1), FirstUnwritable(lines[i])};
      return std::nullopt;
    }
    joined += *sjis;
  }
  if (!lines.empty() && !lines.back().empty() && layout.endsWithLineEnd) joined += layout.lineEnd;
  out += layout.encoding == Encoding::Default ? EncodeForFile(joined) : joined;
  return out;
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
