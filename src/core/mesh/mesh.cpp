#include "core/mesh/mesh.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "core/base/progress.h"
#include "core/platform/memory.h"

namespace {

// Void count and extremes of the non-void samples of one row. The counter
// runs in 16-bit lanes over blocks of at most 65535 samples so that the loop
// vectorises; voids are replaced by the neutral value of each extreme.
void RowStats(const int16_t* p, int64_t n, int16_t voidValue, int16_t& lo, int16_t& hi,
              int64_t& voids) {
  int16_t mn = lo, mx = hi;
  while (n > 0) {
    const int64_t len = std::min<int64_t>(n, 65535);
    uint16_t count = 0;
    for (int64_t i = 0; i < len; ++i) {
      // Branch-free masks (v is 0 or all ones) so that the compiler turns
      // the loop into packed compares, min and max.
      const int16_t x = p[i];
      const int16_t v = static_cast<int16_t>(-int16_t(x == voidValue));
      count = static_cast<uint16_t>(count - v);
      const int16_t forMin =
          static_cast<int16_t>((x & ~v) | (std::numeric_limits<int16_t>::max() & v));
      const int16_t forMax =
          static_cast<int16_t>((x & ~v) | (std::numeric_limits<int16_t>::min() & v));
      mn = forMin < mn ? forMin : mn;
      mx = forMax > mx ? forMax : mx;
    }
    voids += count;
    p += len;
    n -= len;
  }
  lo = mn;
  hi = mx;
}

}  // namespace

int16_t* TTSampleArray::AllocateSampleBlock(size_t count) {
  return static_cast<int16_t*>(AllocateLargeBlock(count * sizeof(int16_t)));
}

void TTSampleArray::TFree::operator()(int16_t* p) const { std::free(p); }

bool TTMesh::HasVoids(TTProgress* progress) const {
  if (Samples.Empty()) return false;
  const int64_t width = GridRect.Width();
  for (int32_t y = GridRect.Top; y <= GridRect.Bottom; ++y) {
    const int16_t* row = RowStart(y) + GridRect.Left;
    if (std::find(row, row + width, VoidValue) != row + width) return true;
    PumpMessages(progress);
  }
  return false;
}

void TTMesh::UpdateStats(TTProgress* progress) {
  if (Samples.Empty()) return;
  int16_t lo = std::numeric_limits<int16_t>::max();
  int16_t hi = std::numeric_limits<int16_t>::min();
  int64_t voids = 0;
  const int64_t width = GridRect.Width();
  for (int32_t y = GridRect.Top; y <= GridRect.Bottom; ++y) {
    RowStats(RowStart(y) + GridRect.Left, width, VoidValue, lo, hi, voids);
    PumpMessages(progress);
  }
  if (voids == GridRect.CellCount()) {
    MaxElev = MinElev = VoidValue;
    VoidCount = int64_t(Cols) * Rows;
    return;
  }
  MaxElev = hi;
  MinElev = lo;
  VoidCount = voids;
}
