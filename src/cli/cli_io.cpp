#include "cli/cli_io.h"
#include "core/formats/hgx_format.h"

#include <cstdio>
#include <filesystem>
#include <random>

#include "cli/cli.h"
#include "core/base/file_util.h"
#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"
#include "core/platform/native_file.h"
#include "core/tiles/single_hgt.h"

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
  std::error_code ec;
  fs::remove_all(NativePath(tempDir_), ec);
}

const std::string& TCliSession::TempDir() {
  if (!tempDir_.empty()) return tempDir_;
  std::random_device rd;
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  for (int i = 0; i < 100; ++i) {
    fs::path p = base / ("delvacli-" + std::to_string(rd()));
    if (fs::create_directory(p, ec)) {
      tempDir_ = Utf8Path(p);
      return tempDir_;
    }
  }
  CliFail("cannot create a temporary folder in " + Utf8Path(base));
}

namespace {

void LoadRasterInput(TTMesh& mesh, const std::string& in, const std::string& geometry,
                     TCliSession& session) {
  std::vector<std::string> p = CliSplit(geometry);
  if (p.size() < 6 || p.size() > 8)
    CliUsage("--raster needs ROWS,COLS,MINLAT,MAXLAT,MINLON,MAXLON[,msb|lsb[,VOID]]");
  TTRasterImport r;
  r.Path = in;
  r.Rows = int32_t(CliInt(p[0], 1, 2000000000, "raster rows"));
  r.Cols = int32_t(CliInt(p[1], 1, 2000000000, "raster columns"));
  r.Rect.MinLat = int(CliInt(p[2], -90, 90, "raster MINLAT"));
  r.Rect.MaxLat = int(CliInt(p[3], -90, 90, "raster MAXLAT"));
  r.Rect.MinLon = int(CliInt(p[4], -180, 180, "raster MINLON"));
  r.Rect.MaxLon = int(CliInt(p[5], -180, 180, "raster MAXLON"));
  if (!r.Rect.IsValid()) CliUsage("--raster: the bounds do not form a rectangle");
  if (p.size() >= 7) {
    if (p[6] != "msb" && p[6] != "lsb") CliUsage("--raster: byte order must be msb or lsb");
    r.MsbFirst = p[6] == "msb";
  }
  if (p.size() == 8) r.VoidValue = int16_t(CliInt(p[7], -32768, 32767, "raster void value"));
  if (!RasterSizeMatches(uint64_t(FileSizeOf(in)), r.Rows, r.Cols)) CliFail("File has wrong size");
  std::string message = LoadRasterMesh(mesh, r, session.Progress());
  if (!message.empty()) CliFail(message);
}

}  // namespace

void LoadInput(TTMesh& mesh, const std::string& in, const TCliArgs& args, TCliSession& session) {
  if (args.Has(kRasterOption)) {
    LoadRasterInput(mesh, in, args.Value(kRasterOption), session);
  } else {
    const std::string ext = UpperAscii(FileExtension(in));
    if (ext == ".HGX") {
      if (!LoadHGX(mesh, in, session.Progress())) CliFail("Cannot load HGX.");
    } else if (ext == ".HGT" || ext == ".ZIP") {
      const std::string temp = ext == ".ZIP" ? session.TempDir() : std::string();
      std::string message = LoadSingleHGT(mesh, in, temp, session.Progress());
      if (!message.empty()) CliFail(message);
    } else {
      CliUsage("cannot tell the type of " + in +
               " (expected .hgx, .hgt or .zip, or --raster for a raw raster)");
    }
  }
  mesh.UpdateStats(session.Progress());
}

void CheckOutputArgs(const std::string& out, const TCliArgs& args) {
  const std::string ext = UpperAscii(FileExtension(out));
  const bool raw = ext != ".HGX" && ext != ".HGT";
  if (!raw && (args.Has(kByteOrderOption) || args.Has(kVoidAsOption)))
    CliUsage("--byte-order and --void-as apply to raw raster output only");
  const std::string order = args.Value(kByteOrderOption, "msb");
  if (order != "msb" && order != "lsb") CliUsage("--byte-order must be msb or lsb");
  if (args.Has(kVoidAsOption)) CliInt(args.Value(kVoidAsOption), -32768, 32767, "--void-as");
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
  const std::string order = args.Value(kByteOrderOption, "msb");
  const int16_t voidAs =
      args.Has(kVoidAsOption)
          ? int16_t(CliInt(args.Value(kVoidAsOption), -32768, 32767, "--void-as"))
          : mesh.VoidValue;
  std::string message = SaveMeshAsRaw(mesh, out, order == "msb", voidAs, session.Progress());
  if (!message.empty()) CliFail(message);
}
