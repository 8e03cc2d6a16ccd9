#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>

#include "platform/raster/RasterLayer.h"

namespace platform {

/// The plot layer over the base layer, white plot pixels letting the base through. The
/// result covers both layers; where only one of them reaches, that one shows, and where
/// neither does, white. Either layer may be null.
QImage OverlayLayers(const RasterLayer* base, const RasterLayer* plot);

/// Shows the base layer with the plot layer over it, at one screen pixel per layer pixel.
/// The composed picture is cached: call Refresh() after drawing on a layer and
/// UpdateSize() after resizing one.
class LayerView : public QWidget {
 public:
  explicit LayerView(QWidget* parent = nullptr);

  /// The layers are not owned and must outlive the view or be replaced first.
  void SetLayers(const RasterLayer* base, const RasterLayer* plot);
  void UpdateSize();
  void Refresh();
  /// The picture as it is painted, for checks and copies.
  const QImage& Composed() const { return m_composed; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QSize LayerSize() const;

  const RasterLayer* m_base = nullptr;
  const RasterLayer* m_plot = nullptr;
  QImage m_composed;
};

}  // namespace platform
