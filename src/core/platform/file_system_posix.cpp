#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "core/platform/file_system.h"

TFileKind FileKindOf(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return TFileKind::None;
  if (S_ISREG(st.st_mode)) return TFileKind::Regular;
  if (S_ISDIR(st.st_mode)) return TFileKind::Folder;
  if (S_ISCHR(st.st_mode)) return TFileKind::CharDevice;
  if (S_ISFIFO(st.st_mode)) return TFileKind::Fifo;
  if (S_ISBLK(st.st_mode)) return TFileKind::BlockDevice;
  if (S_ISSOCK(st.st_mode)) return TFileKind::Socket;
  return TFileKind::Other;
}

bool NamesOpenFile(const std::string& path) {
  std::string p = path;
  for (int depth = 0; depth < 40; ++depth) {
    if (p.rfind("/proc/", 0) == 0 || p.rfind("/dev/fd/", 0) == 0) return true;
    char buffer[PATH_MAX];
    const ssize_t n = readlink(p.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return false;
    const std::string to(buffer, size_t(n));
    const size_t slash = p.rfind('/');
    p = to[0] == '/' || slash == std::string::npos ? to : p.substr(0, slash + 1) + to;
  }
  return false;
}

bool CopyFileMode(const std::string& from, std::FILE* to) {
  struct stat st;
  if (stat(from.c_str(), &st) != 0) return false;
  const int fd = fileno(to);
  // Owner first: changing it may clear the set-id bits the mode then restores.
  if (geteuid() == 0 && fchown(fd, st.st_uid, st.st_gid) != 0) return false;
  return fchmod(fd, st.st_mode & 07777) == 0;
}

bool SyncFile(std::FILE* file) { return fsync(fileno(file)) == 0; }

bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

bool ProcessRunning(long pid) {
  if (pid <= 0 || pid > long(INT_MAX)) return false;
  // EPERM: it runs, under another user.
  return kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::string();
  return name;
}

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix) {
  std::string pattern = parent;
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return std::string();
  return std::string(buffer.data());
}

#endif
