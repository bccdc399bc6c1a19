#include "core/edit/fill_voids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <tuple>
#include <utility>

#include "core/edit/fill_delta.h"
#include "core/edit/fill_spline.h"
#include "core/mesh/cell_mask.h"
#include "support/mesh_helpers.h"

namespace {

constexpr int16_t kVoid = -32768;

// A 61 x 61 grid on one degree (samples on the bounds, as an HGT tile).
void MakeSurface(TTMesh& m, const std::function<double(int, int)>& z) {
  MakeMesh(m, 61, 61, 0, kVoid);
  m.MinLat = 10, m.MaxLat = 11, m.MinLon = 20, m.MaxLon = 21, m.RowsPerDeg = m.ColsPerDeg = 60;
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 61; ++x) m.SetCell(x, y, int16_t(std::lround(z(x, y))));
}

void Punch(TTMesh& m, int cx, int cy, double r) {
  for (int y = 0; y < m.Rows; ++y)
    for (int x = 0; x < m.Cols; ++x)
      if (std::hypot(x - cx, y - cy) <= r) m.SetCell(x, y, kVoid);
}

double Relief(int x, int y) { return 500 + 80 * std::sin(x / 7.0) * std::cos(y / 9.0) + 3 * x; }

TEST(FillVoids, SplineReproducesPlaneAndQuadratic) {
  const auto plane = [](int x, int y) { return 100.0 + 3 * x - 2 * y; };
  const struct {
    std::function<double(int, int)> z;
    double tolerance;
  } cases[] = {
      {plane, 0},
      {[](int x, int y) { return 0.05 * (x - 25) * (x - 25) + 0.03 * (y - 35) * (y - 35); }, 1.5},
  };
  for (const auto& c : cases) {
    TTMesh truth, m;
    MakeSurface(truth, c.z), MakeSurface(m, c.z), Punch(m, 30, 30, 12);
    ASSERT_TRUE(FillVoidsSpline(m, m.GridRect, nullptr, {}, nullptr, nullptr));
    for (int64_t i = 0; i < m.Samples.Size(); ++i)
      EXPECT_NEAR(m.Samples[i], truth.Samples[i], c.tolerance) << i;
  }
  TTMesh none;  // no valid cell to fit: the voids stay
  MakeMesh(none, 8, 8, kVoid, kVoid);
  TTFillRun run;
  ASSERT_TRUE(FillVoidsSpline(none, none.GridRect, nullptr, {}, nullptr, &run));
  EXPECT_EQ(std::tuple(run.Filled, none.GetCell(3, 3)), std::tuple(0, kVoid));
  // A group beside data, then one cut off from it, side by side and one
  // above the other: only the second drops out.
  TTSplineGrid g;
  for (bool down : {false, true}) {
    g.Reset(down ? 3 : 10, down ? 10 : 3);
    for (int i = 0; i < 30; ++i) {
      const int along = down ? i / 3 : i % 10;
      g.Kind[size_t(i)] = along < 3 ? kSplineData : along == 5 ? kSplineAbsent : kSplineUnknown;
      g.Value[size_t(i)] = along < 3 ? 50 : 0;
    }
    SolveSplineGrid(g, TTSplineParams{});
    auto middle = [&](int along) { return size_t(down ? along * 3 + 1 : 10 + along); };
    EXPECT_EQ(std::tuple(g.Value[middle(4)], g.Kind[middle(7)]), std::tuple(50.0, kSplineAbsent));
  }
  g.Reset(10, 1);  // a row alone: no term reaches its cells
  for (int x = 0; x < 10; ++x) g.Kind[size_t(x)] = x < 3 ? kSplineData : kSplineUnknown;
  SolveSplineGrid(g, TTSplineParams{});
  EXPECT_EQ(g.Kind[5], kSplineAbsent);
}

