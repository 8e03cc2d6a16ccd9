// The figure as it is written: every shown chart drawn into its place on one image.
#include <QImage>
#include <QPainter>

#include "chart/FigureLayout.h"
#include "chart/TForm1.h"
#include "platform/raster/PngWriter.h"

namespace chart {

QSize TForm1::FigureSize() const {
  const FigureLayout figure =
      FigureLayoutOf(m_state.MapKind, m_state.MapAspect, m_state.ZoomFactor);
  return {figure.width, figure.height};
}

QImage TForm1::FigureImage(int* linesNotDrawn) const {
  if (linesNotDrawn) *linesNotDrawn = 0;
  const FigureLayout figure =
      FigureLayoutOf(m_state.MapKind, m_state.MapAspect, m_state.ZoomFactor);
  QImage image(figure.width, figure.height, QImage::Format_RGB32);
  if (image.isNull()) throw std::bad_alloc();
  image.fill(Qt::white);
  QPainter painter(&image);
  // The map first: where it puts the legend decides whether the corner shows it.
  for (const size_t i : {size_t{1}, size_t{0}, size_t{2}, size_t{3}}) {
    if (!figure.drawn[i]) continue;
    const ChartRect& r = figure.rect[i];
    int missing = 0;
    platform::DrawChart(painter, QRect(r.left, r.top, r.width, r.height), m_charts[i]->Model(),
                        &missing);
    if (linesNotDrawn) *linesNotDrawn += missing;
  }
  return image;
}

void TForm1::SaveFigurePng(const QString& path, int* linesNotDrawn) const {
  platform::SavePng(FigureImage(linesNotDrawn), path);
}

}  // namespace chart
