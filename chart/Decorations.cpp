#include "chart/Decorations.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "chart/AxisLabel.h"
#include "chart/GridType.h"
#include "chart/Plotting.h"

namespace chart {

namespace {

using platform::AxisSide;

// A range a user cannot mean (a million degrees) still ends its labels.
constexpr int kMaxLabels = 400;
const QString kDegree = QStringLiteral("ﾟ");

double Whole(double v) {
  return std::trunc(v);
}

// v, v + step, … while v ≤ last, at most kMaxLabels of them.
std::vector<int> Steps(double first, double last, double step) {
  std::vector<int> values;
  if (!std::isfinite(first) || !std::isfinite(last)) return values;
  for (double v = first; v <= last && values.size() < kMaxLabels; v += step)
    values.push_back(static_cast<int>(v));
  return values;
}

double Clamp(double v, double low, double high) {
  return std::isfinite(v) ? std::clamp(v, low, high) : low;
}

double Measure(const TextWidth& width, const QString& text) {
  return width ? width(text) : 8.0 * static_cast<double>(text.size());
}

}  // namespace

std::vector<int> LongitudeLabelValues(double gx1, double gx2) {
  double count = Clamp(Whole(gx2 - gx1), 1, 6);
  if (std::fmod(count, 2) == 0) count += 1;
  const double step = std::max(1.0, Whole((gx2 - gx1) / count));
  double v = Whole(Clamp(gx1, -1e6, 1e6) + 0.999);
  if (std::fmod(std::fabs(v), 2) == 1 && count > 3) v += 1;
  return Steps(v, gx2, step);
}

std::vector<int> LatitudeLabelValues(double gy1, double gy2) {
  const double count = Clamp(Whole(gy2 - gy1), 1, 5);
  const double step = std::clamp(Whole((gy2 - gy1) / count), 1.0, 2.0);
  double v = Whole(Clamp(gy1, -1e6, 1e6) + 0.999);
  if (std::fmod(std::fabs(v), 2) == 1 && count > 3) v += 1;
  return Steps(v, gy2, step);
}

std::vector<DegreeLabel> FineDegreeLabels(double from, double to, bool latitude,
                                          double pixelsPerDegree, const TextWidth& width) {
  std::vector<DegreeLabel> labels;
  if (!(to > from) || !std::isfinite(from) || !std::isfinite(to) || to - from >= 1) return labels;
  // Second-order lines, then every 2nd, 4th and 8th of them: the last are first-order.
  const double finest = latitude ? kOneTwelfth : 0.125;
  for (int every = 1; every <= 8; every *= 2) {
    const double step = finest * every;
    labels.clear();
    double room = 0;
    for (double k = std::ceil(from / step - 1e-9); k * step <= to + 1e-9; ++k) {
      const double v = k * step;
      const bool whole = std::fabs(v - std::round(v)) < 1e-9;
      const QString text = DegreeMinuteLabel(v, !labels.empty() && !whole);
      labels.push_back({v, text});
      room = std::max(room, latitude ? 0.0 : Measure(width, text));
    }
    // Across, a label's width and a gap; up, a label's height and a gap.
    room = latitude ? 20 : room + 8;
    if (!std::isfinite(pixelsPerDegree) || step * pixelsPerDegree >= room) break;
  }
  return labels;
}

std::vector<TextAt> MapDegreeLabels(const platform::ChartMapping& map, double gx1, double gx2,
                                    double gy1, double gy2, const TextWidth& width) {
  std::vector<TextAt> labels;
  const double bottom = map.ToPixel(AxisSide::Left, gy1) + 6;
  if (gx2 - gx1 < 1) {
    const double perDegree =
        std::fabs(map.ToPixel(AxisSide::Bottom, gx1 + 1) - map.ToPixel(AxisSide::Bottom, gx1));
    for (const DegreeLabel& l : FineDegreeLabels(gx1, gx2, false, perDegree, width)) {
      labels.push_back(
          {l.text, {map.ToPixel(AxisSide::Bottom, l.value) - Measure(width, l.text) / 2, bottom}});
    }
  } else {
    for (const int v : LongitudeLabelValues(gx1, gx2))
      labels.push_back(
          {QString::number(v) + kDegree, {map.ToPixel(AxisSide::Bottom, v) - 10, bottom}});
  }
  const double edge = map.ToPixel(AxisSide::Bottom, gx1);
  if (gy2 - gy1 < 1) {
    const double perDegree =
        std::fabs(map.ToPixel(AxisSide::Left, gy1 + 1) - map.ToPixel(AxisSide::Left, gy1));
    for (const DegreeLabel& l : FineDegreeLabels(gy1, gy2, true, perDegree, width)) {
      labels.push_back(
          {l.text, {edge - 4 - Measure(width, l.text), map.ToPixel(AxisSide::Left, l.value) - 6}});
    }
  } else {
    for (const int v : LatitudeLabelValues(gy1, gy2)) {
      labels.push_back(
          {QString::number(v) + kDegree,
           // Never left of the chart's own area, which a small figure's margin would cut.
           {std::max(edge - 30, 1.0), map.ToPixel(AxisSide::Left, v) - 6}});
    }
  }
  return labels;
}

std::vector<TextAt> WestEastLabels(const platform::ChartMapping& profile, double gx1, double gx2,
                                   double gh1, double gh2, const TextWidth& width) {
  std::vector<TextAt> labels;
  // 36 pixels left of the plot, but never left of the chart's own area: on screen each chart
  // shows only its own area, and a narrow profile would cut "3000" to "000".
  const double x = std::max(profile.ToPixel(AxisSide::Bottom, gx1) - 36, 1.0);
  auto y = [&profile](double altitude) { return profile.ToPixel(AxisSide::Left, altitude) - 8; };
  double last = 0;
  for (double a = 1000; a <= gh2 && labels.size() < kMaxLabels; a += 1000) {
    labels.push_back({QString::number(a, 'f', 0), {x, y(a)}});
    last = y(a);
  }
  if (gh2 < 1000) {
    labels.push_back({QStringLiteral(" 500"), {x, y(500)}});
    last = y(500);
  }
  labels.push_back({QStringLiteral("   m"), {x, last - 18}});
  labels.push_back({QStringLiteral("   0"), {x, y(gh1)}});
  const double below = profile.ToPixel(AxisSide::Left, gh1) + 10;
  if (gx2 - gx1 < 1) {
    const double perDegree = std::fabs(profile.ToPixel(AxisSide::Bottom, gx1 + 1) -
                                       profile.ToPixel(AxisSide::Bottom, gx1));
    for (const DegreeLabel& l : FineDegreeLabels(gx1, gx2, false, perDegree, width)) {
      labels.push_back(
          {l.text,
           {profile.ToPixel(AxisSide::Bottom, l.value) - Measure(width, l.text) / 2, below}});
    }
    return labels;
  }
  for (const int v : LongitudeLabelValues(gx1, gx2)) {
    labels.push_back(
        {QString::number(v) + kDegree, {profile.ToPixel(AxisSide::Bottom, v) - 10, below}});
  }
  return labels;
}

std::vector<TextAt> SouthNorthLabels(const platform::ChartMapping& profile, double gy1,
                                     double gh2) {
  // Altitude runs along the bottom axis here, latitude up the right one.
  const double y = profile.ToPixel(AxisSide::Right, gy1) + 6;
  std::vector<TextAt> labels;
  if (gh2 > 1000) {
    const double top = 1000 * Whole(gh2 / 1000);
    labels.push_back({QString::number(top, 'f', 0) + QStringLiteral("m"),
                      {profile.ToPixel(AxisSide::Bottom, top) - 16, y}});
  } else {
    labels.push_back({QStringLiteral(" 500m"), {profile.ToPixel(AxisSide::Bottom, 500) - 24, y}});
  }
  labels.push_back({QStringLiteral("0"), {profile.ToPixel(AxisSide::Bottom, 0) - 2, y}});
  return labels;
}

bool LegendOnMap(const platform::ChartMapping& map, double lon, double lat) {
  const double x = map.ToPixel(AxisSide::Bottom, lon);
  const double y = map.ToPixel(AxisSide::Left, lat);
  // A hair of slack: an anchor on the range's edge converts to the plot's edge, give or
  // take a rounding error.
  constexpr double kSlack = 1e-6;
  const QRectF& plot = map.Plot();
  return x >= plot.left() - kSlack && x <= plot.right() + kSlack && y >= plot.top() - kSlack &&
         y <= plot.bottom() + kSlack;
}

QPointF MapCornerOf(const platform::ChartMapping& map) {
  return map.Plot().topLeft() + QPointF(4, 4);
}

LegendLayout MapLegend(double x, double y, int categories, double titleWidth) {
  LegendLayout legend;
  const int n = std::clamp(categories, 0, 6);
  legend.box = QRectF(x, y, titleWidth + 70, 24.0 * n + 20);
  for (int k = 1; k <= n; ++k) {
    const int r = n + 1 - k;
    legend.markers.emplace_back(x + 20, y + 24 * r);
    legend.titles.emplace_back(x + 40, y + 24 * r - 8);
  }
  return legend;
}

QPointF KeptOnPlot(const QRectF& box, const QRectF& plot) {
  const double dx = std::max(std::min(0.0, plot.right() - box.right()), plot.left() - box.left());
  const double dy = std::max(std::min(0.0, plot.bottom() - box.bottom()), plot.top() - box.top());
  return box.topLeft() + QPointF(dx, dy);
}

LegendLayout CornerLegend(int categories) {
  LegendLayout legend;
  const int n = std::clamp(categories, 0, 6);
  for (int k = 1; k <= n; ++k) {
    const int r = n + 1 - k;
    legend.markers.emplace_back(24, 20 + 24 * r);
    legend.titles.emplace_back(40, 12 + 24 * r);
  }
  return legend;
}

double DrawCornerTitle(QPainter& painter, const QSizeF& cornerSize, const QString& title) {
  constexpr double kMargin = 8;
  if (title.isEmpty() || cornerSize.width() <= 2 * kMargin) return 0;
  const QFontMetricsF metrics(painter.font(), painter.device());
  const QRectF room(kMargin, kMargin, cornerSize.width() - 2 * kMargin,
                    std::max(metrics.height(), cornerSize.height() / 3 - kMargin));
  constexpr int kFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
  const auto height = [&](const QString& text) {
    return metrics.boundingRect(QRectF(room.topLeft(), QSizeF(room.width(), 1e9)), kFlags, text)
        .height();
  };
  QString shown = title;
  if (height(shown) > room.height()) {
    // The longest start of the title that fits with the ellipsis.
    qsizetype fits = 0;
    qsizetype tooLong = title.size();
    while (tooLong - fits > 1) {
      const qsizetype mid = (fits + tooLong) / 2;
      if (height(title.left(mid) + QChar(0x2026)) <= room.height()) {
        fits = mid;
      } else {
        tooLong = mid;
      }
    }
    shown = title.left(fits) + QChar(0x2026);
  }
  painter.setPen(Qt::black);
  const QRectF used = metrics.boundingRect(room, kFlags, shown);
  painter.drawText(room, kFlags, shown);
  return used.bottom();
}

void DrawLegend(QPainter& painter, const LegendLayout& legend,
                const std::array<platform::TMarkStyle, 6>& styles,
                const std::array<QString, 6>& titles) {
  const QPen black = platform::ScaledPen(Qt::black, 1, painter);
  if (!legend.box.isNull()) {
    painter.setPen(black);
    painter.setBrush(Qt::white);
    // The outline covers the box's last row and column, as the box's own pixels.
    painter.fillRect(legend.box, Qt::white);
    painter.drawRect(legend.box.adjusted(0, 0, -1, -1));
  }
  const QFontMetricsF metrics(painter.font(), painter.device());
  for (size_t k = 0; k < legend.markers.size() && k < 6; ++k) {
    const platform::TMarkStyle& style = styles.at(k);
    if (const auto shape = ChartMarkerShape(style.shape)) {
      painter.setPen(platform::ScaledPen(platform::ToQColor(style.rimColor), 1, painter));
      painter.setBrush(platform::ToQColor(style.fillColor));
      platform::DrawMarker(painter, *shape, legend.markers[k].x(), legend.markers[k].y(),
                           style.size);
    }
    painter.setPen(black);
    painter.setBrush(Qt::white);
    painter.drawText(legend.titles[k] + QPointF(0, metrics.ascent()), titles.at(k));
  }
}

void DrawTexts(QPainter& painter, const std::vector<TextAt>& texts) {
  const QFontMetricsF metrics(painter.font(), painter.device());
  for (const TextAt& t : texts)
    painter.drawText(t.at + QPointF(0, metrics.ascent()), t.text);
}

QString AltitudeText(double metres) {
  if (!std::isfinite(metres)) return QString();
  if (std::fabs(metres) < 9999.5) return QString::number(std::round(metres), 'f', 0);
  // Four significant digits with the exponent as short as it can be: 12345 -> 1.235E+4.
  // The digits are rounded from the value itself, a half away from zero, not from a
  // mantissa that binary fractions have already nudged.
  int exponent = static_cast<int>(std::floor(std::log10(std::fabs(metres))));
  long long digits = std::llround(std::fabs(metres) / std::pow(10.0, exponent - 3));
  if (digits >= 10000) {
    digits = (digits + 5) / 10;
    ++exponent;
  }
  const QString text = QString::number(digits);
  return QStringLiteral("%1%2.%3E+%4")
      .arg(metres < 0 ? QStringLiteral("-") : QString())
      .arg(text.left(1), text.mid(1))
      .arg(exponent);
}

}  // namespace chart
