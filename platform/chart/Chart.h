#pragma once

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QRectF>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/chart/ChartAxis.h"

namespace platform {

enum class AxisSide { Bottom = 0, Left = 1, Right = 2, Top = 3 };

/// Which vertical axes a series' y values are measured on.
enum class VerticalBinding { Left, Right, Both };

/// Points joined in the order added; a null point breaks the line. Each point carries the
/// colour of the segment that ends at it. Mask mode ANDs the line into what is under it
/// (on raster devices; vector devices draw it plainly).
struct LineSeries {
  std::vector<double> x;
  std::vector<double> y;
  std::vector<std::uint32_t> color;  // Windows colour of the segment ending at each point
  std::vector<bool> null;
  std::uint32_t seriesColor = 0;
  int width = 1;
  bool maskMode = false;
  /// The line drawn in dots (one pixel on, one off) instead of solid.
  bool dotted = false;
  /// Each point also drawn as a one-pixel dot in its colour, so that a point standing alone
  /// between two breaks shows.
  bool vertexDots = false;
  bool active = true;
  VerticalBinding binding = VerticalBinding::Left;
  QString title;

  void Add(double px, double py) { Add(px, py, seriesColor); }
  void Add(double px, double py, std::uint32_t c);
  void AddNull();
  /// Empties the series and reserves `capacity` points for what comes next.
  void Clear(size_t capacity);
  size_t Count() const { return x.size(); }
};

enum class MarkerShape {
  Rectangle,
  Circle,
  TriangleUp,
  TriangleDown,
  Diamond,
  Cross,
  DiagonalCross,
  Star,  ///< the upright and the diagonal cross together
  None   ///< nothing is drawn
};

/// A marker: its shape, half-size in pixels (a size-4 circle is 9 pixels across), fill and
/// outline colours (Windows colour values).
struct MarkerStyle {
  MarkerShape shape = MarkerShape::Rectangle;
  int size = 4;
  std::uint32_t fill = 0xFFFFFF;
  std::uint32_t outline = 0;
  bool operator==(const MarkerStyle&) const = default;
};

struct PointSeries {
  std::vector<double> x;
  std::vector<double> y;
  MarkerStyle marker;
  bool active = true;
  VerticalBinding binding = VerticalBinding::Left;
  QString title;

  void Add(double px, double py) {
    x.push_back(px);
    y.push_back(py);
  }
  void Clear(size_t capacity);
  size_t Count() const { return x.size(); }
};

/// Value ↔ pixel conversions of one drawn chart: the plot rectangle and the axes as they
/// were laid out for the rectangle the chart was drawn into.
class ChartMapping {
 public:
  ChartMapping() = default;
  ChartMapping(const QRectF& plot, const std::array<ChartAxis, 4>& axes)
      : m_plot(plot), m_axes(axes) {}

  const QRectF& Plot() const { return m_plot; }
  /// The pixel (x for the bottom and top axes, y for the left and right ones) of a value.
  double ToPixel(AxisSide side, double value) const;
  /// The value at a pixel; the inverse of ToPixel.
  double ToValue(AxisSide side, double pixel) const;

 private:
  QRectF m_plot;
  std::array<ChartAxis, 4> m_axes{};
};

/// A chart as the program sets it up: margins in percent of the size it is drawn at, one
/// title line, four axes, line and point series, and two hooks. It draws itself into any
/// rectangle of any QPainter (screen, image, SVG, PDF), so every output shares one path.
struct Chart {
  std::uint32_t background = 0xFFFFFF;
  /// Left, right, top and bottom margins, percent of the chart's width or height.
  double marginLeft = 5, marginRight = 4, marginTop = 4, marginBottom = 4;
  QString title;
  bool titleVisible = true;
  QFont titleFont;
  std::uint32_t titleColor = 0;
  QFont labelFont;
  std::uint32_t labelColor = 0;
  std::array<ChartAxis, 4> axes{};
  std::vector<LineSeries> lines;
  std::vector<PointSeries> points;
  /// Called for each label with the axis and the formatted text, which it may rewrite.
  std::function<void(AxisSide, QString&)> getAxisLabel;
  /// Called after the chart is drawn, with its painter and its conversions in the chart's
  /// own pixels: the origin at the chart's top-left corner, not clipped to the chart.
  std::function<void(QPainter&, const ChartMapping&)> afterDraw;

  ChartAxis& Axis(AxisSide side) { return axes[static_cast<size_t>(side)]; }
  const ChartAxis& Axis(AxisSide side) const { return axes[static_cast<size_t>(side)]; }
};

/// The plot rectangle of a chart drawn into `rect`: the rectangle less the margins, less
/// the room the shown labels and the shown title take. Ticks, axis lines and hidden labels
/// or titles take no room.
QRectF PlotRect(const Chart& chart, const QRect& rect, const QPainter* painter = nullptr);

/// Grid or minor grid lines closer than this many of the chart's pixels are not drawn:
/// closer, a line one pixel wide covers a third of the plot or more, and the lines bury
/// what they stand over.
inline constexpr double kMinGridSpacing = 3;

/// What DrawChart left out of the grid, per axis in AxisSide order.
struct DrawReport {
  /// Sets of grid or minor grid lines too many for their range (see kMaxAxisLines).
  int linesNotDrawn = 0;
  /// The spacing, in axis values, of the grid lines and of the minor grid lines left out
  /// because they would have stood closer than kMinGridSpacing pixels; 0 where nothing was
  /// left out. Ticks at grid lines left out are left out with them.
  std::array<double, 4> gridLeftOut{};
  std::array<double, 4> minorLeftOut{};
};

/// Draws the chart into `rect` and returns its conversions; what it leaves out of the grid
/// goes into `report`. A painter scaled by its world transform draws the same picture at
/// more pixels: pen widths grow with the scale as text, markers and distances do.
ChartMapping DrawChart(QPainter& painter, const QRect& rect, const Chart& chart,
                       DrawReport* report = nullptr);

/// The device pixels a chart pixel covers across, by the painter's world transform: 1 for
/// an unscaled painter, 2 for one scaled by two.
double PenScale(const QPainter& painter);
/// A cosmetic pen `width` chart pixels wide on `painter`, however it is scaled.
QPen ScaledPen(const QColor& color, double width, const QPainter& painter);

/// One marker centred on (cx, cy), `halfSize` pixels each way, with the painter's pen and
/// brush.
void DrawMarker(QPainter& painter, MarkerShape shape, double cx, double cy, double halfSize);

/// A Windows colour value as a QColor.
QColor ToQColor(std::uint32_t windowsColor);

}  // namespace platform
