#include "core/mesh/poly_raster.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

#include "core/mesh/cell_mask.h"
#include "core/mesh/poly_sel.h"

namespace {
// Plain even-odd test of the point (px, py): a ray to the right crossing
// edges under the half-open rule, in exact integer arithmetic.
bool InsideReference(const std::vector<TTCellPoint>& p, int64_t px, int64_t py) {
  bool in = false;
  for (size_t i = 0; i < p.size(); ++i) {
    TTCellPoint a = p[i], b = p[(i + 1) % p.size()];
    if ((a.Y <= py) == (b.Y <= py)) continue;
    // x of the crossing > px  <=>  (b.X - a.X)(py - a.Y) / (b.Y - a.Y) + a.X > px
    const int64_t num = int64_t(b.X - a.X) * (py - a.Y), den = b.Y - a.Y;
    const int64_t lhs = num + (int64_t(a.X) - px) * den;
    if (den > 0 ? lhs > 0 : lhs < 0) in = !in;
  }
  return in;
}

// Cells of the bounds, row by row: a plain set, not the mask's packed bits.
std::set<std::pair<int, int>> Reference(const std::vector<TTCellPoint>& p,
                                        const TCellRect& bounds) {
  std::set<std::pair<int, int>> m;
  for (int y = bounds.Top; y <= bounds.Bottom; ++y)
    for (int x = bounds.Left; x <= bounds.Right; ++x)
      if (InsideReference(p, x, y)) m.insert({x, y});
  for (size_t i = 0; i < p.size(); ++i) {
    TTCellPoint a = p[i], b = p[(i + 1) % p.size()];
    ForEachLineCell(a.X, a.Y, b.X, b.Y, [&](int64_t x, int64_t y) { m.insert({int(x), int(y)}); });
  }
  return m;
}
}  // namespace

TEST(PolyRaster, FewerThanThreeVerticesLeaveTheMaskAndTheVertexLimit) {
  TTPolySel s;
  s.AddPoint(4, 4), s.AddPoint(4, 4);
  TTCellMask m(TCellRect{0, 2, 0, 2});
  m.Set(1, 1, true), s.RenderMask(m);
  EXPECT_TRUE(m.Bounds() == (TCellRect{0, 2, 0, 2}) && m.Get(1, 1));
  s.Clear();  // at most 1024 vertices
  for (int i = 0; i < 1100; ++i) s.AddPoint(i, 2000 - i);
  EXPECT_EQ(std::tuple(s.Count, s.Bounds), std::tuple(1024, TCellRect{0, 1023, 977, 2000}));
}

TEST(PolyRaster, MatchesPlainEvenOddOnRandomPolygons) {
  std::mt19937 rng(12345);
  for (int iter = 0; iter < 300; ++iter) {
    int n = 3 + int(rng() % 12);
    // Every third one just over one or two mask words (64 cells) wide.
    const int32_t wide = iter % 3 != 0 ? 40 : iter % 2 ? 65 : 129;
    std::vector<TTCellPoint> p;
    TTPolySel s;
    TCellRect b{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN};
    for (int i = 0; i < n; ++i) {
      TTCellPoint v{i == 0   ? -5
                    : i == 1 ? wide - 6
                             : int32_t(rng() % wide) - 5,
                    int32_t(rng() % 30) + 3};
      p.push_back(v), s.AddPoint(v.X, v.Y);
      b = {std::min(b.Left, v.X), std::max(b.Right, v.X), std::min(b.Top, v.Y),
           std::max(b.Bottom, v.Y)};
    }
    TTCellMask fast;
    s.RenderMask(fast);
    ASSERT_EQ(fast.Bounds(), b);
    const auto ref = Reference(p, b);
    for (int y = b.Top - 1; y <= b.Bottom + 1; ++y)
      for (int x = b.Left - 1; x <= b.Right + 1; ++x)
        ASSERT_EQ(fast.Get(x, y), ref.count({x, y}) == 1)
            << "polygon " << iter << " cell " << x << "," << y;
  }
}
