#include "core/document/edit_commands.h"

#include <new>

#include "core/document/document.h"
#include "core/edit/interpol.h"
#include "core/edit/mesh_edit.h"
#include "core/edit/undo_list.h"

namespace {

// The sequence every edit shares around `operation`.
template <typename Op>
TTEditOutcome RunEdit(TTDocument& doc, Op operation) {
  TTEditOutcome out;
  if (!doc.Mesh) return out;
  const TTDocument::TSelection sel = doc.EditSelection();
  out.Recorded = doc.RecordSnapshot(sel.Rect);
  if (!operation(sel, out)) {
    out.OutOfMemory = true;
    return out;
  }
  doc.Recolor(sel.Rect);
  doc.MarkEdited(out.Recorded);
  out.Changed = sel.Rect;
  return out;
}

}  // namespace

TTEditOutcome ChangeValueCommand(TTDocument& doc, int16_t current, int16_t replacement,
                                 TTProgress* progress) {
  return RunEdit(doc, [&](const TTDocument::TSelection& sel, TTEditOutcome&) {
    ChangeValue(*doc.Mesh, sel.Rect, current, replacement, sel.Mask, progress);
    return true;
  });
}

TTEditOutcome RestrictHeightCommand(TTDocument& doc, int16_t lower, int16_t upper, uint16_t flags,
                                    TTProgress* progress) {
  return RunEdit(doc, [&](const TTDocument::TSelection& sel, TTEditOutcome&) {
    RestrictHeight(*doc.Mesh, sel.Rect, lower, upper, flags, sel.Mask, progress);
    return true;
  });
}

TTEditOutcome AddVertOffsetCommand(TTDocument& doc, int32_t offset, TTProgress* progress) {
  return RunEdit(doc, [&](const TTDocument::TSelection& sel, TTEditOutcome& out) {
    out.Clipped = AddVertOffset(*doc.Mesh, sel.Rect, offset, sel.Mask, progress);
    return true;
  });
}

TTEditOutcome InterpolateCommand(TTDocument& doc, int32_t radius, double weight,
                                 TTProgress* progress, TTInterpolRun* run) {
  TTInterpolRun local;
  TTInterpolRun& r = run ? *run : local;
  TTEditOutcome out = RunEdit(doc, [&](const TTDocument::TSelection& sel, TTEditOutcome&) {
    try {
      return InterpolNearestNei(*doc.Mesh, sel.Rect, radius, progress, sel.Mask, weight, &r);
    } catch (const std::bad_alloc&) {  // storage set up before any cell changes
      return false;
    }
  });
  // Memory that ran out part way leaves some voids void: the filled cells
  // are shown, and the shortage is reported.
  if (r.OutOfMemory) out.OutOfMemory = true;
  return out;
}

TTEditOutcome FillCommand(TTDocument& doc, int16_t value, int16_t mode) {
  return RunEdit(doc, [&](const TTDocument::TSelection& sel, TTEditOutcome& out) {
    if (sel.Mask) {
      doc.PolySel.FillMasked(*sel.Mask, *doc.Mesh, value, doc.Mesh->VoidValue, mode);
      // A filled polygon is done with: the next click starts a new one.
      doc.Unselect();
      out.SelectionDropped = true;
    } else {
      FillRect(*doc.Mesh, sel.Rect, value, mode);
    }
    return true;
  });
}

TTEditOutcome UndoCommand(TTDocument& doc, bool& more) {
  TTEditOutcome out;
  more = false;
  if (!doc.Mesh || !doc.UndoList) return out;
  doc.Unselect();
  out.Changed = doc.UndoList->NewestRect();
  more = doc.UndoList->Undo();
  // The image changes only where the snapshot went back.
  doc.Recolor(out.Changed);
  doc.SyncModified();
  return out;
}

TTEditOutcome RedoCommand(TTDocument& doc, bool& more) {
  TTEditOutcome out;
  more = false;
  if (!doc.Mesh || !doc.UndoList) return out;
  doc.Unselect();
  out.Changed = doc.UndoList->NextRedoRect();
  more = doc.UndoList->Redo();
  doc.Recolor(out.Changed);
  doc.SyncModified();
  return out;
}
