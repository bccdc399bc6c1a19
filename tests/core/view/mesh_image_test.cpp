#include "core/view/mesh_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "core/base/cpu_features.h"
#include "core/mesh/mesh.h"
#include "support/mesh_helpers.h"

namespace {

// The colouring rule written out plainly, for comparison with the table.
uint8_t Reference(int16_t s, int16_t lo, int16_t hi, int16_t voidValue, bool sea) {
  if (s == voidValue) return 255;
  if (sea && s <= 0) return 254;
  double scale = hi != lo ? 253.0 / double(int(hi) - int(lo)) : 0.0;
  return uint8_t(std::clamp(std::trunc((int(s) - int(lo)) * scale), 0.0, 253.0));
}
}  // namespace

TEST(MeshImage, ColorCellsAndColorIndexGiveTheFormulaForEverySample) {
  // Every sample value once (256 x 256 grid, both extremes inside the last row), colored over a
  // rectangle that leaves row tails, for many colour ranges: voids, sea, an empty or reversed
  // range, samples beyond the range.
  TTMesh m;
  MakeMesh(m, 256, 256, 0, 0);
  for (int i = 0; i < 65536; ++i) m.Samples[i] = int16_t(i - 32640);
  const TCellRect r{1, 254, 0, 255};
  const ptrdiff_t stride = 256;
  // The float scale of a view's colouring: nearest, one below, one above, none (the double falls
  // short of an index), and one where the quotient's ceiling lies one past an index's first sample.
  const std::pair<int16_t, int16_t> ranges[]{
      {0, 1000},    {-500, 8848}, {-32768, 32767}, {7, 7},           {100, -100},
      {0, 1},       {0, 253},     {-11, 1254},     {3, 3 + 253 * 7}, {-500, -499},
      {-500, -487}, {-500, -473}, {-500, -445},    {0, 6347}};
  for (TLoops loops : {TLoops::Widest, TLoops::Avx2, TLoops::Plain}) {  // where they run
    ForceLoops(loops);
    ASSERT_TRUE(loops == TLoops::Widest || !CpuHasAvx512());
    ASSERT_TRUE(loops != TLoops::Plain || !CpuHasAvx2());
    for (auto [lo, hi] : ranges)
      for (bool sea : {false, true})
        for (int16_t voidValue : {int16_t(-32768), int16_t(0), int16_t(55)}) {
          m.ColorMin = lo, m.ColorMax = hi, m.VoidValue = voidValue;
          std::vector<uint8_t> img(stride * 256, 77);
          ColorCells(m, r, sea, img.data(), stride);
          for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
              const int16_t s = m.GetCell(x, y);
              const uint8_t want = Reference(s, lo, hi, voidValue, sea);
              ASSERT_EQ(img[y * stride + x], r.Contains(x, y) ? want : 77)
                  << "sample " << s << " range " << lo << ".." << hi;
              ASSERT_EQ(ColorIndex(s, lo, hi, voidValue, sea), want) << s;  // the one-sample rule
            }
        }
  }
  ForceLoops(TLoops::Widest);
}

TEST(MeshImage, HatchedBandsCoverExactlyTheirRows) {
  TTMesh m;  // two tiles high, with a 1201-row north band and a 1200-row south band
  const int32_t cols = 50, rows = 3601;
  MakeMesh(m, cols, rows, 10, -32768), m.AdjoNorth = 1201, m.AdjoSouth = 1200;
  EXPECT_EQ(HatchIndex(), 85);  // 0x555555: of the palette, the nearest to olive
  std::vector<uint8_t> img(size_t(cols) * rows, 0);
  HatchAdjoBands(m, 85, img.data(), cols);
  auto inked = [&](int y) {
    return int32_t(std::count(img.begin() + y * cols, img.begin() + (y + 1) * cols, 85));
  };
  // Outline rows: whole rows 0 and 1200 of the north band, 2401 and 3600 of the south band.
  EXPECT_EQ(std::tuple(inked(0), inked(1200), inked(2401), inked(3600)),
            std::tuple(cols, cols, cols, cols));
  // Inside: both border columns and the diagonal lines every 8 pixels.
  for (int y = 1; y < 1200; ++y) {
    ASSERT_EQ(img[y * cols] + img[y * cols + cols - 1], 2 * 85);
    for (int x = 1; x < cols - 1; ++x) ASSERT_EQ(img[y * cols + x] == 85, (x + y) % 8 == 7);
  }
  // Between the bands nothing is drawn.
  for (int y = 1201; y < 2401; ++y) ASSERT_EQ(inked(y), 0) << y;
  TTMesh e;  // east and west bands run the full height
  MakeMesh(e, 30, 20, 10, -32768), e.AdjoEast = 4, e.AdjoWest = 3;
  std::vector<uint8_t> im(30 * 20, 0);
  HatchAdjoBands(e, 85, im.data(), 30);
  for (int y = 0; y < 20; ++y)  // the outer and inner columns of both bands
    EXPECT_EQ(std::vector<int>({im[y * 30], im[y * 30 + 2], im[y * 30 + 26], im[y * 30 + 29]}),
              std::vector<int>(4, 85));
  // A missing tile: every fifth diagonal, (x - y) mod 5 == 0, within its bounds.
  std::vector<uint8_t> tile(30 * 20, 0);
  HatchMissingTiles(e, TTMissingTiles{{TCellRect{1, 9, 1, 5}}, 10}, e.GridRect, tile.data(), 30);
  EXPECT_EQ(std::count(tile.begin(), tile.end(), 0), 30 * 20 - 9);
}

