#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "platform/chart/Chart.h"
#include "platform/ui/MarkStyle.h"

namespace chart {

// What the charts draw over themselves once drawn: the legend and the three-view's own
// labels, in the chart's pixels.

/// A text and the top-left corner it is written at.
struct TextAt {
  QString text;
  QPointF at;
};

/// The whole-degree values the three-view labels along a longitude range: about seven
/// at most, odd steps avoided for wide ranges. A range under a degree is labelled at the
/// whole degrees inside it (a step of at least one degree).
std::vector<int> LongitudeLabelValues(double gx1, double gx2);
/// The same along a latitude range: at most about five, steps of one or two degrees.
std::vector<int> LatitudeLabelValues(double gy1, double gy2);

/// The width of a text as it will be written, in pixels.
using TextWidth = std::function<double(const QString&)>;

/// A label's value in degrees and its text.
struct DegreeLabel {
  double value = 0;
  QString text;
};

/// The labels of a longitude (or latitude) range of less than a degree, where whole degrees
/// leave it unlabelled: at the second-order mesh lines (7'30" of longitude, 5' of
/// latitude), or at every second, fourth, … of them up to the first-order lines, the
/// closest steps that keep labels `pixelsPerDegree` apart enough to be read: a label's
/// width and a gap across, about a label's height up. The first label and a whole degree
/// are written with their degrees ("135ﾟ07'30\""), the others in minutes alone ("15'").
/// Without `width` a character is taken as 8 pixels wide.
std::vector<DegreeLabel> FineDegreeLabels(double from, double to, bool latitude,
                                          double pixelsPerDegree, const TextWidth& width = {});

/// The degree labels of the three-view's map, along its bottom and left edges. A range of
/// less than a degree is labelled by FineDegreeLabels, its texts centred under their lines
/// and ending left of the map; `width` measures them.
std::vector<TextAt> MapDegreeLabels(const platform::ChartMapping& map, double gx1, double gx2,
                                    double gy1, double gy2, const TextWidth& width = {});
/// The altitude labels of the three-view's west-east profile, with "   m" above the
/// highest and "   0" at the base, and its longitude labels below it, as the map's.
std::vector<TextAt> WestEastLabels(const platform::ChartMapping& profile, double gx1, double gx2,
                                   double gh1, double gh2, const TextWidth& width = {});
/// The altitude labels of the three-view's south-north profile, level with the map's
/// longitude labels.
std::vector<TextAt> SouthNorthLabels(const platform::ChartMapping& profile, double gy1, double gh2);

/// Where a legend's parts go: its box (none in the corner chart), and per category, last
/// one on top, the marker's centre and the title's top-left corner.
struct LegendLayout {
  QRectF box;
  std::vector<QPointF> markers;  ///< index k: category k + 1
  std::vector<QPointF> titles;
};

/// Whether a legend anchored at longitude `lon`, latitude `lat` stands on the map: the
/// anchor lies inside the map's plot, its edges included. A legend anchored outside (east
/// of a regional range, or south of it) would be drawn off the chart and lost; it goes to
/// the corner instead.
bool LegendOnMap(const platform::ChartMapping& map, double lon, double lat);
/// Where the legend's upper-left corner goes on the map alone when it cannot stand at its
/// anchor: just inside the plot's upper-left corner, the map alone having no corner chart.
QPointF MapCornerOf(const platform::ChartMapping& map);

/// The legend on the map with its upper-left corner at (x, y), for titles as wide as
/// `titleWidth` at most.
LegendLayout MapLegend(double x, double y, int categories, double titleWidth);
/// Where a legend box's upper-left corner goes so that the box stands on `plot`: moved up
/// and left just enough, never past the plot's upper-left corner (a box larger than the
/// plot keeps its title side in view).
QPointF KeptOnPlot(const QRectF& box, const QRectF& plot);
/// The legend in the corner chart.
LegendLayout CornerLegend(int categories);

/// Writes the figure's title at the top of the corner chart of `cornerSize`, centred, in the
/// painter's font and black, broken into lines that fit the corner's width less a margin each
/// side. A title that would reach past a third of the corner's height is cut, its last line
/// ending in "…". Returns how far down the title reaches, where the corner legend may start;
/// 0 when the title is empty.
double DrawCornerTitle(QPainter& painter, const QSizeF& cornerSize, const QString& title);

/// Draws a legend: the box white with a black outline, each marker in its category's
/// style, each title in black in the painter's font.
void DrawLegend(QPainter& painter, const LegendLayout& legend,
                const std::array<platform::TMarkStyle, 6>& styles,
                const std::array<QString, 6>& titles);
/// Writes each text with its top-left corner at its place, in the painter's font and pen.
void DrawTexts(QPainter& painter, const std::vector<TextAt>& texts);

/// An altitude as the read-out shows it: whole metres, four significant digits, in
/// exponent notation from 10 000 m on.
QString AltitudeText(double metres);

}  // namespace chart
