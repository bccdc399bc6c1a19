#include <cstdio>

#include "cli/cli.h"
#include "cli/cli_io.h"
#include "core/mesh/mesh.h"
#include "core/mesh/mesh_info.h"

namespace {

int RunInfo(const TCliArgs& args) {
  TCliSession session(args);
  TTMesh mesh;
  LoadInput(mesh, args.Arg(0), args, session);
  for (const TTReportLine& line : MeshInfoReport(mesh))
    std::printf("%s%s\n", line.Label.c_str(), line.Value.c_str());
  return 0;
}

TCliRegistration reg(
    {"info",
     "delvacli info IN [--raster ROWS,COLS,MINLAT,MAXLAT,MINLON,MAXLON[,msb|lsb[,VOID]]] "
     "[--warp DENSITY[,bilinear|cubic]]",
     {kRasterOption, kWarpOption},
     {},
     1,
     1,
     RunInfo});

}  // namespace
