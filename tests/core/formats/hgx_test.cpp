#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <tuple>

#include "core/base/sample_io.h"
#include "core/formats/hgx_format.h"
#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <csignal>
#endif

namespace {

void SetGeo(TTMesh& m) {
  m.MinLat = -12.5f, m.MaxLat = -10.0f, m.MinLon = 120.25f, m.MaxLon = 121.0f;
  m.RowsPerDeg = 1200, m.ColsPerDeg = 3600, m.VoidValue = -9999;
  m.AdjoNorth = 1, m.AdjoSouth = 1, m.AdjoWest = 1, m.AdjoEast = 2;
}

std::vector<unsigned char> Header(int32_t cols, int32_t rows, uint32_t version = 3) {
  std::vector<unsigned char> h(64, 0);
  std::memcpy(h.data(), "HGXF", 4);
  PutLE32(&h[8], version), PutLE32(&h[12], uint32_t(cols)), PutLE32(&h[16], uint32_t(rows));
  return h;
}

}  // namespace

// HGX and raw rasters out and back in, byte exact: a sub-rectangle keeps the
// mesh's bounds and bands, the header size field and trailing bytes of an HGX
// are ignored, a raw raster comes back in either byte order, voids written as asked.
TEST(Codecs, HgxAndRawRoundTrip) {
  TTempDir dir;
  TTMesh m;
  const std::vector<int16_t> s = {1, 2, 3, -32768, 0x0102, -1};
  MakeMesh(m, 3, 2, s), SetGeo(m);
  ASSERT_TRUE(SaveToFile(m, dir.File("a.hgx"), true, m.GridRect, true, nullptr));
  const std::vector<unsigned char> header = {
      'H', 'G',  'X',  'F',  64,   0,    0,    0,    3, 0, 0, 0,  // header size, version
      3,   0,    0,    0,    2,    0,    0,    0,                 // columns, rows
      0,   0,    0x96, 0x44, 0,    0,    0x61, 0x45,              // 1200, 3600 per degree
      0,   0,    0x48, 0xC1, 0,    0,    0x20, 0xC1,              // -12.5 .. -10
      0,   0x80, 0xF0, 0x42, 0,    0,    0xF2, 0x42,              // 120.25 .. 121
      1,   0,    0,    0,    1,    0,    0,    0,    1, 0, 0, 0,
      2,   0,    0,    0,    0xF1, 0xD8, 0,    0};  // bands, -9999
  std::vector<unsigned char> b = header, one = header, samples = BigEndianBytes(s);
  b.insert(b.end(), samples.begin(), samples.end());
  EXPECT_EQ(ReadFileBytes(dir.File("a.hgx")), b);
  ASSERT_TRUE(SaveToFile(m, dir.File("one.hgx"), true, TCellRect{1, 1, 1, 1}, true, nullptr));
  one[12] = one[16] = 1, one.insert(one.end(), {0x01, 0x02});
  EXPECT_EQ(ReadFileBytes(dir.File("one.hgx")), one);
  unsigned char direct[kHGXHeaderSize];  // the reserved bytes 0, whatever the buffer held
  std::fill_n(direct, kHGXHeaderSize, 0xEE), BuildHGXHeader(m, m.GridRect, direct);
  EXPECT_EQ(std::vector<unsigned char>(direct, direct + kHGXHeaderSize), header);

  b[4] = 99, b.push_back(0xAB), WriteFileBytes(dir.File("b.hgx"), b);
  TTMesh l;
  TProgressRecorder p;
  ASSERT_TRUE(LoadHGX(l, dir.File("b.hgx"), &p));
  EXPECT_EQ(std::tuple(p.visible, p.pumps, p.bars.back(), l.Kind, l.FileName, l.TileCount,
                       l.TilesAcross, l.TilesDown, l.GridRect, l.SelRect),
            std::tuple(false, 2, 100, 3, dir.File("b.hgx"), 1, 1, 1, TCellRect{0, 2, 0, 1},
                       TCellRect{0, 2, 0, 1}));
  // Every field read back: saved again, the same file.
  ASSERT_TRUE(SaveToFile(l, dir.File("c.hgx"), true, l.GridRect, true, nullptr));
  EXPECT_EQ(ReadFileBytes(dir.File("c.hgx")), ReadFileBytes(dir.File("a.hgx")));
  EXPECT_FALSE(LoadHGX(l, dir.File("b.hgx"), nullptr));  // only into a fresh mesh
  // Rows longer than a block; more rows than one holds (128 of 2048 bytes), the last one short.
  TTMesh big;
  for (const auto& [cols, rows] : {std::pair(131073, 3), std::pair(1024, 200)}) {
    TTMesh back;
    MakeMesh(big, cols, rows, 7, -9999), SetGeo(big), big.SetCell(cols - 1, rows - 1, 9);
    ASSERT_TRUE(SaveToFile(big, dir.File("big.hgx"), true, big.GridRect, true, nullptr));
    ASSERT_TRUE(LoadHGX(back, dir.File("big.hgx"), nullptr) &&
                CopySamples(back) == CopySamples(big));
  }

  for (bool msb : {true, false}) {
    ASSERT_EQ(SaveMeshAsRaw(m, dir.File("r.raw"), msb, -9999, nullptr), "");
    std::vector<int16_t> want = s;
    want[3] = -9999, b = BigEndianBytes(want);
    if (!msb)
      for (size_t i = 0; i < b.size(); i += 2) std::swap(b[i], b[i + 1]);
    EXPECT_EQ(ReadFileBytes(dir.File("r.raw")), b) << msb;
    TTMesh back;
    TTRasterImport in{dir.File("r.raw"), {-10, -12, 120, 121}, 2, 3, msb, -9999, {}};
    ASSERT_TRUE(LoadRasterMesh(back, in, nullptr) == "" && CopySamples(back) == want);
  }
  TProgressRecorder bar;  // a selection below the first row: the bar runs from 0 to 100
  ASSERT_TRUE(SaveToFile(big, dir.File("h.raw"), false, TCellRect{0, 9, 100, 199}, true, &bar));
  EXPECT_EQ(std::tuple(bar.bars.front(), bar.bars.back(), bar.shows), std::tuple(0, 100, 1));
  ASSERT_TRUE(SaveToFile(m, dir.File("h.raw"), false, m.GridRect, true, nullptr));  // headerless
  EXPECT_EQ(ReadFileBytes(dir.File("h.raw")), samples);
  EXPECT_EQ(FolderEntries(dir.Path()),
            (std::vector<std::string>{"a.hgx", "b.hgx", "big.hgx", "c.hgx", "h.raw", "one.hgx",
                                      "r.raw"}));
}

