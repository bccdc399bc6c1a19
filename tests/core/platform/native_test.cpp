#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/base/file_util.h"
#include "core/platform/file_system.h"
#include "core/platform/helper_thread.h"
#include "core/platform/memory.h"
#include "core/platform/native_file.h"
#include "core/platform/process.h"
#include "core/scenery/resample_run.h"
#include "core/settings/prog_cfg.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of("/\\")); }

// Entries of a folder the system keeps for this process. None on Windows (under Wine the folder
// lists Wine's own threads and descriptors), which makes the checks that use it hold trivially.
auto Entries(const char* folder) {
  std::error_code ec;
#ifdef _WIN32
  folder = "";
#endif
  return std::distance(fs::directory_iterator(folder, ec), {});
}

}  // namespace

// A freed block is handed out again only for a request it holds and does
// not hold far more than; what is written stays within the block (ASan).
TEST(LargeBlocks, KeptBlocksServeOnlyRequestsTheyFit) {
  const size_t mb = size_t(1) << 20, big = 3 * mb + 3 * mb / 8;
  FreeLargeBlock(AllocateLargeBlock(3 * mb), 3 * mb);
  char* bigger = static_cast<char*>(AllocateLargeBlock(big));  // not the kept, smaller one
  ASSERT_TRUE(bigger);
  bigger[big - 1] = 1;
  FreeLargeBlock(bigger, big);
  void* again = AllocateLargeBlock(3 * mb);  // just within an eighth of the kept block
  FreeLargeBlock(again, 3 * mb);
  void* whole = AllocateLargeBlock(kKeptLargeBytes);  // the kept total: the older block goes
  static_cast<char*>(whole)[0] = 7;  // kept, not handed back: still there when taken again
  FreeLargeBlock(whole, kKeptLargeBytes);
  void* wholeAgain = AllocateLargeBlock(kKeptLargeBytes);
  [[maybe_unused]] const char mark = static_cast<char*>(wholeAgain)[0];
  FreeLargeBlock(wholeAgain, kKeptLargeBytes);
#ifdef __linux__  // blocks are kept there only
  EXPECT_EQ(std::tuple(again, wholeAgain, mark), std::tuple(static_cast<void*>(bigger), whole, 7));
  // Two are kept: a third freed sends the oldest away.
  void* k[3] = {AllocateLargeBlock(2 * mb), AllocateLargeBlock(3 * mb), AllocateLargeBlock(big)};
  for (int i = 0; i < 3; ++i) FreeLargeBlock(k[i], i == 0 ? 2 * mb : i == 1 ? 3 * mb : big);
  EXPECT_EQ(std::pair(AllocateLargeBlock(big), AllocateLargeBlock(3 * mb)), std::pair(k[2], k[1]));
  FreeLargeBlock(k[2], big), FreeLargeBlock(k[1], 3 * mb);
#endif
}

TEST(HelperThread, BothSidesRunAlsoNestedAndWhenOneThrows) {
  std::atomic<int> runs{0};
  auto slowly = [&] { std::this_thread::sleep_for(std::chrono::milliseconds(1)), ++runs; };
  const auto before = Entries("/proc/self/task");
  for (int i = 1; i <= 20; ++i)  // each call returns when both sides have run
    ASSERT_EQ((RunBeside(slowly, [&] { ++runs; }), runs.load()), 2 * i);
  EXPECT_LE(Entries("/proc/self/task"), before + 1);  // one thread is kept for them all
  // The kept thread is busy with the outer side until the inner call is
  // over: the inner call must find another thread, or it never ends.
  std::atomic<bool> innerDone{false};
  auto inner = [&] { RunBeside(slowly, slowly), innerDone = true, innerDone.notify_all(); };
  RunBeside([&] { innerDone.wait(false), ++runs; }, inner);
  EXPECT_EQ(runs, 43);
  // A throwing side still waits for the other, which uses its frame.
  EXPECT_THROW(RunBeside(slowly, [] { throw std::runtime_error("mine"); }), std::runtime_error);
  EXPECT_EQ(runs, 44);
}

