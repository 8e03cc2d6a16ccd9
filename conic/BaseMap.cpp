#include "conic/BaseMap.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "core/MapData.h"
#include "core/MeshCode.h"
#include "core/Rounding.h"
#include "core/TextFile.h"

namespace conic {

using core::LonLat;
using platform::PenMode;
using platform::PenStyle;
using platform::RasterLayer;

namespace {

// First graticule meridian and parallel: 125° E / 25° N on the three-view sheet, which
// has room for them; 130° E / 30° N otherwise.
struct GraticuleStart {
  double lon;
  double lat;
};
GraticuleStart FirstGraticule(int mapsType) {
  return mapsType == 1 || mapsType == 2 ? GraticuleStart{130, 30} : GraticuleStart{125, 25};
}
constexpr double kGraticuleStep = 5.0;

// The water of the horizontal map at the search's scale, over the box of the region and a
// margin, which is open sea because the map data closes all land inside the region.
// Coastlines take the pixels a one-pixel pen takes on a sheet of the search's width, so
// that sheet would shut off exactly the water this mask does. Coordinates are pixels of
// that sheet. One bit a pixel in two planes, walls and taken (wall or water): a tenth of a
// byte mask's memory to clear and fault in, and the fill crosses the open ocean 64 pixels
// at a time.
class WaterMask {
 public:
  explicit WaterMask(const Geometry& fine) {
    const Region& r = fine.GetRegion();
    const SheetLayout& l = fine.Layout();
    // The north parallel is highest at the region's corners, the south parallel lowest on
    // the central meridian.
    const double top =
        std::max(fine.LambertXY(r.westLon, r.northLat).y, fine.LambertXY(r.eastLon, r.northLat).y);
    const double bottom = fine.LambertXY(r.centralLon, r.southLat).y;
    m_left = core::RoundHalfEven(l.hMapLeft) - kMargin;
    m_top = fine.HMGraphPosY(top) - kMargin;
    m_width = core::RoundHalfEven(l.hMapRight) + kMargin + 1 - m_left;
    m_height = fine.HMGraphPosY(bottom) + kMargin + 1 - m_top;
    m_stride = static_cast<std::size_t>(m_width + 63) / 64;
    const std::size_t words = m_stride * static_cast<std::size_t>(m_height);
    m_wall.assign(words, 0);
    m_taken.assign(words, 0);
  }

