// The costly steps of a full drawing on the largest sheet: the ocean fill of an A3 layer
// and the whole base map of the bundled Japan data.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <string>

#include "conic/BaseMap.h"
#include "core/TextFile.h"
#include "platform/raster/RasterLayer.h"

namespace {

constexpr int kA3Width = 3500;
constexpr int kA3Height = 4950;

void FloodFillA3(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    platform::RasterLayer layer(kA3Width, kA3Height);
    layer.SetPen({0, 1, platform::PenStyle::Solid, platform::PenMode::Copy});
    // A coast-like obstacle: a large ellipse and a comb of thin walls.
    layer.Ellipse(500, 800, 3000, 4400);
    for (int x = 100; x < kA3Width; x += 35) {
      layer.MoveTo(x, 50);
      layer.LineTo(x, 700);
    }
    state.ResumeTiming();
    layer.FloodFill(5, 5, 0, 16775899);
    benchmark::DoNotOptimize(layer.Image().constBits());
  }
}
BENCHMARK(FloodFillA3)->Unit(benchmark::kMillisecond);

void BaseMapA3(benchmark::State& state) {
  conic::Geometry geometry;
  geometry.ReplaceMaps(kA3Width, 3);
  const std::string map = std::string(TARVO_SOURCE_DIR) + "/data/三面図全国.mdt";
  for (auto _ : state) {
    platform::RasterLayer layer(kA3Width, kA3Height);
    core::LineReader reader = core::LineReader::Open(map);
    conic::DrawBaseMap(layer, conic::BaseMapStyle{}, geometry, reader);
    benchmark::DoNotOptimize(layer.Image().constBits());
  }
}
BENCHMARK(BaseMapA3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
