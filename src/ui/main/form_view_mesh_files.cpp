// The main window's own file commands: one HGT tile, HGX load and save.

#include <QDir>
#include <QFileInfo>

#include "core/document/command_endings.h"
#include "core/formats/hgx_format.h"
#include "core/tiles/export_names.h"
#include "core/tiles/single_hgt.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"

void TFormViewMesh::miOpenSingleHGTClick() {
  if (Mesh) return;  // a mesh can only be loaded while none is
  TFileDialogRequest req;
  req.title = "Load HGT";
  req.filter =
      "All known file types (*.hgt, *.zip)|*.hgt;*.zip|HGT files (*.hgt)|*.hgt|ZIP files "
      "(*.zip)|*.zip";
  const QString hgtFolder = ConfiguredHGTFolder();
  if (!hgtFolder.isEmpty() && QFileInfo(hgtFolder).isDir()) req.folder = hgtFolder;
  const QString path = RunFileDialog(this, req);
  if (path.isEmpty()) return;

  std::string warning;
  LoadNewMesh([&](TTMesh& mesh) {
    return LoadSingleHGT(mesh, path.toStdString(), TempDirUtf8(), Progress.get(), &warning);
  });
  if (!warning.empty()) ShowMessage(this, TMsgKind::Warning, QString::fromStdString(warning));
}

void TFormViewMesh::LoadNewMesh(const std::function<std::string(TTMesh& mesh)>& load,
                                TTMissingTiles* missing) {
  auto mesh = std::make_unique<TTMesh>();
  StartCommandClock();
  std::string message;
  {
    TWaitCursor wait;
    TInputLock lock(this);
    message = load(*mesh);
  }
  if (!message.empty()) {
    ShowEnding(QString::fromStdString(CommandEndText("Load", TEnding::Failed, 0)));
    ShowMessage(this, TMsgKind::Error, QString::fromStdString(message));
    return;
  }
  TWaitCursor wait;
  if (!AttachMesh(std::move(mesh), missing ? std::move(*missing) : TTMissingTiles{})) return;
  ShowEnding(LoadedText());
  RememberLoadedFile();
}

void TFormViewMesh::miOpenHGXClick() {
  if (Mesh) return;
  TFileDialogRequest req;
  req.title = "Load HGX";
  req.filter = "HGX files (*.hgx)|*.hgx";
  req.defaultSuffix = "hgx";
  const QString path = RunFileDialog(this, req);
  if (path.isEmpty()) return;

  LoadNewMesh([&](TTMesh& mesh) {
    return LoadHGX(mesh, path.toStdString(), Progress.get()) ? std::string()
                                                             : std::string("Cannot load HGX.");
  });
}

QString TFormViewMesh::ProposedMeshFileName() const {
  if (!Mesh) return QString();
  return QString::fromStdString(CornersName(*Mesh));
}

void TFormViewMesh::miSaveAsHGXClick() {
  if (!Mesh) return;
  TFileDialogRequest req;
  req.kind = TFileDialogRequest::Save;
  req.title = "Save to HGX";
  req.filter = "HGX|*.hgx";
  req.defaultSuffix = "hgx";
  req.proposedName = ProposedMeshFileName() + ".hgx";
  const QString path = RunFileDialog(this, req);
  if (path.isEmpty()) return;
  PaintMesh();
  StartCommandClock();
  bool saved;
  {
    TWaitCursor wait;
    TInputLock lock(this);
    saved = SaveToFile(*Mesh, path.toStdString(), true, Mesh->GridRect, true, Progress.get());
  }
  ShowEnding(SavedText(path, saved));
  if (!saved)
    ShowMessage(this, TMsgKind::Error, "Cannot save mesh.");
  else
    MarkSaved();
}
