#include "core/edit/fill_spline.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "core/base/progress.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

namespace {

// The differences of the energy at an anchor cell, in two blocks: the
// second ones (u_xx, u_yy, u_xy) on the 3 x 3 cells around it and the first
// ones (u_x, u_y) on its four neighbours. Each cell the block reads, with
// its coefficient in each difference.
struct TBlock {
  int cells = 0, dims = 0;
  int dx[9] = {}, dy[9] = {};
  double coef[9][3] = {};
};

constexpr TBlock kSecond = {9,
                            3,
                            {-1, 0, 1, -1, 0, 1, -1, 0, 1},
                            {-1, -1, -1, 0, 0, 0, 1, 1, 1},
                            {{0, 0, 0.25},
                             {0, 1, 0},
                             {0, 0, -0.25},
                             {1, 0, 0},
                             {-2, -2, 0},
                             {1, 0, 0},
                             {0, 0, -0.25},
                             {0, 1, 0},
                             {0, 0, 0.25}}};
constexpr TBlock kFirst = {
    4, 2, {0, -1, 1, 0}, {-1, 0, 0, 1}, {{0, -0.5}, {-0.5, 0}, {0.5, 0}, {0, 0.5}}};
constexpr int kBlocks = 2;
constexpr const TBlock* kBlockShapes[kBlocks] = {&kSecond, &kFirst};

// A level with at most this many unknowns (or no side longer than this) is
// the coarsest of the multigrid hierarchy. The solution stops at this
// residual relative to the right-hand side: far below a metre.
constexpr int64_t kCoarseUnknowns = 256;
constexpr int32_t kCoarseSide = 16;
constexpr double kRelativeResidual = 1e-5;
constexpr int kMaxIterations = 1000;

struct TAnchor {
  int64_t index;
  uint8_t blocks;  // bit k: block k is part of the energy
};

// The quadratic energy over one grid at one spacing, as the linear system of
// its minimum: A u = b over the unknowns. Per anchor and block the energy is
// d^T Q d over the block's differences d; Q weighs the derivatives across
// (s) and along (t) the grain:
//   w_s^2 u_ss^2 + w_t^2 u_tt^2 + 2 w_s w_t u_st^2 + (w_s u_s^2 + w_t u_t^2) / L^2
// with w_s = 1 / Ratio and w_t = Ratio (the squared scales of s and t).
class TSystem {
 public:
  TSystem(const TTSplineGrid& g, double spacing, double tensionLength, const TTGrain& grain)
      : g_(g) {
    const double c = std::cos(grain.Angle), sn = std::sin(grain.Angle);
    const double ws = 1 / grain.Ratio, wt = grain.Ratio;
    // Rows: u_ss, u_tt, u_st from (u_xx, u_yy, u_xy); u_s, u_t from (u_x, u_y).
    const double second[3][3] = {{c * c, sn * sn, 2 * c * sn},
                                 {sn * sn, c * c, -2 * c * sn},
                                 {-c * sn, c * sn, c * c - sn * sn}};
    const double secondWeight[3] = {ws * ws, wt * wt, 2 * ws * wt};
    const double first[2][2] = {{c, sn}, {-sn, c}};
    const double firstWeight[2] = {ws, wt};
    const double h2 = spacing * spacing;
    const double tension = tensionLength > 0 ? 1.0 / (tensionLength * tensionLength) : 0.0;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int r = 0; r < 3; ++r)
          q_[0][i][j] += second[r][i] * secondWeight[r] * second[r][j] / h2;
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j)
        for (int r = 0; r < 2; ++r)
          q_[1][i][j] += first[r][i] * firstWeight[r] * first[r][j] * tension;
    for (int k = 0; k < kBlocks; ++k) {
      const TBlock& s = *kBlockShapes[k];
      for (int j = 0; j < s.cells; ++j) {
        offset_[k][j] = int64_t(s.dy[j]) * g.Width + s.dx[j];
        for (int d = 0; d < s.dims; ++d)
          for (int e = 0; e < s.dims; ++e) diag_[k][j] += s.coef[j][d] * q_[k][d][e] * s.coef[j][e];
      }
    }
    const bool used[kBlocks] = {true, tension > 0};
    for (int32_t y = 0; y < g.Height; ++y)
      for (int32_t x = 0; x < g.Width; ++x) {
        uint8_t bits = 0;
        for (int k = 0; k < kBlocks; ++k)
          if (used[k] && Active(x, y, *kBlockShapes[k])) bits |= uint8_t(1u << k);
        if (bits) anchors_.push_back({g.Index(x, y), bits});
      }
  }

  // out = A v at the unknowns (v is read everywhere: data cells included
  // give the gradient of the energy at v). Written out for the two blocks:
  // this loop is nearly all of the solver's time.
  void Apply(const std::vector<double>& v, std::vector<double>& out) const {
    const int64_t w = g_.Width;
    const double(&q)[3][3] = q_[0];
    const double(&p)[3][3] = q_[1];
    for (const TAnchor& a : anchors_) {
      const double* u = &v[size_t(a.index)];
      double* o = &out[size_t(a.index)];
      const uint8_t* kind = &g_.Kind[size_t(a.index)];
      auto add = [&](int64_t at, double value) {
        if (kind[at] == kSplineUnknown) o[at] += value;
      };
      if (a.blocks & 1) {
        const double xx = u[-1] - 2 * u[0] + u[1], yy = u[-w] - 2 * u[0] + u[w];
        const double xy = 0.25 * (u[w + 1] - u[w - 1] - u[-w + 1] + u[-w - 1]);
        const double ex = q[0][0] * xx + q[0][1] * yy + q[0][2] * xy;
        const double ey = q[1][0] * xx + q[1][1] * yy + q[1][2] * xy;
        const double exy = 0.25 * (q[2][0] * xx + q[2][1] * yy + q[2][2] * xy);
        add(-w - 1, exy);
        add(-w, ey);
        add(-w + 1, -exy);
        add(-1, ex);
        add(0, -2 * (ex + ey));
        add(1, ex);
        add(w - 1, -exy);
        add(w, ey);
        add(w + 1, exy);
      }
      if (a.blocks & 2) {
        const double x = 0.5 * (u[1] - u[-1]), y = 0.5 * (u[w] - u[-w]);
        const double ex = 0.5 * (p[0][0] * x + p[0][1] * y), ey = 0.5 * (p[1][0] * x + p[1][1] * y);
        add(-1, -ex);
        add(1, ex);
        add(-w, -ey);
        add(w, ey);
      }
    }
  }

  void Diagonal(std::vector<double>& diag) const {
    for (const TAnchor& a : anchors_)
      for (int k = 0; k < kBlocks; ++k) {
        if (!(a.blocks & (1u << k))) continue;
        for (int j = 0; j < kBlockShapes[k]->cells; ++j) {
          const size_t i = size_t(a.index + offset_[k][j]);
          if (g_.Kind[i] == kSplineUnknown) diag[i] += diag_[k][j];
        }
      }
  }

 private:
  // A block counts when all its cells are in the window, none is absent and
  // at least one is wanted.
  bool Active(int32_t x, int32_t y, const TBlock& s) const {
    bool wanted = false;
    for (int j = 0; j < s.cells; ++j) {
      const int32_t cx = x + s.dx[j], cy = y + s.dy[j];
      if (cx < 0 || cy < 0 || cx >= g_.Width || cy >= g_.Height) return false;
      const uint8_t kind = g_.Kind[size_t(g_.Index(cx, cy))];
      if (kind == kSplineAbsent) return false;
      wanted = wanted || kind == kSplineUnknown;
    }
    return wanted;
  }

  const TTSplineGrid& g_;
  double q_[kBlocks][3][3] = {};
  double diag_[kBlocks][9] = {};
  int64_t offset_[kBlocks][9] = {};
  std::vector<TAnchor> anchors_;
};

