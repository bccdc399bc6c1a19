#include "core/base/cpu_features.h"

#include <atomic>

namespace {
std::atomic<TLoops> forced{TLoops::Widest};
}  // namespace

void ForceLoops(TLoops widest) { forced = widest; }

bool CpuHasAvx2() {
#if DELVA_HAVE_AVX2_TARGET
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has && forced != TLoops::Plain;
#else
  return false;
#endif
}

bool CpuHasAvx512() {
#if DELVA_HAVE_AVX2_TARGET
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl");
  }();
  return has && forced == TLoops::Widest;
#else
  return false;
#endif
}
