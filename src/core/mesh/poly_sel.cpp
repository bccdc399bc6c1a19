#include "core/mesh/poly_sel.h"

#include <algorithm>

#include "core/mesh/cell_mask.h"
#include "core/mesh/poly_raster.h"

void TTPolySel::AddPoint(int32_t col, int32_t row) {
  if (Count >= kMaxPoints) return;
  Points[Count] = {col, row};
  if (Count == 0) {
    Bounds = TCellRect{col, col, row, row};
  } else {
    Bounds.Left = std::min(Bounds.Left, col);
    Bounds.Right = std::max(Bounds.Right, col);
    Bounds.Top = std::min(Bounds.Top, row);
    Bounds.Bottom = std::max(Bounds.Bottom, row);
  }
  ++Count;
}

void TTPolySel::RenderMask(TTCellMask& mask) const {
  if (Count < 3) return;
  mask.Reset(Bounds);
  RasterizePolygon(Points.data(), Count, mask);
}
