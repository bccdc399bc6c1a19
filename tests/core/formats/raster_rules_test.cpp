#include "core/formats/raster_rules.h"

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
