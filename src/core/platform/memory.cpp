#include "core/platform/memory.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void* AllocateLargeBlock(size_t bytes) {
#if defined(__linux__)
  constexpr size_t kHuge = size_t(2) << 20;
  if (bytes >= 32 * kHuge) {  // 64 MB: a mosaic, not a single tile
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, bytes) != 0) return nullptr;
    madvise(p, bytes, MADV_HUGEPAGE);  // advice only; failure changes nothing
    return p;
  }
#endif
  return std::malloc(bytes);
}