// Groups of unknown cells (8-connected) with no data cell beside them have
// nothing to be fitted to: they become absent.
void DropUnreachable(TTSplineGrid& g) {
  std::vector<uint8_t> seen(g.Kind.size(), 0);
  std::vector<int64_t> group, stack;
  for (int64_t start = 0; start < int64_t(g.Kind.size()); ++start) {
    if (g.Kind[size_t(start)] != kSplineUnknown || seen[size_t(start)]) continue;
    bool reached = false;
    group.clear();
    stack.assign(1, start);
    seen[size_t(start)] = 1;
    while (!stack.empty()) {
      const int64_t i = stack.back();
      stack.pop_back();
      group.push_back(i);
      const int32_t x = int32_t(i % g.Width), y = int32_t(i / g.Width);
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, g.Height - 1); ++ny)
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, g.Width - 1); ++nx) {
          const size_t n = size_t(g.Index(nx, ny));
          if (g.Kind[n] == kSplineData) reached = true;
          if (g.Kind[n] == kSplineUnknown && !seen[n]) {
            seen[n] = 1;
            stack.push_back(int64_t(n));
          }
        }
    }
    if (!reached)
      for (int64_t i : group) g.Kind[size_t(i)] = kSplineAbsent;
  }
}

double DataMean(const TTSplineGrid& g) {
  double sum = 0;
  int64_t n = 0;
  for (size_t i = 0; i < g.Kind.size(); ++i)
    if (g.Kind[i] == kSplineData) {
      sum += g.Value[i];
      ++n;
    }
  return n ? sum / double(n) : 0.0;
}

