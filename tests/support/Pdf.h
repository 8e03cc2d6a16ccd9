#pragma once
// A printed PDF as poppler's tools read it: the page's size, its text, the page as an image
// and the images it holds. Tests skip when the tools are not installed.

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSizeF>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

namespace testsupport {

inline bool PopplerInstalled() {
  for (const char* tool : {"pdfinfo", "pdftotext", "pdftoppm", "pdfimages"}) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) return false;
  }
  return true;
}

inline QString RunTool(const char* tool, const QStringList& arguments) {
  QProcess process;
  process.start(QString::fromLatin1(tool), arguments);
  process.waitForFinished(120000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

/// The first page's size in points, as pdfinfo gives it; empty when it cannot tell.
inline QSizeF PdfPageSize(const QString& pdf) {
  static const QRegularExpression size(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"));
  const QRegularExpressionMatch m = size.match(RunTool("pdfinfo", {pdf}));
  return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

inline int PdfPages(const QString& pdf) {
  static const QRegularExpression pages(QStringLiteral("Pages:\\s+([0-9]+)"));
  const QRegularExpressionMatch m = pages.match(RunTool("pdfinfo", {pdf}));
  return m.hasMatch() ? m.captured(1).toInt() : 0;
}

inline QString PdfText(const QString& pdf) {
  return RunTool("pdftotext", {pdf, QStringLiteral("-")});
}

/// The first page drawn at `dpi`.
inline QImage PdfPageImage(const QString& pdf, int dpi) {
  QTemporaryDir dir;
  const QString base = dir.filePath(QStringLiteral("page"));
  RunTool("pdftoppm", {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), pdf, base});
  return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

/// One image a PDF holds, as pdfimages lists it.
struct PdfImage {
  int width = 0;
  int height = 0;
  QString encoding;  ///< "image" (lossless), "jpeg", …
  int xPpi = 0;
  int yPpi = 0;
};

inline std::vector<PdfImage> PdfImages(const QString& pdf) {
  std::vector<PdfImage> images;
  const QStringList lines = RunTool("pdfimages", {QStringLiteral("-list"), pdf}).split(u'\n');
  // Two heading lines; then page num type width height color comp bpc enc interp object ID
  // x-ppi y-ppi size ratio.
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QStringList f = lines[i].split(u' ', Qt::SkipEmptyParts);
    if (f.size() < 14) continue;
    images.push_back({f[3].toInt(), f[4].toInt(), f[8], f[12].toInt(), f[13].toInt()});
  }
  return images;
}

/// The images a PDF holds, as PNG files read back.
inline std::vector<QImage> PdfImagePixels(const QString& pdf) {
  QTemporaryDir dir;
  RunTool("pdfimages", {QStringLiteral("-png"), pdf, dir.filePath(QStringLiteral("img"))});
  std::vector<QImage> images;
  for (int i = 0;; ++i) {
    const QImage image(dir.filePath(QStringLiteral("img-%1.png").arg(i, 3, 10, QLatin1Char('0'))));
    if (image.isNull()) break;
    images.push_back(image.convertToFormat(QImage::Format_RGB32));
  }
  return images;
}

/// The smallest rectangle holding every pixel that is not white; empty for a white image.
inline QRect InkBox(const QImage& image, int threshold = 250) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) < threshold || qGreen(p) < threshold || qBlue(p) < threshold)
        box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

}  // namespace testsupport