TEST(MeshImage, ViewSamplingPicksOneCellPerPixel) {
  std::vector<uint8_t> img(16 * 6);  // a 10 x 6 image whose index is 10 x row + column
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) img[y * 16 + x] = uint8_t(10 * y + x);
  TTPalette identity;
  for (uint32_t i = 0; i < 256; ++i) identity[i] = i;
  TTViewSampler s{img.data(), 16, 10, 6, 1, identity.data()};
  // 4x, viewed from paint-box pixel (6, 5): pixel (i, j) shows cell ((6+i)/4, (5+j)/4).
  s.Zoom = 4;
  std::vector<uint32_t> out(8 * 7, 999);
  SampleView(s, 6, 5, 8, 7, out.data(), 8);
  for (int j = 0; j < 7; ++j)
    for (int i = 0; i < 8; ++i) ASSERT_EQ(out[j * 8 + i], 10u * ((5 + j) / 4) + (6 + i) / 4);
  EXPECT_EQ(ViewCells(s, 6, 5, 8, 7), (TCellRect{1, 3, 1, 2}));  // the cells read, no more
  // 1x: one cell per pixel, the row ends at the image's edge (a palette
  // other than the grey ramp: a colour looked up per pixel).
  s.Zoom = 1;
  std::vector<uint32_t> o1(12, 999);
  SampleView(s, 0, 5, 12, 1, o1.data(), 12);
  EXPECT_EQ(std::tuple(o1, ViewCells(s, 0, 5, 12, 1)),
            std::tuple(std::vector<uint32_t>{50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 999, 999},
                       TCellRect{0, 9, 5, 5}));
  EXPECT_EQ(MeshPalette()[kSeaIndex], 0xFF0000FFu);
  // Over a million pixels (two threads; the grey ramp 16 or 8 pixels at a
  // time with a tail): every index, sea and void included, gets its colour.
  std::vector<uint8_t> big(size_t(1030) * 1024);
  for (size_t k = 0; k < big.size(); ++k) big[k] = uint8_t(k * 7 / 3);
  const TTViewSampler g{big.data(), 1030, 1030, 1024, 1, MeshPalette().data()};
  for (TLoops loops : {TLoops::Widest, TLoops::Avx2}) {
    ForceLoops(loops);
    std::vector<uint32_t> ob(size_t(1027) * 1024);
    SampleView(g, 3, 0, 1027, 1024, ob.data(), 1027);
    for (size_t y = 0; y < 1024; ++y)
      for (size_t i = 0; i < 1027; ++i)
        ASSERT_EQ(ob[y * 1027 + i], MeshPalette()[big[y * 1030 + 3 + i]]) << i << "," << y;
  }
  ForceLoops(TLoops::Widest);
  // 1/2x: the paint box is 5 x 3; pixel (i, j) shows cell (2i, 2j); outside stays.
  s.Zoom = -2;
  std::vector<uint32_t> o2(6 * 4, 999);
  SampleView(s, 0, 0, 6, 4, o2.data(), 6);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 6; ++i)
      ASSERT_EQ(o2[j * 6 + i], (i < 5 && j < 3) ? 10u * (2 * j) + 2 * i : 999u);
  EXPECT_EQ(ViewCells(s, 0, 0, 6, 4), (TCellRect{0, 8, 0, 4}));
}

TEST(MeshImage, EachBandIsMadeReadyOnceJustBeforeItsPixels) {
  // The image stays blank until `ready` copies a band in: every view must
  // match the view of the whole image, and every row of its cells be made
  // ready once (split on two threads, in bands of 64 K cells).
  const int32_t w = 1100, h = 1000;
  std::vector<uint8_t> whole(size_t(w) * h);
  for (size_t k = 0; k < whole.size(); ++k) whole[k] = uint8_t(k * 7 / 3);
  for (auto [zoom, x, y, vw, vh] :
       {std::tuple(1, 3, 5, 1050, 990), std::tuple(4, 1000, 700, 1201, 901),
        std::tuple(-2, 7, 3, 600, 500), std::tuple(-4, 0, 1, 300, 300)}) {
    std::vector<uint8_t> img(whole.size(), 0);
    std::vector<int> readied(h, 0);
    TTViewSampler s{img.data(), w, w, h, zoom, MeshPalette().data()};
    const TCellRect cells = ViewCells(s, x, y, vw, vh);
    std::vector<uint32_t> banded(size_t(vw) * vh, 1), plain(size_t(vw) * vh, 1);
    SampleView(s, x, y, vw, vh, banded.data(), vw, [&](const TCellRect& band) {
      EXPECT_TRUE(band.Left == cells.Left && band.Right == cells.Right) << zoom;
      for (int32_t r = band.Top; r <= band.Bottom; ++r) {
        ++readied[size_t(r)];
        std::copy_n(&whole[size_t(r) * w + size_t(band.Left)], band.Width(),
                    &img[size_t(r) * w + size_t(band.Left)]);
      }
    });
    s.Image = whole.data();
    SampleView(s, x, y, vw, vh, plain.data(), vw);
    EXPECT_EQ(banded, plain) << zoom;
    for (int32_t r = 0; r < h; ++r)
      ASSERT_EQ(readied[size_t(r)], r >= cells.Top && r <= cells.Bottom) << zoom << " row " << r;
  }
  std::vector<uint8_t> wide(size_t(70000) * 32);  // a row of the view wider than a band
  std::vector<uint32_t> out(2200);
  int bands = 0;  // and views starting just beyond the right and the bottom edge: none
  for (auto [x, y] : {std::pair(0, 0), std::pair(2187, 0), std::pair(0, 1)})
    SampleView({wide.data(), 70000, 70000, 32, -32, MeshPalette().data()}, x, y, 2200, 1,
               out.data(), 2200, [&](const TCellRect&) { ++bands; });
  EXPECT_EQ(bands, 1);
}
