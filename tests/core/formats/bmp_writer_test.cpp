#include "core/formats/bmp_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "core/mesh/mesh.h"
#include "core/tiles/export_names.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace {

TTBmpPalette TestPalette() {
  TTBmpPalette p;
  for (int i = 0; i < 256; ++i)
    p[i] = 0xFF000000u | uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i / 2);
  return p;
}

}  // namespace

TEST(BmpWriter, HeadersPaletteRowOrderPaddingAndFailures) {
  TTempDir dir;
  const int w = 5, h = 3;  // 5 pixels pad to a stride of 8
  std::vector<uint8_t> pixels(w * h);
  for (int i = 0; i < w * h; ++i) pixels[i] = uint8_t(10 * i + 1);
  const std::string path = dir.File("img.bmp");
  TProgressRecorder progress;  // the window answers while it is written
  ASSERT_TRUE(WriteBmp8(
      path, w, h, TestPalette(), [&](int32_t y) { return &pixels[y * w]; }, &progress));
  EXPECT_TRUE(progress.pumps == 1 && progress.shows == 1 && !progress.visible);

  // Bottom-up (positive height), 8 bits, no compression, 256 colours; the colour table entries are
  // blue, green, red, 0; the first stored row is the bottom image row, padded with zeros.
  std::vector<uint8_t> want = {'B', 'M', 0x4E, 0x04, 0, 0, 0, 0, 0,  0, 0x36, 0x04, 0,
                               0,   40,  0,    0,    0, 5, 0, 0, 0,  3, 0,    0,    0,
                               1,   0,   8,    0,    0, 0, 0, 0, 24, 0, 0,    0};
  want.resize(54), want[47] = 1;
  for (int i = 0; i < 256; ++i)
    want.insert(want.end(), {uint8_t(i / 2), uint8_t(255 - i), uint8_t(i), 0});
  for (int y = h - 1; y >= 0; --y)
    want.insert(want.end(), pixels.begin() + y * w, pixels.begin() + (y + 1) * w),
        want.insert(want.end(), 8 - w, 0);
  EXPECT_EQ(ReadFileBytes(path), want);
  EXPECT_EQ(std::pair(Bmp8FileSize(w, h), FolderEntries(dir.Path()).size()),
            std::pair(want.size(), size_t(1)));

  // A width that is a multiple of four has no padding; the bar moves every 64 rows.
  ASSERT_TRUE(WriteBmp8(
      path, 4, 65, TestPalette(), [&](int32_t) { return pixels.data(); }, &progress));
  EXPECT_EQ(ReadFileBytes(path).size(), 54 + 1024 + 4 * 65u);
  EXPECT_TRUE(progress.pumps == 3 && progress.bars.back() == 100);

  // A failure keeps the old file and leaves no temporary.
  { std::ofstream(path) << "precious"; }
  std::vector<uint8_t> row(16, 1);
  // The row source fails half-way, as an image that went away would.
  EXPECT_FALSE(WriteBmp8(path, 16, 4, TestPalette(), [&](int32_t y) -> const uint8_t* {
    return y < 2 ? row.data() : nullptr;
  }));
  const auto b = ReadFileBytes(path);
  EXPECT_EQ(std::string(b.begin(), b.end()), "precious");

  EXPECT_FALSE(WriteBmp8(dir.File("no/such/folder.bmp"), 1, 1, TestPalette(),
                         [&](int32_t) { return row.data(); }));
  EXPECT_FALSE(
      WriteBmp8(dir.File("empty.bmp"), 0, 1, TestPalette(), [&](int32_t) { return row.data(); }));
  EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);
  // An image too large for the format's 32-bit sizes is refused up front.
  EXPECT_EQ(Bmp8FileSize(70000, 70000), 0u);
}

TEST(ExportNames, ProposedNames) {
  TTMesh m;
  m.MaxLat = 1, m.MinLat = 0, m.MinLon = -1, m.MaxLon = 0;
  EXPECT_EQ(CornersName(m), "N01W001_N00E000");
  // Bounds are truncated toward zero.
  m.MaxLat = -8.5f, m.MinLat = -9.75f, m.MinLon = 8.9f, m.MaxLon = 179.99f, m.Rows = 3, m.Cols = 4;
  EXPECT_EQ(RawFileNameFor(m), "S08E008_S09E179_3R_4C");
  m.MinLon = -10.5f, m.MaxLon = -0.25f;
  EXPECT_EQ(CornersName(m), "S08W010_S09E000");
}
