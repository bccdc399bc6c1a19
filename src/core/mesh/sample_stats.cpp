#include "core/mesh/sample_stats.h"

#include <algorithm>
#include <cstring>

#include "core/base/cpu_features.h"
#include "core/base/sample_io.h"
#include "core/mesh/mesh.h"

namespace {

// The counter runs in 16-bit lanes over blocks of at most 65535 samples so
// that the loops vectorise; voids are replaced by the neutral value of each
// extreme through branch-free masks (v is 0 or all ones), which the compiler
// turns into packed compares, min and max.
constexpr int64_t kLaneBlock = 65535;

struct TLanes {
  int16_t mn, mx;
  uint16_t count = 0;
  void Step(int16_t x, int16_t voidValue) {
    const int16_t v = static_cast<int16_t>(-int16_t(x == voidValue));
    count = static_cast<uint16_t>(count - v);
    const int16_t forMin =
        static_cast<int16_t>((x & ~v) | (std::numeric_limits<int16_t>::max() & v));
    const int16_t forMax =
        static_cast<int16_t>((x & ~v) | (std::numeric_limits<int16_t>::min() & v));
    mn = forMin < mn ? forMin : mn;
    mx = forMax > mx ? forMax : mx;
  }
};

// The same for the void value -32768 (HGT), the smallest sample: it cannot
// raise the maximum, and x - 1 (wrapping) turns it into the largest value
// while keeping the order of the others, so no masks are needed.
struct TLowVoidLanes {
  int16_t mnLess, mx;  // mnLess: the minimum minus one
  uint16_t count = 0;
  void Step(int16_t x) {
    count = static_cast<uint16_t>(count + (x == std::numeric_limits<int16_t>::min()));
    const int16_t less = static_cast<int16_t>(static_cast<uint16_t>(x) - 1u);
    mnLess = less < mnLess ? less : mnLess;
    mx = x > mx ? x : mx;
  }
};

uint16_t Swapped(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }

// Big-endian samples swapped into dst (which may be src itself) and counted.
// Written out without helpers so that the AVX2 copy below inlines all of it.
inline __attribute__((always_inline)) void SwapAndCount(TLowVoidLanes& lanes,
                                                        const unsigned char* src, int16_t* dst,
                                                        int64_t n, int64_t& voids) {
  TLowVoidLanes l = lanes;  // a local the samples cannot alias: the loops vectorise
  int64_t counted = 0;
  const bool inPlace = static_cast<const void*>(src) == static_cast<const void*>(dst);
  for (int64_t at = 0; at < n; at += kLaneBlock) {
    const int64_t len = std::min(n - at, kLaneBlock);
    l.count = 0;
    if (inPlace) {
      // One load and one store per sample, no overlap to rule out.
      uint16_t* p = reinterpret_cast<uint16_t*>(dst) + at;
      for (int64_t i = 0; i < len; ++i) {
        const uint16_t v = Swapped(p[i]);
        p[i] = v;
        l.Step(static_cast<int16_t>(v));
      }
    } else {
      const unsigned char* s = src + 2 * at;
      int16_t* d = dst + at;
      for (int64_t i = 0; i < len; ++i) {
        uint16_t v;
        std::memcpy(&v, s + 2 * i, 2);
        v = Swapped(v);
        std::memcpy(d + i, &v, 2);
        l.Step(static_cast<int16_t>(v));
      }
    }
    counted += l.count;
  }
  lanes = l;
  voids += counted;
}

// The same loops compiled for AVX2 (sixteen lanes instead of eight), chosen
// at run time: every load converts each sample of the mesh once.
DELVA_AVX2_TARGET void SwapAndCountWide(TLowVoidLanes& l, const unsigned char* src, int16_t* dst,
                                        int64_t n, int64_t& voids) {
  SwapAndCount(l, src, dst, n, voids);
}

}  // namespace

void TTSampleStats::Add(const int16_t* p, int64_t n, int16_t voidValue) {
  TLanes l{Lo, Hi};
  while (n > 0) {
    const int64_t len = std::min(n, kLaneBlock);
    l.count = 0;
    for (int64_t i = 0; i < len; ++i) l.Step(p[i], voidValue);
    Voids += l.count;
    p += len;
    n -= len;
  }
  Lo = l.mn;
  Hi = l.mx;
}

void TTSampleStats::AddBigEndian(const unsigned char* src, int16_t* dst, int64_t n,
                                 int16_t voidValue) {
  const bool swap = HostIsLittleEndian();
  if (voidValue != std::numeric_limits<int16_t>::min() || !swap) {
    // Any other void value (or a big-endian host): convert, then count.
    for (int64_t at = 0; at < n; at += kLaneBlock) {
      const int64_t len = std::min(n - at, kLaneBlock);
      if (static_cast<const void*>(src) != static_cast<const void*>(dst))
        std::memmove(dst + at, src + 2 * at, size_t(len) * 2);
      DecodeSamplesInPlace(dst + at, size_t(len), true);
      Add(dst + at, len, voidValue);
    }
    return;
  }
  // One pass: swap, store and count while the block is in the registers.
  TLowVoidLanes l{static_cast<int16_t>(Lo - 1), Hi};
  if (CpuHasAvx2())
    SwapAndCountWide(l, src, dst, n, Voids);
  else
    SwapAndCount(l, src, dst, n, Voids);
  Lo = static_cast<int16_t>(static_cast<uint16_t>(l.mnLess) + 1u);
  Hi = l.mx;
}

void TTSampleStats::Merge(const TTSampleStats& other) {
  Lo = std::min(Lo, other.Lo);
  Hi = std::max(Hi, other.Hi);
  Voids += other.Voids;
}

void TTSampleStats::StoreInto(TTMesh& mesh, int64_t cells) const {
  if (Voids == cells) {
    mesh.MaxElev = mesh.MinElev = mesh.VoidValue;
    mesh.VoidCount = int64_t(mesh.Cols) * mesh.Rows;
    return;
  }
  mesh.MaxElev = Hi;
  mesh.MinElev = Lo;
  mesh.VoidCount = Voids;
}
