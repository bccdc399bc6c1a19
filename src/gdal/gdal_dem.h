#pragma once

// Elevation rasters through GDAL: any raster GDAL reads (GeoTIFF, COG, VRT,
// .hgt, ...) into a mesh, a mesh out as GeoTIFF, and folders of GeoTIFF tiles
// as one mosaic. The core knows nothing of GDAL; this library sits beside it.

#include <cstdint>
#include <string>
#include <vector>

#include "core/mesh/band_flags.h"

class TTMesh;
class TTProgress;

enum class TTWarpMethod { Bilinear, Cubic };

// A latitude/longitude grid to resample onto: Density cells per degree,
// samples on whole multiples of 1 / Density (as HGT tiles hold them).
// Density 0 means no resampling.
struct TTWarpGrid {
  double Density = 0;
  TTWarpMethod Method = TTWarpMethod::Bilinear;
};

// What the load dialog needs to know before loading.
struct TTDemInfo {
  std::string Message;         // non-empty when the file cannot be read as a raster
  bool Geographic = false;     // loadable without resampling
  double ProposedDensity = 0;  // cells per degree matching the source resolution
  int32_t Cols = 0, Rows = 0;
};
TTDemInfo InspectDem(const std::string& path);

struct TTDemLoadResult {
  std::string Message;     // "" on success, else the text for the user
  bool NeedsWarp = false;  // failed because the raster is not on a lat/lon grid
  int64_t Clipped = 0;     // samples rounded into 16 bits at its limits
};
inline constexpr const char* kClippedMessage = "Some elevation samples have been clipped.";

// "Load DEM...": the first band into a fresh mesh. A geographic raster keeps
// its grid (Kind 0 with its bounds as outer cell edges, or Kind 1/2 when it
// is exactly an HGT grid); anything else needs `warp`. On failure the mesh
// holds no samples.
TTDemLoadResult LoadDem(TTMesh& mesh, const std::string& path, const TTWarpGrid& warp,
                        TTProgress* progress);

// Resamples a loaded mesh onto the grid of `warp` (void value -32768 after).
TTDemLoadResult WarpMesh(TTMesh& mesh, const TTWarpGrid& warp, TTProgress* progress);

// "Save Mesh to GeoTIFF...": Int16, EPSG:4326, nodata = the void value,
// tiled, DEFLATE with predictor; through a temporary file in the target's
// folder. Returns "" or the message for the user.
std::string SaveMeshToGeoTiff(const TTMesh& mesh, const std::string& path, TTProgress* progress);

// "Load Multiple DEM...": the GeoTIFF files of a folder (any naming) found
// by their extents, cut to the rectangle (plus bands) through an in-memory
// VRT; one-degree cells no raster covers get the fill value.
struct TTDemMosaicRequest {
  std::string Folder{};
  TTDegreeRect Rect{};
  TTBandFlags Bands{};
  int16_t FillValue = 0;
};
// Tile names (N42E001.HGT) of the rectangle's one-degree cells that no
// geographic raster of the folder covers, north-west first.
std::vector<std::string> MissingDemCells(const TTDemMosaicRequest& request);
TTDemLoadResult LoadMultiDem(TTMesh& mesh, const TTDemMosaicRequest& request, TTProgress* progress);
