#include "platform/chart/Chart.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "platform/chart/AxisScale.h"

namespace platform {

namespace {

constexpr double kEndSlack = 1e-9;
constexpr double kLabelGap = 2;

bool Horizontal(AxisSide side) {
  return side == AxisSide::Bottom || side == AxisSide::Top;
}

QPen ToQPen(const ChartPen& pen) {
  QPen q(ToQColor(pen.color));
  q.setWidth(std::max(pen.width, 1));
  q.setCosmetic(true);
  q.setCapStyle(Qt::FlatCap);
  if (pen.dotted) q.setDashPattern({1, 1});
  return q;
}

QFontMetricsF Metrics(const QFont& font, const QPainter* painter) {
  return painter && painter->device() ? QFontMetricsF(font, painter->device())
                                      : QFontMetricsF(font);
}

QString LabelText(const Chart& chart, AxisSide side, double value) {
  const ChartAxis& axis = chart.Axis(side);
  QString text = QString::fromStdString(FormatFloat(value, axis.valueFormat));
  if (chart.getAxisLabel) chart.getAxisLabel(side, text);
  return text;
}

bool LabelsShown(const ChartAxis& axis) {
  return axis.visible && axis.labelsVisible;
}

// The room one label takes along its axis, the separation included; 0 when the labels are
// hidden, which then never coarsen the increment.
double LabelRoom(const Chart& chart, AxisSide side, const QFontMetricsF& metrics) {
  const ChartAxis& axis = chart.Axis(side);
  if (!LabelsShown(axis)) return 0;
  double size = 0;
  for (const double v : {axis.minimum, axis.maximum}) {
    const QString text = LabelText(chart, side, v);
    size = std::max(size, Horizontal(side) ? metrics.horizontalAdvance(text) : metrics.height());
  }
  return size * (1 + axis.labelSeparation / 100);
}

// The widest label of a vertical axis, for the room it takes beside the plot.
double LabelWidth(const Chart& chart, AxisSide side, const QFontMetricsF& metrics) {
  const ChartAxis& axis = chart.Axis(side);
  double width = 0;
  for (const double v : {axis.minimum, axis.maximum})
    width = std::max(width, metrics.horizontalAdvance(LabelText(chart, side, v)));
  return width;
}

}  // namespace

QColor ToQColor(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                static_cast<int>((c >> 16) & 0xFFu));
}

void LineSeries::Add(double px, double py, std::uint32_t c) {
  x.push_back(px);
  y.push_back(py);
  color.push_back(c);
  null.push_back(false);
}

void LineSeries::AddNull() {
  x.push_back(0);
  y.push_back(0);
  color.push_back(seriesColor);
  null.push_back(true);
}

void LineSeries::Clear(size_t capacity) {
  x.clear();
  y.clear();
  color.clear();
  null.clear();
  x.reserve(capacity);
  y.reserve(capacity);
  color.reserve(capacity);
  null.reserve(capacity);
}

void PointSeries::Clear(size_t capacity) {
  x.clear();
  y.clear();
  x.reserve(capacity);
  y.reserve(capacity);
}

double ChartMapping::ToPixel(AxisSide side, double value) const {
  const ChartAxis& axis = m_axes[static_cast<size_t>(side)];
  const double span = axis.maximum - axis.minimum;
  double t = span != 0 ? (value - axis.minimum) / span : 0;
  if (axis.inverted) t = 1 - t;
  return Horizontal(side) ? m_plot.left() + t * m_plot.width()
                          : m_plot.bottom() - t * m_plot.height();
}

double ChartMapping::ToValue(AxisSide side, double pixel) const {
  const ChartAxis& axis = m_axes[static_cast<size_t>(side)];
  const double length = Horizontal(side) ? m_plot.width() : m_plot.height();
  double t = length != 0
                 ? (Horizontal(side) ? pixel - m_plot.left() : m_plot.bottom() - pixel) / length
                 : 0;
  if (axis.inverted) t = 1 - t;
  return axis.minimum + t * (axis.maximum - axis.minimum);
}

