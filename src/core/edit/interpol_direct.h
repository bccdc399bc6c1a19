#pragma once

// The direct sums of the inverse-distance fill: the disk of weights, the
// lane kernels and the row worker. Included by interpol.cpp alone, so that it
// is compiled with that file's flags (no contraction into fused
// multiply-adds, whatever the target).

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "core/base/cpu_features.h"
#include "core/edit/interpol.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

namespace idw_direct {

constexpr double kUnitRoundoff = 0x1p-53;
constexpr double kSingleRoundoff = 0x1p-24;

// What the verdicts of one run share.
struct TSettleRule {
  double centre = 0;     // taken off the samples of the transform's sums
  double tolerance = 0;  // snap width of the quotient
  double minWeight = 0;  // smallest weight of the disk
  // The direct sums add at most m terms in order, weights >= 0, samples
  // within +-maxSample: their errors are at most g Sum w and g maxSample
  // Sum w (g = m u / (1 - m u)), so the direct quotient lies within
  // about (m + 2) u (maxSample + |q|) of the exact one. `directUnits` holds
  // that factor with room to spare; far below the snap width, which assumes
  // samples up to 32768 and twice the terms.
  double directUnits = 0;
  double maxSample = 32768;
};

// A quotient q within err of the exact one settles the cell when no step of
// the snapped truncation lies within err plus the direct quotient's own
// error. Verdicts: 0 open (the direct sums decide), 1 *out is the result.
inline uint8_t SettleQuotient(double q, double err, const TSettleRule& rule, int16_t* out) {
  if (!std::isfinite(q)) return 0;
  const double reach = err + rule.directUnits * (rule.maxSample + std::fabs(q) + err + 1);
  const double tolerance = rule.tolerance;
  const double nearest = std::round(q), dist = std::fabs(q - nearest);
  // The next integer's snap edge is never nearer: dist and tolerance are both at most 1/2.
  if (std::fabs(dist - tolerance) <= reach) return 0;
  const double v = dist <= tolerance ? nearest : std::trunc(q);
  *out = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
  return 1;
}

constexpr int kLanes = 16;
constexpr int kSegment = 256;  // lanes sharing one converted stretch of a row

// sw[k] += w[j] * valid[j + k] and sws[k] += w[j] * value[j + k] for the
// kLanes lanes k, j from j0 to j1 - 1 in order. Products and sums are those of
// the definition; only independent lanes run side by side. Never contracted
// into fused multiply-adds (that would change the sums): the file is compiled
// with -ffp-contract=off and the AVX2 variant enables no FMA.
using TLaneKernel = void (*)(const double* w, int32_t j0, int32_t j1, const double* valid,
                             const double* value, double* sw, double* sws);

#if defined(__GNUC__)
// Internal helpers only: the ABI of 32-byte vectors without AVX is moot.
#pragma GCC diagnostic ignored "-Wpsabi"
typedef double TV4 __attribute__((vector_size(32)));

inline __attribute__((always_inline)) TV4 Load4(const double* p) {
  TV4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline __attribute__((always_inline)) void Store4(double* p, TV4 v) {
  std::memcpy(p, &v, sizeof v);
}

inline __attribute__((always_inline)) void LanesBody(const double* w, int32_t j0, int32_t j1,
                                                     const double* valid, const double* value,
                                                     double* sw, double* sws) {
  static_assert(kLanes == 16);
  TV4 a0 = Load4(sw), a1 = Load4(sw + 4), a2 = Load4(sw + 8), a3 = Load4(sw + 12);
  TV4 b0 = Load4(sws), b1 = Load4(sws + 4), b2 = Load4(sws + 8), b3 = Load4(sws + 12);
  for (int32_t j = j0; j < j1; ++j) {
    const double wj = w[j];
    const double* pv = valid + j;
    const double* ps = value + j;
    a0 += wj * Load4(pv);
    a1 += wj * Load4(pv + 4);
    a2 += wj * Load4(pv + 8);
    a3 += wj * Load4(pv + 12);
    b0 += wj * Load4(ps);
    b1 += wj * Load4(ps + 4);
    b2 += wj * Load4(ps + 8);
    b3 += wj * Load4(ps + 12);
  }
  Store4(sw, a0), Store4(sw + 4, a1), Store4(sw + 8, a2), Store4(sw + 12, a3);
  Store4(sws, b0), Store4(sws + 4, b1), Store4(sws + 8, b2), Store4(sws + 12, b3);
}

void LanesBase(const double* w, int32_t j0, int32_t j1, const double* valid, const double* value,
               double* sw, double* sws) {
  LanesBody(w, j0, j1, valid, value, sw, sws);
}

#if defined(__x86_64__) || defined(__i386__)
// The same body compiled for AVX2, chosen at run time (no ifunc: those do
// not mix with every sanitizer).
__attribute__((target("avx2"))) void LanesAvx2(const double* w, int32_t j0, int32_t j1,
                                               const double* valid, const double* value, double* sw,
                                               double* sws) {
  LanesBody(w, j0, j1, valid, value, sw, sws);
}
TLaneKernel PickLaneKernel() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? LanesAvx2 : LanesBase;
}
#else
TLaneKernel PickLaneKernel() { return LanesBase; }
#endif

// The screening sums in single precision: one row of the disk in float
// lanes, from zero, then added to the double sums. Not the definition's
// sums; only their error bound counts (see TWorker::Screen). The lanes go in
// vectors of the target's width: wider ones would be split element by
// element.
template <int Bytes>
inline __attribute__((always_inline)) void LanesBodyF(const float* w, int32_t j0, int32_t j1,
                                                      const float* valid, const float* value,
                                                      double* sw, double* sws) {
  typedef float TF __attribute__((vector_size(Bytes)));
  constexpr int N = Bytes / 4, R = kLanes / N;
  TF a[R] = {}, b[R] = {};
  for (int32_t j = j0; j < j1; ++j) {
    const float wj = w[j];
    for (int i = 0; i < R; ++i) {
      TF v, s;
      std::memcpy(&v, valid + j + i * N, sizeof v);
      std::memcpy(&s, value + j + i * N, sizeof s);
      a[i] += wj * v;
      b[i] += wj * s;
    }
  }
  for (int k = 0; k < kLanes; ++k) sw[k] += a[k / N][k % N], sws[k] += b[k / N][k % N];
}
#if defined(__x86_64__) || defined(__i386__)
DELVA_AVX2_TARGET void LanesFAvx2(const float* w, int32_t j0, int32_t j1, const float* valid,
                                  const float* value, double* sw, double* sws) {
  LanesBodyF<32>(w, j0, j1, valid, value, sw, sws);
}
DELVA_AVX512_TARGET void LanesFAvx512(const float* w, int32_t j0, int32_t j1, const float* valid,
                                      const float* value, double* sw, double* sws) {
  LanesBodyF<64>(w, j0, j1, valid, value, sw, sws);
}
#endif

#else
void LanesBase(const double* w, int32_t j0, int32_t j1, const double* valid, const double* value,
               double* sw, double* sws) {
  for (int32_t j = j0; j < j1; ++j)
    for (int k = 0; k < kLanes; ++k) {
      sw[k] += w[j] * valid[j + k];
      sws[k] += w[j] * value[j + k];
    }
}
TLaneKernel PickLaneKernel() { return LanesBase; }
#endif

void LanesFBase(const float* w, int32_t j0, int32_t j1, const float* valid, const float* value,
                double* sw, double* sws) {
  float a[kLanes] = {}, b[kLanes] = {};
  for (int32_t j = j0; j < j1; ++j)
    for (int k = 0; k < kLanes; ++k) a[k] += w[j] * valid[j + k], b[k] += w[j] * value[j + k];
  for (int k = 0; k < kLanes; ++k) sw[k] += a[k], sws[k] += b[k];
}

using TLaneKernelF = void (*)(const float* w, int32_t j0, int32_t j1, const float* valid,
                              const float* value, double* sw, double* sws);
inline TLaneKernelF PickLaneKernelF() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  if (CpuHasAvx512()) return LanesFAvx512;
  if (CpuHasAvx2()) return LanesFAvx2;
#endif
  return LanesFBase;
}

