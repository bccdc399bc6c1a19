// The main window's scenery and preferences commands.

#include "core/edit/undo_list.h"
#include "core/settings/prog_cfg.h"
#include "ui/commands/form_bgl_command.h"
#include "ui/dialogs/form_prog_cfg.h"
#include "ui/main/form_view_mesh.h"

void TFormViewMesh::miCreateBGLFromCurrentMeshClick() {
  if (!Mesh) return;
  TBglCommandEnv env;
  env.Owner = this;
  env.Mesh = Mesh.get();
  env.Progress = Progress.get();
  env.EnableUserInput = [this](bool on) { EnableUserInput(on); };
  env.TempDir = TempDirUtf8();
  env.ResamplePath = ProgCfg.ResamplePath;
  env.BglFolder = ProgCfg.BGLFolder;
  env.Ended = [this](TEnding ending, const QString& bgl, double seconds) {
    const std::string what =
        ending == TEnding::Done ? "Created " + bgl.toStdString() : "Create BGL";
    ShowEnding(QString::fromStdString(CommandEndText(what, ending, seconds)));
  };
  CreateBglFromMesh(env);
}

void TFormViewMesh::miMorePrefsClick() {
  RunPreferences(this, ProgCfg, SettingsFolder(), [this](uint32_t megabytes) {
    if (UndoList) UndoList->SetLimit(megabytes);
    if (megabytes == 0) EnableUndoCommands(false);
  });
}
