#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/mesh/cell_rect.h"

// Geometry of the zoomed mesh view. A zoom factor z >= 1 shows each cell as
// z x z pixels; z < 0 is a reduction by k = -z where each pixel stands for
// k x k cells (the top-left cell of its block is shown).

inline constexpr std::array<int, 10> kZoomFactors = {-32, -16, -8, -4, -2, 1, 2, 4, 8, 16};

// Index of a factor in kZoomFactors, -1 for a value that is not a factor.
int ZoomIndex(int zoom);
// The next larger / smaller factor; the same factor at the ends.
int ZoomInFrom(int zoom);
int ZoomOutFrom(int zoom);
// "1x", "16x", "1/2x", "1/32x".
std::string ZoomLabel(int zoom);

// Paint-box extent of n cells: n x z, or n div k for a reduction.
int64_t ZoomedExtent(int64_t cells, int zoom);
// A cell coordinate in pixels (ScaleRect's rule): c x z, or c div k.
int64_t CellToPixel(int64_t cell, int zoom);
// A pixel coordinate in cells, not limited: p div z, or p x k.
int64_t PixelToCell(int64_t pixel, int zoom);
// Pixel to cell limited to 0 .. count - 1.
int32_t PixelToCellClamped(int64_t pixel, int zoom, int32_t count);
// Lowers p to a multiple of z when z > 1 (top-left corner of its cell block).
int64_t SnapPixel(int64_t pixel, int zoom);

struct TPixelRect {
  int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
TPixelRect ScaleRect(const TCellRect& cells, int zoom);

// The one-degree grid: line positions along one axis (no line at 0), each
// line running from 0 to `end` inclusive.
struct TGridLines {
  std::vector<int64_t> Horizontal;  // y positions
  std::vector<int64_t> Vertical;    // x positions
  int64_t EndX = 0;                 // last x of horizontal lines
  int64_t EndY = 0;                 // last y of vertical lines
  int PenWidth = 1;
};
// A step that comes out as 0 gives no lines in that direction.
TGridLines ComputeGridLines(double colsPerDeg, double rowsPerDeg, int32_t cols, int32_t rows,
                            int zoom, int64_t boxWidth, int64_t boxHeight);

// New scroll position after a zoom change that keeps the relative position:
// (newExtent x pos / oldExtent), or pos when the old extent was 0 or less.
int64_t KeepRelativeScroll(int64_t pos, int64_t oldExtent, int64_t newExtent);

// The largest of kZoomFactors at which cols x rows cells fit in a view of
// viewW x viewH pixels; the smallest factor when none does.
int FitZoom(int64_t cols, int64_t rows, int64_t viewW, int64_t viewH);

// The scroll position that keeps the point `anchor` pixels into the view on
// the same cell when the zoom changes from oldZoom to newZoom (not below 0).
int64_t AnchoredScroll(int64_t scroll, int64_t anchor, int oldZoom, int newZoom);
