#include "core/edit/interpol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "core/base/cpu_features.h"
#include "core/base/progress.h"
#include "core/edit/interpol_reference.h"
#include "support/mesh_helpers.h"

namespace {

constexpr int16_t kVoid = -32768;

TCellRect RandomRect(int cols, int rows, std::mt19937& rng) {
  auto pick = [&](int n) {
    int a = int(rng() % n), b = int(rng() % n);
    return std::make_pair(std::min(a, b), std::max(a, b));
  };
  auto [l, r] = pick(cols);
  auto [t, b] = pick(rows);
  return TCellRect{l, r, t, b};
}

TEST(Interpol, FastEqualsDefinitionOnRandomMeshes) {
  std::mt19937 rng(20261206);
  const double weights[] = {1.0001, 1.5, 2, 3.25, 6, 13.7, 60, 400, 5000, 1e12};
  for (int round = 0; round < 400; ++round) {
    const int16_t voidValue = round % 3 == 0 ? kVoid : round % 3 == 1 ? 0 : -9999;
    // Every 25th round a larger grid with a radius up to beyond its size.
    const bool large = round % 25 == 7;
    const int side = large ? 140 : 48, cols = 1 + int(rng() % side), rows = 1 + int(rng() % side);
    TTMesh ref, fast;
    MakeMesh(ref, cols, rows, 0, voidValue);
    const int lo = -32767 + int(rng() % 64000), span = int(rng() % 40000);
    for (int64_t i = 0; i < ref.Samples.Size(); ++i) {
      int v = std::min(32767, lo + int(rng() % (span + 1)));
      ref.Samples[i] = int16_t(v == voidValue ? v + 1 : v);
    }
    // Void clusters (discs) and scattered single voids.
    for (int b = int(rng() % 7); b > 0; --b) {
      int cx = int(rng() % cols), cy = int(rng() % rows), rad = int(rng() % 9);
      for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
          if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad) ref.SetCell(x, y, voidValue);
    }
    const unsigned scatter = rng() % 30;
    for (int64_t i = 0; i < ref.Samples.Size(); ++i)
      if (rng() % 100 < scatter) ref.Samples[i] = voidValue;
    MakeMesh(fast, cols, rows, CopySamples(ref)), fast.VoidValue = voidValue;

    const int r = large             ? 40 + int(rng() % 300)
                  : round % 10 == 0 ? 20 + int(rng() % 60)
                                    : 1 + int(rng() % 12);
    const double p = weights[rng() % 10];
    const TCellRect rc = round % 4 == 0 ? ref.GridRect : RandomRect(cols, rows, rng);
    TTCellMask mask;
    const bool useMask = round % 3 != 0;
    if (useMask) {  // bounds may reach beyond the rectangle
      mask.Reset(RandomRect(cols, rows, rng));
      for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) mask.Set(x, y, rng() % 3 != 0);
    }
    InterpolReference(ref, rc, r, useMask ? &mask : nullptr, p);
    ForceLoops(TLoops(round / 7 % 3));  // each kind of screening loop
    TTInterpolRun run{.Threads = 1 + round % 3};
    const TIdwMethod methods[] = {TIdwMethod::Transform, TIdwMethod::Direct, TIdwMethod::Auto};
    run.Method = large ? TIdwMethod::Transform : methods[(round / 3) % 3];
    run.NearRadius = int(round % 5) * 3 - 3;      // by cost, none, 3, 6, 9
    run.MemoryLimit = round % 7 == 1 ? 1000 : 0;  // no room: the direct sums do it all
    ASSERT_TRUE(InterpolNearestNei(fast, rc, r, nullptr, useMask ? &mask : nullptr, p, &run));
    ASSERT_TRUE(run.MemoryLimit == 0 || !run.Transformed);
    ASSERT_EQ(CopySamples(fast), CopySamples(ref))
        << "round " << round << " r " << r << " p " << p << " threads " << run.Threads
        << " transformed " << run.Transformed;
  }
  ForceLoops(TLoops::Widest);
}

