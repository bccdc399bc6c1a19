#include "core/base/cpu_features.h"

#include <atomic>

namespace {
std::atomic<bool> plainForced{false};
}  // namespace

void ForcePlainLoops(bool on) { plainForced = on; }

bool CpuHasAvx2() {
#if DELVA_HAVE_AVX2_TARGET
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has && !plainForced;
#else
  return false;
#endif
}
