// Stockham FFT (self-sorting, decimation in frequency) with radices 4, 2, 3
// and 5, and a two-dimensional correlation with an even kernel built on it.
//
// The correlation works on real data with half spectra: two real rows share
// one complex transform (real and imaginary part), and only the columns
// 0 .. M/2 of a row spectrum are kept, the others being their conjugates.
// Even and odd columns go through the rest in turn, so that the row spectra
// take half the memory: fresh pages are what a large correlation waits for
// most.
// An even real kernel has a real even transform, so a quarter of it is kept.
//
// Error bound (unit roundoff u, L = summed stage errors of both axes):
// forward transforms err <= L u |x|_2 |F x|_2-wise (normwise bound for
// FFTs with accurate twiddles); the pointwise product and the inverse add
// errors bounded componentwise by the 1-norm of the product spectrum, which
// Cauchy-Schwarz bounds by N |in|_2 |k|_2. So every output value is within
// (3 L + 4) u |in|_2 |k|_2 of the exact correlation; ErrorBound adds a
// safety factor of 4. Splitting the rows' frequencies into even and odd is
// the first stage of a radix-2 transform done on its own (the two parts of
// an output value add as that stage's last butterfly does), so it counts in
// L as one such stage before the half-length transform.
#include "core/edit/fft_conv.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <numbers>

#include "core/base/cpu_features.h"
#include "core/platform/memory.h"

#if defined(__GNUC__)
// The vector types of the lanes below only live in functions compiled for
// AVX2 or AVX-512 and inlined there: how they would be passed without those
// does not matter (GCC reports it at the end of the file).
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace {

inline TComplex Mul(TComplex a, TComplex b) {
  // Plain product: std::complex's operator* checks for NaN on every call.
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}
// The inverse is the forward transform with conjugate roots of unity.
template <bool Inv>
inline TComplex Rot(TComplex a) {  // times -i, or +i for the inverse
  return Inv ? TComplex(-a.imag(), a.real()) : TComplex(a.imag(), -a.real());
}
template <bool Inv>
inline TComplex MulTw(TComplex a, TComplex w) {
  return Mul(a, Inv ? std::conj(w) : w);
}

bool Smooth(int32_t n) {
  for (int f : {2, 3, 5})
    while (n % f == 0) n /= f;
  return n == 1;
}

// Time per value of a transform of length n (smooth), in the stages TFft::Init
// makes: a radix-5 stage takes about twice as long as one of radix 4 or 3.
double StageCost(int32_t n) {
  double cost = 0;
  for (auto [f, c] : {std::pair{4, 0.51}, {2, 0.3}, {3, 0.5}, {5, 1.0}})
    while (n % f == 0) n /= f, cost += c;
  return cost;
}

}  // namespace

int32_t FftLength(int32_t n) {
  int32_t m = std::max(n, 2);
  if (m % 2) ++m;
  // Up to an eighth longer when that transforms faster (2304 takes a fifth
  // less time than 2250, 4096 than 4000).
  int32_t best = -1;
  double bestCost = 0;
  for (int32_t k = m; best < 0 || k <= m + m / 8; k += 2) {
    if (!Smooth(k)) continue;
    const double cost = double(k) * StageCost(k);
    if (best < 0 || cost < bestCost) best = k, bestCost = cost;
  }
  return best;
}

bool TFft::Init(int32_t n) {
  if (n < 1 || !Smooth(n)) return false;
  n_ = n;
  stages_.clear();
  errorUnits_ = 0;
  std::vector<int> radices;
  int32_t rest = n;
  for (int f : {4, 2, 3, 5})
    while (rest % f == 0) radices.push_back(f), rest /= f;
  int32_t len = n, stride = 1;
  for (int r : radices) {
    TStage st{r, len, stride, {}};
    const int32_t m = len / r;
    st.twiddle.resize(size_t(m) * (r - 1));
    for (int32_t p = 0; p < m; ++p)
      for (int k = 1; k < r; ++k) {
        // The angle from the exact residue keeps every twiddle within an
        // ulp or so, which the error bound assumes.
        const int64_t e = (int64_t(p) * k) % len;
        const double a = -2.0 * std::numbers::pi * double(e) / double(len);
        st.twiddle[size_t(p) * (r - 1) + (k - 1)] = TComplex(std::cos(a), std::sin(a));
      }
    errorUnits_ += double(r) * r + 6;
    stages_.push_back(std::move(st));
    len /= r;
    stride *= r;
  }
  return true;
}