QRectF PlotRect(const Chart& chart, const QRect& rect, const QPainter* painter) {
  const double w = rect.width();
  const double h = rect.height();
  double left = rect.left() + w * chart.marginLeft / 100;
  double right = rect.left() + w - w * chart.marginRight / 100;
  double top = rect.top() + h * chart.marginTop / 100;
  double bottom = rect.top() + h - h * chart.marginBottom / 100;
  const QFontMetricsF labels = Metrics(chart.labelFont, painter);
  if (chart.titleVisible && !chart.title.isEmpty()) {
    top += Metrics(chart.titleFont, painter).height() + kLabelGap;
  }
  if (LabelsShown(chart.Axis(AxisSide::Left))) {
    left += LabelWidth(chart, AxisSide::Left, labels) + chart.Axis(AxisSide::Left).tickLength +
            kLabelGap;
  }
  if (LabelsShown(chart.Axis(AxisSide::Right))) {
    right -= LabelWidth(chart, AxisSide::Right, labels) + chart.Axis(AxisSide::Right).tickLength +
             kLabelGap;
  }
  if (LabelsShown(chart.Axis(AxisSide::Bottom))) {
    bottom -= labels.height() + chart.Axis(AxisSide::Bottom).tickLength + kLabelGap;
  }
  if (LabelsShown(chart.Axis(AxisSide::Top))) {
    top += labels.height() + chart.Axis(AxisSide::Top).tickLength + kLabelGap;
  }
  return QRectF(QPointF(left, top), QPointF(std::max(left, right), std::max(top, bottom)));
}

namespace {

// Which pixels of the plot are already painted over for sure by markers drawn later, so
// that a marker lying wholly under them can be left out: with hundreds of thousands of
// records most markers on a screen-sized chart are buried, and every output (screen,
// image, metafile, SVG, PDF) looks the same without them. A pixel outside the grid is
// outside the plot, where the clip shows nothing.
class Coverage {
 public:
  explicit Coverage(const QRectF& plot)
      : m_left(static_cast<int>(std::floor(plot.left())) - 1),
        m_top(static_cast<int>(std::floor(plot.top())) - 1),
        m_width(static_cast<int>(std::ceil(plot.right())) + 2 - m_left),
        m_height(static_cast<int>(std::ceil(plot.bottom())) + 2 - m_top),
        m_words((m_width + 63) / 64),
        m_bits(static_cast<size_t>(m_words) * static_cast<size_t>(std::max(m_height, 0)), 0) {}

  /// True when every pixel of the box (inclusive) is covered.
  bool Covers(int left, int top, int right, int bottom) const {
    if (!Clamp(left, top, right, bottom)) return true;
    for (int y = top; y <= bottom; ++y) {
      const std::uint64_t* row = Row(y);
      for (int x = left; x <= right;) {
        const int word = x / 64;
        const int last = std::min(right, word * 64 + 63);
        const std::uint64_t mask = Mask(x % 64, last % 64);
        if ((row[word] & mask) != mask) return false;
        x = last + 1;
      }
    }
    return true;
  }

  void Cover(int left, int top, int right, int bottom) {
    if (!Clamp(left, top, right, bottom)) return;
    for (int y = top; y <= bottom; ++y) {
      std::uint64_t* row = Row(y);
      for (int x = left; x <= right;) {
        const int word = x / 64;
        const int last = std::min(right, word * 64 + 63);
        row[word] |= Mask(x % 64, last % 64);
        x = last + 1;
      }
    }
  }

 private:
  // To grid coordinates; false when nothing of the box is on the grid.
  bool Clamp(int& left, int& top, int& right, int& bottom) const {
    left = std::max(left - m_left, 0);
    right = std::min(right - m_left, m_width - 1);
    top = std::max(top - m_top, 0);
    bottom = std::min(bottom - m_top, m_height - 1);
    return left <= right && top <= bottom;
  }
  static std::uint64_t Mask(int from, int to) {
    const std::uint64_t upTo = to == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (to + 1)) - 1;
    return upTo & ~((std::uint64_t{1} << from) - 1);
  }
  std::uint64_t* Row(int y) { return &m_bits[static_cast<size_t>(y) * static_cast<size_t>(m_words)]; }
  const std::uint64_t* Row(int y) const {
    return &m_bits[static_cast<size_t>(y) * static_cast<size_t>(m_words)];
  }

  int m_left, m_top, m_width, m_height, m_words;
  std::vector<std::uint64_t> m_bits;
};

