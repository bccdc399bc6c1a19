#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

struct TRun {
  int status = -1;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TRun Cli(const TTempDir& dir, const std::vector<std::string>& args) {
  std::string cmd = "'" DELVACLI_PATH "'";
  for (const auto& a : args) cmd += " '" + a + "'";
  cmd += " >'" + dir.File("stdout") + "' 2>'" + dir.File("stderr") + "'";
  int rc = std::system(cmd.c_str());
  TRun r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = Slurp(dir.File("stdout"));
  r.err = Slurp(dir.File("stderr"));
  fs::remove(dir.File("stdout"));
  fs::remove(dir.File("stderr"));
  return r;
}

}  // namespace

TEST(CliUnzip, ExtractsPrintsCountAndFails) {
  DELVA_REQUIRE_SHARED(zip, "zip/commons-compress/SHRUNK.ZIP");
  TTempDir dir;
  TRun all = Cli(dir, {"unzip", zip, dir.File("all")});
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.out, "2\n");
  EXPECT_EQ(fs::file_size(dir.File("all/TEST1.XML")), 76u);
  EXPECT_EQ(fs::file_size(dir.File("all/TEST2.XML")), 81u);

  TRun some = Cli(dir, {"unzip", zip, dir.File("some"), "test2.*"});
  EXPECT_EQ(some.status, 0);
  EXPECT_EQ(some.out, "1\n");
  EXPECT_FALSE(fs::exists(dir.File("some/TEST1.XML")));

  std::ofstream(dir.File("plain.zip")) << "not an archive";
  TRun bad = Cli(dir, {"unzip", dir.File("plain.zip"), dir.File("bad")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "-12\n");
  EXPECT_EQ(bad.err, "delvacli: Could not decompress file plain.zip\n");

  TRun none = Cli(dir, {"unzip", zip, dir.File("none"), "*.hgt"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "0\n");

  TRun usage = Cli(dir, {"unzip", zip});
  EXPECT_EQ(usage.status, 2);
}

TEST(CliUnzip, InfoReadsZippedTile) {
  DELVA_REQUIRE_SHARED(zip, "srtm/graphhopper/N43E007.hgt.zip");
  TTempDir dir;
  TRun r = Cli(dir, {"info", zip});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("Number of voids: 1595"), std::string::npos);
}
