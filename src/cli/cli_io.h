#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/base/progress.h"

class TTMesh;
class TCliArgs;

// Percentages on stderr while a long operation runs (--progress), the
// operation's text (such as "2 of 4") in front of them.
class TCliProgress : public TTProgress {
 protected:
  void BarPositionChanged(int position) override;
  void LabelTextChanged(const std::string& text) override;
  void VisibilityChanged(bool visible) override;

 private:
  void Print();
  int position_ = -1;
  std::string label_;
  bool printed_ = false;
};

// The reporter for a command: a TCliProgress with --progress, else none.
class TCliSession {
 public:
  explicit TCliSession(const TCliArgs& args);
  ~TCliSession();
  TTProgress* Progress() { return progress_.get(); }
  // A private folder for extracted tiles, made on first use and removed
  // with the session.
  const std::string& TempDir();

 private:
  std::unique_ptr<TCliProgress> progress_;
  std::string tempDir_;
  int cleanupSlot_ = -1;
};

// Value options every command that reads IN / writes OUT declares.
inline constexpr const char* kRasterOption = "--raster";
inline constexpr const char* kByteOrderOption = "--byte-order";
inline constexpr const char* kVoidAsOption = "--void-as";
// --warp DENSITY[,bilinear|cubic]: resample IN onto that lat/lon grid.
inline constexpr const char* kWarpOption = "--warp";
inline constexpr const char* kNoGdalMessage = "GeoTIFF support is not built into this delvacli";

// .tif / .tiff, read and written through GDAL.
bool IsGeoTiffName(const std::string& path);
// Prints the editor's note when a load clipped samples into 16 bits.
void ReportClipped(int64_t clipped);

// Loads IN into a fresh mesh as the editor's load commands do: *.hgx as
// "Load HGX...", *.hgt / *.zip as "Load Single HGT...", and with --raster
// ROWS,COLS,MINLAT,MAXLAT,MINLON,MAXLON[,msb|lsb[,VOID]] as "Load Raster...",
// *.tif / *.tiff as "Load DEM..."; then --warp when given.
// Runs UpdateStats afterwards. Failures end the run with the editor's message.
void LoadInput(TTMesh& mesh, const std::string& in, const TCliArgs& args, TCliSession& session);

// Loads a file recognised by its name alone (*.hgx, *.hgt, *.zip), as
// LoadInput does without --raster and without the statistics.
void LoadModelFile(TTMesh& mesh, const std::string& in, TCliSession& session);

// Checks the output options against OUT before any work is done (usage
// errors come first).
void CheckOutputArgs(const std::string& out, const TCliArgs& args);

// Writes OUT by its extension: .hgx an HGX file, .hgt a tile (1201 or 3601
// square grids only), anything else a raw raster with --byte-order and
// --void-as, .tif / .tiff a GeoTIFF. Always through a temporary file renamed
// over OUT.
void WriteOutput(const TTMesh& mesh, const std::string& out, const TCliArgs& args,
                 TCliSession& session);