#if defined(__GNUC__)
#define DELVA_IDW_INLINE inline __attribute__((always_inline))
#else
#define DELVA_IDW_INLINE inline
#endif

// One row of the disk's reach converted for the lanes: valid[j] = 1 and
// value[j] = sample (less the centre, in float) for the cells c0 + j
// (j < cols) that were valid at the start, 0 and 0 for voids and cells off
// the row; first and last valid index; in float, lo and hi widen to the
// samples read. Word by word through the void map: whole words of valid
// cells (the common case) convert without a branch per cell, and cells that
// were void are never read (the calling thread may be writing them).
template <typename T>
DELVA_IDW_INLINE void ConvertRowBody(const int16_t* srow, const uint64_t* vrow, int32_t rowCols,
                                     int32_t c0, int32_t cols, T* valid, T* value, int32_t centre,
                                     int32_t& first, int32_t& last, int32_t& lo, int32_t& hi) {
  constexpr bool kSingle = std::is_same_v<T, float>;
  int32_t j = 0;
  for (; j < cols && c0 + j < 0; ++j) valid[j] = value[j] = 0;
  const int32_t jEnd = std::min(cols, rowCols - c0);
  while (j < jEnd) {
    const int32_t c = c0 + j;
    const int32_t n = std::min(jEnd - j, 64 - (c & 63));
    const uint64_t all = n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
    const uint64_t bits = (vrow[c >> 6] >> (c & 63)) & all;
    if (bits == 0) {
      int32_t l = INT32_MAX, h = INT32_MIN;
      for (int32_t i = 0; i < n; ++i) {
        valid[j + i] = 1;
        if constexpr (kSingle) {
          value[j + i] = T(srow[c + i] - centre);
          l = std::min<int32_t>(l, srow[c + i]), h = std::max<int32_t>(h, srow[c + i]);
        } else {
          value[j + i] = srow[c + i];
        }
      }
      if constexpr (kSingle) lo = std::min(lo, l), hi = std::max(hi, h);
      first = std::min(first, j);
      last = j + n - 1;
    } else if (bits == all) {
      for (int32_t i = 0; i < n; ++i) valid[j + i] = value[j + i] = 0;
    } else {  // without a branch per cell
      const uint64_t ok = ~bits & all;
      int32_t l = INT32_MAX, h = INT32_MIN;
      for (int32_t i = 0; i < n; ++i) {
        const bool v = (ok >> i) & 1u;
        const int32_t sample = v ? srow[c + i] : 0;
        valid[j + i] = v ? T(1) : T(0);
        value[j + i] = v ? T(sample - (kSingle ? centre : 0)) : T(0);
        if constexpr (kSingle)
          l = std::min(l, v ? sample : INT32_MAX), h = std::max(h, v ? sample : INT32_MIN);
      }
      if constexpr (kSingle) lo = std::min(lo, l), hi = std::max(hi, h);
      first = std::min(first, j + std::countr_zero(ok));
      last = j + int32_t(std::bit_width(ok)) - 1;
    }
    j += n;
  }
  for (; j < cols; ++j) valid[j] = value[j] = 0;
}

