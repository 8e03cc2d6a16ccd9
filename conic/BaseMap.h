#pragma once

#include <QString>
#include <optional>

#include "conic/Geometry.h"
#include "conic/ScaleBar.h"
#include "core/MapData.h"
#include "platform/raster/RasterLayer.h"

namespace core {
class LineReader;
}

namespace conic {

using platform::WinColor;

/// What the base map is painted with, from the drawing state.
struct BaseMapStyle {
  WinColor landColor = 14285311;
  WinColor oceanColor = 16775899;
  WinColor mapColor = 0;         ///< coastlines and profile outlines
  WinColor subColor = 8421504;   ///< administrative boundaries, drawn in mask mode
  WinColor mshColor = 16776960;  ///< graticule, dotted, mask mode
  int mLineW = 1;
  int sLineW = 1;
  int gLineW = 1;
  int mapsType = 3;        ///< 3 three-view; 1 and 2 draw the horizontal map alone
  bool withPref = false;   ///< draw the boundaries
  bool withGrat = true;    ///< draw the graticule, its labels and the credit
  bool isMapFrame = true;  ///< frame round the sheet
  QString credit;          ///< credit text at the lower right; empty for none
  bool scaleBar = false;   ///< a scale bar on the horizontal map, three-view sheet only
  int scaleBarCorner = 0;  ///< its corner, a MapCorner code
  /// Look for the sea at the scale of kWaterSearchWidth as well, so that inner seas behind
  /// island chains and narrow straits are sea on every sheet; off, the sheet's own fills
  /// alone decide.
  bool searchWater = true;
};

/// Fixed water seeds that the fill from the sheet corner cannot reach: Lake Biwa, the
/// eastern Seto Inland Sea and the Yatsushiro Sea (latitude, longitude).
struct Seed {
  double lat;
  double lon;
};
inline constexpr Seed kOceanSeeds[] = {
    {35.3454, 136.1597}, {34.4029, 134.5324}, {32.2291, 130.3061}};

/// Sheet width (pixels, three-view layout) whose scale the search for water works at: the
/// A3 sheet's, about 850 m a pixel. On a coarser sheet, a pixel that the fills leave in the
/// land colour becomes sea when most of its area is water at this scale; a sheet at least
/// this fine is its own search.
inline constexpr int kWaterSearchWidth = 3500;

/// Water that no fill from the open sea reaches even at the search's scale, because its
/// entrance is narrower than a pixel there: Omura Bay (the Hario and Hayasaki straits, a
/// few hundred metres). Its seed starts a fill of its own in the search.
inline constexpr Seed kWaterSeeds[] = {{32.97, 129.87}};

/// Paints the whole base layer: land colour, the map data file's coastlines, boundaries
/// and profile outlines, the ocean fills (and, with `style.searchWater`, the water found
/// at the search's scale), graticule and labels, the scale bar when it fits (see
/// ScaleBarOf), profile frames and the sheet frame. The
/// layer's font is the label font. Raises core::ConversionError from the map data; what
/// was painted before stays. Returns the sections of the map data that were drawn.
core::SectionsRead DrawBaseMap(platform::RasterLayer& canvasM, const BaseMapStyle& style,
                               const Geometry& geometry, core::LineReader& mapFile);

/// The scale bar `style` asks for on the sheet, in the layer's font; none when it asks
/// for none or the bar does not fit.
std::optional<ScaleBarPlan> ScaleBarOf(const platform::RasterLayer& canvasM,
                                       const BaseMapStyle& style, const Geometry& geometry);

/// Ocean fill at a geographic seed, bounded by the layer's pen colour.
void FloodFillLatLon(platform::RasterLayer& canvasM, const Geometry& geometry, WinColor ocean,
                     double lat, double lon);

/// The graticule lines on the map and in both profiles.
void DrawGraticule(platform::RasterLayer& canvasM, const Geometry& geometry, WinColor color,
                   int lineWidth, int mapsType);

/// The graticule's degree labels, the profile ticks and altitude labels, and the credit.
void DrawGraticuleLabels(platform::RasterLayer& canvasM, const Geometry& geometry,
                         const BaseMapStyle& style);

}  // namespace conic
