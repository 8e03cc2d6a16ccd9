#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

/// What a spreadsheet did to a mesh code it stored as a number and showed in exponent
/// notation ("5.53750131E+08"), as a Japanese sentence: the code it probably was, or that
/// its lower digits are lost. Empty when the text is not such a number or not of a code's
/// length (6 to 11 digits before the point).
std::string ExponentNotationNote(std::string_view text);

/// The code a number in exponent notation stands for when every digit of a code of 6 to 9
/// digits survived ("5.33946111E8" is 533946111); nullopt when the text is no such number,
/// when digits were lost, or when it has digits after the code's last.
std::optional<std::string> ExponentNotationCode(std::string_view text);

/// The digits of a mesh code written in parts as on maps and in lists ("6441-0455",
/// "5339 46 11", with full-width dashes or blanks too); nullopt when the text is not a
/// code in parts: the first part must be a primary (4 digits) or secondary (6 digits)
/// code whose primary parts lie in Japan, so that a date such as 2025-01-01 is not taken
/// for one.
std::optional<std::string> JoinSeparatedMeshCode(std::string_view text);

}  // namespace core