  int Left() const { return m_left; }
  int Top() const { return m_top; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  void MoveTo(int x, int y) {
    m_x = x;
    m_y = y;
  }

  // The Bresenham pixels of a one-pixel pen, end excluded, as on the sheet; steps outside
  // the mask are skipped without being walked, so a wild point costs nothing.
  void LineTo(int x, int y) {
    const Int x0 = Int{m_x} - m_left;
    const Int y0 = Int{m_y} - m_top;
    const Int dx = Int{x} - m_x;
    const Int dy = Int{y} - m_y;
    m_x = x;
    m_y = y;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const Int steps = xMajor ? std::abs(dx) : std::abs(dy);
    const Int minorLen = xMajor ? std::abs(dy) : std::abs(dx);
    if (steps == 0) return;
    const Int m0 = xMajor ? x0 : y0;
    const Int n0 = xMajor ? y0 : x0;
    const Int mStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const Int nStep = (xMajor ? dy : dx) >= 0 ? 1 : -1;
    const Int hi = (xMajor ? m_width : m_height) - 1;
    const Int minorHi = (xMajor ? m_height : m_width) - 1;
    const Int first = std::max<Int>(mStep > 0 ? -m0 : m0 - hi, 0);
    const Int last = std::min<Int>(mStep > 0 ? hi - m0 : m0, steps - 1);
    if (first > last) return;
    // The minor offset at step i is i * minorLen / steps rounded, a half away from the
    // start: the closed form for the first step walked, then the running remainder.
    const Int twoSteps = 2 * steps;
    const Wide start = Wide{2} * first * minorLen + steps;
    Int q = static_cast<Int>(start / twoSteps);
    Int rem = static_cast<Int>(start % twoSteps);
    for (Int i = first; i <= last; ++i) {
      const Int minor = n0 + nStep * q;
      if (minor >= 0 && minor <= minorHi) {
        const Int major = m0 + mStep * i;
        SetWall(xMajor ? major : minor, xMajor ? minor : major);
      }
      rem += 2 * minorLen;
      if (rem >= twoSteps) {
        rem -= twoSteps;
        ++q;
      }
    }
  }

  // Water over every open pixel 4-connected to (x, y), as the sheet's border fill would
  // spread; a seed outside the mask or on a coastline gives none.
  void Fill(int x, int y) {
    x -= m_left;
    y -= m_top;
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    m_stack.clear();
    m_stack.emplace_back(x, y);
    while (!m_stack.empty()) {
      const auto [sx, sy] = m_stack.back();
      m_stack.pop_back();
      std::uint64_t* row = Taken(sy);
      if (Bit(row, sx)) continue;
      const int first = RunBegin(row, sx);
      const int end = Find(row, sx, m_width, true);
      SetRange(row, first, end);
      // One seed for each open run beside the filled one, above and below.
      for (const int ny : {sy - 1, sy + 1}) {
        if (ny < 0 || ny >= m_height) continue;
        const std::uint64_t* next = Taken(ny);
        for (int i = Find(next, first, end, false); i < end; i = Find(next, i, end, false)) {
          m_stack.emplace_back(i, ny);
          i = Find(next, i, end, true);
        }
      }
    }
  }

  // Water pixels in columns [first, end) of row y.
  int CountWater(int y, int first, int end) const {
    const std::size_t base = static_cast<std::size_t>(y) * m_stride;
    int count = 0;
    for (int i = first; i < end;) {
      const auto [bits, wordEnd] = WordSpan(i, end);
      const std::size_t k = base + static_cast<std::size_t>(i >> 6);
      count += std::popcount(m_taken[k] & ~m_wall[k] & bits);
      i = wordEnd;
    }
    return count;
  }

 private:
  using Int = std::int64_t;
  __extension__ typedef __int128 Wide;
  static constexpr int kMargin = 2;

  // The bits of columns [i, end) in the word that holds column i, and the end of that word's
  // share of the range.
  static std::pair<std::uint64_t, int> WordSpan(int i, int end) {
    const int wordStart = i & ~63;
    const int wordEnd = std::min(wordStart + 64, end);
    const std::uint64_t below =
        wordEnd - wordStart == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << (wordEnd & 63)) - 1;
    return {below & (~std::uint64_t{0} << (i & 63)), wordEnd};
  }
  static bool Bit(const std::uint64_t* row, int i) { return (row[i >> 6] >> (i & 63) & 1u) != 0; }
  std::uint64_t* Taken(int y) { return &m_taken[static_cast<std::size_t>(y) * m_stride]; }

  void SetWall(Int x, Int y) {
    const std::size_t k = static_cast<std::size_t>(y) * m_stride + static_cast<std::size_t>(x >> 6);
    const std::uint64_t bit = std::uint64_t{1} << (x & 63);
    m_wall[k] |= bit;
    m_taken[k] |= bit;
  }

  // The first column in [i, end) whose taken bit is `taken`, or end.
  static int Find(const std::uint64_t* row, int i, int end, bool taken) {
    while (i < end) {
      std::uint64_t word = row[i >> 6];
      if (!taken) word = ~word;
      word &= ~std::uint64_t{0} << (i & 63);
      if (word != 0) return std::min((i & ~63) + std::countr_zero(word), end);
      i = (i & ~63) + 64;
    }
    return end;
  }

  // The first column of the open run through column i: one past the nearest taken bit
  // left of i, or 0.
  static int RunBegin(const std::uint64_t* row, int i) {
    while (i > 0) {
      const int k = (i - 1) >> 6;
      const int high = (i - 1) & 63;
      std::uint64_t word = row[k];
      if (high < 63) word &= (std::uint64_t{1} << (high + 1)) - 1;
      if (word != 0) return k * 64 + 64 - std::countl_zero(word);
      i = k * 64;
    }
    return 0;
  }

  // Sets the taken bits of columns [first, end).
  static void SetRange(std::uint64_t* row, int first, int end) {
    for (int i = first; i < end;) {
      const auto [bits, wordEnd] = WordSpan(i, end);
      row[i >> 6] |= bits;
      i = wordEnd;
    }
  }