// One level of the multigrid hierarchy. Level 0 is the caller's grid; each
// coarser one takes every other cell, with the kind of the finer cell at its
// place, so that the void's rim lies where it lies on the finer grid (a
// coarse void grown to cover every fine cell near it made the correction
// miss the rim, and the steps grew with the void). On the coarse levels the
// unknowns are corrections, fixed at zero on data cells.
struct TLevel {
  TTSplineGrid own;  // coarse levels only
  TTSplineGrid* grid = nullptr;
  std::unique_ptr<TSystem> system;
  std::vector<double> diag;
  std::vector<int64_t> unknowns;
};

void Prepare(TLevel& l, double spacing, double tensionLength, const TTGrain& grain) {
  TTSplineGrid& g = *l.grid;
  l.system = std::make_unique<TSystem>(g, spacing, tensionLength, grain);
  l.diag.assign(g.Value.size(), 0.0);
  l.system->Diagonal(l.diag);
  l.unknowns.clear();
  for (int64_t i = 0; i < int64_t(g.Kind.size()); ++i) {
    if (g.Kind[size_t(i)] != kSplineUnknown) continue;
    if (l.diag[size_t(i)] > 0) {
      l.unknowns.push_back(i);
    } else {
      // No term reads it: it cannot be determined.
      g.Kind[size_t(i)] = kSplineAbsent;
    }
  }
}

void Coarsen(const TTSplineGrid& f, TTSplineGrid& c) {
  c.Reset((f.Width + 2) / 2, (f.Height + 2) / 2);
  for (int32_t cy = 0; cy < c.Height; ++cy)
    for (int32_t cx = 0; cx < c.Width; ++cx) {
      const size_t ci = size_t(c.Index(cx, cy));
      const bool wanted = 2 * cx < f.Width && 2 * cy < f.Height &&
                          f.Kind[size_t(f.Index(2 * cx, 2 * cy))] == kSplineUnknown;
      if (wanted) {
        c.Kind[ci] = kSplineUnknown;
      } else if (2 * cx < f.Width && 2 * cy < f.Height &&
                 f.Kind[size_t(f.Index(2 * cx, 2 * cy))] != kSplineAbsent) {
        c.Kind[ci] = kSplineData;
      }
    }
}

// Bilinear weights from the coarse cells around fine cell (x, y): fine cell
// x lies at coarse position x / 2.
template <typename Visit>
void ForParents(const TTSplineGrid& c, int32_t x, int32_t y, Visit visit) {
  const int32_t x0 = x / 2, y0 = y / 2;
  const double tx = (x & 1) ? 0.5 : 0.0, ty = (y & 1) ? 0.5 : 0.0;
  for (int j = 0; j < 4; ++j) {
    const int32_t cx = x0 + (j & 1), cy = y0 + (j >> 1);
    const double w = ((j & 1) ? tx : 1 - tx) * ((j >> 1) ? ty : 1 - ty);
    if (w == 0 || cx >= c.Width || cy >= c.Height) continue;
    const size_t ci = size_t(c.Index(cx, cy));
    if (c.Kind[ci] == kSplineUnknown) visit(ci, w);
  }
}

double Dot(const std::vector<int64_t>& idx, const std::vector<double>& a,
           const std::vector<double>& b) {
  double s = 0;
  for (int64_t i : idx) s += a[size_t(i)] * b[size_t(i)];
  return s;
}

// Residual out = f - A e over the unknowns (e zero elsewhere).
void Residual(const TLevel& l, const std::vector<double>& f, const std::vector<double>& e,
              std::vector<double>& out) {
  for (int64_t i : l.unknowns) out[size_t(i)] = 0;
  l.system->Apply(e, out);
  for (int64_t i : l.unknowns) out[size_t(i)] = f[size_t(i)] - out[size_t(i)];
}

