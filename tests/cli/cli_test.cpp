// delvacli info, convert and unzip: the wiring to the core (whose codecs and
// report have their own tests), exit codes and messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <tuple>

#include "support/cli_run.h"
#include "support/test_paths.h"

namespace {

// A 1201 tile with two voids and known extremes.
void WriteTile(const std::string& path) {
  std::vector<int16_t> v(1201 * 1201, 100);
  v[0] = v[5000] = -32768, v[7] = -12, v[1201 * 1201 - 1] = 2500;
  WriteFileBytes(path, BigEndianBytes(v));
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

// One round trip through every format, the report of each, and a pipe as
// the output ("convert x /dev/stdout | ...").
TEST(Cli, InfoAndConvertThroughEveryFormat) {
  TTempDir dir;
  WriteTile(dir.File("N45W122.hgt"));
  TCliRun r = RunCli(dir.Path(), {"info", dir.File("N45W122.hgt")});
  EXPECT_EQ(std::tuple(r.status, r.err), std::tuple(0, ""));
  EXPECT_TRUE(r.out.starts_with("File name: N45W122.hgt\n\nMaximum latitude: 46.0000\n")) << r.out;
  r = RunCli(dir.Path(), {"convert", dir.File("N45W122.hgt"), dir.File("m.hgx"), "--progress"});
  ASSERT_TRUE(r.status == 0 && Has(r.err, "100 %")) << r.err;
  ASSERT_EQ(RunCli(dir.Path(), {"convert", dir.File("m.hgx"), dir.File("t.hgt")}).status, 0);
  EXPECT_EQ(ReadFileBytes(dir.File("t.hgt")), ReadFileBytes(dir.File("N45W122.hgt")));
  r = RunCli(dir.Path(), {"convert", dir.File("m.hgx"), dir.File("r.raw"), "--byte-order", "lsb",
                          "--void-as", "-9999"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Read back as written: low byte first, the void as -9999.
  r = RunCli(dir.Path(),
             {"info", dir.File("r.raw"), "--raster", "1201,1201,45,46,-122,-121,lsb,-9999"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "File name: r.raw\n") && Has(r.out, "Number of voids: 2 (0.0001%)") &&
              Has(r.out, "Lowest elevation: -12 m"))
      << r.out;

  // A name without a position: placed at N00 E000, with a warning.
  WriteFileBytes(dir.File("dem.hgt"), {0, 1, 0, 2});
  std::filesystem::copy_file(dir.File("N45W122.hgt"), dir.File("big.hgt"));
  EXPECT_EQ(RunCli(dir.Path(), {"info", dir.File("big.hgt")}).err,
            "delvacli: warning: The position of big.hgt cannot be read from its name; "
            "it is placed at N00 E000.\n");
  const std::string cmd = "'" DELVACLI_PATH "' convert '" + dir.File("dem.hgt") +
                          "' /dev/fd/1 --raster 1,2,0,1,0,1 | cat";
  std::FILE* pipe = popen(cmd.c_str(), "r");
  char got[8] = {};
  EXPECT_TRUE(std::fread(got, 1, sizeof got, pipe) == 4u && pclose(pipe) == 0);
  EXPECT_EQ(std::string(got, 4), std::string("\0\1\0\2", 4));
}

// Refusals (1) and usage errors (2) end with one line, change no file and write nothing to stdout.
TEST(Cli, FailuresGiveOneLineAndKeepOutput) {
  TTempDir dir;
  WriteTile(dir.File("N45W122.hgt")), WriteFileBytes(dir.File("old.hgt"), {'o', 'l', 'd'});
  WriteFileBytes(dir.File("bad.hgx"), {'H', 'G', 'X', 'F'});
  WriteFileBytes(dir.File("small.raw"), {0, 1, 0, 2});
  const std::vector<std::string> before = FolderEntries(dir.Path());
  const TCliFailure cases[] = {
      {{"info", dir.File("bad.hgx")}, 1, "Cannot load HGX."},
      {{"info", dir.File("old.hgt")}, 1, "HGT file size is invalid."},
      {{"info", dir.File("N45W122.hgt"), "--raster", "1201,1200,45,46,-122,-121"},
       1,
       "File has wrong size"},
      {{"convert", dir.File("N45W122.hgt"), dir.Path()}, 1, dir.Path() + " is a folder."},
      // A grid that is not a tile's cannot be written as one; the old file stays.
      {{"convert", dir.File("small.raw"), dir.File("old.hgt"), "--raster", "1,2,0,1,0,1"}, 1, ""},
      {{"frob"}, 2, ""},
      {{}, 2, ""},
      {{"info"}, 2, ""},
      {{"info", "a", "b"}, 2, ""},
      {{"info", dir.File("N45W122.txt")}, 2, ""},
      {{"info", dir.File("x"), "--raster", "1,1,5,4,0,1"}, 2, ""},
      {{"info", dir.File("x"), "--bogus"}, 2, ""},
      {{"convert", "a.hgt", "b.hgx", "--byte-order", "lsb"}, 2, ""},
      {{"convert", "a.hgt", "b.raw", "--void-as", "40000"}, 2, ""},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(c.Matches(RunCli(dir.Path(), c.args))) << (c.args.empty() ? "" : c.args.back());
  EXPECT_EQ(FolderEntries(dir.Path()), before);
  EXPECT_EQ(ReadFileBytes(dir.File("old.hgt")), (std::vector<unsigned char>{'o', 'l', 'd'}));

  TCliRun r = RunCli(dir.Path(), {"--version"});
  EXPECT_TRUE(r.status == 0 && r.out.starts_with("delvacli ")) << r.out;
  r = RunCli(dir.Path(), {"convert", "--help"});
  EXPECT_TRUE(r.status == 0 && Has(r.out, "delvacli convert IN OUT")) << r.out;
}

// unzip prints the count (or the code) and extracts what the pattern names.
TEST(Cli, UnzipPrintsTheCount) {
  DELVA_REQUIRE_SHARED(zip, "zip/commons-compress/SHRUNK.ZIP");
  TTempDir dir;
  WriteFileBytes(dir.File("plain.zip"), {'n', 'o'});
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  } cases[] = {
      {{zip, dir.File("all")}, 0, "2\n", ""},
      {{zip, dir.File("some"), "test2.*"}, 0, "1\n", ""},
      {{zip, dir.File("none"), "*.hgt"},
       1,
       "0\n",
       "delvacli: Could not decompress file SHRUNK.ZIP\n"},
      {{dir.File("plain.zip"), dir.File("bad")},
       1,
       "-12\n",
       "delvacli: Could not decompress file plain.zip\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "unzip");
    const TCliRun r = RunCli(dir.Path(), args);
    EXPECT_EQ(std::tie(r.status, r.out, r.err), std::tie(c.status, c.out, c.err)) << c.args[1];
  }
  EXPECT_EQ(FolderEntries(dir.File("all")), (std::vector<std::string>{"TEST1.XML", "TEST2.XML"}));
  EXPECT_EQ(FolderEntries(dir.File("some")), (std::vector<std::string>{"TEST2.XML"}));
}
