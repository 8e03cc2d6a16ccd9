#pragma once

#include <QString>
#include <vector>

#include "platform/chart/Chart.h"

namespace chart {

/// What the charts of a figure left out of their grids, as the user knows the lines: the
/// mesh levels (1, 2, 3) whose lines were left out, and whether other lines were (the
/// profiles' altitude lines, or degree lines the chart spaced for its labels).
struct LinesLeftOut {
  std::vector<int> levels;  ///< ascending, each once
  bool others = false;
  bool Any() const { return !levels.empty() || others; }
};

/// Adds what the drawing of chart `chart` (1 map, 2 west–east profile, 3 south–north
/// profile) in the chart set `mapKind` (1, 2 or 3) reported left out.
void AddLinesLeftOut(LinesLeftOut& out, const platform::DrawReport& report, int chart, int mapKind);

/// The status bar's short note ("3次区画線は省略") and the tool tip that says why; both
/// empty when nothing was left out.
struct Note {
  QString text;
  QString tip;
};
Note LinesLeftOutNote(const LinesLeftOut& out);

}  // namespace chart
