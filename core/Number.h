#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// Every number the programs read or write goes through these helpers. The window toolkit
// adopts the user's locale, where strtod, atof and printf read and write a decimal comma
// (de_DE, fr_FR, ...); a data file, a settings file or a report must mean the same
// whoever's desktop wrote it.

/// A plain decimal, read at once: an optional sign, at most 15 digits and a point between
/// them ("-35.36063", "1450"), the numbers of nearly every table cell and data file; the
/// same value ParseReal gives. nullopt for any other text, which ParseReal may still read.
std::optional<double> ParsePlainDecimal(std::string_view text);

/// Reads a real number of the form StrToFloat takes, without blanks around it: nullopt
/// when the text is not one, or when its value lies beyond the range of a double (1e999,
/// 1e-999). "." is the decimal point whatever the locale.
std::optional<double> ParseReal(std::string_view text);

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

/// `value` as printf writes it in the C locale with "%.<precision>f" (fixed),
/// "%.<precision>e" (scientific) or "%.<precision>g" (general), whatever the process's
/// locale. The precision is capped at 100 digits.
std::string FormatReal(double value, std::chars_format format, int precision);

/// Fixed with `decimals` digits after the point, then trailing zeros and a bare point
/// dropped, and a negative zero written "0": 1981.20 -> "1981.2", 46.000000 -> "46".
std::string FormatTrimmed(double value, int decimals);

/// The shortest text that reads back as exactly `value` ("0.1", "45.9999999").
std::string FormatShortest(double value);

/// FormatTrimmed(value, decimals) of the value `text` reads as, made from the text itself
/// when it is a plain decimal ("-35.360630": a sign, digits, a point) of at most `decimals`
/// fraction digits and 15 digits in all, as most table cells are: "-35.36063". nullopt for
/// any other text, which must go the long way.
std::optional<std::string> TrimmedAsWritten(std::string_view text, int decimals);
/// The same appended to `out`; false (and `out` unchanged) for any other text.
bool AppendTrimmedAsWritten(std::string& out, std::string_view text, int decimals);

/// Blanks (space, tab) removed from both ends.
std::string_view TrimBlanks(std::string_view text);

}  // namespace core
