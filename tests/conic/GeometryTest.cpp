#include <gtest/gtest.h>

#include "conic/Geometry.h"

namespace conic {
namespace {

TEST(Geometry, ProjectionConstantsOfTheFixedRegion) {
  const Geometry g;
  EXPECT_NEAR(g.ConeN(), 0.5771683, 1e-7);
  EXPECT_NEAR(g.ConeRF(), 1293.732, 1e-3);
  EXPECT_NEAR(g.Rho0(), 1008.406, 1e-3);
}

TEST(Geometry, ProjectsTheWorkedPoints) {
  Geometry g;
  g.ReplaceMaps(800, 3);
  const SheetLayout& l = g.Layout();
  EXPECT_NEAR(l.hMapScale, 2.69181, 1e-5);
  EXPECT_DOUBLE_EQ(l.hMapBase, 1099.2);
  EXPECT_NEAR(l.xMax - l.xMin, 273.422, 1e-3);
  EXPECT_NEAR(l.lonScale, 23.7037, 1e-4);
  EXPECT_NEAR(l.latScale, 29.0909, 1e-4);
  EXPECT_NEAR(l.altScale, -0.0336842, 1e-7);

  const struct {
    double lon, lat, px, py;
  } points[] = {{149, 46, 676.6, 451.6}, {135, 24, 386.5, 1122.4}};
  for (const auto& p : points) {
    const MapPoint m = g.LambertXY(p.lon, p.lat);
    EXPECT_NEAR((m.x - 122) * l.hMapScale + l.hMapLeft, p.px, 0.1) << p.lon;
    EXPECT_NEAR(l.hMapBase - (m.y - 24) * l.hMapScale, p.py, 0.1) << p.lon;
  }
  // The reference point projects exactly onto itself, and onto the rounded anchors.
  const MapPoint ref = g.LambertXY(122, 24);
  EXPECT_NEAR(ref.x, 122, 1e-12);
  EXPECT_NEAR(ref.y, 24, 1e-12);
  EXPECT_EQ(g.HMGraphPosX(ref.x), 32);
  EXPECT_EQ(g.HMGraphPosY(ref.y), 1099);
  // Along the central meridian X is the same at every latitude; the north-east corner
  // lies west of the south-east one.
  for (double lat : {24.0, 35.0, 46.0})
    EXPECT_NEAR(g.LambertXY(135, lat).x - 122, 131.68, 0.01);
  EXPECT_NEAR(g.LambertXY(149, 46).x - 122, 239.460, 1e-3);
}

TEST(Geometry, A6SouthEdgeStaysOnTheLayerAndOtherTypesKeepTheLayout) {
  Geometry g;
  g.ReplaceMaps(1240, 3);
  const MapPoint south = g.LambertXY(135, 24);
  EXPECT_NEAR(g.Layout().hMapBase - (south.y - 24) * g.Layout().hMapScale, 1739.8, 0.1);
  const SheetLayout before = g.Layout();
  g.ReplaceMaps(800, 1);
  EXPECT_DOUBLE_EQ(g.Layout().hMapScale, before.hMapScale);
  Geometry fresh;
  fresh.ReplaceMaps(800, 2);
  EXPECT_EQ(fresh.Layout().hMapScale, 0.0);
}

}  // namespace
}  // namespace conic
