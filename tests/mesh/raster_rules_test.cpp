#include "mesh/raster_rules.h"

#include <gtest/gtest.h>

TEST(RasterRules, WarningAndSizeCheck) {
  EXPECT_EQ(RasterRectWarning({1, -1, -1, 1}), "");
  EXPECT_EQ(RasterRectWarning({1, 1, -1, 1}), "INVALID");
  EXPECT_EQ(RasterRectWarning({1, -1, 2, 1}), "INVALID");

  EXPECT_TRUE(RasterSizeMatches(241ull * 241 * 2, 241, 241));
  EXPECT_FALSE(RasterSizeMatches(241ull * 241 * 2 + 1, 241, 241));
  EXPECT_FALSE(RasterSizeMatches(241ull * 241 * 2 - 1, 241, 241));
  EXPECT_FALSE(RasterSizeMatches(0, 1, 1));
  // Exact in 64 bits at the fields' largest values: no wrap to a small size.
  EXPECT_TRUE(RasterSizeMatches(8000000000000000000ull, 2000000000, 2000000000));
  EXPECT_FALSE(RasterSizeMatches(0, 2000000000, 2000000000));
}

TEST(RasterRules, BandRules) {
  TTBandFlags ticked{true, true, true, true}, enabled;
  // Two degrees high: both north and south would leave nothing; one stays.
  ApplyRasterBandRules({46, 44, -122, -119}, ticked, enabled);
  EXPECT_EQ(enabled, (TTBandFlags{true, true, true, true}));
  EXPECT_FALSE(ticked.North);
  EXPECT_FALSE(ticked.South);
  EXPECT_TRUE(ticked.West);  // three degrees wide: two bands leave one
  EXPECT_TRUE(ticked.East);

  ticked = {true, false, false, false};
  ApplyRasterBandRules({46, 44, -122, -120}, ticked, enabled);
  EXPECT_TRUE(ticked.North);

  // One degree high: north and south cleared and disabled.
  ticked = {true, true, true, false};
  ApplyRasterBandRules({46, 45, -122, -120}, ticked, enabled);
  EXPECT_EQ(enabled, (TTBandFlags{false, false, true, true}));
  EXPECT_EQ(ticked, (TTBandFlags{false, false, true, false}));

  // Not a rectangle: all cleared and disabled.
  ticked = {true, true, true, true};
  ApplyRasterBandRules({45, 45, -122, -120}, ticked, enabled);
  EXPECT_EQ(enabled, TTBandFlags{});
  EXPECT_EQ(ticked, TTBandFlags{});
}