template <typename T>
using TConvertRow = void (*)(const int16_t* srow, const uint64_t* vrow, int32_t rowCols, int32_t c0,
                             int32_t cols, T* valid, T* value, int32_t centre, int32_t& first,
                             int32_t& last, int32_t& lo, int32_t& hi);
template <typename T>
void ConvertRowBase(const int16_t* srow, const uint64_t* vrow, int32_t rowCols, int32_t c0,
                    int32_t cols, T* valid, T* value, int32_t centre, int32_t& first, int32_t& last,
                    int32_t& lo, int32_t& hi) {
  ConvertRowBody<T>(srow, vrow, rowCols, c0, cols, valid, value, centre, first, last, lo, hi);
}
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// The same for AVX2 and AVX-512, whose selects and conversions keep whole
// words of cells in registers.
template <typename T>
DELVA_AVX2_TARGET void ConvertRowAvx2(const int16_t* srow, const uint64_t* vrow, int32_t rowCols,
                                      int32_t c0, int32_t cols, T* valid, T* value, int32_t centre,
                                      int32_t& first, int32_t& last, int32_t& lo, int32_t& hi) {
  ConvertRowBody<T>(srow, vrow, rowCols, c0, cols, valid, value, centre, first, last, lo, hi);
}
template <typename T>
DELVA_AVX512_TARGET void ConvertRowAvx512(const int16_t* srow, const uint64_t* vrow,
                                          int32_t rowCols, int32_t c0, int32_t cols, T* valid,
                                          T* value, int32_t centre, int32_t& first, int32_t& last,
                                          int32_t& lo, int32_t& hi) {
  ConvertRowBody<T>(srow, vrow, rowCols, c0, cols, valid, value, centre, first, last, lo, hi);
}
#endif
template <typename T>
TConvertRow<T> PickConvertRow() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  if (CpuHasAvx512()) return ConvertRowAvx512<T>;
  if (CpuHasAvx2()) return ConvertRowAvx2<T>;
