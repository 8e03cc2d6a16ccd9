#include "chart/GridNote.h"

#include <QStringList>
#include <algorithm>

#include "chart/GridType.h"

namespace chart {

namespace {

using platform::AxisSide;

enum class Role { None, Longitude, Latitude, Altitude };

// What each axis of a chart measures in the chart set, in AxisSide order.
std::array<Role, 4> Roles(int chart, int mapKind) {
  std::array<Role, 4> roles{};
  auto set = [&roles](AxisSide side, Role role) { roles[static_cast<size_t>(side)] = role; };
  switch (chart) {
    case 1:
      set(AxisSide::Bottom, Role::Longitude);
      set(AxisSide::Left, Role::Latitude);
      break;
    case 2:
      set(AxisSide::Bottom, Role::Longitude);
      set(AxisSide::Left, Role::Altitude);
      break;
    case 3:
      // Beside the map the profile turns: latitude up its right side, altitude across.
      set(mapKind == 3 ? AxisSide::Right : AxisSide::Bottom, Role::Latitude);
      set(mapKind == 3 ? AxisSide::Bottom : AxisSide::Left, Role::Altitude);
      break;
    default:
      break;
  }
  return roles;
}

}  // namespace

void AddLinesLeftOut(LinesLeftOut& out, const platform::DrawReport& report, int chart,
                     int mapKind) {
  const std::array<Role, 4> roles = Roles(chart, mapKind);
  for (size_t i = 0; i < 4; ++i) {
    for (const double spacing : {report.gridLeftOut[i], report.minorLeftOut[i]}) {
      if (!(spacing > 0) || roles[i] == Role::None) continue;
      const int level =
          roles[i] == Role::Altitude ? 0 : MeshLevelOf(spacing, roles[i] == Role::Latitude);
      if (level == 0) {
        out.others = true;
      } else if (std::find(out.levels.begin(), out.levels.end(), level) == out.levels.end()) {
        out.levels.insert(std::upper_bound(out.levels.begin(), out.levels.end(), level), level);
      }
    }
  }
}

Note LinesLeftOutNote(const LinesLeftOut& out) {
  if (!out.Any()) return {};
  QStringList names;
  if (!out.levels.empty()) {
    QStringList levels;
    for (const int level : out.levels)
      levels << QStringLiteral("%1次").arg(level);
    names << levels.join(QStringLiteral("・")) + QStringLiteral("区画線");
  }
  if (out.others) names << QStringLiteral("目盛線");
  const QString what = names.join(QStringLiteral("と"));
  return {what + QStringLiteral("は省略"),
          QStringLiteral("%1は、線の間隔が %2 ピクセルより狭くなる所では描いていません"
                         "（描くと線が図を塗りつぶします）。範囲を狭めると描けます。"
                         "画面の２倍大・４倍大は図全体を拡大するので変わりません")
              .arg(what)
              .arg(platform::kMinGridSpacing)};
}

}  // namespace chart
