#include "core/MeshCodeText.h"

#include <algorithm>

#include "core/Number.h"

namespace core {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Bytes of the separator at `pos`, or 0. People write codes as on maps and in lists,
// with dashes or blanks between the parts, in Japanese text often full-width ones.
size_t SeparatorAt(std::string_view text, size_t pos) {
  static constexpr std::string_view kSeparators[] = {"-", " ", "\t", "－", "‐", "−", "ー", "　"};
  for (const std::string_view separator : kSeparators) {
    if (text.substr(pos).starts_with(separator)) return separator.size();
  }
  return 0;
}

}  // namespace

namespace {

// A number in exponent notation of a code's length (6 to 11 digits before the point): its
// significant digits and how many of them stand before the point.
struct ExponentNumber {
  std::string digits;
  size_t codeDigits = 0;
};

std::optional<ExponentNumber> ReadExponentNumber(std::string_view text) {
  size_t i = 0;
  std::string digits;
  while (i < text.size() && IsDigit(text[i]))
    digits += text[i++];
  const size_t wholeDigits = digits.size();
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i)
      digits += text[i];
  }
  if (wholeDigits == 0 || i >= text.size() || (text[i] != 'E' && text[i] != 'e')) {
    return std::nullopt;
  }
  ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t exponentStart = i;
  long exponent = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i)
    exponent = std::min(exponent * 10 + (text[i] - '0'), 1000L);
  if (i == exponentStart || i != text.size()) return std::nullopt;

  const size_t significant = digits.find_first_not_of('0');
  if (significant == std::string::npos) return std::nullopt;
  digits.erase(0, significant);
  // How many digits the number has before its decimal point.
  const long point = static_cast<long>(wholeDigits) - static_cast<long>(significant) +
                     (negative ? -exponent : exponent);
  // Only a number of a code's length (the programs read 6 to 11 digits) is worth a guess.
  if (point < 6 || point > 11) return std::nullopt;
  return ExponentNumber{std::move(digits), static_cast<size_t>(point)};
}

}  // namespace

std::optional<std::string> ExponentNotationCode(std::string_view text) {
  std::optional<ExponentNumber> number = ReadExponentNumber(text);
  if (!number || number->codeDigits > 9) return std::nullopt;
  // Zeros shown after the code's last digit are no part of it.
  std::string& digits = number->digits;
  while (digits.size() > number->codeDigits && digits.back() == '0')
    digits.pop_back();
  if (digits.size() != number->codeDigits) return std::nullopt;
  return std::move(digits);
}

// A spreadsheet stores a long code typed into a cell as a number and may show it in
// exponent notation ("5.53750131E+08"); copied back to text, it reaches the file so. The
// programs then read "5" as the code and what follows the point as the altitude.
std::string ExponentNotationNote(std::string_view text) {
  const std::optional<ExponentNumber> number = ReadExponentNumber(text);
  if (!number) return "";
  const std::string& digits = number->digits;
  const size_t codeDigits = number->codeDigits;
  const std::string lead = "表計算ソフトで数値に変わった指数表記のようです。";
  if (digits.size() < codeDigits) {
    return lead + std::to_string(codeDigits) + " 桁のコードのうち上の " +
           std::to_string(digits.size()) +
           " 桁しか残っていないので、元の資料からコードを写し直してください";
  }
  if (digits.size() == codeDigits) return lead + "元のコードはおそらく " + digits + " です";
  return lead + "元の記録はおそらく " + digits.substr(0, codeDigits) + '.' +
         digits.substr(codeDigits) + " です";
}

std::optional<std::string> JoinSeparatedMeshCode(std::string_view text) {
  const std::string_view code = TrimBlanks(text);
  std::string digits;
  size_t firstPart = 0;
  bool endsInSeparator = false;
  for (size_t i = 0; i < code.size();) {
    if (IsDigit(code[i])) {
      digits += code[i++];
      endsInSeparator = false;
      continue;
    }
    const size_t length = SeparatorAt(code, i);
    if (length == 0) return std::nullopt;
    if (firstPart == 0) firstPart = digits.size();
    endsInSeparator = true;
    i += length;
  }
  if ((firstPart != 4 && firstPart != 6) || endsInSeparator || digits.size() < 6) {
    return std::nullopt;
  }
  // Japan's primary meshes have latitude parts 30-68 and longitude parts 22-54.
  const int latitudePart = (digits[0] - '0') * 10 + (digits[1] - '0');
  const int longitudePart = (digits[2] - '0') * 10 + (digits[3] - '0');
  if (latitudePart < 30 || latitudePart > 68 || longitudePart < 22 || longitudePart > 54) {
    return std::nullopt;
  }
  return digits;
}

}  // namespace core
