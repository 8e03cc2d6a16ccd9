#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

/// True when the bytes are well-formed UTF-8 as RFC 3629 defines it: no overlong forms,
/// no surrogates, nothing above U+10FFFF, no truncated sequence.
bool IsWellFormedUtf8(std::string_view bytes);

/// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

/// Shift-JIS (code page 932) bytes to UTF-8. A byte sequence that is not Shift-JIS
/// becomes U+FFFD, one per offending byte, so decoding never fails.
std::string Cp932ToUtf8(std::string_view bytes);

/// UTF-8 to Shift-JIS (code page 932); nullopt when the text holds a character that
/// Shift-JIS has no code for (or only a look-alike's, such as 〜 and ¥), or is not
/// well-formed UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

/// Decodes one line of a data file written on either system: bytes that are well-formed
/// UTF-8 and contain at least one byte of 0x80 or more are UTF-8, anything else is
/// Shift-JIS. Plain ASCII comes back unchanged.
std::string DecodeLine(std::string_view bytes);

/// The bytes [pos, pos + count) of a line widened to whole characters, the line read as
/// DecodeLine reads it (UTF-8 or Shift-JIS), so that a message quoting them never shows
/// half a character.
std::string_view WholeCharacters(std::string_view line, size_t pos, size_t count);

/// A UTF-8 text with each control character (C0, including tab, and DEL) replaced by its
/// visible picture (U+2400 + code, ␡ for DEL), for messages and report columns: a NUL no
/// longer ends a message early, and a tab or line end no longer breaks a row.
std::string VisibleText(std::string_view utf8);

/// Encodes a UTF-8 text for a data file: Shift-JIS when Shift-JIS can hold every
/// character and each line reads back as Shift-JIS, otherwise the UTF-8 bytes unchanged,
/// so that no character is ever lost.
std::string EncodeForFile(std::string_view utf8);

}  // namespace core
