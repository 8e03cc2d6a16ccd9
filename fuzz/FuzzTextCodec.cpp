// Any bytes through the Shift-JIS/UTF-8 codec, checked against invariants a file's reader
// relies on: decoding gives well-formed UTF-8, a text encoded for a file reads back as the
// same characters, and a quoted piece of a line is cut at character boundaries.
//
// Input: 2 bytes position and 2 bytes count (little-endian; count 0xFFFF stands for "to the
// end", SIZE_MAX) for WholeCharacters, then the line. An input shorter than 4 bytes is the
// line itself, asked whole.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/TextCodec.h"
#include "fuzz/FuzzCheck.h"

namespace {

using fuzz::Require;
using fuzz::RequireSame;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

unsigned Byte(std::string_view s, size_t i) {
  return static_cast<unsigned char>(s[i]);
}

// A second opinion on RFC 3629 written the other way round: decode the code point, then
// reject overlong forms, surrogates and values past U+10FFFF by value, not by byte ranges.
bool ReferenceWellFormed(std::string_view s) {
  constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  size_t i = 0;
  while (i < s.size()) {
    const unsigned b = Byte(s, i);
    size_t length = 0;
    std::uint32_t cp = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      length = 2;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      length = 3;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      length = 4;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (s.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((Byte(s, i + k) & 0xC0) != 0x80) return false;
      cp = cp << 6 | (Byte(s, i + k) & 0x3F);
    }
    if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

bool Ascii(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (Byte(s, i) >= 0x80) return false;
  }
  return true;
}

// boundary[i]: a character starts at byte i (or i is the end of the line).
std::vector<bool> Boundaries(std::string_view line, bool utf8) {
  std::vector<bool> boundary(line.size() + 1, false);
  boundary[line.size()] = true;
  if (utf8) {
    for (size_t i = 0; i < line.size(); ++i)
      boundary[i] = (Byte(line, i) & 0xC0) != 0x80;
    return boundary;
  }
  for (size_t i = 0; i < line.size();) {
    boundary[i] = true;
    const unsigned b = Byte(line, i);
    i += (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) ? 2 : 1;
  }
  return boundary;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  lines.push_back(text.substr(start));
  return lines;
}

// The first code point of a well-formed UTF-8 text that Shift-JIS has no code for.
std::optional<std::string_view> FirstUnencodable(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    size_t next = i + 1;
    while (next < utf8.size() && (Byte(utf8, next) & 0xC0) == 0x80)
      ++next;
    const std::string_view one = utf8.substr(i, next - i);
    if (!core::Utf8ToCp932(one)) return one;
    i = next;
  }
  return std::nullopt;
}

void CheckWholeCharacters(std::string_view line, size_t pos, size_t count) {
  const std::string_view piece = core::WholeCharacters(line, pos, count);
  const size_t n = line.size();
  Require(piece.data() >= line.data() && piece.data() + piece.size() <= line.data() + n,
          "WholeCharacters returns a piece of the line");
  const auto start = static_cast<size_t>(piece.data() - line.data());
  const size_t end = start + piece.size();
  const size_t askedStart = std::min(pos, n);
  const size_t askedEnd = askedStart + std::min(count, n - askedStart);
  Require(start <= askedStart && askedEnd <= end, "WholeCharacters contains the asked range");
  if (askedEnd == askedStart) return;

  const bool utf8 = !Ascii(line) && ReferenceWellFormed(line);
  const std::vector<bool> boundary = Boundaries(line, utf8);
  Require(boundary[start] && boundary[end], "WholeCharacters cuts at character boundaries");
  // No wider than the characters the asked bytes touch.
  for (size_t i = start + 1; i <= askedStart; ++i)
    Require(!boundary[i], "WholeCharacters starts at the character holding the first byte");
  for (size_t i = askedEnd; i < end; ++i)
    Require(!boundary[i], "WholeCharacters ends at the character holding the last byte");
  if (utf8) {
    Require(ReferenceWellFormed(piece), "WholeCharacters of a UTF-8 line is UTF-8");
    return;
  }
  // The decoder's own idea of characters: a line it decodes cleanly decodes the same in
  // three pieces cut where WholeCharacters cut it.
  const std::string whole = core::Cp932ToUtf8(line);
  if (whole.find(kReplacement) != std::string::npos) return;
  RequireSame(core::Cp932ToUtf8(line.substr(0, start)) + core::Cp932ToUtf8(piece) +
                  core::Cp932ToUtf8(line.substr(end)),
              whole, "WholeCharacters cuts Shift-JIS where the decoder does");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  size_t pos = 0;
  size_t count = std::numeric_limits<size_t>::max();
  if (size >= 4) {
    pos = static_cast<size_t>(data[0] | data[1] << 8);
    count = static_cast<size_t>(data[2] | data[3] << 8);
    if (count == 0xFFFF) count = std::numeric_limits<size_t>::max();
    data += 4;
    size -= 4;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool ascii = Ascii(bytes);
  const bool wellFormed = ReferenceWellFormed(bytes);

  Require(core::IsAscii(bytes) == ascii, "IsAscii");
  Require(core::IsWellFormedUtf8(bytes) == wellFormed, "IsWellFormedUtf8 follows RFC 3629");

  const std::string fromSjis = core::Cp932ToUtf8(bytes);
  Require(ReferenceWellFormed(fromSjis), "Cp932ToUtf8 gives well-formed UTF-8");
  if (ascii) RequireSame(fromSjis, bytes, "Cp932ToUtf8 leaves ASCII alone");

  const std::string decoded = core::DecodeLine(bytes);
  RequireSame(decoded, wellFormed ? std::string(bytes) : fromSjis,
              "DecodeLine takes well-formed UTF-8 as it is and anything else as Shift-JIS");

  const std::optional<std::string> sjis = core::Utf8ToCp932(bytes);
  const std::string forFile = core::EncodeForFile(bytes);
  if (!wellFormed) {
    Require(!sjis, "Utf8ToCp932 refuses what is not UTF-8");
    RequireSame(forFile, bytes, "EncodeForFile leaves what is not UTF-8 alone");
  } else if (sjis) {
    RequireSame(core::Cp932ToUtf8(*sjis), bytes, "Utf8ToCp932 round-trips through Cp932ToUtf8");
    // Shift-JIS, unless one of its lines would read back as UTF-8: then the UTF-8 itself.
    Require(forFile == *sjis || forFile == bytes,
            "EncodeForFile writes Shift-JIS when Shift-JIS holds the text, else the UTF-8");
  } else {
    Require(FirstUnencodable(bytes).has_value(),
            "Utf8ToCp932 fails only for a character Shift-JIS cannot hold");
    RequireSame(forFile, bytes, "EncodeForFile keeps UTF-8 that Shift-JIS cannot hold");
  }
  if (wellFormed) {
    // Files are read back line by line, each line guessed on its own.
    const std::vector<std::string_view> written = SplitLines(forFile);
    const std::vector<std::string_view> meant = SplitLines(bytes);
    Require(written.size() == meant.size(), "EncodeForFile keeps the line breaks");
    for (size_t i = 0; i < meant.size(); ++i) {
      RequireSame(core::DecodeLine(written[i]), meant[i],
                  "a line of EncodeForFile reads back through DecodeLine unchanged");
    }
  }

  CheckWholeCharacters(bytes, pos, count);
  return 0;
}
