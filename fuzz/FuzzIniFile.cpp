// Any bytes as a settings file: every key the file holds must read back as the profile
// rules say (first section of a name, first key in it, ASCII case folded, blanks trimmed),
// typed reads must agree with the text, a write must change only its own key, and values
// must survive a save and a reload.
//
// The profile uses Qt's strings only, which need no application object, so none is made:
// that keeps each run cheap and shows the profile works without one.
#include <QString>
#include <QStringDecoder>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"
#include "core/TextCodec.h"
#include "core/TextFile.h"
#include "fuzz/FuzzCheck.h"
#include "platform/text/IniFile.h"

namespace {

using fuzz::Require;
using platform::IniFile;

// Enough keys to reach every rule; more would only slow the fuzzer down.
constexpr size_t kMaxQueries = 48;
constexpr size_t kMaxWrites = 6;
const QString kMissing = QStringLiteral("\x01missing");

QString Trim(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
    ++begin;
  while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
    --end;
  return text.mid(begin, end - begin);
}

char16_t FoldAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Names as the profile compares them once their blanks are trimmed.
bool SameName(const QString& a, const QString& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i].unicode()) != FoldAscii(b[i].unicode())) return false;
  }
  return true;
}

// The same name spelt with every ASCII letter in the other case.
QString FlipCase(const QString& name) {
  QString flipped = name;
  for (QChar& c : flipped) {
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z') c = QChar(static_cast<char16_t>(u - (u'a' - u'A')));
    if (u >= u'A' && u <= u'Z') c = QChar(static_cast<char16_t>(u + (u'a' - u'A')));
  }
  return flipped;
}

std::string Utf8(const QString& text) {
  return text.toStdString();
}

void RequireSame(const QString& got, const QString& want, const char* invariant) {
  fuzz::RequireSame(Utf8(got), Utf8(want), invariant);
}

// The file as the profile rules describe it, line by line.
struct ModelLine {
  enum class Kind { Other, Section, Key } kind = Kind::Other;
  QString text;
  QString name;
  QString value;
};

std::vector<ModelLine> Model(std::string_view bytes) {
  std::vector<ModelLine> model;
  core::LineReader reader = core::LineReader::FromText(std::string(bytes));
  std::string line;
  while (reader.Next(line)) {
    ModelLine m;
    // Only the mark that starts the file is dropped (by the reader); any later one is data.
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    m.text = decode(core::DecodeLine(line));
    const QString trimmed = Trim(m.text);
    if (trimmed.startsWith(u'[')) {
      const qsizetype close = trimmed.indexOf(u']');
      if (close > 0) {
        m.kind = ModelLine::Kind::Section;
        m.name = Trim(trimmed.mid(1, close - 1));
      }
    } else if (!trimmed.startsWith(u';') && trimmed.indexOf(u'=') > 0) {
      const qsizetype equals = trimmed.indexOf(u'=');
      m.kind = ModelLine::Kind::Key;
      m.name = Trim(trimmed.left(equals));
      m.value = Trim(trimmed.mid(equals + 1));
    }
    model.push_back(std::move(m));
  }
  return model;
}

