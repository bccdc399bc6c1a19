#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/cli_run.h"
#include "support/test_paths.h"

// "delvacli bgl" end to end with the stand-in compiler.

namespace {

// The 121 x 121 raster m.ras of `dir`, compiled with `args`.
TCliRun Bgl(const TTempDir& dir, const std::string& env, std::vector<std::string> args) {
  args.insert(args.begin(), {"bgl", dir.File("m.ras"), "--raster", "121,121,45,46,-122,-121"});
  return RunCli(dir.Path(), args, "STANDIN_DURATION_MS=200 " + env);
}

const std::string kStandIn = STANDIN_RESAMPLE_PATH;

}  // namespace

TEST(CliBgl, CompilesAMeshWithTheStandIn) {
  TTempDir dir;
  WriteFileBytes(dir.File("m.ras"), BigEndianBytes(std::vector<int16_t>(121 * 121, 7)));
  std::ofstream(dir.File("extra.inf"), std::ios::binary)
      << "[Source]\r\nType=Custom\r\nSourceDir=\".\"\r\nSourceFile=\"none\"\r\n";
  const std::string log = dir.File("log");
  TCliRun r = Bgl(dir, "STANDIN_LOG='" + log + "'",
                  {"--out", dir.File("x.bgl"), "--resample", kStandIn, "--inf",
                   dir.File("extra.inf"), "--base", "12"});
  ASSERT_TRUE(r.status == 0 && r.err.empty()) << r.err << r.out;
  EXPECT_NE(r.out.find("Processing LOD 9: 50%\n"), std::string::npos);
  // 121 x 121 samples: 64 + 29282 / 32 bytes.
  EXPECT_EQ(ReadFileBytes(dir.File("x.bgl")).size(), 64u + 121 * 121 * 2 / 32);
  const std::string tail = "Resample has finished.  Resulting BGL has 0.96 KB\n";
  EXPECT_TRUE(r.out.ends_with(tail)) << r.out;

  // Extra INF first, then the generated source and destination; the
  // compiler runs in its own folder. (Through Wine: wine_test.cpp.)
  const std::string l = ReadFileText(log);
  const size_t extra = l.find("arg " + dir.File("extra.inf")), src = l.find("tempsrc.inf"),
               dst = l.find("tempdst.inf");
  EXPECT_TRUE(extra < src && src < dst) << l;
  EXPECT_NE(l.find("cwd " + kStandIn.substr(0, kStandIn.rfind('/')) + "\n"), std::string::npos);
  EXPECT_NE(l.find("key Source.BaseValue=12\n"), std::string::npos);

  // --keep-temp: a fresh private folder, named just before the status line.
  r = Bgl(dir, "TMPDIR='" + dir.Path() + "'",
          {"--out", dir.File("k.bgl"), "--resample", kStandIn, "--keep-temp"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string kept = "Temporary files kept in " + dir.File("delvacli-bgl-");
  const size_t at = r.out.rfind(kept);
  ASSERT_NE(at, std::string::npos) << r.out;
  const size_t eol = r.out.find('\n', at);
  EXPECT_EQ(r.out.substr(eol + 1), tail);
  const std::string folder = r.out.substr(at + 24, eol - at - 24);
  EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
}

TEST(CliBgl, FailuresEndWithOneLine) {
  TTempDir dir;
  WriteFileBytes(dir.File("m.ras"), BigEndianBytes(std::vector<int16_t>(121 * 121, 7)));
  std::ofstream(dir.File("notexe"), std::ios::binary) << "text";
  const std::string out = dir.File("x.bgl");
  struct TCase {
    std::string env;
    std::vector<std::string> args;
    int status;
    std::string err;  // "" = any single line
  };
  const TCase cases[] = {
      TCase("", {"--resample", kStandIn}, 2, ""),  // no --out
      TCase("", {"--out", out, "--lod", "16"}, 2, ""),
      TCase("", {"--out", out, "--resample", dir.File("none")}, 1,
            "Please, inform the location of Resample in Program Preferences (Files and Folders)."),
      TCase("", {"--out", out, "--resample", dir.File("notexe")}, 1, "Could not create BGL file."),
      TCase("STANDIN_MODE=crash", {"--out", out, "--resample", kStandIn}, 1,
            "Resample stopped abnormally. No BGL file has been created."),
      TCase("STANDIN_MODE=emptybgl", {"--out", out, "--resample", kStandIn}, 1,
            "Resample has finished. Resulting BGL file is empty!"),
  };
  TCliRun r;
  for (const auto& c : cases) {
    r = Bgl(dir, c.env, c.args);
    EXPECT_EQ(r.status, c.status) << c.env << c.args[1];
    EXPECT_TRUE(c.err.empty() ? OneErrorLine(r.err) : r.err == "delvacli: " + c.err + "\n")
        << r.err;
  }
  EXPECT_NE(r.out.find("Resample has finished. Resulting BGL file is empty!\n"), std::string::npos);
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"m.ras", "notexe", "x.bgl"}));
}