// The transform must settle nearly every void by itself (else it is only a slow detour to the
// direct sums), even with steep weights and voids deep inside large holes: weight sums down to
// 1e-20, which the transform settles only with the near disk summed apart, or with the offsets
// nearer than the nearest valid cell left out.
TEST(Interpol, DeepHolesSettleAndMatchTheDefinition) {
  std::mt19937 rng(3);
  // A near disk of radius 40 covers whole words of 64 cells of the void mask; rows end on one.
  for (const auto& [r, p, nearRadius] :
       {std::tuple{90, 6.0, 8}, {140, 6.0, 0}, {60, 13.7, 8}, {140, 13.7, 0}, {60, 13.7, 40}}) {
    TTMesh a, ref;
    MakeMesh(a, 128, 68, 0, kVoid);
    for (int y = 0; y < 68; ++y)
      for (int x = 0; x < 128; ++x)
        a.SetCell(x, y, int16_t(1500 + 900 * std::sin(x * 0.05 + y * 0.03) + rng() % 9));
    for (int h = 0; h < 3; ++h) {
      const int cx = int(rng() % 128), cy = int(rng() % 68), rad = 14 + int(rng() % 10);
      for (int y = 0; y < 68; ++y)
        for (int x = 0; x < 128; ++x)
          if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad) a.SetCell(x, y, kVoid);
    }
    MakeMesh(ref, 128, 68, CopySamples(a)), ref.VoidValue = kVoid;
    // Half of them on a selection away from the grid's first row and column.
    const TCellRect rc = r == 90 ? a.GridRect : TCellRect{3, 125, 5, 64};
    InterpolReference(ref, rc, r, nullptr, p);
    TTInterpolRun run{.Method = TIdwMethod::Transform, .NearRadius = nearRadius};
    run.MemoryLimit = int64_t(1) << 28;  // a small grid's own share is too little
    TProgressRecorder progress;          // moving in the transform's stages and the passes after
    ASSERT_TRUE(InterpolNearestNei(a, rc, r, &progress, nullptr, p, &run));
    EXPECT_TRUE(std::ranges::is_sorted(progress.bars) && progress.bars.at(1) < 50 &&
                progress.bars.back() == 100 && run.Transformed && run.DirectSums * 10 < run.Voids)
        << r << " " << run.DirectSums << " of " << run.Voids;
    EXPECT_EQ(CopySamples(a), CopySamples(ref)) << "r " << r << " p " << p;
  }
}

// Voids whose only valid cells lie on the disk's rim (data in one row and column, the rest void),
// on a selection beyond the radius from the grid's edge: the far voids' passes keep the kernel's
// last row and column, place sums by the selection and see the first row and column they read.
TEST(Interpol, FarVoidsReachTheRimOfTheDisk) {
  const TCellRect sel{61, 128, 61, 128};
  for (int side : {129, 60, 1}) {  // the data south and east, north and west, then at the radius
    TTMesh a, ref;
    MakeMesh(a, 130, 130, kVoid, kVoid);
    for (int i = 0; i < 130; ++i) a.SetCell(i, side, int16_t(500 - i)), a.SetCell(side, i, 100);
    MakeMesh(ref, 130, 130, CopySamples(a)), ref.VoidValue = kVoid;
    InterpolReference(ref, sel, 60, nullptr, 13.7);
    TTInterpolRun run{.Method = TIdwMethod::Transform, .MemoryLimit = 1 << 28, .NearRadius = 0};
    ASSERT_TRUE(InterpolNearestNei(a, sel, 60, nullptr, nullptr, 13.7, &run));
    EXPECT_EQ(CopySamples(a), CopySamples(ref)) << side;
  }
  TTMesh e;  // one row, its data at the east end: the distances come from the east too
  MakeMesh(e, 40, 1, kVoid, kVoid), e.SetCell(39, 0, 100);
  TTInterpolRun run{.Method = TIdwMethod::Transform, .MemoryLimit = 1 << 28, .NearRadius = 0};
  ASSERT_TRUE(InterpolNearestNei(e, e.GridRect, 50, nullptr, nullptr, 13.7, &run));
  EXPECT_EQ(CopySamples(e), std::vector<int16_t>(40, 100));
}

