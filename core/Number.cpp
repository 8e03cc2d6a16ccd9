#include "core/Number.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/Errors.h"
#include "core/TextCodec.h"

namespace core {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Checks the grammar ourselves rather than trusting from_chars alone, which would also
// take "inf", "nan" and hexadecimal forms that no data file means as a number.
bool IsDecimalReal(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i]))
    ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i]))
      ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i]))
      ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

// "-35.36063", "1450": a sign, at most 15 digits and a point between them, the numbers of
// every table and data file. Such a number is its digits as a whole number, below 2^53 and
// so exact in a double, divided by a power of ten that is exact too; one division rounds
// correctly, so the value is the one from_chars gives, only sooner. nullopt for any other
// form.
std::optional<double> ShortDecimal(std::string_view s) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) ++i;
  std::uint64_t whole = 0;
  size_t digits = 0;
  size_t fraction = 0;
  const size_t intStart = i;
  for (; i < s.size() && IsDigit(s[i]); ++i, ++digits)
    whole = whole * 10 + static_cast<std::uint64_t>(s[i] - '0');
  if (i == intStart || digits > 15) return std::nullopt;
  if (i < s.size()) {
    if (s[i] != '.') return std::nullopt;
    const size_t fractionStart = ++i;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++digits)
      whole = whole * 10 + static_cast<std::uint64_t>(s[i] - '0');
    fraction = i - fractionStart;
    if (fraction == 0 || i != s.size() || digits > 15) return std::nullopt;
  }
  const double value = static_cast<double>(whole) / kPowers[fraction];
  return negative ? -value : value;
}

std::string Quoted(std::string_view text, const char* tail) {
  std::string message = "'";
  message += VisibleText(DecodeLine(text));
  message += "' ";
  message += tail;
  return message;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string NotAFloatMessage(std::string_view text) {
  return Quoted(text, "は浮動小数点数ではありません");
}

std::string NotAnIntegerMessage(std::string_view text) {
  return Quoted(text, "は整数ではありません");
}

std::optional<double> ParsePlainDecimal(std::string_view text) {
  return ShortDecimal(text);
}

std::optional<double> ParseReal(std::string_view s) {
  if (const std::optional<double> quick = ShortDecimal(s)) return quick;
  if (!IsDecimalReal(s)) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  // Out of range either way (1e999 or 1e-999): a value no file can mean; refuse it
  // like any other malformed number instead of drawing at infinity.
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

double StrToFloat(std::string_view text) {
  const std::optional<double> value = ParseReal(TrimBlanks(text));
  if (!value) throw ConversionError(NotAFloatMessage(text));
  return *value;
}

std::string FormatReal(double value, std::chars_format format, int precision) {
  // to_chars with a precision is printf in the C locale. Fixed notation of the largest
  // double has 309 digits before the point.
  std::array<char, 420> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format,
                                       std::clamp(precision, 0, 100));
  if (ec != std::errc()) return "";
  return std::string(buffer.data(), end);
}

std::string FormatTrimmed(double value, int decimals) {
  std::string text = FormatReal(value, std::chars_format::fixed, decimals);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0')
      text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::optional<std::string> TrimmedAsWritten(std::string_view text, int decimals) {
  std::string out;
  if (!AppendTrimmedAsWritten(out, text, decimals)) return std::nullopt;
  return out;
}

bool AppendTrimmedAsWritten(std::string& out, std::string_view text, int decimals) {
  // The digits a plain decimal of at most `decimals` fraction digits has are those printf
  // writes for the double nearest it: that double lies far closer to the decimal than half a
  // unit of its last place (for magnitudes below 1e9).
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  const size_t intStart = i;
  while (i < text.size() && IsDigit(text[i]))
    ++i;
  const size_t intEnd = i;
  if (intEnd == intStart || intEnd - intStart > 9) return false;
  size_t fractionEnd = intEnd;
  if (i < text.size()) {
    if (text[i] != '.') return false;
    ++i;
    while (i < text.size() && IsDigit(text[i]))
      ++i;
    if (i != text.size() || i == intEnd + 1 || i - intEnd - 1 > static_cast<size_t>(decimals) ||
        i - intStart - 1 > 15) {
      return false;
    }
    fractionEnd = i;
    while (fractionEnd > intEnd + 1 && text[fractionEnd - 1] == '0')
      --fractionEnd;
    if (fractionEnd == intEnd + 1) fractionEnd = intEnd;  // no fraction left: no point
  }
  size_t lead = intStart;
  while (lead + 1 < intEnd && text[lead] == '0')
    ++lead;
  const bool zero = fractionEnd == intEnd && intEnd - lead == 1 && text[lead] == '0';
  if (negative && !zero) out += '-';
  out.append(text.substr(lead, fractionEnd - lead));
  return true;
}

std::string FormatShortest(double value) {
  std::array<char, 64> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (ec != std::errc()) return "";
  return std::string(buffer.data(), end);
}

int StrToInt(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') throw ConversionError(NotAnIntegerMessage(text));
  }
  if (s.empty() || s.front() == '+') throw ConversionError(NotAnIntegerMessage(text));
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) {
    throw ConversionError(NotAnIntegerMessage(text));
  }
  return value;
}

}  // namespace core
