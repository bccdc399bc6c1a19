#include "gdal/gdal_api.h"

extern "C" __attribute__((visibility("default"))) const TTGdalApi* DelvaGdalApi() {
  static const TTGdalApi api{kGdalApiVersion, sizeof(TTMesh),     &InspectDem,      &LoadDem,
                             &WarpMesh,       &SaveMeshToGeoTiff, &MissingDemCells, &LoadMultiDem};
  return &api;
}
