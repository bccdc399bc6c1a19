#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "core/mesh/mesh.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/multi_hgt.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"
#include "support/zip_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kSmallTile = 2884802, kLargeTile = 25934402;

// A tile-sized file of zeros; sparse, so even a large tile costs nothing.
void Tile(const std::string& path, size_t bytes) {
  WriteFileBytes(path, {}), fs::resize_file(path, bytes);
}

TTMultiHGTRequest Request(const std::string& folder, TTDegreeRect rect, TTBandFlags bands = {}) {
  return {folder, rect, bands, 0, ""};
}

std::string Check(const TTempDir& dir, TTDegreeRect rect, int* kind = nullptr) {
  const TTTileCheck c = CheckTileFiles(RequestTilePaths(Request(dir.Path(), rect)));
  if (kind) *kind = c.Kind;
  return c.Message;
}

}  // namespace

TEST(MultiHgtLoad, TilePathsAndMissingNames) {
  TTempDir dir;
  Tile(dir.File("n45w123.hgt"), kSmallTile);
  const TTMultiHGTRequest q = Request(dir.Path(), {46, 45, -123, -122}, {true, false, false, true});
  const auto paths = RequestTilePaths(q);
  ASSERT_EQ(paths.size(), 4u);  // in load order, as the names of the absent ones show
  EXPECT_EQ(MissingTileNames(paths),
            (std::vector<std::string>{"N46W123.HGT", "N46W122.HGT", "N45W122.HGT"}));
  TTMesh m;  // the mesh loaded knows its bands
  ASSERT_EQ(LoadMultiHGT(m, q, nullptr), "");
  EXPECT_EQ(std::tuple(m.AdjoNorth, m.AdjoSouth, m.AdjoWest, m.AdjoEast),
            std::tuple(1201, 0, 0, 1201));
  WriteFileBytes(dir.File("N46W122.HGT.zip"), {1});
  EXPECT_EQ(MissingTileNames(paths), (std::vector<std::string>{"N46W123.HGT", "N45W122.HGT"}));
}

TEST(MultiHgtLoad, CheckMessagesForPlainZippedMixedTruncatedAndAbsentTiles) {
  const TTDegreeRect rect{46, 45, -123, -121};  // N45W123, N45W122
  int kind = -1;
  {
    TTempDir dir;  // nothing there: no message, kind 0, the load fails
    EXPECT_EQ(std::pair(Check(dir, rect, &kind), kind), std::pair(std::string(), 0));
    TTMesh m;
    EXPECT_EQ(LoadMultiHGT(m, Request(dir.Path(), rect), nullptr), "Could not open files");
    EXPECT_TRUE(m.Samples.Empty());
  }
  {
    TTempDir dir;
    Tile(dir.File("N45W123.hgt"), kSmallTile);
    EXPECT_TRUE(Check(dir, rect, &kind) == "" && kind == 2);
    Tile(dir.File("N45W122.hgt"), kSmallTile - 1);
    EXPECT_EQ(Check(dir, rect), "At least one HGT file has an invalid size.");
    Tile(dir.File("N45W122.hgt"), kLargeTile);
    EXPECT_EQ(Check(dir, rect), "The HGT files have mixed sizes.");
    TTMesh m;
    EXPECT_EQ(LoadMultiHGT(m, Request(dir.Path(), rect), nullptr),
              "The HGT files have mixed sizes.");
    EXPECT_TRUE(m.Samples.Empty());
  }
  {
    TTempDir dir;
    WriteFileBytes(dir.File("N45W123.HGT.zip"), {'n', 'o', 't', ' ', 'z', 'i', 'p'});
    EXPECT_EQ(Check(dir, rect), "File N45W123.HGT.zip is not a known zip file format.");
    WriteStoredZip(dir.File("N45W123.HGT.zip"), "other.hgt", {1, 2});
    EXPECT_EQ(Check(dir, rect), "File N45W123.HGT.zip lacks the expected HGT file.");
    // The member is found whatever its letter case; its recorded size counts.
    WriteStoredZip(dir.File("N45W123.HGT.zip"), "n45w123.HGT", std::vector<unsigned char>(0));
    EXPECT_EQ(Check(dir, rect), "At least one HGT file has an invalid size.");
    // A plain copy beside the archive does not hide the archive's fault.
    Tile(dir.File("N45W123.HGT"), kSmallTile);
    EXPECT_EQ(Check(dir, rect), "At least one HGT file has an invalid size.");
    WriteStoredZip(dir.File("N45W123.HGT.zip"), "N45W123.hgt",
                   std::vector<unsigned char>(kSmallTile));
    EXPECT_TRUE(Check(dir, rect, &kind) == "" && kind == 2);
  }
}

