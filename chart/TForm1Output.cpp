// The figure as it is written: every shown chart drawn anew into its place on the output,
// as a metafile, SVG, PDF or PNG, to a file or to the clipboard.
#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <iterator>
#include <new>

#include "chart/FigureLayout.h"
#include "chart/TForm1.h"
#include "core/Errors.h"
#include "core/SaveFile.h"
#include "platform/emf/EmfDevice.h"
#include "platform/raster/PngWriter.h"
#include "platform/svg/SvgDevice.h"
#include "platform/text/FileName.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/Printing.h"
#include "platform/vector/ReferenceDevice.h"

namespace chart {

namespace {

// The target that means the clipboard rather than a file.
const QString kClipboard = QStringLiteral("emf");

QByteArray ToBytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

std::optional<FigureFormat> FigureFormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("emf")) return FigureFormat::Emf;
  if (suffix == QLatin1String("svg")) return FigureFormat::Svg;
  if (suffix == QLatin1String("pdf")) return FigureFormat::Pdf;
  if (suffix == QLatin1String("png")) return FigureFormat::Png;
  return std::nullopt;
}

QString FigureSuffix(int mapKind) {
  return mapKind == 1   ? QStringLiteral("-H")
         : mapKind == 2 ? QStringLiteral("-V")
                        : QStringLiteral("-3D");
}

QSize TForm1::FigureSize() const {
  const FigureLayout figure =
      FigureLayoutOf(m_state.MapKind, m_state.MapAspect, m_state.ZoomFactor);
  return {figure.width, figure.height};
}

void TForm1::RenderFigure(QPainter& painter, int* linesNotDrawn) {
  if (linesNotDrawn) *linesNotDrawn = 0;
  // The map's drawing tells its own; a figure without the map has no bar to miss.
  m_scaleBarLeftOut = false;
  m_lastScaleBar.reset();
  // Refuses a figure too large to write.
  FigureLayoutOf(m_state.MapKind, m_state.MapAspect, m_state.ZoomFactor);
  // An enlarged figure is the figure of no enlargement drawn larger: text, markers, lines
  // and the legend grow with it, so that it is the same picture at more pixels.
  const FigureLayout figure = FigureLayoutOf(m_state.MapKind, m_state.MapAspect, 1);
  const int zoom = std::max(m_state.ZoomFactor, 1);
  painter.save();
  painter.scale(zoom, zoom);
  // The map's drawing renews the legend anchor's pixels for the output's geometry; the
  // window's own are given back afterwards.
  const int legendX = m_state.LegendPixelX;
  const int legendY = m_state.LegendPixelY;
  // The map first: where it puts the legend decides whether the corner shows it.
  for (const size_t i : {size_t{1}, size_t{0}, size_t{2}, size_t{3}}) {
    if (!figure.drawn[i]) continue;
    const ChartRect& r = figure.rect[i];
    platform::DrawReport report;
    platform::DrawChart(painter, QRect(r.left, r.top, r.width, r.height), m_charts[i]->Model(),
                        &report);
    if (linesNotDrawn) *linesNotDrawn += report.linesNotDrawn;
  }
  painter.restore();
  m_state.LegendPixelX = legendX;
  m_state.LegendPixelY = legendY;
}

QImage TForm1::FigureImage(int* linesNotDrawn) {
  const QSize size = FigureSize();
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) throw std::bad_alloc();
  image.fill(Qt::white);
  QPainter painter(&image);
  RenderFigure(painter, linesNotDrawn);
  return image;
}

