#include "gdal/gdal_dem.h"

#include <gdal_alg.h>
#include <gdal_utils.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/mesh/mesh.h"
#include "gdal/gdal_common.h"

namespace {

// The lat/lon extent (west, south, east, north) GDAL proposes for the raster
// and its cells per degree; false when it cannot be placed on the globe.
bool GeographicExtent(GDALDatasetH ds, double extent[4], double& density) {
  const char* options[] = {"DST_SRS=EPSG:4326", nullptr};
  void* transformer = GDALCreateGenImgProjTransformer2(ds, nullptr, const_cast<char**>(options));
  if (!transformer) return false;
  double gt[6];
  int cols = 0, rows = 0;
  const CPLErr err = GDALSuggestedWarpOutput2(ds, GDALGenImgProjTransform, transformer, gt, &cols,
                                              &rows, extent, 0);
  GDALDestroyGenImgProjTransformer(transformer);
  if (err != CE_None || !(gt[1] > 0)) return false;
  density = 1.0 / gt[1];
  return true;
}

// The warp onto whole multiples of 1 / density covering the raster, as an
// in-memory Float32 raster (NaN where the source has no data).
TTDataset WarpToGrid(GDALDatasetH src, const TTWarpGrid& warp, std::string& message,
                     TTProgress* progress) {
  double ext[4], sourceDensity = 0;
  if (!GeographicExtent(src, ext, sourceDensity)) {
    message = "The raster cannot be placed on latitude and longitude.";
    return nullptr;
  }
  const double d = warp.Density;
  const double x0 = std::ceil(ext[0] * d - 1e-6), x1 = std::floor(ext[2] * d + 1e-6);
  const double y0 = std::ceil(ext[1] * d - 1e-6), y1 = std::floor(ext[3] * d + 1e-6);
  const double cols = x1 - x0 + 1, rows = y1 - y0 + 1;
  if (cols < 1 || rows < 1 || cols > 2e9 || rows > 2e9 || cols * rows > 4e9) {
    message = "The resampled grid would be empty or too large.";
    return nullptr;
  }
  auto num = [](double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return std::string(text);
  };
  const std::vector<std::string> args = {"-of",
                                         "MEM",
                                         "-t_srs",
                                         "EPSG:4326",
                                         "-te",
                                         num((x0 - 0.5) / d),
                                         num((y0 - 0.5) / d),
                                         num((x1 + 0.5) / d),
                                         num((y1 + 0.5) / d),
                                         "-ts",
                                         num(cols),
                                         num(rows),
                                         "-r",
                                         warp.Method == TTWarpMethod::Cubic ? "cubic" : "bilinear",
                                         "-ot",
                                         "Float32",
                                         "-dstnodata",
                                         "nan"};
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  GDALWarpAppOptions* options = GDALWarpAppOptionsNew(argv.data(), nullptr);
  if (!options) {
    message = "The raster cannot be resampled.";
    return nullptr;
  }
  ShowPercentRange(progress);
  GDALWarpAppOptionsSetProgress(options, ProgressToMesh, progress);
  GDALDatasetH sources[] = {src};
  TTDataset out(GDALWarp("", nullptr, 1, sources, options, nullptr));
  GDALWarpAppOptionsFree(options);
  if (progress) progress->Hide();
  if (!out) message = "The raster cannot be resampled.";
  return out;
}

}  // namespace

TTDemInfo InspectDem(const std::string& path) {
  TTDemInfo info;
  TTDataset ds = OpenRaster(path);
  if (!ds || GDALGetRasterCount(ds.get()) < 1) {
    info.Message = "Cannot read " + FileNamePart(path) + " as a raster.";
    return info;
  }
  info.Cols = GDALGetRasterXSize(ds.get());
  info.Rows = GDALGetRasterYSize(ds.get());
  info.Geographic = IsGeographicRaster(ds.get());
  double ext[4], density = 0;
  if (!GeographicExtent(ds.get(), ext, density)) {
    info.Message = FileNamePart(path) + " cannot be placed on latitude and longitude.";
    return info;
  }
  // The HGT densities where the source is close to them, else whole cells
  // per degree.
  info.ProposedDensity = std::round(density);
  for (double n : {1200.0, 3600.0})
    if (std::fabs(density / n - 1) < 0.25) info.ProposedDensity = n;
  return info;
}

TTDemLoadResult LoadDem(TTMesh& mesh, const std::string& path, const TTWarpGrid& warp,
                        TTProgress* progress) {
  TTDemLoadResult result;
  TTDataset ds = OpenRaster(path);
  if (!ds) {
    result.Message = "Cannot read " + FileNamePart(path) + " as a raster.";
    return result;
  }
  if (warp.Density > 0) {
    TTDataset warped = WarpToGrid(ds.get(), warp, result.Message, progress);
    if (!warped) return result;
    ds = std::move(warped);
  }
  result = MeshFromDataset(mesh, ds.get(), progress);
  if (result.Message.empty()) mesh.FileName = FileNamePart(path);
  return result;
}

TTDemLoadResult WarpMesh(TTMesh& mesh, const TTWarpGrid& warp, TTProgress* progress) {
  TTDemLoadResult result;
  TTDataset src = DatasetFromMesh(mesh);
  if (!src) {
    result.Message = "Not enough memory available.";
    return result;
  }
  TTDataset warped = WarpToGrid(src.get(), warp, result.Message, progress);
  src.reset();
  if (!warped) return result;
  const std::string name = mesh.FileName;
  mesh.Samples.Clear();
  result = MeshFromDataset(mesh, warped.get(), progress);
  mesh.FileName = name;
  return result;
}

std::string SaveMeshToGeoTiff(const TTMesh& mesh, const std::string& path, TTProgress* progress) {
  TTDataset mem = DatasetFromMesh(mesh);
  if (!mem) return "Not enough memory available.";
  GDALDriverH gtiff = GDALGetDriverByName("GTiff");
  if (!gtiff) return "GDAL has no GeoTIFF driver.";
  // Written beside the target and renamed over it when complete.
  namespace fs = std::filesystem;
  const fs::path target(path);
  std::random_device rd;
  std::string tempName(1, '.');
  tempName.append(target.filename().string()).append(".").append(std::to_string(rd()));
  const fs::path temp = target.parent_path() / tempName.append(".tmp");
  const char* options[] = {"TILED=YES", "COMPRESS=DEFLATE", "PREDICTOR=2", "BIGTIFF=IF_SAFER",
                           nullptr};
  ShowPercentRange(progress);
  CPLErrorReset();
  TTDataset out(GDALCreateCopy(gtiff, temp.string().c_str(), mem.get(), FALSE,
                               const_cast<char**>(options), ProgressToMesh, progress));
  bool ok = out != nullptr;
  if (out) {
    GDALFlushCache(out.get());
    ok = CPLGetLastErrorType() != CE_Failure;
    out.reset();
  }
  if (progress) progress->Hide();
  std::error_code ec;
  if (ok) fs::rename(temp, target, ec);
  if (!ok || ec) {
    fs::remove(temp, ec);
    return "Could not create file.";
  }
  return std::string();
}
