// UpdateStats runs as packed compares; a plain loop is the reference.

#include <gtest/gtest.h>

#include <random>

#include "mesh/mesh.h"

TEST(UpdateStatsReference, MatchesPlainLoopOnRandomMeshes) {
  std::mt19937 rng(99);
  for (int iter = 0; iter < 60; ++iter) {
    const int32_t cols = 1 + int32_t(rng() % 300), rows = 1 + int32_t(rng() % 40);
    TTMesh m;
    ASSERT_TRUE(m.AllocSamples(cols, rows));
    m.SetGridSize(cols, rows);
    const int16_t voidValue = iter % 3 == 0 ? int16_t(-32768) : int16_t(int(rng() % 200) - 100);
    m.VoidValue = voidValue;
    const int voidShare = int(rng() % 101);  // percent, 100 gives an all-void mesh
    for (int64_t i = 0; i < int64_t(cols) * rows; ++i) {
      int16_t v;
      if (int(rng() % 100) < voidShare) {
        v = voidValue;
      } else {
        switch (rng() % 8) {
          case 0:
            v = 32767;
            break;
          case 1:
            v = -32767;
            break;
          default:
            v = int16_t(int(rng() % 60000) - 30000);
        }
      }
      m.Samples[i] = v;
    }
    int16_t lo = 0, hi = 0;
    int64_t voids = 0;
    bool any = false;
    for (int64_t i = 0; i < int64_t(cols) * rows; ++i) {
      const int16_t s = m.Samples[i];
      if (s == voidValue) {
        ++voids;
      } else if (!any) {
        lo = hi = s;
        any = true;
      } else {
        lo = std::min(lo, s);
        hi = std::max(hi, s);
      }
    }
    if (!any) lo = hi = voidValue;
    m.UpdateStats();
    EXPECT_EQ(m.MinElev, lo) << iter;
    EXPECT_EQ(m.MaxElev, hi) << iter;
    EXPECT_EQ(m.VoidCount, voids) << iter;
  }
}