  int m_left = 0;
  int m_top = 0;
  int m_width = 0;
  int m_height = 0;
  std::size_t m_stride = 0;  // words a row
  int m_x = 0;
  int m_y = 0;
  std::vector<std::uint64_t> m_wall;
  std::vector<std::uint64_t> m_taken;
  std::vector<std::pair<int, int>> m_stack;
};

// Draws what the map data reader hands over, section by section; coastlines go into the
// water mask as well when there is one.
class BaseMapPainter : public core::MapDataHandler {
 public:
  BaseMapPainter(RasterLayer& layer, const BaseMapStyle& style, const Geometry& geometry,
                 WaterMask* water, const Geometry& fine)
      : m_layer(layer), m_style(style), m_geo(geometry), m_water(water), m_fine(fine) {}

  core::SectionUse UseOf(core::MapSection section) override {
    return core::ConicSectionUse(section, m_style.withPref, m_style.mapsType);
  }

  void OnSectionStart(core::MapSection section) override {
    m_section = section;
    m_startsPolyline = true;
    m_hasPrevious = false;
    const SheetLayout& l = m_geo.Layout();
    switch (section) {
      case core::MapSection::HMap:
        SetLayerPen(m_layer, m_style.mapColor, m_style.mLineW, PenStyle::Solid, PenMode::Copy);
        break;
      case core::MapSection::GMap:
        SetLayerPen(m_layer, m_style.subColor, m_style.sLineW, PenStyle::Solid, PenMode::Mask);
        break;
      case core::MapSection::WEProf:
      case core::MapSection::SNProf: {
        // The baseline one pixel below altitude 0 closes the ground under the outline,
        // which starts at the axis origin.
        const double base = section == core::MapSection::WEProf ? l.weBase : l.snBase;
        SetLayerPen(m_layer, m_style.mapColor, m_style.mLineW, PenStyle::Solid, PenMode::Copy);
        MoveToXY(m_layer, l.profLeft, base + 1);
        LineToXY(m_layer, l.profRight, base + 1);
        MoveToXY(m_layer, l.profLeft, base);
        break;
      }
      case core::MapSection::End:
        break;
    }
  }

  void OnPoint(double first, double second) override {
    const SheetLayout& l = m_geo.Layout();
    const Region& r = m_geo.GetRegion();
    if (m_section == core::MapSection::HMap || m_section == core::MapSection::GMap) {
      const MapPoint p = m_geo.LambertXY(first, second);
      const int x = m_geo.HMGraphPosX(p.x);
      const int y = m_geo.HMGraphPosY(p.y);
      if (m_startsPolyline) {
        m_layer.MoveTo(x, y);
      } else {
        m_layer.LineTo(x, y);
      }
      if (m_water && m_section == core::MapSection::HMap) {
        const int fx = m_fine.HMGraphPosX(p.x);
        const int fy = m_fine.HMGraphPosY(p.y);
        if (m_startsPolyline) {
          m_water->MoveTo(fx, fy);
        } else {
          m_water->LineTo(fx, fy);
        }
      }
      m_startsPolyline = false;
      return;
    }
    const bool westEast = m_section == core::MapSection::WEProf;
    const double px = westEast ? (first - r.westLon) * l.lonScale + l.profLeft
                               : (first - r.southLat) * l.latScale + l.profLeft;
    const double py = second * l.altScale + (westEast ? l.weBase : l.snBase);
    // A staircase: along at the previous altitude, then up or down to this one. After a
    // break the next point is joined straight from the last point drawn.
    if (m_hasPrevious) LineToXY(m_layer, px, m_previousY);
    LineToXY(m_layer, px, py);
    m_previousY = py;
    m_hasPrevious = true;
  }

  void OnBreak() override {
    m_startsPolyline = true;
    m_hasPrevious = false;
  }