#endif
  return ConvertRowBase<T>;
}

// A row of the transform's input: 1 for the valid cells and 0 for the voids
// or, for the samples, the sample less the centre and 0; lo and hi widen to
// the valid samples. Voids are cells holding the void value: nothing is
// written into the mesh while the transform runs.
DELVA_IDW_INLINE void TransformRowBody(const int16_t* row, int32_t n, int16_t none, bool samples,
                                       int32_t centre, double* out, int32_t& lo, int32_t& hi) {
  // Masks rather than branches or selects: loops the compiler vectorises.
  if (samples) {
    for (int32_t i = 0; i < n; ++i) {
      const int32_t v = row[i];
      const int32_t keep = -int32_t(v != none);  // all ones for a valid cell
      out[i] = double((v - centre) & keep);
    }
    return;
  }
  int32_t l = INT32_MAX, h = INT32_MIN;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t v = row[i];
    const int32_t keep = -int32_t(v != none);
    out[i] = double(keep & 1);
    l = std::min(l, (v & keep) | (INT32_MAX & ~keep));
    h = std::max(h, (v & keep) | (INT32_MIN & ~keep));
  }
  lo = std::min(lo, l), hi = std::max(hi, h);
}
using TTransformRow = void (*)(const int16_t* row, int32_t n, int16_t none, bool samples,
                               int32_t centre, double* out, int32_t& lo, int32_t& hi);
inline void TransformRowBase(const int16_t* row, int32_t n, int16_t none, bool samples,
                             int32_t centre, double* out, int32_t& lo, int32_t& hi) {
  TransformRowBody(row, n, none, samples, centre, out, lo, hi);
}
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
DELVA_AVX2_TARGET inline void TransformRowAvx2(const int16_t* row, int32_t n, int16_t none,
                                               bool samples, int32_t centre, double* out,
                                               int32_t& lo, int32_t& hi) {
  TransformRowBody(row, n, none, samples, centre, out, lo, hi);
}
DELVA_AVX512_TARGET inline void TransformRowAvx512(const int16_t* row, int32_t n, int16_t none,
                                                   bool samples, int32_t centre, double* out,
                                                   int32_t& lo, int32_t& hi) {
  TransformRowBody(row, n, none, samples, centre, out, lo, hi);
}
#endif
inline TTransformRow PickTransformRow() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  if (CpuHasAvx512()) return TransformRowAvx512;
  if (CpuHasAvx2()) return TransformRowAvx2;
