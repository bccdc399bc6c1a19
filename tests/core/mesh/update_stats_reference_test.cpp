// The statistics' packed loops, of UpdateStats and the loaders, against a plain loop.

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "core/mesh/mesh.h"
#include "core/mesh/sample_stats.h"
#include "support/mesh_helpers.h"

TEST(UpdateStatsReference, MatchesPlainLoopOnRandomMeshes) {
  std::mt19937 rng(99);
  for (int iter = 0; iter < 60; ++iter) {
    // Now and then rows wider than the packed loop's 16-bit inner counter,
    // starting with 65,536 or more voids in a row, which must not wrap it.
    const bool wide = iter % 20 == 0;
    const int32_t cols = wide ? 70000 : 1 + int32_t(rng() % 300);
    const int32_t rows = wide ? 3 : 1 + int32_t(rng() % 40);
    const int16_t voidValue = iter % 3 == 0 ? int16_t(-32768) : int16_t(int(rng() % 200) - 100);
    TTMesh m;
    MakeMesh(m, cols, rows, 0, voidValue);
    const int voidShare = int(rng() % 101);  // percent, 100 gives an all-void mesh
    const int16_t extremes[] = {32767, -32767, -32768};
    int16_t lo = 32767, hi = -32768;
    int64_t voids = 0;
    for (int64_t i = 0; i < int64_t(cols) * rows; ++i) {
      const unsigned k = rng() % 8;
      const bool run = wide && i < 65536 + iter / 20;
      const int16_t s = run || int(rng() % 100) < voidShare ? voidValue
                        : k < 3                             ? extremes[k]
                                                            : int16_t(int(rng() % 60000) - 30000);
      m.Samples[i] = s, voids += s == voidValue;
      if (s != voidValue) lo = std::min(lo, s), hi = std::max(hi, s);
    }
    if (voids == int64_t(cols) * rows) lo = hi = voidValue;
    m.UpdateStats();
    EXPECT_EQ(std::tuple(m.MinElev, m.MaxElev, m.VoidCount), std::tuple(lo, hi, voids)) << iter;
    // The loaders' count of big-endian bytes (the last sample apart), merged into an empty one.
    const int64_t n = int64_t(cols) * rows;
    const std::vector<unsigned char> be = BigEndianBytes(CopySamples(m));
    TTSampleStats st, merged;
    st.AddBigEndian(be.data(), m.Samples.Data(), n - 1, voidValue);
    st.AddBigEndian(be.data() + 2 * (n - 1), m.Samples.Data() + n - 1, 1, voidValue);
    merged.Merge(st), merged.StoreInto(m, n);
    EXPECT_EQ(std::tuple(m.MinElev, m.MaxElev, m.VoidCount), std::tuple(lo, hi, voids)) << iter;
  }
}
