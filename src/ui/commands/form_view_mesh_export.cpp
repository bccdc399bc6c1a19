// The main window's export commands (raw raster, BMP, clipboard), the mesh
// information report and the edge comparison of two tiles.

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSpinBox>

#include "core/formats/bmp_writer.h"
#include "core/formats/raster_rules.h"
#include "core/tiles/edge_compare.h"
#include "core/tiles/export_names.h"
#include "ui/dialogs/form_mesh_info.h"
#include "ui/dialogs/form_raster.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"

void TFormViewMesh::miSaveAsRawClick() {
  if (!Mesh) return;
  QString path;
  bool bigEndian = true;
  int16_t voidAs = 0;
  {
    TFormSaveAsRaw dialog(this);
    dialog.ProposedName = QString::fromStdString(RawFileNameFor(*Mesh));
    dialog.SpinEditVoidVal->setValue(Mesh->VoidValue);
    connect(&dialog, &TFormSaveAsRaw::helpRequested, &dialog,
            [&dialog](const QString& page) { ShowHelpTopic(&dialog, page); });
    if (dialog.exec() != QDialog::Accepted) return;
    path = dialog.FilePath;
    bigEndian = dialog.BigEndian();
    voidAs = dialog.VoidAs();
  }
  std::string message;
  StartCommandClock();
  {
    TWaitCursor wait;
    TInputLock lock(this);
    message = SaveMeshAsRaw(*Mesh, path.toStdString(), bigEndian, voidAs, Progress.get());
  }
  ShowEnding(SavedText(path, message.empty()));
  if (!message.empty())
    ShowMessage(this, TMsgKind::Error, QString::fromStdString(message));
  else
    MarkSaved();
}

void TFormViewMesh::miSaveAsBMPClick() {
  if (!Mesh || MeshBitmap.isNull()) return;
  TFileDialogRequest req;
  req.kind = TFileDialogRequest::Save;
  req.title = "Save to BMP";
  req.filter = "BMP|*.bmp";
  req.defaultSuffix = "bmp";
  req.proposedName = QString::fromStdString(CornersName(*Mesh));
  const QString path = RunFileDialog(this, req);
  if (path.isEmpty()) return;

  TTBmpPalette palette{};
  Doc.Image();  // every row coloured
  const QList<QRgb> table = MeshBitmap.colorTable();
  for (int i = 0; i < 256 && i < table.size(); ++i) palette[i] = table[i];
  const QImage& image = MeshBitmap;
  bool written;
  StartCommandClock();
  {
    TWaitCursor wait;
    TInputLock lock(this);
    written = WriteBmp8(
        path.toStdString(), image.width(), image.height(), palette,
        [&image](int32_t y) { return image.constScanLine(y); }, Progress.get());
  }
  ShowEnding(SavedText(path, written));
  if (!written)
    ShowMessage(this, TMsgKind::Error,
                "Cannot create file \"" + QDir::toNativeSeparators(path) + "\".");
}

void TFormViewMesh::miMeshInfoClick() {
  if (!Mesh) return;
  {
    // The report shows the samples as they are now, edits included; the
    // colour range stays as it was.
    TWaitCursor wait;
    TInputLock lock(this);
    Mesh->UpdateStats(Progress.get());
  }
  TFormMeshInfo dialog(this, Mesh.get());
  dialog.exec();
}

void TFormViewMesh::miCopyToClipboardClick() {
  if (MeshBitmap.isNull()) return;
  // The image at one pixel per cell; kept as 8-bit so a large mesh costs no
  // 32-bit copy here. A copy of its own: the clipboard outlives the
  // document's buffer that MeshBitmap only wraps.
  Doc.Image();
  QGuiApplication::clipboard()->setImage(MeshBitmap.copy());
  ShowMessage(this, TMsgKind::Information, "The mesh image has been copied to the Clipboard.");
}

void TFormViewMesh::miCmpHGTedgesClick() {
  TTMesh first, second;
  if (!PrepareEdgeTile(first) || !PrepareEdgeTile(second)) return;
  TFileDialogRequest req;
  req.title = "Select the first HGT";
  req.filter = "HGT files (*.hgt)|*.hgt";
  const QString firstPath = RunFileDialog(this, req);
  if (firstPath.isEmpty()) return;
  TTEdgeTileRead read = ReadEdgeTile(first, firstPath.toStdString(), Progress.get());
  if (!read.Message.empty())
    ShowMessage(this, TMsgKind::Information, QString::fromStdString(read.Message));
  if (!read.Ok) return;

  req.title = "Select the second HGT (left or top neighbour)";
  req.folder = QFileInfo(firstPath).absolutePath();
  const QString secondPath = RunFileDialog(this, req);
  if (secondPath.isEmpty()) return;
  read = ReadEdgeTile(second, secondPath.toStdString(), Progress.get());
  if (!read.Message.empty())
    ShowMessage(this, TMsgKind::Information, QString::fromStdString(read.Message));
  if (!read.Ok) return;

  const TTEdgeMessages m = CompareTileEdges(first, QFileInfo(firstPath).fileName().toStdString(),
                                            second, QFileInfo(secondPath).fileName().toStdString());
  ShowMessage(this, TMsgKind::Information, QString::fromStdString(m.Column));
  ShowMessage(this, TMsgKind::Information, QString::fromStdString(m.Row));
}
