#ifdef _WIN32

#include <windows.h>

#include <array>
#include <filesystem>
#include <mutex>

#include "core/platform/interrupt_cleanup.h"
#include "core/platform/native_file.h"

namespace {

// Ctrl+C and closing the console run the handler on a thread of its own, so
// a lock is enough here (no signal-safety rules as on POSIX).
struct TEntry {
  std::string Path;
  bool Folder = false;
  bool Used = false;
};
std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::array<TEntry, 64>& Table() {
  static std::array<TEntry, 64> table;
  return table;
}

BOOL WINAPI OnConsoleEvent(DWORD) {
  std::lock_guard<std::mutex> guard(Lock());
  for (TEntry& e : Table()) {
    if (!e.Used) continue;
    std::error_code ec;
    if (e.Folder)
      std::filesystem::remove_all(NativePath(e.Path), ec);
    else
      std::filesystem::remove(NativePath(e.Path), ec);
    e.Used = false;
  }
  return FALSE;  // the default handler then ends the program
}

}  // namespace

void InstallInterruptCleanup() {
  static const bool installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
  (void)installed;
}

int RemoveOnInterrupt(const std::string& path, bool folder) {
  std::lock_guard<std::mutex> guard(Lock());
  for (size_t i = 0; i < Table().size(); ++i) {
    TEntry& e = Table()[i];
    if (e.Used) continue;
    e.Path = path;
    e.Folder = folder;
    e.Used = true;
    return int(i);
  }
  return -1;
}

void ForgetOnInterrupt(int slot) {
  if (slot < 0 || slot >= int(Table().size())) return;
  std::lock_guard<std::mutex> guard(Lock());
  Table()[size_t(slot)].Used = false;
}

#endif
