#include "core/Number.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
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

std::optional<double> ParseReal(std::string_view s) {
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
