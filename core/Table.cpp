#include "core/Table.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "core/TextCodec.h"
#include "core/TextFile.h"

namespace core {

std::string RowTooLongMessage() {
  return "行が長すぎます（" + std::to_string(TableReader::kMaxRowBytes / 1024) + " KiB まで）";
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// A whole table in memory, handed over in pieces like any other.
class MemoryBytes : public ByteSource {
 public:
  explicit MemoryBytes(std::string_view bytes) : m_bytes(bytes) {}
  size_t Read(char* buffer, size_t size) override {
    const size_t n = std::min(size, m_bytes.size());
    std::copy_n(m_bytes.data(), n, buffer);
    m_bytes.remove_prefix(n);
    return n;
  }

 private:
  std::string_view m_bytes;
};

// The length of the UTF-8 sequence at `pos` when it is one well-formed character, else 0
// (a stray byte). A sequence cut off by the end of `bytes` gives 0 too.
size_t Utf8SequenceAt(std::string_view bytes, size_t pos) {
  const auto b0 = static_cast<unsigned char>(bytes[pos]);
  const size_t n = b0 < 0x80 ? 1 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
  if (n == 0 || pos + n > bytes.size() || !IsWellFormedUtf8(bytes.substr(pos, n))) return 0;
  return n;
}

// Bytes beyond ASCII as evidence of their encoding: well-formed UTF-8 characters of more
// than one byte, and bytes that cannot be UTF-8. Shift-JIS text gives about five such bytes
// to each character that happens to be well-formed UTF-8; UTF-8 text gives none.
struct Utf8Evidence {
  size_t characters = 0;
  size_t strays = 0;
};

// `complete`: the bytes end where the input ends, so a sequence cut off at the end is a
// stray; otherwise it may continue beyond them and is not counted.
void CountUtf8(std::string_view bytes, bool complete, Utf8Evidence& evidence) {
  for (size_t pos = 0; pos < bytes.size();) {
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const size_t n = Utf8SequenceAt(bytes, pos);
    if (n == 0 && !complete && bytes.size() - pos < 4) break;
    if (n == 0) {
      ++evidence.strays;
      ++pos;
    } else {
      ++evidence.characters;
      pos += n;
    }
  }
}

// Whether any byte of `word` is zero (the classic bit trick): each of the eight high bits
// of the result tells of one byte, exactly for the first such byte.
constexpr std::uint64_t kLows = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;
std::uint64_t ZeroBytes(std::uint64_t word) {
  return (word - kLows) & ~word & kHighs;
}

// The first byte at or after `from` that is `a`, `b` or `c`, or npos: a table of gigabytes
// is scanned here, eight bytes at a time.
size_t FindAny(std::string_view text, size_t from, char a, char b, char c) {
  const std::uint64_t wa = kLows * static_cast<unsigned char>(a);
  const std::uint64_t wb = kLows * static_cast<unsigned char>(b);
  const std::uint64_t wc = kLows * static_cast<unsigned char>(c);
  size_t i = from;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, 8);
    const std::uint64_t found = ZeroBytes(word ^ wa) | ZeroBytes(word ^ wb) | ZeroBytes(word ^ wc);
    // The lowest flag is exact (a borrow only spoils the bytes above the first match), and
    // the first byte read is the lowest of the word.
    if constexpr (std::endian::native == std::endian::little) {
      if (found) return i + static_cast<size_t>(std::countr_zero(found)) / 8;
    } else if (found) {
      break;
    }
  }
  for (; i < text.size(); ++i) {
    if (text[i] == a || text[i] == b || text[i] == c) return i;
  }
  return std::string_view::npos;
}

// UTF-8 as it stands, with U+FFFD for each byte that belongs to no well-formed character.
std::string Utf8WithReplacements(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 8);
  for (size_t pos = 0; pos < bytes.size();) {
    const size_t n = Utf8SequenceAt(bytes, pos);
    if (n == 0) {
      out += kReplacement;
      ++pos;
    } else {
      out.append(bytes, pos, n);
      pos += n;
    }
  }
  return out;
}

}  // namespace

TableReader::TableReader(ByteSource& bytes) : m_source(&bytes) {
  Start();
}

TableReader::TableReader(std::string_view bytes)
    : m_owned(std::make_unique<MemoryBytes>(bytes)), m_source(m_owned.get()) {
  Start();
}

TableReader::~TableReader() = default;

void TableReader::Start() {
  while (m_buffer.size() < kSniffBytes && Fill()) {
  }
  const std::string_view start(m_buffer);
  if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
    throw std::invalid_argument(
        "UTF-16 の表は読めません。UTF-8 か Shift-JIS の CSV として保存し直してください");
  }
  if (start.starts_with(kUtf8Bom)) {
    m_pos = kUtf8Bom.size();
    m_decided = true;  // only UTF-8 starts so
  }
  const std::string_view rest = std::string_view(m_buffer).substr(m_pos);
  if (!m_decided && !IsAscii(rest)) Decide({});
  const std::string_view first = rest.substr(0, rest.find_first_of("\r\n"));
  size_t tabs = 0;
  size_t commas = 0;
  for (const char c : first) {
    tabs += c == '\t';
    commas += c == ',';
  }
  m_separator = tabs > commas ? TableSeparator::Tab : TableSeparator::Comma;
}

