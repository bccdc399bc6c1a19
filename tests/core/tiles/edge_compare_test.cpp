#include "core/tiles/edge_compare.h"

#include <gtest/gtest.h>

#include "core/mesh/mesh.h"

namespace {
void Fill(TTMesh& m, int16_t v) {
  for (int32_t y = 0; y < m.Rows; ++y)
    for (int32_t x = 0; x < m.Cols; ++x) m.SetCell(x, y, v);
}
}  // namespace

TEST(EdgeCompare, Messages) {
  TTMesh a, b;
  ASSERT_TRUE(PrepareEdgeTile(a) && PrepareEdgeTile(b));
  EXPECT_FALSE(PrepareEdgeTile(a));  // already holds samples
  Fill(a, 5), Fill(b, 5);
  auto m = CompareTileEdges(a, "N47W122.hgt", b, "N47W123.hgt");
  EXPECT_EQ(m.Column + " | " + m.Row,
            "N47W122.hgt left column = N47W123.hgt right column | "
            "N47W122.hgt top row = N47W123.hgt bottom row");

  // One differing sample at the far end of each edge is found.
  b.SetCell(1200, 1200, -32768), m = CompareTileEdges(a, "A", b, "B");
  EXPECT_EQ(m.Column + " | " + m.Row,
            "A left column <> B right column | A top row <> B bottom row");

  // Only the compared edges count: a change inside B's grid changes nothing.
  b.SetCell(1200, 1200, 5), b.SetCell(0, 0, 9), b.SetCell(600, 600, 9);
  m = CompareTileEdges(a, "A", b, "B");
  EXPECT_EQ(m.Column + " | " + m.Row, "A left column = B right column | A top row = B bottom row");

  // The same tile twice: its own left against right, top against bottom.
  a.SetCell(0, 17, 1), m = CompareTileEdges(a, "A", a, "A");
  EXPECT_EQ(m.Column + " | " + m.Row, "A left column <> A right column | A top row = A bottom row");
}
