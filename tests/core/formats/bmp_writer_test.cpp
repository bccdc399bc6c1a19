#include "core/formats/bmp_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "core/mesh/mesh.h"
#include "core/tiles/export_names.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TTBmpPalette TestPalette() {
  TTBmpPalette p;
  for (int i = 0; i < 256; ++i)
    p[i] = 0xFF000000u | uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i / 2);
  return p;
}

size_t FilesIn(const std::string& dir) { return FolderEntries(dir).size(); }

}  // namespace

TEST(BmpWriter, HeadersPaletteRowOrderAndPadding) {
  TTempDir dir;
  const int w = 5, h = 3;  // 5 pixels pad to a stride of 8
  std::vector<uint8_t> pixels(w * h);
  for (int i = 0; i < w * h; ++i) pixels[i] = uint8_t(10 * i + 1);
  const std::string path = dir.File("img.bmp");
  ASSERT_TRUE(WriteBmp8(path, w, h, TestPalette(), [&](int32_t y) { return &pixels[y * w]; }));

  const auto b = ReadFileBytes(path);
  const size_t offset = 14 + 40 + 1024;
  ASSERT_EQ(b.size(), offset + 8 * 3);
  EXPECT_EQ(Bmp8FileSize(w, h), b.size());
  // Bottom-up (positive height), 8 bits, no compression, 256 colours.
  const std::vector<uint8_t> headers = {'B', 'M', 0x4E, 0x04, 0, 0, 0, 0, 0,  0, 0x36, 0x04, 0,
                                        0,   40,  0,    0,    0, 5, 0, 0, 0,  3, 0,    0,    0,
                                        1,   0,   8,    0,    0, 0, 0, 0, 24, 0, 0,    0};
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 38), headers);
  EXPECT_EQ(U32(b, 46), 256u);
  // Colour table entries are blue, green, red, 0.
  for (int i : {0, 1, 128, 254, 255}) {
    const size_t e = 54 + 4 * i;
    EXPECT_EQ(b[e], uint8_t(i / 2));
    EXPECT_EQ(b[e + 1], uint8_t(255 - i));
    EXPECT_EQ(b[e + 2], uint8_t(i));
    EXPECT_EQ(b[e + 3], 0);
  }
  // The first stored row is the bottom image row; padding bytes are zero.
  for (int k = 0; k < h; ++k) {
    const int y = h - 1 - k;
    for (int x = 0; x < w; ++x) EXPECT_EQ(b[offset + 8 * k + x], pixels[y * w + x]);
    for (int x = w; x < 8; ++x) EXPECT_EQ(b[offset + 8 * k + x], 0);
  }
  EXPECT_EQ(FilesIn(dir.Path()), 1u);

  // A width that is a multiple of four has no padding.
  ASSERT_TRUE(WriteBmp8(path, 4, 2, TestPalette(), [&](int32_t) { return pixels.data(); }));
  EXPECT_EQ(ReadFileBytes(path).size(), offset + 8u);
}

TEST(BmpWriter, FailureKeepsTheOldFileAndLeavesNoTemporary) {
  TTempDir dir;
  const std::string path = dir.File("old.bmp");
  { std::ofstream(path) << "precious"; }
  std::vector<uint8_t> row(16, 1);
  // The row source fails half-way, as an image that went away would.
  EXPECT_FALSE(WriteBmp8(path, 16, 4, TestPalette(), [&](int32_t y) -> const uint8_t* {
    return y < 2 ? row.data() : nullptr;
  }));
  const auto b = ReadFileBytes(path);
  EXPECT_EQ(std::string(b.begin(), b.end()), "precious");
  EXPECT_EQ(FilesIn(dir.Path()), 1u);

  EXPECT_FALSE(WriteBmp8(dir.File("no/such/folder.bmp"), 1, 1, TestPalette(),
                         [&](int32_t) { return row.data(); }));
  EXPECT_FALSE(
      WriteBmp8(dir.File("empty.bmp"), 0, 1, TestPalette(), [&](int32_t) { return row.data(); }));
  EXPECT_EQ(FilesIn(dir.Path()), 1u);
  // An image too large for the format's 32-bit sizes is refused up front.
  EXPECT_EQ(Bmp8FileSize(70000, 70000), 0u);
}

TEST(ExportNames, ProposedNames) {
  TTMesh m;
  m.MaxLat = 49, m.MinLat = 47, m.MinLon = -123, m.MaxLon = -121;
  EXPECT_EQ(CornersName(m), "N49W123_N47W121");
  m.MaxLat = 1, m.MinLat = 0, m.MinLon = -1, m.MaxLon = 0;
  EXPECT_EQ(CornersName(m), "N01W001_N00E000");
  m.MaxLat = 46, m.MinLat = 44, m.MinLon = -122, m.MaxLon = -120;
  m.Rows = m.Cols = 2401;
  EXPECT_EQ(RawFileNameFor(m), "N46W122_N44W120_2401R_2401C");
  // Bounds are truncated toward zero.
  m.MaxLat = -8.5f, m.MinLat = -9.75f, m.MinLon = 8.9f, m.MaxLon = 179.99f;
  m.Rows = 3, m.Cols = 4;
  EXPECT_EQ(RawFileNameFor(m), "S08E008_S09E179_3R_4C");
  m.MinLon = -10.5f, m.MaxLon = -0.25f;
  EXPECT_EQ(CornersName(m), "S08W010_S09E000");
}