std::string TForm1::FigureBytes(FigureFormat format, int* linesNotDrawn) {
  const QSize size = FigureSize();
  switch (format) {
    case FigureFormat::Emf: {
      platform::EmfDevice device(size.width(), size.height());
      QPainter painter(&device);
      RenderFigure(painter, linesNotDrawn);
      painter.end();
      return device.TakeBytes();
    }
    case FigureFormat::Svg: {
      platform::SvgDevice device(size.width(), size.height());
      device.SetTitle(findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text());
      QPainter painter(&device);
      painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
      RenderFigure(painter, linesNotDrawn);
      painter.end();
      return device.TakeBytes();
    }
    case FigureFormat::Pdf: {
      QBuffer buffer;
      buffer.open(QIODevice::WriteOnly);
      QPdfWriter pdf(&buffer);
      // One page the figure's size on a 96-dpi reference, without margins, so that a
      // pixel of the figure is a pixel of the page's coordinates.
      pdf.setResolution(96);
      pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point, QString(),
                                QPageSize::ExactMatch));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      pdf.setTitle(findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text());
      QPainter painter(&pdf);
      RenderFigure(painter, linesNotDrawn);
      painter.end();
      return buffer.data().toStdString();
    }
    case FigureFormat::Png:
      // A pixel of the figure is a pixel of a 96-dpi screen, as the vector outputs have it.
      return platform::EncodePng(FigureImage(linesNotDrawn), platform::kDefaultPngFilter,
                                 platform::kScreenDpi);
  }
  return std::string();
}

void TForm1::SaveFigure(const QString& path, int* linesNotDrawn) {
  const std::optional<FigureFormat> format = FigureFormatOf(path);
  // A pipe or device has no suffix to tell; it gets the metafile unless it names another.
  core::SaveFileAtomically(platform::FileNameBytes(path),
                           FigureBytes(format.value_or(FigureFormat::Emf), linesNotDrawn));
}

void TForm1::SaveFigurePng(const QString& path, int* linesNotDrawn) {
  platform::SavePng(FigureImage(linesNotDrawn), path, platform::kScreenDpi);
}

void TForm1::WriteFigureTo(const QString& target) {
  if (target != kClipboard && IsFigureInput(target, true)) {
    m_dialogs->ShowError(
        QStringLiteral("%1 は図に使っているファイルなので、図を書き込みません").arg(target));
    return;
  }
  try {
    if (target == kClipboard) {
      platform::CopyPictureToClipboard(FigureBytes(FigureFormat::Emf),
                                       ToBytes(FigureBytes(FigureFormat::Svg)), FigureImage());
    } else {
      SaveFigure(target);
    }
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(QStringLiteral("%1 に書き込めません\n%2")
                             .arg(target, QString::fromStdString(error.what())));
  } catch (const LayoutError& error) {
    m_dialogs->ShowError(QString::fromUtf8(error.what()));
  } catch (const std::bad_alloc&) {
    m_dialogs->ShowError(
        QStringLiteral("%1 に書き込めません\nメモリが足りません。図が大きすぎます").arg(target));
  }
}

void TForm1::SaveHChart(const QString& target) {
  WriteFigureTo(target);
}

void TForm1::Save2VChart(const QString& target) {
  WriteFigureTo(target);
}

void TForm1::Save3DChart(const QString& target) {
  WriteFigureTo(target);
}

namespace {

// The save dialog's figure filters, in order, by the format each writes.
constexpr struct {
  FigureFormat format;
  const char* extension;
} kFigureFilters[] = {{FigureFormat::Emf, "emf"},
                      {FigureFormat::Svg, "svg"},
                      {FigureFormat::Pdf, "pdf"},
                      {FigureFormat::Png, "png"}};

}  // namespace

