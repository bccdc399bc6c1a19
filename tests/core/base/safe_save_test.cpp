// Saves through links and special files, and what an interrupted save leaves.
// POSIX only: Windows has neither these special files nor these signals.
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "core/base/file_util.h"
#include "core/platform/interrupt_cleanup.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;
using TNames = std::vector<std::string>;

TEST(SafeSave, LinksPipesModesAndLongNames) {
  TTempDir dir;
  const std::string real = dir.File("real.bin"), link = dir.File("link.bin");
  WriteFileBytes(real, {'o'}), chmod(real.c_str(), 0600);
  fs::create_symlink("real.bin", link);
  ASSERT_TRUE(WriteFileAtomically(link, "new", 3) && fs::is_symlink(link));
  EXPECT_EQ(ReadFileText(real), "new");
  EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  // 236 characters leave no room for a temporary name that repeats them.
  EXPECT_TRUE(WriteFileAtomically(dir.File(std::string(236, 'n')), "x", 1));
  // A pipe (or a device) is written, never replaced.
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = ReadFileText(dir.File("pipe")); });
  EXPECT_TRUE(WriteFileAtomically(dir.File("pipe"), "abc", 3));
  reader.join();
  EXPECT_EQ(got + SaveTargetProblem("/dev/null"), "abc");  // and no problem with a device
  // A target that became a folder while it was written: the rename fails, its temporary goes.
  TTAtomicFileWriter late(dir.File("late"));
  ASSERT_TRUE(late.Open() && late.Write("x", 1) && fs::create_directory(dir.File("late")));
  EXPECT_FALSE(late.Commit() || late.Write("x", 1));  // nor is a closed writer written
  EXPECT_EQ(FolderEntries(dir.Path()),
            (TNames{"late", "link.bin", std::string(236, 'n'), "pipe", "real.bin"}));
  // A link to an open descriptor ("convert x /dev/stdout > file") writes into
  // the file the descriptor holds, which a rename would leave behind.
  std::FILE* held = std::fopen(dir.File("held.bin").c_str(), "w+");
  ASSERT_NE(held, nullptr);
  fs::create_symlink("/proc/self/fd/" + std::to_string(fileno(held)), dir.File("fd0"));
  fs::create_symlink("fd0", dir.File("fd"));  // relative: read against the link's folder
  EXPECT_TRUE(WriteFileAtomically(dir.File("fd"), "abc", 3));
  char back[4] = {};
  std::rewind(held);
  EXPECT_EQ(std::fread(back, 1, 3, held), 3u);
  std::fclose(held);
  EXPECT_STREQ(back, "abc");
}

TEST(SafeSave, TemporaryFilesOfDeadProcessesGo) {
  TTempDir dir;
  long pid = 0;
  uint32_t host = 0;
  {
    TTAtomicFileWriter w(dir.File("t.bin"));
    ASSERT_TRUE(w.Open() && ParseTempFileName(FolderEntries(dir.Path()).at(0), pid, host));
  }
  auto make = [&](uint32_t h, long p) {
    char name[80];
    std::snprintf(name, sizeof name, ".delva-tmp-%08x-%ld-0123456789abcdef", unsigned(h), p);
    WriteFileBytes(dir.File(name), {1});
    return std::string(name);
  };
  make(host, 2147483609), make(host, 0);  // dead, and no process at all: removed by the next save
  // Another host's; a running process's; a folder of a dead one's name; 11 digits: not ours.
  TNames kept = {make(host ^ 1, 2147483646), make(host, 1), "t.bin", make(host, 2147483645),
                 make(host, 12345678901)};
  fs::remove(dir.File(kept[3])), fs::create_directory(dir.File(kept[3]));
  // Our shape up to the tail, which is not hex, or a name that ends in the host part: not ours.
  EXPECT_FALSE(ParseTempFileName(kept[1].substr(0, 22) + "0123456789abcdeg", pid, host) ||
               ParseTempFileName(".delva-tmp-1234", pid, host));
  std::sort(kept.begin(), kept.end());
  ASSERT_TRUE(WriteFileAtomically(dir.File("t.bin"), "x", 1) && FolderEntries(dir.Path()) == kept);
}

// A process ended by a signal in the middle of a save, with a private
// folder, leaves neither behind and still dies of the signal.
TEST(SafeSave, SignalsLeaveNoTemporaryFiles) {
  for (int sig : {SIGINT, SIGTERM}) {
    TTempDir dir;
    WriteFileBytes(dir.File("t.bin"), {'o'});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      struct sigaction hup = {};
      signal(SIGHUP, SIG_IGN), InstallInterruptCleanup();  // as under nohup: hangups stay ignored
      if (sigaction(SIGHUP, nullptr, &hup) != 0 || hup.sa_handler != SIG_IGN) _exit(4);
      fs::create_directories(dir.File("private/sub"));  // a folder inside goes too
      WriteFileBytes(dir.File("private/tile.hgt"), {1, 2});
      RemoveOnInterrupt(dir.File("private"), true);
      TTAtomicFileWriter w(dir.File("t.bin"));
      if (w.Open() && w.Write("new", 3)) raise(sig);
      _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(std::pair(FolderEntries(dir.Path()), ReadFileText(dir.File("t.bin"))),
              std::pair(TNames{"t.bin"}, std::string("o")));
  }
}

#endif
