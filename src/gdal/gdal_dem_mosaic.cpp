#include <gdal_utils.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/base/file_util.h"
#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"
#include "core/tiles/multi_hgt.h"
#include "core/tiles/tile_names.h"
#include "gdal/gdal_common.h"
#include "gdal/gdal_dem.h"

namespace {

struct TTDemSource {
  std::string Path;
  double Gt[6];
  double West, East, South, North;
};

// The geographic GeoTIFF files of the folder, by name; others are ignored.
std::vector<TTDemSource> ScanFolder(const std::string& folder) {
  std::vector<std::string> paths;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    const std::string ext = UpperAscii(FileExtension(e.path().string()));
    if ((ext == ".TIF" || ext == ".TIFF") && e.is_regular_file(ec))
      paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<TTDemSource> sources;
  for (const std::string& p : paths) {
    TTDataset ds = OpenRaster(p);
    TTDemSource s;
    if (!ds || !IsGeographicRaster(ds.get()) || GDALGetGeoTransform(ds.get(), s.Gt) != CE_None)
      continue;
    s.Path = p;
    s.West = s.Gt[0];
    s.North = s.Gt[3];
    s.East = s.West + GDALGetRasterXSize(ds.get()) * s.Gt[1];
    s.South = s.North + GDALGetRasterYSize(ds.get()) * s.Gt[5];
    sources.push_back(s);
  }
  return sources;
}

// True when the raster reaches more than one of its cells into the area: the
// half cell that point-sampled tiles reach into their neighbours is not cover.
bool Covers(const TTDemSource& s, double west, double south, double east, double north) {
  return std::min(east, s.East) - std::max(west, s.West) > s.Gt[1] &&
         std::min(north, s.North) - std::max(south, s.South) > -s.Gt[5];
}

TTDegreeRect Normalized(TTDegreeRect r) {
  if (r.MaxLat < r.MinLat) std::swap(r.MaxLat, r.MinLat);
  if (r.MaxLon < r.MinLon) std::swap(r.MaxLon, r.MinLon);
  return r;
}

std::string Num(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

}  // namespace

std::vector<std::string> MissingDemCells(const TTDemMosaicRequest& request) {
  EnsureGdal();
  const std::vector<TTDemSource> sources = ScanFolder(request.Folder);
  const TTDegreeRect r = Normalized(request.Rect);
  std::vector<std::string> missing;
  for (int lat = r.MaxLat - 1; lat >= r.MinLat; --lat)
    for (int lon = r.MinLon; lon < r.MaxLon; ++lon)
      if (std::none_of(sources.begin(), sources.end(),
                       [&](const TTDemSource& s) { return Covers(s, lon, lat, lon + 1, lat + 1); }))
        missing.push_back(LatName(lat) + LonName(lon) + ".HGT");
  return missing;
}

TTDemLoadResult LoadMultiDem(TTMesh& mesh, const TTDemMosaicRequest& request,
                             TTProgress* progress) {
  EnsureGdal();
  TTDemLoadResult result;
  const TTDegreeRect r = ExtendByBands(request.Rect, request.Bands);
  std::vector<TTDemSource> sources = ScanFolder(request.Folder);
  std::erase_if(sources, [&](const TTDemSource& s) {
    return !Covers(s, r.MinLon, r.MinLat, r.MaxLon, r.MaxLat);
  });
  if (sources.empty()) {
    result.Message = "No GeoTIFF file in the folder covers the rectangle.";
    return result;
  }
  // The finest grid among them, aligned on the finest raster's cells and
  // reaching just past the rectangle as that raster's cells do (half a cell
  // for point-sampled tiles, nothing for cell-area tiles).
  const TTDemSource& fine = *std::min_element(
      sources.begin(), sources.end(),
      [](const TTDemSource& a, const TTDemSource& b) { return a.Gt[1] < b.Gt[1]; });
  const double rx = fine.Gt[1], ry = -fine.Gt[5];
  const double west = fine.West + std::floor((r.MinLon - fine.West) / rx + 1e-6) * rx;
  const double east = fine.West + std::ceil((r.MaxLon - fine.West) / rx - 1e-6) * rx;
  const double north = fine.North - std::floor((fine.North - r.MaxLat) / ry + 1e-6) * ry;
  const double south = fine.North - std::ceil((fine.North - r.MinLat) / ry - 1e-6) * ry;
  std::vector<std::string> args = {"-te",      Num(west), Num(south), Num(east),
                                   Num(north), "-tr",     Num(rx),    Num(ry)};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<const char*> names;
  for (const TTDemSource& s : sources) names.push_back(s.Path.c_str());
  GDALBuildVRTOptions* options = GDALBuildVRTOptionsNew(argv.data(), nullptr);
  TTDataset vrt(options
                    ? GDALBuildVRT("", int(names.size()), nullptr, names.data(), options, nullptr)
                    : nullptr);
  if (options) GDALBuildVRTOptionsFree(options);
  if (!vrt) {
    result.Message = "The GeoTIFF files cannot be combined.";
    return result;
  }
  result = MeshFromDataset(mesh, vrt.get(), progress);
  if (!result.Message.empty()) return result;

  // Cells no raster reaches take the fill value, as absent tiles do.
  for (int32_t y = 0; y < mesh.Rows; ++y) {
    const double lat = north - (y + 0.5) * ry;
    std::vector<char> covered(size_t(mesh.Cols), 0);
    for (const TTDemSource& s : sources) {
      if (lat <= s.South || lat >= s.North) continue;
      const double first = std::ceil((s.West - west) / rx - 0.5);
      const double last = std::ceil((s.East - west) / rx - 0.5) - 1;
      for (int64_t x = std::max<int64_t>(0, int64_t(first));
           x <= std::min<int64_t>(mesh.Cols - 1, int64_t(last)); ++x)
        covered[size_t(x)] = 1;
    }
    int16_t* row = mesh.RowStart(y);
    for (int32_t x = 0; x < mesh.Cols; ++x)
      if (!covered[size_t(x)]) row[x] = request.FillValue;
  }
  mesh.FileName.clear();
  if (mesh.Kind == 1 || mesh.Kind == 2) {
    SetTileBandWidths(mesh, mesh.Kind, request.Bands);
  } else {
    SetDegreeBandWidths(mesh, request.Bands);
  }
  return result;
}
