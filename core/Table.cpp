#include "core/Table.h"

#include <algorithm>
#include <stdexcept>

#include "core/TextCodec.h"
#include "core/TextFile.h"

namespace core {

TableReader::TableReader(std::string_view bytes) : m_bytes(bytes) {
  if (m_bytes.starts_with("\xFF\xFE") || m_bytes.starts_with("\xFE\xFF")) {
    throw std::invalid_argument(
        "UTF-16 の表は読めません。UTF-8 か Shift-JIS の CSV として保存し直してください");
  }
  if (m_bytes.starts_with(kUtf8Bom)) m_bytes.remove_prefix(kUtf8Bom.size());
  m_encoding = IsWellFormedUtf8(m_bytes) ? TableEncoding::Utf8 : TableEncoding::ShiftJis;
  const std::string_view first = m_bytes.substr(0, m_bytes.find_first_of("\r\n"));
  size_t tabs = 0;
  size_t commas = 0;
  for (const char c : first) {
    tabs += c == '\t';
    commas += c == ',';
  }
  m_separator = tabs > commas ? TableSeparator::Tab : TableSeparator::Comma;
}

std::string TableReader::Decode(std::string_view field) const {
  if (m_encoding == TableEncoding::Utf8 || IsAscii(field)) return std::string(field);
  return Cp932ToUtf8(field);
}

void TableReader::SkipLineEnd() {
  if (m_pos < m_bytes.size() && m_bytes[m_pos] == '\r') {
    ++m_pos;
    if (m_pos < m_bytes.size() && m_bytes[m_pos] == '\n') ++m_pos;
  } else if (m_pos < m_bytes.size() && m_bytes[m_pos] == '\n') {
    ++m_pos;
  }
  ++m_line;
}

bool TableReader::Next(TableRow& row) {
  const char separator = m_separator == TableSeparator::Tab ? '\t' : ',';
  const bool quoting = m_separator == TableSeparator::Comma;
  while (m_pos < m_bytes.size()) {
    row.line = m_line;
    row.fields.clear();
    row.error.clear();
    const size_t start = m_pos;
    std::string field;
    bool anyText = false;
    bool rowDone = false;
    while (!rowDone) {
      if (m_pos - start > kMaxRowBytes || row.fields.size() >= kMaxFields) {
        row.fields.clear();
        row.error = m_pos - start > kMaxRowBytes
                        ? "行が長すぎます（" + std::to_string(kMaxRowBytes / 1024) + " KiB まで）"
                        : "列が多すぎます（" + std::to_string(kMaxFields) + " 列まで）";
        // Resume at the next line end, quotes or not: a row this size is no table row.
        m_pos = std::min(m_bytes.find_first_of("\r\n", m_pos), m_bytes.size());
        SkipLineEnd();
        return true;
      }
      field.clear();
      if (quoting && m_pos < m_bytes.size() && m_bytes[m_pos] == '"') {
        ++m_pos;
        bool closed = false;
        while (m_pos < m_bytes.size()) {
          if (m_pos - start > kMaxRowBytes) break;
          const char c = m_bytes[m_pos];
          if (c == '"') {
            if (m_pos + 1 < m_bytes.size() && m_bytes[m_pos + 1] == '"') {
              field += '"';
              m_pos += 2;
              continue;
            }
            ++m_pos;
            closed = true;
            break;
          }
          if (c == '\n' ||
              (c == '\r' && !(m_pos + 1 < m_bytes.size() && m_bytes[m_pos + 1] == '\n'))) {
            ++m_line;
          }
          field += c;
          ++m_pos;
        }
        if (!closed && m_pos - start > kMaxRowBytes) continue;  // told as too long above
        if (!closed) {
          row.fields.clear();
          row.error = "引用符（\"）が閉じないまま表が終わります。この行から後は読めません";
          return true;
        }
        // Text after the closing quote belongs to the field, as spreadsheets read it.
        while (m_pos < m_bytes.size() && m_bytes[m_pos] != separator && m_bytes[m_pos] != '\r' &&
               m_bytes[m_pos] != '\n')
          field += m_bytes[m_pos++];
      } else {
        const size_t end =
            m_bytes.find_first_of(std::string_view(quoting ? ",\r\n" : "\t\r\n"), m_pos);
        const size_t stop = end == std::string_view::npos ? m_bytes.size() : end;
        if (stop - start > kMaxRowBytes) {
          m_pos = start + kMaxRowBytes + 1;
          continue;
        }
        field.assign(m_bytes.substr(m_pos, stop - m_pos));
        m_pos = stop;
      }
      anyText = anyText || !field.empty();
      row.fields.push_back(Decode(field));
      if (m_pos < m_bytes.size() && m_bytes[m_pos] == separator) {
        ++m_pos;
      } else {
        SkipLineEnd();
        rowDone = true;
      }
    }
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
