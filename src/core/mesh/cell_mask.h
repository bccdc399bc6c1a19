#pragma once

#include <cstdint>
#include <vector>

#include "core/mesh/cell_rect.h"

// Selection mask: one bit per cell of a rectangle (normally a polygon's
// bounds), so that a whole-grid polygon costs an eighth of a byte per cell.
// Cells outside the rectangle are never selected.
class TTCellMask {
 public:
  TTCellMask() = default;
  explicit TTCellMask(const TCellRect& bounds) { Reset(bounds); }

  void Reset(const TCellRect& bounds) {
    bounds_ = bounds;
    words_per_row_ = bounds.IsEmpty() ? 0 : (bounds.Width() + 63) / 64;
    bits_.assign(static_cast<size_t>(words_per_row_ * bounds.Height()), 0);
  }

  const TCellRect& Bounds() const { return bounds_; }

  bool Get(int32_t x, int32_t y) const {
    if (!bounds_.Contains(x, y)) return false;
    int64_t c = int64_t(x) - bounds_.Left;
    return (Row(y)[c >> 6] >> (c & 63)) & 1u;
  }
  void Set(int32_t x, int32_t y, bool on) {
    if (!bounds_.Contains(x, y)) return;
    int64_t c = int64_t(x) - bounds_.Left;
    uint64_t bit = uint64_t(1) << (c & 63);
    uint64_t& w = RowMut(y)[c >> 6];
    w = on ? (w | bit) : (w & ~bit);
  }
  // Sets the cells x0..x1 (inclusive, clipped to the bounds) of row y.
  void SetSpan(int32_t y, int32_t x0, int32_t x1) {
    if (y < bounds_.Top || y > bounds_.Bottom) return;
    if (x0 < bounds_.Left) x0 = bounds_.Left;
    if (x1 > bounds_.Right) x1 = bounds_.Right;
    for (int32_t x = x0; x <= x1; ++x) Set(x, y, true);
  }

  // Raw row access: bit (x - Bounds().Left) of the row's words.
  const uint64_t* Row(int32_t y) const {
    return bits_.data() + (int64_t(y) - bounds_.Top) * words_per_row_;
  }

 private:
  uint64_t* RowMut(int32_t y) { return bits_.data() + (int64_t(y) - bounds_.Top) * words_per_row_; }

  TCellRect bounds_;
  int64_t words_per_row_ = 0;
  std::vector<uint64_t> bits_;
};
