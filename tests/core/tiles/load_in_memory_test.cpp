// Zipped tiles inflated in memory and statistics gathered while reading,
// against plain tiles, the extraction to a file and a separate count.
#include <gtest/gtest.h>

#include <tuple>

#include "core/mesh/mesh.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/single_hgt.h"
#include "core/tiles/tile_names.h"
#include "core/zip/zip.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"
#include "support/zip_fixture.h"

namespace {

std::vector<unsigned char> TileBytes(int seed) {
  std::vector<int16_t> v(size_t(1201) * 1201);
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = i % 97 == size_t(seed) ? int16_t(-32768) : int16_t((i * 31 + seed * 7919) % 9001 - 300);
  return BigEndianBytes(v);
}

// The loader's statistics equal those of a separate pass.
void ExpectRecounted(TTMesh& m) {
  EXPECT_TRUE(m.StatsFromLoad);
  const auto loaded = std::tuple(m.MinElev, m.MaxElev, m.VoidCount);
  m.UpdateStats();
  EXPECT_EQ(loaded, std::tuple(m.MinElev, m.MaxElev, m.VoidCount));
}

}  // namespace

TEST(LoadInMemory, ZippedTilesGiveThePlainMeshAndItsStatistics) {
  TTempDir plain, mixed;
  std::vector<std::string> names, plainPaths, mixedPaths;
  ListTileNames(TileRect{44, 46, -123, -120}, names);  // 3 x 2, the fifth absent
  for (size_t k = 0; k < names.size(); ++k) {
    plainPaths.push_back(plain.File(names[k])), mixedPaths.push_back(mixed.File(names[k]));
    if (k == 4) continue;
    WriteFileBytes(plainPaths[k], TileBytes(int(k)));
    if (k % 2)
      WriteStoredZip(mixedPaths[k] + ".zip", names[k], TileBytes(int(k)));
    else
      WriteFileBytes(mixedPaths[k], TileBytes(int(k)));
  }
  for (int16_t fill : {int16_t(-32768), int16_t(20000)}) {
    TTMesh p, m;
    ASSERT_TRUE(LoadHGT(p, plainPaths, 2, 3, 2, fill) && LoadHGT(m, mixedPaths, 2, 3, 2, fill));
    EXPECT_EQ(CopySamples(p), CopySamples(m));
    ExpectRecounted(m);
  }
  // One tile: a plain one read by two threads, a zipped one inflated into the grid itself.
  TTMesh one, zipped;
  ASSERT_EQ(LoadSingleHGT(one, plainPaths[1], "", nullptr), "");
  ASSERT_EQ(LoadSingleHGT(zipped, mixedPaths[1] + ".zip", "", nullptr), "");
  EXPECT_EQ(CopySamples(one), CopySamples(zipped));
  ExpectRecounted(one), ExpectRecounted(zipped);
  EXPECT_TRUE(FolderEntries(mixed.Path()).size() == 5);  // nothing extracted beside
}

TEST(LoadInMemory, DeflatedMembersDecodeAsToAFile) {
  DELVA_REQUIRE_SHARED(folder, "srtm/graphhopper");
  TTempDir temp;
  const std::string zip = folder + "/N41E001.hgt.zip";
  ASSERT_EQ(UnzipFiles(zip, temp.Path(), "n41e001.HGT"), 1);
  const std::vector<unsigned char> expected = ReadFileBytes(temp.File("N41E001.hgt"));
  std::vector<unsigned char> got(expected.size());
  ASSERT_EQ(UnzipMemberToMemory(zip, "N41E001.hgt", got.data(), got.size()), 1);
  EXPECT_TRUE(got == expected);
  // Another size than the member's, or damaged data: refused.
  EXPECT_EQ(UnzipMemberToMemory(zip, "N41E001.hgt", got.data(), got.size() - 1), kZipDamaged);
  std::vector<unsigned char> bytes = ReadFileBytes(zip);
  bytes[bytes.size() / 2] ^= 0x55;
  WriteFileBytes(temp.File("bad.zip"), bytes);
  EXPECT_LT(UnzipMemberToMemory(temp.File("bad.zip"), "N41E001.hgt", got.data(), got.size()), 0);
  TTMesh alone, mosaic;  // a one-arc-second tile alone and as a mosaic of one: the same grid
  ASSERT_TRUE(LoadSingleHGT(alone, folder + "/N48W125.hgt.zip", "", nullptr).empty() &&
              LoadHGT(mosaic, {folder + "/N48W125.hgt"}, 1, 1, 1, 0));
  EXPECT_TRUE(alone.Cols == 3601 && CopySamples(alone) == CopySamples(mosaic));
}
