#include <gtest/gtest.h>

#include "core/mesh/mesh.h"
#include "core/tiles/multi_hgt.h"

namespace {
std::vector<int> Sides(const TTDegreeRect& r) { return {r.MaxLat, r.MinLat, r.MinLon, r.MaxLon}; }
std::vector<int32_t> Bands(const TTMesh& m) {
  return {m.AdjoNorth, m.AdjoSouth, m.AdjoWest, m.AdjoEast};
}
}  // namespace

TEST(MultiHgtRules, CloseCheck) {
  EXPECT_EQ(CheckMultiHGTClose({1, 1, -1, 1}, {}).Message, "Invalid rectangle.");
  EXPECT_EQ(CheckMultiHGTClose({1, -1, 1, 1}, {}).Message, "Invalid rectangle.");
  EXPECT_EQ(CheckMultiHGTClose({89, -89, -179, 179}, {true, true, true, true}).Message, "");
  // Bands beyond the poles or the date line, tested north, south, west, east:
  // with side i and those after it ticked, side i alone is unticked.
  for (int i = 0; i < 4; ++i) {
    const auto c = CheckMultiHGTClose({90, -90, -180, 180}, {i <= 0, i <= 1, i <= 2, true});
    EXPECT_EQ(c.Message, "Invalid extra band.");
    EXPECT_EQ(c.Untick, (TTBandFlags{i == 0, i == 1, i == 2, i == 3})) << i;
  }
  EXPECT_EQ(CheckMultiHGTClose({90, -90, -180, 180}, {}).Message, "");
  // The dialog's counts, in black when valid: tiles down and across, then with the bands.
  const TTTileCounts n = TileCountTexts({47, 45, -124, -121}, {true, false, false, true});
  EXPECT_EQ(std::tuple(n.Valid, n.Base, n.Total), std::tuple(true, "2 x 3  tiles", "3 x 4  tiles"));
  EXPECT_EQ(LatLabelText(0) + LatLabelText(-9) + LonLabelText(0) + LonLabelText(-122),
            "00 N09 S000 E122 W");  // the equator and the prime meridian count north and east
}

TEST(MultiHgtRules, BandsExtendTheRectangleAndSetWidths) {
  EXPECT_EQ(Sides(ExtendByBands({46, 45, -123, -122}, {true, true, true, true})),
            (std::vector<int>{47, 44, -124, -121}));
  // Sides given the wrong way round are put in order first.
  EXPECT_EQ(Sides(ExtendByBands({45, 46, -122, -123}, {true, false, false, false})),
            (std::vector<int>{47, 45, -123, -122}));

  TTMesh m;
  SetTileBandWidths(m, 2, {true, true, true, true});
  EXPECT_EQ(Bands(m), (std::vector<int32_t>{1201, 1200, 1200, 1201}));
  SetTileBandWidths(m, 1, {false, true, false, true});
  EXPECT_EQ(Bands(m), (std::vector<int32_t>{0, 3600, 0, 3601}));
}
