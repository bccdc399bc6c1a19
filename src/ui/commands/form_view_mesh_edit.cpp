// The main window's edit commands: the four elevation edits, Interpolate
// Voids, the fills (menu and tool bar) and Undo. Each asks its dialog, warns
// before an edit that cannot be recorded, runs the core command on the
// document (snapshot, samples, image) and repaints.

#include <QLabel>
#include <QSpinBox>

#include "core/document/command_endings.h"
#include "core/document/edit_commands.h"
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

// Shows what an edit changed and the undo state it left.
void ShowOutcome(TFormViewMesh& f, const TTEditOutcome& out) {
  f.UpdateUndoCommands();
  f.UpdateTitle();
  f.UpdateUndoDebugLabel();
  if (out.SelectionDropped) f.Unselect();
  f.PaintMesh();
}

// The sequence of the dialog-driven edits around the core command `run`,
// ending with "<what> done in 0.2 s" in the status line (when `what` is given).
template <typename Run>
TTEditOutcome RunEdit(TFormViewMesh& f, const char* what, Run run) {
  TTEditOutcome out;
  if (!f.ProceedWithoutUndo(f.EditSelection().Rect)) return out;
  f.StartCommandClock();
  {
    TWaitCursor wait;
    TInputLock lock(&f);
    out = run();
    ShowOutcome(f, out);
  }
  if (what)
    f.ShowEnding(QString::fromStdString(
        out.OutOfMemory
            ? CommandEndText(what, TEnding::Failed, 0)
            : CommandEndText(std::string(what) + " done", TEnding::Done, f.CommandSeconds())));
  return out;
}

void Fill(TFormViewMesh& f, int16_t value, int16_t mode) {
  if (!f.ProceedWithoutUndo(f.EditSelection().Rect)) return;
  TWaitCursor wait;
  ShowOutcome(f, FillCommand(f.Doc, value, mode));
}

}  // namespace

bool TFormViewMesh::ProceedWithoutUndo(const TCellRect& rect) {
  if (!ProgCfg.WarnNoUndo || Doc.UndoFits(rect)) return true;
  return ShowMessage(this, TMsgKind::WarningQuestion, kNoUndoQuestion);
}

// ------------------------------------------------------------ undo

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
  bool more = false;
  UndoCommand(Doc, more);
  UpdateUndoCommands();
  UpdateTitle();
  PaintMesh();
  UpdateUndoDebugLabel();
}

// ---------------------------------------------------------------- edits

void TFormViewMesh::miChangeValClick() {
  if (!Mesh) return;
  TFormMeshChangeVal dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  RunEdit(*this, "Change Elevation Value",
          [&] { return ChangeValueCommand(Doc, dlg.OrgValue(), dlg.NewValue(), Progress.get()); });
}

void TFormViewMesh::miRestrictHeightClick() {
  if (!Mesh) return;
  TFormRestrictHeight dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  const uint16_t flags = dlg.Flags();
  if (flags == 0) return;
  RunEdit(*this, "Restrict Lower/Upper Elevation", [&] {
    return RestrictHeightCommand(Doc, dlg.Lower(), dlg.Upper(), flags, Progress.get());
  });
}

void TFormViewMesh::miAddVertOffsetClick() {
  if (!Mesh) return;
  TFormAddVertOffset dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  const TTEditOutcome out = RunEdit(*this, "Add Elevation Offset", [&] {
    return AddVertOffsetCommand(Doc, dlg.Offset(), Progress.get());
  });
  if (out.Clipped)
    ShowMessage(this, TMsgKind::Warning, "Some elevation samples have been clipped.");
}

void TFormViewMesh::miInterpolNearestNeighborClick() {
  if (!Mesh) return;
  TFormInterpolNearestNei dlg(this);
  if (dlg.exec() != QDialog::Accepted) return;
  TTInterpolRun run;
  const TTEditOutcome out = RunEdit(*this, nullptr, [&] {
    AbortRequested = false;
    return InterpolateCommand(Doc, dlg.Radius(), dlg.Weight(), Progress.get(), &run);
  });
  ShowEnding(QString::fromStdString(out.OutOfMemory
                                        ? CommandEndText("Interpolate Voids", TEnding::Failed, 0)
                                        : FillEndText(run, CommandSeconds())));
  if (out.OutOfMemory) ShowMessage(this, TMsgKind::Error, "Not enough memory available.");
}

// ---------------------------------------------------------------- fills

void TFormViewMesh::miFillSelectionClick() {
  if (!Mesh) return;
  MouseInputEnabled = false;
  {
    TFormFillRect dlg(this);
    if (dlg.exec() == QDialog::Accepted) Fill(*this, dlg.Value(), dlg.Mode());
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
