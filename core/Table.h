#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
  /// Fields whose bytes are no text in the table's encoding (a stray byte in a UTF-8
  /// table): each such byte reads as U+FFFD in the field, so their text is not to be used.
  std::vector<size_t> undecodable;

  /// Makes this a row that could not be read: no fields, only `message`.
  void Refuse(std::string message) {
    fields.clear();
    undecodable.clear();
    error = std::move(message);
  }
};

/// The reason given for a row longer than a table reader takes, the same for every format.
std::string RowTooLongMessage();

/// Where the rows of a table come from: the heading row first, then the data rows, each
/// with the place it came from for the user's report.
class RowSource {
 public:
  virtual ~RowSource() = default;
  /// The next row that is not empty; false at the end. Raises IoError when the input
  /// cannot be read to its end.
  virtual bool Next(TableRow& row) = 0;
  /// What the user should know about the table as a whole (Japanese), such as the
  /// encoding it was read in; complete once Next has returned false.
  virtual std::vector<std::string> Notes() const { return {}; }
  /// The encoding the rows' bytes were decoded from, for messages about bytes that are
  /// no text in it.
  virtual std::string_view EncodingName() const { return "UTF-8"; }
  /// Whether the rows' latitude and longitude columns were made by the source itself from
  /// its points, on JGD2011 already, so that no coordinate system of the import applies.
  virtual bool OwnPositions() const { return false; }
};

/// The bytes of a table, in pieces.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Up to `size` bytes into `buffer`, fewer only at the end of the input; 0 at the end.
  /// Raises IoError when the input cannot be read.
  virtual size_t Read(char* buffer, size_t size) = 0;
};

/// Reads a table row by row from bytes read in pieces, holding no more than about
/// kMaxRowBytes of it at a time:
/// - CSV with RFC 4180 quoting (quoted fields may hold commas, doubled quotes and line
///   ends), or tab-separated text without quoting, as occurrence downloads write it; the
///   separator is the one of the two that the first line holds more of;
/// - UTF-8 with or without a byte-order mark, or Shift-JIS (code page 932). A byte-order
///   mark means UTF-8; otherwise the first kSniffBytes that hold bytes beyond ASCII decide:
///   UTF-8 when they hold more well-formed UTF-8 characters than bytes that cannot be
///   UTF-8, else Shift-JIS. A field whose bytes are no text in that encoding is decoded
///   with U+FFFD in place of each bad byte and listed in TableRow::undecodable, so that
///   one stray byte spoils one field rather than the whole table. In a Shift-JIS table, a
///   field that is well-formed UTF-8 with a character of three bytes or more (which
///   Shift-JIS text next to never is) is read as UTF-8;
/// - lines end at CR LF, LF or CR; rows whose fields are all empty are skipped.
/// A row longer than kMaxRowBytes or with more than kMaxFields fields comes back with an
/// error and reading resumes at the next line, so memory stays bounded; a quote left open
/// runs to the end of the file and comes back as an error row.
class TableReader : public RowSource {
 public:
  /// Reads `bytes`, which the caller keeps (from a ByteSource it keeps, from the view it
  /// keeps). Raises std::invalid_argument (Japanese message) for UTF-16 text.
  explicit TableReader(ByteSource& bytes);
  explicit TableReader(std::string_view bytes);
  ~TableReader() override;
  TableReader(const TableReader&) = delete;
  TableReader& operator=(const TableReader&) = delete;

  /// The encoding chosen so far: UTF-8 until bytes beyond ASCII have been seen.
  TableEncoding Encoding() const { return m_encoding; }
  TableSeparator Separator() const { return m_separator; }

  bool Next(TableRow& row) override;
  std::vector<std::string> Notes() const override;
  std::string_view EncodingName() const override {
    return m_encoding == TableEncoding::Utf8 ? "UTF-8" : "Shift-JIS";
  }

  static constexpr size_t kMaxRowBytes = 1 << 20;
  static constexpr size_t kMaxFields = 4096;
  /// How much of the table the encoding is decided from, at most.
  static constexpr size_t kSniffBytes = kMaxRowBytes + 2;
  /// How much is read at a time.
  static constexpr size_t kPieceBytes = 1 << 16;

 private:
  void Start();
  bool Fill();
  bool Have(size_t count);
  uint64_t Offset() const { return m_base + m_pos; }
  bool ScanField(std::string& field, char stop, uint64_t rowStart);
  void SkipToLineEnd();
  void SkipLineEnd();
  void Decide(std::string_view field);
  std::string Decode(std::string_view field, size_t index, TableRow& row);
  void DecodeInPlace(std::string& field, size_t index, TableRow& row);

  std::unique_ptr<ByteSource> m_owned;
  ByteSource* m_source = nullptr;
  std::string m_buffer;
  std::vector<char> m_piece;  // what one Read gives
  size_t m_pos = 0;           // next byte of m_buffer to read
  uint64_t m_base = 0;        // offset in the table of m_buffer's first byte
  bool m_atEnd = false;
  bool m_skipLine = false;  // the rest of a line too long to be a row is yet to be passed
  long m_line = 1;
  bool m_decided = false;
  TableEncoding m_encoding = TableEncoding::Utf8;
  TableSeparator m_separator = TableSeparator::Comma;
  long m_utf8Line = 0;       // first line with a UTF-8 value in a Shift-JIS table
  long m_firstTextLine = 0;  // line of the first field beyond ASCII
  std::string m_firstText;   // that field, decoded
};

/// A table heading or cell as people vary it: full-width letters, digits and signs made
/// ASCII, half-width katakana made full-width, the ideographic space made a blank.
std::string FoldWidth(std::string_view utf8);

}  // namespace core