// Names must reach the system whole: letters of no single code page, a path
// far past MAX_PATH, Windows separators. Saving over an existing file must
// replace it (a plain rename refuses that on Windows).
TEST(NativeFile, NamesReachTheSystemWhole) {
  TTempDir dir;
  std::string deep = dir.Path();
  for (char c = 'a'; c <= 'f'; ++c) deep = JoinPath(deep, std::string(50, c));
  const struct {
    std::string folder, name;
  } cases[] = {
      {dir.Path(), "Z\xC3\xBCrich \xCE\xA9 \xE6\xB0\xB4.hgx"},
      {JoinPath(deep, "\xD0\x96"), "N45W122.hgt"},
#ifdef _WIN32
      {JoinPath(dir.Path(), "sub\\x"), "Back.bin"},
#endif
  };
  for (const auto& c : cases) {
    const std::string path = JoinPath(c.folder, c.name);
    fs::create_directories(NativePath(c.folder));
    ASSERT_TRUE(WriteFileAtomically(path, "one", 3)) << path;
    ASSERT_TRUE(WriteFileAtomically(path, "second", 6)) << path;
    EXPECT_TRUE(FileExists(path) && FileSizeOf(path) == 6);
    EXPECT_TRUE(
        EqualsNoCase(FileNamePart(FindFileNoCase(JoinPath(c.folder, UpperAscii(c.name)))), c.name));
    TTInputFile in(path);
    char text[6] = {};
    ASSERT_TRUE(in.IsOpen() && ReadWholeBlock(in.File(), text, 6)) << path;
    EXPECT_EQ(std::string(text, 6), "second");
    EXPECT_EQ(FolderNames(c.folder), std::vector<std::string>{c.name});
  }
  const fs::path cwd = fs::current_path();  // an empty parent is the working folder
  fs::current_path(NativePath(dir.Path()));
  const std::string own = MakePrivateFolder("", "p-");
  fs::current_path(cwd);
  EXPECT_TRUE(own.rfind("p-", 0) == 0 && fs::is_directory(NativePath(JoinPath(dir.Path(), own))));
  std::string unset = "kept";
  EXPECT_TRUE(!TTInputFile().Open("") && !TTInputFile().Open(dir.Path()) &&
              UpperAscii("az\xC3\xBC") == "AZ\xC3\xBC" &&
              !EnvironmentValue("DELVA_UNSET_NAME", unset) && unset == "kept");
  std::FILE* folder = OpenFile(dir.Path(), "rb");  // a read error is reported, not tried again
  char byte = 0;
  EXPECT_TRUE(!folder || !ReadFileAt(folder, &byte, 1, 0));
  if (folder) std::fclose(folder);
  // Past MAX_PATH only the "\\?\" form reaches them: removed one by one.
  std::error_code ec;
  for (const auto& c : cases) fs::remove(NativePath(JoinPath(c.folder, c.name)), ec);
  for (std::string d = cases[1].folder; d.size() > dir.Path().size(); d = FolderOf(d))
    fs::remove(NativePath(d), ec);
}

namespace {

#ifdef _WIN32
const char* const kStandInName = "standin_resample.exe";
#else
const char* const kStandInName = "standin_resample";
#endif
std::string StandIn() { return JoinPath(ExecutableFolder(), kStandInName); }

std::string ReadAll(TTProcess& p) {
  std::string out;
  for (int i = 0; i < 300 && !p.Finished(); ++i) out += p.Read(100);  // 30 s at most
  return out + p.Read(0);
}

}  // namespace

