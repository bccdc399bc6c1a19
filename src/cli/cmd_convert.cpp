#include "cli/cli.h"
#include "cli/cli_io.h"
#include "core/mesh/mesh.h"

namespace {

int RunConvert(const TCliArgs& args) {
  CheckOutputArgs(args.Arg(1), args);
  TCliSession session(args);
  TTMesh mesh;
  LoadInput(mesh, args.Arg(0), args, session);
  WriteOutput(mesh, args.Arg(1), args, session);
  return 0;
}

TCliRegistration reg(
    {"convert",
     "delvacli convert IN OUT [--raster GEOMETRY] [--warp DENSITY[,bilinear|cubic]] "
     "[--byte-order msb|lsb] [--void-as V]",
     {kRasterOption, kWarpOption, kByteOrderOption, kVoidAsOption},
     {},
     2,
     2,
     RunConvert});

}  // namespace
