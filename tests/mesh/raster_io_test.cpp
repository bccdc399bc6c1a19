#include <gtest/gtest.h>

#include <filesystem>

#include "mesh/mesh.h"
#include "mesh/raster_rules.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace {
TTRasterImport Import(const std::string& path, int rows, int cols) {
  TTRasterImport in;
  in.Path = path;
  in.Rect = {46, 44, -122, -120};
  in.Rows = rows;
  in.Cols = cols;
  return in;
}
}  // namespace

TEST(RasterIo, LoadSetsGeometryBandsAndSamples) {
  TTempDir dir;
  std::vector<int16_t> s(241 * 241);
  for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(i * 7 - 30000);
  WriteFileBytes(dir.File("r.raw"), BigEndianBytes(s));

  TTMesh m;
  TTRasterImport in = Import(dir.File("r.raw"), 241, 241);
  in.Bands.North = true;
  in.VoidValue = -9999;
  ASSERT_EQ(LoadRasterMesh(m, in, nullptr), "");
  EXPECT_EQ(m.Kind, 0);
  EXPECT_EQ(m.FileName, "r.raw");
  EXPECT_DOUBLE_EQ(m.RowsPerDeg, 120.5);
  EXPECT_DOUBLE_EQ(m.ColsPerDeg, 120.5);
  EXPECT_EQ(m.AdjoNorth, 120);
  EXPECT_EQ(m.AdjoSouth + m.AdjoWest + m.AdjoEast, 0);
  EXPECT_EQ(m.VoidValue, -9999);
  EXPECT_EQ(m.TileCount, 1);
  EXPECT_EQ(m.GridRect, (TCellRect{0, 240, 0, 240}));
  EXPECT_EQ(m.MaxLat, 46.0f);
  EXPECT_EQ(m.MinLon, -122.0f);
  EXPECT_EQ(m.GetCell(0, 0), s[0]);
  EXPECT_EQ(m.GetCell(240, 240), s.back());

  // Low byte first reads the same file differently: each sample swapped.
  TTMesh lsb;
  in.MsbFirst = false;
  ASSERT_EQ(LoadRasterMesh(lsb, in, nullptr), "");
  EXPECT_EQ(uint16_t(lsb.GetCell(3, 0)), uint16_t(uint16_t(s[3]) >> 8 | uint16_t(s[3]) << 8));

  TTMesh missing;
  EXPECT_EQ(LoadRasterMesh(missing, Import(dir.File("none.raw"), 2, 2), nullptr),
            "Could not load file.");
  EXPECT_TRUE(missing.Samples.Empty());
}

TEST(RasterIo, ExportByteOrdersVoidsAndRoundTrip) {
  TTempDir dir;
  TTMesh m;
  MakeMesh(m, 3, 2, {1, -32768, 300, -1, 2, -32768});
  m.MinLat = 44, m.MaxLat = 46, m.MinLon = -122, m.MaxLon = -120;

  ASSERT_EQ(SaveMeshAsRaw(m, dir.File("lsb.raw"), false, -9999, nullptr), "");
  auto b = ReadFileBytes(dir.File("lsb.raw"));
  ASSERT_EQ(b.size(), 12u);
  EXPECT_EQ(b[2], 0xF1);  // void written as -9999, low byte first
  EXPECT_EQ(b[3], 0xD8);
  EXPECT_EQ(b[4], 0x2C);  // 300
  EXPECT_EQ(b[5], 0x01);

  // Voids kept at -32768, high byte first, read back unchanged.
  ASSERT_EQ(SaveMeshAsRaw(m, dir.File("msb.raw"), true, -32768, nullptr), "");
  b = ReadFileBytes(dir.File("msb.raw"));
  EXPECT_EQ(b[2], 0x80);
  EXPECT_EQ(b[3], 0x00);
  TTMesh back;
  TTRasterImport in = Import(dir.File("msb.raw"), 2, 3);
  ASSERT_EQ(LoadRasterMesh(back, in, nullptr), "");
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(back.GetCell(x, y), m.GetCell(x, y));

  // A file that cannot be created leaves nothing behind; an old file at the
  // target survives a failed export.
  EXPECT_EQ(SaveMeshAsRaw(m, dir.File("no/such/x.raw"), true, 0, nullptr),
            "Could not create file.");
  TTMesh empty;
  WriteFileBytes(dir.File("old.raw"), {1, 2, 3});
  EXPECT_EQ(SaveMeshAsRaw(empty, dir.File("old.raw"), true, 0, nullptr), "Could not create file.");
  EXPECT_EQ(ReadFileBytes(dir.File("old.raw")), (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"lsb.raw", "msb.raw", "old.raw"}));
}