// The part of a filled marker of half size `s` that it paints whole whatever the device's
// rounding, relative to its centre; empty (left > right) for a marker of lines alone.
QRect SolidInterior(MarkerShape shape, int s) {
  switch (shape) {
    case MarkerShape::Rectangle:
      return QRect(QPoint(-(s - 1), -(s - 1)), QPoint(s - 1, s - 1));
    case MarkerShape::Circle: {
      const int h = static_cast<int>(std::floor((s - 1) * 0.7));
      return QRect(QPoint(-h, -h), QPoint(h, h));
    }
    case MarkerShape::TriangleUp: {
      const int h = s / 2 - 1;
      return QRect(QPoint(-h, 0), QPoint(h, s - 1));
    }
    case MarkerShape::TriangleDown: {
      const int h = s / 2 - 1;
      return QRect(QPoint(-h, -(s - 1)), QPoint(h, 0));
    }
    case MarkerShape::Diamond: {
      const int h = (s - 1) / 2;
      return QRect(QPoint(-h, -h), QPoint(h, h));
    }
    case MarkerShape::Cross:
    case MarkerShape::DiagonalCross:
    case MarkerShape::Star:
    case MarkerShape::None:
      break;
  }
  return QRect(QPoint(1, 1), QPoint(0, 0));
}

// The pixel centre of each marker of the chart's point series, and whether it can show:
// markers are gone through from the last drawn to the first, each one left out when its
// whole box (a pixel more each way than it draws) is already under the filled insides of
// markers drawn after it.
struct MarkerPlan {
  std::vector<std::vector<QPoint>> centres;
  std::vector<std::vector<bool>> shown;
};

MarkerPlan PlanMarkers(const Chart& chart, const ChartMapping& mapping, const QRectF& plot) {
  MarkerPlan plan;
  plan.centres.resize(chart.points.size());
  plan.shown.resize(chart.points.size());
  Coverage coverage(plot);
  for (size_t i = chart.points.size(); i-- > 0;) {
    const PointSeries& series = chart.points[i];
    if (!series.active || series.marker.shape == MarkerShape::None) continue;
    const AxisSide vertical =
        series.binding == VerticalBinding::Right ? AxisSide::Right : AxisSide::Left;
    const int s = std::clamp(series.marker.size, 0, 100000);
    const QRect solid = SolidInterior(series.marker.shape, s);
    std::vector<QPoint>& centres = plan.centres[i];
    std::vector<bool>& shown = plan.shown[i];
    centres.resize(series.x.size());
    shown.assign(series.x.size(), false);
    for (size_t k = series.x.size(); k-- > 0;) {
      const double x = std::round(mapping.ToPixel(AxisSide::Bottom, series.x[k]));
      const double y = std::round(mapping.ToPixel(vertical, series.y[k]));
      // Far outside the plot (or not a number): nothing of it can show.
      if (!(x >= plot.left() - s - 2 && x <= plot.right() + s + 2 && y >= plot.top() - s - 2 &&
            y <= plot.bottom() + s + 2)) {
        continue;
      }
      const int cx = static_cast<int>(x);
      const int cy = static_cast<int>(y);
      if (coverage.Covers(cx - s - 1, cy - s - 1, cx + s + 1, cy + s + 1)) continue;
      centres[k] = QPoint(cx, cy);
      shown[k] = true;
      if (solid.left() <= solid.right() && solid.top() <= solid.bottom()) {
        coverage.Cover(cx + solid.left(), cy + solid.top(), cx + solid.right(),
                       cy + solid.bottom());
      }
    }
  }
  return plan;
}

}  // namespace

void DrawMarker(QPainter& painter, MarkerShape shape, double cx, double cy, double s) {
  switch (shape) {
    case MarkerShape::Circle:
      painter.drawEllipse(QRectF(cx - s, cy - s, 2 * s, 2 * s));
      break;
    case MarkerShape::TriangleUp: {
      const QPointF tri[] = {{cx, cy - s}, {cx + s, cy + s}, {cx - s, cy + s}};
      painter.drawPolygon(tri, 3);
      break;
    }
    case MarkerShape::TriangleDown: {
      const QPointF tri[] = {{cx, cy + s}, {cx + s, cy - s}, {cx - s, cy - s}};
      painter.drawPolygon(tri, 3);
      break;
    }
    case MarkerShape::Diamond: {
      const QPointF d[] = {{cx, cy - s}, {cx + s, cy}, {cx, cy + s}, {cx - s, cy}};
      painter.drawPolygon(d, 4);
      break;
    }
    case MarkerShape::Cross:
      painter.drawLine(QPointF(cx - s, cy), QPointF(cx + s, cy));
      painter.drawLine(QPointF(cx, cy - s), QPointF(cx, cy + s));
      break;
    case MarkerShape::DiagonalCross:
      painter.drawLine(QPointF(cx - s, cy - s), QPointF(cx + s, cy + s));
      painter.drawLine(QPointF(cx + s, cy - s), QPointF(cx - s, cy + s));
      break;
    case MarkerShape::Star: {
      const QLineF lines[] = {{cx - s, cy, cx + s, cy},
                              {cx, cy - s, cx, cy + s},
                              {cx - s, cy - s, cx + s, cy + s},
                              {cx + s, cy - s, cx - s, cy + s}};
      painter.drawLines(lines, 4);
      break;
    }
    case MarkerShape::Rectangle:
      painter.drawRect(QRectF(cx - s, cy - s, 2 * s, 2 * s));
      break;
    case MarkerShape::None:
      break;
  }
}

