// Loading, statistics and HGX speed over generated 3601 x 3601 tiles, with a
// plain read of the same tile file as the yardstick.
//   ./build/bench/delva_bench --benchmark_filter=Core
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/base/file_util.h"
#include "core/formats/hgx_format.h"
#include "core/mesh/mesh.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/tile_names.h"
#include "sample_gen.h"

namespace fs = std::filesystem;

namespace {

// Generated once per machine and kept: making a 3601 tile takes seconds.
const std::string& BenchFolder() {
  static std::string folder = [] {
    fs::path p = fs::temp_directory_path() / "delva-bench-tiles";
    fs::create_directories(p);
    TSampleTerrain t;
    t.CellsPerDeg = 3600;
    for (int lat : {44, 45})
      for (int lon : {-123, -122}) {
        std::string name = (p / (LatName(lat) + LonName(lon) + ".hgt")).string();
        if (FileSizeOf(name) != kTileBytes1s) WriteSampleTile(t, p.string(), lat, lon);
      }
    return p.string();
  }();
  return folder;
}

std::string TilePath() { return JoinPath(BenchFolder(), "N45W123.hgt"); }

void CorePlainRead(benchmark::State& state) {
  const std::string path = TilePath();
  for (auto _ : state) {
    TTInputFile f(path);
    const int64_t size = f.Size();
    std::unique_ptr<char[]> buf(new char[size_t(size)]);
    if (!ReadWholeBlock(f.File(), buf.get(), size_t(size))) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(buf.get());
  }
  state.SetBytesProcessed(state.iterations() * kTileBytes1s);
}
BENCHMARK(CorePlainRead)->Unit(benchmark::kMillisecond);

void CoreLoadTile(benchmark::State& state) {
  const std::vector<std::string> tiles{TilePath()};
  for (auto _ : state) {
    TTMesh m;
    if (!LoadHGT(m, tiles, 1, 1, 1, 0)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(m.Samples.Data());
  }
  state.SetBytesProcessed(state.iterations() * kTileBytes1s);
}
BENCHMARK(CoreLoadTile)->Unit(benchmark::kMillisecond);

void CoreLoadMosaic2x2(benchmark::State& state) {
  std::vector<std::string> tiles;
  ListTileNames(TileRect{44, 46, -123, -121}, tiles);
  for (auto& t : tiles) t = JoinPath(BenchFolder(), t);
  for (auto _ : state) {
    TTMesh m;
    if (!LoadHGT(m, tiles, 1, 2, 2, 0)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(m.Samples.Data());
  }
  state.SetBytesProcessed(state.iterations() * 4 * kTileBytes1s);
}
BENCHMARK(CoreLoadMosaic2x2)->Unit(benchmark::kMillisecond);

void CoreUpdateStats(benchmark::State& state) {
  TTMesh m;
  LoadHGT(m, {TilePath()}, 1, 1, 1, 0);
  for (auto _ : state) {
    m.UpdateStats();
    benchmark::DoNotOptimize(m.VoidCount);
  }
  state.SetBytesProcessed(state.iterations() * m.Samples.Size() * 2);
}
BENCHMARK(CoreUpdateStats)->Unit(benchmark::kMillisecond);

void CoreSaveHGX(benchmark::State& state) {
  TTMesh m;
  LoadHGT(m, {TilePath()}, 1, 1, 1, 0);
  const std::string out = JoinPath(BenchFolder(), "bench.hgx");
  for (auto _ : state)
    if (!SaveToFile(m, out, true, m.GridRect, true)) state.SkipWithError("save failed");
  state.SetBytesProcessed(state.iterations() * m.Samples.Size() * 2);
}
BENCHMARK(CoreSaveHGX)->Unit(benchmark::kMillisecond);

void CoreLoadHGX(benchmark::State& state) {
  TTMesh m;
  LoadHGT(m, {TilePath()}, 1, 1, 1, 0);
  const std::string path = JoinPath(BenchFolder(), "bench-load.hgx");
  SaveToFile(m, path, true, m.GridRect, true);
  for (auto _ : state) {
    TTMesh l;
    if (!LoadHGX(l, path)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(l.Samples.Data());
  }
  state.SetBytesProcessed(state.iterations() * m.Samples.Size() * 2);
}
BENCHMARK(CoreLoadHGX)->Unit(benchmark::kMillisecond);

}  // namespace
