#include "core/edit/undo_list.h"
#include "core/edit/mesh_edit.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/mesh_helpers.h"

namespace {

void Paint(TTMesh& m, const TCellRect& r, int16_t v) { FillRect(m, r, v, 3); }

TEST(UndoList, LimitAndFit) {
  TTMesh m;
  MakeMesh(m, 10, 10, 0, -32768);
  TTUndoList u(m);
  // Limit 0: nothing.
  EXPECT_FALSE(u.Fits(TCellRect{0, 0, 0, 0}) || u.Push(TCellRect{0, 0, 0, 0}) || u.Undo());
  u.SetLimit(1);  // 2^20 bytes = 524288 cells
  EXPECT_TRUE(u.Fits(TCellRect{0, 1023, 0, 511}) && !u.Fits(TCellRect{0, 1023, 0, 512}));
  EXPECT_FALSE(u.Push(TCellRect{5, 10, 0, 0}) || u.Count());  // outside the grid
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
  EXPECT_TRUE(u.Allocated() == 2 * (25 + 25) && u.Undo() && CopySamples(m) == afterA);
  EXPECT_FALSE(u.Undo());  // the last one: restored, none remains
  EXPECT_TRUE(CopySamples(m) == original && u.Allocated() == 2 * (25 + 25));  // now held for Redo
  EXPECT_TRUE(u.Redo() && CopySamples(m) == afterA);
  // After A again: a new edit ends the redo list.
  ASSERT_TRUE(u.Push(TCellRect{0, 0, 0, 0}));
  EXPECT_EQ(std::tuple(u.RedoCount(), u.Allocated()), std::tuple(0, 2 * (25 + 1)));
}

// 75 pushes of varying sizes: the ring drops the oldest from the 65th on;
// undoing all that is held and redoing it brings back the samples and states.
TEST(UndoList, SixtyFifthPushDropsTheOldestAndTheRingWraps) {
  TTMesh m;
  MakeMesh(m, 200, 1, 0, -32768);
  TTUndoList u(m);
  u.SetLimit(1);
  auto rectOf = [](int k) { return TCellRect{k, k + k % 3, 0, 0}; };
  int64_t bytes = 0;
  std::vector<int16_t> beforePush11;
  std::vector<uint64_t> states{u.State()};
  for (int k = 0; k < 75; ++k) {
    if (k == 11) beforePush11 = CopySamples(m);
    if (k == 64) {
      EXPECT_EQ(u.Allocated(), bytes);
      ASSERT_TRUE(u.Push(rectOf(64)));  // drops push 0 (2 bytes), adds 4
      EXPECT_EQ(std::tuple(u.Count(), u.Allocated(), u.Tail()), std::tuple(64, bytes + 2, 1));
    } else {
      ASSERT_TRUE(u.Push(rectOf(k)));
      bytes += 2 * (k % 3 + 1);
    }
    Paint(m, rectOf(k), int16_t(1000 + k)), states.push_back(u.State());
  }
  const auto full = CopySamples(m);
  EXPECT_EQ(std::tuple(u.Tail(), u.Head()), std::tuple(11, 11));
  int undone = 0;
  for (; u.Count() > 0; ++undone) u.Undo();
  EXPECT_TRUE(undone == 64 && CopySamples(m) == beforePush11);  // what the oldest held snapshot saw
  EXPECT_EQ(std::tuple(u.State(), u.RedoCount()), std::tuple(states[11], 64));
  while (u.Redo()) {
  }
  EXPECT_EQ(std::tuple(CopySamples(m), u.State(), u.Redo()),  // nothing more to redo
            std::tuple(full, states.back(), false));
}

TEST(UndoList, ByteLimitDropsOldestUntilTheNewOneFits) {
  TTMesh m;
  MakeMesh(m, 1024, 1024, 0, -32768);
  TTUndoList u(m);
  u.SetLimit(2);
  const TCellRect quarter{0, 1023, 0, 255};  // 512 KiB
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(u.Push(quarter));
  ASSERT_TRUE(u.Push(TCellRect{0, 0, 0, 0}));
  EXPECT_EQ(std::tuple(u.Count(), u.Allocated()), std::tuple(4, 3 * 524288 + 2));
  ASSERT_TRUE(u.Push(m.GridRect) && u.Count() == 1);  // the whole limit: all older ones go
  u.SetLimit(1);                                      // takes effect at the next push
  EXPECT_EQ(u.Allocated(), 2 << 20);
  EXPECT_TRUE(u.Push(quarter) && u.Allocated() == 524288);
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
  EXPECT_FALSE(u.Push(TCellRect{0, 99, 0, 99}));  // ring full: would drop first
  EXPECT_EQ(std::tuple(u.Count(), u.Allocated()), std::tuple(64, allocated));
  u.AllocGate = nullptr;
  EXPECT_TRUE(u.Undo() && m.GetCell(50, 0) == 0);
}

}  // namespace