ChartMapping DrawChart(QPainter& painter, const QRect& rect, const Chart& chart,
                       int* linesNotDrawn) {
  if (linesNotDrawn) *linesNotDrawn = 0;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.fillRect(rect, ToQColor(chart.background));

  const QRectF plot = PlotRect(chart, rect, &painter);
  const ChartMapping mapping(plot, chart.axes);
  const QFontMetricsF labels = Metrics(chart.labelFont, &painter);
  auto pixel = [](double v) { return std::floor(v) + 0.5; };

  // Grids first, under everything; each axis' lines at multiples of its spaced increment.
  std::array<double, 4> increments{};
  for (size_t i = 0; i < 4; ++i) {
    const auto side = static_cast<AxisSide>(i);
    const ChartAxis& axis = chart.axes[i];
    const double length = Horizontal(side) ? plot.width() : plot.height();
    increments[i] = SpacedIncrement(axis.maximum - axis.minimum, axis.increment, length,
                                    LabelRoom(chart, side, labels));
  }
  auto gridLine = [&](AxisSide side, double value) {
    const double p = pixel(mapping.ToPixel(side, value));
    if (Horizontal(side)) {
      painter.drawLine(QPointF(p, plot.top()), QPointF(p, plot.bottom()));
    } else {
      painter.drawLine(QPointF(plot.left(), p), QPointF(plot.right(), p));
    }
  };
  for (size_t i = 0; i < 4; ++i) {
    const auto side = static_cast<AxisSide>(i);
    const ChartAxis& axis = chart.axes[i];
    if (!axis.visible) continue;
    bool tooMany = false;
    if (axis.minorGridPen.visible) {
      painter.setPen(ToQPen(axis.minorGridPen));
      for (const double v : MinorGridValues(axis.minimum, axis.maximum, increments[i],
                                            axis.minorTickCount, &tooMany))
        gridLine(side, v);
      if (tooMany && linesNotDrawn) ++*linesNotDrawn;
    }
    if (axis.gridPen.visible) {
      painter.setPen(ToQPen(axis.gridPen));
      for (const double v : GridValues(axis.minimum, axis.maximum, increments[i], &tooMany))
        gridLine(side, v);
      if (tooMany && linesNotDrawn) ++*linesNotDrawn;
    }
  }

  // Series, kept inside the plot.
  painter.save();
  painter.setClipRect(plot);
  QPolygonF run;
  for (const LineSeries& series : chart.lines) {
    if (!series.active || series.x.empty()) continue;
    const AxisSide vertical =
        series.binding == VerticalBinding::Right ? AxisSide::Right : AxisSide::Left;
    // Devices without raster operations (SVG, PDF) draw the line in its colour.
    if (series.maskMode && painter.paintEngine() &&
        painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
      painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    } else {
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    // Consecutive segments of one colour go out as one polyline.
    std::uint32_t runColor = 0;
    auto flush = [&] {
      if (run.size() >= 2) {
        QPen pen(ToQColor(runColor));
        pen.setWidth(std::max(series.width, 1));
        pen.setCosmetic(true);
        if (series.dotted) pen.setDashPattern({1, 1});
        painter.setPen(pen);
        painter.drawPolyline(run);
      }
      if (series.vertexDots && !run.isEmpty()) {
        QPen dot(ToQColor(runColor));
        dot.setWidth(1);
        dot.setCosmetic(true);
        painter.setPen(dot);
        painter.drawPoints(run.constData(), static_cast<int>(run.size()));
      }
      run.clear();
    };
    for (size_t k = 0; k < series.x.size(); ++k) {
      if (series.null[k]) {
        flush();
        continue;
      }
      const QPointF p(mapping.ToPixel(AxisSide::Bottom, series.x[k]),
                      mapping.ToPixel(vertical, series.y[k]));
      if (!run.isEmpty() && series.color[k] != runColor) {
        const QPointF last = run.back();
        flush();
        run.append(last);
      }
      runColor = series.color[k];
      run.append(p);
    }
    flush();
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const MarkerPlan plan = PlanMarkers(chart, mapping, plot);
  for (size_t i = 0; i < chart.points.size(); ++i) {
    const PointSeries& series = chart.points[i];
    if (!series.active || series.x.empty() || series.marker.shape == MarkerShape::None) continue;
    const MarkerStyle& m = series.marker;
    QPen outline(ToQColor(m.outline));
    outline.setCosmetic(true);
    painter.setPen(outline);
    painter.setBrush(ToQColor(m.fill));
    const std::vector<bool>& shown = plan.shown[i];
    const std::vector<QPoint>& centres = plan.centres[i];
    for (size_t k = 0; k < series.x.size(); ++k) {
      if (shown[k]) DrawMarker(painter, m.shape, centres[k].x(), centres[k].y(), m.size);
    }
  }
  painter.restore();

  // Axis lines, ticks and labels.
  painter.setFont(chart.labelFont);
  for (size_t i = 0; i < 4; ++i) {
    const auto side = static_cast<AxisSide>(i);
    const ChartAxis& axis = chart.axes[i];
    if (!axis.visible) continue;
    const double edge = side == AxisSide::Bottom ? plot.bottom()
                        : side == AxisSide::Top  ? plot.top()
                        : side == AxisSide::Left ? plot.left()
                                                 : plot.right();
    if (axis.axisPen.visible) {
      painter.setPen(ToQPen(axis.axisPen));
      if (Horizontal(side)) {
        painter.drawLine(QPointF(plot.left(), pixel(edge)), QPointF(plot.right(), pixel(edge)));
      } else {
        painter.drawLine(QPointF(pixel(edge), plot.top()), QPointF(pixel(edge), plot.bottom()));
      }
    }
    // Ticks and labels point away from the plot.
    const double out = side == AxisSide::Bottom || side == AxisSide::Right ? 1 : -1;
    const std::vector<double> values = GridValues(axis.minimum, axis.maximum, increments[i]);
    for (const double v : values) {
      const double p = pixel(mapping.ToPixel(side, v));
      painter.setPen(ToQPen(ChartPen{axis.axisPen.color, 1, true, false}));
      if (axis.tickLength > 0) {
        if (Horizontal(side)) {
          painter.drawLine(QPointF(p, edge), QPointF(p, edge + out * axis.tickLength));
        } else {
          painter.drawLine(QPointF(edge, p), QPointF(edge + out * axis.tickLength, p));
        }
      }
      if (!LabelsShown(axis)) continue;
      const double span = std::fabs(axis.maximum - axis.minimum);
      if (!axis.labelsAtEnds && (std::fabs(v - axis.minimum) <= kEndSlack * std::max(1.0, span) ||
                                 std::fabs(v - axis.maximum) <= kEndSlack * std::max(1.0, span))) {
        continue;
      }
      const QString text = LabelText(chart, side, v);
      painter.setPen(ToQColor(chart.labelColor));
      const double w = labels.horizontalAdvance(text);
      const double gap = axis.tickLength + kLabelGap;
      QPointF at;
      switch (side) {
        case AxisSide::Bottom:
          at = QPointF(p - w / 2, edge + gap + labels.ascent());
          break;
        case AxisSide::Top:
          at = QPointF(p - w / 2, edge - gap - labels.descent());
          break;
        case AxisSide::Left:
          at = QPointF(edge - gap - w, p + labels.ascent() / 2);
          break;
        case AxisSide::Right:
          at = QPointF(edge + gap, p + labels.ascent() / 2);
          break;
      }
      painter.drawText(at, text);
    }
  }

  if (chart.titleVisible && !chart.title.isEmpty()) {
    const QFontMetricsF metrics = Metrics(chart.titleFont, &painter);
    painter.setFont(chart.titleFont);
    painter.setPen(ToQColor(chart.titleColor));
    const double w = metrics.horizontalAdvance(chart.title);
    painter.drawText(QPointF(rect.left() + (rect.width() - w) / 2,
                             rect.top() + rect.height() * chart.marginTop / 100 + metrics.ascent()),
                     chart.title);
  }

  if (chart.afterDraw) {
    // The hook draws in the chart's own pixels, wherever the chart stands on the device.
    painter.save();
    painter.setClipRect(rect);
    painter.translate(rect.topLeft());
    chart.afterDraw(painter, ChartMapping(plot.translated(-QPointF(rect.topLeft())), chart.axes));
    painter.restore();
  }
  painter.restore();
  return mapping;
}

}  // namespace platform
