#pragma once

#include <QString>
#include <cstdint>

namespace platform {

// What a settings file may ask for. A value outside is read as the nearest bound, so that
// a damaged or hostile file still draws a figure and cannot make the program spend its
// memory or time on texts no field shows or sizes no sheet holds.

/// A path the system opens is shorter than PATH_MAX, 4096 bytes; a longer one cut to 4096
/// characters is still too long to open, so the cut never makes it name another file.
constexpr qsizetype kMaxPathChars = 4096;
/// Titles, credits and font names are one line on the sheet.
constexpr qsizetype kMaxTextChars = 256;
/// Colours are 24-bit values, red in the low byte; higher bits would make a colour that
/// compares unequal to the very pixels it painted.
constexpr std::uint32_t kColorBits = 0xFFFFFF;

/// The first `maxChars` characters; a character outside the Basic Multilingual Plane
/// counts as one and is never split from its second half.
inline QString FirstChars(QString text, qsizetype maxChars) {
  if (text.size() <= maxChars) return text;
  qsizetype chars = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (i > 0 && text[i].isLowSurrogate() && text[i - 1].isHighSurrogate()) continue;
    if (chars == maxChars) {
      text.truncate(i);
      break;
    }
    ++chars;
  }
  return text;
}

}  // namespace platform
