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

/// The filter EncodePng uses unless told otherwise. On an A3 figure at 300 dpi (flat
/// areas, thin lines, labels; bench/PngBench.cpp) all filters but Average came within 4 %
/// of each other in size and time, deflate taking most of the time. Paeth gave the
/// smallest file at no measurable cost and, unlike None, stays good on shaded content;
/// Adaptive was no smaller and a third slower.
inline constexpr PngFilter kDefaultPngFilter = PngFilter::Paeth;

/// The image as a PNG file's bytes: 8-bit truecolour without alpha, not interlaced, with
/// only the IHDR, IDAT and IEND chunks; the pixel data is deflated at level 7. Formats
/// other than RGB32 and RGB888 become the pixels QImage::convertToFormat gives for RGB888.
/// Raises std::invalid_argument for a null image.
/// Works through the image a band of rows at a time, so the memory needed beyond the
/// image and the result stays small even for an A3 page at 300 dpi.
std::string EncodePng(const QImage& image, PngFilter filter = kDefaultPngFilter);

/// Writes EncodePng(image) so that a failure leaves the old file whole; raises
/// core::IoError with the user-visible message when the file cannot be written.
void SavePng(const QImage& image, const QString& path);

}  // namespace platform
