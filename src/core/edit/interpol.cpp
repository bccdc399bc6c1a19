// Fast exact inverse-distance filling.
//
// Per void the definition visits every cell of a disk of radius r in scan
// order and keeps two running sums. This implementation produces the very
// same sums, bit for bit:
// - the weight of each disk offset is computed once per run, with the same
//   expressions (sqrt of the squared offset, pow, 1 / (x + 1));
// - a cell that is no neighbour (void at the start, or off the grid) adds
//   w x 0.0 = +0.0 to both sums, which leaves a sum unchanged, so the disk can
//   be walked without branches;
// - that makes sixteen consecutive cells of a row independent lanes over the
//   same offsets, which the compiler turns into vector arithmetic, and each
//   lane still adds its terms in scan order.
// Rows are shared among worker threads; only the calling thread writes the
// results into the mesh and talks to the progress object, once per row.
//
// Those sums are only needed where a cheaper estimate cannot decide the
// result: each row's voids are first screened with the same sums in single
// precision (float weights, samples less a local centre, each row of the
// disk summed from zero), twice as many lanes per register. Their error is
// bounded; a void whose screened quotient lies clear of every step of the
// snapped truncation by more than that bound has its result, and only the
// others get the double sums.
//
// For large radii the direct sums cost O(r^2) per void. Then both sums of
// every void come from a correlation of the grid (validity, and samples less
// a centre value) with the disk of weights, by FFT, whose cost does not
// depend on r, plus, for steep weights, a small near disk summed directly
// (the transform then only carries the far ring, whose small norm keeps its
// error far below the weight sums of voids deep inside holes). The error is
// bounded; a void is settled only when that bound, plus a bound on the
// direct sums' own rounding, cannot move the quotient across a step of the
// snapped truncation. All other voids (a quotient too close to a step,
// weight sums too small to tell, no neighbour at all) get the direct sums.
// So the cells written are those of the direct sums.
#include "core/edit/interpol.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/cpu_features.h"
#include "core/base/progress.h"
#include "core/edit/fft_conv.h"
#include "core/edit/interpol_direct.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

using namespace idw_direct;

double IdwTolerance(int32_t radius) {
  // No grid reaches farther than 32768 cells (a radius beyond the diagonal
  // finds no more neighbours), so neither can the neighbour count.
  double r = std::clamp(radius, 1, 32768);
  double capacity = std::trunc(std::numbers::pi * (r + 1) * (r + 1));
  return (2 * capacity + 4) * DBL_EPSILON * 32768.0;
}

bool IdwQuotient(double sumWeightedSamples, double sumWeights, double tolerance, int16_t* out) {
  double q = sumWeightedSamples / sumWeights;
  if (!std::isfinite(q)) return 0;
  double nearest = std::round(q);
  double v = std::fabs(q - nearest) <= tolerance ? nearest : std::trunc(q);
  *out = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
  return true;
}

namespace {

// Seconds per unit of work on one core of the development machine: a block
// of lanes over one disk cell (direct sums), and one n log2 n unit of the
// transforms (with four transforms to a register, and everything around
// them, measured on whole fills). Only their ratio steers the choice.
constexpr double kDirectUnit = 2.7e-9;
constexpr double kTransformUnit = 4.5e-10;
constexpr int32_t kScreenRadius = 400;
constexpr int64_t kMemoryCap = int64_t(2) << 30;

// The selected voids of row y, left to right.
template <typename F>
void ForTargets(const TJob& job, int32_t y, F&& f) {
  const TCellRect& rc = job.rect;
  const uint64_t* vrow = job.voids + int64_t(y) * job.wordsPerRow;
  for (int32_t x = rc.Left; x <= rc.Right;) {
    uint64_t word = vrow[x >> 6] >> (x & 63);
    if (word == 0) {
      x = (x | 63) + 1;
      continue;
    }
    x += std::countr_zero(word);
    if (x > rc.Right) break;
    if (!job.mask || job.mask->Get(x, y)) f(x);
    ++x;
  }
}

// Lane blocks the direct sums spend on these columns (see ProcessRow).
struct TBlockCounter {
  int64_t blocks = 0;
  int32_t start = INT32_MIN;
  void Add(int32_t x) {
    if (int64_t(x) >= int64_t(start) + kLanes) {
      ++blocks;
      start = x;
    }
  }
};

// The quotient of transform sums w and s (samples less the centre), with
// errors up to ew and es, settles the cell when no step of the snapped
// truncation lies within the transform's error plus the direct quotient's.
// Verdicts: 0 open (direct sums needed), 1 *out is the result, 2 no neighbour
// (a weight sum below the smallest weight of the disk).
uint8_t Settle(double w, double s, double ew, double es, const TSettleRule& rule, int16_t* out) {
  if (w + ew < rule.minWeight) return 2;
  if (!(w > 2 * ew + 1e-240)) return 0;  // also keeps clear of the underflow guard
  const double qc = s / w;
  const double err = (es + std::fabs(qc) * ew) / (w - ew) +
                     8 * kUnitRoundoff * (std::fabs(qc) + std::fabs(rule.centre) + 1);
  return SettleQuotient(rule.centre + qc, err, rule, out);
}

// The near disk of the weights (dx^2 + dy^2 <= r0^2), summed directly per
// void (in lanes, by the direct sums' workers) and left out of the
// transform's kernel. Steep weights put nearly all of the kernel's norm
// there, so the transform's error bound, which scales with that norm, drops
// by orders of magnitude, and voids deep inside holes (weight sums far below
// 1) settle too. Only a bound on the near sums' error matters.
struct TNearDisk {
  TDisk disk;         // the same weights as the whole disk's
  int64_t count = 0;  // offsets; 0: no near disk

