#include "core/settings/prog_cfg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <tuple>

#include "core/base/sample_io.h"
#include "core/platform/memory.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

TEST(ProgCfg, FileLayoutIsByteExact) {
  TTempDir dir;
  TTProgCfg c{.ResamplePath = "/opt/sdk/resample.exe",
              .HGTFolder = "/data/hgt",
              .BGLFolder = "/data/bgl",
              .MaxMemUndo = 0x01020304,
              .WarnNoUndo = true};
  ASSERT_TRUE(SaveProgCfg(c, dir.Path()));
  std::vector<unsigned char> b = ReadFileBytes(dir.File("delvacfg.bin"));
  ASSERT_EQ(b.size(), 1564u);
  std::vector<unsigned char> expect(1564, 0);
  std::memcpy(&expect[0], "DELVACFG", 8), expect[16] = 1;
  std::memcpy(&expect[20], c.ResamplePath.data(), c.ResamplePath.size());
  std::memcpy(&expect[532], c.HGTFolder.data(), c.HGTFolder.size());
  std::memcpy(&expect[1044], c.BGLFolder.data(), c.BGLFolder.size());
  expect[1556] = 4, expect[1557] = 3, expect[1558] = 2, expect[1559] = 1, expect[1560] = 1;
  EXPECT_EQ(b, expect);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"delvacfg.bin"});

  TTProgCfg l;
  ASSERT_TRUE(LoadProgCfg(l, dir.Path()));
  EXPECT_EQ(std::tuple(l.ResamplePath, l.HGTFolder, l.BGLFolder, l.MaxMemUndo, l.WarnNoUndo),
            std::tuple(c.ResamplePath, c.HGTFolder, c.BGLFolder, c.MaxMemUndo, true));

  // A 600-byte path keeps 511 bytes; a two-byte character straddling the limit is dropped whole.
  c.ResamplePath = std::string(600, 'a'), c.HGTFolder = std::string(510, 'b') + "\xC3\xA9" + "cc";
  ASSERT_TRUE(SaveProgCfg(c, dir.Path()) && LoadProgCfg(l, dir.Path()));
  EXPECT_EQ(std::pair(l.ResamplePath, l.HGTFolder),
            std::pair(std::string(511, 'a'), std::string(510, 'b')));
  EXPECT_EQ(CutUtf8("x\xE2\x82\xAC", 3) + CutUtf8("x\xE2\x82\xAC", 4), "xx\xE2\x82\xAC");
  // Runs of continuation bytes are no UTF-8: cut at the limit.
  EXPECT_EQ(CutUtf8("ab\x80\x80\x80\x80", 5) + CutUtf8("\x80\x80", 1), "ab\x80\x80\x80\x80");
}

TEST(ProgCfg, BadFilesAreRefusedAndReplacedAtStartUp) {
  TTempDir dir;
  std::vector<unsigned char> good = EncodeProgCfg(TTProgCfg{"r", "h", "b", 64, true});
  auto refused = [&](std::vector<unsigned char> bytes) {
    WriteFileBytes(dir.File("delvacfg.bin"), bytes);
    TTProgCfg c{"keep", "", "", 7, false};
    return !LoadProgCfg(c, dir.Path()) && c.ResamplePath == "keep" && c.MaxMemUndo == 7;
  };
  auto with = [&](std::initializer_list<std::pair<size_t, unsigned char>> changes) {
    auto b = good;
    for (auto [at, v] : changes) b[at] = v;
    return b;
  };
  ASSERT_FALSE(refused(good));
  EXPECT_TRUE(refused(std::vector<unsigned char>(good.begin(), good.end() - 1)));
  const auto v2 = with({{16, 2}});
  auto noZero = good;  // a folder without its ending zero
  std::memset(&noZero[532], 'h', 512);
  for (const auto& bad : {with({{3, 'X'}}), with({{8, 'X'}}), v2, noZero})  // 8: "DELVACFGX"
    EXPECT_TRUE(refused(bad));
  // Reserved bytes and bytes after a zero are ignored.
  EXPECT_FALSE(refused(with({{10, 0xEE}, {600, 0xEE}, {1563, 0xEE}})));

  // Version 2 at start-up: ignored and replaced by a fresh file.
  WriteFileBytes(dir.File("delvacfg.bin"), v2);
  TTProgCfg c;
#ifdef _WIN32
  EXPECT_FALSE(StartUpProgCfg(c, dir.Path()));
#else
  setenv("WINEPREFIX", dir.File("no-prefix").c_str(), 1);
  EXPECT_FALSE(StartUpProgCfg(c, dir.Path()));
  unsetenv("WINEPREFIX");
  EXPECT_EQ(c.BGLFolder, std::getenv("HOME") ? std::getenv("HOME") : "/");  // no registry: home
#endif
  EXPECT_GE(PhysicalMemoryBytes(), uint64_t(64) << 20);  // known: the default is a share of it
  EXPECT_EQ(c.MaxMemUndo, DefaultUndoLimitMB(PhysicalMemoryBytes()));
  EXPECT_GT(c.MaxMemUndo, 0u);  // undo is on in a new file
  TTProgCfg again;
  EXPECT_TRUE(LoadProgCfg(again, dir.Path()) && again.MaxMemUndo == c.MaxMemUndo);
  again.MaxMemUndo = 0;  // a file that loads keeps its value, even 0
  ASSERT_TRUE(SaveProgCfg(again, dir.Path()) && StartUpProgCfg(c, dir.Path()));
  EXPECT_EQ(c.MaxMemUndo, 0u);
  for (auto [phys, mb] : {std::pair<uint64_t, uint32_t>{0, 512},
                          {uint64_t(16) << 30, 512},
                          {uint64_t(4) << 30, 512},
                          {uint64_t(2) << 30, 256},
                          {1000000, 0}})
    EXPECT_EQ(DefaultUndoLimitMB(phys), mb) << phys;
}