constexpr int kSweeps = 8;
constexpr double kDamping = 0.45;

// e = M^-1 f: one symmetric V-cycle (damped Jacobi before and after the
// coarse correction), the coarsest level solved by conjugate gradients.
void VCycle(std::vector<std::unique_ptr<TLevel>>& levels, size_t k, const std::vector<double>& f,
            std::vector<double>& e);

int ConjugateGradients(std::vector<std::unique_ptr<TLevel>>& levels, size_t k,
                       const std::vector<double>& f, std::vector<double>& x, double relative,
                       int maxIterations) {
  TLevel& l = *levels[k];
  const bool multigrid = k + 1 < levels.size();
  std::vector<double> r(x.size(), 0.0);
  std::vector<double> z = r, p = r, q = r;
  Residual(l, f, x, r);
  const double stop = relative * relative * std::max(Dot(l.unknowns, f, f), 1e-300);
  auto precondition = [&]() {
    if (multigrid) {
      VCycle(levels, k, r, z);
    } else {
      for (int64_t i : l.unknowns) z[size_t(i)] = r[size_t(i)] / l.diag[size_t(i)];
    }
  };
  precondition();
  for (int64_t i : l.unknowns) p[size_t(i)] = z[size_t(i)];
  double rz = Dot(l.unknowns, r, z);
  int it = 0;
  for (; it < maxIterations && Dot(l.unknowns, r, r) > stop; ++it) {
    for (int64_t i : l.unknowns) q[size_t(i)] = 0;
    l.system->Apply(p, q);
    const double pq = Dot(l.unknowns, p, q);
    if (!(pq > 0)) break;
    const double alpha = rz / pq;
    for (int64_t i : l.unknowns) {
      x[size_t(i)] += alpha * p[size_t(i)];
      r[size_t(i)] -= alpha * q[size_t(i)];
    }
    precondition();
    const double rzNext = Dot(l.unknowns, r, z);
    const double beta = rzNext / rz;
    rz = rzNext;
    for (int64_t i : l.unknowns) p[size_t(i)] = z[size_t(i)] + beta * p[size_t(i)];
  }
  return it;
}

void VCycle(std::vector<std::unique_ptr<TLevel>>& levels, size_t k, const std::vector<double>& f,
            std::vector<double>& e) {
  TLevel& l = *levels[k];
  const size_t n = l.grid->Value.size();
  std::fill(e.begin(), e.end(), 0.0);
  if (k + 1 == levels.size()) {
    ConjugateGradients(levels, k, f, e, 1e-6, 500);
    return;
  }
  std::vector<double> r(n, 0.0);
  auto smooth = [&]() {
    for (int s = 0; s < kSweeps; ++s) {
      Residual(l, f, e, r);
      for (int64_t i : l.unknowns) e[size_t(i)] += kDamping * r[size_t(i)] / l.diag[size_t(i)];
    }
  };
  smooth();
  Residual(l, f, e, r);
  TLevel& c = *levels[k + 1];
  const TTSplineGrid& fg = *l.grid;
  std::vector<double> fc(c.grid->Value.size(), 0.0), ec(c.grid->Value.size(), 0.0);
  for (int64_t i : l.unknowns)
    ForParents(*c.grid, int32_t(i % fg.Width), int32_t(i / fg.Width),
               [&](size_t ci, double w) { fc[ci] += w * r[size_t(i)]; });
  VCycle(levels, k + 1, fc, ec);
  for (int64_t i : l.unknowns)
    ForParents(*c.grid, int32_t(i % fg.Width), int32_t(i / fg.Width),
               [&](size_t ci, double w) { e[size_t(i)] += w * ec[ci]; });
  smooth();
}

// Conjugate gradients on the grid's own level, preconditioned by multigrid
// V-cycles when the void is large, from the mean of the data. Returns the
// steps taken on that level.
int SolveLevels(TTSplineGrid& g, double tensionLength, const TTGrain& grain, double spacing = 1.0);

