#include "platform/text/IniFile.h"

#include <sys/stat.h>
#include "platform/text/FileName.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "core/Errors.h"
#include "core/Number.h"
#include "core/SaveFile.h"
#include "core/TextCodec.h"
#include "core/TextFile.h"

namespace platform {

namespace {

// Only space and tab: QString::trimmed() would also eat the ideographic space U+3000,
// which is part of many Japanese values.
QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
  while (begin < end && blank(text[begin]))
    ++begin;
  while (end > begin && blank(text[end - 1]))
    --end;
  return text.sliced(begin, end - begin);
}

// Windows folds only ASCII letters when it matches profile names; Qt's case-insensitive
// compare would also fold full-width and accented letters.
bool SameName(const QString& a, const QString& b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char16_t c) -> char16_t {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  };
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (fold(a[i].unicode()) != fold(b[i].unicode())) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int> ParseInteger(const QString& text) {
  const std::string bytes = text.toStdString();
  std::string_view s = bytes;
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  size_t prefix = 0;
  if (s.starts_with("0x") || s.starts_with("0X")) {
    prefix = 2;
  } else if (s.starts_with("$")) {
    prefix = 1;
  }
  if (prefix > 0) {
    s.remove_prefix(prefix);
    if (s.empty()) return std::nullopt;
    // Hexadecimal is how flags and colours get written, so the full 32 bits are allowed
    // and wrap to a negative int as they do on the system the files come from.
    std::uint32_t value = 0;
    for (const char c : s) {
      const int digit = HexDigit(c);
      if (digit < 0 || value > 0x0FFFFFFFu) return std::nullopt;
      value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
  }
  if (s.empty() || s.front() < '0' || s.front() > '9') return std::nullopt;
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  if (negative) value = -value;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

[[noreturn]] void TooLarge(const std::string& path) {
  throw core::IoError(
      "設定ファイルが大きすぎます（" + std::to_string(IniFile::kMaxFileBytes >> 20) + " MiB まで）",
      path);
}

}  // namespace

IniFile::Line IniFile::Parse(QString text) {
  Line line;
  const QString trimmed = TrimBlanks(text);
  if (trimmed.startsWith(u'[')) {
    const qsizetype close = trimmed.indexOf(u']');
    if (close > 0) {
      line.kind = Kind::Section;
      line.name = TrimBlanks(trimmed.sliced(1, close - 1));
    }
  } else if (!trimmed.startsWith(u';')) {
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals > 0) {
      line.kind = Kind::Key;
      line.name = TrimBlanks(trimmed.first(equals));
      line.value = TrimBlanks(trimmed.sliced(equals + 1));
    }
  }
  line.text = std::move(text);
  return line;
}

IniFile IniFile::Read(core::LineReader& reader, size_t maxBytes) {
  IniFile ini;
  std::string bytes;
  // Counts at most the bytes read (a line end as one byte, the final line's as none), so
  // a file that passed the size check never trips it, while a file that grows after the
  // check, a pipe or a device is stopped all the same.
  size_t read = 0;
  while (reader.Next(bytes)) {
    read += bytes.size();
    if (read > maxBytes) TooLarge(reader.Name());
    ++read;
    // A byte-order mark inside the file is data, kept so that the line is written back
    // as it was read (the reader already dropped the one that starts the file).
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    ini.m_lines.push_back(Parse(decode(core::DecodeLine(bytes))));
  }
  return ini;
}

IniFile IniFile::Load(const QString& path) {
  const std::string bytes = FileNameBytes(path);
  struct stat info {};
  if (::stat(bytes.c_str(), &info) != 0) return {};
  // Refused before a byte is read: every line of a profile stays in memory, several times
  // its size, and a settings file is only ever a few kilobytes.
  if (S_ISREG(info.st_mode) && static_cast<quint64>(info.st_size) > kMaxFileBytes) {
    TooLarge(path.toStdString());
  }
  auto reader = core::LineReader::Open(bytes);
  return Read(reader, kMaxFileBytes);
}

IniFile IniFile::FromBytes(std::string_view bytes) {
  auto reader = core::LineReader::FromText(std::string(bytes));
  // The caller holds the bytes already; there is nothing left to refuse.
  return Read(reader, bytes.size());
}

IniFile::Range IniFile::FindSection(const QString& section) const {
  const QString name = TrimBlanks(section);
  Range range;
  const int count = static_cast<int>(m_lines.size());
  for (int i = 0; i < count; ++i) {
    if (m_lines[static_cast<size_t>(i)].kind != Kind::Section) continue;
    if (range.begin >= 0) {
      range.end = i;
      return range;
    }
    if (SameName(m_lines[static_cast<size_t>(i)].name, name)) range.begin = i;
  }
  if (range.begin >= 0) range.end = count;
  return range;
}

int IniFile::FindKey(const Range& range, const QString& key) const {
  const QString name = TrimBlanks(key);
  for (int i = range.begin + 1; i < range.end; ++i) {
    const Line& line = m_lines[static_cast<size_t>(i)];
    if (line.kind == Kind::Key && SameName(line.name, name)) return i;
  }
  return -1;
}

const QString* IniFile::FindValue(const QString& section, const QString& key) const {
  const Range range = FindSection(section);
  if (range.begin < 0) return nullptr;
  const int index = FindKey(range, key);
  return index < 0 ? nullptr : &m_lines[static_cast<size_t>(index)].value;
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
  const QString* value = FindValue(section, key);
  return value ? *value : defaultValue;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
  const QString* value = FindValue(section, key);
  if (!value) return defaultValue;
  return ParseInteger(*value).value_or(defaultValue);
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
  const QString* value = FindValue(section, key);
  if (!value) return defaultValue;
  const std::optional<int> number = ParseInteger(*value);
  return number ? *number != 0 : defaultValue;
}

double IniFile::ReadFloat(const QString& section, const QString& key, double defaultValue) const {
  const QString* value = FindValue(section, key);
  if (!value) return defaultValue;
  try {
    return core::StrToFloat(value->toStdString());
  } catch (const core::ConversionError&) {
    return defaultValue;
  }
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  QString text = value;
  text.replace(u'\r', u' ').replace(u'\n', u' ');
  const QString keyName = TrimBlanks(key);
  const Range range = FindSection(section);
  if (range.begin < 0) {
    m_lines.push_back(Parse(u'[' + TrimBlanks(section) + u']'));
    m_lines.push_back(Parse(keyName + u'=' + text));
    return;
  }
  const int index = FindKey(range, keyName);
  if (index >= 0) {
    Line& line = m_lines[static_cast<size_t>(index)];
    line = Parse(line.name + u'=' + text);
    return;
  }
  // After the section's last key rather than at its very end, so that blank lines and
  // comments that lead into the next section stay with it.
  int after = range.begin;
  for (int i = range.begin + 1; i < range.end; ++i) {
    if (m_lines[static_cast<size_t>(i)].kind == Kind::Key) after = i;
  }
  m_lines.insert(m_lines.begin() + after + 1, Parse(keyName + u'=' + text));
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::WriteFloat(const QString& section, const QString& key, double value) {
  // The shortest form of to_chars is exact on read-back and never depends on the locale.
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  WriteString(section, key, QString::fromLatin1(buffer, result.ptr - buffer));
}

std::string IniFile::ToBytes() const {
  std::string text;
  for (const Line& line : m_lines) {
    text += line.text.toStdString();
    text += "\r\n";
  }
  std::string bytes = core::EncodeForFile(text);
  // A first line that starts with a byte-order mark as data gets the file's own mark in
  // front, or reading the file back would take the data for that mark and drop it.
  if (bytes.starts_with(core::kUtf8Bom)) bytes.insert(0, core::kUtf8Bom);
  return bytes;
}

void IniFile::Save(const QString& path) const {
  core::SaveFileAtomically(FileNameBytes(path), ToBytes());
}

}  // namespace platform
