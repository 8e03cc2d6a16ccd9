#include "platform/raster/PngWriter.h"
#include "platform/text/FileName.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/SaveFile.h"

namespace platform {

namespace {

constexpr int kDeflateLevel = 7;
// Below this many rows a range is not worth a thread of its own.
constexpr int kMinRowsPerPart = 256;
constexpr int kMaxParts = 8;
constexpr int kBytesPerPixel = 3;
// A chunk per 64 KiB of compressed data: small enough to stream, large enough that the
// 12 bytes of chunk framing are lost in it.
constexpr size_t kIdatSize = 64 * 1024;
constexpr std::string_view kSignature = "\x89PNG\r\n\x1A\n";

using Byte = unsigned char;

// FilterRow writes the enumerator's value as the row's filter type byte.
static_assert(static_cast<int>(PngFilter::None) == 0 && static_cast<int>(PngFilter::Sub) == 1 &&
              static_cast<int>(PngFilter::Up) == 2 && static_cast<int>(PngFilter::Average) == 3 &&
              static_cast<int>(PngFilter::Paeth) == 4);

void StoreU32(Byte* out, std::uint32_t value) {
  out[0] = static_cast<Byte>(value >> 24);
  out[1] = static_cast<Byte>(value >> 16);
  out[2] = static_cast<Byte>(value >> 8);
  out[3] = static_cast<Byte>(value);
}

void PutU32(std::string& out, std::uint32_t value) {
  std::array<Byte, 4> bytes{};
  StoreU32(bytes.data(), value);
  out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void AppendChunk(std::string& out, std::string_view type, const Byte* data, size_t size) {
  PutU32(out, static_cast<std::uint32_t>(size));
  const size_t start = out.size();
  out.append(type);
  if (size > 0) out.append(reinterpret_cast<const char*>(data), size);
  const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data() + start),
                          static_cast<uInt>(out.size() - start));
  PutU32(out, static_cast<std::uint32_t>(crc));
}

// Each row of an image as packed R, G, B bytes; safe to call from several threads.
PngRows RowsOf(const QImage& image) {
  // RGB32 is what every figure is drawn in: read in place rather than converted.
  if (image.format() == QImage::Format_RGB32) {
    return [&image, width = image.width()](int y, unsigned char* out) {
      const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < width; ++x) {
        out[3 * x] = static_cast<Byte>(qRed(pixels[x]));
        out[3 * x + 1] = static_cast<Byte>(qGreen(pixels[x]));
        out[3 * x + 2] = static_cast<Byte>(qBlue(pixels[x]));
      }
    };
  }
  return [&image](int y, unsigned char* out) {
    std::memcpy(out, image.constScanLine(y), static_cast<size_t>(image.width()) * kBytesPerPixel);
  };
}

Byte Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<Byte>(a);
  return static_cast<Byte>(pb <= pc ? b : c);
}

// Writes the filter type byte and the filtered row into `out` (1 + row size bytes).
void FilterRow(PngFilter filter, const std::vector<Byte>& row, const std::vector<Byte>& prev,
               Byte* out) {
  const size_t size = row.size();
  out[0] = static_cast<Byte>(filter);
  Byte* d = out + 1;
  switch (filter) {
    case PngFilter::None:
      std::memcpy(d, row.data(), size);
      break;
    case PngFilter::Sub:
      for (size_t i = 0; i < size; ++i) {
        const int a = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
        d[i] = static_cast<Byte>(row[i] - a);
      }
      break;
    case PngFilter::Up:
      for (size_t i = 0; i < size; ++i)
        d[i] = static_cast<Byte>(row[i] - prev[i]);
      break;
    case PngFilter::Average:
      for (size_t i = 0; i < size; ++i) {
        const int a = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
        d[i] = static_cast<Byte>(row[i] - (a + prev[i]) / 2);
      }
      break;
    case PngFilter::Paeth:
      for (size_t i = 0; i < size; ++i) {
        const int a = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
        const int c = i >= kBytesPerPixel ? prev[i - kBytesPerPixel] : 0;
        d[i] = static_cast<Byte>(row[i] - Paeth(a, prev[i], c));
      }
      break;
    case PngFilter::Adaptive:
      throw std::logic_error("Adaptive is a choice among filters, not a filter");
  }
}

// The usual heuristic: bytes read as signed, so that small differences either way count
// as small and long runs of zeros win.
std::uint64_t SumOfMagnitudes(const Byte* filtered, size_t size) {
  std::uint64_t sum = 0;
  for (size_t i = 0; i < size; ++i) {
    sum += static_cast<std::uint64_t>(std::abs(static_cast<signed char>(filtered[i])));
  }
  return sum;
}

// Filters rows [first, last) of the image and deflates them as one piece of a raw deflate
// stream: the piece ends on a byte boundary (a sync flush) unless it is the last, so that
// pieces compressed side by side join into one stream. A piece after the first starts
// from the 32 KiB of filtered bytes before it as its dictionary, which keeps the joined
// stream about as small as one compressed in a single pass.
struct Piece {
  std::string bytes;
  uLong adler = 1;
  uLong length = 0;
};

// Filters one row; `best` points at the filter type byte and the filtered row.
void FilterInto(PngFilter filter, const std::vector<Byte>& row, const std::vector<Byte>& prev,
                std::vector<Byte>& filtered, const Byte*& best) {
  const size_t rowSize = row.size();
  best = filtered.data();
  if (filter != PngFilter::Adaptive) {
    FilterRow(filter, row, prev, filtered.data());
    return;
  }
  std::uint64_t bestSum = std::numeric_limits<std::uint64_t>::max();
  for (int f = 0; f < 5; ++f) {
    Byte* candidate = filtered.data() + static_cast<size_t>(f) * (rowSize + 1);
    FilterRow(static_cast<PngFilter>(f), row, prev, candidate);
    const std::uint64_t sum = SumOfMagnitudes(candidate + 1, rowSize);
    if (sum < bestSum) {
      bestSum = sum;
      best = candidate;
    }
  }
}

