// The figure as one image: to a PNG file or to the clipboard.
#include <QScrollArea>

#include "conic/TForm1.h"
#include "core/Errors.h"
#include "platform/raster/PngWriter.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/DialogService.h"

namespace conic {

QImage ComposeLayers(const QImage& base, const QImage& plot, const QRect& legendBox) {
  QImage figure = base.convertToFormat(QImage::Format_RGB32);
  const QRect box = legendBox.intersected(figure.rect());
  for (int y = box.top(); y <= box.bottom() && !box.isEmpty(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(figure.scanLine(y));
    std::fill(row + box.left(), row + box.right() + 1, qRgb(255, 255, 255));
  }
  const QImage top = plot.convertToFormat(QImage::Format_RGB32);
  const int height = std::min(figure.height(), top.height());
  const int width = std::min(figure.width(), top.width());
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(figure.scanLine(y));
    const auto* over = reinterpret_cast<const QRgb*>(top.constScanLine(y));
    for (int x = 0; x < width; ++x)
      row[x] &= over[x] | 0xFF000000u;
  }
  return figure;
}

QImage TForm1::ComposeFigure() const {
  return ComposeLayers(m_canvasM.Image(), m_canvasP.Image(), m_legendBox);
}

void TForm1::SaveFigurePng(const QString& path) const {
  // The A-series sheets are drawn for print at 300 dpi, the window-width sheet for the
  // screen; a word processor then places the figure at the size it was drawn for.
  const int dpi = m_state.SheetSize == 0 ? platform::kScreenDpi : platform::kPrintDpi;
  // The figure is composed row by row as the encoder asks for rows, the very pixels
  // ComposeLayers gives, without a third sheet-sized image.
  const QImage& base = m_canvasM.Image();
  const QImage& plot = m_canvasP.Image();
  if (base.format() != QImage::Format_RGB32 || plot.format() != QImage::Format_RGB32) {
    platform::SavePng(ComposeFigure(), path, dpi);
    return;
  }
  const QRect box = m_legendBox.intersected(base.rect());
  const int width = base.width();
  const int overlap = std::min(width, plot.width());
  const int plotHeight = plot.height();
  platform::SavePng(
      width, base.height(),
      [&](int y, unsigned char* rgb) {
        const auto* under = reinterpret_cast<const QRgb*>(base.constScanLine(y));
        const auto* over =
            y < plotHeight ? reinterpret_cast<const QRgb*>(plot.constScanLine(y)) : nullptr;
        const bool inBox = !box.isEmpty() && y >= box.top() && y <= box.bottom();
        for (int x = 0; x < width; ++x) {
          QRgb pixel =
              inBox && x >= box.left() && x <= box.right() ? qRgb(255, 255, 255) : under[x];
          if (over && x < overlap) pixel &= over[x] | 0xFF000000u;
          rgb[3 * x] = static_cast<unsigned char>(qRed(pixel));
          rgb[3 * x + 1] = static_cast<unsigned char>(qGreen(pixel));
          rgb[3 * x + 2] = static_cast<unsigned char>(qBlue(pixel));
        }
      },
      path, dpi);
}

void TForm1::ToPNGFormat(bool isFile) {
  if (!isFile) {
    platform::CopyImageToClipboard(ComposeFigure());
    return;
  }
  m_dialogs->save.filterIndex = 3;
  if (!m_dialogs->RunSave()) return;
  try {
    SaveFigurePng(m_dialogs->save.fileName);
  } catch (const std::exception& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QStringLiteral("\n") +
                         m_dialogs->save.fileName);
  }
}

void TForm1::ScrollBox1Resize() {
  SetStatus(0, QStringLiteral("W=") + QString::number(m_scrollBox->viewport()->width()));
}

}  // namespace conic
