// Repaints of one big chart, timed: six point series of 64 000 records each (one per marker
// shape the data categories use) over a line series of 200 000 points broken every 500
// points, as a three-view's horizontal map holds them at most. Writes the data for the
// matplotlib side of the comparison so that both draw the very same points.
//   chart_repaint_bench WIDTH HEIGHT REPEATS DATA_OUT
// Prints the median and the fastest repaint in seconds.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/chart/Chart.h"

namespace {

// A fixed sequence, the same on every machine.
struct Lcg {
  std::uint64_t state = 12345;
  double Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: chart_repaint_bench WIDTH HEIGHT REPEATS DATA_OUT\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int width = std::stoi(argv[1]);
  const int height = std::stoi(argv[2]);
  const int repeats = std::max(1, std::stoi(argv[3]));

  platform::Chart chart;
  auto& x = chart.Axis(platform::AxisSide::Bottom);
  auto& y = chart.Axis(platform::AxisSide::Left);
  x.minimum = 128;
  x.maximum = 146;
  x.increment = 1;
  y.minimum = 30;
  y.maximum = 46;
  y.increment = 1;
  chart.Axis(platform::AxisSide::Right).visible = false;
  chart.Axis(platform::AxisSide::Top).visible = false;

  Lcg random;
  std::ofstream data(argv[4], std::ios::binary);
  auto keep = [&data](double v) { data.write(reinterpret_cast<const char*>(&v), sizeof v); };
  platform::LineSeries& line = chart.lines.emplace_back();
  line.Clear(200000);
  double lon = 137;
  double lat = 38;
  for (int k = 0; k < 200000; ++k) {
    if (k % 500 == 0) {
      line.AddNull();
      lon = 128 + 18 * random.Next();
      lat = 30 + 16 * random.Next();
      keep(std::nan(""));
      keep(std::nan(""));
      continue;
    }
    lon = std::clamp(lon + (random.Next() - 0.5) * 0.05, 128.0, 146.0);
    lat = std::clamp(lat + (random.Next() - 0.5) * 0.05, 30.0, 46.0);
    line.Add(lon, lat);
    keep(lon);
    keep(lat);
  }
  const platform::MarkerShape shapes[] = {
      platform::MarkerShape::Rectangle,  platform::MarkerShape::Circle,
      platform::MarkerShape::TriangleUp, platform::MarkerShape::TriangleDown,
      platform::MarkerShape::Diamond,    platform::MarkerShape::Cross};
  for (const platform::MarkerShape shape : shapes) {
    platform::PointSeries& s = chart.points.emplace_back();
    s.Clear(64000);
    s.marker = {shape, 3, 0xFF0000, 0};
    for (int k = 0; k < 64000; ++k) {
      const double px = 128 + 18 * random.Next();
      const double py = 30 + 16 * random.Next();
      s.Add(px, py);
      keep(px);
      keep(py);
    }
  }
  data.close();

  QImage image(width, height, QImage::Format_RGB32);
  std::vector<double> seconds;
  for (int r = 0; r < repeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    QPainter painter(&image);
    platform::DrawChart(painter, image.rect(), chart);
    painter.end();
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  if (std::getenv("CHART_BENCH_PNG")) image.save(std::getenv("CHART_BENCH_PNG"));
  std::sort(seconds.begin(), seconds.end());
  std::printf("median=%.4f fastest=%.4f\n", seconds[seconds.size() / 2], seconds.front());
  return 0;
}
