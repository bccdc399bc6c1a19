// The adapter against GDAL itself: fixtures made with GDAL's command-line
// tools from real tiles, sample positions asked of gdallocationinfo.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "core/tiles/hgt_split.h"
#include "core/tiles/multi_hgt.h"
#include "core/tiles/single_hgt.h"
#include "gdal/gdal_dem.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace {

bool Sh(const std::string& command) {
  return std::system(("{ " + command + "; } >/dev/null 2>&1").c_str()) == 0;
}

#define REQUIRE_GDAL_TOOLS()                                                \
  if (!Sh("command -v gdal_translate && command -v gdalwarp && command -v " \
          "gdallocationinfo"))                                              \
  GTEST_SKIP() << "GDAL command-line tools not found"

// What gdallocationinfo reads at a longitude and latitude.
double GdalValueAt(const std::string& file, double lon, double lat) {
  char cmd[512];
  std::snprintf(cmd, sizeof cmd, "gdallocationinfo -valonly -wgs84 '%s' %.12f %.12f", file.c_str(),
                lon, lat);
  char text[64] = "";
  if (FILE* p = popen(cmd, "r")) {
    if (!std::fgets(text, sizeof text, p)) text[0] = 0;
    pclose(p);
  }
  return text[0] ? std::atof(text) : NAN;
}

// Where the mesh puts sample (c, r): on the bounds for HGT grids, at cell
// centres inside the bounds otherwise.
void SamplePosition(const TTMesh& m, int c, int r, double& lon, double& lat) {
  const double shift = HgtGridDensity(m) ? 0.0 : 0.5;
  lon = m.MinLon + (c + shift) / m.ColsPerDeg, lat = m.MaxLat - (r + shift) / m.RowsPerDeg;
}

std::vector<int16_t> Int16Pixels(GDALDatasetH ds) {
  const int cols = GDALGetRasterXSize(ds), rows = GDALGetRasterYSize(ds);
  std::vector<int16_t> v(size_t(cols) * rows);
  EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, cols, rows, v.data(), cols, rows,
                         GDT_Int16, 0, 0),
            CE_None);
  return v;
}

const char* kZip = "srtm/graphhopper/N42E001.hgt.zip";
const std::string kVsi = "/vsizip/";

}  // namespace

TEST(GdalDem, HgtTileExportMatchesGdalTranslate) {
  REQUIRE_GDAL_TOOLS();
  DELVA_REQUIRE_SHARED(zip, kZip);
  TTempDir dir;
  TTMesh mesh;
  ASSERT_EQ(LoadSingleHGT(mesh, zip, dir.Path(), nullptr), "");
  ASSERT_EQ(SaveMeshToGeoTiff(mesh, dir.File("ours.tif"), nullptr), "");
  ASSERT_TRUE(Sh("gdal_translate '" + kVsi + zip + "/N42E001.hgt' '" + dir.File("ref.tif") + "'"));
  GDALDatasetH ours = GDALOpen(dir.File("ours.tif").c_str(), GA_ReadOnly);
  GDALDatasetH ref = GDALOpen(dir.File("ref.tif").c_str(), GA_ReadOnly);
  ASSERT_TRUE(ours && ref);
  double a[6], b[6];
  GDALGetGeoTransform(ours, a), GDALGetGeoTransform(ref, b);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(a[i], b[i], 1e-9) << i;
  EXPECT_EQ(Int16Pixels(ours), Int16Pixels(ref));
  EXPECT_EQ(GDALGetRasterNoDataValue(GDALGetRasterBand(ours, 1), nullptr), -32768);
  EXPECT_STREQ(GDALGetMetadataItem(ours, "COMPRESSION", "IMAGE_STRUCTURE"), "DEFLATE");
  EXPECT_STREQ(GDALGetMetadataItem(ours, "PREDICTOR", "IMAGE_STRUCTURE"), "2");
  int bx = 0, by = 0;
  GDALGetBlockSize(GDALGetRasterBand(ours, 1), &bx, &by);
  EXPECT_TRUE(bx < 1201 && by > 1) << "tiled";
  EXPECT_STREQ(OSRGetAuthorityCode(GDALGetSpatialRef(ours), nullptr), "4326");
  GDALClose(ours), GDALClose(ref);
}

