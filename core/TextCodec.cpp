#include "core/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace core {

namespace {

// iconv descriptors are cheap to reuse but not to open; one guard per conversion keeps
// the code exception-safe and these conversions are rare (ASCII takes a fast path).
class Iconv {
 public:
  Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Iconv() { iconv_close(m_cd); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

bool IsAscii(std::string_view bytes) {
  // Eight bytes at a time: tables of gigabytes pass through here.
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
  }
  return true;
}

bool IsWellFormedUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char b0 = *p;
    if (b0 < 0x80) {
      ++p;
      continue;
    }
    int length = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    // RFC 3629 table: the second byte's range narrows for E0, ED, F0 and F4 so that
    // overlong forms, surrogates and code points above U+10FFFF are excluded.
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (end - p < length) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (int i = 2; i < length; ++i) {
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    }
    p += length;
  }
  return true;
}

std::string Cp932ToUtf8(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  Iconv cd("UTF-8", "CP932");
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 4);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or a sequence cut off at the end: show the byte as U+FFFD and go on.
      out.append(kReplacement);
      ++in;
      --inLeft;
      iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  if (!IsWellFormedUtf8(utf8)) return std::nullopt;
  Iconv cd("CP932", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      return std::nullopt;
    }
  }
  // The converter maps some characters onto the code of a look-alike (〜 onto ～, ¥ onto
  // the backslash): a text that would not read back the same has no Shift-JIS form.
  if (Cp932ToUtf8(out) != utf8) return std::nullopt;
  return out;
}

std::string DecodeLine(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  if (IsWellFormedUtf8(bytes)) return std::string(bytes);
  return Cp932ToUtf8(bytes);
}

std::string EncodeForFile(std::string_view utf8) {
  std::optional<std::string> sjis = Utf8ToCp932(utf8);
  if (!sjis) return std::string(utf8);
  // Lines are decoded one by one, and some Shift-JIS lines (half-width katakana pairs,
  // a few kanji) are also well-formed UTF-8: such a text is kept as UTF-8, which reads
  // back unchanged line by line.
  std::string_view rest = *sjis;
  while (!rest.empty()) {
    const size_t end = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (!IsAscii(line) && IsWellFormedUtf8(line)) return std::string(utf8);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  return *std::move(sjis);
}

std::string VisibleText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      // U+2400..U+241F and U+2421 in UTF-8: E2 90 80+code, E2 90 A1.
      out += "\xE2\x90";
      out += static_cast<char>(b == 0x7F ? 0xA1 : 0x80 + b);
    } else {
      out += c;
    }
  }
  return out;
}

std::string_view WholeCharacters(std::string_view line, size_t pos, size_t count) {
  pos = std::min(pos, line.size());
  size_t end = pos + std::min(count, line.size() - pos);
  if (end == pos) return line.substr(pos, 0);
  auto byte = [&](size_t i) { return static_cast<unsigned char>(line[i]); };
  if (!IsAscii(line) && IsWellFormedUtf8(line)) {
    auto continuation = [&](size_t i) { return i < line.size() && (byte(i) & 0xC0) == 0x80; };
    while (pos > 0 && continuation(pos))
      --pos;
    while (continuation(end))
      ++end;
    return line.substr(pos, end - pos);
  }
  // Shift-JIS can only be cut into characters from the start of the line.
  size_t start = 0;
  size_t i = 0;
  while (i < line.size()) {
    const unsigned char b = byte(i);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    const size_t next = std::min(line.size(), i + (lead ? 2 : 1));
    if (i <= pos) start = i;
    if (next >= end && i < end) {
      end = next;
      break;
    }
    i = next;
  }
  return line.substr(start, std::max(end, start) - start);
}

}  // namespace core
