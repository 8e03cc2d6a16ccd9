#include "platform/raster/PngWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QFile>
#include <QImage>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Errors.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr PngFilter kFilters[] = {PngFilter::None,    PngFilter::Sub,   PngFilter::Up,
                                  PngFilter::Average, PngFilter::Paeth, PngFilter::Adaptive};

// Noise reaches every wrap-around of the filter arithmetic; the flat block and the
// repeated rows give the filters the zeros they are meant to find.
QImage TestImage(int width, int height, QImage::Format format) {
  QImage image(width, height, QImage::Format_ARGB32);
  std::uint32_t state = 12345u + static_cast<std::uint32_t>(width * 7919 + height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      QRgb pixel = state;
      if (x < width / 2 && y < height / 2) pixel = qRgba(0x20, 0x80, 0xFF, 0xFF);
      if (y % 5 == 4) pixel = image.pixel(x, y - 1);
      image.setPixel(x, y, pixel);
    }
  }
  return image.convertToFormat(format);
}

QImage Decode(const std::string& png) {
  QImage decoded;
  EXPECT_TRUE(
      decoded.loadFromData(QByteArrayView(png.data(), static_cast<qsizetype>(png.size())), "PNG"));
  return decoded.convertToFormat(QImage::Format_RGB888);
}

void ExpectSamePixels(const QImage& actual, const QImage& expected, const std::string& what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  for (int y = 0; y < expected.height(); ++y) {
    if (std::memcmp(actual.constScanLine(y), expected.constScanLine(y),
                    static_cast<size_t>(expected.width()) * 3) == 0) {
      continue;
    }
    for (int x = 0; x < expected.width(); ++x) {
      if (actual.pixel(x, y) != expected.pixel(x, y)) {
        ADD_FAILURE() << what << ": pixel " << x << ',' << y << " is " << std::hex
                      << actual.pixel(x, y) << ", not " << expected.pixel(x, y);
        return;
      }
    }
  }
}

TEST(EncodePng, DecodesToTheSamePixelsWithEveryFilter) {
  struct Size {
    int width;
    int height;
  };
  // The largest is compressed in pieces of a few megabytes, side by side, and joined.
  const Size sizes[] = {{1, 1},   {2, 1},     {1, 3},    {3, 2},      {17, 9},
                        {255, 6}, {40, 1300}, {1, 3000}, {1100, 1300}};
  for (const PngFilter filter : kFilters) {
    for (const Size size : sizes) {
      const QImage image = TestImage(size.width, size.height, QImage::Format_RGB32);
      ExpectSamePixels(Decode(EncodePng(image, filter)),
                       image.convertToFormat(QImage::Format_RGB888),
                       "filter " + std::to_string(static_cast<int>(filter)) + ", " +
                           std::to_string(size.width) + "x" + std::to_string(size.height));
    }
  }
}

TEST(EncodePng, OtherFormatsGiveTheirRgbPixels) {
  const QImage::Format formats[] = {
      QImage::Format_RGB888, QImage::Format_ARGB32,   QImage::Format_ARGB32_Premultiplied,
      QImage::Format_RGB16,  QImage::Format_Indexed8, QImage::Format_Grayscale8,
      QImage::Format_Mono};
  for (const QImage::Format format : formats) {
    // Taller than the band in which such formats are converted, and than one range.
    const QImage image = TestImage(7, 700, format);
    ExpectSamePixels(Decode(EncodePng(image)), image.convertToFormat(QImage::Format_RGB888),
                     "format " + std::to_string(static_cast<int>(format)));
  }
}

struct Chunk {
  std::string type;
  std::string data;
  std::uint32_t crc;
};

std::uint32_t ReadU32(const std::string& bytes, size_t at) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

// Bitwise, from the PNG definition, so that it does not share the writer's zlib call.
std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k)
      crc = (crc & 1u) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

