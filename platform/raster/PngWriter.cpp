#include "platform/raster/PngWriter.h"
#include "platform/text/FileName.h"

#define ZLIB_CONST
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
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
#include "platform/raster/DeflateJoin.h"

namespace platform {

namespace {

constexpr int kDeflateLevel = 7;
// Filtered bytes a piece: a few blocks' worth for the compressor, and little memory for
// each thread.
constexpr size_t kPieceBytes = size_t{2} << 20;
constexpr int kMaxThreads = 8;
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

// Rows [first, last) of the image, filtered and deflated as one piece of a raw deflate
// stream. A piece other than the last ends on a byte boundary with its last block not
// final, so that pieces compressed side by side join into one stream.
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

// One thread's compressor and buffers, reused for every piece the thread takes.
class PieceDeflater {
 public:
  PieceDeflater(int width, const PngRows& rows, PngFilter filter)
      : m_rowSize(static_cast<size_t>(width) * kBytesPerPixel),
        m_rows(rows),
        m_filter(filter),
        m_compressor(libdeflate_alloc_compressor(kDeflateLevel)),
        m_prev(m_rowSize),
        m_row(m_rowSize),
        m_filtered(static_cast<size_t>(filter == PngFilter::Adaptive ? 5 : 1) * (m_rowSize + 1)) {
    if (!m_compressor) throw std::bad_alloc();
  }
  PieceDeflater(const PieceDeflater&) = delete;
  PieceDeflater& operator=(const PieceDeflater&) = delete;
  ~PieceDeflater() { libdeflate_free_compressor(m_compressor); }

  Piece Deflate(int first, int last, bool final) {
    // The filters that look up take the row above from the piece before.
    std::fill(m_prev.begin(), m_prev.end(), Byte{0});
    if (first > 0) m_rows(first - 1, m_prev.data());
    m_input.clear();
    const Byte* best = nullptr;
    for (int y = first; y < last; ++y) {
      m_rows(y, m_row.data());
      FilterInto(m_filter, m_row, m_prev, m_filtered, best);
      m_input.insert(m_input.end(), best, best + m_rowSize + 1);
      m_prev.swap(m_row);
    }
    Piece piece;
    piece.length = static_cast<uLong>(m_input.size());
    piece.adler = libdeflate_adler32(1, m_input.data(), m_input.size());
    m_output.resize(libdeflate_deflate_compress_bound(m_compressor, m_input.size()));
    const size_t size = libdeflate_deflate_compress(m_compressor, m_input.data(), m_input.size(),
                                                    m_output.data(), m_output.size());
    if (size == 0) throw std::logic_error("deflate output exceeded its bound");
    // Copied out at its size: the pieces of a sheet are all held until they are joined.
    piece.bytes.assign(reinterpret_cast<const char*>(m_output.data()), size);
    if (!final) ContinueAfter(piece.bytes);
    return piece;
  }

 private:
  size_t m_rowSize;
  const PngRows& m_rows;
  PngFilter m_filter;
  libdeflate_compressor* m_compressor;
  std::vector<Byte> m_prev;
  std::vector<Byte> m_row;
  std::vector<Byte> m_filtered;
  std::vector<Byte> m_input;
  std::vector<Byte> m_output;
};

}  // namespace

std::string EncodePng(const QImage& image, PngFilter filter, int dotsPerInch) {
  if (image.isNull()) throw std::invalid_argument("EncodePng: null image");
  if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_RGB888) {
    return EncodePng(image.width(), image.height(), RowsOf(image), filter, dotsPerInch);
  }
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  return EncodePng(rgb.width(), rgb.height(), RowsOf(rgb), filter, dotsPerInch);
}

std::string EncodePng(int width, int height, const PngRows& rows, PngFilter filter,
                      int dotsPerInch) {
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
  if (dotsPerInch > 0) {
    // Pixels per metre in both directions, the unit byte 1 saying "metre".
    const auto perMetre = static_cast<std::uint32_t>(std::lround(dotsPerInch / 0.0254));
    std::array<Byte, 9> density{};
    StoreU32(density.data(), perMetre);
    StoreU32(density.data() + 4, perMetre);
    density[8] = 1;
    AppendChunk(out, "pHYs", density.data(), density.size());
  }

  // Deflate takes most of the time: the rows are cut into pieces of a few megabytes, which
  // the cores take in turn, and the pieces are joined into the one zlib stream PNG wants.
  // Each piece starts its matches afresh; on a figure that costs a few bytes a piece.
  const int rowsPerPiece = static_cast<int>(
      std::clamp<size_t>(kPieceBytes / (rowSize + 1), 1, static_cast<size_t>(height)));
  const int count = (height + rowsPerPiece - 1) / rowsPerPiece;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int threads = std::min({cores, kMaxThreads, count});
  std::vector<Piece> pieces(static_cast<size_t>(count));
  std::vector<std::exception_ptr> failures(static_cast<size_t>(threads));
  std::atomic<int> next{0};
  auto work = [&](int thread) {
    try {
      PieceDeflater deflater(width, rows, filter);
      for (int i = next++; i < count; i = next++) {
        pieces[static_cast<size_t>(i)] = deflater.Deflate(
            i * rowsPerPiece, std::min(height, (i + 1) * rowsPerPiece), i == count - 1);
      }
    } catch (...) {
      failures[static_cast<size_t>(thread)] = std::current_exception();
      next = count;  // the others stop after their current piece
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (int thread = 1; thread < threads; ++thread)
      helpers.emplace_back(work, thread);
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

void SavePng(const QImage& image, const QString& path, int dotsPerInch) {
  core::SaveFileAtomically(FileNameBytes(path), EncodePng(image, kDefaultPngFilter, dotsPerInch));
}

void SavePng(int width, int height, const PngRows& rows, const QString& path, int dotsPerInch) {
  core::SaveFileAtomically(FileNameBytes(path),
                           EncodePng(width, height, rows, kDefaultPngFilter, dotsPerInch));
}

}  // namespace platform
