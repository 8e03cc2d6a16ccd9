#pragma once

#include <QImage>
#include <QString>
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
/// only the IHDR, IDAT and IEND chunks; the pixel data is deflated at level 7. Formats
/// other than RGB32 and RGB888 become the pixels QImage::convertToFormat gives for RGB888.
/// Raises std::invalid_argument for a null image.
/// Works through the image a band of rows at a time, so the memory needed beyond the
/// image and the result stays small even for an A3 page at 300 dpi. Tall images are
/// compressed in row ranges on several threads and joined into one zlib stream.
std::string EncodePng(const QImage& image, PngFilter filter = kDefaultPngFilter);

/// Writes EncodePng(image) so that a failure leaves the old file whole; raises
/// core::IoError with the user-visible message when the file cannot be written.
void SavePng(const QImage& image, const QString& path);

}  // namespace platform
