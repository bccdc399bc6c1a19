#include "core/edit/fill_voids.h"

#include <algorithm>
#include <new>

#include "core/edit/fill_delta.h"
#include "core/edit/fill_spline.h"
#include "core/edit/interpol.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/mesh.h"

namespace {

bool FillIdw(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
             const TTFillRequest& request, TTProgress* progress, TTFillRun& res) {
  const TTFillOptions& o = request.Options;
  TTInterpolRun idw;
  if (!o.InteriorOnly && o.MaxVoid <= 0) {
    const bool ok =
        InterpolNearestNei(mesh, rect, request.Radius, progress, mask, request.Weight, &idw);
    res.Voids = idw.Voids;
    res.Filled = idw.Filled;
    res.Aborted = idw.Aborted;
    return ok && !idw.OutOfMemory;  // memory that ran out part way is no success
  }
  // The voids the options leave out are taken out of the selection; the
  // inverse-distance fill itself is unchanged.
  TTCellMask admitted;
  try {
    std::vector<TTVoidRegion> regions = FindVoidRegions(mesh, rect, mask, o, &res.Voids);
    if (regions.empty()) return true;
    TCellRect b = regions.front().Bounds;
    for (const TTVoidRegion& r : regions) {
      b.Left = std::min(b.Left, r.Bounds.Left);
      b.Right = std::max(b.Right, r.Bounds.Right);
      b.Top = std::min(b.Top, r.Bounds.Top);
      b.Bottom = std::max(b.Bottom, r.Bounds.Bottom);
    }
    admitted.Reset(b);
    for (const TTVoidRegion& r : regions)
      for (int64_t c : r.Cells) admitted.Set(int32_t(c % mesh.Cols), int32_t(c / mesh.Cols), true);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const bool ok = InterpolNearestNei(mesh, admitted.Bounds(), request.Radius, progress, &admitted,
                                     request.Weight, &idw);
  res.Filled = idw.Filled;
  res.Aborted = idw.Aborted;
  return ok && !idw.OutOfMemory;
}

}  // namespace

bool FillVoids(TTMesh& mesh, const TCellRect& rect, const TTCellMask* mask,
               const TTFillRequest& request, TTProgress* progress, TTFillRun* run) {
  TTFillRun local;
  TTFillRun& res = run ? *run : local;
  res = TTFillRun{};
  switch (request.Method) {
    case TFillMethod::Idw:
      return FillIdw(mesh, rect, mask, request, progress, res);
    case TFillMethod::Spline:
      return FillVoidsSpline(mesh, rect, mask, request.Options, progress, &res);
    case TFillMethod::Dem:
      if (!request.SecondModel) return false;
      return FillVoidsDelta(mesh, *request.SecondModel, rect, mask, request.Options, progress,
                            &res);
  }
  return false;
}
