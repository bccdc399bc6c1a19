#include "core/edit/mesh_edit.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/base/progress.h"
#include "core/mesh/cell_mask.h"
#include "support/mesh_helpers.h"

namespace {

constexpr int16_t kVoid = -32768;

// 6 x 5 cells of 10 * x + y, one void at (2, 2).
void MakeRamp(TTMesh& m) {
  MakeMesh(m, 6, 5, 0, kVoid);
  for (int i = 0; i < 30; ++i) m.Samples[i] = int16_t(10 * (i % 6) + i / 6);
  m.SetCell(2, 2, kVoid);
}

TEST(MeshEdit, ChangeAndRestrictTreatVoidsAsTheyShould) {
  TProgressRecorder pumps;
  TTMesh m;
  MakeRamp(m);
  ChangeValue(m, TCellRect{0, 3, 0, 2}, kVoid, 5, nullptr, &pumps);       // voids when named
  EXPECT_EQ(std::tuple(m.GetCell(2, 2), pumps.pumps), std::tuple(5, 3));  // a pump per row
  MakeRamp(m);
  RestrictHeight(m, m.GridRect, 100, 50, 3);  // upper first, so everything ends at lower
  for (int i = 0; i < 30; ++i) EXPECT_EQ(m.Samples[i], i == 2 * 6 + 2 ? kVoid : 100);
  MakeRamp(m);
  RestrictHeight(m, m.GridRect, 12, 40, 1);  // lower only; the void lies below and stays
  EXPECT_EQ(std::tuple(m.GetCell(0, 0), m.GetCell(5, 4), m.GetCell(2, 2)),
            std::tuple(12, 54, kVoid));
  // Neither limit: nothing walked (no pump). The upper limit alone, above every sample.
  auto before = CopySamples(m);
  const int pumped = pumps.pumps;
  RestrictHeight(m, m.GridRect, 0, 0, 0, nullptr, &pumps);
  RestrictHeight(m, m.GridRect, 30000, 32000, 2);
  EXPECT_EQ(std::tuple(CopySamples(m) == before, pumps.pumps), std::tuple(true, pumped));
}

TEST(MeshEdit, AddVertOffsetSumsExactlyAndClipsIntoVoids) {
  TTMesh m;
  MakeMesh(m, 3, 1, {32700, -32700, kVoid}), m.VoidValue = kVoid;
  EXPECT_TRUE(AddVertOffset(m, TCellRect{0, 0, 0, 0}, 100) && m.GetCell(0, 0) == 32767);
  EXPECT_TRUE(AddVertOffset(m, TCellRect{1, 2, 0, 0}, -100));
  // Clipped onto the void value; voids never move.
  EXPECT_EQ(std::tuple(m.GetCell(1, 0), m.GetCell(2, 0)), std::tuple(kVoid, kVoid));
  EXPECT_FALSE(AddVertOffset(m, m.GridRect, 0));
  // 32-bit extremes do not wrap; a long way inside the range reports nothing.
  MakeMesh(m, 2, 1, {5, -5}), m.VoidValue = 0;
  EXPECT_TRUE(AddVertOffset(m, m.GridRect, INT32_MAX) && m.GetCell(1, 0) == 32767);
  EXPECT_TRUE(AddVertOffset(m, m.GridRect, INT32_MIN) && m.GetCell(0, 0) == -32768);
  EXPECT_TRUE(!AddVertOffset(m, m.GridRect, 65535) && m.GetCell(0, 0) == 32767);
}

TEST(MeshEdit, FillModes) {
  TTMesh m;
  MakeRamp(m);
  const TCellRect r{1, 3, 1, 3};
  FillRect(m, r, 7, kFillKeepVoids);
  EXPECT_EQ(std::tuple(m.GetCell(2, 2), m.GetCell(1, 1)), std::tuple(kVoid, 7));
  FillRect(m, r, 9, kFillVoidsOnly);
  EXPECT_EQ(std::tuple(m.GetCell(2, 2), m.GetCell(1, 1)), std::tuple(9, 7));
  FillRect(m, r, 4, 42);  // unknown codes fill everything
  EXPECT_EQ(std::tuple(m.GetCell(3, 3), m.GetCell(4, 3), m.GetCell(0, 0)), std::tuple(4, 43, 0));
}

TEST(MeshEdit, MaskedEditsChangeNothingOutsideTheMask) {
  TTCellMask mask(TCellRect{1, 3, 1, 3});  // a staircase reaching its bounds' last column
  for (int y = 1; y <= 3; ++y) mask.SetSpan(y, 1, y);
  TTMesh m, orig;
  MakeRamp(orig);
  auto unchangedOutside = [&](const char* what) {
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x)
        EXPECT_TRUE(mask.Get(x, y) || m.GetCell(x, y) == orig.GetCell(x, y)) << what << x << y;
  };
  MakeRamp(m), ChangeValue(m, m.GridRect, 11, -1, &mask);
  ChangeValue(m, m.GridRect, 31, -1, &mask);  // (3, 1) is outside
  EXPECT_EQ(m.GetCell(1, 1), -1);
  unchangedOutside("change"), MakeRamp(m), RestrictHeight(m, m.GridRect, 0, 0, 2, &mask);
  EXPECT_EQ(m.GetCell(2, 3), 0);
  unchangedOutside("restrict"), MakeRamp(m), AddVertOffset(m, m.GridRect, 1000, &mask);
  EXPECT_EQ(m.GetCell(3, 3), 1033);
  unchangedOutside("offset");
  for (int16_t mode : {kFillKeepVoids, kFillVoidsOnly, kFillAll}) {
    MakeRamp(m), FillMasked(mask, m, 500, m.VoidValue, mode);
    EXPECT_EQ(std::tuple(m.GetCell(2, 2), m.GetCell(1, 3)),
              std::tuple(mode == kFillKeepVoids ? kVoid : 500, mode == kFillVoidsOnly ? 13 : 500));
    unchangedOutside("fill");
  }
}

// A rectangle reaching past every side is clipped to the grid: only row 1's
// cells 0..5 move, nothing before or after them in memory.
TEST(MeshEdit, RectanglesBeyondTheGridAreClipped) {
  TTMesh m, orig;
  MakeRamp(orig), MakeRamp(m);
  AddVertOffset(m, TCellRect{-5, 40, 1, 1}, 1000);
  ChangeValue(m, TCellRect{-3, 9, -2, 1}, 1001, 7);  // (0, 1) after the offset
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(m.GetCell(x, y), y != 1   ? orig.GetCell(x, y)
                                 : x == 0 ? 7
                                          : orig.GetCell(x, y) + 1000)
          << x << "," << y;
  m.Rows = 4, AddVertOffset(m, TCellRect{0, 0, 3, 9}, 1);  // fewer rows than samples: row 3 only
  EXPECT_TRUE(m.GetCell(0, 3) == 4 && m.GetCell(0, 4) == orig.GetCell(0, 4));
  m.Rows = 6;  // counts that promise more samples than there are: nothing is written
  FillRect(m, TCellRect{0, 5, 4, 5}, 3, kFillAll);
  EXPECT_EQ(m.GetCell(0, 4), orig.GetCell(0, 4));
}

}  // namespace
