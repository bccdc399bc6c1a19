#pragma once

// The adapter as the programs reach it: a table of its operations handed out
// by the GDAL module (libdelva_gdal.so), so that GDAL and the hundred
// libraries behind it are loaded on the first use of a raster, not at every
// start of the editor or of each batch command.

#include <cstddef>

#include "core/mesh/mesh.h"
#include "gdal/gdal_dem.h"

struct TTGdalApi {
  int Version;
  size_t MeshSize;  // a module built from other sources is refused
  TTDemInfo (*InspectDem)(const std::string&);
  TTDemLoadResult (*LoadDem)(TTMesh&, const std::string&, const TTWarpGrid&, TTProgress*);
  TTDemLoadResult (*WarpMesh)(TTMesh&, const TTWarpGrid&, TTProgress*);
  std::string (*SaveMeshToGeoTiff)(const TTMesh&, const std::string&, TTProgress*);
  std::vector<std::string> (*MissingDemCells)(const TTDemMosaicRequest&);
  TTDemLoadResult (*LoadMultiDem)(TTMesh&, const TTDemMosaicRequest&, TTProgress*);
};

inline constexpr int kGdalApiVersion = 1;
inline constexpr const char* kGdalApiEntry = "DelvaGdalApi";
using TTGdalApiEntry = const TTGdalApi* (*)();
