// "Fill Voids...": the inverse-distance, spline and second-model fills over
// the selection, with an undo snapshot, progress and Esc. The dialog comes
// back after each run with the cells filled and left.

#include "core/document/command_endings.h"
#include "core/document/fill_voids_command.h"
#include "core/edit/fill_delta.h"
#include "core/formats/hgx_format.h"
#include "core/mesh/mesh.h"
#include "core/settings/prog_cfg.h"
#include "core/tiles/single_hgt.h"
#include "ui/dialogs/form_fill_voids.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/wait_cursor.h"

namespace {

// Loads the second model by its name as the load commands would; the
// message of the failure, or "".
std::string LoadSecondModel(TTMesh& second, const QString& path, TTProgress* progress) {
  const QString lower = path.toLower();
  if (lower.endsWith(".hgx"))
    return LoadHGX(second, path.toStdString(), progress) ? std::string() : "Cannot load HGX.";
  if (lower.endsWith(".hgt") || lower.endsWith(".zip"))
    return LoadSingleHGT(second, path.toStdString(), TempDirUtf8(), progress);
  return "The second model must be an HGT tile (plain or zipped) or an HGX file.";
}

}  // namespace

void TFormViewMesh::miFillVoidsClick() {
  if (!Mesh) return;
  TFormFillVoids dlg(this);
  while (dlg.exec() == QDialog::Accepted) {
    TTFillRequest request = dlg.Request();
    TEditSelection sel = EditSelection();
    TTMesh second;
    if (request.Method == TFillMethod::Dem) {
      std::string message;
      {
        TWaitCursor wait;
        message = LoadSecondModel(second, dlg.SecondDemPath(), Progress.get());
      }
      if (message.empty() && !SecondModelCovers(*Mesh, second, sel.Rect))
        message = "The second model does not cover the selection.";
      if (!message.empty()) {
        ShowMessage(this, TMsgKind::Error, QString::fromStdString(message));
        continue;
      }
      request.SecondModel = &second;
    }
    if (!ProceedWithoutUndo(sel.Rect)) return;
    TTFillRun run;
    TTEditOutcome out;
    StartCommandClock();
    {
      TWaitCursor wait;
      TInputLock lock(this);
      AbortRequested = false;
      out = FillVoidsCommand(Doc, request, Progress.get(), &run);
      UpdateUndoCommands();
      UpdateUndoDebugLabel();
      PaintMesh();
    }
    UpdateTitle();
    ShowEnding(QString::fromStdString(out.OutOfMemory
                                          ? CommandEndText("Fill Voids", TEnding::Failed, 0)
                                          : FillEndText(run, CommandSeconds())));
    if (out.OutOfMemory) {
      ShowMessage(this, TMsgKind::Error, "Not enough memory available.");
      return;
    }
    dlg.ShowResult(run);
  }
}