// The start for a large void: the same problem on every other cell (data
// in their exact places), solved the same way, bilinear in between. The
// multigrid steps then only have the fine detail left to do.
void StartFromCoarse(const TTSplineGrid& g, double tensionLength, const TTGrain& grain,
                     double spacing, double mean, const std::vector<int64_t>& unknowns,
                     std::vector<double>& x) {
  TTSplineGrid c;
  c.Reset((g.Width + 1) / 2, (g.Height + 1) / 2);
  for (int32_t cy = 0; cy < c.Height; ++cy)
    for (int32_t cx = 0; cx < c.Width; ++cx) {
      const size_t i = size_t(g.Index(2 * cx, 2 * cy)), ci = size_t(c.Index(cx, cy));
      c.Kind[ci] = g.Kind[i];
      c.Value[ci] = g.Value[i];
    }
  SolveLevels(c, tensionLength, grain, 2 * spacing);
  for (int64_t i : unknowns) {
    const int32_t x0 = int32_t(i % g.Width), y0 = int32_t(i / g.Width);
    double sum = 0, wsum = 0;
    for (int j = 0; j < 4; ++j) {
      const int32_t cx = x0 / 2 + (j & 1), cy = y0 / 2 + (j >> 1);
      const double w = ((j & 1) ? (x0 & 1) * 0.5 : 1 - (x0 & 1) * 0.5) *
                       ((j >> 1) ? (y0 & 1) * 0.5 : 1 - (y0 & 1) * 0.5);
      if (w == 0 || cx >= c.Width || cy >= c.Height) continue;
      const size_t ci = size_t(c.Index(cx, cy));
      if (c.Kind[ci] == kSplineAbsent) continue;
      sum += w * c.Value[ci];
      wsum += w;
    }
    x[size_t(i)] = wsum > 0 ? sum / wsum - mean : 0.0;
  }
}

int SolveLevels(TTSplineGrid& g, double tensionLength, const TTGrain& grain, double spacing) {
  DropUnreachable(g);
  std::vector<std::unique_ptr<TLevel>> levels;
  levels.push_back(std::make_unique<TLevel>());
  levels[0]->grid = &g;
  Prepare(*levels[0], spacing, tensionLength, grain);
  if (levels[0]->unknowns.empty()) return 0;
  const double fineSpacing = spacing;
  while (levels.back()->unknowns.size() > size_t(kCoarseUnknowns) &&
         (levels.back()->grid->Width > kCoarseSide || levels.back()->grid->Height > kCoarseSide)) {
    auto c = std::make_unique<TLevel>();
    Coarsen(*levels.back()->grid, c->own);
    c->grid = &c->own;
    spacing *= 2;
    Prepare(*c, spacing, tensionLength, grain);
    if (c->unknowns.empty()) break;
    levels.push_back(std::move(c));
  }
  // Solved for the departure from the mean: the right-hand side carries the
  // data, the unknowns start at zero.
  const double mean = DataMean(g);
  std::vector<double> u(g.Value.size(), 0.0), b(g.Value.size(), 0.0);
  for (size_t i = 0; i < g.Kind.size(); ++i)
    if (g.Kind[i] == kSplineData) u[i] = g.Value[i] - mean;
  levels[0]->system->Apply(u, b);
  for (int64_t i : levels[0]->unknowns) b[size_t(i)] = -b[size_t(i)];
  std::vector<double> x(g.Value.size(), 0.0);
  if (levels.size() > 1)
    StartFromCoarse(g, tensionLength, grain, fineSpacing, mean, levels[0]->unknowns, x);
  const int steps = ConjugateGradients(levels, 0, b, x, kRelativeResidual, kMaxIterations);
  for (int64_t i : levels[0]->unknowns) g.Value[size_t(i)] = mean + x[size_t(i)];
  return steps;
}

// Keeps the unknowns within the range of the data near them, widened.
void ClampToBand(TTSplineGrid& g, const TTSplineParams& params) {
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  std::vector<uint8_t> band(g.Kind.size(), 0);
  const int32_t b = params.ClampBand;
  for (int32_t y = 0; y < g.Height; ++y)
    for (int32_t x = 0; x < g.Width; ++x) {
      if (g.Kind[size_t(g.Index(x, y))] != kSplineUnknown) continue;
      for (int32_t ny = std::max(y - b, 0); ny <= std::min(y + b, g.Height - 1); ++ny)
        for (int32_t nx = std::max(x - b, 0); nx <= std::min(x + b, g.Width - 1); ++nx) {
          const size_t i = size_t(g.Index(nx, ny));
          if (g.Kind[i] != kSplineData || band[i]) continue;
          band[i] = 1;
          lo = std::min(lo, g.Value[i]);
          hi = std::max(hi, g.Value[i]);
        }
    }
  if (lo > hi) return;
  const double margin = std::max(params.ClampMarginMin, params.ClampMarginFraction * (hi - lo));
  for (size_t i = 0; i < g.Kind.size(); ++i)
    if (g.Kind[i] == kSplineUnknown) g.Value[i] = std::clamp(g.Value[i], lo - margin, hi + margin);
}

