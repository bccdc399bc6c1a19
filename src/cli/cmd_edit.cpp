// delvacli fill-voids and delvacli edit: the editor's elevation operations
// over a selection given on the command line.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_io.h"
#include "cli/cli_parse.h"
#include "core/edit/fill_delta.h"
#include "core/edit/fill_voids.h"
#include "core/edit/mesh_edit.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

namespace {

constexpr const char* kRect = "--rect";
constexpr const char* kPolygon = "--polygon";

// The selection's texts, checked before anything is loaded (usage errors
// first) and against the grid once the mesh is there.
struct TSelection : TCellSelection {
  std::string rectText, polygonText;
};

TSelection ParseSelection(const TCliArgs& args) {
  TSelection s;
  if (args.Has(kRect) && args.Has(kPolygon)) CliUsage("give either --rect or --polygon, not both");
  s.rectText = args.Value(kRect);
  s.polygonText = args.Value(kPolygon);
  if (args.Has(kRect) && s.rectText.empty()) CliUsage("--rect needs LEFT,TOP,RIGHT,BOTTOM");
  if (args.Has(kPolygon) && s.polygonText.empty()) CliUsage("--polygon needs C1,R1;C2,R2;...");
  return s;
}

void Resolve(TSelection& s, const TTMesh& mesh) {
  ParseCellSelection(s.rectText, s.polygonText, mesh.Cols, mesh.Rows, s);
}

int16_t Sample(const std::string& text, const std::string& what) {
  return int16_t(CliInt(text, -32768, 32767, what));
}

// --------------------------------------------------------- fill-voids

int RunFillVoids(const TCliArgs& args) {
  CheckOutputArgs(args.Arg(1), args);
  TSelection sel = ParseSelection(args);
  TTFillRequest request;
  const std::string method = args.Value("--method", "idw");
  if (method == "spline")
    request.Method = TFillMethod::Spline;
  else if (method == "dem")
    request.Method = TFillMethod::Dem;
  else if (method != "idw")
    CliUsage("--method must be idw, spline or dem");
  if (request.Method != TFillMethod::Idw && (args.Has("--radius") || args.Has("--weight")))
    CliUsage("--radius and --weight belong to --method idw");
  if ((request.Method == TFillMethod::Dem) != args.Has("--second-dem"))
    CliUsage("--method dem needs --second-dem FILE, and --second-dem needs --method dem");
  request.Radius = int32_t(CliInt(args.Value("--radius", "70"), 1, 1000, "radius"));
  try {
    request.Weight = CliNumber(args.Value("--weight", "6.0"), "weight");
  } catch (const TCliError&) {
    CliUsage("Invalid format for Weight.");
  }
  if (!(request.Weight > 1)) CliUsage("Weight must be greater than 1.");
  request.Options.InteriorOnly = args.Has("--interior-only");
  if (args.Has("--max-void"))
    request.Options.MaxVoid = CliInt(args.Value("--max-void"), 1, INT64_MAX, "--max-void");

  TCliSession session(args);
  TTMesh mesh, second;
  LoadInput(mesh, args.Arg(0), args, session);
  Resolve(sel, mesh);
  if (request.Method == TFillMethod::Dem) {
    LoadModelFile(second, args.Value("--second-dem"), session);
    if (!SecondModelCovers(mesh, second, sel.rect))
      CliFail("the second model does not cover the selection");
    request.SecondModel = &second;
  }
  TTFillRun run;
  if (!FillVoids(mesh, sel.rect, sel.hasMask ? &sel.mask : nullptr, request, session.Progress(),
                 &run))
    CliFail("Not enough memory available.");
  WriteOutput(mesh, args.Arg(1), args, session);
  std::printf("filled %lld of %lld voids\n", static_cast<long long>(run.Filled),
              static_cast<long long>(run.Voids));
  return 0;
}

// --------------------------------------------------------------- edit

int RunEdit(const TCliArgs& args) {
  CheckOutputArgs(args.Arg(1), args);
  TSelection sel = ParseSelection(args);
  int operations = 0;
  for (const char* op : {"--change", "--restrict", "--offset", "--fill"})
    operations += args.Has(op);
  if (operations != 1)
    CliUsage("give exactly one operation: --change, --restrict, --offset or --fill");
  if ((args.Has("--lower") || args.Has("--upper")) && !args.Has("--restrict"))
    CliUsage("--lower and --upper belong to --restrict");
  if (args.Has("--mode") && !args.Has("--fill")) CliUsage("--mode belongs to --fill");

  // Every argument is checked before the input is read.
  int16_t from = 0, to = 0, lower = 0, upper = 0, value = 0, mode = kFillAll;
  uint16_t flags = 0;
  int32_t offset = 0;
  if (args.Has("--change")) {
    std::vector<std::string> p = CliSplit(args.Value("--change"));
    if (p.size() != 2) CliUsage("invalid --change: \"" + args.Value("--change") + "\" (FROM,TO)");
    from = Sample(p[0], "value to change");
    to = Sample(p[1], "new value");
  } else if (args.Has("--restrict")) {
    if (!args.Has("--lower") && !args.Has("--upper"))
      CliUsage("--restrict needs --lower L, --upper U or both");
    if (args.Has("--lower")) {
      lower = Sample(args.Value("--lower"), "lower limit");
      flags |= 1;
    }
    if (args.Has("--upper")) {
      upper = Sample(args.Value("--upper"), "upper limit");
      flags |= 2;
    }
  } else if (args.Has("--offset")) {
    offset = int32_t(CliInt(args.Value("--offset"), INT32_MIN, INT32_MAX, "offset"));
  } else {
    value = Sample(args.Value("--fill"), "fill value");
    const std::string m = args.Value("--mode");
    if (m == "keep-voids")
      mode = kFillKeepVoids;
    else if (m == "voids-only")
      mode = kFillVoidsOnly;
    else if (m == "all")
      mode = kFillAll;
    else
      CliUsage("--fill needs --mode keep-voids, voids-only or all");
  }

  TCliSession session(args);
  TTMesh mesh;
  LoadInput(mesh, args.Arg(0), args, session);
  Resolve(sel, mesh);
  const TTCellMask* mask = sel.hasMask ? &sel.mask : nullptr;
  bool clipped = false;
  if (args.Has("--change")) {
    ChangeValue(mesh, sel.rect, from, to, mask, session.Progress());
  } else if (args.Has("--restrict")) {
    RestrictHeight(mesh, sel.rect, lower, upper, flags, mask, session.Progress());
  } else if (args.Has("--offset")) {
    clipped = AddVertOffset(mesh, sel.rect, offset, mask, session.Progress());
  } else if (mask) {
    FillMasked(*mask, mesh, value, mesh.VoidValue, mode);
  } else {
    FillRect(mesh, sel.rect, value, mode);
  }
  WriteOutput(mesh, args.Arg(1), args, session);
  if (clipped) std::printf("Some elevation samples have been clipped.\n");
  return 0;
}

TCliRegistration fillVoids({"fill-voids",
                            "delvacli fill-voids IN OUT [--method idw|spline|dem] [--radius R] "
                            "[--weight P] [--second-dem FILE] [--interior-only] [--max-void N] "
                            "[--rect L,T,R,B | --polygon C1,R1;C2,R2;...] [--raster GEOMETRY] "
                            "[--byte-order msb|lsb] [--void-as V]",
                            {"--method", "--radius", "--weight", "--second-dem", "--max-void",
                             kRect, kPolygon, kRasterOption, kByteOrderOption, kVoidAsOption},
                            {"--interior-only"},
                            2,
                            2,
                            RunFillVoids});

TCliRegistration edit({"edit",
                       "delvacli edit IN OUT (--change FROM,TO | --restrict [--lower L] "
                       "[--upper U] | --offset D | --fill V --mode keep-voids|voids-only|all) "
                       "[--rect L,T,R,B | --polygon C1,R1;C2,R2;...] [--raster GEOMETRY] "
                       "[--byte-order msb|lsb] [--void-as V]",
                       {"--change", "--lower", "--upper", "--offset", "--fill", "--mode", kRect,
                        kPolygon, kRasterOption, kByteOrderOption, kVoidAsOption},
                       {"--restrict"},
                       2,
                       2,
                       RunEdit});

}  // namespace
