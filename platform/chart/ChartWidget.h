#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>

#include "platform/chart/Chart.h"

class QMenu;
class QRubberBand;

namespace platform {

/// A chart on screen: draws its Chart over its whole area, reports mouse presses and
/// double-clicks in its own pixels, opens its context menu on the right button, and zooms
/// into a rectangle dragged with the left button (the owner's next layout sets the ranges
/// again). Panning is off. At a scale above 1 the chart is drawn as on a widget that many
/// times smaller and enlarged whole: the same picture at more pixels.
class ChartWidget : public QWidget {
 public:
  explicit ChartWidget(QWidget* parent = nullptr);

  Chart& Model() { return m_chart; }
  const Chart& Model() const { return m_chart; }
  /// The conversions of the last paint (or of the current size, before the first one),
  /// in the widget's pixels.
  ChartMapping Mapping() const;

  /// Widget pixels per chart pixel, 1 or more; the owner repaints.
  void SetScale(int scale);
  int Scale() const { return m_scale; }
  /// The rectangle the chart is laid out in, in chart pixels: the widget's size over the
  /// scale, rounded up.
  QRect ChartRect() const;
  /// Draws the chart as the widget shows it onto a painter whose (0, 0) is the widget's
  /// top-left corner.
  void Render(QPainter& painter, DrawReport* report = nullptr) const;
  /// What the last paint left out of the grid.
  const DrawReport& LastReport() const { return m_lastReport; }
  /// Called after each paint, once LastReport() holds its report.
  std::function<void()> onPainted;

  /// The menu the right button opens; not owned.
  void SetContextMenu(QMenu* menu) { m_menu = menu; }
  /// Called with the button and the press's pixel in the widget.
  std::function<void(Qt::MouseButton, QPoint)> onMouseDown;
  std::function<void(QPoint)> onDoubleClick;

  /// Sets the bottom and left (and right) axes to the values under the pixel rectangle, as
  /// a left-drag does. A rectangle of less than 3 pixels either way is ignored.
  void ZoomTo(const QRect& pixels);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  Chart m_chart;
  int m_scale = 1;
  DrawReport m_lastReport;
  QImage m_frame;
  QMenu* m_menu = nullptr;
  QRubberBand* m_band = nullptr;
  QPoint m_dragFrom;
  bool m_dragging = false;
};

}  // namespace platform