// Arguments arrive as given (spaces, quotes, a trailing backslash, an empty
// one), in the folder given; the exit code comes back; a kill is a crash.
TEST(NativeProcess, ArgumentsFolderExitCodeAndKill) {
  const std::string self = JoinPath(ExecutableFolder(), "delva_core_tests");  // tools lie beside
  EXPECT_TRUE(FileExists(self) || FileExists(self + ".exe")) << self;
  if (!FileExists(StandIn())) GTEST_SKIP() << "stand-in compiler not built: " << StandIn();
  const auto before = Entries("/proc/self/fd");  // no job keeps its end of the pipe
  TTempDir dir;
  const std::string work = JoinPath(dir.Path(), "work dir");
  fs::create_directories(NativePath(work));
  const std::vector<std::string> args = {"a b", "say \"hi\"", "tail\\", "", "x\\\"y"};
  TTProcessSpec job{
      StandIn(), args, work, {{"STANDIN_MODE", "fail"}, {"STANDIN_LOG", JoinPath(work, "log")}}};
  TTProcess p;
  ASSERT_TRUE(p.Start(job));
  const std::string out = ReadAll(p);
  EXPECT_NE(out.find("ERROR: asked to fail\r\n"), std::string::npos) << out;
  EXPECT_EQ(std::pair(p.ExitCode(), p.Crashed()), std::pair(1, false));
  const std::string log = ReadFileText(JoinPath(work, "log"));
  for (const std::string& a : args)
    EXPECT_NE(log.find("\narg " + a + "\n"), std::string::npos) << a;
  EXPECT_NE(log.find("work dir\n"), std::string::npos) << log;

  TTProcess sleeper;
  ASSERT_TRUE(sleeper.Start(
      {StandIn(), {"x"}, "", {{"STANDIN_MODE", "sleep"}, {"STANDIN_DURATION_MS", "30000"}}}));
  std::string banner;
  for (int i = 0; i < 100 && banner.find('\n') == std::string::npos; ++i)
    banner += sleeper.Read(100);
  EXPECT_EQ(banner, "Stand-in terrain compiler 1.0\r\n");
  TTProcess().Kill();  // never started: signals nobody
  for (int i = 0; i < 5 && !sleeper.Finished(); ++i) sleeper.Read(20);
  EXPECT_FALSE(sleeper.Finished());
  sleeper.Kill(), std::this_thread::sleep_for(std::chrono::milliseconds(200));
  TTProcess().Finished(), ReadAll(sleeper);  // a job never started reaps no other's child
  EXPECT_EQ(std::pair(sleeper.ExitCode(), sleeper.Crashed()), std::pair(-1, true));
  {  // a job dropped while it runs is stopped, not waited for (ten minutes)
    TTProcess dropped;
    ASSERT_TRUE(dropped.Start(
        {StandIn(), {"x"}, "", {{"STANDIN_MODE", "sleep"}, {"STANDIN_DURATION_MS", "600000"}}}));
  }

  // Nor a folder that is not there: refused, and the program runs nowhere else either.
  const std::string ran = JoinPath(work, "ran");
  EXPECT_FALSE(TTProcess().Start({JoinPath(work, "none.exe"), {}, "", {}}) ||
               TTProcess().Start({StandIn(), {}, JoinPath(work, "none"), {{"STANDIN_LOG", ran}}}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(!FileExists(ran) && Entries("/proc/self/fd") == before);
}

#ifndef _WIN32
// The compiler's output arrives whole with its newlines normalised, read
// with or without an idle step; a stop asked for there is a crash.
TEST(NativeProcess, ResampleOutputEndAndStop) {
  if (!FileExists(StandIn())) GTEST_SKIP() << "stand-in compiler not built: " << StandIn();
  std::string out;
  auto sink = [&](const std::string& text) { out += text; };
  auto idle = [&](int ms) {  // stops the compiler once its first line is in
    return std::this_thread::sleep_for(std::chrono::milliseconds(ms)), out.size() < 30;
  };
  // UTF-8 stays (only a Windows tool's Latin-1 under Wine is converted); it runs in its folder.
  TTempDir dir;
  setenv("STANDIN_LOG", JoinPath(dir.Path(), "log").c_str(), 1);
  EXPECT_EQ(RunResample(StandIn(), {"\xC3\xA9.inf"}, sink), TResampleRunResult::Finished);
  EXPECT_EQ(ReadFileText(JoinPath(dir.Path(), "log")).rfind("cwd " + ExecutableFolder(), 0), 0u);
  EXPECT_EQ(out,
            "Stand-in terrain compiler 1.0\nReading \xC3\xA9.inf\n"
            "ERROR: cannot open INF file \xC3\xA9.inf\n");
  setenv("STANDIN_MODE", "sleep", 1), setenv("STANDIN_DURATION_MS", "30000", 1), out.clear();
  EXPECT_EQ(RunResample(StandIn(), {"x.inf"}, sink, idle), TResampleRunResult::Crashed);
  EXPECT_EQ(out, "Stand-in terrain compiler 1.0\n");
  unsetenv("STANDIN_MODE"), unsetenv("STANDIN_DURATION_MS"), unsetenv("STANDIN_LOG");
  EXPECT_EQ(RunResample(StandIn(), {"x.inf"}, {}), TResampleRunResult::Finished);  // no sink
  // Through Wine: Latin-1 from 0x80 becomes UTF-8, a non-zero status a crash, a full pipe emptied.
  const std::string wine = "#!/bin/sh\nyes | head -c 99998; printf '\\177\\200\\351\\n'; exit 3\n";
  const std::string path = getenv("PATH");
  ASSERT_TRUE(WriteFileAtomically(dir.File("wine"), wine.data(), wine.size()));
  fs::permissions(dir.File("wine"), fs::perms::owner_all);
  setenv("PATH", (dir.Path() + ":" + path).c_str(), 1), out.clear();
  EXPECT_EQ(RunResample(dir.File("r.exe"), {"x.inf"}, sink), TResampleRunResult::Crashed);
  EXPECT_EQ(std::pair(out.size(), out.substr(99996)),
            std::pair(size_t(100004), std::string("y\n\x7F\xC2\x80\xC3\xA9\n")));
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(RunResample(StandIn() + "-none", {"x.inf"}, sink), TResampleRunResult::NotStarted);
  EXPECT_EQ(waitpid(-1, nullptr, 0), -1);  // every job here and before reaped: no zombie left
  rlimit old{}, low{};  // room for one pipe only (the lowest free descriptor and two more)
  const int lowest = dup(0), fds = int(Entries("/proc/self/fd"));
  close(lowest), getrlimit(RLIMIT_NOFILE, &old), low = old, low.rlim_cur = rlim_t(lowest + 3);
  setrlimit(RLIMIT_NOFILE, &low);
  EXPECT_EQ(RunResample(StandIn(), {"x.inf"}, sink), TResampleRunResult::NotStarted);
  setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(Entries("/proc/self/fd"), fds - 1);  // the pipe made is given back
}

// XDG_CONFIG_HOME counts only as an absolute path, else ~/.config.
TEST(NativeProcess, UserConfigFolderFollowsXdg) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "", home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(UserConfigFolder("delva"), "/cfg/delva");
  setenv("XDG_CONFIG_HOME", "cfg", 1);
  EXPECT_EQ(UserConfigFolder("delva"), home + "/.config/delva");
  old ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  std::string why;  // the loader's own words for a module it cannot load
  EXPECT_TRUE(!OpenModule("/none/m.so", &why) && why.find("/none/m.so") != std::string::npos);
  EXPECT_TRUE(OpenModule("libm.so.6", &why) && why.find("/none/m.so") == 0);  // kept on success
}
#else
// The registry through RegGetValueW: a 32-bit installer's key is found under Wow6432Node.
TEST(NativeRegistry, BGLFolderFromTheWow6432NodeKey) {
  TTempDir dir;
  const std::string fs8 = JoinPath(dir.Path(), "FS8"), scenery = fs8 + "\\Addon Scenery\\scenery";
  fs::create_directories(NativePath(scenery));
  const std::string key =
      "HKLM\\Software\\Wow6432Node\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
  const std::string add = "reg add \"" + key + "\" /v \"EXE Path\" /d \"" + fs8 + "\" /f";
  ASSERT_EQ(std::system((add + " >NUL 2>&1").c_str()), 0);
  TTProgCfg c;
  const bool found = DefaultBGLFolderFromRegistry(c);
  std::system(("reg delete \"" + key + "\" /f >NUL 2>&1").c_str());
  EXPECT_TRUE(found && c.BGLFolder == scenery);
}
#endif
