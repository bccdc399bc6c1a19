#pragma once

#include <cstdint>

#include "core/mesh/poly_sel.h"

class TTCellMask;

// Sets in the mask every cell of the polygon through the vertices (cell
// coordinates, closed from the last vertex back to the first): the interior
// by the even-odd rule (a cell counts as the point at its own coordinates)
// and every cell that the outline passes through, both ends of each edge
// included. Cells outside the mask's bounds are skipped; nothing is cleared.
void RasterizePolygon(const TTCellPoint* points, int32_t count, TTCellMask& mask);

// The cells of a straight segment, both ends included (Bresenham).
template <typename F>
void ForEachLineCell(int64_t x0, int64_t y0, int64_t x1, int64_t y1, F&& f) {
  int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
  int64_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
  int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int64_t err = dx - dy;
  for (;;) {
    f(x0, y0);
    if (x0 == x1 && y0 == y1) break;
    int64_t e2 = 2 * err;
    if (e2 > -dy) {
      err -= dy;
      x0 += sx;
    }
    if (e2 < dx) {
      err += dx;
      y0 += sy;
    }
  }
}