 private:
  RasterLayer& m_layer;
  const BaseMapStyle& m_style;
  const Geometry& m_geo;
  WaterMask* m_water;
  const Geometry& m_fine;
  core::MapSection m_section = core::MapSection::HMap;
  bool m_startsPolyline = true;
  bool m_hasPrevious = false;
  double m_previousY = 0;
};

void MoveToLonLat(RasterLayer& layer, const Geometry& g, double lon, double lat) {
  const MapPoint p = g.LambertXY(lon, lat);
  layer.MoveTo(g.HMGraphPosX(p.x), g.HMGraphPosY(p.y));
}

void LineToLonLat(RasterLayer& layer, const Geometry& g, double lon, double lat) {
  const MapPoint p = g.LambertXY(lon, lat);
  layer.LineTo(g.HMGraphPosX(p.x), g.HMGraphPosY(p.y));
}

// A meridian (step north) or a parallel (step east) as short straight segments through the
// projection, from `from` until the step's coordinate reaches `end`.
void DrawGraticuleLine(RasterLayer& layer, const Geometry& g, LonLat from, LonLat step,
                       double end) {
  MoveToLonLat(layer, g, from.lon, from.lat);
  const bool north = step.lat > 0;
  while (north ? from.lat < end : from.lon < end) {
    from.lon += step.lon;
    from.lat += step.lat;
    LineToLonLat(layer, g, from.lon, from.lat);
  }
}

// For each pixel of a sheet axis, the run [first, end) of search pixels whose centres
// round to it; `sheetOf` maps a search pixel to the sheet's continuous coordinate and only
// grows with it.
struct Footprints {
  std::vector<int> first;
  std::vector<int> end;
};
template <typename SheetOf>
Footprints FootprintsOf(int sheetSize, int searchSize, SheetOf sheetOf) {
  Footprints f{std::vector<int>(static_cast<std::size_t>(sheetSize), 0),
               std::vector<int>(static_cast<std::size_t>(sheetSize), 0)};
  for (int i = 0; i < searchSize; ++i) {
    const int s = core::RoundHalfEven(sheetOf(i));
    if (s < 0 || s >= sheetSize) continue;
    const auto k = static_cast<std::size_t>(s);
    if (f.end[k] == 0) f.first[k] = i;
    f.end[k] = i + 1;
  }
  return f;
}

// The ocean colour for each sheet pixel that the fills left in the land colour and whose
// footprint in the search is mostly water. Lines, boundaries and profiles keep their
// colours because they are not the land colour.
void PaintFoundWater(RasterLayer& canvasM, const BaseMapStyle& style, const Geometry& sheet,
                     const Geometry& fine, const WaterMask& water) {
  const SheetLayout& s = sheet.Layout();
  const SheetLayout& f = fine.Layout();
  const double ratio = s.hMapScale / f.hMapScale;
  const Footprints cols = FootprintsOf(canvasM.Width(), water.Width(), [&](int i) {
    return (i + water.Left() - f.hMapLeft) * ratio + s.hMapLeft;
  });
  const Footprints rows = FootprintsOf(canvasM.Height(), water.Height(), [&](int j) {
    return s.hMapBase - (f.hMapBase - (j + water.Top())) * ratio;
  });
  const QRgb land = platform::ToQRgb(style.landColor);
  const QImage& image = canvasM.Image();
  for (int y = 0; y < canvasM.Height(); ++y) {
    const auto ky = static_cast<std::size_t>(y);
    const int r0 = rows.first[ky];
    const int r1 = rows.end[ky];
    if (r0 == r1) continue;
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < canvasM.Width(); ++x) {
      const auto kx = static_cast<std::size_t>(x);
      const int c0 = cols.first[kx];
      const int c1 = cols.end[kx];
      if (c0 == c1 || (pixels[x] & 0x00FFFFFFu) != (land & 0x00FFFFFFu)) continue;
      int wet = 0;
      for (int j = r0; j < r1; ++j)
        wet += water.CountWater(j, c0, c1);
      if (2 * wet > (r1 - r0) * (c1 - c0)) canvasM.SetPixel(x, y, style.oceanColor);
    }
  }
}

void FillLatLon(WaterMask& water, const Geometry& fine, const Seed& seed) {
  const MapPoint p = fine.LambertXY(seed.lon, seed.lat);
  water.Fill(fine.HMGraphPosX(p.x), fine.HMGraphPosY(p.y));
}

QString DegreeText(double value) {
  return QString::number(core::RoundHalfEven(value)) + QStringLiteral("°");
}

}  // namespace

void FloodFillLatLon(RasterLayer& canvasM, const Geometry& geometry, WinColor ocean, double lat,
                     double lon) {
  const MapPoint p = geometry.LambertXY(lon, lat);
  FloodFillAt(canvasM, ocean, geometry.HMGraphPosX(p.x), geometry.HMGraphPosY(p.y));
}

