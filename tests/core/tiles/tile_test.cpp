#include <gtest/gtest.h>

#include "core/mesh/mesh.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/single_hgt.h"
#include "core/tiles/tile_names.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace {

constexpr int32_t S = 1201, N = 1200;

int16_t TileSample(int tile, int r, int c) {
  return int16_t((tile * 7919 + r * 31 + c * 17) % 20011 - 9000);
}

void WriteTile(const std::string& path, int tile) {
  std::vector<int16_t> v(size_t(S) * S);
  for (int r = 0; r < S; ++r)
    for (int c = 0; c < S; ++c) v[size_t(r) * S + c] = TileSample(tile, r, c);
  WriteFileBytes(path, BigEndianBytes(v));
}

// The plain rule, sample by sample: fill the grid, then every present tile
// writes each of its samples except a dropped first row (tile rows below the
// first) and a dropped last column (tile columns left of the last).
std::vector<int16_t> ReferenceGrid(int W, int H, const std::vector<bool>& present, int16_t fill) {
  const int cols = W * N + 1, rows = H * N + 1;
  std::vector<int16_t> g(size_t(cols) * rows, fill);
  for (int i = 0; i < H; ++i)
    for (int j = 0; j < W; ++j) {
      if (!present[size_t(i) * W + j]) continue;
      for (int r = 0; r < S; ++r)
        for (int c = 0; c < S; ++c) {
          if ((i > 0 && r == 0) || (j < W - 1 && c == S - 1)) continue;
          g[size_t(i * N + r) * cols + j * N + c] = TileSample(i * W + j, r, c);
        }
    }
  return g;
}

}  // namespace

TEST(TileNames, NamesParsingAndLists) {
  EXPECT_EQ(LatName(45) + LatName(-9) + LatName(0) + LatName(-1), "N45S09N00S01");
  EXPECT_EQ(LonName(-123) + LonName(8) + LonName(0) + LonName(-180), "W123E008E000W180");

  int16_t lat = 99, lon = 99;
  EXPECT_TRUE(ParseTileName("C:\\DEM\\N45W123.hgt", lat, lon));
  EXPECT_EQ(lat, 45);
  EXPECT_EQ(lon, -123);
  EXPECT_TRUE(ParseTileName("/x/S09E008.hgt", lat, lon));
  EXPECT_EQ(lat, -9);
  EXPECT_EQ(lon, 8);
  lat = lon = 99;
  EXPECT_FALSE(ParseTileName("mytile.hgt", lat, lon));
  EXPECT_FALSE(ParseTileName("terrain.hgt", lat, lon));
  EXPECT_EQ(lat, 99);
  EXPECT_EQ(lon, 99);
  EXPECT_TRUE(ParseTileName("n45w123.hgt", lat, lon));  // letters in either case
  EXPECT_EQ(lat, 45);
  EXPECT_EQ(lon, -123);

  std::vector<std::string> names{"old"};
  ListTileNames(TileRect{-1, 1, -1, 1}, names);
  EXPECT_EQ(names,
            (std::vector<std::string>{"N00W001.HGT", "N00E000.HGT", "S01W001.HGT", "S01E000.HGT"}));
  ListTileNames(TileRect{3, 3, 0, 5}, names);
  EXPECT_TRUE(names.empty());
  TileRect r{5, 2, 9, -1};
  NormalizeTileRect(r);
  EXPECT_EQ(r.MinLat, 2);
  EXPECT_EQ(r.MaxLat, 5);
  EXPECT_EQ(r.MinLon, -1);
  EXPECT_EQ(r.MaxLon, 9);

  EXPECT_EQ(TileSizeKind(2884802), 2);
  EXPECT_EQ(TileSizeKind(25934402), 1);
  for (int64_t bad : {2884801, 2884803, 0}) EXPECT_EQ(TileSizeKind(bad), 0);
}

