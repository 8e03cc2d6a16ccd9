#include "platform/chart/AxisScale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "core/Number.h"

namespace platform {

namespace {

// Relative slack for values a rounding error off a multiple or off the range's ends.
constexpr double kSlack = 1e-9;

// The value's decimal digits rounded at `decimals` places after the point, a half away
// from zero, worked on its 17 significant digits so that 0.25 rounds to 0.3 and a grid
// value a rounding error below a whole number writes the whole number.
std::string RoundedDigits(double magnitude, int decimals, int& integerDigits) {
  const std::string scientific = core::FormatReal(magnitude, std::chars_format::scientific, 16);
  const size_t e = scientific.find('e');
  std::string digits;
  for (const char c : std::string_view(scientific).substr(0, e)) {
    if (c >= '0' && c <= '9') digits += c;
  }
  int exponent = 0;
  if (e != std::string::npos) {
    const char* first = scientific.data() + e + 1;
    if (*first == '+') ++first;
    std::from_chars(first, scientific.data() + scientific.size(), exponent);
  }
  integerDigits = exponent + 1;
  const int keep = integerDigits + decimals;
  if (keep < 0) {
    integerDigits = 0;
    return std::string(static_cast<size_t>(decimals), '0');
  }
  if (static_cast<size_t>(keep) < digits.size()) {
    const bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      for (; i >= 0 && digits[static_cast<size_t>(i)] == '9'; --i)
        digits[static_cast<size_t>(i)] = '0';
      if (i >= 0) {
        ++digits[static_cast<size_t>(i)];
      } else {
        digits.insert(digits.begin(), '1');
        ++integerDigits;
      }
    }
  } else {
    digits.append(static_cast<size_t>(keep) - digits.size(), '0');
  }
  if (integerDigits < 0) {
    digits.insert(0, static_cast<size_t>(-integerDigits), '0');
    integerDigits = 0;
  }
  return digits;
}

}  // namespace

std::string FormatFloat(double value, std::string_view format) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  const size_t first = format.find_first_of("0#.");
  if (first == std::string_view::npos) return std::string(format);
  const size_t last = format.find_last_of("0#.");
  const std::string_view pattern = format.substr(first, last - first + 1);
  const size_t point = pattern.find('.');
  const std::string_view integerPart = pattern.substr(0, point);
  const std::string_view fractionPart =
      point == std::string_view::npos ? std::string_view() : pattern.substr(point + 1);
  const auto minInteger = static_cast<int>(std::count(integerPart.begin(), integerPart.end(), '0'));
  int decimals = 0;
  int minDecimals = 0;
  for (const char c : fractionPart) {
    if (c == '0' || c == '#') ++decimals;
    if (c == '0') minDecimals = decimals;
  }

  int integerDigits = 0;
  const std::string digits = RoundedDigits(std::fabs(value), decimals, integerDigits);
  std::string whole = digits.substr(0, static_cast<size_t>(integerDigits));
  std::string fraction = digits.substr(static_cast<size_t>(integerDigits));
  const size_t significant = whole.find_first_not_of('0');
  whole = significant == std::string::npos ? std::string() : whole.substr(significant);
  if (static_cast<int>(whole.size()) < minInteger) {
    whole.insert(0, static_cast<size_t>(minInteger) - whole.size(), '0');
  }
  while (static_cast<int>(fraction.size()) > minDecimals && !fraction.empty() &&
         fraction.back() == '0') {
    fraction.pop_back();
  }
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  std::string text;
  if (value < 0 && !zero) text += '-';
  text += format.substr(0, first);
  text += whole;
  if (!fraction.empty()) text += '.' + fraction;
  text += format.substr(last + 1);
  return text;
}

double NextNiceIncrement(double increment) {
  if (!(increment > 0) || !std::isfinite(increment)) return increment;
  double power = std::pow(10.0, std::floor(std::log10(increment)));
  // log10 of an exact power of ten may come out a hair low or high.
  while (power > increment)
    power /= 10;
  while (power * 10 <= increment)
    power *= 10;
  for (const double step : {1.0, 2.0, 5.0, 10.0}) {
    if (step * power > increment * (1 + kSlack)) return step * power;
  }
  return 10 * power;
}

double SpacedIncrement(double range, double increment, double axisPixels, double labelRoom) {
  if (!(labelRoom > 0) || !(increment > 0) || !std::isfinite(increment) || !std::isfinite(range)) {
    return increment;
  }
  const double fit = std::round(axisPixels / labelRoom);
  // Each step at least doubles the increment, so this ends within a few hundred steps for
  // any finite range.
  for (int guard = 0; guard < 4000 && std::round(std::fabs(range) / increment) > fit; ++guard)
    increment = NextNiceIncrement(increment);
  return increment;
}

std::vector<double> GridValues(double minimum, double maximum, double increment, bool* tooMany) {
  if (tooMany) *tooMany = false;
  if (!(increment > 0) || !std::isfinite(increment) || !std::isfinite(minimum) ||
      !std::isfinite(maximum) || maximum < minimum) {
    return {};
  }
  const double from = std::ceil(minimum / increment - kSlack);
  const double to = std::floor(maximum / increment + kSlack);
  if (to - from + 1 > static_cast<double>(kMaxAxisLines)) {
    if (tooMany) *tooMany = true;
    return {};
  }
  std::vector<double> values;
  for (double k = from; k <= to; ++k)
    values.push_back(k * increment);
  return values;
}

std::vector<double> MinorGridValues(double minimum, double maximum, double increment,
                                    int minorCount, bool* tooMany) {
  if (tooMany) *tooMany = false;
  if (minorCount < 1 || !(increment > 0) || !std::isfinite(increment) || !std::isfinite(minimum) ||
      !std::isfinite(maximum) || maximum < minimum) {
    return {};
  }
  const double from = std::floor(minimum / increment + kSlack) - 1;
  const double to = std::floor(maximum / increment + kSlack);
  if ((to - from + 1) * minorCount > static_cast<double>(kMaxAxisLines)) {
    if (tooMany) *tooMany = true;
    return {};
  }
  const double slack = kSlack * std::max(std::fabs(minimum), std::fabs(maximum));
  std::vector<double> values;
  for (double k = from; k <= to; ++k) {
    for (int j = 1; j <= minorCount; ++j) {
      const double v = (k + static_cast<double>(j) / (minorCount + 1)) * increment;
      if (v >= minimum - slack && v <= maximum + slack) values.push_back(v);
    }
  }
  return values;
}

}  // namespace platform