TEST(GdalDem, SamplesSitWhereGdalPutsThem) {
  REQUIRE_GDAL_TOOLS();
  DELVA_REQUIRE_SHARED(zip, kZip);
  TTempDir dir;
  const std::string hgt = "'" + kVsi + zip + "/N42E001.hgt' ";
  // Point samples on whole seconds (as the .hgt), the same grid as cells of
  // an area raster spanning exactly the degree, and a projected copy.
  ASSERT_TRUE(Sh("gdal_translate " + hgt + dir.File("point.tif")));
  ASSERT_TRUE(
      Sh("gdal_translate -a_ullr 1 43 2 42 -mo AREA_OR_POINT=Area " + hgt + dir.File("area.tif")));
  ASSERT_TRUE(Sh("gdalwarp -t_srs EPSG:32631 -tr 90 90 -r bilinear " + hgt + dir.File("utm.tif")));
  for (auto [file, kind] : {std::pair{"point.tif", 2}, {"area.tif", 0}}) {
    SCOPED_TRACE(file);
    TTMesh m;
    ASSERT_EQ(LoadDem(m, dir.File(file), {}, nullptr).Message, "");
    EXPECT_EQ(std::tuple(int(m.Kind), m.MinLon, m.MaxLat), std::tuple(kind, 1.f, 43.f));
    for (auto [c, r] : {std::pair{0, 0}, {1200, 1200}, {17, 950}, {600, 3}}) {
      double lon, lat;
      SamplePosition(m, c, r, lon, lat);
      EXPECT_EQ(GdalValueAt(dir.File(file), lon, lat), m.GetCell(c, r)) << c << "," << r;
    }
  }
  TTMesh utm;
  TTDemLoadResult res = LoadDem(utm, dir.File("utm.tif"), {}, nullptr);
  EXPECT_TRUE(res.NeedsWarp && utm.Samples.Empty());
  res = LoadDem(utm, dir.File("utm.tif"), {1200, TTWarpMethod::Cubic}, nullptr);
  ASSERT_TRUE(res.Message == "" && utm.RowsPerDeg == 1200);
  // Back on the degree, the terrain agrees with the tile where both have it.
  TTMesh tile;
  ASSERT_EQ(LoadSingleHGT(tile, zip, dir.Path(), nullptr), "");
  double sum = 0;
  int n = 0;
  for (int r = 0; r < utm.Rows; r += 37)
    for (int c = 0; c < utm.Cols; c += 41) {
      double lon, lat;
      SamplePosition(utm, c, r, lon, lat);
      const int tc = int(std::lround((lon - 1) * 1200)), tr = int(std::lround((43 - lat) * 1200));
      if (utm.GetCell(c, r) == utm.VoidValue || tc < 0 || tr < 0 || tc > 1200 || tr > 1200)
        continue;
      sum += std::abs(utm.GetCell(c, r) - tile.GetCell(tc, tr));
      ++n;
    }
  ASSERT_GT(n, 500);
  EXPECT_LT(sum / n, 15.0);
}

TEST(GdalDem, VoidsRoundingAndClipping) {
  REQUIRE_GDAL_TOOLS();
  DELVA_REQUIRE_SHARED(zip, kZip);
  TTempDir dir;
  const std::string f = dir.File("f32.tif");
  ASSERT_TRUE(Sh("gdal_translate -ot Float32 -a_nodata nan -srcwin 0 0 8 1 '" + kVsi + zip +
                 "/N42E001.hgt' " + f));
  GDALAllRegister();
  GDALDatasetH ds = GDALOpen(f.c_str(), GA_Update);
  ASSERT_TRUE(ds);
  const float in[8] = {NAN, 12.5f, -12.5f, 40000, -40000, -32768, -32767.6f, 0.49f};
  ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, 8, 1, const_cast<float*>(in), 8,
                         1, GDT_Float32, 0, 0),
            CE_None);
  GDALClose(ds);
  TTMesh m;
  const TTDemLoadResult res = LoadDem(m, f, {}, nullptr);
  ASSERT_TRUE(res.Message == "" && m.VoidValue == -32768);
  EXPECT_EQ(CopySamples(m),
            (std::vector<int16_t>{-32768, 13, -13, 32767, -32767, -32767, -32767, 0}));
  EXPECT_EQ(res.Clipped, 4);  // 40000, -40000, and -32768, -32767.6 kept off the void
  // An integer nodata value within 16 bits becomes the void value.
  ASSERT_TRUE(Sh("gdal_translate -ot Int16 -a_nodata 250 " + f + " " + dir.File("i16.tif")));
  TTMesh i16;
  ASSERT_TRUE(LoadDem(i16, dir.File("i16.tif"), {}, nullptr).Message == "" && i16.VoidValue == 250);
}

TEST(GdalDem, MosaicOfGeoTiffTilesSplitsBackIntoTheTiles) {
  REQUIRE_GDAL_TOOLS();
  DELVA_REQUIRE_SHARED(north, "srtm/nomilous-srtm/S33E018.hgt");
  DELVA_REQUIRE_SHARED(south, "srtm/nomilous-srtm/S34E018.hgt");
  TTempDir tifs, out;
  // Named as Copernicus names its tiles: found by extent, not by name.
  ASSERT_TRUE(Sh("gdal_translate " + north + " " + tifs.File("Copernicus_DSM_S33_00_E018_00.tif")));
  ASSERT_TRUE(Sh("gdal_translate " + south + " " + tifs.File("Copernicus_DSM_S34_00_E018_00.tif")));
  TTDemMosaicRequest request{.Folder = tifs.Path(), .Rect = {-32, -35, 18, 20}};
  EXPECT_EQ(MissingDemCells(request),
            (std::vector<std::string>{"S33E019.HGT", "S34E019.HGT", "S35E018.HGT", "S35E019.HGT"}));
  request.Rect = {-32, -34, 18, 19};
  TTMesh m;
  ASSERT_EQ(LoadMultiDem(m, request, nullptr).Message, "");
  int written = 0;  // the mesh's kind and size show in the tiles written
  ASSERT_EQ(SaveMeshAsHgtTiles(m, out.Path(), written, nullptr), "");
  EXPECT_EQ(FolderEntries(out.Path()), (std::vector<std::string>{"S33E018.hgt", "S34E018.hgt"}));
  EXPECT_EQ(ReadFileBytes(out.File("S33E018.hgt")), ReadFileBytes(north));
  EXPECT_EQ(ReadFileBytes(out.File("S34E018.hgt")), ReadFileBytes(south));
}
