#include "chart/MapLines.h"

#include "core/MapData.h"
#include "core/TextFile.h"

namespace chart {

namespace {

// Altitudes of −1 and below mark "no previous altitude", as the start of a run does.
constexpr float kNoAltitude = -1.0f;

class MapLineHandler : public core::MapDataHandler {
 public:
  MapLineHandler(const MapLineStyle& style, platform::LineSeries& map,
                 platform::LineSeries& westEast, platform::LineSeries& southNorth)
      : m_style(style), m_map(map), m_westEast(westEast), m_southNorth(southNorth) {}

  core::SectionUse UseOf(core::MapSection section) override {
    return core::ChartSectionUse(section, m_style.horizonMap, m_style.profileMap,
                                 m_style.prefecture);
  }

  void OnSectionStart(core::MapSection section) override {
    m_previous = kNoAltitude;
    m_profile = section == core::MapSection::WEProf || section == core::MapSection::SNProf;
    m_swap = section == core::MapSection::SNProf && m_style.horizonMap;
    m_color = section == core::MapSection::GMap ? m_style.subColor : m_style.mapColor;
    m_series = section == core::MapSection::WEProf   ? &m_westEast
               : section == core::MapSection::SNProf ? &m_southNorth
                                                     : &m_map;
    m_series->maskMode = true;
    m_series->width = m_style.width;
  }

  void OnPoint(double first, double second) override {
    if (!m_profile) {
      m_series->Add(first, second, m_color);
      return;
    }
    if (m_previous > kNoAltitude) AddProfilePoint(first, m_previous);
    AddProfilePoint(first, second);
    m_previous = static_cast<float>(second);
  }

  void OnBreak() override {
    m_series->AddNull();
    m_previous = kNoAltitude;
  }

  void OnComment() override { m_series->AddNull(); }

 private:
  void AddProfilePoint(double position, double altitude) {
    if (m_swap) {
      m_series->Add(altitude, position, m_color);
    } else {
      m_series->Add(position, altitude, m_color);
    }
  }

  const MapLineStyle& m_style;
  platform::LineSeries& m_map;
  platform::LineSeries& m_westEast;
  platform::LineSeries& m_southNorth;
  platform::LineSeries* m_series = nullptr;
  std::uint32_t m_color = 0;
  bool m_profile = false;
  bool m_swap = false;
  float m_previous = kNoAltitude;
};

}  // namespace

core::SectionsRead ReadMapLines(core::LineReader& reader, const MapLineStyle& style,
                                platform::LineSeries& map, platform::LineSeries& westEast,
                                platform::LineSeries& southNorth) {
  // The map holds a few hundred thousand points at most; the series keep their room.
  for (platform::LineSeries* series : {&map, &westEast, &southNorth})
    series->Clear(series->x.capacity());
  MapLineHandler handler(style, map, westEast, southNorth);
  return core::ReadMapData(reader, core::Program::Chart, handler);
}

}  // namespace chart
