#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "core/base/sample_io.h"
#include "core/formats/hgx_format.h"
#include "core/mesh/mesh.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <csignal>
#endif

namespace {

void SetGeo(TTMesh& m) {
  m.MinLat = -12.5f;
  m.MaxLat = -10.0f;
  m.MinLon = 120.25f;
  m.MaxLon = 121.0f;
  m.RowsPerDeg = 1200;
  m.ColsPerDeg = 3600;
  m.AdjoNorth = 1;
  m.AdjoSouth = 0;
  m.AdjoWest = 0;
  m.AdjoEast = 2;
  m.VoidValue = -9999;
}

std::vector<unsigned char> Header(int32_t cols, int32_t rows, uint32_t version = 3) {
  std::vector<unsigned char> h(64, 0);
  std::memcpy(h.data(), "HGXF", 4);
  PutLE32(&h[8], version);
  PutLE32(&h[12], uint32_t(cols));
  PutLE32(&h[16], uint32_t(rows));
  return h;
}

}  // namespace

TEST(HGX, HeaderLayoutIsByteExact) {
  TTempDir dir;
  TTMesh m;
  MakeMesh(m, 3, 2, {1, 2, 3, -32768, 0x0102, -1});
  SetGeo(m);
  ASSERT_TRUE(SaveToFile(m, dir.File("a.hgx"), true, m.GridRect, true, nullptr));
  std::vector<unsigned char> b = ReadFileBytes(dir.File("a.hgx"));
  ASSERT_EQ(b.size(), 64u + 12u);
  EXPECT_EQ(std::memcmp(b.data(), "HGXF", 4), 0);
  EXPECT_EQ(GetLE16(&b[4]), 64);
  EXPECT_EQ(GetLE16(&b[6]), 0);
  EXPECT_EQ(GetLE32(&b[8]), 3u);
  EXPECT_EQ(GetLE32(&b[12]), 3u);
  EXPECT_EQ(GetLE32(&b[16]), 2u);
  EXPECT_EQ(GetLEFloat(&b[20]), 1200.0f);
  EXPECT_EQ(GetLEFloat(&b[24]), 3600.0f);
  // -12.5f is 0xC1480000.
  EXPECT_EQ(std::vector<unsigned char>(b.begin() + 28, b.begin() + 32),
            (std::vector<unsigned char>{0x00, 0x00, 0x48, 0xC1}));
  EXPECT_EQ(GetLEFloat(&b[32]), -10.0f);
  EXPECT_EQ(GetLEFloat(&b[36]), 120.25f);
  EXPECT_EQ(GetLEFloat(&b[40]), 121.0f);
  EXPECT_EQ(GetLE32(&b[44]), 1u);
  EXPECT_EQ(GetLE32(&b[48]), 0u);
  EXPECT_EQ(GetLE32(&b[52]), 0u);
  EXPECT_EQ(GetLE32(&b[56]), 2u);
  EXPECT_EQ(int16_t(GetLE16(&b[60])), -9999);
  EXPECT_EQ(GetLE16(&b[62]), 0);
  EXPECT_EQ(std::vector<unsigned char>(b.begin() + 64, b.end()),
            BigEndianBytes({1, 2, 3, -32768, 0x0102, -1}));

  // A sub-rectangle writes its own size but the mesh's bounds and bands.
  ASSERT_TRUE(SaveToFile(m, dir.File("one.hgx"), true, TCellRect{1, 1, 1, 1}, true, nullptr));
  b = ReadFileBytes(dir.File("one.hgx"));
  ASSERT_EQ(b.size(), 66u);
  EXPECT_EQ(GetLE32(&b[12]), 1u);
  EXPECT_EQ(GetLE32(&b[56]), 2u);
  EXPECT_EQ(b[64], 0x01);
  EXPECT_EQ(b[65], 0x02);
}

TEST(HGX, RoundTripAndHeaderSizeIgnored) {
  TTempDir dir;
  TTMesh m;
  MakeMesh(m, 3, 2, {1, 2, 3, -32768, 32767, -1});
  SetGeo(m);
  ASSERT_TRUE(SaveToFile(m, dir.File("a.hgx"), true, m.GridRect, true, nullptr));
  // Header size field other than 64, and trailing bytes: both ignored.
  std::vector<unsigned char> b = ReadFileBytes(dir.File("a.hgx"));
  b[4] = 99;
  b.push_back(0xAB);
  WriteFileBytes(dir.File("b.hgx"), b);

  TTMesh l;
  TProgressRecorder p;
  ASSERT_TRUE(LoadHGX(l, dir.File("b.hgx"), &p));
  EXPECT_FALSE(p.visible);
  EXPECT_EQ(p.pumps, 2);
  EXPECT_EQ(l.Kind, 3);
  EXPECT_EQ(l.FileName, dir.File("b.hgx"));
  EXPECT_EQ(l.GridRect, (TCellRect{0, 2, 0, 1}));
  EXPECT_EQ(l.SelRect, l.GridRect);
  EXPECT_EQ(l.TileCount * 100 + l.TilesAcross * 10 + l.TilesDown, 111);
  EXPECT_EQ(l.MinLat, -12.5f);
  EXPECT_EQ(l.MaxLon, 121.0f);
  EXPECT_EQ(l.ColsPerDeg, 3600.0);
  EXPECT_EQ(l.AdjoEast, 2);
  EXPECT_EQ(l.VoidValue, -9999);
  EXPECT_EQ(CopySamples(l), (std::vector<int16_t>{1, 2, 3, -32768, 32767, -1}));
  EXPECT_FALSE(LoadHGX(l, dir.File("b.hgx"), nullptr));  // only into a fresh mesh
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
  EXPECT_TRUE(refused(with(0, 'X')));
  EXPECT_TRUE(refused(with(8, 2)));                                                // version 2
  EXPECT_TRUE(refused(std::vector<unsigned char>(good.begin(), good.end() - 1)));  // truncated
  EXPECT_TRUE(refused(Header(0, 5)));
  EXPECT_TRUE(refused(Header(-3, 5)));
  EXPECT_TRUE(refused(Header(100000, 100000)));  // claims 20 GB in a 64-byte file
  EXPECT_TRUE(refused(Header(INT_MAX, INT_MAX)));
  EXPECT_TRUE(refused(with(52, 3)));  // a west band wider than the grid
  // Non-finite densities or bounds (float bytes 0x7f800000 infinity, 0x7fc00000 NaN).
  for (size_t at : {20, 24, 28, 32, 36, 40})
    for (unsigned char high : {0x80, 0xc0}) {
      auto b = with(at + 3, 0x7f);
      b[at + 2] = high;
      EXPECT_TRUE(refused(b)) << at;
    }

  TTMesh m;
  EXPECT_FALSE(LoadHGX(m, dir.File("missing.hgx"), nullptr));
  EXPECT_FALSE(LoadHGX(m, dir.Path(), nullptr));  // a folder
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
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  bool saved = SaveToFile(m, target, true, m.GridRect, true, nullptr);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
#endif
  EXPECT_EQ(ReadFileBytes(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"keep.hgx"});

  ASSERT_TRUE(SaveToFile(m, target, true, m.GridRect, true, nullptr));
  EXPECT_EQ(ReadFileBytes(target).size(), 64u + 180000u);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"keep.hgx"});
}
