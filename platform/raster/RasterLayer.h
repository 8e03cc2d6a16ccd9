#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>

namespace platform {

/// A colour as the settings files store it: 24 bits, red in the low byte, green in the
/// middle byte, blue in the high byte (0x00BBGGRR).
using WinColor = std::uint32_t;

inline constexpr WinColor kBlack = 0x000000;
inline constexpr WinColor kWhite = 0xFFFFFF;

/// Converts at the drawing call only; everywhere else colours stay WinColor.
QRgb ToQRgb(WinColor color);
WinColor FromQRgb(QRgb rgb);

enum class PenStyle { Solid, Dot };
/// Copy: the pen colour replaces the pixel. Mask: the new pixel is the bitwise AND of
/// the pen colour and the pixel already there.
enum class PenMode { Copy, Mask };

struct Pen {
  WinColor color = kBlack;
  int width = 1;
  PenStyle style = PenStyle::Solid;
  PenMode mode = PenMode::Copy;
};

/// A raster layer with the drawing conventions of the platform the figures were first
/// drawn on, so that every pixel is where the drawing code says:
/// - a line from the current position to (x, y) excludes its end point, and the end
///   becomes the current position;
/// - the box of a rectangle or an ellipse excludes its right and bottom edge;
/// - flood fill is a border fill: it replaces every pixel connected to the seed that is
///   not of the border colour;
/// - text is drawn with an opaque background of the brush colour.
/// Pixel coordinates are integers; (0, 0) is the top-left pixel, y grows downwards.
/// Drawing outside the layer is clipped, never an error: any int coordinate and pen width
/// is safe, and a call's work is bounded by the layer, not by how far its shape reaches.
class RasterLayer {
 public:
  /// A white layer of the size (0 x 0 allowed).
  RasterLayer(int width, int height);

  int Width() const { return m_image.width(); }
  int Height() const { return m_image.height(); }
  /// The pixels, RGB32.
  const QImage& Image() const { return Canvas(); }

  /// A new blank white bitmap of the size; pen, brush and font are kept.
  void Reset(int width, int height);

  void SetPen(const Pen& pen) { m_pen = pen; }
  const Pen& GetPen() const { return m_pen; }
  void SetBrushColor(WinColor color) { m_brush = color; }
  WinColor BrushColor() const { return m_brush; }
  /// The text font and its colour.
  void SetFont(const QFont& font, WinColor color);
  const QFont& Font() const { return m_font; }
  WinColor FontColor() const { return m_fontColor; }

  WinColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, WinColor color);

  void MoveTo(int x, int y);
  /// A line with the current pen (width, style, mode) from the current position to
  /// (x, y), end point excluded.
  void LineTo(int x, int y);
  /// Fills [left, right) x [top, bottom) with the brush colour; no outline.
  void FillRect(int left, int top, int right, int bottom, WinColor color);
  /// Outline with the pen, inside filled with the brush, box excluding right and bottom.
  void Rectangle(int left, int top, int right, int bottom);
  void Ellipse(int left, int top, int right, int bottom);
  /// Border fill with `fill` of the region around (x, y) bounded by pixels of `border`.
  /// A seed outside the layer or on a border pixel fills nothing.
  void FloodFill(int x, int y, WinColor border, WinColor fill);
  /// The same fill kept inside `bounds`, for a shape whose outline might not close.
  void FloodFill(int x, int y, WinColor border, WinColor fill, const QRect& bounds);
  /// Text with its top-left corner at (x, y), in the font and font colour, on an opaque
  /// background of the brush colour covering the text extent.
  void TextOut(int x, int y, const QString& text);
  /// Width and height of the text in the current font, in pixels.
  QSize TextExtent(const QString& text) const;

 private:
  // The real-valued moves keep the exact position, so that a line that leaves the int
  // range comes back on its true course.
  friend void MoveToXY(RasterLayer& layer, double x, double y);
  friend void LineToXY(RasterLayer& layer, double x, double y);

  // The pixels, with any whole-layer fill still owed done first.
  QImage& Canvas() const;

  // Filled only when first drawn on or looked at: `m_pendingFill` is the colour the
  // whole layer has until then.
  mutable QImage m_image;
  mutable std::optional<QRgb> m_pendingFill;
  Pen m_pen;
  WinColor m_brush = kWhite;
  QFont m_font;
  WinColor m_fontColor = kBlack;
  int m_x = 0;  // m_realX and m_realY rounded, clamped to int
  int m_y = 0;
  double m_realX = 0;
  double m_realY = 0;
  std::int64_t m_dotPhase = 0;  // dotted pens continue their pattern along a polyline
};

// The drawing primitives the figure code uses. Positions are real numbers rounded to
// the nearest pixel, a half to the even neighbour.

/// Fills the whole layer with the colour; leaves the pen black, width 1, solid, copy,
/// and the brush colour as it was.
void ClearLayer(RasterLayer& layer, WinColor color);
/// Border fill with `color` around the pixel, bounded by the layer's current pen colour;
/// the brush colour is left as it was.
void FloodFillAt(RasterLayer& layer, WinColor color, double x, double y);
void SetLayerPen(RasterLayer& layer, WinColor color, int width, PenStyle style, PenMode mode);
/// The position is kept exact, beyond the int range too.
void MoveToXY(RasterLayer& layer, double x, double y);
/// Ends within the int range draw exactly the pixels of LineTo. A line with an end beyond
/// it is drawn from its true course: each pixel is the true line's, rounded to nearest (as
/// precise as the ends are), and a dotted pen counts its steps from the true start. An
/// infinite end draws nothing.
void LineToXY(RasterLayer& layer, double x, double y);
/// Text placed relative to (x, y) by the anchor, with the layer's font and an opaque
/// background of its brush colour. Anchor 1: centred above the point (bottom 2 pixels
/// above y); 2: right of it (left edge x + 2), vertically centred; 3: centred below
/// (top y + 2); 4: left of it (right edge x - 2), vertically centred; other: top-left at
/// the point. "Centred" uses the text width or height divided by 2, rounded down.
void DrawLabel(RasterLayer& layer, int anchor, const QString& text, double x, double y);

}  // namespace platform
