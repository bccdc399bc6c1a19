#include "core/view/view_geometry.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(ViewGeometry, PixelToCellSnapAndClamp) {
  // 4x: any pixel of the block of cell 3 maps to it; snapped to its corner.
  for (int x = 12; x < 16; ++x)
    EXPECT_EQ(std::tuple(PixelToCellClamped(x, 4, 100), SnapPixel(x, 4)), std::tuple(3, 12));
  // 1/4x: pixel 10 is cell 40; snapping changes nothing at reductions and 1x.
  EXPECT_EQ(PixelToCellClamped(10, -4, 1201), 40);
  EXPECT_EQ(std::tuple(SnapPixel(10, -4), SnapPixel(13, 1)), std::tuple(10, 13));
  // Limited to the grid.
  EXPECT_TRUE(PixelToCellClamped(5000, 1, 1201) == 1200 && PixelToCellClamped(-3, 2, 1201) == 0);
  for (auto [zoom, want] : {std::pair{-4, std::tuple(2, 5, 7, 10)}, {8, {80, 160, 240, 320}}}) {
    const TPixelRect r = ScaleRect(TCellRect{10, 20, 30, 40}, zoom);
    EXPECT_EQ(std::tuple(r.Left, r.Right, r.Top, r.Bottom), want) << zoom;
  }
}

TEST(ViewGeometry, GridOfTwoByTwoTiles) {
  // 2 x 2 tiles at 3": lines at 1200 and 2400 (the last row), running to 2400.
  TGridLines g = ComputeGridLines(1200, 1200, 2401, 2401, 1, 2401, 2401);
  using L = std::vector<int64_t>;
  EXPECT_EQ(std::tuple(g.Horizontal, g.Vertical, g.EndX, g.EndY, g.PenWidth),
            std::tuple(L{1200, 2400}, L{1200, 2400}, 2400, 2400, 1));
  g = ComputeGridLines(1200, 1200, 2401, 2401, 2, 4802, 4802);
  EXPECT_EQ(std::tuple(g.Horizontal, g.Vertical, g.EndX, g.EndY, g.PenWidth),
            std::tuple(L{2400, 4800}, L{2400, 4800}, 4801, 4801, 2));
  // At 1/4x the step is 300 pixels; a step that becomes 0 draws nothing.
  g = ComputeGridLines(1200, 1200, 2401, 2401, -4, 600, 600);
  EXPECT_EQ(g.Horizontal, L{300});
  g = ComputeGridLines(20, 20, 41, 41, -32, 1, 1);
  EXPECT_TRUE(g.Horizontal.empty() && g.Vertical.empty());
}

TEST(ViewGeometry, FitZoomAndScrollPositions) {
  struct Case {
    int64_t cols, rows, w, h;
    int zoom;
  } cases[] = {
      {1201, 1201, 800, 600, -2},       // 600 x 600 fits, 1201 does not
      {3601, 3601, 1920, 1080, -4},     // 900 fits the height
      {50, 30, 800, 600, 16},           // small: the largest factor
      {100, 30, 800, 600, 8},           // 1600 too wide at 16x
      {230000, 230000, 800, 600, -32},  // nothing fits: the smallest
      {1200, 1200, 1200, 1200, 1},      // exactly
  };
  for (const Case& c : cases) EXPECT_EQ(FitZoom(c.cols, c.rows, c.w, c.h), c.zoom) << c.cols;
  // The steps stop at both ends; an unknown factor goes back to 1:1.
  EXPECT_EQ(std::tuple(ZoomOutFrom(-32), ZoomOutFrom(1), ZoomInFrom(16), ZoomInFrom(-32)),
            std::tuple(-32, -2, 16, -16));
  EXPECT_EQ(std::tuple(ZoomOutFrom(3), ZoomInFrom(3)), std::tuple(1, 1));
  EXPECT_EQ(ZoomLabel(1) + ZoomLabel(-32) + ZoomLabel(16), "1x1/32x16x");
  // The cell under the cursor stays under it.
  EXPECT_EQ(AnchoredScroll(100, 50, 1, 2), 250);  // cell 150 at pixel 300, minus 50
  EXPECT_EQ(AnchoredScroll(250, 50, 2, 1), 100);
  EXPECT_EQ(AnchoredScroll(0, 400, 1, -2), 0);  // clamped at the left edge
  EXPECT_EQ(AnchoredScroll(1000, 0, -4, 2), 8000);
  // A zoom keeps the relative position; no old extent keeps it; large extents do not overflow.
  EXPECT_EQ(std::tuple(KeepRelativeScroll(500, 1000, 400), KeepRelativeScroll(333, 1000, 2000),
                       KeepRelativeScroll(0, 0, 5000)),
            std::tuple(200, 666, 0));
  EXPECT_EQ(KeepRelativeScroll(115208, 230416 - 1000, 57604 - 1000), 28425);
}
