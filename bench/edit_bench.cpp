// Interpolation and undo on a whole 1" tile.
//
//   ./build/bench/delva_bench --benchmark_filter='Interpol|Undo'
//   bench/compare_gdal.sh    (whole processes against gdal_fillnodata.py)
//
// The plain definition costs minutes on a whole tile, so it runs on a band of
// rows; the fast version runs on the same band too (same voids, direct
// ratio) and on the whole tile (the user's case). Counters: voids filled per
// run and microseconds per void.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

#include "core/edit/interpol.h"
#include "core/edit/interpol_reference.h"
#include "core/edit/undo_list.h"
#include "core/mesh/mesh.h"

namespace {

constexpr int kSide = 3601;
constexpr int16_t kVoid = -32768;
constexpr int kBandRows = 40;

// Rolling relief (a few octaves of waves plus noise) with 2 % of the cells
// void in clusters of SRTM-like sizes: many small holes, some of hundreds of
// cells across, each the union of a few overlapping discs.
const std::vector<int16_t>& Tile() {
  static std::vector<int16_t> tile = [] {
    std::vector<int16_t> t(size_t(kSide) * kSide);
    std::mt19937 rng(3601);
    std::uniform_int_distribution<int> noise(-3, 3);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        double h = 900 + 600 * std::sin(x * 0.0021) * std::cos(y * 0.0017) +
                   150 * std::sin(x * 0.013 + y * 0.007) + 40 * std::cos(x * 0.07 - y * 0.05);
        t[size_t(y) * kSide + x] = int16_t(h + noise(rng));
      }
    const int64_t target = int64_t(kSide) * kSide / 50;
    int64_t voids = 0;
    std::exponential_distribution<double> size(1.0 / 5.0);
    std::uniform_int_distribution<int> pos(0, kSide - 1);
    while (voids < target) {
      int cx = pos(rng), cy = pos(rng);
      int parts = 1 + int(rng() % 4);
      for (int k = 0; k < parts; ++k) {
        int r = std::min(60, int(size(rng)));
        int ox = cx + int(rng() % 9) - 4, oy = cy + int(rng() % 9) - 4;
        for (int y = std::max(0, oy - r); y <= std::min(kSide - 1, oy + r); ++y)
          for (int x = std::max(0, ox - r); x <= std::min(kSide - 1, ox + r); ++x)
            if ((x - ox) * (x - ox) + (y - oy) * (y - oy) <= r * r) {
              int16_t& s = t[size_t(y) * kSide + x];
              if (s != kVoid) ++voids;
              s = kVoid;
            }
      }
    }
    return t;
  }();
  return tile;
}

void Load(TTMesh& m) {
  if (m.Samples.Empty()) {
    m.AllocSamples(kSide, kSide);
    m.SetGridSize(kSide, kSide);
    m.VoidValue = kVoid;
  }
  std::memcpy(m.Samples.Data(), Tile().data(), Tile().size() * sizeof(int16_t));
}

// The 40 rows whose share of voids is closest to the tile's 2 %, so that
// the plain version's time per void there stands for the whole tile.
TCellRect Band() {
  static TCellRect band = [] {
    const auto& t = Tile();
    std::vector<int64_t> perRow(kSide);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) perRow[y] += t[size_t(y) * kSide + x] == kVoid;
    const int64_t want = int64_t(kSide) * kBandRows / 50;
    int best = 0;
    int64_t bestDiff = INT64_MAX, sum = 0;
    for (int y = 0; y < kSide; ++y) {
      sum += perRow[y] - (y >= kBandRows ? perRow[y - kBandRows] : 0);
      if (y >= kBandRows - 1 && std::abs(sum - want) < bestDiff) {
        bestDiff = std::abs(sum - want);
        best = y - kBandRows + 1;
      }
    }
    return TCellRect{0, kSide - 1, best, best + kBandRows - 1};
  }();
  return band;
}

int64_t VoidsIn(const TTMesh& m, const TCellRect& r) {
  int64_t n = 0;
  for (int y = r.Top; y <= r.Bottom; ++y)
    for (int x = r.Left; x <= r.Right; ++x) n += m.GetCell(x, y) == kVoid;
  return n;
}

void Report(benchmark::State& state, int64_t voids, double seconds) {
  state.counters["voids"] = double(voids);
  state.counters["us_per_void"] = seconds * 1e6 / double(voids * int64_t(state.iterations()));
}

void BM_InterpolFast(benchmark::State& state, bool wholeTile) {
  TTMesh m;
  TTInterpolRun run;
  run.Threads = int(state.range(0));
  run.Screen = state.range(1) != 0;  // 0: the double sums for every void
  double seconds = 0;
  int64_t voids = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Load(m);
    TCellRect rect = wholeTile ? m.GridRect : Band();
    voids = VoidsIn(m, rect);
    state.ResumeTiming();
    auto t0 = std::chrono::steady_clock::now();
    InterpolNearestNei(m, rect, 70, nullptr, nullptr, 6.0, &run);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  Report(state, voids, seconds);
}
BENCHMARK_CAPTURE(BM_InterpolFast, tile, true)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_InterpolFast, band, false)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole tile at the radii of the dialog's range, every core, whichever
// way of summing the cost estimate picks (counter `transformed`).
void BM_InterpolRadius(benchmark::State& state) {
  TTMesh m;
  TTInterpolRun run;
  double seconds = 0;
  int64_t voids = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Load(m);
    voids = VoidsIn(m, m.GridRect);
    state.ResumeTiming();
    auto t0 = std::chrono::steady_clock::now();
    InterpolNearestNei(m, m.GridRect, int32_t(state.range(0)), nullptr, nullptr, 6.0, &run);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  Report(state, voids, seconds);
  state.counters["transformed"] = run.Transformed;
  state.counters["direct_sums"] = double(run.DirectSums);
}
BENCHMARK(BM_InterpolRadius)
    ->Arg(10)
    ->Arg(70)
    ->Arg(300)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_InterpolPlainBand(benchmark::State& state) {
  TTMesh m;
  int64_t voids = 0;
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Load(m);
    voids = VoidsIn(m, Band());
    state.ResumeTiming();
    auto t0 = std::chrono::steady_clock::now();
    InterpolReference(m, Band(), 70, nullptr, 6.0);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  Report(state, voids, seconds);
}
BENCHMARK(BM_InterpolPlainBand)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_UndoPushWholeGrid(benchmark::State& state) {
  TTMesh m;
  Load(m);
  TTUndoList u(m);
  u.SetLimit(64);
  for (auto _ : state) {
    u.Push(m.GridRect);  // each push drops the previous one (limit)
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 2);
}
BENCHMARK(BM_UndoPushWholeGrid)->Unit(benchmark::kMillisecond);

void BM_UndoWholeGrid(benchmark::State& state) {
  TTMesh m;
  Load(m);
  TTUndoList u(m);
  u.SetLimit(64);
  for (auto _ : state) {
    state.PauseTiming();
    u.Push(m.GridRect);
    state.ResumeTiming();
    u.Undo();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 2);
}
BENCHMARK(BM_UndoWholeGrid)->Unit(benchmark::kMillisecond);

}  // namespace
