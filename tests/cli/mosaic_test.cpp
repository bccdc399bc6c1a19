#include <gtest/gtest.h>

#include <tuple>

#include "support/cli_run.h"
#include "support/test_paths.h"
#include "support/zip_fixture.h"

namespace {

TCliRun Mosaic(const std::string& scratch, std::vector<std::string> args) {
  args.insert(args.begin(), "mosaic");
  return RunCli(scratch, args);
}

// A 1201 tile whose every sample is `value`.
std::vector<unsigned char> TileBytes(int16_t value) {
  return BigEndianBytes(std::vector<int16_t>(1201 * 1201, value));
}

}  // namespace

TEST(CliMosaic, MissingListsAbsentTilesWithBands) {
  TTempDir tiles, scratch;
  WriteStoredZip(tiles.File("N45W123.HGT.zip"), "N45W123.hgt", {1});
  for (auto [bands, out] : {std::pair{"", ""}, {"N", "N46W123.HGT\n"}}) {
    const TCliRun r = Mosaic(scratch.Path(), {"--folder", tiles.Path(), "--rect", "45,46,-123,-122",
                                              "--bands", bands, "--missing"});
    EXPECT_TRUE(r.status == 0 && r.out == out) << r.err << r.out;
  }
}

TEST(CliMosaic, LoadsWritesAndReportsTheEditorsMessages) {
  TTempDir tiles, scratch;
  WriteFileBytes(tiles.File("n45w123.hgt"), TileBytes(7));
  WriteStoredZip(tiles.File("N45W122.HGT.zip"), "N45W122.hgt", TileBytes(9));
  const std::string out = scratch.File("m.raw");
  TCliRun r = Mosaic(scratch.Path(), {"--folder", tiles.Path(), "--rect", "45,46,-123,-121",
                                      "--bands", "S", "--fill", "-5", out});
  ASSERT_TRUE(r.status == 0 && r.out.empty()) << r.err << r.out;
  // 2 x 1 tiles and a south band: 2401 columns, 2401 rows, big-endian.
  // The absent band tile keeps the fill value.
  const std::vector<int16_t> v = ReadBigEndianSamples(out);
  ASSERT_EQ(v.size(), 2401u * 2401u);
  EXPECT_EQ(std::tuple(v[0], v[2400], v[2400 * 2401]), std::tuple(7, 9, -5));

  // The checks and messages of the editor's command; OUT is never touched.
  WriteFileBytes(out, {1, 2}), WriteFileBytes(tiles.File("N45W122.HGT.zip"), {'x'});
  const TCliFailure cases[] = {
      {{"--rect", "45,46,-123,-121", out},
       1,
       "File N45W122.HGT.zip is not a known zip file format."},
      {{"--rect", "10,11,10,11", out}, 1, "Could not open files"},
      {{"--rect", "46,45,-123,-121", out}, 2, "Invalid rectangle."},
      {{"--rect", "89,90,0,1", "--bands", "N", out}, 2, "Invalid extra band."},
      {{"--rect", "45,46,-123,-121", "--bands", "NX", out}, 2, ""},
      {{"--rect", "45,46", out}, 2, ""},
      {{"--rect", "45,46,-123,-121"}, 2, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--folder", tiles.Path()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_TRUE(c.Matches(Mosaic(scratch.Path(), args))) << c.args[1];
  }
  EXPECT_EQ(ReadFileBytes(out), (std::vector<unsigned char>{1, 2}));
}
