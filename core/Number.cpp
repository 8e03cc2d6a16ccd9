#include "core/Number.h"

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

double StrToFloat(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (!IsDecimalReal(s)) throw ConversionError(NotAFloatMessage(text));
  if (s.front() == '+') s.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  // Out of range either way (1e999 or 1e-999): a value no file can mean; refuse it
  // like any other malformed number instead of drawing at infinity.
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
    throw ConversionError(NotAFloatMessage(text));
  }
  return value;
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