TEST(MultiHgtLoad, FailuresWhileTheNextTileIsExtractedLeaveNoFileBehind) {
  TTempDir dir, temp;
  std::vector<unsigned char> tile(kSmallTile, 0);
  tile[1] = 42, WriteStoredZip(dir.File("N45W124.HGT.zip"), "N45W124.hgt", tile);
  WriteStoredZip(dir.File("N45W122.HGT.zip"), "N45W122.hgt", tile);
  // The middle archive records the right size but its data is damaged.
  WriteStoredZip(dir.File("N45W123.HGT.zip"), "N45W123.hgt", tile);
  auto bytes = ReadFileBytes(dir.File("N45W123.HGT.zip"));
  bytes[100] ^= 0xFF;
  WriteFileBytes(dir.File("N45W123.HGT.zip"), bytes);

  TTMultiHGTRequest r{dir.Path(), {46, 45, -124, -121}, {}, 0, temp.Path()};
  TTMesh m;
  EXPECT_EQ(LoadMultiHGT(m, r, nullptr), "Could not open files");
  EXPECT_TRUE(m.Samples.Empty() && m.Cols + m.Rows == 0);  // no size without samples
  EXPECT_TRUE(FolderEntries(temp.Path()).empty());

  // A plain tile that fails while the archive after it is being extracted.
  WriteFileBytes(dir.File("N45W123.HGT.zip"), {}), fs::remove(dir.File("N45W123.HGT.zip"));
  WriteFileBytes(dir.File("N45W123.hgt"), {1, 2, 3});
  const std::vector<std::string> paths = {dir.File("N45W123.HGT"), dir.File("N45W122.HGT")};
  TTMesh n;
  EXPECT_FALSE(LoadHGT(n, paths, 2, 2, 1, 0, nullptr, temp.Path()));
  EXPECT_TRUE(FolderEntries(temp.Path()).empty());

  // All archives sound: every tile arrives, in its place.
  fs::remove(dir.File("N45W123.hgt"));
  WriteStoredZip(dir.File("N45W123.HGT.zip"), "N45W123.hgt", tile);
  TTMesh ok;
  ASSERT_EQ(LoadMultiHGT(ok, r, nullptr), "");
  EXPECT_EQ(std::vector<int>(
                {ok.GetCell(0, 0), ok.GetCell(1, 0), ok.GetCell(1200, 0), ok.GetCell(2400, 0)}),
            std::vector<int>({42, 0, 42, 42}));
  EXPECT_TRUE(FolderEntries(temp.Path()).empty());

  // An absent tile in the last column is filled up to the mesh's east edge.
  fs::remove(dir.File("N45W122.HGT.zip")), r.FillValue = -5;
  TTMesh east;
  ASSERT_EQ(LoadMultiHGT(east, r, nullptr), "");
  EXPECT_EQ(std::tuple(east.GetCell(1200, 0), east.GetCell(2399, 0)), std::tuple(42, 0));
  for (const auto& [x, y] : {std::pair{2400, 0}, {3600, 0}, {3600, 1200}, {3000, 600}})
    EXPECT_EQ(east.GetCell(x, y), -5) << x << "," << y;
}
