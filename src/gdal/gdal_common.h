#pragma once

// Shared by the GDAL adapter's files only.
#include <gdal.h>

#include <memory>
#include <string>
#include <type_traits>

class TTMesh;
class TTProgress;
struct TTDemLoadResult;

// Registers the drivers once and keeps GDAL's own messages off stderr: the
// adapter reports failures with its own texts.
void EnsureGdal();

struct TTDatasetClose {
  void operator()(void* h) const {
    if (h) GDALClose(static_cast<GDALDatasetH>(h));
  }
};
using TTDataset = std::unique_ptr<std::remove_pointer_t<GDALDatasetH>, TTDatasetClose>;

TTDataset OpenRaster(const std::string& path);

// GDAL's progress callback over a TTProgress (range 0..100, shown while
// the operation runs); an abort request stops the operation.
int ProgressToMesh(double complete, const char* message, void* progress);
void ShowPercentRange(TTProgress* progress);

// A north-up lat/lon raster: GDAL's geotransform holds the outer edges of
// the cells, and a sample sits at its cell's centre.
bool IsNorthUp(const double gt[6]);
bool IsGeographicRaster(GDALDatasetH ds);

// The first band into the fresh mesh (see LoadDem).
TTDemLoadResult MeshFromDataset(TTMesh& mesh, GDALDatasetH ds, TTProgress* progress);

// An in-memory Int16 copy of the mesh, georeferenced as it is exported.
TTDataset DatasetFromMesh(const TTMesh& mesh);
