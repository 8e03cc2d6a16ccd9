#include "conic/BaseMap.h"

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

// Draws what the map data reader hands over, section by section.
class BaseMapPainter : public core::MapDataHandler {
 public:
  BaseMapPainter(RasterLayer& layer, const BaseMapStyle& style, const Geometry& geometry)
      : m_layer(layer), m_style(style), m_geo(geometry) {}

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

void DrawBaseMap(RasterLayer& canvasM, const BaseMapStyle& style, const Geometry& geometry,
                 core::LineReader& mapFile) {
  const SheetLayout& l = geometry.Layout();
  ClearLayer(canvasM, style.landColor);

  BaseMapPainter painter(canvasM, style, geometry);
  core::ReadMapData(mapFile, core::Program::Conic, painter);

  // Every fill is bounded by the pen colour the last section left.
  FloodFillAt(canvasM, style.oceanColor, 5, 5);
  for (const Seed& seed : kOceanSeeds) {
    FloodFillLatLon(canvasM, geometry, style.oceanColor, seed.lat, seed.lon);
  }

  if (style.withGrat) {
    DrawGraticule(canvasM, geometry, style.mshColor, style.gLineW, style.mapsType);
    DrawGraticuleLabels(canvasM, geometry, style);
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
}

}  // namespace conic
