#include "core/mesh/mesh.h"
#include "core/formats/hgx_format.h"
#include "core/formats/raster_io.h"

#include <gtest/gtest.h>

#include "support/mesh_helpers.h"
#include "support/test_paths.h"

// The fast loop against the plain one: update_stats_reference_test.cpp.
TEST(MeshStats, EdgeCases) {
  TTMesh m;
  m.UpdateStats();  // no samples: nothing happens
  EXPECT_FALSE(m.HasVoids());

  MakeMesh(m, 3, 2, {-32768, -32768, -32768, -32768, -32768, -32768});
  m.VoidValue = -32768;
  EXPECT_TRUE(m.HasVoids());
  m.UpdateStats();
  EXPECT_EQ(m.MaxElev, -32768);
  EXPECT_EQ(m.MinElev, -32768);
  EXPECT_EQ(m.VoidCount, 6);

  m.SetCell(2, 1, 17);  // a single non-void sample is both extremes
  m.UpdateStats();
  EXPECT_EQ(m.MaxElev, 17);
  EXPECT_EQ(m.MinElev, 17);
  EXPECT_EQ(m.VoidCount, 5);

  TTMesh s;  // signed comparison, and a void value that is not -32768
  MakeMesh(s, 4, 1, {-5, 3, 32767, -32768});
  s.VoidValue = 32767;
  s.UpdateStats();
  EXPECT_EQ(s.MaxElev, 3);
  EXPECT_EQ(s.MinElev, -32768);
  EXPECT_EQ(s.VoidCount, 1);
  EXPECT_TRUE(s.HasVoids());
  s.VoidValue = 0;
  EXPECT_FALSE(s.HasVoids());

  TTMesh again;
  MakeMesh(again, 1, 1, {4});
  EXPECT_FALSE(again.AllocSamples(2, 2));  // keeps the old samples
  EXPECT_EQ(again.Samples.Size(), 1);
  EXPECT_EQ(again.GetCell(0, 0), 4);
}

TEST(MeshRaster, SkipFlagsOffsetsAndByteOrder) {
  TTempDir dir;
  // 3 x 3 block, big-endian; 0x80 0x00 is the void, 0x01 0x2C is 300.
  std::vector<int16_t> block = {-32768, 300, 2, 3, 4, 5, 6, 7, 8};
  WriteFileBytes(dir.File("b.raw"), BigEndianBytes(block));

  TTMesh m;
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
  EXPECT_FALSE(p.visible);
  EXPECT_EQ(p.shows, 1);
  EXPECT_EQ(p.pumps, 3);

  TTMesh n;
  MakeMesh(n, 3, 3, std::vector<int16_t>(9, 0));
  ASSERT_TRUE(LoadRaster(n, dir.File("b.raw"), 3, 3, true, false, false, 0, 0, nullptr));
  EXPECT_EQ(n.GetCell(0, 0), -32768);
  EXPECT_EQ(n.GetCell(1, 0), 300);
  ASSERT_TRUE(LoadRaster(n, dir.File("b.raw"), 3, 3, false, false, false, 0, 0, nullptr));
  EXPECT_EQ(n.GetCell(1, 0), 0x2C01);  // taken low byte first

  // Whole grid rows (read straight into the grid), first row dropped.
  TTMesh w;
  MakeMesh(w, 3, 3, std::vector<int16_t>(9, 99));
  ASSERT_TRUE(LoadRaster(w, dir.File("b.raw"), 3, 3, true, true, false, 0, 1, nullptr));
  EXPECT_EQ(CopySamples(w), (std::vector<int16_t>{99, 99, 99, 3, 4, 5, 6, 7, 8}));

  // A block that would not fit the grid, a short file, a missing file.
  EXPECT_FALSE(LoadRaster(n, dir.File("b.raw"), 3, 3, true, false, false, 1, 0, nullptr));
  WriteFileBytes(dir.File("short.raw"), BigEndianBytes({1, 2, 3, 4, 5}));
  TProgressRecorder q;
  EXPECT_FALSE(LoadRaster(n, dir.File("short.raw"), 3, 3, true, false, false, 0, 0, &q));
  EXPECT_FALSE(q.visible);
  EXPECT_FALSE(LoadRaster(n, dir.File("none.raw"), 3, 3, true, false, false, 0, 0, nullptr));
}

TEST(MeshRaster, SaveReplacesVoidsAndChoosesByteOrder) {
  TTempDir dir;
  TTMesh m;
  MakeMesh(m, 2, 2, {-32768, 300, 1, -2});
  std::FILE* f = std::fopen(dir.File("out.raw").c_str(), "wb");
  ASSERT_TRUE(SaveRaster(m, f, TCellRect{0, 1, 0, 0}, -32768, -9999, false, nullptr));
  std::fclose(f);
  EXPECT_EQ(ReadFileBytes(dir.File("out.raw")),
            (std::vector<unsigned char>{0xF1, 0xD8, 0x2C, 0x01}));

  // Unchanged big-endian samples (the read-back is in the raster I/O test).
  ASSERT_TRUE(SaveToFile(m, dir.File("all.raw"), false, m.GridRect, true, nullptr));
  EXPECT_EQ(ReadFileBytes(dir.File("all.raw")), BigEndianBytes({-32768, 300, 1, -2}));
}
