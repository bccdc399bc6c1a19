#include <gtest/gtest.h>

#include <algorithm>

#include "core/mesh/mesh.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/tile_names.h"
#include "sample_gen.h"
#include "support/test_paths.h"

// The generated tiles are what a new user opens first and what the
// benchmarks load: they must be valid, realistic and fit together.
TEST(SampleTiles, DeterministicSharedEdgesSeaAndVoids) {
  TSampleTerrain t;
  t.CellsPerDeg = 400;  // the same terrain, sampled coarser to keep the test quick
  const int S = 401;
  std::vector<int16_t> a = SampleTile(t, 45, -123), east = SampleTile(t, 45, -122);
  std::vector<int16_t> south = SampleTile(t, 44, -123);
  EXPECT_EQ(a, SampleTile(t, 45, -123));
  for (int r = 0; r < S; ++r) ASSERT_EQ(a[r * S + S - 1], east[r * S]);
  for (int c = 0; c < S; ++c) ASSERT_EQ(a[(S - 1) * S + c], south[c]);
  std::vector<int16_t> all = a;
  all.insert(all.end(), east.begin(), east.end());
  all.insert(all.end(), south.begin(), south.end());
  auto count = [&](auto pred) { return std::count_if(all.begin(), all.end(), pred); };
  EXPECT_GT(count([](int16_t v) { return v == 0; }), 1000);
  EXPECT_GT(count([](int16_t v) { return v < 0 && v > -10; }), 10);
  EXPECT_GT(count([](int16_t v) { return v == -32768; }), 10);
  EXPECT_GT(count([](int16_t v) { return v > 1500; }), 1000);

  TTempDir dir;
  t.CellsPerDeg = 1200;
  const std::string path = WriteSampleTile(t, dir.Path(), -9, 8);
  EXPECT_EQ(path, dir.File("S09E008.hgt"));
  TTMesh m;
  ASSERT_TRUE(LoadHGT(m, {path}, 2, 1, 1, 0));
  EXPECT_EQ(m.FileName, path);  // a single tile names the mesh
  std::vector<int16_t> tile = SampleTile(t, -9, 8);
  EXPECT_TRUE(std::equal(tile.begin(), tile.end(), m.Samples.Data()));
}
