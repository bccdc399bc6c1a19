#pragma once

#include <cstdint>

#include "core/mesh/cell_rect.h"

class TTMesh;
class TTCellMask;
class TTProgress;

// Every operation visits rows outer, columns inner, over `rect` clipped to
// the grid. A cell takes part when `mask` is null or has the cell's bit set
// (cells outside the mask's bounds never take part). The row loops pump the
// progress object once per row; none of them refreshes the statistics.

// Cells equal to `current` become `replacement` (the void value included).
void ChangeValue(TTMesh& mesh, const TCellRect& rect, int16_t current, int16_t replacement,
                 const TTCellMask* mask = nullptr, TTProgress* progress = nullptr);
// flags bit 0: apply `lower`, bit 1: apply `upper` (the upper limit first).
// Voids are never touched.
void RestrictHeight(TTMesh& mesh, const TCellRect& rect, int16_t lower, int16_t upper,
                    uint16_t flags, const TTCellMask* mask = nullptr,
                    TTProgress* progress = nullptr);
// Adds `offset` to every non-void sample, clipping the exact sum to the
// sample range; returns true when any sample was clipped.
bool AddVertOffset(TTMesh& mesh, const TCellRect& rect, int32_t offset,
                   const TTCellMask* mask = nullptr, TTProgress* progress = nullptr);
// mode 1: non-void cells, 2: void cells only, anything else: every cell.
void FillRect(TTMesh& mesh, const TCellRect& rect, int16_t value, int16_t mode);

// Fill modes shared by the fill dialog, the tool bar buttons and the CLI.
enum : int16_t {
  kFillKeepVoids = 1,  // write into non-void cells only
  kFillVoidsOnly = 2,  // write into void cells only
  kFillAll = 3,        // write into every cell (any other code too)
};

// The polygon fill: FillRect over the mask's bounds restricted to the cells
// whose mask bit is set. `voidValue` decides what counts as a void (normally
// the mesh's own). Does not pump.
void FillMasked(const TTCellMask& mask, TTMesh& mesh, int16_t value, int16_t voidValue,
                int16_t mode);
