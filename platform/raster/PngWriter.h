#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <string>

namespace platform {

/// How each row is predicted before compression. The output decodes to the same pixels
/// whichever is used; only size and speed differ.
enum class PngFilter {
  None,
  Sub,
  Up,
  Average,
  Paeth,
  /// Per row, the one of the five whose output has the least sum of absolute values.
  Adaptive,
};

/// The filter EncodePng uses unless told otherwise. Measured on the conic program's own
/// exported figures (flat land and sea, thin lines, labels, markers), None gave the
/// smallest file at every sheet size — A3 214 933 bytes against 222 517 for Sub and
/// 225 392 for Paeth, A4 135 716 against 138 972 and 145 783, the window-width sheet
/// 35 425 against 36 275 and 39 922 — at no more time than the others: deflate finds the
/// runs of one colour better unpredicted.
inline constexpr PngFilter kDefaultPngFilter = PngFilter::None;

/// The image as a PNG file's bytes: 8-bit truecolour without alpha, not interlaced, with
/// only the IHDR, IDAT and IEND chunks, and a pHYs chunk between IHDR and IDAT when
/// `dotsPerInch` is above 0 (so that a word processor places the figure at its size);
/// the pixel data is deflated at level 7. Formats
/// other than RGB32 and RGB888 become the pixels QImage::convertToFormat gives for RGB888.
/// Raises std::invalid_argument for a null image.
/// Reads RGB32 and RGB888 images in place, so the memory needed beyond the image and the
/// result stays small even for an A3 page at 300 dpi; other formats are converted first.
/// Large images are compressed in row ranges of a few megabytes on several threads and
/// joined into one zlib stream.
std::string EncodePng(const QImage& image, PngFilter filter = kDefaultPngFilter,
                      int dotsPerInch = 0);

/// Fills `rgb` with row `y` of an image as packed R, G, B bytes. Called from several
/// threads at once, and a row may be asked for more than once, so it must not change
/// shared state.
using PngRows = std::function<void(int y, unsigned char* rgb)>;

/// As EncodePng of an image, for an image that is never built whole: each row is asked of
/// `rows` as the encoder needs it. Raises std::invalid_argument for an empty size.
std::string EncodePng(int width, int height, const PngRows& rows,
                      PngFilter filter = kDefaultPngFilter, int dotsPerInch = 0);

/// Writes EncodePng(image) so that a failure leaves the old file whole; raises
/// core::IoError with the user-visible message when the file cannot be written.
void SavePng(const QImage& image, const QString& path, int dotsPerInch = 0);
void SavePng(int width, int height, const PngRows& rows, const QString& path, int dotsPerInch = 0);

/// The resolution figures are written at: the A-series sheets are drawn for 300 dpi, the
/// window-sized figures for a 96-dpi screen.
inline constexpr int kPrintDpi = 300;
inline constexpr int kScreenDpi = 96;

}  // namespace platform
