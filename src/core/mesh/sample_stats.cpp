#include "core/mesh/sample_stats.h"

#include <algorithm>
#include <cstring>

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

uint16_t Swapped(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }

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
  TLanes l{Lo, Hi};
  if (static_cast<const void*>(src) == static_cast<const void*>(dst)) {
    // In place: one load and one store per sample, no overlap to rule out.
    auto* u = reinterpret_cast<uint16_t*>(dst);
    while (n > 0) {
      const int64_t len = std::min(n, kLaneBlock);
      l.count = 0;
      if (swap) {
        for (int64_t i = 0; i < len; ++i) {
          const uint16_t v = Swapped(u[i]);
          u[i] = v;
          l.Step(static_cast<int16_t>(v), voidValue);
        }
      } else {
        for (int64_t i = 0; i < len; ++i) l.Step(static_cast<int16_t>(u[i]), voidValue);
      }
      Voids += l.count;
      u += len;
      n -= len;
    }
  } else {
    while (n > 0) {
      const int64_t len = std::min(n, kLaneBlock);
      l.count = 0;
      for (int64_t i = 0; i < len; ++i) {
        uint16_t v;
        std::memcpy(&v, src + 2 * i, 2);
        if (swap) v = Swapped(v);
        std::memcpy(dst + i, &v, 2);
        l.Step(static_cast<int16_t>(v), voidValue);
      }
      Voids += l.count;
      src += 2 * len;
      dst += len;
      n -= len;
    }
  }
  Lo = l.mn;
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
