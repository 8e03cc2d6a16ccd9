#include "conic/Geometry.h"

#include <cmath>
#include <numbers>

#include "core/Rounding.h"

namespace conic {

namespace {
constexpr double kDeg = std::numbers::pi / 180.0;
}  // namespace

double Geometry::HalfColatitude(double lat) {
  return (std::numbers::pi / 2 - lat * kDeg) / 2;
}

void Geometry::InitLambert() {
  const double phi1 = m_region.southLat * kDeg;
  const double phi2 = m_region.northLat * kDeg;
  const double t1 = HalfColatitude(m_region.southLat);
  const double t2 = HalfColatitude(m_region.northLat);
  m_coneN = (std::log(std::cos(phi1)) - std::log(std::cos(phi2))) /
            (std::log(std::tan(t1)) - std::log(std::tan(t2)));
  m_coneRF = std::cos(phi1) * (kEarthRadius / m_coneN) * std::pow(std::tan(t1), -m_coneN);
  m_rho0 = m_coneRF * std::pow(std::tan(t1), m_coneN);
}

MapPoint Geometry::LambertXY(double lon, double lat) const {
  const double rho = m_coneRF * std::pow(std::tan(HalfColatitude(lat)), m_coneN);
  const double theta = m_coneN * (lon - m_region.centralLon) * kDeg;
  const double theta0 = m_coneN * (m_region.westLon - m_region.centralLon) * kDeg;
  return {m_region.westLon + (rho * std::sin(theta) - m_rho0 * std::sin(theta0)),
          m_region.southLat + (m_rho0 * std::cos(theta0) - rho * std::cos(theta))};
}

int Geometry::HMGraphPosX(double vx) const {
  return core::RoundHalfEven((vx - m_region.westLon) * m_layout.hMapScale + m_layout.hMapLeft);
}

int Geometry::HMGraphPosY(double vy) const {
  return core::RoundHalfEven(m_layout.hMapBase - (vy - m_region.southLat) * m_layout.hMapScale);
}

void Geometry::ReplaceMaps(int width, int mapsType) {
  m_region = Region{};
  InitLambert();
  if (mapsType != 3) return;
  const double w = width;
  SheetLayout& l = m_layout;
  l.hMapLeft = 0.04 * w;
  l.hMapRight = 0.96 * w;
  l.hMapBase = w * kSheetRatio - 0.04 * w;
  l.legendBase = 0.474 * w;
  l.profLeft = 0.14 * w;
  l.profRight = 0.94 * w;
  l.profHeight = 0.16 * w;
  l.weBase = 0.234 * w;
  l.snBase = 0.434 * w;
  l.titleY = 0.04 * w;
  l.xMin = LambertXY(m_region.westLon, m_region.southLat).x;
  l.xMax = LambertXY(m_region.eastLon, m_region.southLat).x;
  const double northEast = LambertXY(m_region.eastLon, m_region.northLat).x;
  if (northEast > l.xMax) l.xMax = northEast;
  l.hMapScale = (l.hMapRight - l.hMapLeft) / (l.xMax - l.xMin);
  l.lonScale = (l.profRight - l.profLeft) / (m_region.eastLon - m_region.westLon);
  l.latScale = (l.profRight - l.profLeft) / (m_region.northLat - m_region.southLat);
  l.altScale = l.profHeight / (m_region.altMin - m_region.altMax);
}

}  // namespace conic
