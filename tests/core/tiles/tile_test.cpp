#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

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
  for (size_t i = 0; i < v.size(); ++i) v[i] = TileSample(tile, int(i / S), int(i % S));
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

  // Letters in either case; a name without a position leaves the outputs.
  for (auto [name, ok, wantLat, wantLon] : {std::tuple{"C:\\DEM\\N45W123.hgt", true, 45, -123},
                                            {"/x/S09E008.hgt", true, -9, 8},
                                            {"n45w123.hgt", true, 45, -123},
                                            {"mytile.hgt", false, 99, 99},
                                            {"N45X123.hgt", false, 99, 99}}) {
    int16_t lat = 99, lon = 99;
    EXPECT_EQ(ParseTileName(name, lat, lon), ok) << name;
    EXPECT_EQ(std::tuple(int(lat), int(lon)), std::tuple(wantLat, wantLon)) << name;
  }

  std::vector<std::string> names{"old"};
  ListTileNames(TileRect{-1, 1, -1, 1}, names);
  EXPECT_EQ(names,
            (std::vector<std::string>{"N00W001.HGT", "N00E000.HGT", "S01W001.HGT", "S01E000.HGT"}));
  ListTileNames(TileRect{3, 3, 0, 5}, names);
  EXPECT_TRUE(names.empty());
  TileRect r{5, 2, 9, -1};
  NormalizeTileRect(r);
  EXPECT_EQ(std::tuple(r.MinLat, r.MaxLat, r.MinLon, r.MaxLon), std::tuple(2, 5, -1, 9));

  EXPECT_EQ(std::tuple(TileSizeKind(2884802), TileSizeKind(25934402)), std::tuple(2, 1));
  for (int64_t bad : {2884801, 2884803, 0}) EXPECT_EQ(TileSizeKind(bad), 0);
}

TEST(LoadHGT, MosaicGeometryAbsentTilesAndCounter) {
  TTempDir dir;
  // 2 x 2 tiles, the south-west one absent; names differ in case from the list as they do on disk.
  std::vector<std::string> listed;
  ListTileNames(TileRect{44, 46, -123, -121}, listed);
  for (auto& n : listed) n = dir.File(n);
  WriteTile(dir.File("N45W123.hgt"), 0), WriteTile(dir.File("n45w122.HGT"), 1);
  WriteTile(dir.File("N44W122.hgt"), 3);

  TTMesh m;
  TProgressRecorder p;
  ASSERT_TRUE(LoadHGT(m, listed, 2, 2, 2, -7, &p));
  // The absent tile keeps the fill value over its western column and
  // southern row; its northern row and eastern column come from neighbours.
  EXPECT_EQ(CopySamples(m), ReferenceGrid(2, 2, {true, true, false, true}, -7));
  EXPECT_EQ(std::tuple(m.Kind, m.TilesAcross, m.TilesDown, m.TileCount, m.RowsPerDeg, m.VoidValue),
            std::tuple(2, 2, 2, 4, 1200.0, -32768));
  EXPECT_EQ(std::tuple(m.FileName, m.TileFiles, m.GridRect),
            std::tuple("", listed, TCellRect{0, 2400, 0, 2400}));
  // One bar over the four tiles, moved on by this thread alone up to its end:
  // the counter stays until then; it moves within a tile too.
  EXPECT_EQ(p.texts, (std::vector<std::string>{"1 of 4", "2 of 4", "3 of 4", "4 of 4", ""}));
  for (int k = 0; k < 4; ++k) EXPECT_GE(p.textBars[size_t(k)], 25 * k);  // not before its turn
  EXPECT_FALSE(p.visible || p.foreign || p.bars.back() != 100 || !std::ranges::is_sorted(p.bars) ||
               std::none_of(p.bars.begin(), p.bars.end(), [](int b) { return b % 25 != 0; }));

  // Wrong list length, kind, or tile size (1201 is not kind 1): false, nothing allocated or left.
  TTMesh bad;
  EXPECT_FALSE(LoadHGT(bad, {listed[0], listed[1], listed[2]}, 2, 2, 2, 0, nullptr) ||
               LoadHGT(bad, listed, 0, 2, 2, 0, nullptr) ||
               LoadHGT(bad, listed, 1, 2, 2, 0, nullptr) || !bad.Samples.Empty());
  WriteFileBytes(dir.File("N44W123.hgt"), std::vector<unsigned char>(2884801, 0));
  TProgressRecorder q;
  EXPECT_TRUE(!LoadHGT(bad, listed, 2, 2, 2, 0, &q) && bad.Samples.Empty() && !q.visible);
}

