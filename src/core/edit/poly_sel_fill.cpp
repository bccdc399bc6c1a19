#include "core/edit/mesh_edit.h"
#include "core/mesh/poly_sel.h"

void TTPolySel::FillMasked(const TTCellMask& mask, TTMesh& mesh, int16_t value, int16_t voidValue,
                           int mode) const {
  ::FillMasked(mask, mesh, value, voidValue, int16_t(mode));
}
