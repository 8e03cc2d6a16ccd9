#include "platform/chart/Chart.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "platform/chart/AxisScale.h"

namespace platform {

namespace {

constexpr double kEndSlack = 1e-9;
constexpr double kLabelGap = 2;

// The part of the segment a→b inside the box (Liang–Barsky); none when it misses the box
// or a coordinate is not a number.
std::optional<std::pair<QPointF, QPointF>> ClipSegment(QPointF a, QPointF b, const QRectF& box) {
  double t0 = 0;
  double t1 = 1;
  const double dx = b.x() - a.x();
  const double dy = b.y() - a.y();
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                      box.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (!std::isfinite(p[i]) || !std::isfinite(q[i])) return std::nullopt;
    if (p[i] == 0) {
      if (q[i] < 0) return std::nullopt;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return std::nullopt;
  }
  const QPointF from = t0 > 0 ? QPointF(a.x() + t0 * dx, a.y() + t0 * dy) : a;
  const QPointF to = t1 < 1 ? QPointF(a.x() + t1 * dx, a.y() + t1 * dy) : b;
  return std::pair{from, to};
}

bool Horizontal(AxisSide side) {
  return side == AxisSide::Bottom || side == AxisSide::Top;
}

QPen ToQPen(const ChartPen& pen, double scale) {
  QPen q(ToQColor(pen.color));
  q.setWidthF(std::max(pen.width, 1) * scale);
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

// Markers up to this half size are stamped on images rather than drawn one by one.
constexpr int kMaxStampedSize = 64;

// The image a painter draws on, when markers can be stamped on it: a 32-bit image seen
// through a whole-pixel translation and a scale by a whole number alone, so that a marker
// drawn once at that scale and copied lands on exactly the pixels it would have painted
// itself.
QImage* StampTarget(const QPainter& painter) {
  QPaintDevice* device = painter.device();
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* image = static_cast<QImage*>(device);
  // Writing to a shared image would first copy it, away from the painter's own pixels.
  if (!image->isDetached()) return nullptr;
  const QImage::Format f = image->format();
  if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
      f != QImage::Format_ARGB32_Premultiplied) {
    return nullptr;
  }
  const QTransform t = painter.transform();
  if (t.type() > QTransform::TxScale || t.m11() != t.m22() || t.m11() != std::round(t.m11()) ||
      t.m11() < 1 || t.m11() > 16 || t.dx() != std::round(t.dx()) || t.dy() != std::round(t.dy()) ||
      image->devicePixelRatio() != 1.0 ||
      painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
      painter.testRenderHint(QPainter::Antialiasing)) {
    return nullptr;
  }
  return image;
}

// Draws the marker once on a transparent stamp and copies its painted pixels to each
// shown centre, inside the plot. Hundreds of thousands of markers cost a copy each rather
// than a rasterisation each.
void StampMarkers(const QPainter& painter, QImage& target, const MarkerStyle& m,
                  const std::vector<QPoint>& centres, const std::vector<bool>& shown,
                  const QRectF& plot) {
  const int s = std::max(m.size, 0);
  // The painter's whole-number scale (StampTarget): the stamp is drawn at it.
  const int k = static_cast<int>(painter.transform().m11());
  const int side = (2 * s + 5) * k;
  const int origin = s + 2;
  QImage stamp(side, side, QImage::Format_ARGB32_Premultiplied);
  stamp.fill(Qt::transparent);
  {
    QPainter p(&stamp);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.scale(k, k);
    p.setPen(ScaledPen(ToQColor(m.outline), 1, p));
    p.setBrush(ToQColor(m.fill));
    DrawMarker(p, m.shape, origin, origin, s);
  }
  const int dx = static_cast<int>(painter.transform().dx());
  const int dy = static_cast<int>(painter.transform().dy());
  // The plot's clip as whole pixels of the target, its edges rounded as the painter rounds
  // them (a half up).
  auto edge = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
  const QRect clip =
      QRect(QPoint(edge(k * plot.left()) + dx, edge(k * plot.top()) + dy),
            QPoint(edge(k * plot.right()) - 1 + dx, edge(k * plot.bottom()) - 1 + dy))
          .intersected(target.rect());
  const bool opaqueTarget = target.format() == QImage::Format_RGB32;
  // The stamp's painted pixels, once: offset from its corner and colour.
  struct Dot {
    int x, y;
    QRgb color;
  };
  std::vector<Dot> dots;
  for (int y = 0; y < side; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
    for (int x = 0; x < side; ++x) {
      if (qAlpha(row[x]) == 255)
        dots.push_back({x, y, opaqueTarget ? (row[x] | 0xFF000000u) : row[x]});
    }
  }
  uchar* bits = target.bits();
  const qsizetype stride = target.bytesPerLine();
  auto at = [bits, stride](int x, int y) {
    return reinterpret_cast<QRgb*>(bits + static_cast<qsizetype>(y) * stride) + x;
  };
  for (size_t i = 0; i < centres.size(); ++i) {
    if (!shown[i]) continue;
    const int left = (centres[i].x() - origin) * k + dx;
    const int top = (centres[i].y() - origin) * k + dy;
    if (left >= clip.left() && top >= clip.top() && left + side - 1 <= clip.right() &&
        top + side - 1 <= clip.bottom()) {
      for (const Dot& d : dots)
        *at(left + d.x, top + d.y) = d.color;
      continue;
    }
    for (const Dot& d : dots) {
      const int x = left + d.x;
      const int y = top + d.y;
      if (x >= clip.left() && x <= clip.right() && y >= clip.top() && y <= clip.bottom())
        *at(x, y) = d.color;
    }
  }
}

// The pixel centre of each marker of the chart's point series, and whether it can show.
// A marker with the same shape and size at the same pixel as one drawn after it is
// covered by that one exactly, on any device and at any magnification, so it is left out:
// records share pixels wherever they are dense, and a figure of hundreds of thousands of
// them then draws, writes and pastes only what shows.
struct MarkerPlan {
  std::vector<std::vector<QPoint>> centres;
  std::vector<std::vector<bool>> shown;
};

// One bit per pixel of the reach of a plot: whether a marker of one shape and size was
// met there already.
class PixelSet {
 public:
  PixelSet(const QRectF& plot, int margin)
      : m_left(static_cast<int>(std::floor(plot.left())) - margin),
        m_top(static_cast<int>(std::floor(plot.top())) - margin),
        m_width(static_cast<int>(std::ceil(plot.right())) + margin + 1 - m_left),
        m_height(static_cast<int>(std::ceil(plot.bottom())) + margin + 1 - m_top),
        m_bits(
            static_cast<size_t>(std::max(m_width, 0)) * static_cast<size_t>(std::max(m_height, 0)),
            false) {}

