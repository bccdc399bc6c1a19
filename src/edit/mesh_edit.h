#pragma once

#include <cstdint>

class TTMesh;
class TTCellMask;

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
