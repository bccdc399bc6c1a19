#include "gdal/gdal_common.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "core/base/progress.h"
#include "core/mesh/mesh.h"
#include "core/tiles/hgt_split.h"
#include "gdal/gdal_dem.h"

void EnsureGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
    CPLSetErrorHandler(CPLQuietErrorHandler);
    // No .aux.xml files beside what we read or write.
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
  });
}

TTDataset OpenRaster(const std::string& path) {
  EnsureGdal();
  return TTDataset(
      GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
}

int ProgressToMesh(double complete, const char*, void* data) {
  auto* progress = static_cast<TTProgress*>(data);
  if (!progress) return TRUE;
  progress->SetPosition(complete * 100.0);
  progress->Pump();
  return progress->AbortRequested() ? FALSE : TRUE;
}

void ShowPercentRange(TTProgress* progress) {
  if (!progress) return;
  progress->SetRange(0, 100);
  progress->SetPosition(0);
  progress->Show();
}

bool IsNorthUp(const double gt[6]) {
  return gt[1] > 0 && gt[5] < 0 && gt[2] == 0 && gt[4] == 0 && std::isfinite(gt[0]) &&
         std::isfinite(gt[3]);
}

bool IsGeographicRaster(GDALDatasetH ds) {
  OGRSpatialReferenceH srs = GDALGetSpatialRef(ds);
  double gt[6];
  return srs && OSRIsGeographic(srs) && GDALGetGeoTransform(ds, gt) == CE_None && IsNorthUp(gt);
}

namespace {

// Cells per degree when the pixel centres form an HGT grid (1200 or 3600 per
// degree, first and last rows and columns on whole degrees), else 0.
int32_t HgtGridOf(const double gt[6], int32_t cols, int32_t rows) {
  for (int32_t n : {1200, 3600}) {
    if (std::fabs(gt[1] * n - 1) > 1e-9 || std::fabs(gt[5] * n + 1) > 1e-9) continue;
    if ((cols - 1) % n != 0 || (rows - 1) % n != 0 || cols < n + 1 || rows < n + 1) return 0;
    const double west = gt[0] + gt[1] / 2, north = gt[3] + gt[5] / 2;
    if (std::fabs(west - std::round(west)) > 1e-7 || std::fabs(north - std::round(north)) > 1e-7)
      return 0;
    return n;
  }
  return 0;
}

// Densities such as 3600 come back from the geotransform as 3599.9999999.
double WholeIfClose(double density) {
  const double whole = std::round(density);
  return std::fabs(density - whole) < 1e-6 ? whole : density;
}

}  // namespace

TTDemLoadResult MeshFromDataset(TTMesh& mesh, GDALDatasetH ds, TTProgress* progress) {
  TTDemLoadResult result;
  double gt[6];
  if (GDALGetRasterCount(ds) < 1 || GDALGetGeoTransform(ds, gt) != CE_None) {
    result.Message = "The raster has no georeferencing.";
    return result;
  }
  if (!IsGeographicRaster(ds)) {
    result.NeedsWarp = true;
    result.Message = "The raster is not on a latitude/longitude grid; it must be resampled.";
    return result;
  }
  const int32_t cols = GDALGetRasterXSize(ds), rows = GDALGetRasterYSize(ds);
  const double west = gt[0], north = gt[3];
  const double east = west + cols * gt[1], south = north + rows * gt[5];
  // Half a cell of slack: HGT grids reach that far beyond the poles and the
  // date line.
  if (west < -180 - gt[1] || east > 180 + gt[1] || south < -90 + gt[5] || north > 90 - gt[5]) {
    result.Message = "The raster's bounds lie outside latitude -90..90 and longitude -180..180.";
    return result;
  }
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  int hasNoData = FALSE;
  const double noData = GDALGetRasterNoDataValue(band, &hasNoData);
  const bool int16NoData = hasNoData && std::isfinite(noData) && noData == std::trunc(noData) &&
                           noData >= -32768 && noData <= 32767;
  const int16_t voidValue = int16NoData ? int16_t(noData) : int16_t(-32768);

  if (!mesh.AllocSamples(cols, rows)) {
    result.Message = "Not enough memory available.";
    return result;
  }
  mesh.SetGridSize(cols, rows);
  mesh.VoidValue = voidValue;
  const int32_t n = HgtGridOf(gt, cols, rows);
  if (n != 0) {
    mesh.Kind = n == 3600 ? 1 : 2;
    mesh.RowsPerDeg = mesh.ColsPerDeg = n;
    mesh.MinLon = float(std::round(west + gt[1] / 2));
    mesh.MaxLat = float(std::round(north + gt[5] / 2));
    mesh.TilesAcross = (cols - 1) / n;
    mesh.TilesDown = (rows - 1) / n;
    mesh.MaxLon = mesh.MinLon + float(mesh.TilesAcross);
    mesh.MinLat = mesh.MaxLat - float(mesh.TilesDown);
  } else {
    mesh.Kind = 0;
    mesh.ColsPerDeg = WholeIfClose(1.0 / gt[1]);
    mesh.RowsPerDeg = WholeIfClose(-1.0 / gt[5]);
    mesh.MinLon = float(west);
    mesh.MaxLon = float(east);
    mesh.MinLat = float(south);
    mesh.MaxLat = float(north);
    mesh.TilesAcross = mesh.TilesDown = 1;
  }
  mesh.TileCount = mesh.TilesAcross * mesh.TilesDown;

  if (progress) {
    progress->SetRange(0, rows - 1);
    progress->SetPosition(0);
    progress->Show();
  }
  const int32_t block = std::max<int32_t>(1, int32_t(1 << 20) / cols);
  std::vector<double> buf(size_t(block) * cols);
  for (int32_t y0 = 0; y0 < rows; y0 += block) {
    const int32_t count = std::min(block, rows - y0);
    if (GDALRasterIO(band, GF_Read, 0, y0, cols, count, buf.data(), cols, count, GDT_Float64, 0,
                     0) != CE_None) {
      mesh.Samples.Clear();
      if (progress) progress->Hide();
      result.Message = "Could not load file.";
      return result;
    }
    int16_t* out = mesh.RowStart(y0);
    for (size_t i = 0, end = size_t(count) * cols; i < end; ++i) {
      const double v = buf[i];
      if (std::isnan(v) || (hasNoData && v == noData)) {
        out[i] = voidValue;
        continue;
      }
      // -32768 is the void unless nodata says otherwise, so no data sample
      // may keep that value then.
      const double low = int16NoData ? -32768 : -32767;
      const double r = std::round(v);
      if (r > 32767 || r < low) ++result.Clipped;
      out[i] = int16_t(std::clamp(r, low, 32767.0));
    }
    if (progress) progress->SetPosition(y0 + count - 1);
    PumpMessages(progress);
  }
  if (progress) progress->Hide();
  return result;
}

TTDataset DatasetFromMesh(const TTMesh& mesh) {
  EnsureGdal();
  GDALDriverH mem = GDALGetDriverByName("MEM");
  if (!mem || mesh.Samples.Size() != int64_t(mesh.Cols) * mesh.Rows) return nullptr;
  TTDataset ds(GDALCreate(mem, "", mesh.Cols, mesh.Rows, 1, GDT_Int16, nullptr));
  if (!ds) return nullptr;
  double gt[6] = {0, 0, 0, 0, 0, 0};
  const int32_t n = HgtGridDensity(mesh);
  if (n != 0) {
    // As GDAL reads the same .hgt: samples on whole seconds, the cells
    // around them reaching half a cell beyond the bounds.
    gt[1] = 1.0 / n;
    gt[5] = -1.0 / n;
    gt[0] = double(mesh.MinLon) - 0.5 / n;
    gt[3] = double(mesh.MaxLat) + 0.5 / n;
    GDALSetMetadataItem(ds.get(), GDALMD_AREA_OR_POINT, GDALMD_AOP_POINT, nullptr);
  } else {
    // The bounds are the outer cell edges. The densities are exact where
    // they agree with the single-precision bounds, so they win then.
    const double spanLon = double(mesh.MaxLon) - mesh.MinLon;
    const double spanLat = double(mesh.MaxLat) - mesh.MinLat;
    gt[1] = mesh.ColsPerDeg > 0 && std::fabs(mesh.Cols / mesh.ColsPerDeg - spanLon) < 1e-4
                ? 1.0 / mesh.ColsPerDeg
                : spanLon / mesh.Cols;
    gt[5] = -(mesh.RowsPerDeg > 0 && std::fabs(mesh.Rows / mesh.RowsPerDeg - spanLat) < 1e-4
                  ? 1.0 / mesh.RowsPerDeg
                  : spanLat / mesh.Rows);
    gt[0] = mesh.MinLon;
    gt[3] = mesh.MaxLat;
  }
  GDALSetGeoTransform(ds.get(), gt);
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(srs, 4326);
  OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
  GDALSetSpatialRef(ds.get(), srs);
  OSRDestroySpatialReference(srs);
  GDALRasterBandH band = GDALGetRasterBand(ds.get(), 1);
  GDALSetRasterNoDataValue(band, mesh.VoidValue);
  // GDAL's write reads the buffer only.
  if (GDALRasterIO(band, GF_Write, 0, 0, mesh.Cols, mesh.Rows,
                   const_cast<int16_t*>(mesh.Samples.Data()), mesh.Cols, mesh.Rows, GDT_Int16, 0,
                   0) != CE_None)
    return nullptr;
  return ds;
}
