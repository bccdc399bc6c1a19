#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/mesh/cell_rect.h"
#include "core/scenery/inf_file.h"
#include "core/scenery/tool_path.h"

class TTMesh;

// Building a BGL from the open mesh: the proposals of the options dialog,
// the cut of the mesh (adjoining bands trimmed to the chosen overlap), the
// temporary files and the compiler's INF list. The editor's command and
// "delvacli bgl" share all of it.

// The list entry that stands for the generated source INF.
inline constexpr const char* GeneratedInfMarker =
    "--- PROGRAM GENERATED INF FILE - [SOURCE] SECTION ---";

// Metres per cell of each LOD 0..15, and the label beside the LOD ("76.40 m").
double LodCellSize(int lod);
std::string LodLabelText(int lod);

// Proposals for a mesh: LOD 10 from 3600 rows per degree on, else 9; band
// size 171 rows or columns at LOD 9, 283 at LOD 10.
int DefaultLod(const TTMesh& mesh);
int DefaultBandSize(int lod);

// "N46W122_N45W121": the bounds without the adjoining bands, each edge
// truncated towards zero.
std::string DefaultBglName(const TTMesh& mesh);
// The folder, a separator when it ends in none, the name and ".bgl".
std::string DefaultBglPath(const std::string& folder, const TTMesh& mesh);

// Overlap kept of each band: rows (north, south) or columns (west, east).
struct TBandOverlap {
  int32_t North = 0, South = 0, West = 0, East = 0;
};

// Which band spin edits the dialog enables, their maxima and proposals.
struct TBandChoice {
  bool Enabled = false;
  int32_t Maximum = 0;
  int32_t Proposal = 0;
};
struct TBandChoices {
  TBandChoice North, South, West, East;
};
TBandChoices BandChoices(const TTMesh& mesh, int lod);
// The proposals as overlaps (0 for a band the mesh lacks).
TBandOverlap DefaultOverlap(const TTMesh& mesh, int lod);

// The part of the mesh that goes to the compiler.
struct TBglCut {
  TCellRect Rect;
  int32_t Cols = 0, Rows = 0;
  TInfBounds Bounds;
};
// Starts from the whole grid; every band the mesh has is trimmed to its
// overlap. False (cut unchanged) when an overlap lies outside 0 .. the whole
// degrees of the density, or the result is empty or leaves the grid.
bool CutMeshForBgl(const TTMesh& mesh, const TBandOverlap& overlap, TBglCut& cut);

// The temporary raster and INF files in the temporary folder.
struct TBglTempFiles {
  std::string Raster, SourceInf, DestInf;
};
TBglTempFiles BglTempFiles(const std::string& tempDir);
void DeleteBglTempFiles(const TBglTempFiles& files);

// Writes the source and destination INF files for the cut (raster written
// beside the source INF). Returns the error text, empty on success; a failed
// destination INF removes the source INF again.
std::string WriteBglInfFiles(const TTMesh& mesh, const TBglCut& cut, int lod, int32_t baseValue,
                             const TBglTempFiles& files, const std::string& bglPath,
                             TToolPathForm form);

// The compiler's INF list: the entries in order with the marker replaced by
// the source INF, then the destination INF.
std::vector<std::string> ResampleInfList(const std::vector<std::string>& entries,
                                         const std::string& sourceInf, const std::string& destInf);

// Existence and size of a file (0 when absent).
bool FileSizeIfExists(const std::string& path, int64_t& size);