void DrawGraticule(RasterLayer& canvasM, const Geometry& g, WinColor color, int lineWidth,
                   int mapsType) {
  const Region& r = g.GetRegion();
  const SheetLayout& l = g.Layout();
  const GraticuleStart start = FirstGraticule(mapsType);
  SetLayerPen(canvasM, color, lineWidth, PenStyle::Dot, PenMode::Mask);
  for (double lon = start.lon; lon <= r.eastLon; lon += kGraticuleStep) {
    DrawGraticuleLine(canvasM, g, {lon, r.southLat}, {0, 0.1}, r.northLat);
    const double px = (lon - r.westLon) * l.lonScale + l.profLeft;
    MoveToXY(canvasM, px, l.weBase);
    LineToXY(canvasM, px, core::RoundHalfEven(l.weBase - l.profHeight));
  }
  for (double lat = start.lat; lat <= r.northLat; lat += kGraticuleStep) {
    DrawGraticuleLine(canvasM, g, {r.westLon, lat}, {0.05, 0}, r.eastLon);
    const double px = (lat - r.southLat) * l.latScale + l.profLeft;
    MoveToXY(canvasM, px, l.snBase);
    LineToXY(canvasM, px, l.snBase - l.profHeight);
  }
  for (const double a : {1000.0, 2000.0, 3000.0}) {
    const double dy = a * l.altScale;
    MoveToXY(canvasM, l.profLeft, l.snBase + dy);
    LineToXY(canvasM, l.profRight, l.snBase + dy);
    MoveToXY(canvasM, l.profLeft, l.weBase + dy);
    LineToXY(canvasM, l.profRight, l.weBase + dy);
  }
}

void DrawGraticuleLabels(RasterLayer& canvasM, const Geometry& g, const BaseMapStyle& style) {
  const Region& r = g.GetRegion();
  const SheetLayout& l = g.Layout();
  const GraticuleStart start = FirstGraticule(style.mapsType);
  const bool threeView = style.mapsType == 3;
  const WinColor previousBrush = canvasM.BrushColor();
  canvasM.SetBrushColor(style.oceanColor);

  for (double lon = start.lon; lon <= r.eastLon; lon += kGraticuleStep) {
    const QString text = DegreeText(lon);
    DrawLabel(canvasM, 3, text, g.HMGraphPosX(g.LambertXY(lon, r.southLat).x),
              core::RoundHalfEven(l.hMapBase));
    if (threeView) {
      const double px = (lon - r.westLon) * l.lonScale + l.profLeft;
      MoveToXY(canvasM, px, l.weBase);
      LineToXY(canvasM, px, l.weBase + 3);
      DrawLabel(canvasM, 3, text, core::RoundHalfEven(px), core::RoundHalfEven(l.weBase) + 3);
    }
  }
  for (double lat = start.lat; lat <= r.northLat; lat += kGraticuleStep) {
    const QString text = DegreeText(lat);
    const MapPoint west = g.LambertXY(r.westLon, lat);
    const MapPoint east = g.LambertXY(r.eastLon, lat);
    DrawLabel(canvasM, 4, text, g.HMGraphPosX(west.x), g.HMGraphPosY(west.y));
    DrawLabel(canvasM, 2, text, g.HMGraphPosX(east.x), g.HMGraphPosY(east.y));
    if (threeView) {
      const int px = core::RoundHalfEven((lat - r.southLat) * l.latScale + l.profLeft);
      const int base = core::RoundHalfEven(l.snBase);
      canvasM.MoveTo(px, base);
      canvasM.LineTo(px, core::RoundHalfEven(l.snBase + 3));
      DrawLabel(canvasM, 3, text, px, base + 3);
    }
  }
  if (threeView) {
    for (const int a : {0, 1000, 2000, 3000}) {
      const QString text = QString::number(a) + QStringLiteral("m");
      const int x = core::RoundHalfEven(l.profLeft);
      DrawLabel(canvasM, 4, text, x, core::RoundHalfEven(a * l.altScale + l.snBase));
      DrawLabel(canvasM, 4, text, x, core::RoundHalfEven(a * l.altScale + l.weBase));
    }
  }
  if (!style.credit.isEmpty()) {
    DrawLabel(canvasM, 4, QStringLiteral("© ") + style.credit, canvasM.Width() - 40,
              canvasM.Height() - 20);
  }
  canvasM.SetBrushColor(previousBrush);
}

