#include "platform/raster/DeflateJoin.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace platform {

namespace {

constexpr int kMaxBits = 15;

[[noreturn]] void Malformed(const char* what) {
  throw std::invalid_argument(std::string("ContinueAfter: ") + what);
}

// Bits of a deflate stream, least significant first. Only the block structure is walked,
// nothing is decoded into output, so a bit at a time is fast enough: a sheet's stream is a
// few hundred kilobytes.
class BitReader {
 public:
  explicit BitReader(const std::string& bytes) : m_bytes(bytes) {}

  unsigned Bit() {
    if (m_pos >= m_bytes.size() * 8) Malformed("the stream ends inside a block");
    const auto byte = static_cast<unsigned char>(m_bytes[m_pos / 8]);
    const unsigned bit = (byte >> (m_pos % 8)) & 1u;
    ++m_pos;
    return bit;
  }

  unsigned Bits(int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i)
      value |= Bit() << i;
    return value;
  }

  void ToByteBoundary() { m_pos = (m_pos + 7) / 8 * 8; }
  void SkipBytes(size_t count) {
    m_pos += count * 8;
    if (m_pos > m_bytes.size() * 8) Malformed("a stored block runs past the end");
  }
  size_t Position() const { return m_pos; }

 private:
  const std::string& m_bytes;
  size_t m_pos = 0;
};

// A canonical Huffman code as the format defines it: symbols in order of code length, then
// of value.
struct Huffman {
  std::array<std::uint16_t, kMaxBits + 1> count{};
  std::array<std::uint16_t, 288> symbol{};

  Huffman(const std::uint8_t* lengths, int n) {
    for (int s = 0; s < n; ++s)
      ++count[lengths[s]];
    count[0] = 0;
    std::array<std::uint16_t, kMaxBits + 2> offset{};
    for (int len = 1; len <= kMaxBits; ++len)
      offset[static_cast<size_t>(len) + 1] =
          offset[static_cast<size_t>(len)] + count[static_cast<size_t>(len)];
    for (int s = 0; s < n; ++s) {
      if (lengths[s] != 0) symbol[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
    }
  }

  int Decode(BitReader& in) const {
    int code = 0;
    int first = 0;
    int index = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
      code |= static_cast<int>(in.Bit());
      const int n = count[static_cast<size_t>(len)];
      if (code - n < first) return symbol[static_cast<size_t>(index + code - first)];
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    Malformed("a code that no symbol has");
  }
};

constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void SkipCodes(BitReader& in, const Huffman& literals, const Huffman& distances) {
  for (;;) {
    const int s = literals.Decode(in);
    if (s < 256) continue;
    if (s == 256) return;
    if (s > 285) Malformed("a length symbol out of range");
    in.Bits(kLengthExtra[static_cast<size_t>(s - 257)]);
    const int d = distances.Decode(in);
    if (d > 29) Malformed("a distance symbol out of range");
    in.Bits(kDistanceExtra[static_cast<size_t>(d)]);
  }
}

void SkipFixedBlock(BitReader& in) {
  static const auto codes = [] {
    std::array<std::uint8_t, 288 + 30> lengths{};
    for (size_t s = 0; s < 288; ++s)
      lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    for (size_t s = 288; s < lengths.size(); ++s)
      lengths[s] = 5;
    return std::pair{Huffman(lengths.data(), 288), Huffman(lengths.data() + 288, 30)};
  }();
  SkipCodes(in, codes.first, codes.second);
}

void SkipDynamicBlock(BitReader& in) {
  const int nLiterals = static_cast<int>(in.Bits(5)) + 257;
  const int nDistances = static_cast<int>(in.Bits(5)) + 1;
  const int nCodeLengths = static_cast<int>(in.Bits(4)) + 4;
  if (nLiterals > 286 || nDistances > 30) Malformed("too many codes");
  constexpr std::array<std::uint8_t, 19> kOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                   11, 4,  12, 3, 13, 2, 14, 1, 15};
  std::array<std::uint8_t, 19> codeLengths{};
  for (int i = 0; i < nCodeLengths; ++i)
    codeLengths[kOrder[static_cast<size_t>(i)]] = static_cast<std::uint8_t>(in.Bits(3));
  const Huffman lengthCode(codeLengths.data(), 19);

  std::array<std::uint8_t, 286 + 30> lengths{};
  const int total = nLiterals + nDistances;
  for (int i = 0; i < total;) {
    const int s = lengthCode.Decode(in);
    if (s < 16) {
      lengths[static_cast<size_t>(i++)] = static_cast<std::uint8_t>(s);
      continue;
    }
    std::uint8_t value = 0;
    int repeat = 0;
    if (s == 16) {
      if (i == 0) Malformed("a repeat with nothing before it");
      value = lengths[static_cast<size_t>(i - 1)];
      repeat = 3 + static_cast<int>(in.Bits(2));
    } else if (s == 17) {
      repeat = 3 + static_cast<int>(in.Bits(3));
    } else {
      repeat = 11 + static_cast<int>(in.Bits(7));
    }
    if (i + repeat > total) Malformed("code lengths run past their count");
    while (repeat-- > 0)
      lengths[static_cast<size_t>(i++)] = value;
  }
  SkipCodes(in, Huffman(lengths.data(), nLiterals),
            Huffman(lengths.data() + nLiterals, nDistances));
}

}  // namespace

void ContinueAfter(std::string& stream) {
  BitReader in(stream);
  size_t lastHeader = 0;
  for (bool final = false; !final;) {
    lastHeader = in.Position();
    final = in.Bit() != 0;
    switch (in.Bits(2)) {
      case 0: {
        in.ToByteBoundary();
        const unsigned length = in.Bits(16);
        if ((in.Bits(16) ^ length) != 0xFFFFu) Malformed("a stored block's length check fails");
        in.SkipBytes(length);
        break;
      }
      case 1:
        SkipFixedBlock(in);
        break;
      case 2:
        SkipDynamicBlock(in);
        break;
      default:
        Malformed("a block of the reserved type");
    }
  }
  const size_t end = in.Position();
  stream[lastHeader / 8] = static_cast<char>(static_cast<unsigned char>(stream[lastHeader / 8]) &
                                             ~(1u << (lastHeader % 8)));
  // An empty stored block that is not final: its three header bits and the padding after
  // them are all zero, then the length 0 and its complement.
  const size_t bytes = (end + 3 + 7) / 8;
  stream.resize(bytes, '\0');
  if (end % 8 != 0) {
    const auto keep = static_cast<unsigned char>((1u << (end % 8)) - 1);
    stream[end / 8] = static_cast<char>(static_cast<unsigned char>(stream[end / 8]) & keep);
  }
  for (size_t i = end / 8 + (end % 8 != 0 ? 1 : 0); i < bytes; ++i)
    stream[i] = '\0';
  stream.append("\x00\x00\xFF\xFF", 4);
}

}  // namespace platform
