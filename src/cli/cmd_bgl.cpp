// delvacli bgl: "Create BGL..." without the dialog. The proposals, the cut,
// the INF files and the compiler run are the editor's own; the compiler's
// output goes to stdout, then the status line of the output window.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/cli.h"
#include "cli/cli_io.h"
#include "cli/cli_parse.h"
#include "core/base/app_name.h"
#include "core/base/file_util.h"
#include "core/formats/hgx_format.h"
#include "core/mesh/mesh.h"
#include "core/platform/file_system.h"
#include "core/platform/native_file.h"
#include "core/platform/process.h"
#include "core/scenery/bgl_build.h"
#include "core/scenery/resample_run.h"
#include "core/scenery/resample_tool.h"
#include "core/settings/prog_cfg.h"

namespace {

namespace fs = std::filesystem;

// Paths the compiler gets must not depend on the folder it runs in.
std::string Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(NativePath(path), ec);
  return ec ? path : Utf8Path(p.lexically_normal());
}

// The compiler location configured in the editor's settings file: beside
// the program (portable install) or in the user's configuration folder.
std::string ConfiguredResample() {
  TTProgCfg cfg;
  const std::string exeDir = ExecutableFolder();
  const std::string userDir = UserConfigFolder(AppName);
  if (LoadProgCfg(cfg, exeDir) || LoadProgCfg(cfg, userDir)) return cfg.ResamplePath;
  return std::string();
}

int RunBgl(const TCliArgs& args) {
  // Usage first: every option is checked before any work.
  if (!args.Has("--out") || args.Value("--out").empty()) CliUsage("--out FILE.bgl is required");
  int lodArg = -1;
  if (args.Has("--lod")) lodArg = int(CliInt(args.Value("--lod"), 0, 15, "--lod"));
  int32_t base = 0;
  if (args.Has("--base"))
    base = int32_t(CliInt(args.Value("--base"), INT32_MIN, INT32_MAX, "--base"));
  const bool overlapGiven = args.Has("--overlap");
  TBandOverlap overlap;
  if (overlapGiven) overlap = ParseOverlap(args.Value("--overlap"));

  const std::string resample =
      args.Has("--resample") ? Absolute(args.Value("--resample")) : ConfiguredResample();
  if (resample.empty() || !FileExists(resample))
    CliFail("Please, inform the location of Resample in\nProgram Preferences (Files and Folders).");

  TCliSession session(args);
  TTMesh mesh;
  LoadInput(mesh, args.Arg(0), args, session);

  const int lod = lodArg >= 0 ? lodArg : DefaultLod(mesh);
  if (!overlapGiven) {
    overlap = DefaultOverlap(mesh, lod);
  } else {
    // Only the bands the mesh has take an overlap; each within its band.
    const TBandChoices c = BandChoices(mesh, lod);
    auto check = [](const TBandChoice& ch, int32_t& value) {
      if (!ch.Enabled)
        value = 0;
      else if (value > ch.Maximum)
        CliUsage("--overlap: at most " + std::to_string(ch.Maximum) + " for this mesh");
    };
    check(c.North, overlap.North);
    check(c.South, overlap.South);
    check(c.West, overlap.West);
    check(c.East, overlap.East);
  }
  TBglCut cut;
  if (!CutMeshForBgl(mesh, overlap, cut)) CliFail("Could not save the mesh.");

  const bool keepTemp = args.Has("--keep-temp");
  std::string tempDir;
  if (keepTemp) {
    // A fresh private folder: a predictable name could be prepared by others.
    std::error_code ec;
    tempDir = MakePrivateFolder(Utf8Path(fs::temp_directory_path(ec)), "delvacli-bgl-");
    if (tempDir.empty()) CliFail("Cannot create temporary directory.");
  } else {
    tempDir = session.TempDir();
  }
  const TBglTempFiles files = BglTempFiles(tempDir);
  struct TCleanup {
    const TBglTempFiles& files;
    bool active;
    ~TCleanup() {
      if (active) DeleteBglTempFiles(files);
    }
  } cleanup{files, !keepTemp};

  const std::string bgl = Absolute(args.Value("--out"));
  if (!SaveToFile(mesh, files.Raster, false, cut.Rect, true, session.Progress()))
    CliFail("Could not save the mesh.");
  const TToolPathForm form = NeedsWine(resample) ? TToolPathForm::Wine : TToolPathForm::Host;
  const std::string error = WriteBglInfFiles(mesh, cut, lod, base, files, bgl, form);
  if (!error.empty()) CliFail(error);

  std::vector<std::string> entries;
  for (const std::string& extra : args.Values("--inf")) entries.push_back(Absolute(extra));
  entries.push_back(GeneratedInfMarker);
  const std::vector<std::string> infs = ResampleInfList(entries, files.SourceInf, files.DestInf);

  bool endedWithNewline = true;
  const TResampleRunResult result = RunResample(resample, infs, [&](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!text.empty()) endedWithNewline = text.back() == '\n';
  });
  if (result == TResampleRunResult::NotStarted) CliFail("Could not create BGL file.");
  if (!endedWithNewline) std::fputc('\n', stdout);

  const std::string status =
      result == TResampleRunResult::Crashed ? ResampleCrashedText(bgl) : ResampleFinishedText(bgl);
  // The status line stays the last line of the output.
  if (keepTemp) std::printf("Temporary files kept in %s\n", tempDir.c_str());
  std::printf("%s\n", status.c_str());
  int64_t size = 0;
  if (result == TResampleRunResult::Crashed || !FileSizeIfExists(bgl, size) || size == 0)
    CliFail(status);
  return 0;
}

TCliRegistration reg({"bgl",
                      "delvacli bgl IN --out FILE.bgl [--lod L] [--base B] [--overlap N,S,W,E] "
                      "[--resample EXE] [--inf EXTRA.inf]... [--keep-temp] [--raster GEOMETRY]",
                      {"--out", "--lod", "--base", "--overlap", "--resample", "--inf",
                       kRasterOption},
                      {"--keep-temp"},
                      1,
                      1,
                      RunBgl});

}  // namespace
