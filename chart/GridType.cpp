#include "chart/GridType.h"

#include <cmath>

namespace chart {

namespace {

using platform::ChartAxis;

void MeshPens(ChartAxis& axis, std::uint32_t color) {
  axis.gridPen.color = color;
  axis.gridPen.visible = true;
  axis.gridPen.dotted = false;
  axis.minorGridPen.color = color;
}

void HideGrids(ChartAxis& axis) {
  axis.gridPen.visible = false;
  axis.minorGridPen.visible = false;
}

// Levels 1 and 2 line the profiles' altitude every 1000 m with a minor line between; a low
// cap keeps the plain 500 m lines.
void ProfileAltitude(ChartAxis& altitude, const GridInput& in) {
  switch (in.meshSize) {
    case 0:
      HideGrids(altitude);
      break;
    case 1:
    case 2:
      altitude.increment = 1000;
      altitude.minorTickCount = 1;
      altitude.minorGridPen.visible = true;
      break;
    default:
      altitude.minorTickCount = 4;
      altitude.minorGridPen.visible = true;
      break;
  }
  if (in.meshSize > 0 && in.gh2 < 2001) {
    altitude.increment = 500;
    altitude.minorGridPen.visible = false;
  }
}

// One degree-axis of a profile: `coarse` is the first-order increment (1 or 2/3), `fine`
// the second-order one, `wide` whether the range is wide enough for the coarse lines at
// level 2.
void ProfileDegrees(ChartAxis& axis, const GridInput& in, double coarse, double fine, bool wide) {
  switch (in.meshSize) {
    case 0:
      HideGrids(axis);
      break;
    case 1:
      axis.gridPen.dotted = true;
      axis.gridPen.visible = true;
      axis.minorGridPen.visible = false;
      break;
    case 2:
      if (wide) {
        axis.increment = coarse;
        axis.minorTickCount = 7;
        axis.minorGridPen.visible = true;
      } else {
        axis.increment = fine;
        axis.minorGridPen.visible = false;
      }
      break;
    default:
      axis.increment = fine;
      axis.minorTickCount = 9;
      axis.minorGridPen.visible = true;
      break;
  }
}

}  // namespace

void SetGridType(const GridAxes& axes, const GridInput& in) {
  const double width = in.gx2 - in.gx1;
  const double height = in.gy2 - in.gy1;

  ChartAxis& lon = *axes.mapLongitude;
  ChartAxis& lat = *axes.mapLatitude;
  for (ChartAxis* axis : {&lon, &lat}) {
    MeshPens(*axis, in.meshColor);
    axis->minorGridPen.dotted = true;
    axis->minorGridPen.visible = true;
    axis->labelsAtEnds = false;
  }
  lon.increment = 1;
  lat.tickLength = 3;
  switch (in.meshSize) {
    case 0:
      // Without lines the increment places only the ticks and labels: a range under a
      // degree has them at the second-order mesh, having no whole degree to show.
      lon.increment = width < 1 ? 0.125 : 1;
      lon.tickLength = 3;
      lat.increment = height < 1 ? kOneTwelfth : 1;
      HideGrids(lon);
      HideGrids(lat);
      break;
    case 1:
      lon.increment = 1;
      lat.increment = kTwoThirds;
      for (ChartAxis* axis : {&lon, &lat}) {
        axis->gridPen.dotted = true;
        axis->minorGridPen.visible = false;
      }
      break;
    case 2:
      if (height > 1.4 && width > 2) {
        lon.increment = 1;
        lat.increment = kTwoThirds;
        for (ChartAxis* axis : {&lon, &lat}) {
          axis->minorTickCount = 7;
          axis->minorGridPen.visible = true;
        }
      } else {
        lon.increment = 0.125;
        lat.increment = kOneTwelfth;
        lon.minorGridPen.visible = false;
        lat.minorGridPen.visible = false;
      }
      break;
    default:
      lon.increment = 0.125;
      lat.increment = kOneTwelfth;
      lon.minorTickCount = 9;
      lat.minorTickCount = 9;
      break;
  }

  ChartAxis& weLon = *axes.weLongitude;
  ChartAxis& weAlt = *axes.weAltitude;
  weLon.axisPen.visible = true;
  weLon.axisPen.width = 2;
  MeshPens(weLon, in.meshColor);
  weLon.increment = 1;
  weAlt.axisPen.visible = true;
  weAlt.axisPen.width = 1;
  MeshPens(weAlt, in.meshColor);
  weAlt.increment = 500;
  ProfileDegrees(weLon, in, 1, 0.125, width > 2);
  if (in.meshSize == 0 && width < 1) weLon.increment = 0.125;
  ProfileAltitude(weAlt, in);

  if (!axes.snLatitude || !axes.snAltitude) return;
  ChartAxis& snLat = *axes.snLatitude;
  ChartAxis& snAlt = *axes.snAltitude;
  snLat.visible = true;
  snLat.axisPen.width = 2;
  MeshPens(snLat, in.meshColor);
  snLat.increment = kTwoThirds;
  snAlt.visible = true;
  snAlt.axisPen.visible = true;
  snAlt.axisPen.width = 1;
  MeshPens(snAlt, in.meshColor);
  snAlt.increment = 500;
  ProfileDegrees(snLat, in, kTwoThirds, kOneTwelfth, height > 1.4);
  if (in.meshSize == 0 && height < 1) snLat.increment = kOneTwelfth;
  ProfileAltitude(snAlt, in);
}

int MeshLevelOf(double spacing, bool latitude) {
  const double first = latitude ? kTwoThirds : 1;
  for (int level = 1; level <= 3; ++level) {
    const double cell = level == 1 ? first : level == 2 ? first / 8 : first / 80;
    if (std::fabs(spacing - cell) <= cell * 1e-6) return level;
  }
  return 0;
}

}  // namespace chart