bool TableReader::Fill() {
  if (m_atEnd) return false;
  // What was read is dropped, so that the buffer holds one row and one piece at most.
  m_base += m_pos;
  m_buffer.erase(0, m_pos);
  m_pos = 0;
  // Read beside the buffer: a source that gives a few bytes at a time costs no more than
  // those bytes.
  if (m_piece.empty()) m_piece.resize(kPieceBytes);
  const size_t got = m_source->Read(m_piece.data(), m_piece.size());
  m_buffer.append(m_piece.data(), got);
  if (got == 0) m_atEnd = true;
  return got > 0;
}

bool TableReader::Have(size_t count) {
  while (m_buffer.size() - m_pos < count) {
    if (!Fill()) return false;
  }
  return true;
}

// The bytes beyond ASCII of the field met first and of what follows it, up to
// kSniffBytes, choose the encoding for the whole table.
void TableReader::Decide(std::string_view field) {
  Have(kSniffBytes);
  Utf8Evidence evidence;
  CountUtf8(field, true, evidence);
  CountUtf8(std::string_view(m_buffer).substr(m_pos), m_atEnd, evidence);
  m_encoding =
      evidence.characters > evidence.strays ? TableEncoding::Utf8 : TableEncoding::ShiftJis;
  m_decided = true;
}

void TableReader::DecodeInPlace(std::string& field, size_t index, TableRow& row) {
  if (IsAscii(field)) return;
  std::string text = Decode(field, index, row);
  field.swap(text);
}

std::string TableReader::Decode(std::string_view field, size_t index, TableRow& row) {
  if (IsAscii(field)) return std::string(field);
  if (!m_decided) Decide(field);
  std::string text;
  bool bad = false;
  if (m_encoding == TableEncoding::Utf8) {
    bad = !IsWellFormedUtf8(field);
    text = bad ? Utf8WithReplacements(field) : std::string(field);
  } else if (IsWellFormedUtf8(field) && std::any_of(field.begin(), field.end(), [](char c) {
               return static_cast<unsigned char>(c) >= 0xE0;
             })) {
    // Shift-JIS text is next to never well-formed UTF-8 with a character of three bytes or
    // more (kana and kanji are three), so such a value is UTF-8 in a table decided wrongly
    // by a few stray bytes at its start, or put together from two files.
    text = std::string(field);
    if (m_utf8Line == 0) m_utf8Line = row.line;
  } else {
    // Shift-JIS has no code for U+FFFD: where it appears, a byte was not Shift-JIS.
    text = Cp932ToUtf8(field);
    bad = text.find(kReplacement) != std::string::npos;
  }
  if (bad) row.undecodable.push_back(index);
  if (m_firstTextLine == 0) {
    m_firstTextLine = row.line;
    m_firstText = text;
  }
  return text;
}

std::vector<std::string> TableReader::Notes() const {
  if (m_encoding != TableEncoding::ShiftJis) return {};
  // The first text beyond ASCII as read, so that a user whose table was UTF-8 after all
  // sees the garbled names at once.
  constexpr size_t kShown = 40;
  const std::string_view shown =
      WholeCharacters(m_firstText, 0, std::min(kShown, m_firstText.size()));
  return {"表を Shift-JIS として読みました（" + std::to_string(m_firstTextLine) + " 行目の「" +
          VisibleText(shown) + (shown.size() < m_firstText.size() ? "…" : "") +
          "」など）。文字が化けているときは、表を UTF-8 で保存し直してください" +
          (m_utf8Line > 0 ? "（" + std::to_string(m_utf8Line) +
                                " 行目などの UTF-8 の値は UTF-8 として読みました）"
                          : std::string())};
}

void TableReader::SkipLineEnd() {
  if (Have(1) && m_buffer[m_pos] == '\r') {
    ++m_pos;
    if (Have(1) && m_buffer[m_pos] == '\n') ++m_pos;
  } else if (Have(1) && m_buffer[m_pos] == '\n') {
    ++m_pos;
  }
  ++m_line;
}

// Passes over the rest of a line too long to be a row, quotes or not, holding none of it.
void TableReader::SkipToLineEnd() {
  for (;;) {
    const size_t end = FindAny(m_buffer, m_pos, '\r', '\n', '\n');
    if (end != std::string::npos) {
      m_pos = end;
      return;
    }
    m_pos = m_buffer.size();
    if (!Fill()) return;
  }
}

// Appends the bytes up to the next `stop` or line end (not taken) or the end of the table. False
// when the row has grown beyond kMaxRowBytes on the way.
bool TableReader::ScanField(std::string& field, char stop, uint64_t rowStart) {
  for (;;) {
    const size_t end = FindAny(m_buffer, m_pos, stop, '\r', '\n');
    const size_t last = end == std::string::npos ? m_buffer.size() : end;
    field.append(m_buffer, m_pos, last - m_pos);
    m_pos = last;
    if (Offset() - rowStart > kMaxRowBytes) return false;
    if (end != std::string::npos || !Fill()) return true;
  }
}

