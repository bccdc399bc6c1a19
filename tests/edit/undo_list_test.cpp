#include "edit/undo_list.h"

#include <gtest/gtest.h>

#include "edit_test_util.h"

namespace {

// Writes `v` over the rectangle (what an edit would do after its snapshot).
void Paint(TTMesh& m, const TCellRect& r, int16_t v) { m.FillRect(r, v, 3); }

TEST(UndoList, LimitZeroFitsNothingAndExactFitBoundary) {
  TTMesh m;
  MakeMesh(m, 10, 10, 0, -32768);
  TTUndoList u(m);
  EXPECT_FALSE(u.Fits(TCellRect{0, 0, 0, 0}));
  EXPECT_FALSE(u.Push(TCellRect{0, 0, 0, 0}));
  EXPECT_EQ(u.Count(), 0);
  u.SetLimit(1);  // 2^20 bytes = 524288 cells
  EXPECT_EQ(u.Limit(), 1 << 20);
  EXPECT_TRUE(u.Fits(TCellRect{0, 524287, 0, 0}));
  EXPECT_FALSE(u.Fits(TCellRect{0, 524288, 0, 0}));
  EXPECT_TRUE(u.Fits(TCellRect{0, 1023, 0, 511}));
  EXPECT_FALSE(u.Fits(TCellRect{0, 1023, 0, 512}));
  EXPECT_FALSE(u.Undo());                        // nothing recorded
  EXPECT_FALSE(u.Push(TCellRect{5, 10, 0, 0}));  // reaches outside the grid
  EXPECT_FALSE(u.Push(TCellRect{3, 2, 0, 0}));   // empty
  EXPECT_EQ(u.Count(), 0);
  EXPECT_EQ(u.Allocated(), 0);
}

TEST(UndoList, OverlappingEditsUndoNewestFirst) {
  TTMesh m;
  MakeMesh(m, 8, 8, 0, -32768);
  for (int i = 0; i < 64; ++i) m.Samples[i] = int16_t(i);
  auto original = CopySamples(m);
  TTUndoList u(m);
  u.SetLimit(1);
  TCellRect a{0, 4, 0, 4}, b{3, 7, 2, 6};
  ASSERT_TRUE(u.Push(a));
  Paint(m, a, 100);
  auto afterA = CopySamples(m);
  ASSERT_TRUE(u.Push(b));
  Paint(m, b, 200);
  EXPECT_EQ(u.Allocated(), 2 * (25 + 25));
  EXPECT_TRUE(u.Undo());  // B's cells back, A's edit still there
  EXPECT_EQ(CopySamples(m), afterA);
  EXPECT_FALSE(u.Undo());  // the last one: restored, nothing remains
  EXPECT_EQ(CopySamples(m), original);
  EXPECT_EQ(u.Count(), 0);
  EXPECT_EQ(u.Allocated(), 0);
  EXPECT_FALSE(u.Undo());
  EXPECT_EQ(CopySamples(m), original);
}

TEST(UndoList, RingDropsOldestAtSixtyFifthPushAndWraps) {
  TTMesh m;
  MakeMesh(m, 200, 1, 0, -32768);
  TTUndoList u(m);
  u.SetLimit(1);
  // Push k records cells k .. k + k % 3 (varying sizes show the accounting).
  auto rectOf = [](int k) { return TCellRect{k, k + k % 3, 0, 0}; };
  int64_t expectBytes = 0;
  std::vector<int16_t> beforePush11;
  for (int k = 0; k < 64; ++k) {
    if (k == 11) beforePush11 = CopySamples(m);
    ASSERT_TRUE(u.Push(rectOf(k)));
    expectBytes += 2 * (k % 3 + 1);
    Paint(m, rectOf(k), int16_t(1000 + k));
  }
  EXPECT_EQ(u.Count(), 64);
  EXPECT_EQ(u.Head(), 0);
  EXPECT_EQ(u.Tail(), 0);
  EXPECT_EQ(u.Allocated(), expectBytes);
  // The 65th drops the oldest (push 0, 2 bytes) before adding its own.
  ASSERT_TRUE(u.Push(rectOf(64)));
  expectBytes += -2 + 2 * (64 % 3 + 1);
  EXPECT_EQ(u.Count(), 64);
  EXPECT_EQ(u.Tail(), 1);
  EXPECT_EQ(u.Head(), 1);
  EXPECT_EQ(u.Allocated(), expectBytes);
  Paint(m, rectOf(64), 2000);
  // Ten more pushes wrap both ends further.
  for (int k = 65; k < 75; ++k) {
    ASSERT_TRUE(u.Push(rectOf(k)));
    Paint(m, rectOf(k), int16_t(1000 + k));
  }
  EXPECT_EQ(u.Tail(), 11);
  EXPECT_EQ(u.Head(), 11);
  // Undo everything held: 64 snapshots, pushes 74 down to 11, in that order.
  int undone = 0;
  while (u.Count() > 0) {
    u.Undo();
    ++undone;
  }
  EXPECT_EQ(undone, 64);
  EXPECT_EQ(u.Allocated(), 0);
  // Back to what the oldest held snapshot (push 11) saw.
  EXPECT_EQ(CopySamples(m), beforePush11);
  EXPECT_EQ(m.GetCell(11, 0), 1010);  // push 10 had written it
}

TEST(UndoList, ByteLimitDropsOldestUntilTheNewOneFits) {
  TTMesh m;
  MakeMesh(m, 1024, 1024, 0, -32768);
  TTUndoList u(m);
  u.SetLimit(2);                       // 1048576 cells
  TCellRect quarter{0, 1023, 0, 255};  // 262144 cells, 512 KiB
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(u.Push(quarter));
  EXPECT_EQ(u.Allocated(), 2 << 20);
  ASSERT_TRUE(u.Push(TCellRect{0, 0, 0, 0}));  // one cell more: the oldest goes
  EXPECT_EQ(u.Count(), 4);
  EXPECT_EQ(u.Allocated(), 3 * 524288 + 2);
  ASSERT_TRUE(u.Push(m.GridRect));
  EXPECT_EQ(u.Count(), 1);  // the whole limit: every older snapshot dropped
  EXPECT_EQ(u.Allocated(), 2 << 20);
  // A lower limit takes effect at the next push only.
  u.SetLimit(1);
  EXPECT_EQ(u.Allocated(), 2 << 20);
  ASSERT_TRUE(u.Push(quarter));
  EXPECT_EQ(u.Count(), 1);
  EXPECT_EQ(u.Allocated(), 524288);
}

TEST(UndoList, FailedAllocationKeepsTheListIntact) {
  TTMesh m;
  MakeMesh(m, 100, 100, 0, -32768);
  TTUndoList u(m);
  u.SetLimit(1);
  for (int i = 0; i < 64; ++i) ASSERT_TRUE(u.Push(TCellRect{0, 99, 0, 0}));
  Paint(m, TCellRect{0, 99, 0, 0}, 5);
  const int64_t allocated = u.Allocated();
  u.AllocGate = [](int64_t) { return false; };
  // Would need to drop the oldest twice (ring full, and bytes); must not.
  EXPECT_FALSE(u.Push(TCellRect{0, 99, 0, 99}));
  EXPECT_EQ(u.Count(), 64);
  EXPECT_EQ(u.Allocated(), allocated);
  EXPECT_EQ(u.Tail(), 0);
  u.AllocGate = nullptr;
  EXPECT_TRUE(u.Undo());
  EXPECT_EQ(m.GetCell(50, 0), 0);
}

}  // namespace
