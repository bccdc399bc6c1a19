#include "cli/cli_io.h"
#include "core/formats/hgx_format.h"

#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "cli/cli_parse.h"
#include "core/base/file_util.h"
#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"
#include "core/platform/file_system.h"
#include "core/platform/interrupt_cleanup.h"
#include "core/platform/native_file.h"
#include "core/tiles/single_hgt.h"
#ifdef DELVA_HAVE_GDAL
#include "gdal/gdal_dem.h"
#endif

namespace fs = std::filesystem;

void TCliProgress::Print() {
  std::fprintf(stderr, "\r%s%s%3d %%", label_.c_str(), label_.empty() ? "" : "  ",
               position_ < 0 ? 0 : position_);
  std::fflush(stderr);
  printed_ = true;
}

void TCliProgress::BarPositionChanged(int position) {
  if (position == position_) return;
  position_ = position;
  Print();
}

void TCliProgress::LabelTextChanged(const std::string& text) {
  // A percentage label repeats the bar; other texts (file counters) stay.
  if (text.empty() || text.back() == '%') return;
  if (text == label_) return;
  label_ = text;
  Print();
}

void TCliProgress::VisibilityChanged(bool visible) {
  if (visible || !printed_) return;
  std::fprintf(stderr, "\n");
  printed_ = false;
  position_ = -1;
}

TCliSession::TCliSession(const TCliArgs& args) {
  if (args.Has("--progress")) progress_ = std::make_unique<TCliProgress>();
}

TCliSession::~TCliSession() {
  if (tempDir_.empty()) return;
  ForgetOnInterrupt(cleanupSlot_);
  std::error_code ec;
  fs::remove_all(NativePath(tempDir_), ec);
}

const std::string& TCliSession::TempDir() {
  if (!tempDir_.empty()) return tempDir_;
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  tempDir_ = MakePrivateFolder(Utf8Path(base), "delvacli-");
  if (tempDir_.empty()) CliFail("cannot create a temporary folder in " + Utf8Path(base));
  // Ctrl+C or a kill in the middle of a mosaic must not leave it behind.
  cleanupSlot_ = RemoveOnInterrupt(tempDir_, true);
  return tempDir_;
}

namespace {

void LoadRasterInput(TTMesh& mesh, const std::string& in, const std::string& geometry,
                     TCliSession& session) {
  TTRasterImport r = ParseRasterGeometry(geometry);
  r.Path = in;
  if (!RasterSizeMatches(uint64_t(FileSizeOf(in)), r.Rows, r.Cols)) CliFail("File has wrong size");
  std::string message = LoadRasterMesh(mesh, r, session.Progress());
  if (!message.empty()) CliFail(message);
}

#ifdef DELVA_HAVE_GDAL
TTWarpGrid ParseWarp(const std::string& text) {
  const std::vector<std::string> p = CliSplit(text);
  if (p.size() > 2) CliUsage("--warp needs DENSITY[,bilinear|cubic]");
  TTWarpGrid warp;
  warp.Density = CliNumber(p[0], "--warp DENSITY");
  if (!(warp.Density > 0 && warp.Density <= 36000))
    CliUsage("--warp DENSITY must be more than 0 and at most 36000 cells per degree");
  if (p.size() == 2) {
    if (p[1] != "bilinear" && p[1] != "cubic")
      CliUsage("--warp resampling must be bilinear or cubic");
    warp.Method = p[1] == "cubic" ? TTWarpMethod::Cubic : TTWarpMethod::Bilinear;
  }
  return warp;
}

void CheckDemResult(const TTDemLoadResult& r, const std::string& in) {
  if (r.NeedsWarp)
    CliFail(in + " is not on a latitude/longitude grid; give --warp DENSITY[,bilinear|cubic]");
  if (!r.Message.empty()) CliFail(r.Message);
  ReportClipped(r.Clipped);
}
#endif

}  // namespace

bool IsGeoTiffName(const std::string& path) {
  const std::string ext = UpperAscii(FileExtension(path));
  return ext == ".TIF" || ext == ".TIFF";
}

void ReportClipped(int64_t clipped) {
  if (clipped > 0) std::printf("Some elevation samples have been clipped.\n");
}

