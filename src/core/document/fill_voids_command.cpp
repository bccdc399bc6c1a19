#include "core/document/fill_voids_command.h"

#include "core/document/document.h"

TTEditOutcome FillVoidsCommand(TTDocument& doc, const TTFillRequest& request, TTProgress* progress,
                               TTFillRun* run) {
  TTEditOutcome out;
  if (!doc.Mesh) return out;
  const TTDocument::TSelection sel = doc.EditSelection();
  out.Recorded = doc.RecordSnapshot(sel.Rect);
  if (!FillVoids(*doc.Mesh, sel.Rect, sel.Mask, request, progress, run)) {
    out.OutOfMemory = true;
    return out;
  }
  doc.Recolor(sel.Rect);
  doc.SetModified(true);
  out.Changed = sel.Rect;
  return out;
}
