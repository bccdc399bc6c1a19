#include "core/view/cursor_readout.h"

#include <gtest/gtest.h>

#include "core/mesh/mesh.h"
#include "support/mesh_helpers.h"

namespace {
void Tile(TTMesh& m, int32_t n, float minLat, float minLon, double perDeg) {
  MakeMesh(m, n, n, 0, -32768);
  m.MinLat = minLat, m.MaxLat = minLat + 1, m.MinLon = minLon, m.MaxLon = minLon + 1;
  m.RowsPerDeg = m.ColsPerDeg = perDeg;
}
}  // namespace

TEST(CursorReadout, BothFormatsVoidsAndMissingDensity) {
  TTMesh m;
  Tile(m, 1201, 47, -123, 1200), m.SetCell(300, 600, 123);
  EXPECT_EQ(CursorReadout(m, 300, 600, 1),
            "(X,Y) = (300) (600)  (Lat./Lon.) = (N 47\u00B0 30'. 00) (W 122\u00B0 45'. 00)  "
            "Elevation = 123 m = 403.5 ft");
  EXPECT_EQ(CursorReadout(m, 300, 600, 2),
            "(X,Y) = (300) (600)  (Lat./Lon.) = (+47.5000) (-122.7500)   Elevation = 123 m = "
            "403.5 ft");
  m.SetCell(300, 600, -32768);
  EXPECT_EQ(CursorReadout(m, 300, 600, 1),
            "(X,Y) = (300) (600)  (Lat./Lon.) = (N 47\u00B0 30'. 00) (W 122\u00B0 45'. 00)  "
            "Elevation = -32768 m = -107506.6 ft  (void)");
  m.RowsPerDeg = 0;  // no density: no position
  m.SetCell(3, 4, -5);
  EXPECT_EQ(CursorReadout(m, 3, 4, 1), "(X,Y) = (3) (4)   Elevation = -5 m = -16.4 ft");
  TTMesh s;  // degrees below ten keep two digits, longitudes three; 0 is north and east
  Tile(s, 1201, -1, 0, 1200);
  EXPECT_EQ(CursorReadout(s, 0, 1199, 1),
            "(X,Y) = (0) (1199)  (Lat./Lon.) = (S 00\u00B0 59'. 95) (E 000\u00B0 00'. 00)  "
            "Elevation = 0 m = 0.0 ft");
  EXPECT_EQ(CursorReadout(s, 0, 0, 2),
            "(X,Y) = (0) (0)  (Lat./Lon.) = (+0.0000) (+0.0000)   Elevation = 0 m = 0.0 ft");
}

TEST(CursorReadout, SelectionSizeInCellsAndKilometres) {
  TTMesh m;
  Tile(m, 1201, 60, 10, 1200);
  // East-west shrinks with the cosine of the rectangle's own middle latitude.
  EXPECT_EQ(SelectionSizeText(m, m.GridRect), "Selection 1201 x 1201 cells, 54.8 x 111.3 km");
  EXPECT_EQ(SelectionSizeText(m, TCellRect{0, 599, 0, 9}),
            "Selection 600 x 10 cells, 27.0 x 0.9 km");
  m.RowsPerDeg = m.ColsPerDeg = 1;  // a cell a degree: taken at its middle latitude
  EXPECT_EQ(SelectionSizeText(m, TCellRect{0, 0, 0, 0}), "Selection 1 x 1 cells, 54.8 x 111.2 km");
  m.RowsPerDeg = 0;
  EXPECT_EQ(SelectionSizeText(m, TCellRect{2, 4, 0, 0}), "Selection 3 x 1 cells");
}
