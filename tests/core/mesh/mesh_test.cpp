#include "core/mesh/mesh.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/mesh_helpers.h"

// The fast loop against the plain one: update_stats_reference_test.cpp.
TEST(MeshStats, EdgeCases) {
  TTMesh m;
  m.UpdateStats();  // no samples: nothing happens
  EXPECT_FALSE(m.HasVoids());

  MakeMesh(m, 3, 2, {-32768, -32768, -32768, -32768, -32768, -32768});
  m.VoidValue = -32768;
  EXPECT_TRUE(m.HasVoids());
  m.UpdateStats();
  EXPECT_EQ(std::tuple(m.MaxElev, m.MinElev, m.VoidCount), std::tuple(-32768, -32768, 6));

  m.SetCell(2, 1, 17);  // a single non-void sample is both extremes
  m.UpdateStats();
  EXPECT_EQ(std::tuple(m.MaxElev, m.MinElev, m.VoidCount), std::tuple(17, 17, 5));
  m.VoidValue = 0;  // other void values: the reference test
  EXPECT_FALSE(m.HasVoids());
  m.VoidValue = 17;  // the only void in the last row
  EXPECT_TRUE(m.HasVoids());

  TTMesh again;
  MakeMesh(again, 1, 1, {4});
  EXPECT_FALSE(again.AllocSamples(2, 2));  // keeps the old samples
  EXPECT_EQ(CopySamples(again), std::vector<int16_t>{4});
}
