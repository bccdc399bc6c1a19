#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/mesh/cell_rect.h"

class TTMesh;
class TTProgress;

// Builds the mesh from W x H tiles listed in ListTileNames order (absent
// tiles keep the fill value; a zipped tile, the listed name + ".zip", is
// inflated in memory, so `tempDir` receives nothing and only stays for the
// callers that name one). Sets the grid, kind, densities, void value,
// TileFiles, tile counts and the statistics (StatsFromLoad); not the bounds
// or band widths. Needs a fresh mesh. `missing`, when given, gets the cells
// that each absent tile's fill covers.
bool LoadHGT(TTMesh& mesh, const std::vector<std::string>& tiles, uint16_t kind,
             int32_t tilesAcross, int32_t tilesDown, int16_t fillValue,
             TTProgress* progress = nullptr, const std::string& tempDir = std::string(),
             std::vector<TCellRect>* missing = nullptr);

// Where the samples of one listed tile come from: a plain file, or the
// member of an archive; all empty for an absent tile.
struct TTTileSource {
  std::string Plain;
  std::string Archive, Member;
};

enum class THgtLoad { Ok, Failed, InflateFailed };

// LoadHGT over tiles already found; `listed` becomes TileFiles. A failure
// leaves the mesh without samples; InflateFailed: an archive could not be
// decoded (damaged, wrong size, or Esc).
THgtLoad LoadHGTSources(TTMesh& mesh, const std::vector<TTTileSource>& sources,
                        const std::vector<std::string>& listed, uint16_t kind, int32_t tilesAcross,
                        int32_t tilesDown, int16_t fillValue, TTProgress* progress);
