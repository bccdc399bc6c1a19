#include <gtest/gtest.h>

#include <tuple>

#include "core/formats/raster_io.h"
#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

TEST(RasterIo, LoadSetsGeometryBandsAndSamples) {
  TTempDir dir;
  std::vector<int16_t> s(241 * 241);
  for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(i * 7 - 30000);
  WriteFileBytes(dir.File("r.raw"), BigEndianBytes(s));
  TTMesh m;
  TTRasterImport in{dir.File("r.raw"), {46, 44, -122, -121}, 241, 241, true, -9999, {}};
  in.Bands.North = in.Bands.East = true;
  ASSERT_EQ(LoadRasterMesh(m, in, nullptr), "");
  EXPECT_EQ(std::tuple(m.Kind, m.FileName, m.RowsPerDeg, m.ColsPerDeg, m.VoidValue, m.TileCount,
                       m.AdjoNorth, m.AdjoSouth, m.AdjoWest, m.AdjoEast),
            std::tuple(0, "r.raw", 120.5, 241.0, -9999, 1, 120, 0, 0, 241));
  EXPECT_EQ(std::tuple(m.MinLat, m.MaxLat, m.MinLon, m.MaxLon), std::tuple(44, 46, -122, -121));
  EXPECT_EQ(std::tuple(m.GridRect, CopySamples(m)), std::tuple(TCellRect{0, 240, 0, 240}, s));
  in.Path = dir.File("none.raw");
  TTMesh missing;
  EXPECT_TRUE(LoadRasterMesh(missing, in, nullptr) == "Could not load file." &&
              missing.Samples.Empty());
}

// A file that cannot be created leaves nothing behind; an old file at the
// target survives a failed export.
TEST(RasterIo, FailedExportKeepsTheOldFile) {
  TTempDir dir;
  TTMesh m, empty;
  MakeMesh(m, 1, 1, {1});
  EXPECT_EQ(SaveMeshAsRaw(m, dir.File("no/such/x.raw"), true, 0, nullptr),
            "Could not create file.");
  WriteFileBytes(dir.File("old.raw"), {1, 2, 3});
  EXPECT_EQ(SaveMeshAsRaw(empty, dir.File("old.raw"), true, 0, nullptr), "Could not create file.");
  EXPECT_EQ(ReadFileBytes(dir.File("old.raw")), (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"old.raw"}));
}

