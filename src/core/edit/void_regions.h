#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/mesh/cell_mask.h"
#include "core/mesh/cell_rect.h"

class TTMesh;

// Which voids of a selection a fill may touch.
struct TTFillOptions {
  // Voids that reach the grid's outer rows or columns stay void: their
  // neighbours lie in the next tile, and a fill from one side only would
  // leave a step at the tile seam.
  bool InteriorOnly = false;
  // Voids of more than this many cells stay void; 0 means no limit.
  int64_t MaxVoid = 0;
};

// Outcome of a fill over a selection.
struct TTFillRun {
  int64_t Voids = 0;     // void cells of the selection (rectangle and mask) before
  int64_t Filled = 0;    // of those, the ones that got a value
  bool Aborted = false;  // stopped by AbortRequested()
  int64_t Left() const { return Voids - Filled; }
};

// One void: a set of void cells joined through their edges or corners
// (8-connected). Size and TouchesEdge describe the whole void, also where it
// runs outside the selection; Cells are only the selected ones, as grid
// indices y * Cols + x in scan order.
struct TTVoidRegion {
  std::vector<int64_t> Cells;
  TCellRect Bounds;  // of Cells
  int64_t Size = 0;
  bool TouchesEdge = false;
};

// A cell of the selection: inside the rectangle and, with a mask, set in it.
inline bool InSelection(const TCellRect& rect, const TTCellMask* mask, int32_t x, int32_t y) {
  return rect.Contains(x, y) && (!mask || mask->Get(x, y));
}

// The voids that have selected cells and that the options let be filled, in
// the scan order of their first selected cell. `selectedVoids` (may be null)
// gets the number of void cells of the selection, filled or not.
std::vector<TTVoidRegion> FindVoidRegions(const TTMesh& mesh, const TCellRect& rect,
                                          const TTCellMask* mask, const TTFillOptions& options,
                                          int64_t* selectedVoids);
