#include "edit/mesh_edit.h"

#include <gtest/gtest.h>

#include "edit_test_util.h"
#include "mesh/cell_mask.h"
#include "settings/progress.h"

namespace {

constexpr int16_t kVoid = -32768;

class TCountingProgress : public TTProgress {
 public:
  void Pump() override { ++pumps; }
  int pumps = 0;
};

// 6 x 5 mesh: values 10 * x + y, one void at (2, 2).
void MakeRamp(TTMesh& m) {
  MakeMesh(m, 6, 5, 0, kVoid);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) m.SetCell(x, y, int16_t(10 * x + y));
  m.SetCell(2, 2, kVoid);
}

TEST(MeshEdit, ChangeValueTouchesOnlyMatchingSelectedCellsAndVoidsWhenAsked) {
  TTMesh m;
  MakeMesh(m, 4, 3, 0, kVoid);
  m.SetCell(1, 1, kVoid);
  m.SetCell(3, 2, 7);
  TCountingProgress progress;
  m.ChangeValue(TCellRect{0, 2, 0, 2}, 0, 5, nullptr, &progress);
  EXPECT_EQ(progress.pumps, 3);  // once per row
  EXPECT_EQ(m.GetCell(0, 0), 5);
  EXPECT_EQ(m.GetCell(1, 1), kVoid);  // voids take no part unless named
  EXPECT_EQ(m.GetCell(3, 0), 0);      // outside the rectangle
  EXPECT_EQ(m.GetCell(3, 2), 7);
  m.ChangeValue(m.GridRect, kVoid, 0);
  EXPECT_EQ(m.GetCell(1, 1), 0);
}

TEST(MeshEdit, RestrictHeightAppliesUpperFirstAndNeverAltersVoids) {
  TTMesh m;
  MakeRamp(m);
  m.RestrictHeight(m.GridRect, 100, 50, 3);  // lower above upper: everything ends at lower
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(m.GetCell(x, y), (x == 2 && y == 2) ? kVoid : 100) << x << "," << y;

  MakeRamp(m);
  m.RestrictHeight(m.GridRect, 12, 40, 1);  // lower only
  EXPECT_EQ(m.GetCell(0, 0), 12);
  EXPECT_EQ(m.GetCell(5, 4), 54);
  EXPECT_EQ(m.GetCell(2, 2), kVoid);        // the void lies below the limit and stays
  m.RestrictHeight(m.GridRect, 12, 40, 2);  // upper only
  EXPECT_EQ(m.GetCell(5, 4), 40);
  EXPECT_EQ(m.GetCell(0, 0), 12);

  auto before = CopySamples(m);
  m.RestrictHeight(m.GridRect, 0, 0, 0);  // no limit: nothing
  EXPECT_EQ(CopySamples(m), before);
}

TEST(MeshEdit, AddVertOffsetSumsExactlyClipsAndReportsClipping) {
  TTMesh m;
  MakeMesh(m, 3, 1, 0, kVoid);
  m.SetCell(0, 0, 32700);
  m.SetCell(1, 0, -32700);
  m.SetCell(2, 0, kVoid);
  EXPECT_TRUE(m.AddVertOffset(TCellRect{0, 0, 0, 0}, 100));
  EXPECT_EQ(m.GetCell(0, 0), 32767);
  EXPECT_EQ(m.GetCell(2, 0), kVoid);
  // Clipped downwards onto the void value: the cell becomes void.
  EXPECT_TRUE(m.AddVertOffset(TCellRect{1, 2, 0, 0}, -100));
  EXPECT_EQ(m.GetCell(1, 0), kVoid);
  EXPECT_EQ(m.GetCell(2, 0), kVoid);  // voids never move
  EXPECT_FALSE(m.AddVertOffset(m.GridRect, 0));

  // Offsets far beyond the sample range do not wrap.
  MakeMesh(m, 2, 1, 5, 0);
  m.SetCell(1, 0, -5);
  EXPECT_TRUE(m.AddVertOffset(m.GridRect, INT32_MAX));
  EXPECT_EQ(m.GetCell(0, 0), 32767);
  EXPECT_EQ(m.GetCell(1, 0), 32767);
  EXPECT_TRUE(m.AddVertOffset(m.GridRect, INT32_MIN));
  EXPECT_EQ(m.GetCell(0, 0), -32768);
  // A non-zero sum that stays inside the range reports nothing.
  MakeMesh(m, 1, 1, -32768, 0);
  EXPECT_FALSE(m.AddVertOffset(m.GridRect, 65535));
  EXPECT_EQ(m.GetCell(0, 0), 32767);
}