#endif
  return TransformRowBase;
}

// The disk of offsets with their weights, row by row (|dy| = 0..r; rows dy
// and -dy are alike).
struct TDisk {
  int32_t r = 0;
  double p = 0;
  std::vector<int32_t> half;         // largest |dx| of the row
  std::vector<size_t> start;         // first weight of the row, for dx = -half
  std::unique_ptr<double[]> weight;  // 1 / (d^p + 1)
  std::unique_ptr<float[]> single;   // the same rounded to float, for screening
  double minWeight = 1;

  bool BuildSingle() {
    const size_t total = start[size_t(r)] + 2 * size_t(half[size_t(r)]) + 1;
    try {
      single.reset(new float[total]);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (size_t i = 0; i < total; ++i) single[i] = float(weight[i]);
    return true;
  }

  bool Build(int32_t radius, double power, int threads = 1) {
    r = radius;
    p = power;
    try {
      half.resize(size_t(r) + 1);
      start.resize(size_t(r) + 1);
      size_t total = 0;
      // Row widths shrink with |dy|: each row starts from the previous one's.
      for (int32_t ady = 0, h = r; ady <= r; ++ady) {
        while (h > 0 && std::sqrt(double(int64_t(h) * h + int64_t(ady) * ady)) > r) --h;
        half[ady] = h;
        start[ady] = total;
        total += size_t(2 * h + 1);
      }
      weight.reset(new double[total]);  // every entry is set below
    } catch (const std::bad_alloc&) {
      return false;
    }
    // The octant dx >= ady first, rows shared among threads; -dx has the same distance.
    const int shares = r >= 256 ? std::max(threads, 1) : 1;
    std::vector<double> least(size_t(shares), 1.0);
    auto octant = [&](int t) {
      for (int32_t ady = t; ady <= r; ady += shares) {
        double* w = weight.get() + start[ady];
        for (int32_t dx = ady; dx <= half[ady]; ++dx) {
          const double d = std::sqrt(double(int64_t(dx) * dx + int64_t(ady) * ady));
          const double v = 1.0 / (std::pow(d, p) + 1.0);
          w[half[ady] + dx] = w[half[ady] - dx] = v;
          least[size_t(t)] = std::min(least[size_t(t)], v);
        }
      }
    };
    std::vector<std::thread> helpers;
    int t = 1;
    for (; t < shares; ++t) {
      try {
        helpers.emplace_back(octant, t);
      } catch (const std::system_error&) {
        break;
      }
    }
    for (; t < shares; ++t) octant(t);  // the shares no thread could take
    octant(0);
    for (auto& h : helpers) h.join();
    minWeight = *std::min_element(least.begin(), least.end());
    // (dx, ady) with dx < ady has the distance of (ady, dx), in the octant:
    // the same expression of the same squared distance, so the same value.
    for (int32_t ady = 1; ady <= r; ++ady) {
      double* w = weight.get() + start[ady];
      for (int32_t dx = 0; dx < std::min(ady, half[ady] + 1); ++dx)
        w[half[ady] + dx] = w[half[ady] - dx] = weight[start[dx] + size_t(half[dx] + ady)];
    }
    return true;
  }
};

// The transform's verdicts, one per selected void, in row order.
struct TSettled {
  std::vector<int64_t> rowStart;  // per row of the rectangle, and one past
  std::vector<int16_t> value;
  std::vector<uint8_t> done;  // 1: value is the cell's result; 2: stays void; 0: open
};

struct TJob {
  const TTMesh* mesh;
  const TDisk* disk;
  const uint64_t* voids;  // one bit per grid cell: void when the run started
  int64_t wordsPerRow;
  TCellRect rect;
  const TTCellMask* mask;
  double tolerance;
  const TSettled* settled = nullptr;
  // Set: each row's voids are screened in single precision first, and only
  // those it cannot settle get the direct sums.
  const TSettleRule* screen = nullptr;

