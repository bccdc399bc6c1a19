#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/cli_run.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {
TCliRun Cli(const TTempDir& dir, const std::vector<std::string>& args) {
  return RunCli(dir.Path(), args);
}
}  // namespace

TEST(CliUnzip, ExtractsPrintsCountAndFails) {
  DELVA_REQUIRE_SHARED(zip, "zip/commons-compress/SHRUNK.ZIP");
  TTempDir dir;
  TCliRun all = Cli(dir, {"unzip", zip, dir.File("all")});
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.out, "2\n");
  EXPECT_EQ(fs::file_size(dir.File("all/TEST1.XML")), 76u);
  EXPECT_EQ(fs::file_size(dir.File("all/TEST2.XML")), 81u);

  TCliRun some = Cli(dir, {"unzip", zip, dir.File("some"), "test2.*"});
  EXPECT_EQ(some.status, 0);
  EXPECT_EQ(some.out, "1\n");
  EXPECT_FALSE(fs::exists(dir.File("some/TEST1.XML")));

  std::ofstream(dir.File("plain.zip")) << "not an archive";
  TCliRun bad = Cli(dir, {"unzip", dir.File("plain.zip"), dir.File("bad")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "-12\n");
  EXPECT_EQ(bad.err, "delvacli: Could not decompress file plain.zip\n");

  TCliRun none = Cli(dir, {"unzip", zip, dir.File("none"), "*.hgt"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "0\n");

  TCliRun usage = Cli(dir, {"unzip", zip});
  EXPECT_EQ(usage.status, 2);
}

TEST(CliUnzip, InfoReadsZippedTile) {
  DELVA_REQUIRE_SHARED(zip, "srtm/graphhopper/N43E007.hgt.zip");
  TTempDir dir;
  TCliRun r = Cli(dir, {"info", zip});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("Number of voids: 1595"), std::string::npos);
}
