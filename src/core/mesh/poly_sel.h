#pragma once

#include <array>
#include <cstdint>

#include "core/mesh/cell_rect.h"

class TTCellMask;
class TTMesh;

// A vertex of the polygon selection, in cells.
struct TTCellPoint {
  int32_t X = 0;  // column
  int32_t Y = 0;  // row
  friend bool operator==(const TTCellPoint&, const TTCellPoint&) = default;
};

// The polygon selection of the editor: vertices in cell coordinates in click
// order. Only a closed polygon is a selection; a closed polygon repeats its
// first vertex as its last one unless the vertex limit was reached first.
class TTPolySel {
 public:
  static constexpr int32_t kMaxPoints = 1024;

  std::array<TTCellPoint, kMaxPoints> Points{};
  int32_t Count = 0;
  bool Closed = false;
  TCellRect Bounds;       // covers every vertex once Count > 0
  TTCellPoint RubberEnd;  // free end of the rubber band while drawing

  // Stores a vertex and widens Bounds; ignored once kMaxPoints are held.
  void AddPoint(int32_t col, int32_t row);
  // Drops the polygon (Count 0, not closed).
  void Clear() {
    Count = 0;
    Closed = false;
  }

  // Resets the mask to Bounds and sets the cells of the polygon: interior by
  // the even-odd rule plus every cell its outline passes through. Fewer than
  // three vertices leave the mask untouched.
  void RenderMask(TTCellMask& mask) const;

  // Writes value into the masked cells of Bounds: mode 1 only over non-void
  // samples, mode 2 only over voids, any other mode over every masked cell.
  // (Defined with the elevation operations.)
  void FillMasked(const TTCellMask& mask, TTMesh& mesh, int16_t value, int16_t voidValue,
                  int mode) const;
};