TEST(LoadHGT, SingleTileLoadAndMessages) {
  TTempDir dir;
  WriteTile(dir.File("S09E008.hgt"), 5);
  TTMesh m;
  TProgressRecorder p;
  ASSERT_EQ(LoadSingleHGT(m, dir.File("S09E008.hgt"), dir.Path(), &p), "");
  EXPECT_EQ(m.FileName, dir.File("S09E008.hgt"));
  EXPECT_EQ(std::tuple(m.Cols, m.MinLat, m.MaxLat, m.MinLon, p.shows, p.visible),
            std::tuple(1201, -9.f, -8.f, 8.f, 1, false));  // the bar shown from 0 to full, hidden
  EXPECT_EQ(std::pair(p.bars.front(), p.bars.back()), std::pair(0, 100));
  for (const auto& t : p.texts) EXPECT_EQ(t, "");  // no file counter for one tile

  WriteTile(dir.File("n45w123.hgt"), 5);
  TTMesh l;
  std::string warning = "none";
  ASSERT_EQ(LoadSingleHGT(l, dir.File("n45w123.hgt"), dir.Path(), nullptr, &warning), "");
  EXPECT_EQ(std::tuple(l.MinLat, l.MinLon, l.MaxLon), std::tuple(45.f, -123.f, -122.f));
  EXPECT_EQ(warning, "none");
  // No position in the name: placed at N00 E000, never silently.
  WriteTile(dir.File("dem.hgt"), 5);
  TTMesh d;
  ASSERT_EQ(LoadSingleHGT(d, dir.File("dem.hgt"), dir.Path(), nullptr, &warning), "");
  EXPECT_EQ(std::tuple(d.MinLat, d.MaxLon), std::tuple(0, 1));
  EXPECT_EQ(warning,
            "The position of dem.hgt cannot be read from its name; it is placed at N00 E000.");

  WriteFileBytes(dir.File("N01E001.hgt"), std::vector<unsigned char>(2884803, 0));
  TTMesh w;
  EXPECT_EQ(LoadSingleHGT(w, dir.File("N01E001.hgt"), dir.Path(), nullptr),
            "HGT file size is invalid.");
  EXPECT_TRUE(w.Samples.Empty());
  // A tile cut short after its size was checked (as its bar shows) is refused, not half read.
  struct TCut : TProgressRecorder {
    std::string file;
    void VisibilityChanged(bool v) override { v ? WriteFileBytes(file, {1, 2}) : void(); }
  } cut;
  WriteTile(cut.file = dir.File("N01E001.hgt"), 5);
  EXPECT_TRUE(LoadSingleHGT(w, cut.file, dir.Path(), &cut) == "Could not load mesh." &&
              w.Samples.Empty());
}

// Real data against known figures; the layout of real tiles is checked byte
// for byte by the split back into them.
TEST(LoadHGT, RealTileHasItsKnownExtremes) {
  DELVA_REQUIRE_SHARED(everest, "srtm/gpxeditor/N27E086.hgt");
  TTMesh e;
  ASSERT_EQ(LoadSingleHGT(e, everest, "", nullptr), "");  // figures taken while reading
  EXPECT_EQ(std::tuple(e.MaxElev, e.MinElev, e.VoidCount, e.MinLat, e.MaxLon),
            std::tuple(8840, 192, 0, 27.f, 87.f));
}
