#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// How the bytes of a table are written.
enum class TableEncoding { Utf8, ShiftJis };

/// What separates the fields of a table.
enum class TableSeparator { Comma, Tab };

/// One row of a table, its fields decoded to UTF-8.
struct TableRow {
  long line = 0;  ///< 1-based line of the file where the row starts
  std::vector<std::string> fields;
  std::string error;  ///< non-empty (Japanese) when the row could not be read; no fields then
};

/// Reads a table held in memory row by row:
/// - CSV with RFC 4180 quoting (quoted fields may hold commas, doubled quotes and line
///   ends), or tab-separated text without quoting, as occurrence downloads write it; the
///   separator is the one of the two that the first line holds more of;
/// - UTF-8 with or without a byte-order mark, or Shift-JIS (code page 932): the bytes are
///   UTF-8 when all of them are well-formed UTF-8, else Shift-JIS;
/// - lines end at CR LF, LF or CR; rows whose fields are all empty are skipped.
/// A row longer than kMaxRowBytes or with more than kMaxFields fields comes back with an
/// error and reading resumes at the next line, so memory stays bounded; a quote left open
/// runs to the end of the file and comes back as an error row.
class TableReader {
 public:
  /// Raises std::invalid_argument (Japanese message) for UTF-16 text.
  explicit TableReader(std::string_view bytes);

  TableEncoding Encoding() const { return m_encoding; }
  TableSeparator Separator() const { return m_separator; }

  /// The next row that is not empty; false at the end.
  bool Next(TableRow& row);

  static constexpr size_t kMaxRowBytes = 1 << 20;
  static constexpr size_t kMaxFields = 4096;

 private:
  std::string Decode(std::string_view field) const;
  void SkipLineEnd();

  std::string_view m_bytes;
  size_t m_pos = 0;
  long m_line = 1;
  TableEncoding m_encoding = TableEncoding::Utf8;
  TableSeparator m_separator = TableSeparator::Comma;
};

/// A table heading or cell as people vary it: full-width letters, digits and signs made
/// ASCII, half-width katakana made full-width, the ideographic space made a blank.
std::string FoldWidth(std::string_view utf8);

}  // namespace core
