#include "ui/commands/form_bgl_command.h"
#include "core/formats/hgx_format.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <chrono>

#include "core/base/app_name.h"
#include "core/base/file_util.h"
#include "core/mesh/mesh.h"
#include "core/scenery/bgl_build.h"
#include "core/scenery/resample_run.h"
#include "core/scenery/resample_tool.h"
#include "ui/dialogs/form_create_bgl_opt.h"
#include "ui/dialogs/form_resample_output.h"
#include "ui/widgets/event_wait.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/wait_cursor.h"

namespace {

TBglOptionsHook& OptionsHook() {
  static TBglOptionsHook hook;
  return hook;
}

// Menus and tool bar off for the lifetime of the object.
class TUserInputOff {
 public:
  explicit TUserInputOff(const std::function<void(bool)>& enable) : enable_(enable) {
    if (enable_) enable_(false);
  }
  ~TUserInputOff() {
    if (enable_) enable_(true);
  }
  TUserInputOff(const TUserInputOff&) = delete;
  TUserInputOff& operator=(const TUserInputOff&) = delete;

 private:
  std::function<void(bool)> enable_;
};

struct TBglRunInput {
  TBglTempFiles Files;
  std::vector<std::string> Entries;
  std::string BglPath;
  TBglCut Cut;
  int Lod = 9;
  int32_t BaseValue = 0;
};

// Writes the INF files, runs the compiler with its output window and leaves
// the window open with the final status. Returns the error text.
std::string BuildBglFromMesh(const TBglCommandEnv& env, const TBglRunInput& in,
                             QPointer<TFormResampleOutput>& window, TEnding& ending) {
  ending = TEnding::Failed;
  const std::string error =
      WriteBglInfFiles(*env.Mesh, in.Cut, in.Lod, in.BaseValue, in.Files, in.BglPath,
                       NeedsWine(env.ResamplePath) ? TToolPathForm::Wine : TToolPathForm::Host);
  if (!error.empty()) return error;

  window = new TFormResampleOutput(env.Owner);
  window->LabelStatus->setText("Resample is running. Please wait.");
  window->show();
  window->repaint();
  TWaitCursor wait;

  const std::vector<std::string> infs =
      ResampleInfList(in.Entries, in.Files.SourceInf, in.Files.DestInf);
  QPointer<TFormResampleOutput> target = window;
  const TResampleRunResult result = RunResample(
      env.ResamplePath, infs,
      [target](const std::string& t) {
        if (target) target->AppendOutput(QString::fromStdString(t));
      },
      [target](int ms) { return WaitWithEvents(ms) && target && !target->StopRequested(); });
  if (!window) return std::string();  // the window went with the application
  if (result == TResampleRunResult::NotStarted) {
    window->AllowClose();
    window->close();
    return "Could not create BGL file.";
  }
  const std::string status = window->StopRequested() ? "Resample was stopped."
                             : result == TResampleRunResult::Crashed
                                 ? ResampleCrashedText(in.BglPath)
                                 : ResampleFinishedText(in.BglPath);
  window->LabelStatus->setText(QString::fromStdString(status));
  ending = window->StopRequested()                 ? TEnding::Stopped
           : result == TResampleRunResult::Crashed ? TEnding::Failed
                                                   : TEnding::Done;
  window->AllowClose();
  return std::string();
}

}  // namespace

TBglOptionsHook SetBglOptionsHook(TBglOptionsHook hook) {
  TBglOptionsHook old = std::move(OptionsHook());
  OptionsHook() = std::move(hook);
  return old;
}

QPointer<TFormResampleOutput> CreateBglFromMesh(const TBglCommandEnv& env) {
  QPointer<TFormResampleOutput> window;
  if (!env.Mesh) return window;
  const TTMesh& mesh = *env.Mesh;
  if (env.ResamplePath.empty() || !FileExists(env.ResamplePath)) {
    ShowMessage(env.Owner, TMsgKind::Warning,
                "Please, inform the location of Resample in\n"
                "Program Preferences (Files and Folders).");
    return window;
  }
  bool voids;
  {
    TWaitCursor wait;
    voids = mesh.HasVoids();
  }
  if (voids && !ShowMessage(env.Owner, TMsgKind::WarningQuestion,
                            "The current mesh has voids (null elevation data).\nProceed anyway?"))
    return window;

  TBglRunInput in;
  bool deleteTemp;
  {
    TFormCreateBGLOpt dialog(env.Owner);
    dialog.SetupFromMesh(mesh, QString::fromStdString(env.BglFolder));
    const int answer = OptionsHook() ? OptionsHook()(dialog) : dialog.exec();
    if (answer != QDialog::Accepted) return window;

    in.BglPath = dialog.BglPath.toStdString();
    in.Entries = dialog.InfEntries();
    in.Lod = dialog.SpinEditLOD->value();
    in.BaseValue = dialog.SpinEditBaseValue->value();
    deleteTemp = dialog.CheckBoxDeleteTemp->isChecked();
    if (!CutMeshForBgl(mesh, dialog.Overlap(), in.Cut)) {
      ShowMessage(env.Owner, TMsgKind::Error, "Could not save the mesh.");
      return window;
    }
  }
  in.Files = BglTempFiles(env.TempDir);
  const QString bglName = QString::fromStdString(FileNamePart(in.BglPath));
  const auto start = std::chrono::steady_clock::now();
  auto ended = [&](TEnding ending) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (env.Ended) env.Ended(ending, bglName, took.count());
  };

  // Menus stay off until the compiler is done: a second command meanwhile
  // would overwrite the temporary files the compiler is reading.
  TUserInputOff inputOff(env.EnableUserInput);
  bool saved;
  {
    TWaitCursor wait;
    saved = SaveToFile(mesh, in.Files.Raster, false, in.Cut.Rect, true, env.Progress);
  }
  if (!saved) {
    ended(TEnding::Failed);
    ShowMessage(env.Owner, TMsgKind::Error, "Could not save the mesh.");
    return window;
  }
  TEnding ending = TEnding::Failed;
  const std::string error = BuildBglFromMesh(env, in, window, ending);
  if (deleteTemp) DeleteBglTempFiles(in.Files);
  if (window || !error.empty()) ended(ending);
  if (!error.empty()) ShowMessage(env.Owner, TMsgKind::Error, QString::fromStdString(error));
  return window;
}