TEST(MeshRaster, SkipFlagsOffsetsAndByteOrder) {
  TTempDir dir;
  // 3 x 3 block, big-endian; 0x80 0x00 is the void, 0x01 0x2C is 300.
  std::vector<int16_t> block = {-32768, 300, 2, 3, 4, 5, 6, 7, 8};
  WriteFileBytes(dir.File("b.raw"), BigEndianBytes(block));

  TTMesh m, n, w;
  MakeMesh(m, 5, 4, std::vector<int16_t>(20, 99));
  // Skip first row and last column: file rows 1..2 land on grid rows 1..2,
  // file columns 0..1 on grid columns 2..3.
  TProgressRecorder p;
  ASSERT_TRUE(LoadRaster(m, dir.File("b.raw"), 3, 3, true, true, true, 2, 1, &p));
  std::vector<int16_t> expect = {99, 99, 99, 99, 99,  //
                                 99, 99, 3,  4,  99,  //
                                 99, 99, 6,  7,  99,  //
                                 99, 99, 99, 99, 99};
  EXPECT_EQ(CopySamples(m), expect);
  EXPECT_EQ(std::tuple(p.visible, p.shows, p.pumps, p.bars.back()), std::tuple(false, 1, 3, 100));

  MakeMesh(n, 3, 3, std::vector<int16_t>(9, 0));
  ASSERT_TRUE(LoadRaster(n, dir.File("b.raw"), 3, 3, true, false, false, 0, 0, nullptr));
  EXPECT_EQ(CopySamples(n), block);
  ASSERT_TRUE(LoadRaster(n, dir.File("b.raw"), 3, 3, false, false, false, 0, 0, nullptr));
  EXPECT_EQ(n.GetCell(1, 0), 0x2C01);  // taken low byte first

  // Whole grid rows (read straight into the grid), first row dropped.
  MakeMesh(w, 3, 3, std::vector<int16_t>(9, 99));
  ASSERT_TRUE(LoadRaster(w, dir.File("b.raw"), 3, 3, true, true, false, 0, 1, &p));
  EXPECT_TRUE(CopySamples(w) == std::vector<int16_t>({99, 99, 99, 3, 4, 5, 6, 7, 8}) &&
              !p.visible && p.bars.back() == 100);

  // A block past the grid or of no rows or columns, a file whose last row is short, a missing file.
  EXPECT_FALSE(LoadRaster(n, dir.File("b.raw"), 3, 3, true, false, false, 1, 0, nullptr) ||
               LoadRaster(n, dir.File("b.raw"), 0, 3, true, false, false, 0, 0, nullptr) ||
               LoadRaster(n, dir.File("b.raw"), 3, 0, true, false, false, 0, 0, nullptr));
  WriteFileBytes(dir.File("short.raw"), BigEndianBytes({1, 2, 3, 4, 5, 6, 7, 8}));
  WriteFileBytes(dir.File("tiny.raw"), {1, 2, 3, 4});  // not even the first row, to be dropped
  TProgressRecorder q;
  EXPECT_FALSE(LoadRaster(n, dir.File("short.raw"), 3, 3, true, false, false, 0, 0, &q) ||
               LoadRaster(n, dir.File("short.raw"), 3, 3, true, false, true, 0, 0, &q) ||
               LoadRaster(n, dir.File("tiny.raw"), 3, 3, true, true, false, 0, 0, &q) || q.visible);
  EXPECT_FALSE(LoadRaster(n, dir.File("none.raw"), 3, 3, true, false, false, 0, 0, nullptr));
}

TEST(RasterRules, WarningAndSizeCheck) {
  EXPECT_EQ(RasterRectWarning({1, -1, -1, 1}), "");
  EXPECT_EQ(RasterRectWarning({1, 1, -1, 1}) + RasterRectWarning({1, -1, 2, 1}), "INVALIDINVALID");

  const uint64_t n = 241ull * 241 * 2;  // and 2^62 x 2 samples: 2^64 bytes, 0 when wrapped
  EXPECT_TRUE(RasterSizeMatches(n, 241, 241) && !RasterSizeMatches(n + 1, 241, 241));
  EXPECT_FALSE(RasterSizeMatches(n - 1, 241, 241) || RasterSizeMatches(0, 0, 7) ||
               RasterSizeMatches(0, 7, 0) || RasterSizeMatches(0, int64_t(1) << 62, 2));
  // Exact in 64 bits at the fields' largest values: no wrap to a small size.
  EXPECT_TRUE(RasterSizeMatches(8000000000000000000ull, 2000000000, 2000000000));
  EXPECT_FALSE(RasterSizeMatches(0, 2000000000, 2000000000));

  // Bands: none on an invalid rectangle, none across a single degree (there
  // they would cover it), both when the rectangle is wider than the pair.
  struct Case {
    TTDegreeRect rect;
    TTBandFlags ticked, enabled;
  } cases[] = {{{1, 1, -1, 1}, {}, {}},
               {{1, 0, -1, 1}, {}, {false, false, true, true}},
               {{2, -1, 0, 1}, {true, true, false, false}, {true, true, false, false}},
               {{2, -1, -1, 2}, {true, true, true, true}, {true, true, true, true}}};
  for (const Case& c : cases) {
    TTBandFlags ticked{true, true, true, true}, enabled;
    ApplyRasterBandRules(c.rect, ticked, enabled);
    EXPECT_TRUE(ticked == c.ticked && enabled == c.enabled) << c.rect.MaxLat << c.rect.MinLat;
  }
}