// The solver's surface is the energy's minimum, across a grain off the axes
// where u_st couples them: the plain definition's slope at the unknowns is
// near nil next to where they start (the solver stops at a relative residual).
TEST(FillVoids, SplineIsTheMinimumOfItsEnergy) {
  const int n = 12;
  const double c = std::cos(0.6), s = std::sin(0.6), ws = 0.5, wt = 2;
  auto energy = [&](const std::vector<double>& u) {
    double e = 0;
    for (int i = n + 1; i < n * n - n - 1; ++i) {
      if (i % n == 0 || i % n == n - 1) continue;  // the stencils stay on the grid
      const double xx = u[i - 1] - 2 * u[i] + u[i + 1], yy = u[i - n] - 2 * u[i] + u[i + n];
      const double xy = 0.25 * (u[i + n + 1] - u[i + n - 1] - u[i - n + 1] + u[i - n - 1]);
      const double ux = 0.5 * (u[i + 1] - u[i - 1]), uy = 0.5 * (u[i + n] - u[i - n]);
      const double ss = c * c * xx + s * s * yy + 2 * c * s * xy, us = c * ux + s * uy;
      const double tt = s * s * xx + c * c * yy - 2 * c * s * xy, ut = c * uy - s * ux;
      const double st = c * s * (yy - xx) + (c * c - s * s) * xy;
      // Cell (2, 3) is absent: a block that reads it does not count.
      const int dx = std::abs(i % n - 2), dy = std::abs(i / n - 3);
      e += (dx > 1 || dy > 1) * (ws * ws * ss * ss + wt * wt * tt * tt + 2 * ws * wt * st * st) +
           (dx + dy != 1) * (ws * us * us + wt * ut * ut) / 9;  // L = 3
    }
    return e;
  };
  auto slope = [&](const TTSplineGrid& g) {  // squared, over the unknowns
    double sum = 0;
    for (size_t i = 0; i < g.Value.size(); ++i) {
      std::vector<double> up = g.Value, down = g.Value;
      up[i] += 1, down[i] -= 1;
      if (g.Kind[i] == kSplineUnknown) sum += std::pow(energy(up) - energy(down), 2);
    }
    return sum;
  };
  TTSplineGrid g;
  g.Reset(n, n);
  for (int i = 0; i < n * n; ++i) {
    const bool unknown = i / n >= 4 && i / n < 8 && i % n >= 3 && i % n < 9;
    g.Value[size_t(i)] = unknown ? 0 : (i * 37) % 101;
    g.Kind[size_t(i)] = unknown ? kSplineUnknown : i == 3 * n + 2 ? kSplineAbsent : kSplineData;
  }
  const double start = slope(g);
  SolveSplineGrid(g, TTSplineParams{.TensionLength = 3, .Clamp = false}, TTGrain{0.6, 2});
  EXPECT_EQ(std::count(g.Kind.begin(), g.Kind.end(), kSplineUnknown), 24);
  EXPECT_LT(slope(g), 1e-8 * start);
  // A void of 160 x 160 cells, smooth or rough around: the multigrid cycles keep the steps few
  // (and the same on every machine: the data are exact in floating point).
  for (bool rough : {false, true}) {
    g.Reset(180, 180);
    for (int i = 0; i < 180 * 180; ++i) {
      const int x = i % 180, y = i / 180;
      g.Kind[size_t(i)] = x % 170 < 10 || y % 170 < 10 ? kSplineData : kSplineUnknown;
      g.Value[size_t(i)] = 0.004 * x * (y - x) + (x * 37 + y * 101) % 53 * rough;
    }
    EXPECT_EQ(SolveSplineGrid(g, TTSplineParams{}), rough ? 27 : 10);
  }
}

TEST(FillVoids, SplineIsClampedToTheRimRangeWidened) {
  // Slopes rising towards the gap from both sides: the curvature term alone would build a peak far
  // above the rim. Then the same, gaps along rows and columns, with a spike in the rim band's
  // farthest cell that widens the range so far that the peak stays.
  for (int spike : {0, 1, 2}) {
    TTSplineGrid g;
    spike == 2 ? g.Reset(5, 60) : g.Reset(60, 5);
    for (int y = 0; y < g.Height; ++y)
      for (int x = 0; x < g.Width; ++x) {
        const size_t i = size_t(g.Index(x, y)), a = size_t(spike == 2 ? y : x);
        g.Kind[i] = a >= 10 && a < 50 ? kSplineUnknown : kSplineData;
        g.Value[i] = a < 10 ? 10 * a : spike && a == 52 ? 170 : 10 * (59 - a);
      }
    double top[2] = {0, 0};
    for (bool clamp : {false, true}) {
      TTSplineGrid s = g;
      SolveSplineGrid(s, TTSplineParams{.TensionLength = 0, .Clamp = clamp});
      for (size_t i = 0; i < s.Value.size(); ++i)
        if (s.Kind[i] == kSplineUnknown) top[clamp] = std::max(top[clamp], s.Value[i]);
    }
    // Rim band 70..90 (three cells), margin max(10, 20 / 4); with the spike 45..195.
    EXPECT_TRUE(top[0] > 110 && top[1] == (spike ? top[0] : 100)) << top[0] << " " << top[1];
  }
}

