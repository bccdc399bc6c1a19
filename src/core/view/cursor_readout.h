#pragma once

#include <cstdint>
#include <string>

class TTMesh;

// The status-line text for the cell (col, row) of the mesh, UTF-8:
// "(X,Y) = (c) (r)  (Lat./Lon.) = (...) (...)  Elevation = s m = f ft".
// format 1 gives degrees and minutes, 2 decimal degrees; a mesh without
// density gives no latitude/longitude part. A void ends in "  (void)".
std::string CursorReadout(const TTMesh& mesh, int32_t col, int32_t row, int format);

// The undo debug text: "Alc=a  Lim=l  Cnt=c  T/H=t/h".
std::string UndoDebugText(int64_t allocated, int64_t limit, int64_t count, int64_t tail,
                          int64_t head);
