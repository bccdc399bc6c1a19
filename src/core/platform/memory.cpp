#include "core/platform/memory.h"

#include <cstdlib>
#include <mutex>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {
#if defined(__linux__)
constexpr size_t kHuge = size_t(2) << 20;

// The freed blocks kept for reuse, oldest first (a mesh and its image, say).
struct TKeptBlocks {
  std::mutex Lock;
  void* Block[2] = {nullptr, nullptr};
  size_t Bytes[2] = {0, 0};
  int Count = 0;

  void* Take(int k) {
    void* p = Block[k];
    for (int j = k; j + 1 < Count; ++j) {
      Block[j] = Block[j + 1];
      Bytes[j] = Bytes[j + 1];
    }
    --Count;
    return p;
  }
  void ReleaseOldest() { std::free(Take(0)); }
};

TKeptBlocks& Kept() {
  static TKeptBlocks kept;
  return kept;
}
#endif
}  // namespace

void* AllocateLargeBlock(size_t bytes) {
#if defined(__linux__)
  if (bytes >= kHuge) {
    TKeptBlocks& kept = Kept();
    {
      std::lock_guard<std::mutex> hold(kept.Lock);
      // Only about the size asked for: a much larger block would hold
      // memory that nobody uses.
      for (int k = 0; k < kept.Count; ++k)
        if (kept.Bytes[k] >= bytes && kept.Bytes[k] - bytes <= bytes / 8) return kept.Take(k);
      while (kept.Count > 0) kept.ReleaseOldest();
    }
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, bytes) != 0) return nullptr;
    madvise(p, bytes, MADV_HUGEPAGE);  // advice only; failure changes nothing
    return p;
  }
#endif
  return std::malloc(bytes);
}

void FreeLargeBlock(void* p, size_t bytes) {
  if (!p) return;
#if defined(__linux__)
  if (bytes >= kHuge && bytes <= kKeptLargeBytes) {
    TKeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.Lock);
    while (kept.Count == 2 || (kept.Count == 1 && kept.Bytes[0] + bytes > kKeptLargeBytes))
      kept.ReleaseOldest();
    kept.Block[kept.Count] = p;
    kept.Bytes[kept.Count] = bytes;
    ++kept.Count;
    return;
  }
#else
  (void)bytes;
#endif
  std::free(p);
}

uint64_t PhysicalMemoryBytes() {
#if defined(_WIN32)
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  return GlobalMemoryStatusEx(&status) ? uint64_t(status.ullTotalPhys) : 0;
#else
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return uint64_t(pages) * uint64_t(pageSize);
#endif
}
