// The chart program's window with a big figure, timed: the full build from
// "分布図を作成する" to charts ready, then repaints of the whole drawing area.
//   chart_window_bench DATA.grd MESH_LEVEL REPEATS
// Prints "build=S repaint=S" (medians, seconds).
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "chart/TForm1.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/FontSubstitution.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <typename F>
double Seconds(F f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: chart_window_bench DATA.grd MESH_LEVEL REPEATS\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InstallFontSubstitutions();
  const int repeats = std::max(1, std::stoi(argv[3]));
  chart::TForm1 form(QStringList(), std::make_unique<platform::ScriptedDialogs>(),
                     QStringLiteral(TARVO_SOURCE_DIR "/build/bench/chart/Tarvo"));
  form.resize(1280, 960);
  form.show();
  form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"))
      ->setText(QStringLiteral(TARVO_SOURCE_DIR "/data/三面図全国.mdt"));
  form.findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))
      ->setText(QString::fromLocal8Bit(argv[1]));
  form.findChild<QRadioButton*>(QStringLiteral("MScale%1").arg(argv[2]))->setChecked(true);
  std::vector<double> builds;
  std::vector<double> repaints;
  for (int r = 0; r < repeats; ++r) {
    builds.push_back(Seconds([&] {
      form.BtnNewMapClick();
      QApplication::processEvents();
    }));
  }
  QWidget* sheet = form.findChild<QWidget*>(QStringLiteral("MappingSheet"));
  for (int r = 0; r < repeats; ++r)
    repaints.push_back(Seconds([&] { (void)sheet->grab(); }));
  std::printf("build=%.4f repaint=%.4f records=%d\n", Median(builds), Median(repaints),
              form.State().PlotCount);
  return 0;
}
