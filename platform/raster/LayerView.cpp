#include "platform/raster/LayerView.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace platform {

namespace {

QSize SizeOf(const RasterLayer* layer) {
  return layer ? QSize(layer->Width(), layer->Height()) : QSize(0, 0);
}

}  // namespace

QImage OverlayLayers(const RasterLayer* base, const RasterLayer* plot) {
  const QSize size = SizeOf(base).expandedTo(SizeOf(plot));
  QImage out(size, QImage::Format_RGB32);
  out.fill(ToQRgb(kWhite));
  // Row by row on raw scan lines: an A3 layer has some 17 million pixels.
  if (base) {
    const QImage& image = base->Image();
    const auto bytes = static_cast<std::size_t>(image.width()) * sizeof(QRgb);
    for (int y = 0; y < image.height(); ++y) {
      std::copy_n(image.constScanLine(y), bytes, out.scanLine(y));
    }
  }
  if (plot) {
    const QImage& image = plot->Image();
    const QRgb white = ToQRgb(kWhite) & 0x00FFFFFFu;
    for (int y = 0; y < image.height(); ++y) {
      const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if ((src[x] & 0x00FFFFFFu) != white) dst[x] = src[x];
      }
    }
  }
  return out;
}

LayerView::LayerView(QWidget* parent) : QWidget(parent) {
  // Every exposed pixel is painted from the cache, so Qt need not clear it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  UpdateSize();
}

void LayerView::SetLayers(const RasterLayer* base, const RasterLayer* plot) {
  m_base = base;
  m_plot = plot;
  UpdateSize();
  Refresh();
}

void LayerView::UpdateSize() {
  setFixedSize(LayerSize());
  updateGeometry();
}

void LayerView::Refresh() {
  m_composed = OverlayLayers(m_base, m_plot);
  update();
}

QSize LayerView::sizeHint() const {
  return LayerSize();
}

QSize LayerView::LayerSize() const {
  return SizeOf(m_base).expandedTo(SizeOf(m_plot));
}

void LayerView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect exposed = event->rect();
  // Between a resize and the next Refresh the cache may be smaller than the widget.
  if (!m_composed.rect().contains(exposed)) painter.fillRect(exposed, Qt::white);
  painter.drawImage(exposed.topLeft(), m_composed, exposed);
}

}  // namespace platform
