#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "core/settings/prog_cfg.h"
#include "support/cli_run.h"
#include "support/test_paths.h"

// The Windows build of the stand-in compiler (tools/dev.sh windows) through
// the real Wine, in the prefix $DELVA_WINEPREFIX (CI makes one) or a fresh one.

namespace fs = std::filesystem;

namespace {

const std::string kWinStandIn = STANDIN_RESAMPLE_WINDOWS_PATH;

std::string Sh(const std::string& s) { return "'" + s + "'"; }

class RealWine : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* given = std::getenv("DELVA_WINEPREFIX");
    if (std::system("command -v wine >/dev/null 2>&1") != 0) {
      skip_ = "wine is not installed";
    } else if (!fs::exists(kWinStandIn)) {
      skip_ = "no Windows stand-in (tools/dev.sh windows builds it): " + kWinStandIn;
    } else if (given && *given) {
      prefix_ = given;
    } else {
      own_ = std::make_unique<TTempDir>(), prefix_ = own_->File("prefix");
      if (Wine("timeout 300 wineboot -i") != 0) skip_ = "wineboot -i failed in " + prefix_;
    }
  }
  static void TearDownTestSuite() {
    if (own_) Wine("wineserver -k");
    own_.reset();
  }
  void SetUp() override {
    if (!skip_.empty()) GTEST_SKIP() << skip_;
  }
  // No Mono or Gecko installer may wait for a click.
  static std::string Env() {
    return "WINEPREFIX=" + Sh(prefix_) + " WINEDLLOVERRIDES='mscoree,mshtml=' WINEDEBUG=-all ";
  }
  static int Wine(const std::string& command) {
    return std::system((Env() + command + " >/dev/null 2>&1").c_str());
  }
  static inline std::string skip_, prefix_;
  static inline std::unique_ptr<TTempDir> own_;
};

}  // namespace

// "delvacli bgl" hands Z:\ paths to the compiler and in the INF files, which
// it reads back; the status reads its BGL. A crash and a flood of output end
// as with the Linux stand-in. The default BGL folder comes from the prefix.
TEST_F(RealWine, BglRunsTheWindowsCompilerAndTheKeyIsRead) {
  TTempDir dir;
  WriteFileBytes(dir.File("m.ras"), BigEndianBytes(std::vector<int16_t>(121 * 121, 7)));
  auto bgl = [&](const std::string& env) {
    return RunCli(dir.Path(),
                  {"bgl", dir.File("m.ras"), "--raster", "121,121,45,46,-122,-121", "--out",
                   dir.File("x.bgl"), "--resample", kWinStandIn},
                  Env() + "STANDIN_DURATION_MS=200 STANDIN_LOG=" + Sh(dir.File("log")) + " " + env);
  };
  const std::string tail = "Resample has finished.  Resulting BGL has 0.96 KB\n";
  TCliRun r = bgl("");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("Processing LOD 9: 50%\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_TRUE(r.out.ends_with(tail)) << r.out;
  std::string win = "Z:" + dir.Path();
  for (char& c : win)
    if (c == '/') c = '\\';
  const std::string log = ReadFileText(dir.File("log"));
  for (const std::string& line :
       {std::string("\narg Z:\\"), std::string("\nkey Source.SourceDir=\"Z:\\"),
        "\nkey Destination.DestDir=\"" + win + "\"\n", "\nbgl " + win + "\\x.bgl\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line << log;

  fs::remove(dir.File("x.bgl")), r = bgl("STANDIN_MODE=crash");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "delvacli: Resample stopped abnormally. No BGL file has been created.\n");
  r = bgl("STANDIN_MODE=flood STANDIN_FLOOD_MB=2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.size() > 2u << 20 && r.out.ends_with(tail));

  // A 32-bit installer in a 64-bit prefix writes under Wow6432Node; the key
  // is read from system.reg, which wineserver saves when it is stopped (one
  // test, so that no other run in the prefix is stopped with it).
  const std::string key = Sh("HKLM\\Software\\Microsoft\\Microsoft Games\\Flight Simulator\\9.0");
  ASSERT_EQ(Wine("wine reg add " + key + " /v 'EXE Path' /d 'C:\\DelvaFS9' /f /reg:32"), 0);
  Wine("wineserver -k");
  const fs::path scenery = fs::path(prefix_) / "drive_c/DelvaFS9/Addon Scenery/scenery";
  fs::create_directories(scenery);
  const char* old = std::getenv("WINEPREFIX");
  const std::string saved = old ? old : "";
  setenv("WINEPREFIX", prefix_.c_str(), 1);
  TTProgCfg c;
  EXPECT_TRUE(DefaultBGLFolderFromRegistry(c));
  old ? setenv("WINEPREFIX", saved.c_str(), 1) : unsetenv("WINEPREFIX");
  std::error_code ec;
  EXPECT_TRUE(fs::equivalent(c.BGLFolder, scenery, ec)) << c.BGLFolder;
  Wine("wine reg delete " + key + " /f /reg:32");
  Wine("wineserver -k"), fs::remove_all(fs::path(prefix_) / "drive_c/DelvaFS9");
}
