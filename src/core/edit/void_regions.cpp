#include "core/edit/void_regions.h"

#include <algorithm>

#include "core/mesh/mesh.h"

std::vector<TTVoidRegion> FindVoidRegions(const TTMesh& mesh, const TCellRect& rect,
                                          const TTCellMask* mask, const TTFillOptions& options,
                                          int64_t* selectedVoids) {
  std::vector<TTVoidRegion> regions;
  int64_t voids = 0;
  TCellRect rc = rect;
  rc.Left = std::max(rc.Left, 0);
  rc.Top = std::max(rc.Top, 0);
  rc.Right = std::min(rc.Right, mesh.Cols - 1);
  rc.Bottom = std::min(rc.Bottom, mesh.Rows - 1);
  if (rc.IsEmpty() || mesh.Samples.Empty()) {
    if (selectedVoids) *selectedVoids = 0;
    return regions;
  }
  const int32_t cols = mesh.Cols, rows = mesh.Rows;
  const int16_t v = mesh.VoidValue;
  // A void is followed over the whole grid, so that its size and whether it
  // reaches the grid's edge do not depend on where the selection cuts it.
  std::vector<bool> seen(size_t(int64_t(cols) * rows), false);
  std::vector<int64_t> stack;
  for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
    const int16_t* row = mesh.RowStart(y);
    for (int32_t x = rc.Left; x <= rc.Right; ++x) {
      if (row[x] != v || !InSelection(rc, mask, x, y)) continue;
      ++voids;
      const int64_t start = int64_t(y) * cols + x;
      if (seen[size_t(start)]) continue;
      TTVoidRegion r;
      r.Bounds = TCellRect{x, x, y, y};
      seen[size_t(start)] = true;
      stack.assign(1, start);
      while (!stack.empty()) {
        const int64_t i = stack.back();
        stack.pop_back();
        const int32_t cx = int32_t(i % cols), cy = int32_t(i / cols);
        ++r.Size;
        if (cx == 0 || cy == 0 || cx == cols - 1 || cy == rows - 1) r.TouchesEdge = true;
        if (InSelection(rc, mask, cx, cy)) {
          r.Cells.push_back(i);
          r.Bounds.Left = std::min(r.Bounds.Left, cx);
          r.Bounds.Right = std::max(r.Bounds.Right, cx);
          r.Bounds.Top = std::min(r.Bounds.Top, cy);
          r.Bounds.Bottom = std::max(r.Bounds.Bottom, cy);
        }
        for (int32_t ny = std::max(cy - 1, 0); ny <= std::min(cy + 1, rows - 1); ++ny)
          for (int32_t nx = std::max(cx - 1, 0); nx <= std::min(cx + 1, cols - 1); ++nx) {
            const int64_t n = int64_t(ny) * cols + nx;
            if (!seen[size_t(n)] && mesh.GetCell(nx, ny) == v) {
              seen[size_t(n)] = true;
              stack.push_back(n);
            }
          }
      }
      if (options.InteriorOnly && r.TouchesEdge) continue;
      if (options.MaxVoid > 0 && r.Size > options.MaxVoid) continue;
      std::sort(r.Cells.begin(), r.Cells.end());
      regions.push_back(std::move(r));
    }
  }
  if (selectedVoids) *selectedVoids = voids;
  return regions;
}
