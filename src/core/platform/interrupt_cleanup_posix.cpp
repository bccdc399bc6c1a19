#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/platform/interrupt_cleanup.h"

namespace {

enum : int { kFree = 0, kBusy = 1, kArmed = 2 };

// Plain storage only: the handler may read it at any moment, so nothing in
// it is allocated or freed while a slot is armed.
struct TSlot {
  std::atomic<int> State{kFree};
  char Path[PATH_MAX];
  DIR* Folder = nullptr;  // opened at registration: the handler makes no allocation
};

constexpr int kSlots = 64;
TSlot slots[kSlots];

void Clean(TSlot& s) {
  if (s.Folder) {
    const int fd = dirfd(s.Folder);
    while (dirent* e = readdir(s.Folder)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      if (unlinkat(fd, e->d_name, 0) != 0) unlinkat(fd, e->d_name, AT_REMOVEDIR);
    }
    rmdir(s.Path);
  } else {
    unlink(s.Path);
  }
}

void OnSignal(int sig) {
  const int saved = errno;
  for (TSlot& s : slots) {
    int armed = kArmed;
    if (s.State.compare_exchange_strong(armed, kBusy)) Clean(s);
  }
  errno = saved;
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

void InstallInterruptCleanup() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old = {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&sa.sa_mask, other);
    sigaction(sig, &sa, nullptr);
  }
}

int RemoveOnInterrupt(const std::string& path, bool folder) {
  if (path.empty() || path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!slots[i].State.compare_exchange_strong(expected, kBusy)) continue;
    std::memcpy(slots[i].Path, path.c_str(), path.size() + 1);
    slots[i].Folder = folder ? opendir(path.c_str()) : nullptr;
    if (folder && !slots[i].Folder) {
      slots[i].State = kFree;
      return -1;
    }
    slots[i].State = kArmed;
    return i;
  }
  return -1;
}

void ForgetOnInterrupt(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  TSlot& s = slots[slot];
  int armed = kArmed;
  if (!s.State.compare_exchange_strong(armed, kBusy)) return;
  if (s.Folder) closedir(s.Folder);
  s.Folder = nullptr;
  s.State = kFree;
}

#endif
