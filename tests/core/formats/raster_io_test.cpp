#include <gtest/gtest.h>

#include <filesystem>

#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"
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

  // Voids kept at -32768, high byte first, read back unchanged (the byte
  // orders and void replacement are pinned by the mesh's raster test).
  ASSERT_EQ(SaveMeshAsRaw(m, dir.File("msb.raw"), true, -32768, nullptr), "");
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
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"msb.raw", "old.raw"}));
}
