#include "platform/chart/ChartWidget.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>

namespace platform {

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

ChartMapping ChartWidget::Mapping() const {
  const QRectF plot = PlotRect(m_chart, ChartRect());
  return ChartMapping(QRectF(plot.topLeft() * m_scale, plot.size() * m_scale), m_chart.axes);
}

void ChartWidget::SetScale(int scale) {
  m_scale = std::max(scale, 1);
}

QRect ChartWidget::ChartRect() const {
  // Rounded up: a chart a pixel wider than the widget loses only part of its white margin.
  return QRect(0, 0, (width() + m_scale - 1) / m_scale, (height() + m_scale - 1) / m_scale);
}

void ChartWidget::Render(QPainter& painter, DrawReport* report) const {
  painter.save();
  painter.scale(m_scale, m_scale);
  DrawChart(painter, ChartRect(), m_chart, report);
  painter.restore();
}

void ChartWidget::ZoomTo(const QRect& pixels) {
  const QRect r = pixels.normalized();
  if (r.width() < 3 || r.height() < 3) return;
  const ChartMapping mapping = Mapping();
  for (const AxisSide side : {AxisSide::Bottom, AxisSide::Top}) {
    const double a = mapping.ToValue(side, r.left());
    const double b = mapping.ToValue(side, r.right());
    m_chart.Axis(side).minimum = std::min(a, b);
    m_chart.Axis(side).maximum = std::max(a, b);
  }
  for (const AxisSide side : {AxisSide::Left, AxisSide::Right}) {
    const double a = mapping.ToValue(side, r.top());
    const double b = mapping.ToValue(side, r.bottom());
    m_chart.Axis(side).minimum = std::min(a, b);
    m_chart.Axis(side).maximum = std::max(a, b);
  }
  update();
}

void ChartWidget::paintEvent(QPaintEvent*) {
  // Drawn on an image of its own first: markers are stamped on images, which is many times
  // faster with hundreds of thousands of them than drawing each on the window.
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (QSizeF(size()) * ratio).toSize();
  if (m_frame.size() != pixels) {
    m_frame = QImage(pixels, QImage::Format_RGB32);
    m_frame.setDevicePixelRatio(ratio);
  }
  {
    QPainter painter(&m_frame);
    Render(painter, &m_lastReport);
  }
  QPainter(this).drawImage(0, 0, m_frame);
  if (onPainted) onPainted();
}

void ChartWidget::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (onMouseDown) onMouseDown(event->button(), at);
  if (event->button() == Qt::RightButton && m_menu) {
    m_menu->popup(event->globalPosition().toPoint());
  } else if (event->button() == Qt::LeftButton) {
    m_dragFrom = at;
    m_dragging = true;
  }
}

void ChartWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragging) return;
  if (!m_band) m_band = new QRubberBand(QRubberBand::Rectangle, this);
  m_band->setGeometry(QRect(m_dragFrom, event->position().toPoint()).normalized());
  m_band->show();
}

void ChartWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (!m_dragging || event->button() != Qt::LeftButton) return;
  m_dragging = false;
  if (m_band) m_band->hide();
  // Dragged towards the upper left, the component undoes a zoom; here it is left alone.
  const QPoint to = event->position().toPoint();
  if (to.x() > m_dragFrom.x() && to.y() > m_dragFrom.y()) ZoomTo(QRect(m_dragFrom, to));
}

void ChartWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (onDoubleClick) onDoubleClick(event->position().toPoint());
}

}  // namespace platform
