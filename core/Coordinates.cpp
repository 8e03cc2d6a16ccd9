#include "core/Coordinates.h"

#include <cmath>
#include <limits>
#include <vector>

#include "core/MeshCodeText.h"
#include "core/Number.h"
#include "core/Table.h"
#include "core/TextCodec.h"

namespace core {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The value of a run of decimal digits with at most one point and an optional sign, which
// the tokenizers have already checked. Only its size can defeat the conversion: hundreds of
// digits before the point are more than a double holds, after it less.
double DigitsValue(std::string_view digits) {
  if (const std::optional<double> value = ParseReal(digits)) return *value;
  const size_t point = digits.find('.');
  if (digits.substr(0, point).find_first_of("123456789") == std::string_view::npos) return 0.0;
  const double huge = std::numeric_limits<double>::infinity();
  return digits.starts_with('-') ? -huge : huge;
}

std::string Quoted(std::string_view text) {
  constexpr size_t kShown = 40;
  std::string shown = VisibleText(text.size() > kShown ? WholeCharacters(text, 0, kShown) : text);
  if (shown.size() < text.size()) shown += "…";
  return "「" + shown + "」";
}

// Marks people put after degrees, minutes and seconds, and their ASCII stand-ins, each
// replaced by one letter; hemisphere words by their letter. Longest forms first.
std::string Normalize(std::string_view utf8) {
  static const struct {
    std::string_view from;
    std::string_view to;
  } kMarks[] = {
      {"北緯", " N "}, {"南緯", " S "}, {"東経", " E "}, {"西経", " W "}, {"°", " d "},
      {"º", " d "},    {"˚", " d "},    {"度", " d "},   {"゜", " d "},   {"ﾟ", " d "},
      {"′′", " s "},   {"''", " s "},   {"″", " s "},    {"\"", " s "},   {"”", " s "},
      {"秒", " s "},   {"′", " m "},    {"'", " m "},    {"’", " m "},    {"´", " m "},
      {"分", " m "},   {"北", " N "},   {"南", " S "},   {"東", " E "},   {"西", " W "},
      {":", " "},      {"−", "-"},      {"–", "-"},
  };
  const std::string folded = FoldWidth(utf8);
  std::string out;
  for (size_t i = 0; i < folded.size();) {
    bool replaced = false;
    for (const auto& mark : kMarks) {
      if (std::string_view(folded).substr(i).starts_with(mark.from)) {
        out += mark.to;
        i += mark.from.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += folded[i++];
  }
  return out;
}

struct Token {
  enum Kind { Number, Unit, Hemisphere, Sign } kind;
  std::string text;
};

// Splits a normalized angle into numbers, unit letters (d, m, s), hemisphere letters and
// a sign; false when anything else stands in it.
bool Tokenize(std::string_view s, std::vector<Token>& tokens) {
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      size_t j = i;
      bool point = false;
      while (j < s.size() && (IsDigit(s[j]) || (s[j] == '.' && !point))) {
        point = point || s[j] == '.';
        ++j;
      }
      tokens.push_back({Token::Number, std::string(s.substr(i, j - i))});
      i = j;
    } else if (c == 'd' || c == 'm' || c == 's' || c == 'D' || c == 'M') {
      tokens.push_back({Token::Unit, std::string(1, c == 'D' ? 'd' : c == 'M' ? 'm' : c)});
      ++i;
    } else if (c == 'N' || c == 'S' || c == 'E' || c == 'W' || c == 'n' || c == 'e' || c == 'w') {
      tokens.push_back({Token::Hemisphere, std::string(1, c == 'n'   ? 'N'
                                                          : c == 'e' ? 'E'
                                                          : c == 'w' ? 'W'
                                                                     : c)});
      ++i;
    } else if (c == '-' || c == '+') {
      tokens.push_back({Token::Sign, std::string(1, c)});
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

ParsedValue ParseAngle(std::string_view utf8, Axis axis) {
  ParsedValue result;
  const std::string_view cell = TrimBlanks(utf8);
  // Most tables write plain decimal degrees, read here at once: the same value as the
  // token reading below gives. Anything else, and a value out of range (for its message),
  // takes the long way.
  if (const std::optional<double> plain = ParsePlainDecimal(cell)) {
    if (std::fabs(*plain) <= (axis == Axis::Latitude ? 90.0 : 180.0)) {
      result.value = *plain;
      return result;
    }
  }
  if (cell.empty() || FoldWidth(cell).find_first_not_of(' ') == std::string::npos) return result;
  const char* const what = axis == Axis::Latitude ? "緯度" : "経度";
  auto fail = [&](const std::string& why) {
    result.why = std::string(what) + " " + Quoted(cell) + " " + why;
    return result;
  };
  std::vector<Token> tokens;
  if (!Tokenize(Normalize(cell), tokens)) return fail("は読めません");

  double parts[3] = {0, 0, 0};
  bool have[3] = {false, false, false};
  int next = 0;
  char hemisphere = 0;
  bool negative = false;
  bool signSeen = false;
  bool numberSeen = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    switch (t.kind) {
      case Token::Sign:
        if (numberSeen || signSeen) return fail("は読めません");
        signSeen = true;
        negative = t.text == "-";
        break;
      case Token::Hemisphere:
        if (hemisphere != 0) return fail("は読めません");
        hemisphere = t.text[0];
        break;
      case Token::Number: {
        int slot = next;
        if (i + 1 < tokens.size() && tokens[i + 1].kind == Token::Unit) {
          const char unit = tokens[i + 1].text[0];
          slot = unit == 'd' ? 0 : unit == 'm' ? 1 : 2;
          ++i;
        }
        if (slot > 2 || slot < next || have[slot]) return fail("は読めません");
        // Only the last part may have a fraction: 35.5°30′ means nothing.
        for (int k = 0; k < slot; ++k) {
          if (have[k] && parts[k] != std::floor(parts[k])) return fail("は読めません");
        }
        parts[slot] = DigitsValue(t.text);
        have[slot] = true;
        next = slot + 1;
        numberSeen = true;
        break;
      }
      case Token::Unit:
        return fail("は読めません");
    }
  }
  if (!have[0]) return fail("に度の値がありません");
  if ((have[1] || have[2]) && parts[0] != std::floor(parts[0])) return fail("は読めません");
  if (have[1] && parts[1] >= 60) return fail("の分が 60 以上です");
  if (have[2] && parts[2] >= 60) return fail("の秒が 60 以上です");
  if (hemisphere != 0) {
    const bool latLetter = hemisphere == 'N' || hemisphere == 'S';
    if (latLetter != (axis == Axis::Latitude)) {
      return fail(axis == Axis::Latitude ? "に経度の記号（E/W）が付いています"
                                         : "に緯度の記号（N/S）が付いています");
    }
    if (hemisphere == 'S' || hemisphere == 'W') {
      if (signSeen && negative) return fail("は負の符号と S/W が重なっています");
      negative = true;
    }
  }
  double degrees = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
  if (negative) degrees = -degrees;
  const double limit = axis == Axis::Latitude ? 90.0 : 180.0;
  if (!(std::fabs(degrees) <= limit)) {
    return fail(axis == Axis::Latitude ? "は ±90 度を超えています" : "は ±180 度を超えています");
  }
  result.value = degrees;
  return result;
}

ParsedPair ParseCoordinatePair(std::string_view utf8) {
  ParsedPair pair;
  const std::string_view cell = TrimBlanks(utf8);
  if (cell.empty()) return pair;
  const std::string text = Normalize(cell);
  // Where the first coordinate ends: a comma, semicolon or slash; else just after the
  // first hemisphere letter that follows a number; else the one blank between two numbers.
  size_t cut = text.find_first_of(";/");
  if (cut == std::string::npos) {
    const size_t comma = text.find(',');
    if (comma != std::string::npos) cut = comma;
  }
  size_t secondStart = cut == std::string::npos ? cut : cut + 1;
  // Hemisphere letters stand all before their numbers ("N35 E139") or all after them
  // ("35N 139E"): the second coordinate starts at the second letter or after the first.
  if (cut == std::string::npos) {
    auto isLetter = [](char c) { return c == 'N' || c == 'S' || c == 'E' || c == 'W'; };
    const size_t firstLetter = text.find_first_of("NSEW");
    const size_t firstDigit = text.find_first_of("0123456789");
    if (firstLetter != std::string::npos && firstDigit != std::string::npos) {
      if (firstLetter < firstDigit) {
        for (size_t i = firstDigit; i < text.size(); ++i) {
          if (isLetter(text[i])) {
            cut = i;
            secondStart = i;
            break;
          }
        }
      } else {
        cut = firstLetter + 1;
        secondStart = cut;
      }
    }
  }
  if (cut == std::string::npos) {
    const std::string_view t = TrimBlanks(text);
    const size_t blank = t.find(' ');
    if (blank != std::string::npos &&
        t.find(' ', t.find_first_not_of(' ', blank)) == std::string::npos) {
      const size_t offset = static_cast<size_t>(t.data() - text.data());
      cut = offset + blank;
      secondStart = cut + 1;
    }
  }
  if (cut == std::string::npos || secondStart >= text.size()) {
    pair.why = "座標 " + Quoted(cell) + " から緯度と経度を分けられません";
    return pair;
  }
  std::string first = text.substr(0, cut);
  std::string second = text.substr(secondStart);
  // A longitude given first is told by its letter.
  if (first.find_first_of("EW") != std::string::npos ||
      second.find_first_of("NS") != std::string::npos) {
    std::swap(first, second);
  }
  const ParsedValue lat = ParseAngle(first, Axis::Latitude);
  const ParsedValue lon = ParseAngle(second, Axis::Longitude);
  if (!lat.value || !lon.value) {
    pair.why = "座標 " + Quoted(cell) + " が読めません";
    if (!lat.why.empty() || !lon.why.empty())
      pair.why += "（" + (lat.why.empty() ? lon.why : lat.why) + "）";
    return pair;
  }
  pair.lat = lat.value;
  pair.lon = lon.value;
  return pair;
}

namespace {

// A number at the front of `s` ("1,234.5" too), advancing `pos`; nullopt when none.
std::optional<double> LeadingNumber(std::string_view s, size_t& pos) {
  auto digitAt = [&](size_t k) { return k < s.size() && IsDigit(s[k]); };
  size_t i = pos;
  std::string digits;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) digits += s[i++];
  bool any = false;
  bool point = false;
  while (i < s.size()) {
    if (IsDigit(s[i])) {
      digits += s[i++];
      any = true;
    } else if (s[i] == '.' && !point) {
      point = true;
      digits += s[i++];
    } else if (s[i] == ',' && any && !point && digitAt(i + 1) && digitAt(i + 2) && digitAt(i + 3) &&
               !digitAt(i + 4)) {
      ++i;  // a thousands separator
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  pos = i;
  return DigitsValue(digits);
}

}  // namespace

ParsedValue ParseElevation(std::string_view utf8, bool feet) {
  ParsedValue result;
  // A plain number of metres, the usual cell, read at once when it is within range.
  if (const std::optional<double> plain = ParsePlainDecimal(TrimBlanks(utf8)); plain && !feet) {
    if (*plain >= kLowestElevation && *plain <= kHighestElevation) {
      result.value = *plain;
      return result;
    }
  }
  std::string text = FoldWidth(TrimBlanks(utf8));
  const std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty() || trimmed.find_first_not_of(' ') == std::string_view::npos) return result;
  auto fail = [&] {
    result.why = "標高 " + Quoted(TrimBlanks(utf8)) + " は読めません";
    return result;
  };
  // Checked on each end of a range, so that no mean hides an impossible end.
  auto absurd = [](double metres) {
    return !(metres >= kLowestElevation && metres <= kHighestElevation);
  };
  auto failAbsurd = [&] {
    result.why = "標高 " + Quoted(TrimBlanks(utf8)) + " は地球上の標高の範囲（" +
                 FormatTrimmed(kLowestElevation, 0) + "〜" + FormatTrimmed(kHighestElevation, 0) +
                 " m）を外れています";
    return result;
  };
  std::string s(trimmed);
  for (const std::string_view prefix : {"約", "ca.", "c.", "ca", "approx."}) {
    if (std::string_view(s).starts_with(prefix)) {
      s = std::string(TrimBlanks(std::string_view(s).substr(prefix.size())));
      break;
    }
  }
  size_t pos = 0;
  const auto low = LeadingNumber(s, pos);
  if (!low) return fail();
  std::optional<double> high;
  auto skipBlanks = [&] {
    while (pos < s.size() && s[pos] == ' ')
      ++pos;
  };
  auto unit = [&]() -> int {  // 0 none, 1 metres, 2 feet
    skipBlanks();
    for (const std::string_view u : {"feet", "ft.", "ft", "フィート"}) {
      if (std::string_view(s).substr(pos).starts_with(u)) {
        pos += u.size();
        return 2;
      }
    }
    for (const std::string_view u : {"メートル", "m.", "m"}) {
      if (std::string_view(s).substr(pos).starts_with(u)) {
        pos += u.size();
        return 1;
      }
    }
    return 0;
  };
  int firstUnit = unit();
  skipBlanks();
  for (const std::string_view dash : {"-", "~", "〜", "～", "–", "−", "to"}) {
    if (std::string_view(s).substr(pos).starts_with(dash)) {
      pos += dash.size();
      skipBlanks();
      high = LeadingNumber(s, pos);
      if (!high) return fail();
      const int secondUnit = unit();
      if (firstUnit == 0) firstUnit = secondUnit;
      break;
    }
  }
  skipBlanks();
  if (pos != s.size()) return fail();
  const double metresPer = firstUnit == 2 || (firstUnit == 0 && feet) ? 0.3048 : 1.0;
  if (absurd(*low * metresPer) || (high && absurd(*high * metresPer))) return failAbsurd();
  result.value = (high ? (*low + *high) / 2.0 : *low) * metresPer;
  return result;
}

ParsedMesh ParseMeshCell(std::string_view utf8) {
  ParsedMesh mesh;
  const std::string folded = FoldWidth(TrimBlanks(utf8));
  const std::string_view cell = TrimBlanks(folded);
  if (cell.empty()) return mesh;
  auto fail = [&](const std::string& why) {
    mesh.why = "メッシュコード " + Quoted(TrimBlanks(utf8)) + " " + why;
    mesh.note.clear();
    return mesh;
  };
  std::string digits(cell);
  if (const std::optional<std::string> code = ExponentNotationCode(cell)) {
    digits = *code;
    mesh.note = "メッシュコード " + Quoted(TrimBlanks(utf8)) +
                " は表計算ソフトで数値に変わった指数表記のようですが、桁はすべて残っているので " +
                digits + " として読みました";
  } else if (const std::string note = ExponentNotationNote(cell); !note.empty()) {
    return fail("は" + note);
  }
  if (digits.find_first_not_of("0123456789") != std::string::npos) {
    const auto joined = JoinSeparatedMeshCode(cell);
    if (!joined) {
      if (cell.find_first_of("eE") != std::string::npos &&
          cell.find_first_not_of("0123456789.eE+-") == std::string::npos) {
        return fail("は表計算ソフトで数値に変わった指数表記のようで、コードの桁が失われています");
      }
      return fail("は数字だけではありません");
    }
    digits = *joined;
  }
  if (digits.size() < 6) return fail("は短すぎます（6 桁から 9 桁）");
  if (digits.size() > 9) return fail("は長すぎます（6 桁から 9 桁）");
  if (digits[4] > '7' || digits[5] > '7') return fail("の 5・6 桁目は 0 から 7 です");
  if (digits.size() == 7 && (digits[6] < '1' || digits[6] > '4')) {
    return fail("の 7 桁目（5 倍メッシュの区画）は 1 から 4 です");
  }
  if (digits.size() == 9 && (digits[8] < '1' || digits[8] > '5')) {
    return fail("の 9 桁目は 1 から 5 です");
  }
  mesh.digits = std::move(digits);
  return mesh;
}

std::string ImplausibleAltitude(double metres) {
  for (const double code : {-9999.0, -999.0, 9999.0}) {
    if (metres == code) {
      return "標高 " + FormatShortest(metres) +
             " m は「値なし」の印によく使われる数で、本当の標高ではなさそうです";
    }
  }
  if (!(metres > kHighestInJapan)) return "";
  std::string why = "標高 " + FormatShortest(metres) +
                    " m は日本の最高点（3776 m）より高く、本当の標高ではなさそうです";
  constexpr double kMetresPerFoot = 0.3048;
  if (metres * kMetresPerFoot <= kHighestInJapan) {
    why += "（フィートで書いた値なら " + FormatTrimmed(metres * kMetresPerFoot, 1) + " m）";
  }
  return why;
}

}  // namespace core
