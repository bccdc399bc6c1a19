#include "core/tiles/hgt_split.h"

#include <gtest/gtest.h>

#include "core/mesh/mesh.h"
#include "core/tiles/multi_hgt.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

TEST(HgtSplit, MosaicSplitsBackIntoItsTilesByteForByte) {
  DELVA_REQUIRE_SHARED(north, "srtm/nomilous-srtm/S33E018.hgt");
  DELVA_REQUIRE_SHARED(south, "srtm/nomilous-srtm/S34E018.hgt");
  TTempDir out;
  TTMultiHGTRequest request{.Folder = north.substr(0, north.rfind('/')),
                            .Rect = {-32, -34, 18, 19}};
  TTMesh mesh;
  ASSERT_EQ(LoadMultiHGT(mesh, request, nullptr), "");
  int written = 0;
  ASSERT_TRUE(SaveMeshAsHgtTiles(mesh, out.Path(), written, nullptr) == "" && written == 2);
  EXPECT_EQ(FolderEntries(out.Path()), (std::vector<std::string>{"S33E018.hgt", "S34E018.hgt"}));
  EXPECT_EQ(ReadFileBytes(out.File("S33E018.hgt")), ReadFileBytes(north));
  EXPECT_EQ(ReadFileBytes(out.File("S34E018.hgt")), ReadFileBytes(south));
}

TEST(HgtSplit, VoidsBecomeTheTileVoidAndOtherGridsAreRefused) {
  TTempDir out;
  int written = 0;
  for (int n : {1200, 3600}) {  // both tile densities
    TTMesh m;
    MakeMesh(m, n + 1, n + 1, -32768, -9999), m.Samples[0] = -9999;
    m.MinLat = 45, m.MaxLat = 46, m.MinLon = -123, m.MaxLon = -122, m.RowsPerDeg = m.ColsPerDeg = n;
    TProgressRecorder p;
    ASSERT_EQ(SaveMeshAsHgtTiles(m, out.Path(), written, &p), "");
    const std::vector<int16_t> tile = ReadBigEndianSamples(out.File("N45W123.hgt"));
    // The second a data sample, not a void; the bar at its end.
    EXPECT_EQ(std::tuple(tile[0], tile[1], p.bars.back(), tile.size()),
              std::tuple(-32768, -32767, 100, size_t(n + 1) * (n + 1)));
  }
  // Not whole degrees, not the tile density, one sample short, no height: refused, nothing written.
  for (auto change : {+[](TTMesh& k) { k.MinLon = -123.5f; },
                      +[](TTMesh& k) { k.ColsPerDeg = 1201; }, +[](TTMesh& k) { k.MaxLat = 47; },
                      +[](TTMesh& k) { MakeMesh(k, 1201, 1, 0, 0), k.MaxLat = 45; }}) {
    TTempDir none;
    TTMesh k;
    MakeMesh(k, 1201, 1201, 0, -32768);
    k.MinLat = 45, k.MaxLat = 46, k.MinLon = -123, k.MaxLon = -122;
    k.RowsPerDeg = k.ColsPerDeg = 1200, change(k);
    EXPECT_NE(SaveMeshAsHgtTiles(k, none.Path(), written, nullptr), "");
    EXPECT_TRUE(written == 0 && FolderEntries(none.Path()).empty());
  }
}
