#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "conic/Geometry.h"
#include "platform/raster/RasterLayer.h"
#include "platform/ui/MarkStyle.h"

namespace core {
class LineReader;
struct LineOutcome;
}  // namespace core

namespace conic {

using platform::WinColor;

/// Shape codes of the markers: 0 draws nothing, 1 circle, 2 square, 3 triangle with the
/// apex up, 4 diamond, 5 upright cross, 6 diagonal cross; 7 and 8 draw nothing.
enum MarkerShape : int {
  kNoMarker = 0,
  kCircle = 1,
  kSquare = 2,
  kTriangle = 3,
  kDiamond = 4,
  kUprightCross = 5,
  kDiagonalCross = 6,
};

using platform::kMaxMarkerSize;
// Rim colour 0 draws a black rim; a rim of the fill colour draws none.
using platform::TMarkStyle;

/// The styles a figure starts with: shapes 1-5, size 4, magenta, cyan, yellow, green and
/// blue, black rims.
std::array<TMarkStyle, 5> DefaultMarkStyles();

/// One marker centred on the pixel nearest (x, y), halves to even. The layer's brush
/// colour is kept; the pen is left in the rim colour, width 1. A filled triangle or
/// diamond of size 0 or less has nothing inside to fill and is drawn as its outline alone.
/// Any position and size are safe: a size beyond ±(2 x (width + height) + 2) of the layer
/// is drawn at that bound, where a marker centred on the layer already covers all of it
/// (only a giant marker centred off the layer draws less than its true size would); a
/// marker that cannot reach the layer, or a NaN position, changes no pixel.
void DrawMarker(platform::RasterLayer& layer, const TMarkStyle& style, double x, double y);

/// A record's marker on the horizontal map; nothing for a longitude more than 180° from
/// the central meridian or a latitude past a pole, which the projection would wrap round
/// onto the map.
void PlottingH(platform::RasterLayer& layer, const Geometry& geometry, const TMarkStyle& style,
               double lon, double lat);

/// A record's markers on both profiles; nothing above the profiles' top altitude (so a
/// record without altitude stays off them). An altitude below the profiles' base, 0 m
/// (however far below), is drawn on the base line.
void PlottingV(platform::RasterLayer& layer, const Geometry& geometry, const TMarkStyle& style,
               double lon, double lat, double alt);

/// Called for every line of a plotting pass with its outcome and line number; `drawing` is
/// false for the lines past the point where the pass stopped drawing.
using PlotLineSeen = std::function<void(const core::LineOutcome& outcome, int line, bool drawing)>;

/// The records of a distribution data file on the plot layer, as every plotting pass draws
/// them at the precision `gridSize`: each record's marker on the map, and on both profiles
/// for figure type 3, until a header past the category limit or a line that does not read;
/// nothing after it is drawn. With `seen` the file is read to its end and every line told;
/// without, reading ends with the drawing. Raises the reader's core::IoError.
void PlotRecords(core::LineReader& reader, int gridSize, platform::RasterLayer& layer,
                 const Geometry& geometry, const std::array<TMarkStyle, 5>& styles, int mapsType,
                 const PlotLineSeen& seen = {});

/// The figure title centred over the sheet's middle, its bottom 2 pixels above the title
/// line, on white.
void DrawTitle(platform::RasterLayer& layer, const Geometry& geometry, const QFont& font,
               WinColor color, const QString& text);

/// What the legend box shows.
struct LegendSpec {
  QFont font;  ///< the figure's text font, already scaled for the legend
  bool showHeading = false;
  QString heading;
  bool framed = false;  ///< black outline and land-coloured box; else ocean, no outline
  WinColor landColor = 0;
  WinColor oceanColor = 0;
  std::vector<QString> titles;  ///< one per category, category 1 first
  std::array<TMarkStyle, 5> styles{};
};

/// Draws the legend box with a row per category below the profiles and returns the box
/// (left, top, right, bottom exclusive) for the figure output.
QRect DrawLegend(platform::RasterLayer& layer, const Geometry& geometry, const LegendSpec& legend);

}  // namespace conic
