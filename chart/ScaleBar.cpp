#include "chart/ScaleBar.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace chart {

using platform::AxisSide;

QString ScaleBarLabel(int km) {
  return QStringLiteral("%1 km").arg(km);
}

double ChartPixelsPerKm(const platform::ChartMapping& map, double gx1, double gy1, double gy2) {
  const double perDegree =
      std::abs(map.ToPixel(AxisSide::Bottom, gx1 + 1) - map.ToPixel(AxisSide::Bottom, gx1));
  return perDegree / core::KmPerDegreeLongitude((gy1 + gy2) / 2);
}

std::optional<ScaleBarPlan> PlanScaleBar(const platform::ChartMapping& map, double gx1, double gx2,
                                         double gy1, double gy2, core::MapCorner corner,
                                         const TextWidth& width, double textHeight,
                                         const QRectF& avoid) {
  const QRectF plot =
      QRectF(QPointF(map.ToPixel(AxisSide::Bottom, gx1), map.ToPixel(AxisSide::Left, gy2)),
             QPointF(map.ToPixel(AxisSide::Bottom, gx2), map.ToPixel(AxisSide::Left, gy1)))
          .normalized();
  const double perKm = ChartPixelsPerKm(map, gx1, gy1, gy2);
  if (!(perKm > 0) || !std::isfinite(perKm)) return std::nullopt;
  const int km = core::RoundBarKm(perKm, core::kScaleBarMaxShare * plot.width());
  if (km == 0) return std::nullopt;
  const double length = km * perKm;
  // Shorter than a line of text is tall, a bar is a mark rather than a measure.
  if (length < textHeight) return std::nullopt;

  const double labelWidth = width(ScaleBarLabel(km));
  const double margin = textHeight / 2;
  const double tick = std::max(2.0, std::round(textHeight / 2));
  const double above = tick + textHeight + 2;  // the ticks and the label over the row
  const double boxWidth = std::max(length, labelWidth);
  const bool right = core::IsRight(corner);
  const double boxLeft = right ? plot.right() - margin - boxWidth : plot.left() + margin;
  auto boxAt = [&](double y) { return QRectF(boxLeft, y - above, boxWidth, above + 1); };

  double y = core::IsLower(corner) ? plot.bottom() - margin : plot.top() + margin + above;
  if (!avoid.isEmpty() && boxAt(y).intersects(avoid)) {
    // Along the side of the plot, just past the legend.
    y = core::IsLower(corner) ? avoid.top() - margin : avoid.bottom() + margin + above;
  }
  const QRectF box = boxAt(y);
  const QRectF room = plot.adjusted(margin / 2, margin / 2, -margin / 2, -margin / 2);
  if (!room.contains(box) || (!avoid.isEmpty() && box.intersects(avoid))) return std::nullopt;

  ScaleBarPlan plan;
  plan.km = km;
  plan.lat = (gy1 + gy2) / 2;
  plan.left = boxLeft + (boxWidth - length) / 2;
  plan.right = plan.left + length;
  plan.y = y;
  plan.tick = tick;
  plan.box = box;
  return plan;
}

void DrawScaleBar(QPainter& painter, const ScaleBarPlan& plan, const QFont& font, int lineWidth) {
  painter.save();
  QPen pen(Qt::black);
  pen.setWidth(std::max(1, lineWidth));
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  const QPointF points[] = {{plan.left, plan.y - plan.tick},
                            {plan.left, plan.y},
                            {plan.right, plan.y},
                            {plan.right, plan.y - plan.tick}};
  painter.drawPolyline(points, 4);
  painter.setFont(font);
  const QRectF label(plan.box.left(), plan.box.top(), plan.box.width(),
                     plan.box.height() - plan.tick - 1);
  painter.drawText(label, Qt::AlignHCenter | Qt::AlignBottom, ScaleBarLabel(plan.km));
  painter.restore();
}

}  // namespace chart