TEST(FillVoids, SplineCarriesRidgesAcrossTheVoidAlongTheirGrain) {
  // Parallel ridges 24 cells apart, the steepest slopes at `angle`: the
  // isotropic spline rounds the crest inside the void into a dome.
  for (double angle : {0.0, 0.5, 2.0}) {
    const auto z = [angle](int x, int y) {
      return 500 +
             60 * std::sin((x * std::cos(angle) + y * std::sin(angle)) * std::numbers::pi / 12);
    };
    double rms[2] = {};
    for (double maxAnisotropy : {1.0, 3.0}) {
      TTMesh truth, m;
      MakeSurface(truth, z), MakeSurface(m, z), Punch(m, 30, 30, 10);
      TTSplineParams p{.MaxAnisotropy = maxAnisotropy};
      ASSERT_TRUE(FillVoidsSpline(m, m.GridRect, nullptr, {}, nullptr, nullptr, p));
      double se = 0;
      for (int64_t i = 0; i < m.Samples.Size(); ++i)
        se += std::pow(m.Samples[i] - truth.Samples[i], 2);
      rms[maxAnisotropy > 1] = std::sqrt(se / 317);  // cells of the void
    }
    EXPECT_LT(rms[1], 0.1 * rms[0]) << angle << ": " << rms[0] << " " << rms[1];
  }
}

// Every void of a random grid against the definition: the structure tensor
// of the centred slopes at the valid cells with four valid neighbours within
// the band of one of its cells, plus the rounding's 1/24 per such cell.
TEST(FillVoids, GrainComesFromTheBandAroundEachVoid) {
  TTMesh m;
  MakeMesh(m, 40, 30, 0, kVoid);
  for (uint32_t i = 0, seed = 7; i < 1200; ++i)
    seed = seed * 1103515245u + 12345u,
    m.Samples[i] = (seed >> 8) % 29 == 0 ? kVoid : int16_t((seed >> 16) % 900);
  Punch(m, 12, 12, 3);
  std::vector<bool> wasVoid(1200);
  for (size_t i = 0; i < 1200; ++i) wasVoid[i] = m.Samples[int64_t(i)] == kVoid;
  const auto valid = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < 40 && y < 30 && !wasVoid[size_t(y * 40 + x)];
  };
  const TTSplineParams p{.GrainBand = 3, .MaxAnisotropy = 1e9};
  for (const TTVoidRegion& r : FindVoidRegions(m, m.GridRect, nullptr, {}, nullptr)) {
    double sxx = 0, sxy = 0, syy = 0, n = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        if (std::none_of(r.Cells.begin(), r.Cells.end(),
                         [&](int64_t c) { return abs(c % 40 - x) <= 3 && abs(c / 40 - y) <= 3; }) ||
            !valid(x, y) || !valid(x - 1, y) || !valid(x + 1, y) || !valid(x, y - 1) ||
            !valid(x, y + 1))
          continue;
        const double gx = (m.GetCell(x + 1, y) - m.GetCell(x - 1, y)) / 2.0,
                     gy = (m.GetCell(x, y + 1) - m.GetCell(x, y - 1)) / 2.0;
        sxx += gx * gx, sxy += gx * gy, syy += gy * gy, ++n;
      }
    const double mean = (sxx + syy) / 2 + n / 24, half = std::hypot((sxx - syy) / 2, sxy);
    const TTGrain g = GrainAround(m, wasVoid, TTPlainHeights(m), r, p);
    EXPECT_NEAR(g.Ratio, n > 0 ? std::sqrt((mean + half) / (mean - half)) : 1, 1e-9) << r.Cells[0];
    EXPECT_NEAR(g.Angle, n > 0 ? 0.5 * std::atan2(2 * sxy, sxx - syy) : 0, 1e-9) << r.Cells[0];
  }
  // A diagonal void and a cell two columns past its top, not touching: two voids.
  TTMesh d;
  MakeMesh(d, 6, 5, 100, kVoid), d.SetCell(4, 0, kVoid);
  for (int k = 0; k < 4; ++k) d.SetCell(k, k, kVoid);
  EXPECT_EQ(FindVoidRegions(d, d.GridRect, nullptr, {}, nullptr).size(), 2u);
}

