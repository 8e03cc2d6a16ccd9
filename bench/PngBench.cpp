// Size and speed of the PNG row filters on a figure like the ones the programs save: an
// A3 page at 300 dpi, white with filled areas of one colour, a few hundred thin outlines,
// grid lines and labels. Run from a Release build:
//   png_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/raster/PngWriter.h"

namespace {

constexpr int kWidth = 3500;
constexpr int kHeight = 4950;

QImage DrawFigure() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  std::uint32_t state = 2024;
  auto next = [&state](int range) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
  };
  // Land areas: irregular filled outlines in one flat colour, outlined in black.
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(QColor(0xE0, 0xF0, 0xD0));
  for (int area = 0; area < 40; ++area) {
    const int cx = next(kWidth);
    const int cy = next(kHeight);
    const int radius = 80 + next(400);
    QPolygon outline;
    for (int k = 0; k < 120; ++k) {
      const double angle = 2 * M_PI * k / 120;
      const double r = radius * (0.7 + 0.3 * std::sin(5 * angle + area));
      outline << QPoint(cx + static_cast<int>(r * std::cos(angle)),
                        cy + static_cast<int>(r * std::sin(angle)));
    }
    painter.drawPolygon(outline);
  }
  // Boundaries and rivers: a few hundred thin polylines.
  painter.setBrush(Qt::NoBrush);
  for (int line = 0; line < 300; ++line) {
    QPolygon polyline;
    int x = next(kWidth);
    int y = next(kHeight);
    for (int k = 0; k < 60; ++k) {
      polyline << QPoint(x, y);
      x += next(61) - 30;
      y += next(61) - 30;
    }
    painter.drawPolyline(polyline);
  }
  // Grid every 10 minutes of arc or so.
  painter.setPen(QPen(Qt::gray, 1, Qt::DotLine));
  for (int x = 100; x < kWidth; x += 250)
    painter.drawLine(x, 0, x, kHeight - 1);
  for (int y = 100; y < kHeight; y += 250)
    painter.drawLine(0, y, kWidth - 1, y);
  // Record marks and labels.
  painter.setPen(Qt::black);
  painter.setBrush(Qt::black);
  for (int mark = 0; mark < 800; ++mark)
    painter.drawEllipse(next(kWidth), next(kHeight), 12, 12);
  // Labels without anti-aliasing, as the raster layer draws them.
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(40);
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  for (int label = 0; label < 120; ++label) {
    painter.drawText(next(kWidth - 400), 40 + next(kHeight - 80),
                     QString::fromUtf8("分布図 5339-%1").arg(label));
  }
  return image;
}

const QImage& Figure() {
  static const QImage figure = DrawFigure();
  return figure;
}

void BM_EncodePng(benchmark::State& state, platform::PngFilter filter) {
  const QImage& figure = Figure();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string png = platform::EncodePng(figure, filter);
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["KiB"] = static_cast<double>(bytes) / 1024.0;
}

BENCHMARK_CAPTURE(BM_EncodePng, None, platform::PngFilter::None)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePng, Sub, platform::PngFilter::Sub)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePng, Up, platform::PngFilter::Up)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePng, Average, platform::PngFilter::Average)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePng, Paeth, platform::PngFilter::Paeth)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePng, Adaptive, platform::PngFilter::Adaptive)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts for the labels
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
