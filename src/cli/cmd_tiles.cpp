// delvacli tiles: "Save Mesh as HGT Tiles..." on a loaded IN.
#include <cstdio>

#include "cli/cli.h"
#include "cli/cli_io.h"
#include "core/mesh/mesh.h"
#include "core/tiles/hgt_split.h"

namespace {

int RunTiles(const TCliArgs& args) {
  TCliSession session(args);
  TTMesh mesh;
  LoadInput(mesh, args.Arg(0), args, session);
  int written = 0;
  const std::string message = SaveMeshAsHgtTiles(mesh, args.Arg(1), written, session.Progress());
  if (!message.empty()) CliFail(message);
  std::printf("%d\n", written);
  return 0;
}

TCliRegistration reg({"tiles",
                      "delvacli tiles IN DIR [--raster GEOMETRY] [--warp DENSITY[,bilinear|cubic]]",
                      {kRasterOption, kWarpOption},
                      {},
                      2,
                      2,
                      RunTiles});

}  // namespace