// Voids: a west edge notch (6 cells), a big disk (113 cells), a small hole
// (1), single cells on the east and south edges.
void ThreeVoids(TTMesh& m) {
  MakeSurface(m, Relief);
  for (int x = 0; x < 3; ++x) m.SetCell(x, 5, kVoid), m.SetCell(x, 6, kVoid);
  Punch(m, 40, 40, 6), m.SetCell(15, 45, kVoid), m.SetCell(60, 20, kVoid), m.SetCell(20, 60, kVoid);
}

TEST(FillVoids, OptionsAndSelectionHoldForEveryMethod) {
  TTMesh second;
  MakeSurface(second, [](int x, int y) { return Relief(x, y) + 7; });
  TTCellMask quarter(TCellRect{30, 50, 30, 50});  // the disk's lower right quarter
  for (int y = 40; y <= 50; ++y) quarter.SetSpan(y, 40, 50);
  const struct {
    TTFillOptions options;
    TCellRect rect;
    const TTCellMask* mask;
    int64_t voids, filled;
  } cases[] = {
      {{}, {0, 60, 0, 60}, nullptr, 122, 122},
      {{true, 0}, {0, 60, 0, 60}, nullptr, 122, 114},
      {{false, 100}, {0, 60, 0, 60}, nullptr, 122, 9},
      {{true, 100}, {0, 65, 0, 9999}, nullptr, 122, 1},
      {{}, {-3, 40, -2, 60}, nullptr, 6 + 63 + 1 + 1, 71},  // clipped to the grid
      {{}, {30, 50, 30, 50}, &quarter, 35, 35},
      {{false, 100}, {30, 50, 30, 50}, &quarter, 35, 0},
  };
  for (TFillMethod method : {TFillMethod::Idw, TFillMethod::Spline, TFillMethod::Dem})
    for (const auto& c : cases) {
      TTMesh m;
      ThreeVoids(m);
      const std::vector<int16_t> before = CopySamples(m);
      TTFillRequest q{.Method = method, .SecondModel = &second, .Options = c.options};
      TTFillRun run;
      TProgressRecorder bar;  // left full by an earlier run
      bar.SetPositionPercent(100), bar.bars.clear();
      ASSERT_TRUE(FillVoids(m, c.rect, c.mask, q, &bar, &run));
      // The bar is shown and runs from 0 to full wherever something is filled.
      const bool bar0to100 =
          c.filled == 0 || (bar.shows == 1 && bar.bars.front() == 0 && bar.bars.back() == 100);
      EXPECT_EQ(std::tuple(run.Voids, run.Filled, bar0to100), std::tuple(c.voids, c.filled, true))
          << int(method);
      int64_t changed = 0;
      for (int y = 0; y < m.Rows; ++y)
        for (int x = 0; x < m.Cols; ++x) {
          if (m.GetCell(x, y) == before[size_t(y * m.Cols + x)]) continue;
          ++changed;
          EXPECT_TRUE(InSelection(c.rect, c.mask, x, y)) << x << "," << y;
        }
      EXPECT_EQ(changed, c.filled);
    }
}

