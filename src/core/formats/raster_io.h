#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/mesh/cell_rect.h"

class TTMesh;
class TTProgress;

// Reads a headerless block of rows x cols 16-bit samples into the allocated
// grid at (x0, y0), optionally dropping the file's first row and last column.
// False when the file is short or the block does not fit the grid.
bool LoadRaster(TTMesh& mesh, const std::string& path, int32_t rows, int32_t cols, bool swap,
                bool skipFirstRow, bool skipLastCol, int32_t x0, int32_t y0,
                TTProgress* progress = nullptr);
// Writes the samples of `rect` to an open file; samples equal to `voidFrom`
// are written as `voidTo` (pass equal values to keep them).
bool SaveRaster(const TTMesh& mesh, std::FILE* file, const TCellRect& rect, int16_t voidFrom,
                int16_t voidTo, bool bigEndian, TTProgress* progress = nullptr);
