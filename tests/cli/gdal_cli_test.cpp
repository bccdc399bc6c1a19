// The GeoTIFF forms of delvacli; a delvacli built without GDAL refuses them.
#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/test_paths.h"

namespace {

bool HaveGdalTools() { return std::system("command -v gdal_translate >/dev/null 2>&1") == 0; }

}  // namespace

#ifdef DELVA_HAVE_GDAL

TEST(CliGdal, ConvertInfoWarpMissingAndTiles) {
  DELVA_REQUIRE_SHARED(tile, "srtm/nomilous-srtm/S33E018.hgt");
  if (!HaveGdalTools()) GTEST_SKIP() << "GDAL command-line tools not found";
  TTempDir d, tiles;
  // A tile through GeoTIFF and back is the same tile; the GeoTIFF splits into it.
  EXPECT_EQ(RunCli(d.Path(), {"convert", tile, d.File("n.tif")}).status, 0);
  EXPECT_EQ(RunCli(d.Path(), {"convert", d.File("n.tif"), d.File("n.hgt")}).status, 0);
  EXPECT_EQ(ReadFileBytes(d.File("n.hgt")), ReadFileBytes(tile));
  EXPECT_EQ(RunCli(d.Path(), {"tiles", d.File("n.tif"), tiles.Path()}).out, "1\n");
  EXPECT_EQ(ReadFileBytes(tiles.File("S33E018.hgt")), ReadFileBytes(tile));
  TCliRun r = RunCli(
      d.Path(), {"mosaic", "--dem", "--folder", d.Path(), "--rect", "-34,-32,18,19", "--missing"});
  EXPECT_EQ(r.out, "S34E018.HGT\n");

  // Projected: refused without --warp, loaded with it.
  ASSERT_EQ(std::system(("gdalwarp -q -t_srs EPSG:32734 -tr 90 90 " + tile + " " +
                         d.File("utm.tif") + " >/dev/null 2>&1")
                            .c_str()),
            0);
  r = RunCli(d.Path(), {"info", d.File("utm.tif")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(OneErrorLine(r.err) && r.err.find("--warp") != std::string::npos) << r.err;
  EXPECT_EQ(RunCli(d.Path(), {"info", d.File("utm.tif"), "--warp", "1200,cubic"}).status, 0);
  for (const char* bad : {"0", "1200,nearest", "x"})
    EXPECT_EQ(RunCli(d.Path(), {"info", tile, "--warp", bad}).status, 2) << bad;
}

#else

TEST(CliGdal, WithoutGdalGeoTiffIsRefused) {
  TTempDir d;
  for (auto args : std::vector<std::vector<std::string> >{
           {"info", d.File("a.tif")}, {"convert", d.File("a.hgt"), d.File("b.TIFF")}}) {
    const TCliRun r = RunCli(d.Path(), args);
    EXPECT_EQ(std::tuple(r.status, r.err),
              std::tuple(2, "delvacli: GeoTIFF support is not built into this delvacli\n"));
  }
}

#endif