#if defined(__GNUC__)
#define DELVA_FFT_INLINE inline __attribute__((always_inline))
#else
#define DELVA_FFT_INLINE inline
#endif

// The stages work on V complex values at a time: one, or, for interleaved
// transforms (batch a multiple of V), two or four in a register, (re, im)
// interleaved, as the twiddles are alike along a stride. The compiler keeps
// std::complex to one value per register; the lanes do the same operations
// in the same order (only where the compiler fuses a multiply and an add may
// the last bit differ).
namespace {

struct TOneLane {
  using Vec = TComplex;
  static constexpr int V = 1;
  DELVA_FFT_INLINE static Vec Load(const TComplex* p) { return *p; }
  DELVA_FFT_INLINE static void Store(TComplex* p, Vec v) { *p = v; }
  DELVA_FFT_INLINE static double Splat(double x) { return x; }
  template <bool Inv>
  DELVA_FFT_INLINE static Vec MulTw(Vec a, TComplex w) {
    return ::MulTw<Inv>(a, w);
  }
  template <bool Inv>
  DELVA_FFT_INLINE static Vec Rot(Vec a) {
    return ::Rot<Inv>(a);
  }
};

#if defined(__GNUC__)
typedef double TVec2 __attribute__((vector_size(32)));  // two complex values
typedef double TVec4 __attribute__((vector_size(64)));  // four

template <typename VecType>
struct TLanes {
  using Vec = VecType;
  static constexpr int V = int(sizeof(Vec) / 16);
  DELVA_FFT_INLINE static Vec Load(const TComplex* p) {
    Vec v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
  }
  DELVA_FFT_INLINE static void Store(TComplex* p, Vec v) {
    __builtin_memcpy(reinterpret_cast<double*>(p), &v, sizeof v);
  }
  DELVA_FFT_INLINE static Vec Splat(double x) { return Vec{} + x; }
  DELVA_FFT_INLINE static Vec Alternate(double even, double odd) {
    Vec v;
    for (int i = 0; i < 2 * V; ++i) v[i] = i % 2 ? odd : even;
    return v;
  }
  DELVA_FFT_INLINE static Vec Swap(Vec a) {  // (im, re) of each value
    if constexpr (V == 2)
      return Vec{a[1], a[0], a[3], a[2]};
    else
      return Vec{a[1], a[0], a[3], a[2], a[5], a[4], a[7], a[6]};
  }
  // a w (a conj(w) for the inverse): (re wr - im wi, im wr + re wi).
  template <bool Inv>
  DELVA_FFT_INLINE static Vec MulTw(Vec a, TComplex w) {
    const double wi = Inv ? -w.imag() : w.imag();
    return a * Splat(w.real()) + Swap(a) * Alternate(-wi, wi);
  }
  template <bool Inv>
  DELVA_FFT_INLINE static Vec Rot(Vec a) {  // times -i, or +i for the inverse
    return Swap(a) * (Inv ? Alternate(-1.0, 1.0) : Alternate(1.0, -1.0));
  }
};

#endif

}  // namespace

