#pragma once

#include <string>
#include <string_view>

namespace core {

/// Reads a real number: optional sign, digits with "." as the decimal point, optional
/// exponent; blanks (space, tab) before and after are allowed. Anything else raises
/// ConversionError "'<text>' は浮動小数点数ではありません".
double StrToFloat(std::string_view text);

/// Reads a whole number (optional sign, decimal digits) that fits 32 bits, blanks allowed
/// around it. Anything else raises ConversionError "'<text>' は整数ではありません".
int StrToInt(std::string_view text);

/// The two conversion messages, with the offending text decoded for display.
std::string NotAFloatMessage(std::string_view text);
std::string NotAnIntegerMessage(std::string_view text);

/// Blanks (space, tab) removed from both ends.
std::string_view TrimBlanks(std::string_view text);

}  // namespace core
