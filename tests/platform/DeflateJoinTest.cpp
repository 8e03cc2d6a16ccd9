#include "platform/raster/DeflateJoin.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using platform::ContinueAfter;

// A complete raw deflate stream of `data` as zlib makes it with these settings.
std::string Deflate(const std::string& data, int level, int strategy) {
  z_stream s{};
  EXPECT_EQ(deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, strategy), Z_OK);
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// Inflates a raw stream, requiring that it ends exactly where its bytes do.
std::string Inflate(const std::string& stream) {
  z_stream s{};
  EXPECT_EQ(inflateInit2(&s, -MAX_WBITS), Z_OK);
  std::string out;
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  s.avail_in = static_cast<uInt>(stream.size());
  std::vector<char> buffer(1 << 16);
  int result = Z_OK;
  while (result == Z_OK) {
    s.next_out = reinterpret_cast<Bytef*>(buffer.data());
    s.avail_out = static_cast<uInt>(buffer.size());
    result = inflate(&s, Z_NO_FLUSH);
    out.append(buffer.data(), buffer.size() - s.avail_out);
  }
  EXPECT_EQ(result, Z_STREAM_END);
  EXPECT_EQ(s.avail_in, 0u) << "bytes left after the final block";
  inflateEnd(&s);
  return out;
}

std::string Noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text(size, '\0');
  for (char& c : text)
    c = static_cast<char>(random());
  return text;
}

TEST(ContinueAfter, JoinedStreamsOfEveryBlockTypeInflateToTheJoinedData) {
  // Stored blocks (level 0, noise), fixed codes, dynamic codes over runs and over text,
  // and streams whose last block ends at every bit offset.
  const std::string runs = std::string(300000, 'a') + std::string(70000, '\x01');
  std::string text;
  for (int i = 0; i < 4000; ++i)
    text += "35." + std::to_string(i * 7919 % 1000) + ",139." + std::to_string(i % 97) + "\r\n";
  const struct {
    std::string data;
    int level;
    int strategy;
  } pieces[] = {
      {Noise(70000, 1), 0, Z_DEFAULT_STRATEGY},
      {"a", 6, Z_FIXED},
      {"", 6, Z_DEFAULT_STRATEGY},
      {runs, 7, Z_DEFAULT_STRATEGY},
      {text, 9, Z_DEFAULT_STRATEGY},
      {Noise(5000, 2), 6, Z_HUFFMAN_ONLY},
      {text.substr(0, 1000), 1, Z_FIXED},
      {Noise(3, 3), 6, Z_DEFAULT_STRATEGY},
  };
  std::string joined;
  std::string expected;
  for (size_t i = 0; i < std::size(pieces); ++i) {
    std::string stream = Deflate(pieces[i].data, pieces[i].level, pieces[i].strategy);
    if (i + 1 < std::size(pieces)) ContinueAfter(stream);
    joined += stream;
    expected += pieces[i].data;
  }
  EXPECT_EQ(Inflate(joined), expected);

  // Every order of two pieces, so that each kind of stream is continued.
  for (const auto& first : pieces) {
    std::string stream = Deflate(first.data, first.level, first.strategy);
    ContinueAfter(stream);
    EXPECT_EQ(Inflate(stream + Deflate("end", 6, Z_DEFAULT_STRATEGY)), first.data + "end");
  }
}

TEST(ContinueAfter, RefusesWhatIsNotACompleteStream) {
  const std::string whole = Deflate(std::string(5000, 'x') + Noise(2000, 4), 6, Z_DEFAULT_STRATEGY);
  for (const std::string& bad : {std::string(), whole.substr(0, whole.size() / 2),
                                 std::string("\x07", 1), std::string("\x01\x05\x00\x00\x00", 5)}) {
    std::string stream = bad;
    EXPECT_THROW(ContinueAfter(stream), std::invalid_argument) << bad.size();
  }
}

}  // namespace