TEST(FillVoids, SecondModelWithAnOffsetPlaneIsReproducedExactly) {
  TTMesh truth, m, second;
  MakeSurface(truth, Relief), MakeSurface(m, Relief), Punch(m, 25, 30, 14);
  m.SetCell(10, 5, kVoid);  // on the second model's first column
  // The second model: 40 x 61 samples starting 10 columns east, lower by a tilted plane.
  MakeMesh(second, 40, 61, 0, kVoid);
  second.MinLat = 10, second.MaxLat = 11, second.RowsPerDeg = second.ColsPerDeg = 60;
  second.MinLon = float(20 + 10 / 60.0), second.MaxLon = float(20 + 49 / 60.0);
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 40; ++x)
      second.SetCell(x, y, int16_t(truth.GetCell(x + 10, y) - (7 + (x + 10) - 2 * y)));
  TTFillRun run;
  ASSERT_TRUE(FillVoidsDelta(m, second, m.GridRect, nullptr, {}, nullptr, &run));
  EXPECT_EQ(CopySamples(m), CopySamples(truth));
  // Outside the second model a void stays, even one column beyond it, and so does one of its own.
  m.SetCell(3, 3, kVoid), m.SetCell(50, 3, kVoid), m.SetCell(30, 20, kVoid);
  second.SetCell(20, 20, kVoid);
  EXPECT_TRUE(FillVoidsDelta(m, second, m.GridRect, nullptr, {}, nullptr, &run) && !run.Filled);
}

TEST(FillVoids, SecondModelOfOtherCellsIsSampledAtEachCellsPosition) {
  TTMesh m, second;
  MakeSurface(m, Relief);              // samples on the bounds, 60 per degree
  MakeMesh(second, 30, 30, 0, kVoid);  // the same degree in 30 x 30 cells, samples at their centres
  second.MinLat = 10, second.MaxLat = 11, second.MinLon = 20, second.MaxLon = 21;
  second.RowsPerDeg = second.ColsPerDeg = 30;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) second.SetCell(x, y, int16_t(2 * x + 1 + 2 * (2 * y + 1)));
  // A plane: at mesh cell (x, y) it is x + 2y; the outer half cells have no value.
  double v = 0;
  for (auto [x, y] : {std::pair(1, 1), std::pair(30, 20), std::pair(59, 58)})
    EXPECT_TRUE(SecondModelAt(m, second, x, y, &v) && std::abs(v - (x + 2 * y)) < 1e-9) << x;
  EXPECT_FALSE(SecondModelAt(m, second, 0, 30, &v) || SecondModelAt(m, second, 30, 60, &v) ||
               SecondModelAt(m, second, 60, 30, &v));
  // Cells (1, 1) and (59, 59) are the coarse grid's first and last centres: touching is
  // covering. The last row and column lie beyond its last centres.
  EXPECT_EQ(std::tuple(SecondModelCovers(m, second, {0, 1, 1, 1}),
                       SecondModelCovers(m, second, {59, 60, 59, 60}),
                       SecondModelCovers(m, second, {0, 1, 60, 60}),
                       SecondModelCovers(m, second, {60, 60, 0, 1})),
            std::tuple(true, true, false, false));
  // The other way round, a cell's centre lies on a sample of the finer grid.
  EXPECT_TRUE(SecondModelAt(second, m, 7, 11, &v) && std::abs(v - m.GetCell(15, 23)) < 1e-9) << v;
  second.Samples.Clear();  // a model that failed to load: no value, either way round
  EXPECT_FALSE(SecondModelAt(m, second, 30, 20, &v) || SecondModelAt(second, m, 7, 11, &v));
}

TEST(FillVoids, AbortStopsBeforeTheNextVoidAndNeverWritesTheVoidValue) {
  TProgressRecorder abort;
  abort.abort = true;
  TTMesh m;
  ThreeVoids(m);
  // The inverse-distance fill of all voids, and of those the options admit; the spline fill.
  for (const TTFillRequest& q : {TTFillRequest{}, TTFillRequest{.Options = {false, 100}},
                                 TTFillRequest{.Method = TFillMethod::Spline}}) {
    TTFillRun run;
    ASSERT_TRUE(FillVoids(m, m.GridRect, nullptr, q, &abort, &run));
    EXPECT_TRUE(run.Aborted && run.Filled == 0) << int(q.Method);
  }
  EXPECT_EQ(std::tuple(FilledSample(0.4, 0), FilledSample(-0.4, 0), FilledSample(-40000, kVoid)),
            std::tuple(1, -1, -32767));
}

}  // namespace
