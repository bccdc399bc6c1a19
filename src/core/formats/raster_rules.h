#pragma once

#include <cstdint>
#include <string>

#include "core/mesh/band_flags.h"

class TTMesh;
class TTProgress;

// "INVALID" while the sides do not form a rectangle, else empty.
std::string RasterRectWarning(const TTDegreeRect& rect);

// The band rules of the raster import dialog, run after every change of a
// side or a band box: which band boxes are enabled, and which ticks survive.
// At least one degree of the rectangle stays outside the bands.
void ApplyRasterBandRules(const TTDegreeRect& rect, TTBandFlags& ticked, TTBandFlags& enabled);

// A raw raster holds exactly rows x cols samples of two bytes.
bool RasterSizeMatches(uint64_t fileSize, int64_t rows, int64_t cols);

// What the raster import dialog hands to the load.
struct TTRasterImport {
  std::string Path;
  TTDegreeRect Rect;
  int32_t Rows = 1, Cols = 1;
  bool MsbFirst = true;
  int16_t VoidValue = -32768;
  TTBandFlags Bands;
};

// Each ticked side gets a band one whole degree wide in cells of the mesh's
// densities (truncated), the others none.
void SetDegreeBandWidths(TTMesh& mesh, const TTBandFlags& bands);

// Builds a raster mesh into a fresh mesh: geometry, density, bands, samples.
// Returns empty on success, else the message for the user ("Not enough
// memory available." or "Could not load file."); the mesh's samples are then
// freed.
std::string LoadRasterMesh(TTMesh& mesh, const TTRasterImport& in, TTProgress* progress);

// Writes the whole grid as a raw raster; samples equal to -32768 are written
// as voidAs. Writes beside the target and renames it over the target only
// when complete. Returns empty on success, else "Could not create file." or
// "Error creating file.".
std::string SaveMeshAsRaw(const TTMesh& mesh, const std::string& path, bool bigEndian,
                          int16_t voidAs, TTProgress* progress);
