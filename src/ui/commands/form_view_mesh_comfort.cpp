// The main window's protection of unsaved work: the modified marker in the
// title, the save question before a mesh goes, Redo and the undo commands'
// state; the status-line ending of the long commands; dropped and recent
// files.

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "core/base/app_name.h"
#include "core/base/number_text.h"
#include "core/document/command_endings.h"
#include "core/document/edit_commands.h"
#include "core/edit/undo_list.h"
#include "core/formats/hgx_format.h"
#include "core/tiles/single_hgt.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/app_folders.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/ui_state.h"

void TFormViewMesh::UpdateTitle() {
  QString title = QString::fromUtf8(AppName);
  if (Mesh) {
    const QString name = QString::fromStdString(Mesh->FileName);
    // Both separators end a folder part, whatever the host.
    const QString base = name.mid(std::max(name.lastIndexOf('/'), name.lastIndexOf('\\')) + 1);
    if (!base.trimmed().isEmpty()) title += " - " + base;
    if (Doc.Modified()) title += "*";
  }
  setWindowTitle(title);
}

void TFormViewMesh::UpdateUndoCommands() {
  EnableUndoCommands(Mesh && UndoList && UndoList->Count() > 0);
  const bool redo = Mesh && UndoList && UndoList->RedoCount() > 0;
  miRedo->setEnabled(redo);
  ToolButtonRedo->setEnabled(redo);
}

bool TFormViewMesh::AskSaveChanges() {
  if (!Mesh || !Doc.Modified()) return true;
  switch (AskYesNoCancel(this, "Save changes to the mesh before closing?")) {
    case TAnswer::Yes:
      miSaveAsHGXClick();
      // A cancelled file dialog or a failed save keeps the mesh.
      return !Doc.Modified();
    case TAnswer::No:
      return true;
    case TAnswer::Cancel:
      break;
  }
  return false;
}

void TFormViewMesh::MarkSaved() {
  Doc.MarkSaved();
  UpdateTitle();
}

void TFormViewMesh::miRedoClick() {
  if (!Mesh || !UndoList || UndoList->RedoCount() == 0) return;
  TWaitCursor wait;
  bool more = false;
  RedoCommand(Doc, more);
  UpdateUndoCommands();
  UpdateTitle();
  PaintMesh();
  UpdateUndoDebugLabel();
}

// ------------------------------------------------------- command endings

void TFormViewMesh::StartCommandClock() { command_start_ = std::chrono::steady_clock::now(); }

double TFormViewMesh::CommandSeconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - command_start_).count();
}

void TFormViewMesh::ShowEnding(const QString& text) {
  if (LabelEnding) LabelEnding->setText(text);
}

QString TFormViewMesh::LoadedText() const {
  if (!Mesh) return QString();
  const QString name = QFileInfo(QString::fromStdString(Mesh->FileName)).fileName();
  return QString::fromStdString(CommandEndText(
      "Loaded " + (name.isEmpty() ? std::string("mesh") : name.toStdString()) + " (" +
          FormatGrouped(Mesh->Cols) + " x " + FormatGrouped(Mesh->Rows) + " cells)",
      TEnding::Done, CommandSeconds()));
}

QString TFormViewMesh::SavedText(const QString& path, bool ok) const {
  return QString::fromStdString(
      CommandEndText(ok ? "Saved " + QFileInfo(path).fileName().toStdString() : std::string("Save"),
                     ok ? TEnding::Done : TEnding::Failed, CommandSeconds()));
}

// ------------------------------------------------------------ dropped files

void TFormViewMesh::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls[0].isLocalFile()) event->acceptProposedAction();
}

void TFormViewMesh::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls[0].isLocalFile()) return;
  event->acceptProposedAction();
  OpenDroppedFile(urls[0].toLocalFile());
}

void TFormViewMesh::OpenDroppedFile(const QString& path) {
  if (!user_input_enabled_) return;  // a long command is running
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool tile = suffix == "hgt" || suffix == "zip";
  if (!tile && suffix != "hgx") {
    ShowMessage(this, TMsgKind::Error,
                "Only .hgt, .zip and .hgx files can be opened by dropping them.");
    return;
  }
  if (Mesh) {
    if (!ShowMessage(this, TMsgKind::Confirmation,
                     "Close the mesh and open \"" + QFileInfo(path).fileName() + "\"?") ||
        !AskSaveChanges())
      return;
    CloseMesh();
  }
  const std::string file = path.toStdString();
  if (tile)
    LoadNewMesh(
        [&](TTMesh& mesh) { return LoadSingleHGT(mesh, file, TempDirUtf8(), Progress.get()); });
  else
    LoadNewMesh([&](TTMesh& mesh) {
      return LoadHGX(mesh, file, Progress.get()) ? std::string() : std::string("Cannot load HGX.");
    });
}

// ------------------------------------------------------------ recent files

void TFormViewMesh::RememberLoadedFile() {
  if (!Mesh) return;
  const QFileInfo file(QString::fromStdString(Mesh->FileName));
  const QString suffix = file.suffix().toLower();
  // A tile unpacked from a ZIP lives in the temporary folder: not worth keeping.
  if (!file.isFile() || file.absoluteFilePath().startsWith(QFileInfo(TempDir()).absoluteFilePath()))
    return;
  if (suffix == "hgt" || suffix == "zip" || suffix == "hgx") AddRecentFile(file.absoluteFilePath());
}

void TFormViewMesh::FillRecentFiles() {
  miRecentFiles->clear();
  for (const QString& path : RecentFiles())
    connect(miRecentFiles->addAction(QDir::toNativeSeparators(path)), &QAction::triggered, this,
            [this, path] { OpenDroppedFile(path); });
  if (miRecentFiles->isEmpty()) miRecentFiles->addAction("(none)")->setEnabled(false);
}