  /// Adds the pixel; false when it was there already. Pixels beyond the reach count as new.
  bool Insert(int x, int y) {
    const int col = x - m_left;
    const int row = y - m_top;
    if (col < 0 || row < 0 || col >= m_width || row >= m_height) return true;
    const size_t at =
        static_cast<size_t>(row) * static_cast<size_t>(m_width) + static_cast<size_t>(col);
    if (m_bits[at]) return false;
    m_bits[at] = true;
    return true;
  }

 private:
  int m_left, m_top, m_width, m_height;
  std::vector<bool> m_bits;
};

MarkerPlan PlanMarkers(const Chart& chart, const ChartMapping& mapping, const QRectF& plot) {
  MarkerPlan plan;
  plan.centres.resize(chart.points.size());
  plan.shown.resize(chart.points.size());
  // One set of pixels per shape and size the series use.
  std::vector<std::pair<std::pair<MarkerShape, int>, PixelSet>> seen;
  auto setOf = [&](MarkerShape shape, int size) -> PixelSet& {
    for (auto& [geometry, pixels] : seen) {
      if (geometry == std::pair{shape, size}) return pixels;
    }
    return seen.emplace_back(std::pair{shape, size}, PixelSet(plot, size + 2)).second;
  };
  for (size_t i = chart.points.size(); i-- > 0;) {
    const PointSeries& series = chart.points[i];
    if (!series.active || series.marker.shape == MarkerShape::None) continue;
    const AxisSide vertical =
        series.binding == VerticalBinding::Right ? AxisSide::Right : AxisSide::Left;
    // Any size a caller sets; none draws a marker wider than the largest device.
    const int s = std::clamp(series.marker.size, 0, 1 << 20);
    PixelSet& pixels = setOf(series.marker.shape, s);
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
      if (!pixels.Insert(cx, cy)) continue;
      centres[k] = QPoint(cx, cy);
      shown[k] = true;
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

double PenScale(const QPainter& painter) {
  const double scale = std::sqrt(std::fabs(painter.worldTransform().determinant()));
  return scale > 0 && std::isfinite(scale) ? scale : 1;
}

QPen ScaledPen(const QColor& color, double width, const QPainter& painter) {
  QPen pen(color);
  pen.setWidthF(width * PenScale(painter));
  pen.setCosmetic(true);
  return pen;
}

ChartMapping DrawChart(QPainter& painter, const QRect& rect, const Chart& chart,
                       DrawReport* report) {
  DrawReport unused;
  DrawReport& told = report ? *report : unused;
  told = DrawReport{};
  const double scale = PenScale(painter);
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
  // The grid lines of each axis stand this many of the chart's pixels apart; lines closer
  // than kMinGridSpacing are left out, as are the minor lines between them.
  std::array<double, 4> gridPixels{};
  for (size_t i = 0; i < 4; ++i) {
    const auto side = static_cast<AxisSide>(i);
    const ChartAxis& axis = chart.axes[i];
    const double range = std::fabs(axis.maximum - axis.minimum);
    const double length = Horizontal(side) ? plot.width() : plot.height();
    gridPixels[i] = range > 0 && std::isfinite(range) ? increments[i] / range * length : 0;
  }
  auto crowded = [](double pixels) { return std::isfinite(pixels) && pixels < kMinGridSpacing; };
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
    const bool hasLines = increments[i] > 0 && std::isfinite(increments[i]);
    if (axis.minorGridPen.visible && hasLines && axis.minorTickCount >= 1) {
      const int parts = axis.minorTickCount + 1;
      if (crowded(gridPixels[i] / parts)) {
        told.minorLeftOut[i] = increments[i] / parts;
      } else {
        painter.setPen(ToQPen(axis.minorGridPen, scale));
        for (const double v : MinorGridValues(axis.minimum, axis.maximum, increments[i],
                                              axis.minorTickCount, &tooMany))
          gridLine(side, v);
        if (tooMany) ++told.linesNotDrawn;
      }
    }
    if (axis.gridPen.visible && hasLines) {
      if (crowded(gridPixels[i])) {
        told.gridLeftOut[i] = increments[i];
      } else {
        painter.setPen(ToQPen(axis.gridPen, scale));
        for (const double v : GridValues(axis.minimum, axis.maximum, increments[i], &tooMany))
          gridLine(side, v);
        if (tooMany) ++told.linesNotDrawn;
      }
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
        QPen pen = ScaledPen(ToQColor(runColor), std::max(series.width, 1), painter);
        if (series.dotted) pen.setDashPattern({1, 1});
        painter.setPen(pen);
        painter.drawPolyline(run);
      }
      if (series.vertexDots && !run.isEmpty()) {
        painter.setPen(ScaledPen(ToQColor(runColor), 1, painter));
        painter.drawPoints(run.constData(), static_cast<int>(run.size()));
      }
      run.clear();
    };
    // Segments are cut at the plot's edge here rather than left to the painter's clip,
    // which SVG output does not keep; a pixel or two beyond it the painter still cuts.
    const double margin = std::max(series.width, 1) + 1.0;
    const QRectF box = plot.adjusted(-margin, -margin, margin, margin);
    // The last point of the run, when there is one (a bool beside it rather than an
    // optional, which GCC takes for read uninitialised).
    QPointF previous;
    bool hasPrevious = false;
    for (size_t k = 0; k < series.x.size(); ++k) {
      if (series.null[k]) {
        flush();
        hasPrevious = false;
        continue;
      }
      const QPointF p(mapping.ToPixel(AxisSide::Bottom, series.x[k]),
                      mapping.ToPixel(vertical, series.y[k]));
      if (series.color[k] != runColor) {
        flush();
        runColor = series.color[k];
      }
      if (!hasPrevious) {
        if (box.contains(p)) run.append(p);
      } else if (const auto cut = ClipSegment(previous, p, box)) {
        if (run.isEmpty() || run.back() != cut->first) {
          flush();
          run.append(cut->first);
        }
        run.append(cut->second);
        if (cut->second != p) flush();
      } else {
        flush();
      }
      previous = p;
      hasPrevious = true;
    }
    flush();
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const MarkerPlan plan = PlanMarkers(chart, mapping, plot);
  for (size_t i = 0; i < chart.points.size(); ++i) {
    const PointSeries& series = chart.points[i];
    if (!series.active || series.x.empty() || series.marker.shape == MarkerShape::None) continue;
    const MarkerStyle& m = series.marker;
    painter.setPen(ScaledPen(ToQColor(m.outline), 1, painter));
    painter.setBrush(ToQColor(m.fill));
    const std::vector<bool>& shown = plan.shown[i];
    const std::vector<QPoint>& centres = plan.centres[i];
    if (QImage* target = StampTarget(painter); target && m.size <= kMaxStampedSize) {
      StampMarkers(painter, *target, m, centres, shown, plot);
      continue;
    }
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
      painter.setPen(ToQPen(axis.axisPen, scale));
      if (Horizontal(side)) {
        painter.drawLine(QPointF(plot.left(), pixel(edge)), QPointF(plot.right(), pixel(edge)));
      } else {
        painter.drawLine(QPointF(pixel(edge), plot.top()), QPointF(pixel(edge), plot.bottom()));
      }
    }
    // Ticks and labels point away from the plot.
    const double out = side == AxisSide::Bottom || side == AxisSide::Right ? 1 : -1;
    // Ticks as close as grid lines too close to draw would make a solid band.
    const std::vector<double> values = crowded(gridPixels[i])
                                           ? std::vector<double>()
                                           : GridValues(axis.minimum, axis.maximum, increments[i]);
    for (const double v : values) {
      const double p = pixel(mapping.ToPixel(side, v));
      painter.setPen(ToQPen(ChartPen{axis.axisPen.color, 1, true, false}, scale));
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
    // The hook draws in the chart's own pixels, wherever the chart stands on the device,
    // and may write beside the chart (labels under a profile) where the device allows.
    painter.save();
    painter.setClipping(false);
    painter.translate(rect.topLeft());
    chart.afterDraw(painter, ChartMapping(plot.translated(-QPointF(rect.topLeft())), chart.axes));
    painter.restore();
  }
  painter.restore();
  return mapping;
}

}  // namespace platform