TEST(MeshEdit, FillRectModes) {
  TTMesh m;
  MakeRamp(m);
  TCellRect r{1, 3, 1, 3};
  m.FillRect(r, 7, kFillKeepVoids);
  EXPECT_EQ(m.GetCell(2, 2), kVoid);
  EXPECT_EQ(m.GetCell(1, 1), 7);
  EXPECT_EQ(m.GetCell(0, 0), 0);
  m.FillRect(r, 9, kFillVoidsOnly);
  EXPECT_EQ(m.GetCell(2, 2), 9);
  EXPECT_EQ(m.GetCell(1, 1), 7);
  auto before = CopySamples(m);
  m.FillRect(r, 1, kFillVoidsOnly);  // no voids left: nothing
  EXPECT_EQ(CopySamples(m), before);
  m.FillRect(r, 4, 42);  // unknown codes fill everything
  EXPECT_EQ(m.GetCell(2, 2), 4);
  EXPECT_EQ(m.GetCell(3, 3), 4);
  EXPECT_EQ(m.GetCell(4, 3), 43);

  MakeMesh(m, 3, 3, kVoid, kVoid);
  m.FillRect(m.GridRect, 5, kFillKeepVoids);  // all void: nothing
  EXPECT_EQ(m.GetCell(1, 1), kVoid);
}

// Triangle-ish mask inside bounds (1..4, 1..3): cells with x - 1 <= y - 1.
TTCellMask Staircase() {
  TTCellMask mask(TCellRect{1, 4, 1, 3});
  for (int y = 1; y <= 3; ++y) mask.SetSpan(y, 1, y);
  return mask;
}

TEST(MeshEdit, MaskedEditsChangeNothingOutsideTheMask) {
  TTCellMask mask = Staircase();
  TTMesh m, orig;
  auto check = [&](const char* what) {
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x)
        if (!mask.Get(x, y)) {
          EXPECT_EQ(m.GetCell(x, y), orig.GetCell(x, y)) << what << x << y;
        }
  };
  MakeRamp(orig);
  MakeRamp(m);
  m.ChangeValue(m.GridRect, 11, -1, &mask);
  m.ChangeValue(m.GridRect, 31, -1, &mask);  // (3, 1) lies outside the staircase
  EXPECT_EQ(m.GetCell(1, 1), -1);
  check("change");
  MakeRamp(m);
  m.RestrictHeight(m.GridRect, 0, 0, 2, &mask);
  EXPECT_EQ(m.GetCell(2, 3), 0);
  check("restrict");
  MakeRamp(m);
  EXPECT_FALSE(m.AddVertOffset(m.GridRect, 1000, &mask));
  EXPECT_EQ(m.GetCell(3, 3), 1033);
  EXPECT_EQ(m.GetCell(2, 2), kVoid);
  check("offset");
  for (int16_t mode : {kFillKeepVoids, kFillVoidsOnly, kFillAll}) {
    MakeRamp(m);
    FillMasked(mask, m, 500, m.VoidValue, mode);
    EXPECT_EQ(m.GetCell(2, 2), mode == kFillKeepVoids ? kVoid : 500);
    EXPECT_EQ(m.GetCell(1, 3), mode == kFillVoidsOnly ? 13 : 500);
    check("fill");
  }
}

TEST(MeshEdit, RectanglesAreClippedToTheGrid) {
  TTMesh m;
  MakeMesh(m, 3, 3, 1, kVoid);
  m.FillRect(TCellRect{-5, 10, 1, 99}, 2, kFillAll);
  m.ChangeValue(TCellRect{-1, 1, -1, 1}, 1, 3);
  EXPECT_EQ(m.GetCell(0, 0), 3);
  EXPECT_EQ(m.GetCell(2, 2), 2);
  EXPECT_EQ(m.GetCell(2, 0), 1);
}

}  // namespace
