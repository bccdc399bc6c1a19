#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/mesh/cell_rect.h"

class TTMesh;

// The mesh image: one byte per cell, an index into a fixed 256-entry
// palette of 254 grays (index i is gray i), sea blue and void pink.
inline constexpr uint8_t kSeaIndex = 254;
inline constexpr uint8_t kVoidIndex = 255;

// 0xAARRGGBB entries, opaque.
using TTPalette = std::array<uint32_t, 256>;
const TTPalette& MeshPalette();
// The palette entry nearest to an RGB colour (squared distance).
uint8_t NearestPaletteIndex(uint8_t r, uint8_t g, uint8_t b);
// Olive, the hatch colour of adjoining bands, as the nearest palette index.
uint8_t HatchIndex();

// Index of one sample for the colour range: void 255; sea 254 when seaAsBlue
// and sample <= 0; else (sample - colorMin) x 253 / (colorMax - colorMin)
// truncated and limited to 0..253 (0 for an empty range).
uint8_t ColorIndex(int16_t sample, int16_t colorMin, int16_t colorMax, int16_t voidValue,
                   bool seaAsBlue);

// Writes the indices of the cells of rect into the image (row y of the image
// starts at image + y x stride; pixel x is column x).
void ColorCells(const TTMesh& mesh, const TCellRect& rect, bool seaAsBlue, uint8_t* image,
                ptrdiff_t stride);

// Hatches the adjoining bands (north, south, east, west in this order): a
// one-pixel outline along each band's border and backward-diagonal lines
// (rising to the right, every 8 pixels) inside, in index `ink`; only the
// pixels within `clip` (all of them without one) are drawn.
void HatchAdjoBands(const TTMesh& mesh, uint8_t ink, uint8_t* image, ptrdiff_t stride,
                    const TCellRect* clip = nullptr);
// One band rectangle (inclusive cells), as HatchAdjoBands draws it.
void HatchRect(const TCellRect& rect, uint8_t ink, uint8_t* image, ptrdiff_t stride,
               const TCellRect* clip = nullptr);

// The tiles a multiple-tile load did not find: each rectangle is one tile's
// own cells, which the load set to Value.
struct TTMissingTiles {
  std::vector<TCellRect> Rects;
  int16_t Value = 0;
};
// Hatches the cells of `rect` that lie in a missing tile and still hold its
// fill value, so that they do not pass for sea or real flat ground; an edit
// that gives a cell another value ends its hatch. Lines fall to the right
// every 5 pixels, over the cell's own colour: light on dark indices (sea and
// void included), dark on light grays. An odd spacing keeps the lines at
// every zoom-out, which shows every 2nd, 4th ... 32nd cell.
void HatchMissingTiles(const TTMesh& mesh, const TTMissingTiles& missing, const TCellRect& rect,
                       uint8_t* image, ptrdiff_t stride);
inline constexpr int kMissingHatchStep = 5;
inline constexpr uint8_t kMissingInkLight = 200, kMissingInkDark = 60;

// Nearest-cell sampling of the zoomed image into a view buffer of 0xAARRGGBB
// pixels: view pixel (i, j) shows paint-box pixel (originX + i, originY + j).
// Pixels beyond the paint box (or the image) are left untouched.
struct TTViewSampler {
  const uint8_t* Image = nullptr;
  ptrdiff_t ImageStride = 0;
  int32_t ImageWidth = 0, ImageHeight = 0;
  int Zoom = 1;
  const uint32_t* Palette = nullptr;  // 256 entries
};
// With `ready`, the view's cells (ViewCells) are handed to it a band of rows
// at a time, each band just before its pixels are sampled: an image
// coloured there is read back from the cache. A large view's bands run on
// two threads, so `ready` must be safe to call for different rows at once.
void SampleView(const TTViewSampler& src, int64_t originX, int64_t originY, int32_t width,
                int32_t height, uint32_t* out, ptrdiff_t outStridePixels,
                const std::function<void(const TCellRect& cells)>& ready = nullptr);
// The image cells that SampleView reads for the same view (empty for none).
TCellRect ViewCells(const TTViewSampler& src, int64_t originX, int64_t originY, int32_t width,
                    int32_t height);