std::optional<ScaleBarPlan> ScaleBarOf(const RasterLayer& canvasM, const BaseMapStyle& style,
                                       const Geometry& geometry) {
  // The other figure types keep a layout that is not their own.
  if (!style.scaleBar || style.mapsType != 3) return std::nullopt;
  return PlanScaleBar(geometry, MapCornerOf(style.scaleBarCorner), canvasM);
}

core::SectionsRead DrawBaseMap(RasterLayer& canvasM, const BaseMapStyle& style,
                               const Geometry& geometry, core::LineReader& mapFile) {
  const SheetLayout& l = geometry.Layout();
  ClearLayer(canvasM, style.landColor);

  // A sheet coarser than the search's scale closes straits into walls; the coastlines are
  // drawn at that scale as well, in the same read of the file, to find the water behind.
  Geometry fine;
  fine.ReplaceMaps(kWaterSearchWidth, 3);
  const bool search = style.searchWater && style.landColor != style.oceanColor;
  const double ratio = l.hMapScale / fine.Layout().hMapScale;
  std::optional<WaterMask> water;
  if (search && ratio > 0 && ratio < 1) water.emplace(fine);

  BaseMapPainter painter(canvasM, style, geometry, water ? &*water : nullptr, fine);
  const core::SectionsRead sections = core::ReadMapData(mapFile, core::Program::Conic, painter);

  // Every fill is bounded by the pen colour the last section left.
  FloodFillAt(canvasM, style.oceanColor, 5, 5);
  for (const Seed& seed : kOceanSeeds) {
    FloodFillLatLon(canvasM, geometry, style.oceanColor, seed.lat, seed.lon);
  }
  if (water) {
    water->Fill(water->Left(), water->Top());
    for (const Seed& seed : kOceanSeeds)
      FillLatLon(*water, fine, seed);
    for (const Seed& seed : kWaterSeeds)
      FillLatLon(*water, fine, seed);
    PaintFoundWater(canvasM, style, geometry, fine, *water);
  } else if (search && ratio >= 1) {
    // The sheet is its own search. Water the fills reached already is not filled again.
    for (const Seed& seed : kWaterSeeds) {
      const MapPoint p = geometry.LambertXY(seed.lon, seed.lat);
      const int x = geometry.HMGraphPosX(p.x);
      const int y = geometry.HMGraphPosY(p.y);
      if (canvasM.Pixel(x, y) == style.landColor) FloodFillAt(canvasM, style.oceanColor, x, y);
    }
  }

  if (style.withGrat) {
    DrawGraticule(canvasM, geometry, style.mshColor, style.gLineW, style.mapsType);
    DrawGraticuleLabels(canvasM, geometry, style);
  }
  if (const auto bar = ScaleBarOf(canvasM, style, geometry)) {
    DrawScaleBar(canvasM, *bar, style.mLineW, style.oceanColor);
  }

  SetLayerPen(canvasM, platform::kBlack, 1, PenStyle::Solid, PenMode::Copy);
  if (style.mapsType == 3) {
    MoveToXY(canvasM, l.profRight, l.weBase);
    LineToXY(canvasM, l.profLeft, l.weBase);
    LineToXY(canvasM, l.profLeft, l.weBase - l.profHeight);
    MoveToXY(canvasM, l.profRight, l.snBase);
    LineToXY(canvasM, l.profLeft, l.snBase);
    LineToXY(canvasM, l.profLeft, l.snBase - l.profHeight);
  }
  if (style.isMapFrame) {
    SetLayerPen(canvasM, platform::kBlack, 1, PenStyle::Solid, PenMode::Copy);
    const int w = canvasM.Width();
    const int h = canvasM.Height();
    canvasM.MoveTo(0, 0);
    canvasM.LineTo(w - 1, 0);
    canvasM.LineTo(w - 1, h - 1);
    canvasM.LineTo(0, h - 1);
    canvasM.LineTo(0, 0);
  }
  return sections;
}

}  // namespace conic