template <bool Inv, typename L>
DELVA_FFT_INLINE void TFft::Stages(TComplex* data, TComplex* work, int32_t batch) const {
  using Vec = typename L::Vec;
  constexpr int V = L::V;
  TComplex* x = data;
  TComplex* y = work;
  for (const TStage& st : stages_) {
    const int32_t s = st.stride * batch, m = st.n / st.radix;
    const TComplex* tw = st.twiddle.data();
    switch (st.radix) {
      case 2:
        for (int32_t p = 0; p < m; ++p) {
          const TComplex w1 = tw[p];
          for (int32_t q = 0; q < s; q += V) {
            const Vec a0 = L::Load(x + q + s * p), a1 = L::Load(x + q + s * (p + m));
            L::Store(y + q + s * (2 * p), a0 + a1);
            L::Store(y + q + s * (2 * p + 1), L::template MulTw<Inv>(a0 - a1, w1));
          }
        }
        break;
      case 4:
        for (int32_t p = 0; p < m; ++p) {
          const TComplex w1 = tw[3 * p], w2 = tw[3 * p + 1], w3 = tw[3 * p + 2];
          for (int32_t q = 0; q < s; q += V) {
            const Vec a0 = L::Load(x + q + s * p), a1 = L::Load(x + q + s * (p + m));
            const Vec a2 = L::Load(x + q + s * (p + 2 * m)), a3 = L::Load(x + q + s * (p + 3 * m));
            const Vec t0 = a0 + a2, t1 = a0 - a2, t2 = a1 + a3, t3 = L::template Rot<Inv>(a1 - a3);
            TComplex* o = y + q + s * (4 * p);
            L::Store(o, t0 + t2);
            L::Store(o + s, L::template MulTw<Inv>(t1 + t3, w1));
            L::Store(o + 2 * s, L::template MulTw<Inv>(t0 - t2, w2));
            L::Store(o + 3 * s, L::template MulTw<Inv>(t1 - t3, w3));
          }
        }
        break;
      case 3: {
        const auto h = L::Splat(std::sqrt(3.0) / 2), half = L::Splat(0.5);
        for (int32_t p = 0; p < m; ++p) {
          const TComplex w1 = tw[2 * p], w2 = tw[2 * p + 1];
          for (int32_t q = 0; q < s; q += V) {
            const Vec a0 = L::Load(x + q + s * p), a1 = L::Load(x + q + s * (p + m));
            const Vec a2 = L::Load(x + q + s * (p + 2 * m));
            const Vec t = a1 + a2, c = a0 - half * t, d = L::template Rot<Inv>(h * (a1 - a2));
            TComplex* o = y + q + s * (3 * p);
            L::Store(o, a0 + t);
            L::Store(o + s, L::template MulTw<Inv>(c + d, w1));
            L::Store(o + 2 * s, L::template MulTw<Inv>(c - d, w2));
          }
        }
        break;
      }
      default: {  // 5
        const auto c1 = L::Splat(std::cos(2 * std::numbers::pi / 5)),
                   c2 = L::Splat(std::cos(4 * std::numbers::pi / 5));
        const auto s1 = L::Splat(std::sin(2 * std::numbers::pi / 5)),
                   s2 = L::Splat(std::sin(4 * std::numbers::pi / 5));
        for (int32_t p = 0; p < m; ++p) {
          const TComplex* w = tw + 4 * p;
          for (int32_t q = 0; q < s; q += V) {
            const Vec a0 = L::Load(x + q + s * p), a1 = L::Load(x + q + s * (p + m));
            const Vec a2 = L::Load(x + q + s * (p + 2 * m)), a3 = L::Load(x + q + s * (p + 3 * m));
            const Vec a4 = L::Load(x + q + s * (p + 4 * m));
            const Vec t1 = a1 + a4, t2 = a2 + a3, t3 = a1 - a4, t4 = a2 - a3;
            const Vec m1 = a0 + c1 * t1 + c2 * t2, m2 = a0 + c2 * t1 + c1 * t2;
            const Vec n1 = L::template Rot<Inv>(s1 * t3 + s2 * t4),
                      n2 = L::template Rot<Inv>(s2 * t3 - s1 * t4);
            TComplex* o = y + q + s * (5 * p);
            L::Store(o, a0 + t1 + t2);
            L::Store(o + s, L::template MulTw<Inv>(m1 + n1, w[0]));
            L::Store(o + 2 * s, L::template MulTw<Inv>(m2 + n2, w[1]));
            L::Store(o + 3 * s, L::template MulTw<Inv>(m2 - n2, w[2]));
            L::Store(o + 4 * s, L::template MulTw<Inv>(m1 - n1, w[3]));
          }
        }
        break;
      }
    }
    std::swap(x, y);
  }
  if (x != data) std::copy(x, x + int64_t(n_) * batch, data);
}

template <bool Inv>
void TFft::Run(TComplex* data, TComplex* work, int32_t batch) const {
  Stages<Inv, TOneLane>(data, work, batch);
}

// The same stages compiled for AVX2 (two complex values per register; no
// fused multiply-adds), chosen at run time.
template <bool Inv>
DELVA_AVX2_TARGET void TFft::RunWide(TComplex* data, TComplex* work, int32_t batch) const {
#if defined(__GNUC__)
  if (batch % 2 == 0) return Stages<Inv, TLanes<TVec2>>(data, work, batch);
#endif
  Stages<Inv, TOneLane>(data, work, batch);
}

