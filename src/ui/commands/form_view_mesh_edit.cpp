// The main window's edit commands: the four elevation edits, Interpolate
// Voids, the fills (menu and tool bar) and Undo, plus the undo list's life
// cycle. Each edit takes its cells from EditSelection(), asks before an edit
// that cannot be recorded, records the snapshot, changes the samples,
// recolours what it changed and repaints.

#include <QLabel>
#include <QSpinBox>

#include <new>

#include "core/edit/interpol.h"
#include "core/edit/mesh_edit.h"
#include "core/edit/undo_list.h"
#include "core/settings/prog_cfg.h"
#include "core/view/cursor_readout.h"
#include "ui/dialogs/form_edit_ops.h"
#include "ui/dialogs/form_interpol.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/message_box.h"

namespace {

const char* const kNoUndoQuestion =
    "The operation cannot be undone because\nthe undo memory limit has been reached.\n\n"
    "(You can increase the undo memory\nlimit in the Preferences menu)\n\n"
    "Do you wish to proceed anyway?";

// False when the user declines an edit that the undo list cannot record.
bool ProceedWithoutUndo(TFormViewMesh& f, const TCellRect& rect) {
  if (!ProgCfg.WarnNoUndo || ProgCfg.MaxMemUndo == 0 || !f.UndoList || f.UndoList->Fits(rect))
    return true;
  return ShowMessage(&f, TMsgKind::WarningQuestion, kNoUndoQuestion);
}

// Records the rectangle; an edit that cannot be recorded goes ahead anyway.
void RecordSnapshot(TFormViewMesh& f, const TCellRect& rect) {
  if (f.UndoList && f.UndoList->Push(rect)) f.EnableUndoCommands(true);
  f.UpdateUndoDebugLabel();
}

// The sequence shared by change, restrict and offset around `operation`.
template <typename Op>
void RunEdit(TFormViewMesh& f, Op operation) {
  TFormViewMesh::TEditSelection sel = f.EditSelection();
  if (!ProceedWithoutUndo(f, sel.Rect)) return;
  TWaitCursor wait;
  TInputLock lock(&f);
  RecordSnapshot(f, sel.Rect);
  operation(sel);
  // Only the selection's rectangle changed.
  f.RecolorRect(sel.Rect);
  f.PaintMesh();
}

void Fill(TFormViewMesh& f, int16_t value, int16_t mode) {
  TFormViewMesh::TEditSelection sel = f.EditSelection();
  if (!ProceedWithoutUndo(f, sel.Rect)) return;
  TWaitCursor wait;
  RecordSnapshot(f, sel.Rect);
  if (sel.Mask) {
    f.PolySel.FillMasked(*sel.Mask, *f.Mesh, value, f.Mesh->VoidValue, mode);
    f.PolySel.Count = 0;
    f.RecolorRect(sel.Rect);
    f.Unselect();
  } else {
    FillRect(*f.Mesh, sel.Rect, value, mode);
    f.RecolorRect(sel.Rect);
  }
  f.PaintMesh();
}

}  // namespace

// ------------------------------------------------------------ undo list

void TFormViewMesh::CreateUndoList() {
  DestroyUndoList();
  if (!Mesh) return;
  UndoList = new TTUndoList(*Mesh);
  UndoList->SetLimit(ProgCfg.MaxMemUndo);
}

void TFormViewMesh::DestroyUndoList() {
  delete UndoList;
  UndoList = nullptr;
}

void TFormViewMesh::UpdateUndoDebugLabel() {
  if (!UndoList || !LabelUndoDebug) return;
  LabelUndoDebug->setText(
      QString::fromStdString(UndoDebugText(UndoList->Allocated(), UndoList->Limit(),
                                           UndoList->Count(), UndoList->Tail(), UndoList->Head())));
}

