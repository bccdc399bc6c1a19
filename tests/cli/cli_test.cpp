#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/cli_run.h"
#include "support/test_paths.h"

namespace {

// A 1201 tile with two voids and known extremes.
void WriteTile(const std::string& path) {
  std::vector<int16_t> v(1201 * 1201, 100);
  v[0] = v[5000] = -32768;
  v[7] = -12;
  v[1201 * 1201 - 1] = 2500;
  WriteFileBytes(path, BigEndianBytes(v));
}

}  // namespace

TEST(Cli, InfoPrintsTheReport) {
  TTempDir dir;
  WriteTile(dir.File("N45W122.hgt"));
  TCliRun r = RunCli(dir.Path(), {"info", dir.File("N45W122.hgt")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "File name: N45W122.hgt\n\n"
            "Maximum latitude: 46.0000\nMinimum latitude: 45.0000\n"
            "Minimum longitude: -122.0000\nMaximum longitude: -121.0000\n\n"
            "Dimensions: 1201 rows  x  1201 columns\n\n"
            "Number of samples: 1442401\nNumber of voids: 2 (0.0001%)\n\n"
            "Highest elevation: 2500 m (8202 ft)\nLowest elevation: -12 m (-39 ft)\n");
  // A name without a position: placed at N00 E000, with a warning.
  std::filesystem::rename(dir.File("N45W122.hgt"), dir.File("dem.hgt"));
  r = RunCli(dir.Path(), {"info", dir.File("dem.hgt")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "delvacli: warning: The position of dem.hgt cannot be read from its name; "
            "it is placed at N00 E000.\n");
  // Written to a pipe, as in "convert x /dev/stdout | ...".
  const std::string cmd = "'" DELVACLI_PATH "' convert '" + dir.File("dem.hgt") +
                          "' /dev/fd/1 --raster 1,2,0,1,0,1 | cat";
  WriteFileBytes(dir.File("dem.hgt"), {0, 1, 0, 2});
  std::FILE* pipe = popen(cmd.c_str(), "r");
  char got[8] = {};
  EXPECT_EQ(std::fread(got, 1, sizeof got, pipe), 4u);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(std::string(got, 4), std::string("\0\1\0\2", 4));
}

TEST(Cli, ConvertRoundTripsThroughEveryFormat) {
  TTempDir dir;
  WriteTile(dir.File("N45W122.hgt"));
  TCliRun r =
      RunCli(dir.Path(), {"convert", dir.File("N45W122.hgt"), dir.File("m.hgx"), "--progress"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("100 %"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(dir.File("m.hgx")).size(), 64u + 2u * 1201 * 1201);

  r = RunCli(dir.Path(), {"convert", dir.File("m.hgx"), dir.File("t.hgt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir.File("t.hgt")), ReadFileBytes(dir.File("N45W122.hgt")));

  r = RunCli(dir.Path(), {"convert", dir.File("m.hgx"), dir.File("r.raw"), "--byte-order", "lsb",
                          "--void-as", "-9999"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<unsigned char> raw = ReadFileBytes(dir.File("r.raw"));
  ASSERT_EQ(raw.size(), 2u * 1201 * 1201);
  EXPECT_EQ(raw[0], 0xF1);  // the void as -9999, low byte first
  EXPECT_EQ(raw[1], 0xD8);
  EXPECT_EQ(raw[2], 100);

  r = RunCli(dir.Path(),
             {"info", dir.File("r.raw"), "--raster", "1201,1201,45,46,-122,-121,lsb,-9999"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("File name: r.raw\n"), std::string::npos);
  EXPECT_NE(r.out.find("Number of voids: 2 (0.0001%)"), std::string::npos);
  EXPECT_NE(r.out.find("Lowest elevation: -12 m"), std::string::npos);
  EXPECT_EQ(FolderEntries(dir.Path()),
            (std::vector<std::string>{"N45W122.hgt", "m.hgx", "r.raw", "t.hgt"}));
}

TEST(Cli, FailuresGiveOneLineAndKeepOutput) {
  TTempDir dir;
  WriteTile(dir.File("N45W122.hgt"));
  WriteFileBytes(dir.File("old.hgt"), {'o', 'l', 'd'});
  WriteFileBytes(dir.File("bad.hgx"), {'H', 'G', 'X', 'F'});

  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"info", dir.File("bad.hgx")}, "Cannot load HGX."},
      {{"info", dir.File("old.hgt")}, "HGT file size is invalid."},
      {{"info", dir.File("N45W122.hgt"), "--raster", "1201,1200,45,46,-122,-121"},
       "File has wrong size"},
      {{"convert", dir.File("N45W122.hgt"), dir.Path()}, dir.Path() + " is a folder."}};
  TCliRun r;
  for (const auto& [args, message] : refused) {
    r = RunCli(dir.Path(), args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty() && r.err == "delvacli: " + message + "\n") << r.err;
  }

  // A grid that is not a tile's cannot be written as one; the old file stays.
  WriteFileBytes(dir.File("small.raw"), {0, 1, 0, 2});
  r = RunCli(dir.Path(),
             {"convert", dir.File("small.raw"), dir.File("old.hgt"), "--raster", "1,2,0,1,0,1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("delvacli: HGT output needs", 0), 0u);
  EXPECT_EQ(ReadFileBytes(dir.File("old.hgt")), (std::vector<unsigned char>{'o', 'l', 'd'}));
  std::vector<std::string> before = FolderEntries(dir.Path());

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"frob"},
                                             {},
                                             {"info"},
                                             {"info", "a", "b"},
                                             {"info", dir.File("N45W122.txt")},
                                             {"info", dir.File("x"), "--raster", "1,1,5,4,0,1"},
                                             {"info", dir.File("x"), "--raster", "1,1,0,1,0,x"},
                                             {"info", dir.File("x"), "--bogus"},
                                             {"convert", "a.hgt", "b.hgx", "--byte-order", "lsb"},
                                             {"convert", "a.hgt", "b.raw", "--void-as", "40000"}}) {
    r = RunCli(dir.Path(), args);
    EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
    EXPECT_TRUE(r.out.empty() && OneErrorLine(r.err)) << r.err;
  }
  EXPECT_EQ(FolderEntries(dir.Path()), before);

  r = RunCli(dir.Path(), {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("delvacli ", 0), 0u);
  r = RunCli(dir.Path(), {"convert", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("delvacli convert IN OUT"), std::string::npos);
}