// And for AVX-512, four complex values per register (GCC keeps to 256-bit
// vectors unless asked).
#if defined(__clang__) || !DELVA_HAVE_AVX2_TARGET
#define DELVA_FFT_WIDEST DELVA_AVX512_TARGET
#else
#define DELVA_FFT_WIDEST \
  __attribute__((target("avx512f,avx512bw,avx512vl,prefer-vector-width=512")))
#endif
template <bool Inv>
DELVA_FFT_WIDEST void TFft::RunWidest(TComplex* data, TComplex* work, int32_t batch) const {
#if defined(__GNUC__)
  if (batch % 4 == 0) return Stages<Inv, TLanes<TVec4>>(data, work, batch);
#endif
  Stages<Inv, TOneLane>(data, work, batch);
}

void TFft::Forward(TComplex* data, TComplex* work, int32_t batch) const {
  if (CpuHasAvx512())
    RunWidest<false>(data, work, batch);
  else if (CpuHasAvx2())
    RunWide<false>(data, work, batch);
  else
    Run<false>(data, work, batch);
}

void TFft::Inverse(TComplex* data, TComplex* work, int32_t batch) const {
  if (CpuHasAvx512())
    RunWidest<true>(data, work, batch);
  else if (CpuHasAvx2())
    RunWide<true>(data, work, batch);
  else
    Run<true>(data, work, batch);
}

namespace {

constexpr int kRowBatch = 4;                      // row pairs transformed together
constexpr int kColumnBlock = 4;                   // columns per block: 64 bytes of a row
constexpr double kUnit = 1.1102230246251565e-16;  // 2^-53

int32_t Span(int32_t inCount, int32_t outFirst, int32_t outLast, int32_t reach) {
  // The input fits, no wrapped index may land on it, and the kernel may not wrap
  // onto itself.
  return FftLength(
      std::max({inCount, inCount - outFirst + reach, outLast + reach + 1, 2 * reach + 1}));
}

}  // namespace

bool TEvenCorrelation::TBuffer::Reserve(size_t count) {
  if (count <= n) return true;
  p.reset();  // the old buffer first: both at once may not fit
  p = AllocateLargeArray<double>(count);
  n = p ? count : 0;
  return bool(p);
}

bool TEvenCorrelation::Plan(const TGeometry& g, int threads) {
  g_ = g;
  threads_ = std::max(1, threads);
  bytes_ = 0;
  if (g.inCols <= 0 || g.inRows <= 0 || g.outRight < g.outLeft || g.outBottom < g.outTop)
    return false;
  if (!fx_.Init(Span(g.inCols, g.outLeft, g.outRight, g.rx)) ||
      !fy_.Init(Span(g.inRows, g.outTop, g.outBottom, g.ry)))
    return false;
  hx_ = fx_.Size() / 2 + 1;
  hy_ = fy_.Size() / 2 + 1;
  if (!fh_.Init(fx_.Size() / 2)) return false;
  hs_ = fh_.Size() / 2 + 1;
  const int64_t kernelRows = int64_t(g.ry) + 2 * kRowBatch + 1;
  const int64_t perThread = int64_t(2 * kColumnBlock) * std::max(fx_.Size(), fy_.Size()) * 16 +
                            int64_t(g.inCols) * 16 * kRowBatch;
  bytes_ = int64_t(hx_) * hy_ * 8 +
           std::max(kernelRows * hx_ * 8,
                    (int64_t(g.inRows) + 2 * kRowBatch) * (hs_ + kColumnBlock) * 16) +
           threads_ * perThread;
  return true;
}

double TEvenCorrelation::KernelWork() const {
  const double nx = fx_.Size(), ny = fy_.Size();
  return (g_.ry / 2.0 + 1) * nx * std::log2(nx) + hx_ / 2.0 * ny * std::log2(ny);
}

double TEvenCorrelation::CorrelationWork(int64_t outRowsUsed) const {
  const double nx = fx_.Size(), ny = fy_.Size();
  return (g_.inRows + outRowsUsed) / 2.0 * nx * std::log2(nx) + 2.0 * hx_ * ny * std::log2(ny);
}

