// The figure as one image: to a PNG file, to the clipboard, or drawn anew for a printed page.
#include <QPageLayout>
#include <QPainter>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

#include "conic/TForm1.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "core/SaveFile.h"
#include "core/TextFile.h"
#include "platform/raster/PngWriter.h"
#include "platform/text/FileName.h"
#include "platform/ui/BusyCursor.h"
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

QRect SheetOnPage(const QSize& area) {
  int width = std::min(area.width(), static_cast<int>(std::floor(area.height() / kSheetRatio)));
  int height = core::RoundHalfEven(width * kSheetRatio);
  // Rounding may make the sheet a pixel taller than the area.
  while (width > 0 && height > area.height()) {
    --width;
    height = core::RoundHalfEven(width * kSheetRatio);
  }
  if (width <= 0 || height <= 0) return {};
  return {(area.width() - width) / 2, (area.height() - height) / 2, width, height};
}

int PrintResolution(const QPageLayout& layout) {
  int dpi = kPrintResolution;
  for (;;) {
    const int width = SheetOnPage(layout.paintRectPixels(dpi).size()).width();
    if (width <= kMaxPrintSheetWidth || dpi <= 1) return dpi;
    dpi = std::clamp(dpi * kMaxPrintSheetWidth / width, 1, dpi - 1);
  }
}

namespace {

// A size in pixels at `k` times the sheet's width; never below one pixel.
int ScaledSize(int size, double k) {
  return size <= 0 ? size : std::max(1, core::RoundHalfEven(size * k));
}

QFont ScaledFont(QFont font, double k) {
  if (font.pixelSize() > 0) {
    font.setPixelSize(ScaledSize(font.pixelSize(), k));
  } else if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * k);
  }
  return font;
}

}  // namespace

QImage TForm1::FigureAtWidth(int width, QString* reading) const {
  QString unused;
  QString& stage = reading ? *reading : unused;
  if (!m_baseDrawn) return {};
  const int height = core::RoundHalfEven(width * kSheetRatio);
  // The three-view layout at this width; the other figure types keep it, as on screen.
  Geometry geometry;
  geometry.ReplaceMaps(width, 3);

  // Text, markers and lines keep their share of the sheet, as when the figure itself is
  // enlarged: a window-wide figure printed at 300 dpi would otherwise come out with
  // text and markers a third of their size.
  const double k = m_baseDrawn->width > 0 ? static_cast<double>(width) / m_baseDrawn->width : 1.0;
  BaseMapStyle style = m_baseDrawn->style;
  for (int* lineWidth : {&style.mLineW, &style.sLineW, &style.gLineW})
    *lineWidth = ScaledSize(*lineWidth, k);

  platform::RasterLayer base(width, height);
  base.SetFont(ScaledFont(m_baseDrawn->labelFont, k), m_baseDrawn->labelColor);
  stage = m_baseDrawn->mapFile;
  core::LineReader mapFile = core::LineReader::Open(platform::FileNameBytes(stage));
  conic::DrawBaseMap(base, style, geometry, mapFile);

  platform::RasterLayer plot(width, height);
  QRect legendBox;
  if (m_plotDrawn) {
    stage = m_plotDrawn->dataFile;
    core::LineReader dataFile = core::LineReader::Open(platform::FileNameBytes(stage));
    std::array<TMarkStyle, 5> styles = m_plotDrawn->styles;
    for (TMarkStyle& mark : styles)
      mark.size = ScaledSize(mark.size, k);
    PlotRecords(dataFile, m_plotDrawn->gridSize, plot, geometry, styles, m_plotDrawn->mapsType);
    if (const auto& title = m_plotDrawn->title) {
      DrawTitle(plot, geometry, ScaledFont(title->font, k), title->color, title->text);
    }
    if (m_plotDrawn->legend) {
      LegendSpec legend = *m_plotDrawn->legend;
      legend.font = ScaledFont(legend.font, k);
      for (TMarkStyle& mark : legend.styles)
        mark.size = ScaledSize(mark.size, k);
      legendBox = DrawLegend(plot, geometry, legend);
    }
  }
  return ComposeLayers(base.Image(), plot.Image(), legendBox);
}

bool TForm1::PrintMapItemClick() {
  if (!m_baseDrawn) {
    m_dialogs->ShowMessage(platform::NothingToPrint());
    return false;
  }
  platform::PrintJob job;
  job.resolution = [](const QPageLayout& layout) { return PrintResolution(layout); };
  job.prepare = [this](const QSize& area) -> std::function<void(QPainter&)> {
    const QRect place = SheetOnPage(area);
    if (place.isEmpty()) {
      m_dialogs->ShowError(QStringLiteral("用紙の印刷できる範囲が狭すぎて、図を置けません"));
      return {};
    }
    QImage sheet;
    QString reading;
    try {
      platform::BusyCursor busy;
      sheet = FigureAtWidth(place.width(), &reading);
    } catch (const std::exception& error) {
      m_dialogs->ShowError(ErrorMessage(error, reading));
      return {};
    }
    // One pixel of the sheet on one dot of the page: drawn for the page, never scaled.
    return [sheet, place](QPainter& painter) {
      // A map of thin lines and small text, kept as drawn rather than compressed as a photo.
      painter.setRenderHint(QPainter::LosslessImageRendering);
      painter.drawImage(place.topLeft(), sheet);
    };
  };
  job.isInput = [this](const QString& path) {
    const std::string target = platform::FileNameBytes(path);
    QStringList inputs = {ResolveSettingsFile(m_state.IniFileName), m_baseDrawn->mapFile};
    if (m_plotDrawn) inputs << m_plotDrawn->dataFile;
    return std::any_of(inputs.begin(), inputs.end(), [&](const QString& input) {
      return core::SameFile(target, platform::FileNameBytes(input));
    });
  };
  return m_printer.Print(*m_dialogs, job);
}

void TForm1::ScrollBox1Resize() {
  SetStatus(0, QStringLiteral("W=") + QString::number(m_scrollBox->viewport()->width()));
}

}  // namespace conic
