#include "core/mesh/mesh.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "core/base/progress.h"
#include "core/mesh/sample_stats.h"
#include "core/platform/memory.h"

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
  TTSampleStats stats;
  const int64_t width = GridRect.Width();
  for (int32_t y = GridRect.Top; y <= GridRect.Bottom; ++y) {
    stats.Add(RowStart(y) + GridRect.Left, width, VoidValue);
    PumpMessages(progress);
  }
  stats.StoreInto(*this, GridRect.CellCount());
}