  void Build(int32_t radius, double p) {
    count = 0;
    disk = TDisk{};
    if (radius <= 0 || !disk.Build(radius, p)) return;  // the transform takes the whole disk
    for (int32_t ady = 0; ady <= radius; ++ady)
      count += (ady ? 2 : 1) * (2 * int64_t(disk.half[size_t(ady)]) + 1);
  }
  bool Contains(int32_t ox, int32_t oy) const {  // ox, oy >= 0
    return count > 0 && oy <= disk.r && ox <= disk.half[size_t(oy)];
  }
};

// Progress by estimated time: shares of a fixed total, reported from the
// calling thread. Estimates may overshoot a share: the bar never goes back.
class TTimeTrack {
 public:
  explicit TTimeTrack(TTProgress* p) : p_(p) {}
  void Set(double percent) {
    percent = std::clamp(percent, 0.0, 100.0);
    if (int(percent) > shown_) {
      shown_ = int(percent);
      if (p_) p_->SetPositionPercent(percent);
    }
  }
  TTProgress* Progress() const { return p_; }
  int Shown() const { return shown_; }

 private:
  TTProgress* p_;
  int shown_ = 0;
};

}  // namespace

bool InterpolNearestNei(TTMesh& mesh, const TCellRect& rect, int32_t radius, TTProgress* progress,
                        const TTCellMask* mask, double weight, TTInterpolRun* run) {
  if (run) run->Voids = run->Filled = run->DirectSums = 0, run->Aborted = run->Transformed = false;
  if (mesh.Samples.Empty() || mesh.Samples.Size() < int64_t(mesh.Cols) * mesh.Rows ||
      mesh.Cols <= 0 || mesh.Rows <= 0)
    return true;
  TCellRect rc{std::max(rect.Left, 0), std::min(rect.Right, mesh.Cols - 1), std::max(rect.Top, 0),
               std::min(rect.Bottom, mesh.Rows - 1)};
  if (rc.IsEmpty()) return true;

  // A radius beyond the grid's diagonal reaches nothing more.
  const int32_t diagonal = int32_t(std::ceil(std::hypot(double(mesh.Cols), double(mesh.Rows))));
  const int32_t r = std::clamp(radius, 0, diagonal);

  TDisk disk;
  std::vector<uint64_t> voidMap;
  const int64_t wordsPerRow = (int64_t(mesh.Cols) + 63) / 64;
  const int32_t height = rc.Height();
  std::vector<double> rowCost;
  try {
    voidMap.assign(size_t(wordsPerRow * mesh.Rows), 0);
    rowCost.assign(size_t(height), 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  int threads = run && run->Threads > 0 ? run->Threads
                                        : int(std::max(1u, std::thread::hardware_concurrency()));
  threads = int(std::min<int64_t>(threads, height));
  if (!disk.Build(r, weight, threads)) return false;

  // Voids as the run starts; T counts those of the rectangle, masked or not.
  int64_t total = 0, inSelection = 0;
  for (int32_t y = 0; y < mesh.Rows; ++y) {
    const int16_t* row = mesh.RowStart(y);
    uint64_t* bits = voidMap.data() + int64_t(y) * wordsPerRow;
    for (int32_t x0 = 0; x0 < mesh.Cols; x0 += 64) {  // a word at a time, without branches
      const int32_t n = std::min(64, mesh.Cols - x0);
      uint8_t flags[64] = {};  // 1 for a void: a loop the compiler vectorises
      for (int32_t i = 0; i < n; ++i) flags[i] = row[x0 + i] == mesh.VoidValue;
      uint64_t word = 0;
      for (int k = 0; k < 8; ++k) {  // eight flags to eight bits, flag i to bit i
        uint64_t eight;
        std::memcpy(&eight, flags + 8 * k, 8);
        word |= ((eight * 0x0102040810204080ull) >> 56) << (8 * k);
      }
      bits[x0 >> 6] = word;
      if (y < rc.Top || y > rc.Bottom || x0 > rc.Right || x0 + 63 < rc.Left) continue;
      for (; word; word &= word - 1) {
        const int32_t x = x0 + std::countr_zero(word);
        if (x < rc.Left || x > rc.Right) continue;
        ++total;
        if (!mask || mask->Get(x, y)) ++inSelection;
      }
    }
  }

  TJob job{&mesh, &disk, voidMap.data(), wordsPerRow, rc, mask, IdwTolerance(radius)};

  // Disk cells within the grid's rows, per row of the rectangle: what one
  // lane block of the direct sums costs there.
  std::vector<double> diskRows(size_t(2) * r + 2, 0.0);
  for (int32_t dy = -r; dy <= r; ++dy)
    diskRows[size_t(dy + r + 1)] =
        diskRows[size_t(dy + r)] + 2.0 * disk.half[size_t(std::abs(dy))] + 1;
  auto diskArea = [&](int32_t y) {
    const int32_t lo = std::max(-r, -y), hi = std::min(r, mesh.Rows - 1 - y);
    return lo > hi ? 0.0 : diskRows[size_t(hi + r + 1)] - diskRows[size_t(lo + r)];
  };
  double directWork = 0;
  int32_t tLeft = INT32_MAX, tRight = -1, tTop = INT32_MAX, tBottom = -1;
  int64_t rowsWithTargets = 0;
  for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
    TBlockCounter bc;
    int32_t first = -1, last = -1;
    ForTargets(job, y, [&](int32_t x) {
      bc.Add(x);
      if (first < 0) first = x;
      last = x;
    });
    rowCost[size_t(y - rc.Top)] = double(bc.blocks) * diskArea(y);
    directWork += rowCost[size_t(y - rc.Top)];
    if (first >= 0) {
      tLeft = std::min(tLeft, first), tRight = std::max(tRight, last);
      tTop = std::min(tTop, y), tBottom = y, ++rowsWithTargets;
    }
  }

  // Screening in single precision, while its error bound (which grows with
  // r) leaves most quotients clear of a step, and every weight is a positive
  // float.
  TSettleRule screen;
  screen.tolerance = job.tolerance;
  screen.directUnits = 1.05 * (diskRows.back() + 2) * kUnitRoundoff;
  if ((run ? run->Screen : true) && r <= kScreenRadius && disk.minWeight >= 1e-30 &&
      disk.BuildSingle())
    job.screen = &screen;
  // What a block of lanes over one disk cell costs the direct sums.
  // Screened: sixteen float lanes per AVX-512 register, eight per AVX2 one.
  const double directUnit = !job.screen ? kDirectUnit : CpuHasAvx512() ? 1.4e-9 : 1.9e-9;

  // The transform, when it is expected to be cheaper and fits the memory.
  const TIdwMethod method = run ? run->Method : TIdwMethod::Auto;
  TSettled settled;
  TEvenCorrelation corr;
  TNearDisk near;
  double nearWork = 0;
  bool useTransform = false;
  double transformWork = 0;
  TCellRect in{};
  const int64_t limit = run && run->MemoryLimit > 0
                            ? run->MemoryLimit
                            : std::min<int64_t>(kMemoryCap, int64_t(rc.Width()) * height * 32);
  if (method != TIdwMethod::Direct && tBottom >= 0 && r > 0) {
    in = TCellRect{std::max(0, tLeft - r), std::min(mesh.Cols - 1, tRight + r),
                   std::max(0, tTop - r), std::min(mesh.Rows - 1, tBottom + r)};
    TEvenCorrelation::TGeometry g;
    g.inCols = in.Width(), g.inRows = in.Height();
    g.outLeft = tLeft - in.Left, g.outRight = tRight - in.Left;
    g.outTop = tTop - in.Top, g.outBottom = tBottom - in.Top;
    g.rx = std::min(r, std::max(g.outRight, g.inCols - 1 - g.outLeft));
    g.ry = std::min(r, std::max(g.outBottom, g.inRows - 1 - g.outTop));
    if (corr.Plan(g, threads) &&
        corr.Bytes() + inSelection * 35 + int64_t(height + 1) * 8 <= limit) {
      const double fftWork = corr.KernelWork() + 2 * corr.CorrelationWork(rowsWithTargets);
      // Gentle weights keep most of the kernel's norm beyond any small disk:
      // no near disk then. Else the widest that costs a fraction of the
      // transforms.
      const int forced = run ? run->NearRadius : -1;
      for (int32_t r0 : {forced, 8, 4, 2}) {
        if (r0 < 0 || (forced < 0 && weight < 2.5)) continue;
        near.Build(std::min(r0, r - 1), weight);
        nearWork = double(inSelection) * (double(near.count) / 8 + 2.0 * (2 * near.disk.r + 1));
        if (forced >= 0 || nearWork <= 0.5 * fftWork) break;
        near.Build(0, weight), nearWork = 0;
      }
      transformWork = fftWork + nearWork;
      // A few percent of the voids are expected to fall back on direct sums.
      useTransform =
          method == TIdwMethod::Transform ||
          transformWork * kTransformUnit + 0.05 * directWork * directUnit < directWork * directUnit;
    }
  }

  std::vector<TWorker> workers;
  std::vector<std::thread> pool;
  try {
    pool.reserve(size_t(threads));
    workers.reserve(size_t(threads));
    for (int i = 0; i < threads; ++i) {
      workers.emplace_back(job);
      if (!workers.back().Reserve()) return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }

  TTimeTrack track(progress);
  if (progress) {
    progress->SetRange(0, 100);
    progress->SetPositionPercent(0);
    progress->Show();
  }
  // An Esc pending from before the run stops it before any row.
  PumpMessages(progress);
  bool aborted = AbortPending(progress);

  double rowShareStart = 0;  // percent reached before the row loop
  auto verdicts = [&] {      // room for the transform's verdicts
    try {
      settled.rowStart.resize(size_t(height) + 1);
      settled.value.resize(size_t(inSelection));
      settled.done.assign(size_t(inSelection), 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  };
  if (useTransform && !aborted && verdicts()) {
    int64_t n = 0;
    for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
      settled.rowStart[size_t(y - rc.Top)] = n;
      ForTargets(job, y, [&](int32_t) { ++n; });
    }
    settled.rowStart[size_t(height)] = n;
    double fftShare =
        100.0 * transformWork / (transformWork + 0.05 * directWork * directUnit / kTransformUnit);
    double workDone = 0, pctBase = 0, workBase = 0;  // later passes map onto the rest
    auto pctAt = [&](double work) {
      return std::min(fftShare, pctBase + (fftShare - pctBase) * (work - workBase) /
                                              (transformWork - workBase));
    };
    bool cancelled = false;
    // Pieces of a transform stage on all threads; the calling thread works
    // too and keeps the window painting and the Esc key noticed.
    TParallelFor parallel = [&](int64_t count, double costPerItem,
                                const std::function<void(int64_t, int)>& body) {
      std::atomic<int64_t> next{0}, finished{0};
      std::atomic<bool> stop{false};
      std::mutex doneLock;
      std::condition_variable done;
      auto work = [&](int t) {
        for (int64_t i; !stop.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < count;) {
          body(i, t);
          if (finished.fetch_add(1) + 1 == count) {
            { std::lock_guard<std::mutex> hold(doneLock); }
            done.notify_all();
          }
        }
      };
      std::vector<std::thread> helpers;
      for (int t = 1; t < threads; ++t) {
        try {
          helpers.emplace_back(work, t);
        } catch (const std::system_error&) {
          break;
        }
      }
      auto last = std::chrono::steady_clock::now();
      for (int64_t i; !stop.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < count;) {
        body(i, 0);
        finished.fetch_add(1);
        if (std::chrono::steady_clock::now() - last > std::chrono::milliseconds(40)) {
          last = std::chrono::steady_clock::now();
          track.Set(pctAt(workDone + double(finished.load()) * costPerItem));
          PumpMessages(progress);
          if (AbortPending(progress)) stop = true;
        }
      }
      // The helpers finish their pieces; keep painting meanwhile.
      std::unique_lock<std::mutex> hold(doneLock);
      while (!stop && !done.wait_for(hold, std::chrono::milliseconds(40),
                                     [&] { return finished.load() >= count; })) {
        hold.unlock();
        PumpMessages(progress);
        if (AbortPending(progress)) stop = true;
        hold.lock();
      }
      hold.unlock();
      for (auto& h : helpers) h.join();
      workDone += double(count) * costPerItem;
      track.Set(pctAt(workDone));
      cancelled = cancelled || stop.load();
      return !cancelled;
    };

    const TCellRect inRect = in;
    const TDisk& dk = disk;
    bool ok = corr.SetKernel(
        [&](int32_t ox, int32_t oy) {
          if (oy > dk.r || ox > dk.half[size_t(oy)] || near.Contains(ox, oy)) return 0.0;
          return dk.weight[dk.start[size_t(oy)] + size_t(ox + dk.half[size_t(oy)])];
        },
        parallel, true);
    TSettleRule rule = screen;
    rule.minWeight = dk.minWeight;
    // Error of the near sums in any order and of adding them to the far ones.
    const double nearError = 1.05 * double(near.count + 2) * kUnitRoundoff;
    // The sample sums are taken less the centre of the valid samples, so
    // that they stay small; the weights' input rows bring their range.
    double centre = 0;
    std::vector<double> sumW, partS;  // partS: the sample sums' first part
    std::vector<int16_t> rowLo, rowHi;
    try {
      if (ok)
        sumW.resize(size_t(inSelection)), partS.resize(size_t(inSelection)),
            rowLo.resize(size_t(in.Height())), rowHi.resize(size_t(in.Height()));
    } catch (const std::bad_alloc&) {
      ok = false;
    }
    auto rowWanted = [&](int32_t ly) {
      const int32_t y = ly + inRect.Top;
      return y >= rc.Top && y <= rc.Bottom &&
             settled.rowStart[size_t(y - rc.Top) + 1] > settled.rowStart[size_t(y - rc.Top)];
    };
    const TTransformRow transformRow = PickTransformRow();
    auto fill = [&](bool samples) {
      return [&, samples](int32_t ly, double* out) {
        int32_t lo = INT32_MAX, hi = INT32_MIN;
        transformRow(mesh.RowStart(ly + inRect.Top) + inRect.Left, inRect.Width(), mesh.VoidValue,
                     samples, int32_t(centre), out, lo, hi);
        if (!samples)
          rowLo[size_t(ly)] = int16_t(std::min(lo, 32767)),
          rowHi[size_t(ly)] = int16_t(std::max(hi, -32768));
      };
    };
    double normW = 0, normS = 0;
    ok = ok && corr.Run(
                   fill(false), rowWanted,
                   [&](int32_t ly, const TCorrelationRow& vals, int part) {
                     const int32_t y = ly + inRect.Top;
                     int64_t t = settled.rowStart[size_t(y - rc.Top)];
                     ForTargets(job, y, [&](int32_t x) {
                       double& w = sumW[size_t(t++)];
                       w = (part ? w : 0.0) + vals[x - inRect.Left];
                     });
                   },
                   parallel, &normW);
    const double errW = corr.ErrorBound(normW);
    int16_t lo = INT16_MAX, hi = INT16_MIN;
    for (size_t i = 0; ok && i < rowLo.size(); ++i)
      lo = std::min(lo, rowLo[i]), hi = std::max(hi, rowHi[i]);
    centre = rule.centre = lo <= hi ? std::round((double(lo) + double(hi)) / 2) : 0.0;
    rule.maxSample = lo <= hi ? std::max(std::fabs(double(lo)), std::fabs(double(hi))) : 32768.0;
    // The near disk's sums of every void, row by row on all threads.
    std::vector<double> nearW, nearS;
    std::vector<int32_t> nearRows;
    if (ok && near.count > 0) {
      try {
        nearW.resize(size_t(inSelection)), nearS.resize(size_t(inSelection));
        for (int32_t y = rc.Top; y <= rc.Bottom; ++y)
          if (settled.rowStart[size_t(y - rc.Top) + 1] > settled.rowStart[size_t(y - rc.Top)])
            nearRows.push_back(y);
      } catch (const std::bad_alloc&) {
        ok = false;
      }
      ok = ok &&
           parallel(
               int64_t(nearRows.size()), nearWork / double(nearRows.size()), [&](int64_t i, int t) {
                 const int32_t y = nearRows[size_t(i)];
                 const size_t k = size_t(settled.rowStart[size_t(y - rc.Top)]);
                 workers[size_t(t)].NearSums(y, near.disk, [&](size_t j, double sw, double sws) {
                   nearW[k + j] = sw, nearS[k + j] = sws;
                 });
               });
    }
    // The sample sums' bound needs their input norm, which Run has set by
    // the time the output rows come.
    ok = ok &&
         corr.Run(
             fill(true), rowWanted,
             [&](int32_t ly, const TCorrelationRow& vals, int part) {
               const double errS = corr.ErrorBound(normS);
               const int32_t y = ly + inRect.Top;
               int64_t t = settled.rowStart[size_t(y - rc.Top)];
               ForTargets(job, y, [&](int32_t x) {
                 const size_t i = size_t(t++);
                 if (part == 0) {
                   partS[i] = vals[x - inRect.Left];
                   return;
                 }
                 double w = sumW[i], s = partS[i] + vals[x - inRect.Left], ew = errW, es = errS;
                 if (near.count > 0) {
                   const double nw = nearW[i], ns = nearS[i] - centre * nw;
                   w += nw, s += ns;
                   ew += nearError * (nw + std::fabs(w));
                   es += nearError * (nw * (rule.maxSample + std::fabs(centre)) + std::fabs(s));
                 }
                 settled.done[i] = Settle(w, s, ew, es, rule, &settled.value[i]);
               });
             },
             parallel, &normS);

    // Voids left open whose nearest valid cell is far: their weight sums are
    // tiny against the error over the whole kernel. A void with no valid
    // cell nearer than t gets nothing from the offsets nearer than t, so a
    // kernel without them (a far smaller norm, hence error) settles it, and
    // no valid cell within r at all means no neighbour. Chessboard distances
    // (never above the Euclidean ones) in classes t = 4, 8, 16, ...: each
    // class one more pair of correlations, when that is cheaper than the
    // direct sums of its open voids.
    const double passWork = corr.KernelWork() + 2 * corr.CorrelationWork(rowsWithTargets);
    const double voidDirect = double(diskRows.back()) / 8 * directUnit / kTransformUnit;
    int64_t open = 0;
    for (size_t i = 0; ok && i < settled.done.size(); ++i) open += settled.done[i] == 0;
    std::vector<uint16_t> dist;
    const int32_t inW = inRect.Width(), inH = inRect.Height();
    if (ok && !cancelled && double(open) * voidDirect > passWork &&
        corr.Bytes() + inSelection * 35 + int64_t(height + 1) * 8 + int64_t(inW) * inH * 2 <=
            limit) {
      try {
        dist.resize(size_t(inW) * inH);
      } catch (const std::bad_alloc&) {
      }
    }
    if (!dist.empty()) {
      const int cap = int(std::min<int32_t>(r + 1, 65535));
      auto d = [&](int32_t lx, int32_t ly) -> int {
        return lx < 0 || ly < 0 || lx >= inW || ly >= inH ? cap : dist[size_t(ly) * inW + lx];
      };
      for (int32_t ly = 0; ly < inH; ++ly)
        for (int32_t lx = 0; lx < inW; ++lx)
          dist[size_t(ly) * inW + lx] =
              uint16_t(!job.IsVoid(lx + inRect.Left, ly + inRect.Top)
                           ? 0
                           : std::min({cap, 1 + d(lx - 1, ly), 1 + d(lx - 1, ly - 1),
                                       1 + d(lx, ly - 1), 1 + d(lx + 1, ly - 1)}));
      for (int32_t ly = inH - 1; ly >= 0; --ly)
        for (int32_t lx = inW - 1; lx >= 0; --lx)
          dist[size_t(ly) * inW + lx] =
              uint16_t(std::min({d(lx, ly), 1 + d(lx + 1, ly), 1 + d(lx + 1, ly + 1),
                                 1 + d(lx, ly + 1), 1 + d(lx - 1, ly + 1)}));
      auto classOf = [&](int32_t x, int32_t y) {  // -1: none
        const int v = d(x - inRect.Left, y - inRect.Top);
        return v < 4 ? -1 : int(std::bit_width(unsigned(v) / 4)) - 1;
      };
      std::array<int64_t, 16> count{};
      for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
        int64_t t = settled.rowStart[size_t(y - rc.Top)];
        ForTargets(job, y, [&](int32_t x) {
          uint8_t& verdict = settled.done[size_t(t++)];
          if (verdict) return;
          if (d(x - inRect.Left, y - inRect.Top) > r)
            verdict = 2;
          else if (classOf(x, y) >= 0)
            ++count[size_t(classOf(x, y))];
        });
      }
      std::array<bool, 16> pass{};
      double extra = 0, left = 0;
      for (int k = 0; k < 16; ++k) {
        if (double(count[size_t(k)]) * voidDirect > passWork)
          pass[size_t(k)] = true, extra += passWork;
        else
          left += double(count[size_t(k)]) * voidDirect;
      }
      if (extra > 0) {  // the passes take their share of the rest of the bar
        pctBase = pctAt(workDone), workBase = workDone, transformWork = workDone + extra;
        fftShare = pctBase + (100 - pctBase) * extra /
                                 (extra + left + 0.05 * directWork * directUnit / kTransformUnit);
      }
      for (int k = 0; k < 16; ++k) {
        if (!pass[size_t(k)]) continue;
        const int64_t t = int64_t(4) << k;  // offsets nearer than t add nothing
        ok = ok && corr.SetKernel(
                       [&](int32_t ox, int32_t oy) {
                         if (oy > dk.r || ox > dk.half[size_t(oy)] ||
                             int64_t(ox) * ox + int64_t(oy) * oy < t * t)
                           return 0.0;
                         return dk.weight[dk.start[size_t(oy)] + size_t(ox + dk.half[size_t(oy)])];
                       },
                       parallel, true);
        auto mine = [&](int32_t y, auto&& f) {  // the open voids of class k in row y
          int64_t t = settled.rowStart[size_t(y - rc.Top)];
          ForTargets(job, y, [&](int32_t x) {
            const size_t i = size_t(t++);
            if (!settled.done[i] && classOf(x, y) == k) f(x, i);
          });
        };
        auto wanted = [&](int32_t ly) {
          bool any = false;
          if (rowWanted(ly)) mine(ly + inRect.Top, [&](int32_t, size_t) { any = true; });
          return any;
        };
        double nw = 0, ns = 0;
        ok = ok && corr.Run(
                       fill(false), wanted,
                       [&](int32_t ly, const TCorrelationRow& vals, int part) {
                         mine(ly + inRect.Top, [&](int32_t x, size_t i) {
                           sumW[i] = (part ? sumW[i] : 0.0) + vals[x - inRect.Left];
                         });
                       },
                       parallel, &nw);
        const double ew = corr.ErrorBound(nw);
        ok = ok && corr.Run(
                       fill(true), wanted,
                       [&](int32_t ly, const TCorrelationRow& vals, int part) {
                         const double es = corr.ErrorBound(ns);
                         mine(ly + inRect.Top, [&](int32_t x, size_t i) {
                           if (part == 0) {
                             partS[i] = vals[x - inRect.Left];
                             return;
                           }
                           settled.done[i] = Settle(sumW[i], partS[i] + vals[x - inRect.Left], ew,
                                                    es, rule, &settled.value[i]);
                         });
                       },
                       parallel, &ns);
      }
    }
    if (ok) {
      for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
        const int64_t t0 = settled.rowStart[size_t(y - rc.Top)];
        int64_t t = t0;
        TBlockCounter bc;
        ForTargets(job, y, [&](int32_t x) {
          if (!settled.done[size_t(t++)]) bc.Add(x);
        });
        rowCost[size_t(y - rc.Top)] = double(bc.blocks) * diskArea(y) + double(t - t0) * 4;
      }
    }
    aborted = cancelled;
    if (ok) {
      job.settled = &settled;
      rowShareStart = fftShare;
      if (run) run->Transformed = true;
    }
  }

  double rowWorkTotal = 0;
  for (double c : rowCost) rowWorkTotal += c;
  double rowWorkDone = 0;
  int64_t filled = 0, direct = 0;
  auto apply = [&](const TRowResult& res, int32_t y) {
    for (const auto& [x, v] : res.fills) mesh.SetCell(x, y, v);
    filled += int64_t(res.fills.size());
    rowWorkDone += rowCost[size_t(y - rc.Top)];
    if (res.voids > 0)
      track.Set(rowWorkTotal > 0
                    ? rowShareStart + (100 - rowShareStart) * rowWorkDone / rowWorkTotal
                    : 100.0);
  };
  if (job.settled) {
    for (int64_t i = 0; i < inSelection; ++i) direct += settled.done[size_t(i)] == 0;
  } else {
    direct = inSelection;
  }

  std::mutex m;
  std::condition_variable cv;
  std::deque<std::vector<std::pair<int32_t, TRowResult>>> done;  // batches of rows
  std::atomic<int32_t> nextRow{rc.Top};
  std::atomic<bool> stop{false};
  std::atomic<bool> outOfMemory{false};
  int active = 0;

  // With every void settled, rows only take their values: handing each row
  // over from a worker would cost more than that.
  if (threads > 1 && !aborted && direct > 0) {
    auto work = [&](TWorker* w) {
      // Rows go to the calling thread in batches: rows that only take the
      // transform's values are many and quick, and a hand-over each would
      // cost more than they do. A batch leaves after 20 ms at the latest.
      std::vector<std::pair<int32_t, TRowResult>> batch;
      auto handOver = [&] {
        {
          std::lock_guard lock(m);
          done.push_back(std::move(batch));
        }
        cv.notify_one();
        batch = {};
      };
      auto since = std::chrono::steady_clock::now();
      for (;;) {
        if (stop.load(std::memory_order_relaxed)) break;
        const int32_t y = nextRow.fetch_add(1);
        if (y > rc.Bottom) break;
        TRowResult res;
        try {
          w->ProcessRow(y, res);
          batch.emplace_back(y, std::move(res));
        } catch (const std::bad_alloc&) {
          stop = outOfMemory = true;  // leave the row void rather than bring the program down
          break;
        }
        if (std::chrono::steady_clock::now() - since > std::chrono::milliseconds(20)) {
          handOver();
          since = std::chrono::steady_clock::now();
        }
      }
      if (!batch.empty()) handOver();
      {
        std::lock_guard lock(m);
        --active;
      }
      cv.notify_one();
    };
    for (int i = 0; i < threads; ++i) {
      try {
        {
          std::lock_guard lock(m);
          ++active;
        }
        pool.emplace_back(work, &workers[size_t(i)]);
      } catch (const std::system_error&) {
        std::lock_guard lock(m);
        --active;
        break;
      }
    }
  }

  if (pool.empty() && !aborted) {
    TRowResult res;
    for (int32_t y = rc.Top; y <= rc.Bottom; ++y) {
      if (y > rc.Top) PumpMessages(progress);
      if (AbortPending(progress)) {
        aborted = true;
        break;
      }
      try {
        workers[0].ProcessRow(y, res);
      } catch (const std::bad_alloc&) {
        outOfMemory = true;
        break;  // leave the rest void rather than bring the program down
      }
      apply(res, y);
    }
  } else if (!pool.empty()) {
    std::unique_lock lock(m);
    for (;;) {
      // A row can take seconds at large radii: keep the window painting and
      // Esc noticed meanwhile (the workers stop at their next row).
      if (!cv.wait_for(lock, std::chrono::milliseconds(50),
                       [&] { return !done.empty() || active == 0; })) {
        lock.unlock();
        PumpMessages(progress);
        if (!aborted && AbortPending(progress)) stop = aborted = true;
        lock.lock();
        continue;
      }
      if (done.empty()) break;
      auto rows = std::move(done.front());
      done.pop_front();
      lock.unlock();
      for (const auto& [y, res] : rows) {
        apply(res, y);
        PumpMessages(progress);
        if (!aborted && AbortPending(progress)) stop = aborted = true;
      }
      lock.lock();
    }
    lock.unlock();
    for (auto& t : pool) t.join();
  }

  if (!aborted && total > 0) track.Set(100);  // whatever the sums' rounding
  if (progress) progress->Hide();
  if (run) {
    run->Voids = inSelection;
    run->Filled = filled;
    run->Aborted = aborted;
    run->Percent = total > 0 ? track.Shown() : 100;
    run->OutOfMemory = outOfMemory;
    run->DirectSums = direct;
  }
  return true;
}