TEST(HGX, RefusesBadFilesWithoutAllocating) {
  TTempDir dir;
  auto refused = [&](const std::vector<unsigned char>& bytes) {
    WriteFileBytes(dir.File("x.hgx"), bytes);
    TTMesh m;
    bool ok = LoadHGX(m, dir.File("x.hgx"), nullptr);
    return !ok && m.Samples.Empty() && m.Cols == 0 && m.Kind == 0;
  };
  std::vector<unsigned char> good = Header(2, 1);
  good.insert(good.end(), {0, 1, 0, 2});
  ASSERT_FALSE(refused(good));

  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused(std::vector<unsigned char>(good.begin(), good.begin() + 63)));  // short
  auto with = [&](size_t at, unsigned char v) {
    auto b = good;
    b[at] = v;
    return b;
  };
  THGXHeader h;  // refused by the header's reader itself, not only by what follows it
  EXPECT_FALSE(ParseHGXHeader(with(0, 'X').data(), h) || ParseHGXHeader(with(8, 2).data(), h));
  EXPECT_TRUE(refused(with(0, 'X')) && refused(with(8, 2)));                       // version 2
  EXPECT_TRUE(refused(std::vector<unsigned char>(good.begin(), good.end() - 1)));  // truncated
  // 100000 x 100000 claims 20 GB in a 64-byte file.
  for (auto [cols, rows] : {std::pair{0, 5}, {-3, 5}, {100000, 100000}, {INT_MAX, INT_MAX}})
    EXPECT_TRUE(refused(Header(cols, rows))) << cols;
  for (size_t band : {48, 52, 56})
    EXPECT_TRUE(refused(with(band, 3))) << band;  // a south, west or east band too wide
  // Non-finite densities or bounds (float bytes 0x7f800000 infinity, 0x7fc00000 NaN).
  for (size_t at : {20, 24, 28, 32, 36, 40})
    for (unsigned char high : {0x80, 0xc0}) {
      auto b = with(at + 3, 0x7f);
      b[at + 2] = high;
      EXPECT_TRUE(refused(b) && !ParseHGXHeader(b.data(), h)) << at;
    }

  TTMesh m;
  EXPECT_FALSE(LoadHGX(m, dir.File("missing.hgx"), nullptr) || LoadHGX(m, dir.Path(), nullptr));
}

TEST(HGX, FailedSaveKeepsOldFileAndLeavesNoTemporary) {
  TTempDir dir;
  const std::string target = dir.File("keep.hgx");
  WriteFileBytes(target, {'o', 'l', 'd'});
  TTMesh empty;
  EXPECT_FALSE(SaveToFile(empty, target, true, TCellRect{0, 0, 0, 0}, true, nullptr));
  TTMesh m;
  MakeMesh(m, 300, 300, std::vector<int16_t>(90000, 5));
  EXPECT_FALSE(SaveToFile(m, target, true, TCellRect{0, 300, 0, 0}, true, nullptr));  // outside
  EXPECT_FALSE(SaveToFile(m, dir.File("no/such/folder.hgx"), true, m.GridRect, true, nullptr));
#if defined(__linux__)
  // A write that fails half-way (file size limit) must not touch the target.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096, setrlimit(RLIMIT_FSIZE, &small);
  bool saved = SaveToFile(m, target, true, m.GridRect, true, nullptr);
  setrlimit(RLIMIT_FSIZE, &old), std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
#endif
  EXPECT_EQ(ReadFileBytes(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"keep.hgx"});
}
