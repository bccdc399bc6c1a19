// delvacli mosaic: a rectangle of tiles loaded as "Load Multiple HGT..."
// loads it, with the same checks and messages, written to OUT; or, with
// --missing, the names of the tiles that are absent from the folder. With
// --dem the folder holds GeoTIFF tiles found by their extents ("Load
// Multiple DEM...").
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "cli/cli_io.h"
#include "cli/cli_parse.h"
#include "core/mesh/mesh.h"
#include "core/tiles/multi_hgt.h"
#ifdef DELVA_HAVE_GDAL
#include "gdal/gdal_dem.h"
#endif

namespace {

int RunDemMosaic(const TTMultiHGTRequest& request, const TCliArgs& args) {
#ifdef DELVA_HAVE_GDAL
  TTDemMosaicRequest dem;
  dem.Folder = request.Folder;
  dem.Rect = request.Rect;
  dem.Bands = request.Bands;
  dem.FillValue = request.FillValue;
  if (args.Has("--missing")) {
    for (const std::string& name : MissingDemCells(dem)) std::printf("%s\n", name.c_str());
    return 0;
  }
  const std::string& out = args.Arg(0);
  CheckOutputArgs(out, args);
  TCliSession session(args);
  TTMesh mesh;
  const TTDemLoadResult result = LoadMultiDem(mesh, dem, session.Progress());
  if (!result.Message.empty()) CliFail(result.Message);
  ReportClipped(result.Clipped);
  WriteOutput(mesh, out, args, session);
  return 0;
#else
  (void)request;
  (void)args;
  CliUsage(kNoGdalMessage);
#endif
}

int RunMosaic(const TCliArgs& args) {
  const bool missing = args.Has("--missing");
  if (missing && !args.Positional().empty()) CliUsage("--missing takes no OUT");
  if (!missing && args.Positional().size() != 1) CliUsage("missing OUT (or --missing)");
  if (!args.Has("--folder")) CliUsage("missing --folder DIR");
  if (!args.Has("--rect")) CliUsage("missing --rect MINLAT,MAXLAT,MINLON,MAXLON");

  TTMultiHGTRequest request;
  request.Folder = args.Value("--folder");
  request.Rect = ParseDegreeRect(args.Value("--rect"));
  request.Bands = ParseBands(args.Value("--bands"));
  request.FillValue = int16_t(CliInt(args.Value("--fill", "0"), -32768, 32767, "--fill"));
  // The dialog's own checks, with its messages.
  const TTMultiHGTCloseCheck check = CheckMultiHGTClose(request.Rect, request.Bands);
  if (!check.Message.empty()) CliUsage(check.Message);

  if (args.Has("--dem")) return RunDemMosaic(request, args);
  if (missing) {
    for (const std::string& name : MissingTileNames(RequestTilePaths(request)))
      std::printf("%s\n", name.c_str());
    return 0;
  }
  const std::string& out = args.Arg(0);
  CheckOutputArgs(out, args);
  TCliSession session(args);
  request.TempDir = session.TempDir();
  TTMesh mesh;
  const std::string message = LoadMultiHGT(mesh, request, session.Progress());
  if (!message.empty()) CliFail(message);
  WriteOutput(mesh, out, args, session);
  return 0;
}

TCliRegistration reg({"mosaic",
                      "delvacli mosaic --folder DIR --rect MINLAT,MAXLAT,MINLON,MAXLON "
                      "[--bands NSWE] [--fill V] [--dem] [--byte-order msb|lsb] [--void-as V] "
                      "(OUT | --missing)",
                      {"--folder", "--rect", "--bands", "--fill", kByteOrderOption, kVoidAsOption},
                      {"--missing", "--dem"},
                      0,
                      1,
                      RunMosaic});

}  // namespace
