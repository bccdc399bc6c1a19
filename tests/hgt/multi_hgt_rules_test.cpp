#include <gtest/gtest.h>

#include "hgt/multi_hgt.h"
#include "mesh/mesh.h"

TEST(MultiHgtRules, CloseCheck) {
  EXPECT_EQ(CheckMultiHGTClose({1, 1, -1, 1}, {}).Message, "Invalid rectangle.");
  EXPECT_EQ(CheckMultiHGTClose({1, -1, 1, 1}, {}).Message, "Invalid rectangle.");
  EXPECT_EQ(CheckMultiHGTClose({47, 45, -124, -121}, {true, true, true, true}).Message, "");
  // Bands beyond the poles or the date line, tested north, south, west, east.
  auto c = CheckMultiHGTClose({90, -90, -180, 180}, {true, true, true, true});
  EXPECT_EQ(c.Message, "Invalid extra band.");
  EXPECT_EQ(c.Untick, (TTBandFlags{true, false, false, false}));
  c = CheckMultiHGTClose({90, -90, -180, 180}, {false, true, true, true});
  EXPECT_EQ(c.Untick, (TTBandFlags{false, true, false, false}));
  c = CheckMultiHGTClose({90, -90, -180, 180}, {false, false, true, true});
  EXPECT_EQ(c.Untick, (TTBandFlags{false, false, true, false}));
  c = CheckMultiHGTClose({90, -90, -180, 180}, {false, false, false, true});
  EXPECT_EQ(c.Untick, (TTBandFlags{false, false, false, true}));
  EXPECT_EQ(CheckMultiHGTClose({90, -90, -180, 180}, {}).Message, "");
}

TEST(MultiHgtRules, BandsExtendTheRectangleAndSetWidths) {
  TTDegreeRect r = ExtendByBands({46, 45, -123, -122}, {true, true, true, true});
  EXPECT_EQ(r.MaxLat, 47);
  EXPECT_EQ(r.MinLat, 44);
  EXPECT_EQ(r.MinLon, -124);
  EXPECT_EQ(r.MaxLon, -121);
  // Sides given the wrong way round are put in order first.
  r = ExtendByBands({45, 46, -122, -123}, {true, false, false, false});
  EXPECT_EQ(r.MaxLat, 47);
  EXPECT_EQ(r.MinLat, 45);

  TTMesh m;
  SetTileBandWidths(m, 2, {true, true, true, true});
  EXPECT_EQ(m.AdjoNorth, 1201);
  EXPECT_EQ(m.AdjoSouth, 1200);
  EXPECT_EQ(m.AdjoWest, 1200);
  EXPECT_EQ(m.AdjoEast, 1201);
  SetTileBandWidths(m, 1, {false, true, false, true});
  EXPECT_EQ(m.AdjoNorth, 0);
  EXPECT_EQ(m.AdjoSouth, 3600);
  EXPECT_EQ(m.AdjoWest, 0);
  EXPECT_EQ(m.AdjoEast, 3601);
}
