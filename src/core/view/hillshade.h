#pragma once

#include <cstddef>
#include <cstdint>

#include "core/mesh/cell_rect.h"

class TTMesh;

// Relief shading lit from the north-west (azimuth 315 degrees, 45 degrees
// above the horizon), applied to the gray indices that ColorCells wrote: a
// cell's gray is scaled by 0.35 + 0.65 x its lighting, so a flat cell keeps
// about 81 % of its gray and a slope facing the light gets brighter. Sea,
// void and any other index above 253 stay as they are, and so do grays whose
// cell has a void neighbour (no slope to speak of).
//
// Slopes come from the four neighbours in metres: a cell is
// 1/ColsPerDeg degrees of longitude wide, shrunk by the cosine of its row's
// latitude, and 1/RowsPerDeg degrees high, so high latitudes are not
// stretched east-west. A mesh without density is left unshaded.
//
// The cells of `rect` are shaded; call it after ColorCells over the same
// rectangle. An edit changes the lighting one cell beyond what it changed:
// see ShadeRect.
void ShadeCells(const TTMesh& mesh, const TCellRect& rect, uint8_t* image, ptrdiff_t stride);

// The rectangle to recolour for shading after the samples of `changed` were
// edited: one cell more on each side, within the grid.
TCellRect ShadeRect(const TTMesh& mesh, const TCellRect& changed);