  bool IsVoid(int32_t x, int32_t y) const {
    return (voids[int64_t(y) * wordsPerRow + (x >> 6)] >> (x & 63)) & 1u;
  }
};

struct TRowResult {
  int64_t voids = 0;  // voids of the row inside the rectangle
  std::vector<std::pair<int32_t, int16_t>> fills;
};

class TWorker {
 public:
  explicit TWorker(const TJob& job)
      : job_(job),
        lanes_(PickLaneKernel()),
        lanesF_(PickLaneKernelF()),
        convertD_(PickConvertRow<double>()),
        convertF_(PickConvertRow<float>()) {}

  bool Reserve() {
    try {
      size_t span = size_t(kSegment + kLanes) + 2 * size_t(job_.disk->r);
      valid_.resize(span);
      value_.resize(span);
      if (job_.screen) validF_.resize(span), valueF_.resize(span), open_.reserve(kSegment);
      sumW_.resize(kSegment + kLanes);
      sumWS_.resize(kSegment + kLanes);
      targets_.reserve(size_t(job_.rect.Width()));
      blocks_.reserve(kSegment);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  void ProcessRow(int32_t y, TRowResult& out) {
    out.fills.clear();
    out.voids = Targets(y);
    const TCellRect& rc = job_.rect;
    if (job_.settled) {  // keep only what the transform left open
      const TSettled& st = *job_.settled;
      const int64_t base = st.rowStart[size_t(y - rc.Top)];
      size_t keep = 0;
      for (size_t t = 0; t < targets_.size(); ++t) {
        const uint8_t d = st.done[size_t(base) + t];
        if (d == 1)
          out.fills.emplace_back(targets_[t], st.value[size_t(base) + t]);
        else if (d == 0)
          targets_[keep++] = targets_[t];
      }
      targets_.resize(keep);
    }
    if (job_.screen) Screen(y, out);
    SumTargets<double>(y, *job_.disk, [&](size_t t, double sw, double sws, int32_t, int32_t) {
      int16_t v;
      if (Finish(targets_[t], y, sws, sw, &v)) out.fills.emplace_back(targets_[t], v);
    });
  }

  // Both sums over `disk` (a smaller one of the same weights) of every
  // selected void of row y, ascending columns: f(index, sw, sws).
  template <typename F>
  void NearSums(int32_t y, const TDisk& disk, F&& f) {
    Targets(y);
    SumTargets<double>(y, disk,
                       [&](size_t t, double sw, double sws, int32_t, int32_t) { f(t, sw, sws); });
  }

 private:
  // The selected voids of row y into targets_; returns the row's voids in
  // the rectangle, selected or not.
  int64_t Targets(int32_t y) {
    targets_.clear();
    int64_t voids = 0;
    const TCellRect& rc = job_.rect;
    const uint64_t* vrow = job_.voids + int64_t(y) * job_.wordsPerRow;
    for (int32_t x = rc.Left; x <= rc.Right;) {
      uint64_t word = vrow[x >> 6] >> (x & 63);
      if (word == 0) {  // no void up to the end of this word
        x = (x | 63) + 1;
        continue;
      }
      int32_t step = std::countr_zero(word);
      x += step;
      if (x > rc.Right) break;
      ++voids;
      if (!job_.mask || job_.mask->Get(x, y)) targets_.push_back(x);
      ++x;
    }
    return voids;
  }

  // Single-precision sums of the row's targets settle those whose quotient
  // lies clear of a step of the snapped truncation by more than their error
  // bound; the others stay in targets_ for the direct sums. A disk row adds
  // at most 2r + 1 terms in float, each a weight rounded to float times 1 or
  // an exact sample less the centre, from zero; the rows add up in double.
  // So each sum is within eta times the sum of |terms|, and the quotient
  // within about 2 eta times the largest |sample - centre|.
  void Screen(int32_t y, TRowResult& out) {
    const double n = 2.0 * job_.disk->r + 3;
    const double eta = 1.01 * (n * kSingleRoundoff / (1 - n * kSingleRoundoff) +
                               n * kUnitRoundoff / (1 - n * kUnitRoundoff));
    open_.clear();
    SumTargets<float>(
        y, *job_.disk, [&](size_t t, double sw, double sws, int32_t centre, int32_t spread) {
          if (sw == 0) return;  // no neighbour: every weight is a positive float
          const double q = centre + sws / sw;
          const double err =
              2.02 * eta * spread / (1 - eta) + 4 * kUnitRoundoff * (std::fabs(q) + 1);
          int16_t v;
          if (SettleQuotient(q, err, *job_.screen, &v))
            out.fills.emplace_back(targets_[t], v);
          else
            open_.push_back(targets_[t]);
        });
    targets_.swap(open_);
  }

  // Both sums of each target of row y (ascending columns) over the disk, in
  // double (the definition's sums) or float (screening, samples less a
  // centre): f(index, sw, sws, centre, largest |sample - centre|), in order.
  template <typename T, typename F>
  void SumTargets(int32_t y, const TDisk& disk, F&& f) {
    size_t i = 0;
    while (i < targets_.size()) {
      const size_t first = i;
      const int32_t segStart = targets_[i];
      blocks_.clear();
      while (i < targets_.size() && targets_[i] < segStart + kSegment) {
        int32_t b = targets_[i] - segStart;
        blocks_.push_back(b);
        while (i < targets_.size() && targets_[i] < segStart + b + kLanes) ++i;
      }
      int32_t centre = 0, spread = 0;
      ComputeSegment<T>(y, disk, segStart, blocks_.back() + kLanes, &centre, &spread);
      for (size_t t = first; t < i; ++t)
        f(t, sumW_[size_t(targets_[t] - segStart)], sumWS_[size_t(targets_[t] - segStart)], centre,
          spread);
    }
  }

  // Both sums for the lanes segStart .. segStart + len - 1 of row y. In
  // float, the samples are taken less a centre of the valid cells of row y
  // the disk reaches.
  template <typename T>
  void ComputeSegment(int32_t y, const TDisk& disk, int32_t segStart, int32_t len, int32_t* centre,
                      int32_t* spread) {
    const TTMesh& mesh = *job_.mesh;
    constexpr bool kSingle = std::is_same_v<T, float>;
    int32_t lo = INT32_MAX, hi = INT32_MIN;
    if constexpr (kSingle) {
      const int16_t* srow = mesh.RowStart(y);
      for (int32_t x = std::max(0, segStart - disk.r);
           x <= std::min(mesh.Cols - 1, segStart + len - 1 + disk.r); ++x)
        if (!job_.IsVoid(x, y))
          lo = std::min<int32_t>(lo, srow[x]), hi = std::max<int32_t>(hi, srow[x]);
      *centre = lo <= hi ? (lo + hi) / 2 : 0;
      lo = INT32_MAX, hi = INT32_MIN;
    }
    T* valid = kSingle ? reinterpret_cast<T*>(validF_.data()) : reinterpret_cast<T*>(valid_.data());
    T* value = kSingle ? reinterpret_cast<T*>(valueF_.data()) : reinterpret_cast<T*>(value_.data());
    std::fill(sumW_.begin(), sumW_.begin() + len, 0.0);
    std::fill(sumWS_.begin(), sumWS_.begin() + len, 0.0);
    for (int32_t dy = -disk.r; dy <= disk.r; ++dy) {
      const int32_t yy = y + dy;
      if (yy < 0 || yy >= mesh.Rows) continue;
      const int32_t ady = dy < 0 ? -dy : dy;
      const int32_t h = disk.half[ady];
      // The row's cells segStart - h .. segStart + len - 1 + h as 1/0 and
      // sample/0; off the grid counts as void.
      const int32_t c0 = segStart - h, cols = len + 2 * h;
      const int16_t* srow = mesh.RowStart(yy);
      const uint64_t* vrow = job_.voids + int64_t(yy) * job_.wordsPerRow;
      int32_t first = cols, last = -1;
      if constexpr (kSingle)
        convertF_(srow, vrow, mesh.Cols, c0, cols, valid, value, *centre, first, last, lo, hi);
      else
        convertD_(srow, vrow, mesh.Cols, c0, cols, valid, value, 0, first, last, lo, hi);
      if (last < 0) continue;
      // Lane k of block b reads index b + k + j: only the j that reach a
      // valid cell for some lane matter (the others add zeros).
      const int32_t n = 2 * h + 1;
      for (int32_t b : blocks_) {
        const int32_t j0 = std::max(0, first - b - (kLanes - 1));
        const int32_t j1 = std::min(n, last - b + 1);
        if (j0 >= j1) continue;
        if constexpr (kSingle)
          lanesF_(disk.single.get() + disk.start[ady], j0, j1, valid + b, value + b,
                  sumW_.data() + b, sumWS_.data() + b);
        else
          lanes_(disk.weight.get() + disk.start[ady], j0, j1, valid + b, value + b,
                 sumW_.data() + b, sumWS_.data() + b);
      }
    }
    if constexpr (kSingle) *spread = lo <= hi ? std::max(hi - *centre, *centre - lo) : 0;
  }

  bool Finish(int32_t x, int32_t y, double sws, double sw, int16_t* out) const {
    if (sw >= kIdwUnderflowSum) return IdwQuotient(sws, sw, job_.tolerance, out);
    // A zero sum with no vanishing weight means no neighbour at all.
    if (sw == 0 && job_.disk->minWeight > 0) return false;
    return Underflowed(x, y, out);
  }

  // Every weight (nearly) underflowed: weights relative to the nearest
  // neighbour, (d0 / d)^p, in scan order.
  bool Underflowed(int32_t x, int32_t y, int16_t* out) const {
    const TDisk& disk = *job_.disk;
    const TTMesh& mesh = *job_.mesh;
    auto neighbours = [&](auto&& f) {  // f(distance, sample), in scan order
      for (int32_t dy = -disk.r; dy <= disk.r; ++dy) {
        const int32_t yy = y + dy;
        if (yy < 0 || yy >= mesh.Rows) continue;
        const int32_t h = disk.half[dy < 0 ? -dy : dy];
        for (int32_t dx = -h; dx <= h; ++dx) {
          const int32_t xx = x + dx;
          if (xx < 0 || xx >= mesh.Cols || job_.IsVoid(xx, yy)) continue;
          f(std::sqrt(double(int64_t(dx) * dx + int64_t(dy) * dy)), mesh.GetCell(xx, yy));
        }
      }
    };
    double d0 = HUGE_VAL;
    neighbours([&](double d, int16_t) { d0 = std::min(d0, d); });
    if (d0 == HUGE_VAL) return false;
    double sw = 0, sws = 0;
    neighbours([&](double d, int16_t v) {
      const double wr = std::pow(d0 / d, disk.p);
      sw += wr;
      sws += wr * v;
    });
    return IdwQuotient(sws, sw, job_.tolerance, out);
  }

  const TJob& job_;
  TLaneKernel lanes_;
  TLaneKernelF lanesF_;
  TConvertRow<double> convertD_;
  TConvertRow<float> convertF_;
  std::vector<double> valid_, value_, sumW_, sumWS_;
  std::vector<float> validF_, valueF_;
  std::vector<int32_t> targets_, blocks_, open_;
};

}  // namespace idw_direct
