#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/edit/void_regions.h"

class TTMesh;
class TTCellMask;
class TTProgress;

// Void filling with a continuous-curvature spline in tension.
//
// Each void (8-connected, see void_regions.h) is filled on its own with the
// surface u that meets every valid cell and minimises, over the void,
//
//   E(u) = sum of (u_ss^2 + 2 u_st^2 + u_tt^2)  +  (1 / L^2) sum of (u_s^2 + u_t^2)
//
// in finite differences on the grid. The first sum alone is a thin-plate
// spline: it carries the slopes at the void's rim into the void, which
// continues ridges and valleys, but over a wide void it can bulge far above
// or below the rim. The second sum pulls towards a membrane, which never
// leaves the range of the rim; L (cells) sets the distance from the rim
// beyond which the membrane wins.
//
// s and t are distances across and along the grain of the terrain around
// the void, each in its own scale (see TTGrain): where ridges and valleys
// run one way, a surface that bends little along them carries them across
// the void, where an isotropic one rounds them off into a dome or a bowl.
// The grain is the dominant direction of the slopes (their structure
// tensor) over the valid cells within GrainBand cells of the void.
//
// The differences reach two cells out, so the data are the valid cells of
// a band two cells wide around the void; cells outside the grid and void
// cells of other voids (or outside the selection) take no part. The linear
// system of the minimum is solved by conjugate gradients; for large voids
// each step is preconditioned by a multigrid cycle over ever coarser grids
// (every other cell), so that the number of steps hardly grows with the
// void and the cost stays near linear in its cells.
//
// Finally each value is clamped to the range of the valid cells within
// three cells of the void, widened on both sides by a quarter of that range
// and at least by 10 m, and rounded to the nearest metre.

// A window of cells: each one is absent (neither known nor wanted), data (a
// known value) or unknown (wanted; gets the surface value).
enum : uint8_t { kSplineAbsent = 0, kSplineData = 1, kSplineUnknown = 2 };

struct TTSplineGrid {
  int32_t Width = 0, Height = 0;
  std::vector<double> Value;
  std::vector<uint8_t> Kind;

  void Reset(int32_t width, int32_t height) {
    Width = width;
    Height = height;
    Value.assign(size_t(int64_t(width) * height), 0.0);
    Kind.assign(size_t(int64_t(width) * height), kSplineAbsent);
  }
  int64_t Index(int32_t x, int32_t y) const { return int64_t(y) * Width + x; }
};

struct TTSplineParams {
  double TensionLength = 16;  // L, in cells
  int32_t ClampBand = 3;      // cells around the void whose range bounds the surface
  double ClampMarginFraction = 0.25;
  double ClampMarginMin = 10;  // metres
  bool Clamp = true;
  int32_t GrainBand = 30;    // cells around the void that give the grain
  double MaxAnisotropy = 3;  // bound of TTGrain::Ratio; 1 keeps the spline isotropic
};

// The grain of the terrain: Angle (radians, from the x axis towards y) is
// the direction of the steepest slopes on the whole, across the ridges and
// valleys; Ratio >= 1 how much further the heights stay alike along them
// than across. In a field that is isotropic after stretching its axes, the
// mean squared slope across is Ratio^2 times the one along, so Ratio is the
// square root of the ratio of the eigenvalues of the slopes' structure
// tensor. The energy measures s, across, sqrt(Ratio) times longer than the
// grid does and t, along, sqrt(Ratio) times shorter (which keeps the area):
// in s and t such a field is isotropic.
struct TTGrain {
  double Angle = 0;
  double Ratio = 1;
};

// Solves the unknowns of the grid. Unknown cells that no data reaches (no
// data among their own group's neighbours) become absent. Returns the
// conjugate-gradient steps taken on the grid itself (each one with a
// multigrid cycle where the void is large).
int SolveSplineGrid(TTSplineGrid& grid, const TTSplineParams& params, const TTGrain& grain = {});

// What the spline is fitted to, and what becomes of its values: the plain
// heights for the spline fill, the differences to a second model for the
// delta fill.
class TTSplineField {
 public:
  virtual ~TTSplineField() = default;
  // The value at a valid cell of the mesh; false where the cell is no data.
  virtual bool Data(int32_t x, int32_t y, double* value) const = 0;
  // The height for a void cell whose surface value is `surface`; false
  // leaves the cell void.
  virtual bool Height(int32_t x, int32_t y, double surface, double* height) const = 0;
};

// The heights themselves, every cell of the mesh valid: the spline fill's.
class TTPlainHeights : public TTSplineField {
 public:
  explicit TTPlainHeights(const TTMesh& mesh) : mesh_(mesh) {}
  bool Data(int32_t x, int32_t y, double* value) const override;
  bool Height(int32_t x, int32_t y, double surface, double* height) const override;

 private:
  const TTMesh& mesh_;
};

// The grain of the valid cells (not void when the run started: `wasVoid`,
// per grid index) near one void; see TTSplineParams::GrainBand.
TTGrain GrainAround(const TTMesh& mesh, const std::vector<bool>& wasVoid,
                    const TTSplineField& field, const TTVoidRegion& region,
                    const TTSplineParams& params);

// Fills the voids of the selection that the options admit, one void at a
// time, with the spline fitted to `field`. Progress per void, stop at a void
// boundary on AbortRequested(). False only when memory runs out (voids filled
// before stay filled).
bool FillVoidsWithField(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
                        const TTFillOptions& options, const TTSplineField& field,
                        const TTSplineParams& params, TTProgress* progress, TTFillRun* run);

// The spline fill of the heights themselves.
bool FillVoidsSpline(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
                     const TTFillOptions& options, TTProgress* progress, TTFillRun* run,
                     const TTSplineParams& params = {});

// A sample for a fitted height: nearest metre, within the 16-bit range, and
// never the void value (moved one metre towards the fitted height's side).
int16_t FilledSample(double height, int16_t voidValue);