std::optional<QString> Lookup(const std::vector<ModelLine>& model, const QString& untrimmedSection,
                              const QString& untrimmedKey) {
  const QString section = Trim(untrimmedSection);
  const QString key = Trim(untrimmedKey);
  size_t i = 0;
  while (i < model.size() &&
         !(model[i].kind == ModelLine::Kind::Section && SameName(model[i].name, section)))
    ++i;
  for (++i; i < model.size() && model[i].kind != ModelLine::Kind::Section; ++i) {
    if (model[i].kind == ModelLine::Kind::Key && SameName(model[i].name, key)) {
      return model[i].value;
    }
  }
  return std::nullopt;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Decimal with a sign, or "0x", "0X", "$" hexadecimal taken as a 32-bit pattern.
std::optional<int> ExpectedInteger(const QString& text) {
  qsizetype i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  const QString rest = text.mid(i);
  std::int64_t value = 0;
  if (rest.startsWith(u"0x") || rest.startsWith(u"0X") || rest.startsWith(u'$')) {
    const QString digits = rest.mid(rest.startsWith(u'$') ? 1 : 2);
    if (digits.isEmpty()) return std::nullopt;
    for (const QChar c : digits) {
      const int digit = HexValue(c.unicode());
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
      if (value > 0xFFFFFFFF) return std::nullopt;
    }
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = ~bits + 1u;
    return static_cast<int>(bits);
  }
  if (rest.isEmpty()) return std::nullopt;
  for (const QChar c : rest) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
    if (value > std::int64_t{1} << 31) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

bool DecimalRealGrammar(std::string_view s) {
  size_t i = 0;
  auto digits = [&] {
    const size_t from = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
      ++i;
    return i - from;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == s.size();
}

struct Query {
  QString section;
  QString key;
  std::optional<QString> value;
};

void CheckQuery(const IniFile& ini, const Query& q) {
  constexpr int kIntA = -7;
  constexpr int kIntB = 11;
  constexpr double kRealA = -0.5;
  constexpr double kRealB = 0.25;
  RequireSame(ini.ReadString(q.section, q.key, kMissing), q.value.value_or(kMissing),
              "ReadString finds the first key of the first section of that name");
  const int intA = ini.ReadInteger(q.section, q.key, kIntA);
  const int intB = ini.ReadInteger(q.section, q.key, kIntB);
  const bool boolA = ini.ReadBool(q.section, q.key, false);
  const bool boolB = ini.ReadBool(q.section, q.key, true);
  const double realA = ini.ReadFloat(q.section, q.key, kRealA);
  const double realB = ini.ReadFloat(q.section, q.key, kRealB);
  if (!q.value) {
    Require(intA == kIntA && intB == kIntB && !boolA && boolB && realA == kRealA && realB == kRealB,
            "a missing key reads as the default");
    return;
  }
  const std::optional<int> integer = ExpectedInteger(*q.value);
  if (integer) {
    Require(intA == *integer && intB == *integer, "ReadInteger reads decimal and hexadecimal");
    Require(boolA == (*integer != 0) && boolB == (*integer != 0), "ReadBool is ReadInteger != 0");
  } else {
    Require(intA == kIntA && intB == kIntB, "ReadInteger gives the default for a non-integer");
    Require(!boolA && boolB, "ReadBool gives the default for a non-integer");
  }
  const std::string text = Utf8(*q.value);
  const bool grammar = DecimalRealGrammar(text);
  errno = 0;
  const double strtodValue = grammar ? std::strtod(text.c_str(), nullptr) : 0.0;
  const bool outOfRange = errno == ERANGE;
  if (realA == realB) {
    Require(grammar && std::isfinite(realA) && realA == strtodValue,
            "ReadFloat reads a finite decimal real");
  } else {
    Require(realA == kRealA && realB == kRealB, "ReadFloat gives the default or the value");
    Require(!grammar || outOfRange, "ReadFloat refuses only malformed or out-of-range reals");
  }
}

std::uint64_t Mix(std::uint64_t seed, size_t salt) {
  std::uint64_t x = seed + 0x9E3779B97F4A7C15u * (salt + 1);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::optional<IniFile> read;
  try {
    read = IniFile::FromBytes(bytes);
  } catch (const core::IoError&) {
    // Only what the line reader refuses (a line over the cap, UTF-16) may stop the reading.
    bool refused = false;
    try {
      core::LineReader reader = core::LineReader::FromText(std::string(bytes));
      std::string line;
      while (reader.Next(line)) {
      }
    } catch (const core::IoError&) {
      refused = true;
    }
    Require(refused, "FromBytes fails only where the line reader does");
    return 0;
  }
  IniFile& ini = *read;
  const std::vector<ModelLine> model = Model(bytes);

  // Every key by the section it sits in, also spelt in the other case and padded.
  std::vector<Query> queries;
  QString section;
  for (const ModelLine& line : model) {
    if (queries.size() >= kMaxQueries) break;
    if (line.kind == ModelLine::Kind::Section) section = line.name;
    if (line.kind != ModelLine::Kind::Key) continue;
    for (const auto& [s, k] :
         {std::pair{section, line.name}, std::pair{FlipCase(section), FlipCase(line.name)},
          std::pair{QStringLiteral(" \t") + section + u' ', u'\t' + line.name}}) {
      queries.push_back({s, k, Lookup(model, s, k)});
    }
  }
  queries.push_back({QStringLiteral("FuzzNoSuchSection"), QStringLiteral("k"), std::nullopt});
  for (const Query& q : queries)
    CheckQuery(ini, q);

  // Writes: to keys the file has and to a new section, with values taken from the input.
  std::uint64_t seed = 0;
  for (const char c : bytes)
    seed = Mix(seed ^ static_cast<unsigned char>(c), 0);
  // Every second key of the file, so that the others keep the file's values for the reload.
  std::vector<Query> writes;
  for (size_t i = 3; i + 1 < queries.size() && writes.size() + 1 < kMaxWrites; i += 6)
    writes.push_back(queries[i]);
  writes.push_back({QStringLiteral("FuzzNew"), QStringLiteral("k"), std::nullopt});
  for (size_t w = 0; w < writes.size(); ++w) {
    const Query& target = writes[w];
    const std::uint64_t r = Mix(seed, w);
    std::optional<QString> stored;
    switch (r % 4) {
      case 0: {
        QString value = model.empty() ? QString() : model[(r >> 8) % model.size()].text;
        if (r & 0x10) value += QStringLiteral("\r\n") + value;
        ini.WriteString(target.section, target.key, value);
        value.replace(u'\r', u' ').replace(u'\n', u' ');
        stored = Trim(value);
        RequireSame(ini.ReadString(target.section, target.key, {}), *stored,
                    "WriteString reads back with line breaks as spaces");
        break;
      }
      case 1: {
        const auto value = static_cast<int>(static_cast<std::uint32_t>(r >> 16));
        ini.WriteInteger(target.section, target.key, value);
        Require(ini.ReadInteger(target.section, target.key, value ^ 1) == value,
                "WriteInteger reads back");
        stored = QString::number(value);
        break;
      }
      case 2: {
        const bool value = (r & 0x100) != 0;
        ini.WriteBool(target.section, target.key, value);
        Require(ini.ReadBool(target.section, target.key, !value) == value, "WriteBool reads back");
        stored = value ? QStringLiteral("1") : QStringLiteral("0");
        break;
      }
      default: {
        double value = 0.0;
        const std::uint64_t pattern = Mix(r, 99);
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value)) value = static_cast<double>(r >> 11) / 1024.0;
        ini.WriteFloat(target.section, target.key, value);
        const double back = ini.ReadFloat(target.section, target.key, std::nan(""));
        Require(back == value, "WriteFloat reads back as the same double");
        stored = ini.ReadString(target.section, target.key, {});
        break;
      }
    }
    // The write is seen by every spelling of its names and by none of the other keys.
    queries.push_back({target.section, target.key, stored});
    for (Query& q : queries) {
      if (SameName(Trim(q.section), Trim(target.section)) &&
          SameName(Trim(q.key), Trim(target.key))) {
        q.value = stored;
        CheckQuery(ini, q);
      } else {
        RequireSame(ini.ReadString(q.section, q.key, kMissing), q.value.value_or(kMissing),
                    "a write leaves the other keys alone");
      }
    }
  }

  // Saved and loaded again, the profile holds the same values, and saving it once more
  // gives the same bytes.
  const std::string saved = ini.ToBytes();
  const IniFile reloaded = IniFile::FromBytes(saved);
  for (const Query& q : queries) {
    RequireSame(reloaded.ReadString(q.section, q.key, kMissing),
                ini.ReadString(q.section, q.key, kMissing),
                "a value survives ToBytes and FromBytes");
  }
  fuzz::RequireSame(reloaded.ToBytes(), saved, "a reloaded profile saves to the same bytes");
  return 0;
}