void TFormViewMesh::miUndoClick() {
  if (!Mesh || !UndoList) return;
  Unselect();
  TWaitCursor wait;
  const TCellRect restored = UndoList->NewestRect();
  if (!UndoList->Undo()) EnableUndoCommands(false);
  // The image changes only where the snapshot went back.
  RecolorRect(restored);
  PaintMesh();
  UpdateUndoDebugLabel();
}

// ---------------------------------------------------------------- edits

void TFormViewMesh::miChangeValClick() {
  if (!Mesh) return;
  TFormMeshChangeVal dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  const int16_t org = int16_t(dlg.SpinEditOrgValue->value());
  const int16_t replacement = int16_t(dlg.SpinEditNewValue->value());
  RunEdit(*this, [&](const TEditSelection& sel) {
    ChangeValue(*Mesh, sel.Rect, org, replacement, sel.Mask, Progress.get());
  });
}

void TFormViewMesh::miRestrictHeightClick() {
  if (!Mesh) return;
  TFormRestrictHeight dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  const uint16_t flags = dlg.Flags();
  if (flags == 0) return;
  const int16_t lower = int16_t(dlg.SpinEditLower->value());
  const int16_t upper = int16_t(dlg.SpinEditUpper->value());
  RunEdit(*this, [&](const TEditSelection& sel) {
    RestrictHeight(*Mesh, sel.Rect, lower, upper, flags, sel.Mask, Progress.get());
  });
}

void TFormViewMesh::miAddVertOffsetClick() {
  if (!Mesh) return;
  TFormAddVertOffset dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  const int32_t offset = dlg.SpinEditVertOffset->value();
  bool clipped = false;
  RunEdit(*this, [&](const TEditSelection& sel) {
    clipped = AddVertOffset(*Mesh, sel.Rect, offset, sel.Mask, Progress.get());
  });
  if (clipped) ShowMessage(this, TMsgKind::Warning, "Some elevation samples have been clipped.");
}

void TFormViewMesh::miInterpolNearestNeighborClick() {
  if (!Mesh) return;
  TFormInterpolNearestNei dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  TEditSelection sel = EditSelection();
  if (!ProceedWithoutUndo(*this, sel.Rect)) return;
  bool ok;
  TTInterpolRun run;
  {
    TWaitCursor wait;
    TInputLock lock(this);
    RecordSnapshot(*this, sel.Rect);
    AbortRequested = false;
    try {
      ok = InterpolNearestNei(*Mesh, sel.Rect, dlg.Radius(), Progress.get(), sel.Mask, dlg.Weight(),
                              &run);
    } catch (const std::bad_alloc&) {  // storage that is set up before any cell changes
      ok = false;
    }
    if (ok) {
      RecolorRect(sel.Rect);
      PaintMesh();
    }
  }
  if (!ok || run.OutOfMemory) ShowMessage(this, TMsgKind::Error, "Not enough memory available.");
}

// ---------------------------------------------------------------- fills

void TFormViewMesh::miFillSelectionClick() {
  if (!Mesh) return;
  MouseInputEnabled = false;
  {
    TFormFillRect dlg(this);
    if (dlg.exec() == QDialog::Accepted)
      Fill(*this, int16_t(dlg.SpinEditFillingVal->value()), dlg.Mode());
  }
  // A cancelled or declined fill keeps a closed polygon selected (clearing
  // only its closed flag would make the next edit take the whole grid).
  MouseInputEnabled = true;
}

void TFormViewMesh::ToolButtonFillAllClick() {
  if (Mesh) Fill(*this, int16_t(SpinEditFillVal->value()), kFillAll);
}

void TFormViewMesh::ToolButtonFillKeepVoidsClick() {
  if (Mesh) Fill(*this, int16_t(SpinEditFillVal->value()), kFillKeepVoids);
}

void TFormViewMesh::ToolButtonFillVoidsOnlyClick() {
  if (Mesh) Fill(*this, int16_t(SpinEditFillVal->value()), kFillVoidsOnly);
}
