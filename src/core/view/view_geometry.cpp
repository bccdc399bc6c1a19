#include "core/view/view_geometry.h"

#include <algorithm>
#include <cmath>

int ZoomIndex(int zoom) {
  for (size_t i = 0; i < kZoomFactors.size(); ++i)
    if (kZoomFactors[i] == zoom) return static_cast<int>(i);
  return -1;
}

int ZoomInFrom(int zoom) {
  int i = ZoomIndex(zoom);
  if (i < 0) return 1;
  return kZoomFactors[std::min<size_t>(i + 1, kZoomFactors.size() - 1)];
}

int ZoomOutFrom(int zoom) {
  int i = ZoomIndex(zoom);
  if (i < 0) return 1;
  return kZoomFactors[std::max(i - 1, 0)];
}

std::string ZoomLabel(int zoom) {
  if (zoom >= 1) return std::to_string(zoom) + "x";
  return "1/" + std::to_string(-zoom) + "x";
}

int64_t ZoomedExtent(int64_t cells, int zoom) { return zoom >= 1 ? cells * zoom : cells / -zoom; }

int64_t CellToPixel(int64_t cell, int zoom) { return zoom >= 1 ? cell * zoom : cell / -zoom; }

int64_t PixelToCell(int64_t pixel, int zoom) { return zoom >= 1 ? pixel / zoom : pixel * -zoom; }

int32_t PixelToCellClamped(int64_t pixel, int zoom, int32_t count) {
  int64_t c = PixelToCell(pixel, zoom);
  if (c >= count) c = int64_t(count) - 1;
  if (c < 0) c = 0;
  return static_cast<int32_t>(c);
}

int64_t SnapPixel(int64_t pixel, int zoom) { return zoom > 1 ? pixel - pixel % zoom : pixel; }

TPixelRect ScaleRect(const TCellRect& cells, int zoom) {
  return {CellToPixel(cells.Left, zoom), CellToPixel(cells.Top, zoom),
          CellToPixel(cells.Right, zoom), CellToPixel(cells.Bottom, zoom)};
}

TGridLines ComputeGridLines(double colsPerDeg, double rowsPerDeg, int32_t cols, int32_t rows,
                            int zoom, int64_t boxWidth, int64_t boxHeight) {
  TGridLines g;
  g.PenWidth = zoom > 1 ? zoom : 1;
  int64_t sx = static_cast<int64_t>(std::trunc(colsPerDeg));
  int64_t sy = static_cast<int64_t>(std::trunc(rowsPerDeg));
  int64_t ex = cols, ey = rows;
  sx = CellToPixel(sx, zoom);
  sy = CellToPixel(sy, zoom);
  ex = CellToPixel(ex, zoom);
  ey = CellToPixel(ey, zoom);
  if (ex >= boxWidth) ex = boxWidth - 1;
  if (ey >= boxHeight) ey = boxHeight - 1;
  g.EndX = ex;
  g.EndY = ey;
  // A step of 0 (less than one cell per degree, or a strong reduction) would
  // repeat one line forever; draw none in that direction.
  if (sy > 0)
    for (int64_t y = sy; y < boxHeight; y += sy) g.Horizontal.push_back(y);
  if (sx > 0)
    for (int64_t x = sx; x < boxWidth; x += sx) g.Vertical.push_back(x);
  return g;
}

int64_t KeepRelativeScroll(int64_t pos, int64_t oldExtent, int64_t newExtent) {
  if (oldExtent <= 0) return pos;
  // Truncated toward zero, as the new extent can be negative (content
  // smaller than the view); the scroll bar then limits it to 0.
  long double v = static_cast<long double>(newExtent) * pos / oldExtent;
  return static_cast<int64_t>(v);
}

int FitZoom(int64_t cols, int64_t rows, int64_t viewW, int64_t viewH) {
  for (size_t i = kZoomFactors.size(); i-- > 0;) {
    const int z = kZoomFactors[i];
    if (ZoomedExtent(cols, z) <= viewW && ZoomedExtent(rows, z) <= viewH) return z;
  }
  return kZoomFactors.front();
}

int64_t AnchoredScroll(int64_t scroll, int64_t anchor, int oldZoom, int newZoom) {
  auto scale = [](int z) { return z >= 1 ? double(z) : 1.0 / -z; };
  const double cell = double(scroll + anchor) / scale(oldZoom);
  return std::max<int64_t>(0, std::llround(cell * scale(newZoom)) - anchor);
}
