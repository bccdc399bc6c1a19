#include "core/mesh/mesh.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(m.MaxElev, -32768);
  EXPECT_EQ(m.MinElev, -32768);
  EXPECT_EQ(m.VoidCount, 6);

  m.SetCell(2, 1, 17);  // a single non-void sample is both extremes
  m.UpdateStats();
  EXPECT_EQ(m.MaxElev, 17);
  EXPECT_EQ(m.MinElev, 17);
  EXPECT_EQ(m.VoidCount, 5);

  TTMesh s;  // signed comparison, and a void value that is not -32768
  MakeMesh(s, 4, 1, {-5, 3, 32767, -32768});
  s.VoidValue = 32767;
  s.UpdateStats();
  EXPECT_EQ(s.MaxElev, 3);
  EXPECT_EQ(s.MinElev, -32768);
  EXPECT_EQ(s.VoidCount, 1);
  EXPECT_TRUE(s.HasVoids());
  s.VoidValue = 0;
  EXPECT_FALSE(s.HasVoids());

  TTMesh again;
  MakeMesh(again, 1, 1, {4});
  EXPECT_FALSE(again.AllocSamples(2, 2));  // keeps the old samples
  EXPECT_EQ(again.Samples.Size(), 1);
  EXPECT_EQ(again.GetCell(0, 0), 4);
}