std::vector<Chunk> ParseChunks(const std::string& png) {
  std::vector<Chunk> chunks;
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  size_t at = 8;
  while (at < png.size()) {
    const size_t length = ReadU32(png, at);
    chunks.push_back(
        {png.substr(at + 4, 4), png.substr(at + 8, length), ReadU32(png, at + 8 + length)});
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  return chunks;
}

TEST(EncodePng, HoldsOnlyHeaderDataAndEndWithValidChecksums) {
  // Noise does not compress, so the data needs several IDAT chunks; the height needs
  // several ranges compressed side by side.
  const QImage image = TestImage(601, 1301, QImage::Format_RGB32);
  const std::vector<Chunk> chunks = ParseChunks(EncodePng(image));
  ASSERT_GE(chunks.size(), 4u);
  EXPECT_EQ(chunks.front().type, "IHDR");
  EXPECT_EQ(chunks.back().type, "IEND");
  EXPECT_EQ(chunks.back().data, "");
  std::string zlibStream;
  for (size_t i = 1; i + 1 < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].type, "IDAT") << i;
    zlibStream += chunks[i].data;
  }
  for (const Chunk& chunk : chunks) {
    EXPECT_EQ(chunk.crc, Crc32(chunk.type + chunk.data)) << chunk.type;
  }
  const std::string& ihdr = chunks.front().data;
  ASSERT_EQ(ihdr.size(), 13u);
  EXPECT_EQ(ReadU32(ihdr, 0), 601u);
  EXPECT_EQ(ReadU32(ihdr, 4), 1301u);
  // Bit depth 8, truecolour, deflate, adaptive filtering method, no interlace.
  EXPECT_EQ(ihdr.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
  // The zlib header records the level class: 3 for levels 7 to 9, 2 for the default 6.
  ASSERT_GE(zlibStream.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(zlibStream[1]) >> 6, 3);
  // One whole zlib stream: it inflates to every filtered row, its checksum right.
  std::vector<unsigned char> rows(1301u * (601u * 3 + 1) + 1);
  uLongf size = rows.size();
  EXPECT_EQ(uncompress(rows.data(), &size, reinterpret_cast<const Bytef*>(zlibStream.data()),
                       zlibStream.size()),
            Z_OK);
  EXPECT_EQ(size, 1301u * (601u * 3 + 1));
}

TEST(EncodePng, ADensityGoesBetweenHeaderAndData) {
  const QImage image = TestImage(20, 10, QImage::Format_RGB32);
  const std::vector<Chunk> chunks = ParseChunks(EncodePng(image, kDefaultPngFilter, 300));
  ASSERT_GE(chunks.size(), 4u);
  EXPECT_EQ(chunks[1].type, "pHYs");
  EXPECT_EQ(chunks[1].crc, Crc32(chunks[1].type + chunks[1].data));
  // 300 dots per inch are 11811 per metre, across and down; unit 1, the metre.
  EXPECT_EQ(chunks[1].data, std::string("\x00\x00\x2E\x23\x00\x00\x2E\x23\x01", 9));
  EXPECT_EQ(chunks[2].type, "IDAT");
  // Without a density the file has none.
  EXPECT_EQ(ParseChunks(EncodePng(image))[1].type, "IDAT");
}

TEST(EncodePng, RefusesANullImage) {
  EXPECT_THROW(EncodePng(QImage()), std::invalid_argument);
}

fs::path TempPath(const char* name) {
  const fs::path dir = fs::path(testing::TempDir()) / "png-test";
  fs::create_directories(dir);
  return dir / name;
}

TEST(SavePng, WritesAFileThatPngcheckAccepts) {
  if (std::system("command -v pngcheck >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "pngcheck is not installed";
  }
  const fs::path path = TempPath("figure.png");
  const QImage image = TestImage(333, 222, QImage::Format_RGB32);
  SavePng(image, QString::fromStdString(path.string()));
  QFile file(QString::fromStdString(path.string()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), EncodePng(image));
  const std::string command = "pngcheck -q '" + path.string() + "' >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(SavePng, FailureRaisesTheUserMessage) {
  const fs::path dir = TempPath("x").parent_path();
  EXPECT_THROW(SavePng(TestImage(2, 2, QImage::Format_RGB32), QString::fromStdString(dir.string())),
               core::IoError);
}

}  // namespace
}  // namespace platform
