#pragma once

#include <cstdint>

#include "core/mesh/cell_rect.h"

#include <string>

class TTMesh;
class TTProgress;

// The 64-byte header of an HGX file (little-endian fields), followed by the
// samples as big-endian 16-bit values, row 0 (north) first.
inline constexpr int kHGXHeaderSize = 64;
inline constexpr uint32_t kHGXVersion = 3;

struct THGXHeader {
  int32_t Cols = 0, Rows = 0;
  float RowsPerDeg = 0, ColsPerDeg = 0;
  float MinLat = 0, MaxLat = 0, MinLon = 0, MaxLon = 0;
  int32_t AdjoNorth = 0, AdjoSouth = 0, AdjoWest = 0, AdjoEast = 0;
  int16_t VoidValue = 0;
};

// Header for the samples of `rect`: its size, the mesh's densities (narrowed
// to single precision), bounds, band widths and void value. Padding is zero.
void BuildHGXHeader(const TTMesh& mesh, const TCellRect& rect, unsigned char out[kHGXHeaderSize]);

// False for a foreign magic, a version other than 3, a grid that is not at
// least 1 x 1, or band widths that are negative or wider than the grid.
bool ParseHGXHeader(const unsigned char in[kHGXHeaderSize], THGXHeader& h);

// Bytes of a complete file with that grid (computed in 64 bits).
inline int64_t HGXFileSize(int32_t cols, int32_t rows) {
  return kHGXHeaderSize + 2 * int64_t(cols) * int64_t(rows);
}

// Writes the samples of `rect` to `path` as big-endian 16-bit values, after
// an HGX header when `writeHeader`; beside the target, then renamed over it.
bool SaveToFile(const TTMesh& mesh, const std::string& path, bool writeHeader,
                const TCellRect& rect, bool bigEndian, TTProgress* progress = nullptr);
// Loads an HGX file into an empty mesh (Kind 3).
bool LoadHGX(TTMesh& mesh, const std::string& path, TTProgress* progress = nullptr);