void TForm1::SaveToEMFItemClick() {
  SetUpSaveDialog(SaveKind::Figure);
  // The format chosen last is offered first.
  const int filter =
      std::clamp(m_figureFilterIndex, 1, static_cast<int>(std::size(kFigureFilters)));
  const QString offered =
      QString::fromLatin1(kFigureFilters[static_cast<size_t>(filter - 1)].extension);
  m_dialogs->save.filterIndex = filter;
  m_dialogs->save.defaultExt = offered;
  m_dialogs->save.fileName = ProposedFigureName(offered);
  if (!m_dialogs->RunSave()) return;
  QString path = m_dialogs->save.fileName;
  const int chosen =
      std::clamp(m_dialogs->save.filterIndex, 1, static_cast<int>(std::size(kFigureFilters)));
  // A typed suffix of one of the four formats wins; any other name gets the filter's, so
  // that the file's name always says what it holds.
  if (!FigureFormatOf(path)) {
    path += QLatin1Char('.') +
            QString::fromLatin1(kFigureFilters[static_cast<size_t>(chosen - 1)].extension);
    // The dialog asked about the name typed, not about this one.
    if (QFileInfo::exists(path) &&
        !m_dialogs->AskYesNo(QStringLiteral("%1 は既にあります。置き換えますか？").arg(path))) {
      return;
    }
  }
  // The format written is offered next time.
  for (size_t i = 0; i < std::size(kFigureFilters); ++i) {
    if (kFigureFilters[i].format == FigureFormatOf(path))
      m_figureFilterIndex = static_cast<int>(i) + 1;
  }
  switch (m_state.MapKind) {
    case 1:
      SaveHChart(path);
      break;
    case 2:
      Save2VChart(path);
      break;
    default:
      Save3DChart(path);
      break;
  }
}

QString TForm1::ProposedFigureName(const QString& extension) const {
  return QFileInfo(m_state.GrdFileName).completeBaseName() + FigureSuffix(m_state.MapKind) +
         QLatin1Char('.') + extension;
}

void TForm1::CopyEMFItemClick() {
  if (m_state.MapKind == 1) {
    CopyChart(1, true);
  } else {
    WriteFigureTo(kClipboard);
  }
}

bool TForm1::PrintItemClick() {
  // Before the first build there is no range, and so no figure.
  if (!(m_layout.mapAspect > 0)) {
    m_dialogs->ShowMessage(platform::NothingToPrint());
    return false;
  }
  platform::PrintJob job;
  // The page counts in pixels of the reference screen the figure is measured in, so that its
  // fonts, given in points, keep their size against the charts; the drawing is vectors all
  // the same, as fine as the printer prints.
  job.resolution = [](const QPageLayout&) { return platform::ReferenceDevice::kDpi; };
  job.prepare = [this](const QSize& area) -> std::function<void(QPainter&)> {
    QSize size;
    try {
      size = FigureSize();
    } catch (const LayoutError& error) {
      m_dialogs->ShowError(QString::fromUtf8(error.what()));
      return {};
    }
    const QRectF place = platform::FitCentred(QSizeF(size), QRectF(QPointF(0, 0), QSizeF(area)));
    if (place.isEmpty()) {
      m_dialogs->ShowError(QStringLiteral("用紙の印刷できる範囲が狭すぎて、図を置けません"));
      return {};
    }
    return [this, size, place](QPainter& painter) {
      painter.translate(place.topLeft());
      painter.scale(place.width() / size.width(), place.height() / size.height());
      painter.setClipRect(QRect(QPoint(0, 0), size));
      RenderFigure(painter);
    };
  };
  job.isInput = [this](const QString& path) { return IsFigureInput(path, true); };
  return m_printer.Print(*m_dialogs, job);
}

void TForm1::CopyChart(int index, bool metafile) {
  platform::ChartWidget* chart = m_charts.at(static_cast<size_t>(index));
  const int w = chart->width();
  const int h = chart->height();
  QImage image(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    chart->Render(painter);
  }
  if (!metafile) {
    platform::CopyImageToClipboard(image);
    return;
  }
  // The metafile is a pixel smaller than the chart, as the chart is drawn edge to edge.
  platform::EmfDevice device(std::max(w - 1, 1), std::max(h - 1, 1));
  platform::SvgDevice svg(w, h);
  {
    QPainter painter(&device);
    chart->Render(painter);
  }
  {
    QPainter painter(&svg);
    chart->Render(painter);
  }
  platform::CopyPictureToClipboard(device.Bytes(), ToBytes(svg.Bytes()), image);
}

}  // namespace chart
