#pragma once

#include <cstdint>

#include "core/edit/void_regions.h"

class TTMesh;
class TTCellMask;
class TTProgress;

// The void fills behind "Fill Voids..." and `delvacli fill-voids`.
//
// - Idw: the exact inverse-distance fill of interpol.h (radius, weight).
//   Quick and predictable; a void far from any slope change comes out well,
//   a wide void in mountains comes out as a flattened dome.
// - Spline: fill_spline.h. Continues the slopes and the ridges and valleys
//   that cross the rim; the most accurate without other data.
// - Dem: fill_delta.h, from a second model of the same place; far better
//   than either where such a model exists.
enum class TFillMethod { Idw, Spline, Dem };

struct TTFillRequest {
  TFillMethod Method = TFillMethod::Idw;
  int32_t Radius = 70;                  // Idw
  double Weight = 6.0;                  // Idw
  const TTMesh* SecondModel = nullptr;  // Dem
  TTFillOptions Options{};
};

// Fills the voids of the selection (rectangle and optional mask) that the
// options admit. `run` gets the selection's voids before the run and those
// filled. False only when working storage cannot be had (for Dem also
// without a second model).
bool FillVoids(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
               const TTFillRequest& request, TTProgress* progress, TTFillRun* run);