#ifndef _WIN32  // a Wine prefix is read on Linux only
TEST(ProgCfg, BGLFolderFromWineRegistry) {
  TTempDir dir;
  const std::string prefix = dir.File("wine");
  const std::string scenery = prefix + "/drive_c/FS9/Addon Scenery/Scenery";
  fs::create_directories(scenery);
  TTProgCfg c;
  // No registry file at all: the home folder, false.
  EXPECT_TRUE(!DefaultBGLFolderFromWinePrefix(c, prefix, "/home/u") && c.BGLFolder == "/home/u");

  auto reg = [&](const std::string& body) {
    WriteFileBytes(prefix + "/system.reg", std::vector<unsigned char>(body.begin(), body.end()));
  };
  // 8.0 only, its "EXE Path" in lower-case names (found ignoring case) after a "]" value,
  // and with no backslash after the drive.
  reg("WINE REGISTRY Version 2\n\n[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight "
      "Simulator\\\\8.0] 1700000000\n#time=1d\n\"Other\"=\"x]\"\n\"EXE Path\"=\"C:fs9\"\n");
  EXPECT_TRUE(DefaultBGLFolderFromWinePrefix(c, prefix, "/home/u") && c.BGLFolder == scenery);

  // 9.0 wins over 8.0 (an escape takes four hex digits at most); its folder
  // is missing, so the home folder stays.
  reg("[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\9.0] 1\n"
      "\"EXE Path\"=str(2):\"C:\\\\Games\\\\F\\x0053\\x0080\\x00e9e\\x20ac\"\n"
      "[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\8.0] 1\n"
      "\"EXE Path\"=\"C:\\\\FS9\"\n");
  EXPECT_TRUE(DefaultBGLFolderFromWinePrefix(c, prefix, "/home/u") && c.BGLFolder == "/home/u");
  // In octal: a hex escape would take the "e" after the acute for a digit.
  const std::string fs9 = "/drive_c/Games/FS\302\200\303\251e\342\202\254/Addon Scenery/Scenery";
  fs::create_directories(prefix + fs9);  // now there
  EXPECT_TRUE(DefaultBGLFolderFromWinePrefix(c, prefix, "/home/u") && c.BGLFolder == prefix + fs9);

  // A Z: path is the host's own where the prefix has no device links.
  std::string z = "Z:";
  for (char ch : prefix + "/drive_c/FS9") z += ch == '/' ? std::string("\\\\") : std::string(1, ch);
  reg("[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\9.0] 1\n\"EXE Path\"=\"" +
      z + "\"\n");
  setenv("WINEPREFIX", prefix.c_str(), 1);  // the prefix the environment names
  EXPECT_TRUE(DefaultBGLFolderFromRegistry(c) && c.BGLFolder == scenery);

  // A value before any key, and the key's values with a quote never closed or no "=": false.
  reg("\"EXE Path\"=\"C:\\\\FS9\"\n"
      "[Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\9.0] 1\n"
      "\"EXE Path\":\"C:\\\\FS9\"\n\"EXE Path\"=\"C:\\\\FS9\n");
  EXPECT_FALSE(DefaultBGLFolderFromRegistry(c));
  unsetenv("WINEPREFIX");
}
#endif

TEST(ProgCfg, SettingsFolderFallsBackWhenProgramFolderIsMissing) {
  TTempDir dir;
  EXPECT_EQ(ChooseSettingsFolder(dir.Path(), dir.File("user")), dir.Path());
  EXPECT_EQ(FolderEntries(dir.Path()).size(), 0u);  // the probe is gone
  EXPECT_EQ(ChooseSettingsFolder(dir.File("none"), dir.File("user/cfg")), dir.File("user/cfg"));
  EXPECT_TRUE(fs::is_directory(dir.File("user/cfg")));
}
