#pragma once

#include <cstdint>

// Inclusive rectangle of grid cells. Right < Left or Bottom < Top is empty.
struct TCellRect {
  int32_t Left = 0;
  int32_t Right = -1;
  int32_t Top = 0;
  int32_t Bottom = -1;

  bool IsEmpty() const { return Right < Left || Bottom < Top; }
  int64_t Width() const { return IsEmpty() ? 0 : int64_t(Right) - Left + 1; }
  int64_t Height() const { return IsEmpty() ? 0 : int64_t(Bottom) - Top + 1; }
  int64_t CellCount() const { return Width() * Height(); }
  bool Contains(int32_t x, int32_t y) const {
    return x >= Left && x <= Right && y >= Top && y <= Bottom;
  }
  friend bool operator==(const TCellRect&, const TCellRect&) = default;
};

// A non-empty rectangle that lies wholly inside a grid of cols x rows.
inline bool RectInside(const TCellRect& r, int32_t cols, int32_t rows) {
  return !r.IsEmpty() && r.Left >= 0 && r.Top >= 0 && r.Right < cols && r.Bottom < rows;
}
