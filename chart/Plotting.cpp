#include "chart/Plotting.h"

#include "core/DistributionData.h"

namespace chart {

namespace {

// The series' symbol takes the style: shape, size, fill and rim.
void SetSymbol(platform::PointSeries& series, const platform::TMarkStyle& style) {
  // A code no marker stands for draws nothing.
  series.marker = {ChartMarkerShape(style.shape).value_or(platform::MarkerShape::None), style.size,
                   style.fillColor, style.rimColor};
}

}  // namespace

std::optional<platform::MarkerShape> ChartMarkerShape(int code) {
  using platform::MarkerShape;
  static constexpr MarkerShape kShapes[] = {MarkerShape::Rectangle,  MarkerShape::Circle,
                                            MarkerShape::TriangleUp, MarkerShape::TriangleDown,
                                            MarkerShape::Cross,      MarkerShape::DiagonalCross,
                                            MarkerShape::Star,       MarkerShape::Diamond};
  if (code < 0 || code > 7) return std::nullopt;
  return kShapes[code];
}

void ClearDotMaps(int categories, const CategorySeries& map, const CategorySeries& westEast,
                  const CategorySeries& southNorth) {
  for (int i = 0; i < categories && i < 6; ++i) {
    const auto k = static_cast<size_t>(i);
    for (platform::PointSeries* series : {map[k], westEast[k], southNorth[k]}) {
      series->Clear(kDefaultCapacity);
      series->active = false;
    }
  }
}

void PlottingH(platform::PointSeries& series, const platform::TMarkStyle& style, float lon,
               float lat) {
  SetSymbol(series, style);
  series.Add(lon, lat);
}

void PlottingV(platform::PointSeries& westEast, platform::PointSeries& southNorth,
               const platform::TMarkStyle& style, const PlotInput& input, float lon, float lat,
               float alt) {
  if (alt < 0 || !input.profileMap) return;
  SetSymbol(westEast, style);
  westEast.Add(lon, alt);
  SetSymbol(southNorth, style);
  if (input.horizonMap) {
    southNorth.Add(alt, lat);
  } else {
    southNorth.Add(lat, alt);
  }
}

PlotResult PlotText(const std::function<bool(std::string&)>& nextLine, const PlotInput& input,
                    const CategorySeries& map, const CategorySeries& westEast,
                    const CategorySeries& southNorth) {
  // Every series, not only those of the last pass: a series a shown figure never used
  // holds nothing, and emptying all six costs nothing.
  ClearDotMaps(6, map, westEast, southNorth);
  PlotResult result;
  core::DistributionReader reader(core::Program::Chart, input.gridSize);
  core::NotDrawnTally notDrawn(core::Program::Chart);
  const bool ranged = input.gx2 > input.gx1 && input.gy2 > input.gy1;
  std::string line;
  int lineNumber = 0;
  bool plotting = true;
  while (nextLine(line)) {
    ++lineNumber;
    const core::LineOutcome outcome = reader.Feed(line);
    notDrawn.Feed(outcome, lineNumber);
    if (!plotting) continue;
    switch (outcome.kind) {
      case core::LineOutcome::Kind::Short:
        break;
      case core::LineOutcome::Kind::Header: {
        const auto k = static_cast<size_t>(outcome.category - 1);
        result.categories = outcome.category;
        result.titles.at(k) = QString::fromStdString(outcome.title);
        for (platform::PointSeries* series : {map[k], westEast[k], southNorth[k]})
          series->active = true;
        break;
      }
      case core::LineOutcome::Kind::Stop:
        result.stopLine = lineNumber;
        result.stopTitle = QString::fromStdString(outcome.title);
        plotting = false;
        break;
      case core::LineOutcome::Kind::Record: {
        const auto k = static_cast<size_t>(outcome.category - 1);
        const platform::TMarkStyle& style = input.styles.at(k);
        const auto lat = static_cast<float>(outcome.pos.lat);
        const auto lon = static_cast<float>(outcome.pos.lon);
        const bool inside =
            !ranged || (outcome.pos.lon >= input.gx1 && outcome.pos.lon <= input.gx2 &&
                        outcome.pos.lat >= input.gy1 && outcome.pos.lat <= input.gy2);
        if (!inside && result.outside++ == 0) result.firstOutsideLine = lineNumber;
        if (input.horizonMap) PlottingH(*map[k], style, lon, lat);
        // A record from another island would otherwise stand on a profile over ground the
        // map does not show.
        if (inside || !input.profilesInRange) {
          PlottingV(*westEast[k], *southNorth[k], style, input, lon, lat,
                    static_cast<float>(outcome.pos.alt));
        }
        ++result.records;
        break;
      }
      case core::LineOutcome::Kind::Reject:
      case core::LineOutcome::Kind::Error:
        break;
    }
  }
  result.skipped = static_cast<int>(notDrawn.Records());
  result.firstSkippedLine = notDrawn.FirstLine();
  result.firstSkippedReason = QString::fromStdString(notDrawn.FirstReason());
  return result;
}

}  // namespace chart