TEST(LoadHGT, MosaicGeometryAbsentTilesAndCounter) {
  TTempDir dir;
  // 2 x 2 tiles, the south-west one absent; names differ in case from the
  // list as they do on disk.
  std::vector<std::string> listed;
  ListTileNames(TileRect{44, 46, -123, -121}, listed);
  for (auto& n : listed) n = dir.File(n);
  WriteTile(dir.File("N45W123.hgt"), 0);
  WriteTile(dir.File("n45w122.HGT"), 1);
  WriteTile(dir.File("N44W122.hgt"), 3);

  TTMesh m;
  TProgressRecorder p;
  ASSERT_TRUE(LoadHGT(m, listed, 2, 2, 2, -7, &p));
  EXPECT_EQ(m.Cols, 2401);
  EXPECT_EQ(m.Rows, 2401);
  EXPECT_EQ(CopySamples(m), ReferenceGrid(2, 2, {true, true, false, true}, -7));
  // The absent tile keeps the fill value over its western column and
  // southern row; its northern row and eastern column come from neighbours.
  EXPECT_EQ(m.GetCell(0, 2400), -7);
  EXPECT_EQ(m.GetCell(0, 1200), TileSample(0, 1200, 0));
  EXPECT_EQ(m.GetCell(1200, 2000), TileSample(3, 800, 0));
  EXPECT_EQ(m.Kind, 2);
  EXPECT_EQ(m.FileName, "");
  EXPECT_EQ(m.TileFiles, listed);
  EXPECT_EQ(m.TilesAcross * 10 + m.TilesDown, 22);
  EXPECT_EQ(m.TileCount, 4);
  EXPECT_EQ(m.RowsPerDeg, 1200.0);
  EXPECT_EQ(m.VoidValue, -32768);
  EXPECT_EQ(m.GridRect, (TCellRect{0, 2400, 0, 2400}));
  // One bar over the four tiles: the counter stays until the end.
  EXPECT_EQ(p.texts, (std::vector<std::string>{"1 of 4", "2 of 4", "3 of 4", "4 of 4", ""}));
  EXPECT_FALSE(p.visible);

  // Wrong list length, kind or tile size: false, nothing allocated or left.
  TTMesh bad;
  EXPECT_FALSE(LoadHGT(bad, {listed[0], listed[1], listed[2]}, 2, 2, 2, 0, nullptr));
  EXPECT_FALSE(LoadHGT(bad, listed, 0, 2, 2, 0, nullptr));
  EXPECT_FALSE(LoadHGT(bad, listed, 1, 2, 2, 0, nullptr));  // 1201 tiles are not kind 1
  EXPECT_TRUE(bad.Samples.Empty());
  WriteFileBytes(dir.File("N44W123.hgt"), std::vector<unsigned char>(2884801, 0));
  TProgressRecorder q;
  EXPECT_FALSE(LoadHGT(bad, listed, 2, 2, 2, 0, &q));
  EXPECT_TRUE(bad.Samples.Empty());
  EXPECT_FALSE(q.visible);
}

TEST(LoadHGT, SingleTileLoadAndMessages) {
  TTempDir dir;
  WriteTile(dir.File("S09E008.hgt"), 5);
  TTMesh m;
  TProgressRecorder p;
  ASSERT_EQ(LoadSingleHGT(m, dir.File("S09E008.hgt"), dir.Path(), &p), "");
  EXPECT_EQ(m.Cols, 1201);
  EXPECT_EQ(m.FileName, dir.File("S09E008.hgt"));
  EXPECT_EQ(m.MinLat, -9);
  EXPECT_EQ(m.MaxLat, -8);
  EXPECT_EQ(m.MinLon, 8);
  EXPECT_EQ(m.MaxLon, 9);
  for (const auto& t : p.texts) EXPECT_EQ(t, "");  // no file counter for one tile

  WriteTile(dir.File("n45w123.hgt"), 5);
  TTMesh l;
  std::string warning = "none";
  ASSERT_EQ(LoadSingleHGT(l, dir.File("n45w123.hgt"), dir.Path(), nullptr, &warning), "");
  EXPECT_EQ(l.MinLat, 45);
  EXPECT_EQ(l.MinLon, -123);
  EXPECT_EQ(l.MaxLon, -122);
  EXPECT_EQ(warning, "none");
  // No position in the name: placed at N00 E000, never silently.
  WriteTile(dir.File("dem.hgt"), 5);
  TTMesh d;
  ASSERT_EQ(LoadSingleHGT(d, dir.File("dem.hgt"), dir.Path(), nullptr, &warning), "");
  EXPECT_EQ(d.MinLat, 0);
  EXPECT_EQ(d.MaxLon, 1);
  EXPECT_EQ(warning,
            "The position of dem.hgt cannot be read from its name; it is placed at N00 E000.");

  WriteFileBytes(dir.File("N01E001.hgt"), std::vector<unsigned char>(2884803, 0));
  TTMesh w;
  EXPECT_EQ(LoadSingleHGT(w, dir.File("N01E001.hgt"), dir.Path(), nullptr),
            "HGT file size is invalid.");
  EXPECT_TRUE(w.Samples.Empty());
}

TEST(LoadHGT, RealTilesShareTheirEdgeRow) {
  DELVA_REQUIRE_SHARED(north, "srtm/nomilous-srtm/S33E018.hgt");
  DELVA_REQUIRE_SHARED(south, "srtm/nomilous-srtm/S34E018.hgt");
  TTMesh m;
  ASSERT_TRUE(LoadHGT(m, {north, south}, 2, 1, 2, 0, nullptr));
  EXPECT_EQ(m.Cols, 1201);
  EXPECT_EQ(m.Rows, 2401);
  EXPECT_EQ(m.GetCell(0, 0), 0);
  EXPECT_EQ(m.GetCell(600, 600), 260);
  EXPECT_EQ(m.GetCell(0, 1200), 10);  // the south tile's first row
  EXPECT_EQ(m.GetCell(600, 1800), 365);
  EXPECT_EQ(m.GetCell(1200, 2400), 638);

  DELVA_REQUIRE_SHARED(everest, "srtm/gpxeditor/N27E086.hgt");
  TTMesh e;
  ASSERT_EQ(LoadSingleHGT(e, everest, "", nullptr), "");
  e.UpdateStats();
  EXPECT_EQ(e.MaxElev, 8840);
  EXPECT_EQ(e.MinElev, 192);
  EXPECT_EQ(e.VoidCount, 0);
  EXPECT_EQ(e.MinLat, 27);
  EXPECT_EQ(e.MaxLon, 87);
}
