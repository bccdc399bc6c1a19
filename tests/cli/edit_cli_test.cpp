// delvacli fill-voids and edit: results equal the core operations, usage
// errors leave no output behind.
#include <gtest/gtest.h>

#include <functional>

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
    args.insert(args.begin() + 1, {In(), Out()}), args.insert(args.end(), {"--raster", kRaster});
    return RunCli(dir.Path(), args);
  }
  void Expect(const TTMesh& m) { EXPECT_EQ(ReadBigEndianSamples(Out()), CopySamples(m)); }
  TTempDir dir;
};

// Each command line against the core operation it stands for.
TEST_F(EditCli, EachCommandEqualsTheCore) {
  auto masked = [](std::vector<TTCellPoint> pts) {
    TTCellMask mask(TCellRect{0, kCols - 1, 0, kRows - 1});
    RasterizePolygon(pts.data(), int32_t(pts.size()), mask);
    return mask;
  };
  struct TCase {
    std::vector<std::string> args;
    std::string out;  // "" = no output; "*" = not compared
    std::function<void(TTMesh&)> core;
  };
  const TCase cases[] = {
      TCase({"fill-voids"}, "filled 26 of 26 voids\n",
            [](TTMesh& m) { InterpolNearestNei(m, m.GridRect, 70, nullptr, nullptr, 6.0); }),
      // A polygon over part of the blob: voids outside it stay.
      TCase({"fill-voids", "--radius", "3", "--weight", "2.5", "--polygon", "8,3;13,3;8,8"}, "*",
            [&](TTMesh& m) {
              const TTCellMask mask = masked({{8, 3}, {13, 3}, {8, 8}});
              InterpolNearestNei(m, TCellRect{8, 13, 3, 8}, 3, nullptr, &mask, 2.5);
            }),
      // The other methods and the region options reach the core.
      TCase({"fill-voids", "--method", "spline", "--max-void", "10", "--interior-only"},
            "filled 1 of 26 voids\n",
            [](TTMesh& m) {
              TTFillRequest q{.Method = TFillMethod::Spline};
              q.Options.MaxVoid = 10;  // the blob of 25 stays
              FillVoids(m, m.GridRect, nullptr, q, nullptr, nullptr);
            }),
      TCase({"edit", "--offset", "100", "--rect", "2,1,12,7"},
            "Some elevation samples have been clipped.\n",
            [](TTMesh& m) {
              AddVertOffset(m, TCellRect{2, 12, 1, 7}, 100);
            }),
      TCase({"edit", "--fill", "7", "--mode", "voids-only", "--polygon", "0,0;15,0;0,15;0,0"}, "",
            [&](TTMesh& m) {
              FillMasked(masked({{0, 0}, {15, 0}, {0, 15}}), m, 7, -32768, kFillVoidsOnly);
            }),
      TCase({"edit", "--restrict", "--lower", "32000", "--upper", "32500"}, "",
            [](TTMesh& m) { RestrictHeight(m, m.GridRect, 32000, 32500, 3); }),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    TTMesh m;
    MakeMesh(m, kCols, kRows, Relief()), m.VoidValue = -32768;
    c.core(m);
    TCliRun r = Run(c.args);
    ASSERT_TRUE(r.status == 0 && (c.out == "*" || r.out == c.out)) << r.err << r.out;
    Expect(m);
  }
}

TEST_F(EditCli, BadArgumentsExitTwoWithOneLineAndNoOutput) {
  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"edit", "--offset", "5000000000"}, "2147483647"},  // the message names the range
      {{"edit"}, ""},
      {{"edit", "--offset", "1", "--fill", "2", "--mode", "all"}, ""},
      {{"edit", "--restrict"}, ""},
      {{"edit", "--fill", "2"}, ""},
      {{"edit", "--change", "1,40000"}, ""},
      {{"edit", "--offset", "1", "--rect", "0,0,30,5"}, ""},
      {{"edit", "--offset", "1", "--polygon", "0,0;5,5"}, ""},
      {{"fill-voids", "--radius", "1001"}, ""},
      {{"fill-voids", "--weight", "abc"}, "delvacli: Invalid format for Weight.\n"},
      {{"fill-voids", "--weight", "0.5"}, "delvacli: Weight must be greater than 1.\n"},
      {{"fill-voids", "--method", "kriging"}, ""},
      {{"fill-voids", "--method", "dem"}, ""},
      {{"fill-voids", "--method", "spline", "--radius", "5"}, ""},
      {{"fill-voids", "--max-void", "0"}, ""},
  };
  for (const auto& [args, message] : bad) {
    const TCliRun r = Run(args);
    const std::string what = args[0] + " " + args.back();
    EXPECT_EQ(r.status, 2) << what << r.err;
    EXPECT_TRUE(OneErrorLine(r.err) && r.err.find(message) != std::string::npos) << what << r.err;
    EXPECT_EQ(r.out, "") << what;
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"in.raw"}) << what;
  }
}

}  // namespace