TEST(Interpol, UniformSurroundingGivesExactlyThatValue) {
  std::mt19937 rng(7);
  std::vector<int> values = {-32767, -32766, -1000, -7, -3, -1, 1, 3, 7, 99, 1000, 32766, 32767};
  for (int i = 0; i < 60; ++i) values.push_back(int(rng() % 65535) - 32767);
  const double weights[] = {1.01, 1.3, 2, 2.7, 6, 9.99, 31, 700};
  for (size_t i = 0; i < values.size(); ++i) {
    const int16_t v = int16_t(values[i]);
    const int r = 1 + int(i % 9) * 7, n = 2 * r + 7;
    const double p = weights[i % 8];
    TTMesh m;
    MakeMesh(m, n, n, v, kVoid);
    for (int y = 0; y < n; ++y)  // a diamond of voids, and a lone void
      for (int x = 0; x < n; ++x)
        if (std::abs(x - n / 2) + std::abs(y - n / 2) <= r / 2) m.SetCell(x, y, kVoid);
    m.SetCell(1, n - 2, kVoid);
    ASSERT_TRUE(InterpolNearestNei(m, m.GridRect, r, nullptr, nullptr, p));
    for (int64_t k = 0; k < m.Samples.Size(); ++k)
      ASSERT_EQ(m.Samples[k], v) << "r " << r << " p " << p << " cell " << k;
  }
}

TEST(Interpol, WorkedExamples) {
  TTMesh m;
  for (int sign : {1, -1}) {  // Trunc(+-(100/2 + 200/5) / (1/2 + 1/5)) = +-128, towards zero
    MakeMesh(m, 5, 1, {kVoid, int16_t(sign * 100), kVoid, kVoid, int16_t(sign * 200)});
    m.VoidValue = kVoid;
    ASSERT_TRUE(InterpolNearestNei(m, TCellRect{2, 2, 0, 0}, 2, nullptr, nullptr, 2.0));
    EXPECT_EQ(std::tuple(m.GetCell(2, 0), m.GetCell(0, 0)), std::tuple(sign * 128, kVoid));
  }

  // A hole outside the rectangle pulls nothing; a void with no valid cell
  // within the radius stays void; a rectangle past the east edge of rows of
  // whole 64-cell words ends there, before the next row's first cell.
  MakeMesh(m, 64, 2, 50, kVoid);
  for (int x : {0, 1, 2, 3, 5, 64, 65, 66}) m.SetCell(x % 64, x / 64, kVoid);
  TTInterpolRun run;
  ASSERT_TRUE(InterpolNearestNei(m, TCellRect{1, 99, 0, 0}, 1, nullptr, nullptr, 6, &run));
  EXPECT_EQ(std::tuple(m.GetCell(5, 0), m.GetCell(3, 0), m.GetCell(2, 0), m.GetCell(0, 1)),
            std::tuple(50, 50, kVoid, kVoid));
  EXPECT_EQ(std::tuple(run.Voids, run.Filled, run.DirectSums), std::tuple(4, 2, 4));

  // Weights so steep that all underflow: the nearest neighbours decide.
  MakeMesh(m, 7, 1, {10, kVoid, kVoid, kVoid, kVoid, 20, 30});
  ASSERT_TRUE(InterpolNearestNei(m, TCellRect{3, 3, 0, 0}, 3, nullptr, nullptr, 1e6));
  EXPECT_EQ(m.GetCell(3, 0), 20);
  m.SetCell(5, 0, kVoid), m.SetCell(3, 0, kVoid);
  ASSERT_TRUE(InterpolNearestNei(m, m.GridRect, 3, nullptr, nullptr, INFINITY));
  EXPECT_EQ(m.GetCell(3, 0), 20);  // 10 and 30, both at distance 3
}