void LoadModelFile(TTMesh& mesh, const std::string& in, TCliSession& session) {
  const std::string ext = UpperAscii(FileExtension(in));
  if (ext == ".HGX") {
    if (!LoadHGX(mesh, in, session.Progress())) CliFail("Cannot load HGX.");
  } else if (ext == ".HGT" || ext == ".ZIP") {
    const std::string temp = ext == ".ZIP" ? session.TempDir() : std::string();
    std::string warning;
    std::string message = LoadSingleHGT(mesh, in, temp, session.Progress(), &warning);
    if (!message.empty()) CliFail(message);
    if (!warning.empty()) std::fprintf(stderr, "delvacli: warning: %s\n", warning.c_str());
#ifdef DELVA_HAVE_GDAL
  } else if (IsGeoTiffName(in)) {
    CheckDemResult(LoadDem(mesh, in, TTWarpGrid{}, session.Progress()), in);
#endif
  } else {
    CliUsage("cannot tell the type of " + in +
             " (expected .hgx, .hgt, .zip or .tif, or --raster for a raw raster)");
  }
}

void LoadInput(TTMesh& mesh, const std::string& in, const TCliArgs& args, TCliSession& session) {
#ifdef DELVA_HAVE_GDAL
  TTWarpGrid warp;
  if (args.Has(kWarpOption)) warp = ParseWarp(args.Value(kWarpOption));
#else
  if (args.Has(kWarpOption) || (IsGeoTiffName(in) && !args.Has(kRasterOption)))
    CliUsage(kNoGdalMessage);
#endif
  if (args.Has(kRasterOption)) {
    LoadRasterInput(mesh, in, args.Value(kRasterOption), session);
  } else {
#ifdef DELVA_HAVE_GDAL
    if (IsGeoTiffName(in)) {
      CheckDemResult(LoadDem(mesh, in, warp, session.Progress()), in);
      warp.Density = 0;  // done while loading
    } else
#endif
      LoadModelFile(mesh, in, session);
  }
#ifdef DELVA_HAVE_GDAL
  if (warp.Density > 0) CheckDemResult(WarpMesh(mesh, warp, session.Progress()), in);
#endif
  mesh.UpdateStats(session.Progress());
}

void CheckOutputArgs(const std::string& out, const TCliArgs& args) {
  const std::string ext = UpperAscii(FileExtension(out));
#ifndef DELVA_HAVE_GDAL
  if (IsGeoTiffName(out)) CliUsage(kNoGdalMessage);
#endif
  const bool raw = ext != ".HGX" && ext != ".HGT" && !IsGeoTiffName(out);
  if (!raw && (args.Has(kByteOrderOption) || args.Has(kVoidAsOption)))
    CliUsage("--byte-order and --void-as apply to raw raster output only");
  const std::string order = args.Value(kByteOrderOption, "msb");
  if (order != "msb" && order != "lsb") CliUsage("--byte-order must be msb or lsb");
  if (args.Has(kVoidAsOption)) CliInt(args.Value(kVoidAsOption), -32768, 32767, "--void-as");
  const std::string problem = SaveTargetProblem(out);
  if (!problem.empty()) CliFail(problem);
}

void WriteOutput(const TTMesh& mesh, const std::string& out, const TCliArgs& args,
                 TCliSession& session) {
  CheckOutputArgs(out, args);
  const std::string ext = UpperAscii(FileExtension(out));
  if (ext == ".HGX") {
    if (!SaveToFile(mesh, out, true, mesh.GridRect, true, session.Progress()))
      CliFail("Cannot save mesh.");
    return;
  }
  if (ext == ".HGT") {
    const bool tile = mesh.Cols == mesh.Rows && (mesh.Cols == 1201 || mesh.Cols == 3601);
    if (!tile) CliFail("HGT output needs a grid of 1201 x 1201 or 3601 x 3601 samples");
    if (!SaveToFile(mesh, out, false, mesh.GridRect, true, session.Progress()))
      CliFail("Error creating file.");
    return;
  }
#ifdef DELVA_HAVE_GDAL
  if (IsGeoTiffName(out)) {
    const std::string message = SaveMeshToGeoTiff(mesh, out, session.Progress());
    if (!message.empty()) CliFail(message);
    return;
  }
#endif
  const std::string order = args.Value(kByteOrderOption, "msb");
  const int16_t voidAs =
      args.Has(kVoidAsOption)
          ? int16_t(CliInt(args.Value(kVoidAsOption), -32768, 32767, "--void-as"))
          : mesh.VoidValue;
  std::string message = SaveMeshAsRaw(mesh, out, order == "msb", voidAs, session.Progress());
  if (!message.empty()) CliFail(message);
}