Piece DeflatePiece(int width, const PngRows& rows, PngFilter filter, int first, int last,
                   bool final) {
  const size_t rowSize = static_cast<size_t>(width) * kBytesPerPixel;
  std::vector<Byte> prev(rowSize, 0);
  std::vector<Byte> row(rowSize);
  std::vector<Byte> filtered(static_cast<size_t>(filter == PngFilter::Adaptive ? 5 : 1) *
                             (rowSize + 1));
  const Byte* best = nullptr;

  z_stream stream{};
  if (deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::bad_alloc();
  }
  struct End {
    z_stream& s;
    ~End() { deflateEnd(&s); }
  } end{stream};

  // The dictionary: the filtered rows just before this piece, as the stream holds them.
  if (first > 0) {
    const size_t window = size_t{1} << MAX_WBITS;
    const int back =
        static_cast<int>(std::min(static_cast<size_t>(first), window / (rowSize + 1) + 1));
    std::string dictionary;
    if (first - back > 0) rows(first - back - 1, prev.data());
    for (int y = first - back; y < first; ++y) {
      rows(y, row.data());
      FilterInto(filter, row, prev, filtered, best);
      dictionary.append(reinterpret_cast<const char*>(best), rowSize + 1);
      prev.swap(row);
    }
    if (dictionary.size() > window) dictionary.erase(0, dictionary.size() - window);
    deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
  }

  Piece piece;
  std::vector<Byte> buffer(kIdatSize);
  auto pump = [&](int flush) {
    int result = Z_OK;
    do {
      stream.next_out = buffer.data();
      stream.avail_out = static_cast<uInt>(buffer.size());
      result = deflate(&stream, flush);
      if (result == Z_STREAM_ERROR) throw std::logic_error("deflate stream error");
      piece.bytes.append(reinterpret_cast<const char*>(buffer.data()),
                         buffer.size() - stream.avail_out);
    } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
  };
  for (int y = first; y < last; ++y) {
    rows(y, row.data());
    FilterInto(filter, row, prev, filtered, best);
    piece.adler = adler32(piece.adler, best, static_cast<uInt>(rowSize + 1));
    piece.length += static_cast<uLong>(rowSize + 1);
    stream.next_in = best;
    stream.avail_in = static_cast<uInt>(rowSize + 1);
    while (stream.avail_in > 0)
      pump(Z_NO_FLUSH);
    prev.swap(row);
  }
  pump(final ? Z_FINISH : Z_SYNC_FLUSH);
  return piece;
}

}  // namespace

std::string EncodePng(const QImage& image, PngFilter filter) {
  if (image.isNull()) throw std::invalid_argument("EncodePng: null image");
  if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_RGB888) {
    return EncodePng(image.width(), image.height(), RowsOf(image), filter);
  }
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  return EncodePng(rgb.width(), rgb.height(), RowsOf(rgb), filter);
}

std::string EncodePng(int width, int height, const PngRows& rows, PngFilter filter) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("EncodePng: empty image");
  const size_t rowSize = static_cast<size_t>(width) * kBytesPerPixel;
  if (rowSize + 1 > std::numeric_limits<uInt>::max()) {
    throw std::invalid_argument("EncodePng: image too wide");
  }

  std::string out(kSignature);
  std::array<Byte, 13> header{};
  StoreU32(header.data(), static_cast<std::uint32_t>(width));
  StoreU32(header.data() + 4, static_cast<std::uint32_t>(height));
  header[8] = 8;  // bits per sample
  header[9] = 2;  // truecolour; compression, filter method and interlace stay 0
  AppendChunk(out, "IHDR", header.data(), header.size());

  // Deflate takes most of the time: the rows are cut into one range per core, each
  // compressed on its own thread, and joined into the one zlib stream PNG wants.
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int parts = std::clamp(height / kMinRowsPerPart, 1, std::min(cores, kMaxParts));
  std::vector<Piece> pieces(static_cast<size_t>(parts));
  std::vector<std::exception_ptr> failures(static_cast<size_t>(parts));
  auto work = [&](int part) {
    const auto index = static_cast<size_t>(part);
    try {
      pieces[index] = DeflatePiece(width, rows, filter, height * part / parts,
                                   height * (part + 1) / parts, part == parts - 1);
    } catch (...) {
      failures[index] = std::current_exception();
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (int part = 1; part < parts; ++part)
      helpers.emplace_back(work, part);
    work(0);
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }

  // Level 7 is marked "slowest" in the zlib header, as zlib itself marks it.
  std::string stream = "\x78\xDA";
  uLong adler = 1;
  for (const Piece& piece : pieces) {
    stream += piece.bytes;
    adler = adler32_combine(adler, piece.adler, static_cast<z_off_t>(piece.length));
  }
  PutU32(stream, static_cast<std::uint32_t>(adler));
  for (size_t at = 0; at < stream.size(); at += kIdatSize) {
    const size_t size = std::min(kIdatSize, stream.size() - at);
    AppendChunk(out, "IDAT", reinterpret_cast<const Byte*>(stream.data() + at), size);
  }
  AppendChunk(out, "IEND", nullptr, 0);
  return out;
}

void SavePng(const QImage& image, const QString& path) {
  core::SaveFileAtomically(FileNameBytes(path), EncodePng(image));
}

void SavePng(int width, int height, const PngRows& rows, const QString& path) {
  core::SaveFileAtomically(FileNameBytes(path), EncodePng(width, height, rows));
}

}  // namespace platform