bool TableReader::Next(TableRow& row) {
  const char separator = m_separator == TableSeparator::Tab ? '\t' : ',';
  const bool quoting = m_separator == TableSeparator::Comma;
  if (m_skipLine) {
    m_skipLine = false;
    SkipToLineEnd();
    SkipLineEnd();
  }
  while (Have(1)) {
    row.line = m_line;
    row.error.clear();
    row.undecodable.clear();
    const uint64_t start = Offset();
    // The row's strings are used again for the next row, so that a table of millions of
    // rows does not ask for memory for each field of each of them.
    size_t count = 0;
    auto nextField = [&]() -> std::string& {
      if (count == row.fields.size()) row.fields.emplace_back();
      std::string& field = row.fields[count++];
      field.clear();
      return field;
    };
    bool anyText = false;
    bool rowDone = false;
    while (!rowDone) {
      if (Offset() - start > kMaxRowBytes || count >= kMaxFields) {
        const bool tooLong = Offset() - start > kMaxRowBytes;
        row.Refuse(tooLong ? RowTooLongMessage()
                           : "列が多すぎます（" + std::to_string(kMaxFields) + " 列まで）");
        // Reading resumes at the next line end, quotes or not: a row this size is no table
        // row. The rest of the line is passed over only when the next row is asked for, so
        // that a caller who refuses the table for this row does not wait for its end.
        m_skipLine = true;
        return true;
      }
      std::string& field = nextField();
      if (quoting && Have(1) && m_buffer[m_pos] == '"') {
        ++m_pos;
        bool closed = false;
        while (Have(1)) {
          if (Offset() - start > kMaxRowBytes) break;
          const char c = m_buffer[m_pos];
          if (c == '"') {
            if (Have(2) && m_buffer[m_pos + 1] == '"') {
              field += '"';
              m_pos += 2;
              continue;
            }
            ++m_pos;
            closed = true;
            break;
          }
          if (c == '\n' || (c == '\r' && !(Have(2) && m_buffer[m_pos + 1] == '\n'))) ++m_line;
          field += c;
          ++m_pos;
        }
        if (!closed && Offset() - start > kMaxRowBytes) {
          --count;
          continue;  // told as too long above
        }
        if (!closed) {
          row.Refuse("引用符（\"）が閉じないまま表が終わります。この行から後は読めません");
          return true;
        }
        // Text after the closing quote belongs to the field, as spreadsheets read it.
        if (!ScanField(field, separator, start)) {
          --count;
          continue;
        }
      } else if (!ScanField(field, separator, start)) {
        --count;
        continue;  // told as too long above
      }
      anyText = anyText || !field.empty();
      DecodeInPlace(field, count - 1, row);
      if (Have(1) && m_buffer[m_pos] == separator) {
        ++m_pos;
      } else {
        SkipLineEnd();
        rowDone = true;
      }
    }
    row.fields.resize(count);
    if (anyText) return true;
  }
  return false;
}

namespace {

// Half-width katakana U+FF66..U+FF9D as their full-width letters.
constexpr std::u32string_view kHalfKana =
    U"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ"
    U"ヤユヨラリルレロワン";

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point at `pos` of well-formed UTF-8 and its length; a byte of anything else
// comes back as itself.
char32_t CodePointAt(std::string_view s, size_t pos, size_t& length) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  size_t n = b0 < 0x80 ? 1 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
  if (n == 0 || pos + n > s.size() || !IsWellFormedUtf8(s.substr(pos, n))) {
    length = 1;
    return b0;
  }
  length = n;
  if (n == 1) return b0;
  char32_t c = b0 & (0xFF >> (n + 1));
  for (size_t i = 1; i < n; ++i)
    c = (c << 6) | (static_cast<unsigned char>(s[pos + i]) & 0x3F);
  return c;
}

}  // namespace

std::string FoldWidth(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t length = 1;
    const char32_t c = CodePointAt(utf8, i, length);
    if (length == 1 && c >= 0x80) {
      out += utf8[i];  // not UTF-8: kept as it is
      i += 1;
      continue;
    }
    i += length;
    if (c >= 0xFF01 && c <= 0xFF5E) {
      out += static_cast<char>(c - 0xFF01 + 0x21);
    } else if (c == 0x3000) {
      out += ' ';
    } else if (c >= 0xFF66 && c <= 0xFF9D) {
      char32_t kana = kHalfKana[c - 0xFF66];
      // A following voiced or semi-voiced mark joins the letter before it.
      size_t markLength = 0;
      const char32_t mark = i < utf8.size() ? CodePointAt(utf8, i, markLength) : 0;
      const std::u32string_view voiceable = U"カキクケコサシスセソタチツテトハヒフヘホ";
      if (mark == 0xFF9E && (voiceable.find(kana) != std::u32string_view::npos || kana == U'ウ')) {
        kana = kana == U'ウ' ? U'ヴ' : kana + 1;
        i += markLength;
      } else if (mark == 0xFF9F && kana >= U'ハ' && kana <= U'ホ') {
        kana += 2;
        i += markLength;
      }
      AppendUtf8(out, kana);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace core
