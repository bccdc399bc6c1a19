#pragma once

#include <cstdint>
#include <string>

#include "core/mesh/cell_rect.h"

class TTMesh;

// The status-line text for the cell (col, row) of the mesh, UTF-8:
// "(X,Y) = (c) (r)  (Lat./Lon.) = (...) (...)  Elevation = s m = f ft".
// format 1 gives degrees and minutes, 2 decimal degrees; a mesh without
// density gives no latitude/longitude part. A void ends in "  (void)".
std::string CursorReadout(const TTMesh& mesh, int32_t col, int32_t row, int format);

// The selection's size for the status line: "Selection 600 x 400 cells,
// 12.5 x 9.3 km" (east-west at the rectangle's middle latitude); without
// density, the cells alone.
std::string SelectionSizeText(const TTMesh& mesh, const TCellRect& rect);

// The undo debug text: "Alc=a  Lim=l  Cnt=c  T/H=t/h".
std::string UndoDebugText(int64_t allocated, int64_t limit, int64_t count, int64_t tail,
                          int64_t head);
