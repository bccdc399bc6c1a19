// Saves through special targets, and what is left after an interrupted save.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/base/file_util.h"
#include "core/platform/interrupt_cleanup.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;
using TBytes = std::vector<unsigned char>;

TEST(SafeSave, LinksAreWrittenThroughAndModesKept) {
  TTempDir dir;
  const std::string real = dir.File("real.bin"), link = dir.File("link.bin");
  WriteFileBytes(real, {'o'});
  chmod(real.c_str(), 0600);
  fs::create_symlink("real.bin", link);
  ASSERT_TRUE(WriteFileAtomically(link, "new", 3));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(real), (TBytes{'n', 'e', 'w'}));
  struct stat st;
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // A name near the file-system limit leaves room for no long temporary name.
  const std::string longName = dir.File(std::string(236, 'n'));
  EXPECT_TRUE(WriteFileAtomically(longName, "x", 1));
  EXPECT_EQ(FolderEntries(dir.Path()),
            (std::vector<std::string>{"link.bin", std::string(236, 'n'), "real.bin"}));
}

TEST(SafeSave, SpecialTargets) {
  TTempDir dir;
  // A pipe is written, never replaced (a character device likewise).
  EXPECT_EQ(SaveTargetProblem("/dev/null"), "");
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = ReadFileText(fifo); });
  EXPECT_TRUE(WriteFileAtomically(fifo, "abc", 3));
  reader.join();
  EXPECT_EQ(got, "abc");
  // A folder and a socket are refused with a message that says why.
  const std::string sock = dir.File("sock");
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const struct {
    std::string path, error;
  } refused[] = {{dir.Path(), dir.Path() + " is a folder."},
                 {sock, sock + " is not a regular file."}};
  for (const auto& r : refused) {
    TTAtomicFileWriter w(r.path);
    EXPECT_FALSE(w.Open());
    EXPECT_EQ(w.Error(), r.error);
    EXPECT_EQ(SaveTargetProblem(r.path), r.error);
  }
  close(fd);
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"pipe", "sock"}));
}

TEST(SafeSave, StaleTemporaryFilesOfDeadProcessesGo) {
  TTempDir dir;
  std::string ours;
  long pid = 0;
  uint32_t host = 0;
  {
    TTAtomicFileWriter w(dir.File("t.bin"));
    ASSERT_TRUE(w.Open());
    ours = FolderEntries(dir.Path()).at(0);
  }
  ASSERT_TRUE(ParseTempFileName(ours, pid, host));
  EXPECT_EQ(pid, long(getpid()));
  EXPECT_LE(ours.size(), 48u);
  char name[80];
  auto make = [&](uint32_t h, long p) {
    std::snprintf(name, sizeof name, ".delva-tmp-%08x-%ld-0123456789abcdef", unsigned(h), p);
    WriteFileBytes(dir.File(name), {1});
    return std::string(name);
  };
  const std::string dead = make(host, 2147483646), otherHost = make(host ^ 1, 2147483646),
                    living = make(host, 1), foreign = ".delva-tmp-notours";
  WriteFileBytes(dir.File(foreign), {1});
  ASSERT_TRUE(WriteFileAtomically(dir.File("t.bin"), "x", 1));
  const std::vector<std::string> left = FolderEntries(dir.Path());
  EXPECT_EQ(std::count(left.begin(), left.end(), dead), 0);
  for (const std::string& kept : {otherHost, living, foreign})
    EXPECT_EQ(std::count(left.begin(), left.end(), kept), 1) << kept;
}

// A child stopped by a signal in the middle of a save and with a private
// folder leaves neither behind (and still dies of the signal).
TEST(SafeSave, SignalsLeaveNoTemporaryFiles) {
  for (int sig : {SIGINT, SIGTERM}) {
    TTempDir dir;
    WriteFileBytes(dir.File("t.bin"), {'o'});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      InstallInterruptCleanup();
      const std::string folder = dir.File("private");
      fs::create_directory(folder);
      WriteFileBytes(folder + "/tile.hgt", {1, 2});
      RemoveOnInterrupt(folder, true);
      TTAtomicFileWriter w(dir.File("t.bin"));
      if (w.Open() && w.Write("new", 3)) raise(sig);
      _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"t.bin"});
    EXPECT_EQ(ReadFileBytes(dir.File("t.bin")), TBytes{'o'});
  }
}
