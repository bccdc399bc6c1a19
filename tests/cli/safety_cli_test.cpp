#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/cli_run.h"
#include "support/test_paths.h"

// delvacli's outputs that are not plain files, and tiles placed by name.

TEST(CliSafety, OutputsThatAreNotPlainFiles) {
  TTempDir dir;
  const std::vector<unsigned char> raw = {0, 1, 0, 2, 0, 3, 0, 4};
  WriteFileBytes(dir.File("in.raw"), raw);
  // Through a pipe, as "convert x /dev/stdout | ..." is used.
  const std::string cmd = "'" DELVACLI_PATH "' convert '" + dir.File("in.raw") +
                          "' /dev/fd/1 --raster 2,2,0,1,0,1 | cat";
  std::FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<unsigned char> got(64);
  got.resize(std::fread(got.data(), 1, got.size(), pipe));
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(got, raw);

  TCliRun r =
      RunCli(dir.Path(), {"convert", dir.File("in.raw"), dir.Path(), "--raster", "2,2,0,1,0,1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "delvacli: " + dir.Path() + " is a folder.\n");
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"in.raw"});
}

TEST(CliSafety, TilePositionFromItsName) {
  TTempDir dir;
  const std::vector<unsigned char> tile(1201 * 1201 * 2, 0);
  WriteFileBytes(dir.File("n42e001.hgt"), tile);
  TCliRun r = RunCli(dir.Path(), {"info", dir.File("n42e001.hgt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("Minimum longitude: 1.0000\n"), std::string::npos) << r.out;

  std::filesystem::rename(dir.File("n42e001.hgt"), dir.File("dem.hgt"));
  r = RunCli(dir.Path(), {"info", dir.File("dem.hgt")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "delvacli: warning: The position of dem.hgt cannot be read from its name; it is "
            "placed at N00 E000.\n");
  EXPECT_NE(r.out.find("Maximum latitude: 1.0000\n"), std::string::npos) << r.out;
}
