// delvacli fill-voids and edit: results equal the core operations, usage
// errors leave no output behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/edit/fill_voids.h"
#include "core/edit/interpol.h"
#include "core/edit/mesh_edit.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/poly_raster.h"
#include "support/cli_run.h"
#include "support/test_paths.h"

namespace {

constexpr int kCols = 30, kRows = 20;
const std::string kRaster = "20,30,47,48,-123,-122";

// Relief with a void blob at (10..14, 5..9) and a void at (25, 15).
std::vector<int16_t> Relief() {
  std::vector<int16_t> v(kCols * kRows);
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kCols; ++x) {
      bool hole = (x >= 10 && x <= 14 && y >= 5 && y <= 9) || (x == 25 && y == 15);
      v[y * kCols + x] = hole ? int16_t(-32768) : int16_t(32700 - 37 * x + 11 * y);
    }
  return v;
}

class EditCli : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(In(), BigEndianBytes(Relief())); }
  std::string In() const { return dir.File("in.raw"); }
  std::string Out() const { return dir.File("out.raw"); }
  TCliRun Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {In(), Out()});
    args.insert(args.end(), {"--raster", kRaster});
    return RunCli(dir.Path(), args);
  }
  void Expect(const TTMesh& m) { EXPECT_EQ(ReadBigEndianSamples(Out()), CopySamples(m)); }
  TTempDir dir;
};

TEST_F(EditCli, FillVoidsEqualsTheCoreWithRectOrPolygon) {
  TTMesh m;
  MakeMesh(m, kCols, kRows, Relief());
  m.VoidValue = -32768;
  TTInterpolRun run;
  ASSERT_TRUE(InterpolNearestNei(m, m.GridRect, 70, nullptr, nullptr, 6.0, &run));
  TCliRun r = Run({"fill-voids"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "filled 26 of 26 voids\n");
  Expect(m);

  // A polygon over part of the blob: voids outside it stay.
  MakeMesh(m, kCols, kRows, Relief());
  m.VoidValue = -32768;
  TTCellPoint tri[] = {{8, 3}, {13, 3}, {8, 8}};
  TTCellMask mask(TCellRect{8, 13, 3, 8});
  RasterizePolygon(tri, 3, mask);
  ASSERT_TRUE(InterpolNearestNei(m, mask.Bounds(), 3, nullptr, &mask, 2.5, &run));
  r = Run({"fill-voids", "--radius", "3", "--weight", "2.5", "--polygon", "8,3;13,3;8,8"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "filled " + std::to_string(run.Filled) + " of " + std::to_string(run.Voids) +
                       " voids\n");
  EXPECT_LT(run.Voids, 25);
  Expect(m);
}

TEST_F(EditCli, FillVoidsMethodsAndOptionsReachTheCore) {
  TTMesh m;
  MakeMesh(m, kCols, kRows, Relief());
  m.VoidValue = -32768;
  TTFillRequest q;
  q.Method = TFillMethod::Spline;
  q.Options.MaxVoid = 10;  // the blob of 25 stays
  TTFillRun run;
  ASSERT_TRUE(FillVoids(m, m.GridRect, nullptr, q, nullptr, &run));
  TCliRun r = Run({"fill-voids", "--method", "spline", "--max-void", "10", "--interior-only"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "filled 1 of 26 voids\n");
  Expect(m);
}

TEST_F(EditCli, EditOperationsEqualTheCore) {
  TTMesh m;
  MakeMesh(m, kCols, kRows, Relief());
  m.VoidValue = -32768;
  EXPECT_TRUE(AddVertOffset(m, TCellRect{2, 12, 1, 7}, 100));
  TCliRun r = Run({"edit", "--offset", "100", "--rect", "2,1,12,7"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Some elevation samples have been clipped.\n");
  Expect(m);

  MakeMesh(m, kCols, kRows, Relief());
  TTCellPoint tri[] = {{0, 0}, {15, 0}, {0, 15}};
  TTCellMask mask(TCellRect{0, 15, 0, 15});
  RasterizePolygon(tri, 3, mask);
  FillMasked(mask, m, 7, -32768, kFillVoidsOnly);
  r = Run({"edit", "--fill", "7", "--mode", "voids-only", "--polygon", "0,0;15,0;0,15;0,0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  Expect(m);

  MakeMesh(m, kCols, kRows, Relief());
  RestrictHeight(m, m.GridRect, 32000, 32500, 3);
  r = Run({"edit", "--restrict", "--lower", "32000", "--upper", "32500"});
  ASSERT_EQ(r.status, 0) << r.err;
  Expect(m);
}

TEST_F(EditCli, BadArgumentsExitTwoWithOneLineAndNoOutput) {
  const std::vector<std::vector<std::string>> bad = {
      {"edit", "--offset", "5000000000"},
      {"edit", "--offset", "-2147483649"},
      {"edit"},
      {"edit", "--offset", "1", "--fill", "2", "--mode", "all"},
      {"edit", "--restrict"},
      {"edit", "--fill", "2"},
      {"edit", "--change", "1,40000"},
      {"edit", "--offset", "1", "--rect", "0,0,30,5"},
      {"edit", "--offset", "1", "--polygon", "0,0;5,5"},
      {"fill-voids", "--radius", "1001"},
      {"fill-voids", "--weight", "abc"},
      {"fill-voids", "--method", "kriging"},
      {"fill-voids", "--method", "dem"},
      {"fill-voids", "--method", "spline", "--radius", "5"},
      {"fill-voids", "--max-void", "0"},
  };
  for (const auto& args : bad) {
    TCliRun r = Run(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.status, 2) << joined << r.err;
    EXPECT_TRUE(OneErrorLine(r.err)) << joined;
    EXPECT_EQ(r.out, "") << joined;
    EXPECT_TRUE(FolderEntries(dir.Path()) == std::vector<std::string>{"in.raw"}) << joined;
  }
  TCliRun r = Run({"edit", "--offset", "5000000000"});
  EXPECT_NE(r.err.find("offset"), std::string::npos);
  EXPECT_NE(r.err.find("2147483647"), std::string::npos);
  r = Run({"fill-voids", "--weight", "abc"});
  EXPECT_EQ(r.err, "delvacli: Invalid format for Weight.\n");
  r = Run({"fill-voids", "--weight", "0.5"});
  EXPECT_EQ(r.err, "delvacli: Weight must be greater than 1.\n");
}

}  // namespace