// The grain from the slopes (centred differences) at the cells where `value`
// is valid with its four neighbours; `near` (may be null) restricts the
// cells. Rounding heights to the metre adds slopes of variance 1/24 in
// every direction, which keeps flat or nearly flat ground isotropic.
TTGrain EstimateGrain(int32_t width, int32_t height, const std::vector<double>& value,
                      const std::vector<uint8_t>& valid, const std::vector<uint8_t>* near,
                      double maxRatio) {
  double sxx = 0, sxy = 0, syy = 0;
  int64_t n = 0;
  const size_t row = size_t(width);
  for (int32_t y = 1; y + 1 < height; ++y)
    for (int32_t x = 1; x + 1 < width; ++x) {
      const size_t i = size_t(int64_t(y) * width + x);
      if ((near && !(*near)[i]) || !valid[i] || !valid[i - 1] || !valid[i + 1] || !valid[i - row] ||
          !valid[i + row])
        continue;
      const double gx = (value[i + 1] - value[i - 1]) / 2,
                   gy = (value[i + row] - value[i - row]) / 2;
      sxx += gx * gx;
      sxy += gx * gy;
      syy += gy * gy;
      ++n;
    }
  TTGrain g;
  if (n == 0) return g;
  const double noise = double(n) / 24, mean = (sxx + syy) / 2;
  const double half = std::hypot((sxx - syy) / 2, sxy);
  g.Angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
  g.Ratio =
      std::min(std::sqrt((mean + half + noise) / (mean - half + noise)), std::max(maxRatio, 1.0));
  return g;
}

}  // namespace

// Within params.GrainBand cells in x and in y: wide enough to see the ridges
// and valleys that run into the void, not the ones of the next valley.
TTGrain GrainAround(const TTMesh& mesh, const std::vector<bool>& wasVoid,
                    const TTSplineField& field, const TTVoidRegion& region,
                    const TTSplineParams& params) {
  const int32_t b = std::max(params.GrainBand, 1);
  const int32_t left = std::max(region.Bounds.Left - b - 1, 0);
  const int32_t top = std::max(region.Bounds.Top - b - 1, 0);
  const int32_t right = std::min(region.Bounds.Right + b + 1, mesh.Cols - 1);
  const int32_t bottom = std::min(region.Bounds.Bottom + b + 1, mesh.Rows - 1);
  const int32_t w = right - left + 1, h = bottom - top + 1;
  const size_t size = size_t(int64_t(w) * h);
  std::vector<double> value(size, 0.0);
  std::vector<uint8_t> valid(size, 0), cell(size, 0), rows(size, 0), near(size, 0);
  for (int32_t y = top; y <= bottom; ++y)
    for (int32_t x = left; x <= right; ++x) {
      const size_t i = size_t(int64_t(y - top) * w + (x - left));
      if (!wasVoid[size_t(int64_t(y) * mesh.Cols + x)] && field.Data(x, y, &value[i])) valid[i] = 1;
    }
  for (int64_t c : region.Cells)
    cell[size_t(int64_t(c / mesh.Cols - top) * w + (c % mesh.Cols - left))] = 1;
  // Any void cell within b along the row, then within b along the column.
  auto dilate = [b](const uint8_t* in, uint8_t* out, int32_t n, int64_t step) {
    std::vector<int32_t> prefix(size_t(n) + 1, 0);
    for (int32_t k = 0; k < n; ++k) prefix[size_t(k) + 1] = prefix[size_t(k)] + in[k * step];
    for (int32_t k = 0; k < n; ++k)
      out[k * step] =
          prefix[size_t(std::min(k + b, n - 1)) + 1] > prefix[size_t(std::max(k - b, 0))];
  };
  for (int32_t y = 0; y < h; ++y)
    dilate(&cell[size_t(y) * size_t(w)], &rows[size_t(y) * size_t(w)], w, 1);
  for (int32_t x = 0; x < w; ++x) dilate(&rows[size_t(x)], &near[size_t(x)], h, w);
  return EstimateGrain(w, h, value, valid, &near, params.MaxAnisotropy);
}

