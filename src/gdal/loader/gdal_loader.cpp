// The adapter's operations for the programs: each opens the GDAL module on
// first use and calls into it. Where the module cannot be loaded, every
// operation fails with one message naming the reason; nothing else changes.

#include <filesystem>
#include <system_error>

#include "core/platform/process.h"
#include "gdal/gdal_api.h"

namespace {

struct TTLoadedModule {
  const TTGdalApi* Api = nullptr;
  std::string Problem;  // the message when Api is null
};

// Beside the program (the build tree), where an installation puts it
// relative to the program, then where this build made it (test programs).
std::vector<std::string> ModuleCandidates() {
  namespace fs = std::filesystem;
  const fs::path here = fs::u8path(ExecutableFolder());
  return {(here / DELVA_GDAL_MODULE_NAME).string(),
          (here / DELVA_GDAL_MODULE_INSTALLED).lexically_normal().string(),
          DELVA_GDAL_MODULE_BUILT};
}

TTLoadedModule LoadModule() {
  TTLoadedModule loaded;
  std::string why = "not found";
  for (const std::string& path : ModuleCandidates()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), ec)) continue;
    void* module = OpenModule(path, &why);
    const auto entry = reinterpret_cast<TTGdalApiEntry>(ModuleSymbol(module, kGdalApiEntry));
    const TTGdalApi* api = entry ? entry() : nullptr;
    if (api && api->Version == kGdalApiVersion && api->MeshSize == sizeof(TTMesh)) {
      loaded.Api = api;
      return loaded;
    }
    if (module) why = path + " belongs to another build";
  }
  loaded.Problem = "GeoTIFF support cannot be loaded (" DELVA_GDAL_MODULE_NAME ": " + why + ").";
  return loaded;
}

const TTLoadedModule& Module() {
  static const TTLoadedModule module = LoadModule();
  return module;
}

TTDemLoadResult Unavailable() {
  TTDemLoadResult r;
  r.Message = Module().Problem;
  return r;
}

}  // namespace

TTDemInfo InspectDem(const std::string& path) {
  if (const TTGdalApi* api = Module().Api) return api->InspectDem(path);
  TTDemInfo info;
  info.Message = Module().Problem;
  return info;
}

TTDemLoadResult LoadDem(TTMesh& mesh, const std::string& path, const TTWarpGrid& warp,
                        TTProgress* progress) {
  if (const TTGdalApi* api = Module().Api) return api->LoadDem(mesh, path, warp, progress);
  return Unavailable();
}

TTDemLoadResult WarpMesh(TTMesh& mesh, const TTWarpGrid& warp, TTProgress* progress) {
  if (const TTGdalApi* api = Module().Api) return api->WarpMesh(mesh, warp, progress);
  return Unavailable();
}

std::string SaveMeshToGeoTiff(const TTMesh& mesh, const std::string& path, TTProgress* progress) {
  if (const TTGdalApi* api = Module().Api) return api->SaveMeshToGeoTiff(mesh, path, progress);
  return Module().Problem;
}

std::vector<std::string> MissingDemCells(const TTDemMosaicRequest& request) {
  if (const TTGdalApi* api = Module().Api) return api->MissingDemCells(request);
  return {};
}

TTDemLoadResult LoadMultiDem(TTMesh& mesh, const TTDemMosaicRequest& request,
                             TTProgress* progress) {
  if (const TTGdalApi* api = Module().Api) return api->LoadMultiDem(mesh, request, progress);
  return Unavailable();
}