double TEvenCorrelation::ErrorBound(double inputNorm2) const {
  // The input rows' transforms: a radix-2 stage (as TFft counts it), then
  // half the length.
  const double rows = std::max(fx_.ErrorUnits(), fh_.ErrorUnits() + 10);
  const double stages = rows + fy_.ErrorUnits() + 20;  // + splitting the pairs
  return 4 * (3 * stages + 4) * kUnit * inputNorm2 * kernelNorm2_;
}

size_t TEvenCorrelation::RowSpectraDoubles() const {
  // Half spectra (complex) of the input rows, rounded up to whole groups of row pairs.
  const int64_t groups = (int64_t(g_.inRows) + 2 * kRowBatch - 1) / (2 * kRowBatch);
  const size_t blocks = (size_t(hs_) + kColumnBlock - 1) / kColumnBlock;
  return 2 * size_t(groups * 2 * kRowBatch) * blocks * kColumnBlock;
}

bool TEvenCorrelation::SetKernel(const std::function<double(int32_t, int32_t)>& weight,
                                 const TParallelFor& run, bool radial) {
  // A kernel alike in both axes, on a square transform, has a transform
  // alike in both too: only the half ky >= kx is kept.
  radial_ = radial && g_.rx == g_.ry && fx_.Size() == fy_.Size();
  const int32_t mx = fx_.Size(), my = fy_.Size();
  // The row transforms of the kernel rows 0 .. ry go where the correlations'
  // row spectra go later: no fresh pages for them.
  std::vector<std::vector<TComplex>> buf(static_cast<size_t>(threads_));
  constexpr int B = kRowBatch, C = kColumnBlock;
  // Row pairs and column pairs go through the transforms B and C at a time.
  const int64_t rowGroups = (int64_t(g_.ry) + 2 * B) / (2 * B);
  const int64_t colGroups = (int64_t(hx_) + 2 * C - 1) / (2 * C);
  try {
    if (!spectrum_.Reserve(radial_ ? size_t(hy_) * (hy_ + 1) / 2 : size_t(hx_) * hy_) ||
        !rowSpectra_.Reserve(std::max(RowSpectraDoubles(), size_t(rowGroups * 2 * B) * hx_)))
      return false;
    for (auto& b : buf) b.resize(size_t(2 * C) * std::max(mx, my));
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::vector<double> squares;  // of the weights, per group of rows
  try {
    squares.assign(size_t(rowGroups), 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // An even real row has a real transform: two rows per complex transform.
  if (!run(rowGroups, double(B) * mx * std::log2(double(mx)), [&](int64_t i, int t) {
        TComplex* z = buf[size_t(t)].data();
        const int32_t y0 = int32_t(i * 2 * B);
        std::fill(z, z + size_t(mx) * B, TComplex());
        double sq = 0;
        for (int b = 0; b < B; ++b) {
          const int32_t oy = y0 + 2 * b;
          for (int32_t ox = 0; ox <= g_.rx; ++ox) {
            const TComplex v(oy <= g_.ry ? weight(ox, oy) : 0.0,
                             oy + 1 <= g_.ry ? weight(ox, oy + 1) : 0.0);
            z[size_t(ox) * B + b] = v;
            if (ox) z[size_t(mx - ox) * B + b] = v;
            sq += (ox ? 2 : 1) * ((oy ? 2 : 1) * v.real() * v.real() + 2 * v.imag() * v.imag());
          }
        }
        squares[size_t(i)] = sq;
        fx_.Forward(z, z + size_t(mx) * B, B);
        for (int b = 0; b < B; ++b) {
          double* r0 = rowSpectra_.Doubles() + size_t(y0 + 2 * b) * hx_;
          for (int32_t k = 0; k < hx_; ++k) {
            const TComplex v = z[size_t(k) * B + b];
            r0[k] = v.real(), r0[k + hx_] = v.imag();
          }
        }
      }))
    return false;
  double sumSquares = 0;
  for (double v : squares) sumSquares += v;
  kernelNorm2_ = std::sqrt(sumSquares);
  return run(colGroups, double(C) * my * std::log2(double(my)), [&](int64_t i, int t) {
    TComplex* c = buf[size_t(t)].data();
    const int32_t k0 = int32_t(i * 2 * C);
    std::fill(c, c + size_t(my) * C, TComplex());
    for (int32_t oy = 0; oy <= g_.ry; ++oy) {
      const double* r = rowSpectra_.Doubles() + size_t(oy) * hx_;
      for (int b = 0; b < C; ++b) {
        const int32_t ka = k0 + 2 * b, kb = ka + 1;
        const TComplex v(ka < hx_ ? r[ka] : 0.0, kb < hx_ ? r[kb] : 0.0);
        c[size_t(oy) * C + b] = v;
        if (oy) c[size_t(my - oy) * C + b] = v;
      }
    }
    fy_.Forward(c, c + size_t(my) * C, C);
    for (int32_t k = 0; k < hy_; ++k) {
      double* sp = spectrum_.Doubles();
      const int32_t end = radial_ ? std::min(hx_, k + 1) : hx_;
      for (int b = 0; b < C; ++b) {
        const int32_t ka = k0 + 2 * b, kb = ka + 1;
        const TComplex v = c[size_t(k) * C + b];
        if (ka < end) sp[SpectrumAt(ka, k)] = v.real();
        if (kb < end) sp[SpectrumAt(kb, k)] = v.imag();
      }
    }
  });
}

bool TEvenCorrelation::Run(const std::function<void(int32_t, double*)>& fillRow,
                           const std::function<bool(int32_t)>& rowWanted,
                           const std::function<void(int32_t, const TCorrelationRow&, int)>& takeRow,
                           const TParallelFor& run, double* inputNorm2, double takeWork) {
  const int32_t mx = fx_.Size(), my = fy_.Size(), mh = fh_.Size();
  const int32_t rowsIn = g_.inRows, cols = g_.inCols;
  std::vector<std::vector<TComplex>> buf(static_cast<size_t>(threads_));
  std::vector<std::vector<double>> line(static_cast<size_t>(threads_));
  std::vector<int32_t> outRows;
  // Row pairs go through the transform kRowBatch at a time, interleaved.
  const int64_t groups = (int64_t(rowsIn) + 2 * kRowBatch - 1) / (2 * kRowBatch);
  std::vector<double> norms;
  std::vector<TComplex> twiddle;  // e^(-2 pi i n / mx), n < mh
  try {
    if (!rowSpectra_.Reserve(RowSpectraDoubles())) return false;
    for (auto& b : buf) b.resize(size_t(2 * kColumnBlock) * std::max(mx, my));
    for (auto& l : line) l.resize(size_t(cols) * 2 * kRowBatch);
    norms.assign(size_t(groups), 0.0);
    for (int32_t y = g_.outTop; y <= g_.outBottom; ++y)
      if (rowWanted(y)) outRows.push_back(y);
    twiddle.resize(size_t(mh));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t n = 0; n < mh; ++n) {
    const double a = -2.0 * std::numbers::pi * double(n) / double(mx);
    twiddle[size_t(n)] = TComplex(std::cos(a), std::sin(a));
  }
  TComplex* const spectra = rowSpectra_.Complex();  // kept for the next run: no fresh pages
  constexpr int B = kRowBatch, C = kColumnBlock;
  // The row spectra in blocks of C columns, each block row after row: the
  // column passes read and write whole blocks in order, the row passes C
  // values at a time. Value j of row y is at slot(y, j).
  const size_t rowsPadded = size_t(groups) * 2 * B;
  auto slot = [&](int32_t y, int32_t j) {
    return spectra + (size_t(j / C) * rowsPadded + size_t(y)) * C + size_t(j % C);
  };
  const double scale = 1.0 / (double(mx) * double(my));
  const int64_t outGroups = (int64_t(outRows.size()) + 2 * B - 1) / (2 * B);

  // The even and the odd frequencies of the rows in turn: each class is a
  // transform of half the length, after a first butterfly, and needs half
  // the storage. The output rows come as the two classes' parts.
  for (int c = 0; c < 2; ++c) {
    const int32_t count = (mh - c) / 2 + 1;  // class members k = 2 j + c <= mx / 2
    // Rows, two real ones per complex transform, then split into the half
    // spectra of each (X[k] = (Z[k] + conj Z[-k]) / 2, Y[k] = (Z[k] - conj Z[-k]) / 2i).
    if (!run(groups, double(B) * mh * std::log2(double(std::max(mh, 2))), [&](int64_t i, int t) {
          TComplex* z = buf[size_t(t)].data();
          double* rowsBuf = line[size_t(t)].data();
          const int32_t y0 = int32_t(i * 2 * B);
          double ss[8] = {};  // independent sums: no wait for the previous add
          for (int b = 0; b < 2 * B; ++b) {
            double* a = rowsBuf + size_t(b) * cols;
            if (y0 + b < rowsIn)
              fillRow(y0 + b, a);
            else
              std::fill(a, a + cols, 0.0);
            if (c == 0) {
              int32_t x = 0;
              for (; x + 8 <= cols; x += 8)
                for (int k = 0; k < 8; ++k) ss[k] += a[x + k] * a[x + k];
              for (; x < cols; ++x) ss[0] += a[x] * a[x];
            }
          }
          if (c == 0)
            norms[size_t(i)] = ss[0] + ss[1] + ss[2] + ss[3] + ss[4] + ss[5] + ss[6] + ss[7];
          // u[n] = z[n] + z[n + mh], or (z[n] - z[n + mh]) w^n for the odd class.
          const int32_t both = std::clamp(cols - mh, 0, mh), one = std::min(cols, mh);
          for (int b = 0; b < B; ++b) {
            const double* re = rowsBuf + size_t(2 * b) * cols;
            const double* im = re + cols;
            if (c == 0) {
              for (int32_t n = 0; n < both; ++n)
                z[size_t(n) * B + b] = TComplex(re[n] + re[n + mh], im[n] + im[n + mh]);
              for (int32_t n = both; n < one; ++n) z[size_t(n) * B + b] = TComplex(re[n], im[n]);
            } else {
              for (int32_t n = 0; n < both; ++n)
                z[size_t(n) * B + b] =
                    Mul(TComplex(re[n] - re[n + mh], im[n] - im[n + mh]), twiddle[size_t(n)]);
              for (int32_t n = both; n < one; ++n)
                z[size_t(n) * B + b] = Mul(TComplex(re[n], im[n]), twiddle[size_t(n)]);
            }
          }
          std::fill(z + size_t(one) * B, z + size_t(mh) * B, TComplex());
          fh_.Forward(z, z + size_t(mh) * B, B);
          for (int32_t j0 = 0; j0 < count; j0 += C) {
            TComplex* s = slot(y0, j0);  // rows y0 + 2 b and y0 + 2 b + 1 follow, C apart
            for (int b = 0; b < B; ++b, s += 2 * C)
              for (int32_t j = j0; j < std::min(count, j0 + C); ++j) {
                const int32_t mirror = c ? mh - 1 - j : j ? mh - j : 0;  // Z[mx - k]
                const TComplex zk = z[size_t(j) * B + b], zc = std::conj(z[size_t(mirror) * B + b]);
                const TComplex sum = zk + zc, dif = zk - zc;
                s[j - j0] = TComplex(0.5 * sum.real(), 0.5 * sum.imag());
                s[j - j0 + C] = TComplex(0.5 * dif.imag(), -0.5 * dif.real());
              }
          }
        }))
      return false;
    if (c == 0) {
      double ss = 0;
      for (double v : norms) ss += v;
      *inputNorm2 = std::sqrt(ss);
    }

    // Columns, kColumnBlock at a time as interleaved transforms: forward,
    // times the kernel's (real) transform, back; only the output rows are kept.
    const int64_t blocks = (int64_t(count) + C - 1) / C;
    if (!run(blocks, double(C) * 2 * my * std::log2(double(my)), [&](int64_t i, int t) {
          TComplex* col = buf[size_t(t)].data();
          TComplex* work = col + size_t(C) * my;
          const int32_t j0 = int32_t(i * C);
          const int32_t nk = std::min<int32_t>(C, count - j0);
          TComplex* const block = slot(0, j0);
          if (nk == C) {
            std::copy(block, block + size_t(rowsIn) * C, col);
          } else {
            for (int32_t y = 0; y < rowsIn; ++y) {
              const TComplex* s = block + size_t(y) * C;
              TComplex* d = col + size_t(y) * C;
              for (int32_t j = 0; j < nk; ++j) d[j] = s[j];
              for (int32_t j = nk; j < C; ++j) d[j] = TComplex();
            }
          }
          std::fill(col + size_t(rowsIn) * C, col + size_t(my) * C, TComplex());
          fy_.Forward(col, work, C);
          // Kernel values at kx = first + 2 j: in row ky when ky >= kx (or
          // always, unless the half of a radial kernel's transform is kept),
          // else in the kept row kx, at ky.
          const int32_t first = 2 * j0 + c, last = first + 2 * (nk - 1);
          const double* sp = spectrum_.Doubles();
          const double* across[C][2];  // even and odd values of row kx
          for (int32_t j = 0; j < nk; ++j)
            for (int odd = 0; odd < 2; ++odd) across[j][odd] = sp + SpectrumAt(odd, first + 2 * j);
          for (int32_t k = 0; k < my; ++k) {
            const int32_t ky = k < hy_ ? k : my - k;
            TComplex* d = col + size_t(k) * C;
            if (!radial_ || ky >= last) {
              const double* kr = sp + SpectrumAt(first, ky);
              for (int32_t j = 0; j < nk; ++j) d[j] *= kr[j];
            } else if (ky < first) {
              for (int32_t j = 0; j < nk; ++j) d[j] *= across[j][ky % 2][ky / 2];
            } else {
              const double* kr = sp + SpectrumAt(first, ky);
              for (int32_t j = 0; j < nk; ++j)
                d[j] *= first + 2 * j <= ky ? kr[j] : across[j][ky % 2][ky / 2];
            }
          }
          fy_.Inverse(col, work, C);
          if (nk == C) {
            std::copy(col + size_t(g_.outTop) * C, col + size_t(g_.outBottom + 1) * C,
                      block + size_t(g_.outTop) * C);
          } else {
            for (int32_t y = g_.outTop; y <= g_.outBottom; ++y)
              std::copy_n(col + size_t(y) * C, nk, block + size_t(y) * C);
          }
        }))
      return false;

    // Output rows back, two per complex transform (Z = X + iY, with the
    // conjugate-symmetric halves restored), kRowBatch pairs at a time; the
    // odd class gets its twiddles back (and the sign of w^mh = -1).
    if (!run(outGroups, double(B) * mh * std::log2(double(std::max(mh, 2))) + B * takeWork,
             [&](int64_t i, int t) {
               TComplex* z = buf[size_t(t)].data();
               const size_t firstRow = size_t(i * 2 * B);
               const size_t n = std::min(outRows.size() - firstRow, size_t(2 * B));
               int32_t rows[2 * B];
               for (size_t r = 0; r < size_t(2 * B); ++r)
                 rows[r] = r < n ? outRows[firstRow + r] : -1;
               // Value j gives k = 2 j + c, kept, and m = mh - j - c, the
               // conjugate of mx - k, when that lies beyond the kept ones.
               for (int32_t j0 = 0; j0 < count; j0 += C) {
                 const int32_t j1 = std::min(count, j0 + C);
                 for (int b = 0; b < B; ++b) {
                   const TComplex* s0 = rows[2 * b] >= 0 ? slot(rows[2 * b], j0) : nullptr;
                   const TComplex* s1 = rows[2 * b + 1] >= 0 ? slot(rows[2 * b + 1], j0) : nullptr;
                   for (int32_t j = j0; j < j1; ++j) {
                     const TComplex x = s0 ? s0[j - j0] : TComplex(),
                                    yv = s1 ? s1[j - j0] : TComplex();
                     z[size_t(j) * B + b] = TComplex(x.real() - yv.imag(), x.imag() + yv.real());
                     const int32_t m = mh - j - c;
                     if (m >= count && m < mh)
                       z[size_t(m) * B + b] = TComplex(x.real() + yv.imag(), -x.imag() + yv.real());
                   }
                 }
               }
               fh_.Inverse(z, z + size_t(mh) * B, B);
               for (size_t r = 0; r < n; ++r) {
                 TCorrelationRow row;
                 row.v = reinterpret_cast<const double*>(z) + 2 * (r / 2);
                 row.tw = c ? reinterpret_cast<const double*>(twiddle.data()) : nullptr;
                 row.half = mh, row.step = 2 * B, row.imag = int(r % 2), row.scale = scale;
                 takeRow(outRows[firstRow + r], row, c);
               }
             }))
      return false;
  }
  return true;
}