bool TTPlainHeights::Data(int32_t x, int32_t y, double* value) const {
  *value = mesh_.GetCell(x, y);
  return true;
}

bool TTPlainHeights::Height(int32_t, int32_t, double surface, double* height) const {
  *height = surface;
  return true;
}

int SolveSplineGrid(TTSplineGrid& grid, const TTSplineParams& params, const TTGrain& grain) {
  const int steps = SolveLevels(grid, params.TensionLength, grain);
  if (params.Clamp) ClampToBand(grid, params);
  return steps;
}

int16_t FilledSample(double height, int16_t voidValue) {
  const double r = std::clamp(std::nearbyint(height), -32768.0, 32767.0);
  int32_t s = int32_t(r);
  if (s == voidValue) s += (height >= voidValue && s < 32767) || s == -32768 ? 1 : -1;
  return int16_t(s);
}

bool FillVoidsWithField(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
                        const TTFillOptions& options, const TTSplineField& field,
                        const TTSplineParams& params, TTProgress* progress, TTFillRun* run) {
  TTFillRun local;
  TTFillRun& res = run ? *run : local;
  res = TTFillRun{};
  try {
    std::vector<TTVoidRegion> regions = FindVoidRegions(mesh, rect, mask, options, &res.Voids);
    int64_t total = 0;
    for (const TTVoidRegion& r : regions) total += int64_t(r.Cells.size());
    if (progress) {
      progress->SetRange(0, 100);
      progress->SetPositionPercent(0);
      progress->Show();
    }
    // Cells filled during the run never serve as data: each void is fitted
    // to the grid as it was when the run started.
    std::vector<bool> wasVoid(size_t(int64_t(mesh.Cols) * mesh.Rows), false);
    for (int64_t i = 0; i < mesh.Samples.Size(); ++i)
      if (mesh.Samples[i] == mesh.VoidValue) wasVoid[size_t(i)] = true;

    int64_t done = 0;
    TTSplineGrid g;
    for (const TTVoidRegion& region : regions) {
      PumpMessages(progress);
      if (AbortPending(progress)) {
        res.Aborted = true;
        break;
      }
      const int32_t reach = std::max(2, params.ClampBand);
      const int32_t left = std::max(region.Bounds.Left - reach, 0);
      const int32_t top = std::max(region.Bounds.Top - reach, 0);
      const int32_t right = std::min(region.Bounds.Right + reach, mesh.Cols - 1);
      const int32_t bottom = std::min(region.Bounds.Bottom + reach, mesh.Rows - 1);
      g.Reset(right - left + 1, bottom - top + 1);
      for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = left; x <= right; ++x) {
          if (wasVoid[size_t(int64_t(y) * mesh.Cols + x)]) continue;
          const size_t i = size_t(g.Index(x - left, y - top));
          if (field.Data(x, y, &g.Value[i])) g.Kind[i] = kSplineData;
        }
      for (int64_t c : region.Cells)
        g.Kind[size_t(g.Index(int32_t(c % mesh.Cols) - left, int32_t(c / mesh.Cols) - top))] =
            kSplineUnknown;
      const TTGrain grain =
          params.MaxAnisotropy > 1 ? GrainAround(mesh, wasVoid, field, region, params) : TTGrain{};
      SolveSplineGrid(g, params, grain);
      for (int64_t c : region.Cells) {
        const int32_t x = int32_t(c % mesh.Cols), y = int32_t(c / mesh.Cols);
        const size_t i = size_t(g.Index(x - left, y - top));
        double height = 0;
        if (g.Kind[i] != kSplineUnknown || !field.Height(x, y, g.Value[i], &height)) continue;
        mesh.SetCell(x, y, FilledSample(height, mesh.VoidValue));
        ++res.Filled;
      }
      done += int64_t(region.Cells.size());
      if (progress && total > 0) progress->SetPositionPercent(100.0 * double(done) / double(total));
    }
  } catch (const std::bad_alloc&) {
    if (progress) progress->Hide();
    return false;
  }
  if (progress) progress->Hide();
  return true;
}

bool FillVoidsSpline(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
                     const TTFillOptions& options, TTProgress* progress, TTFillRun* run,
                     const TTSplineParams& params) {
  return FillVoidsWithField(mesh, rect, mask, options, TTPlainHeights(mesh), params, progress, run);
}
