#include "core/platform/memory.h"

#include <algorithm>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

void* AllocateLargeBlock(size_t bytes, size_t hugeFrom) {
#if defined(__linux__)
  constexpr size_t kHuge = size_t(2) << 20;
  if (bytes >= std::max(hugeFrom, kHuge)) {  // by default 64 MB: a mosaic, not a single tile
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, bytes) != 0) return nullptr;
    madvise(p, bytes, MADV_HUGEPAGE);  // advice only; failure changes nothing
    return p;
  }
#else
  (void)hugeFrom;
#endif
  return std::malloc(bytes);
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