TEST(Interpol, ProgressOnTheCallingThreadAndAbortAtARowBoundary) {
  TTMesh m;
  MakeMesh(m, 30, 40, 77, kVoid);
  for (int y = 0; y < 40; ++y)
    for (int x = 5; x < 8; ++x) m.SetCell(x, y, kVoid);
  TTCellMask mask(TCellRect{0, 6, 0, 39});  // column 7 left out
  for (int y = 0; y < 40; ++y) mask.SetSpan(y, 0, 6);
  for (int threads : {1, 2, 4}) {
    TTMesh t;
    MakeMesh(t, 30, 40, CopySamples(m)), t.VoidValue = kVoid;
    TProgressRecorder progress;
    TTInterpolRun run{.Threads = threads};
    ASSERT_TRUE(InterpolNearestNei(t, t.GridRect, 4, &progress, &mask, 6, &run));
    EXPECT_TRUE(!progress.foreign && progress.pumps >= 40 && progress.shows == 1 &&
                !progress.visible)
        << progress.pumps;
    // Masked-out voids count too.
    EXPECT_EQ(std::tuple(progress.bars.front(), progress.bars.back()), std::tuple(0, 100));
    EXPECT_EQ(std::tuple(run.Voids, run.Filled, run.Percent), std::tuple(80, 80, 100));
    EXPECT_EQ(t.GetCell(7, 20), kVoid);
  }
  TProgressRecorder progress;       // Esc at the 11th row: ten rows done
  TTInterpolRun run{.Threads = 1};  // first, columns without voids: done at once
  ASSERT_TRUE(InterpolNearestNei(m, {10, 29, 0, 39}, 4, nullptr, nullptr, 6, &run) &&
              run.Percent == 100);
  progress.abortAfter = 10;
  ASSERT_TRUE(InterpolNearestNei(m, m.GridRect, 4, &progress, nullptr, 6, &run));
  EXPECT_TRUE(run.Aborted && run.Filled == 10 * 3) << run.Filled;
  EXPECT_TRUE(run.Percent > 0 && run.Percent < 100) << run.Percent;
  EXPECT_EQ(std::tuple(m.GetCell(6, 9), m.GetCell(6, 10)), std::tuple(77, kVoid));
  for (int abortAfter : {0, 2}) {  // with workers: finished rows are whole
    MakeMesh(m, 30, 400, 77, kVoid);
    for (int y = 0; y < 400; ++y) m.SetCell(9, y, kVoid);
    TProgressRecorder p2;
    p2.abortAfter = abortAfter, run.Threads = 2;
    ASSERT_TRUE(InterpolNearestNei(m, m.GridRect, 4, &p2, nullptr, 6, &run) && run.Aborted);
    int64_t filled = 0;
    for (int y = 0; y < 400; ++y) filled += m.GetCell(9, y) == 77;
    EXPECT_TRUE(filled == run.Filled && (abortAfter > 0 || filled == 0)) << filled;
  }
  // A row that takes longer than the window's 50 ms wait is no Esc.
  MakeMesh(m, 3601, 1201, 77, kVoid);
  for (int x = 0; x < 3601; ++x) m.SetCell(x, 600, kVoid);
  progress.abortAfter = -1, run.Method = TIdwMethod::Direct;
  ASSERT_TRUE(InterpolNearestNei(m, m.GridRect, 600, &progress, nullptr, 2, &run));
  EXPECT_TRUE(!run.Aborted && run.Filled == 3601) << run.Filled;
}

}  // namespace
