#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace core {
class LineReader;
}

namespace platform {

/// A settings file of "[Section]" headers and "Key=Value" lines, read and written the way
/// Windows profile files behave, so that files users bring from Windows keep working:
/// - section and key names match without regard to ASCII letter case;
/// - blanks (space, tab) around a key, a value and a section name are ignored;
/// - the first matching key of the first matching section wins; keys above the first
///   section belong to no section and are never found;
/// - every line that is not a section or a key (comments, blank lines, junk) is kept as it
///   was, and a write changes or adds exactly one line (two for a new section).
class IniFile {
 public:
  /// An empty profile.
  IniFile() = default;

  /// The largest settings file Load reads, in bytes. Real ones hold a few kilobytes.
  static constexpr size_t kMaxFileBytes = size_t{1} << 20;

  /// Reads the file. A file that does not exist gives an empty profile; a file that exists
  /// but cannot be read (a folder, no permission), holds more than kMaxFileBytes (a pipe
  /// or device that keeps giving counts too) or a line longer than core::kMaxLineBytes
  /// raises core::IoError naming it.
  static IniFile Load(const QString& path);
  /// Reads the bytes of a file: each line Shift-JIS, or UTF-8 when it is well-formed UTF-8
  /// with a byte of 0x80 or more; a leading UTF-8 byte order mark is dropped. Lines end at
  /// CR LF, LF or CR.
  static IniFile FromBytes(std::string_view bytes);

  /// The value, or `defaultValue` when the section or the key is missing. An empty value
  /// that is present is returned as empty.
  QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
  /// Decimal with an optional sign, or hexadecimal after "0x", "0X" or "$" (a value of
  /// at most eight significant digits, leading zeros aside, taken as a 32-bit pattern, so
  /// "$FFFFFFFF" is -1). `defaultValue` when the
  /// key is missing or its value is not such a number or does not fit 32 bits.
  int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
  /// Any integer ReadInteger accepts: true when it is not 0. `defaultValue` when the key
  /// is missing or its value is not an integer.
  bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
  /// A finite decimal real with "." as the decimal point and an optional exponent.
  /// `defaultValue` when the key is missing or its value is not such a number.
  double ReadFloat(const QString& section, const QString& key, double defaultValue) const;

  /// Sets the value. An existing key keeps its line and its spelling; a new key goes after
  /// the last key of its section (or right after the header when it has none); a new
  /// section goes at the end of the file. Line breaks in the value become spaces, since a
  /// line cannot hold them.
  void WriteString(const QString& section, const QString& key, const QString& value);
  /// Writes decimal digits.
  void WriteInteger(const QString& section, const QString& key, int value);
  /// Writes "1" or "0".
  void WriteBool(const QString& section, const QString& key, bool value);
  /// Writes the shortest text with "." that reads back as the same double (1.0 as "1",
  /// 0.1 as "0.1", 1e21 as "1e+21"). Infinities and NaN cannot be read back.
  void WriteFloat(const QString& section, const QString& key, double value);

  /// The file's bytes: every line ends with CR LF; Shift-JIS unless some character needs
  /// UTF-8, in which case the whole file is UTF-8.
  std::string ToBytes() const;
  /// Writes ToBytes() so that a failure leaves the old file whole; raises core::IoError
  /// with the user-visible message when the file cannot be written.
  void Save(const QString& path) const;

 private:
  enum class Kind { Other, Section, Key };
  struct Line {
    QString text;  // as read, or as last written
    Kind kind = Kind::Other;
    QString name;   // section or key name, blanks trimmed
    QString value;  // key value, blanks trimmed
  };
  /// Lines [begin, end) of a section, begin being its header; begin < 0 when missing.
  struct Range {
    int begin = -1;
    int end = -1;
  };

  /// Raises core::IoError once the lines read pass `maxBytes`.
  static IniFile Read(core::LineReader& reader, size_t maxBytes);
  static Line Parse(QString text);
  Range FindSection(const QString& section) const;
  int FindKey(const Range& range, const QString& key) const;
  const QString* FindValue(const QString& section, const QString& key) const;

  std::vector<Line> m_lines;
};

}  // namespace platform
