#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/mesh/cell_rect.h"

class TTMesh;
class TTProgress;

// Builds the mesh from W x H tiles listed in ListTileNames order (absent
// tiles keep the fill value, zipped tiles are extracted to tempDir while
// read). Sets the grid, kind, densities, void value, TileFiles and tile
// counts; not the bounds or band widths. Needs a fresh mesh. `missing`, when
// given, gets the cells that each absent tile's fill covers.
bool LoadHGT(TTMesh& mesh, const std::vector<std::string>& tiles, uint16_t kind,
             int32_t tilesAcross, int32_t tilesDown, int16_t fillValue,
             TTProgress* progress = nullptr, const std::string& tempDir = std::string(),
             std::vector<TCellRect>* missing = nullptr);
