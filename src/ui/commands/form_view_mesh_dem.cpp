// The File menu's elevation-model commands: "Load DEM...", "Load Multiple
// DEM...", "Save Mesh to GeoTIFF..." (through GDAL) and "Save Mesh as HGT
// Tiles..." (core only).
#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QPushButton>
#include <QStringList>

#include "core/document/command_endings.h"
#include "core/mesh/mesh.h"
#include "core/tiles/hgt_split.h"
#include "ui/commands/dem_commands.h"
#include "ui/dialogs/form_dem_load.h"
#include "ui/dialogs/form_open_multi_hgt.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/wait_cursor.h"
#ifdef DELVA_HAVE_GDAL
#include "gdal/gdal_dem.h"
#endif

namespace {

TFolderChooser& TileFolderChooser() {
  static TFolderChooser chooser;
  return chooser;
}

#ifndef DELVA_HAVE_GDAL
const char* kNoGdal = "GeoTIFF support is not built into this editor.";
#endif

}  // namespace

TFolderChooser SetTileFolderChooser(TFolderChooser chooser) {
  std::swap(chooser, TileFolderChooser());
  return chooser;
}

void TFormViewMesh::EnableDemCommands(bool meshLoaded) {
  for (QAction* a : {miOpenDEM, miOpenMultiDEM}) a->setEnabled(!meshLoaded);
  for (QAction* a : {miSaveAsGeoTiff, miSaveAsHgtTiles}) a->setEnabled(meshLoaded);
}

void TFormViewMesh::miOpenDEMClick() {
  if (Mesh) return;
#ifdef DELVA_HAVE_GDAL
  TFileDialogRequest req;
  req.title = "Load DEM";
  req.filter = "Elevation rasters|*.tif;*.tiff;*.hgt;*.vrt;*.img;*.asc;*.dem|All files|*";
  const QString path = RunFileDialog(this, req);
  if (path.isEmpty()) return;
  const TTDemInfo info = InspectDem(path.toStdString());
  if (!info.Message.empty() && info.Cols == 0) {
    ShowMessage(this, TMsgKind::Error, QString::fromStdString(info.Message));
    return;
  }
  TTWarpGrid warp;
  {
    TFormDemLoad dialog(this, path.mid(path.lastIndexOf('/') + 1), info.Geographic,
                        info.ProposedDensity);
    if (dialog.exec() != QDialog::Accepted) return;
    warp.Density = dialog.Density();
    warp.Method = dialog.Cubic() ? TTWarpMethod::Cubic : TTWarpMethod::Bilinear;
  }
  int64_t clipped = 0;
  LoadNewMesh([&](TTMesh& mesh) {
    const TTDemLoadResult r = LoadDem(mesh, path.toStdString(), warp, Progress.get());
    clipped = r.Clipped;
    return r.Message;
  });
  if (Mesh && clipped > 0) ShowMessage(this, TMsgKind::Information, kClippedMessage);
#else
  ShowMessage(this, TMsgKind::Error, kNoGdal);
#endif
}

void TFormViewMesh::miOpenMultiDEMClick() {
  if (Mesh) return;
#ifdef DELVA_HAVE_GDAL
  TTDemMosaicRequest request;
  {
    // The tile dialog's folder, sides, bands and fill value; GeoTIFF tiles are
    // found by their extents, so its check of tile names does not apply.
    TFormOpenMultiHGT dialog(this, QString());
    dialog.setWindowTitle("Load Multiple DEM");
    dialog.BitBtnCheckMissingFiles->setVisible(false);
    if (dialog.exec() != QDialog::Accepted) return;
    request.Folder = dialog.SourceFolder.toStdString();
    request.Rect = dialog.Rect();
    request.Bands = dialog.Bands();
    request.FillValue = dialog.FillValue();
  }
  std::vector<std::string> missing;
  int64_t clipped = 0;
  LoadNewMesh([&](TTMesh& mesh) {
    missing = MissingDemCells(request);
    const TTDemLoadResult r = LoadMultiDem(mesh, request, Progress.get());
    clipped = r.Clipped;
    return r.Message;
  });
  if (!Mesh) return;
  if (clipped > 0) ShowMessage(this, TMsgKind::Information, kClippedMessage);
  if (!missing.empty()) {
    QStringList names;
    for (const std::string& n : missing) names << QString::fromStdString(n);
    ShowMessage(this, TMsgKind::Information,
                "No raster covers these tiles; they hold the fill value:\n" + names.join("\n"));
  }
#else
  ShowMessage(this, TMsgKind::Error, kNoGdal);
#endif
}

void TFormViewMesh::miSaveAsGeoTiffClick() {
  if (!Mesh) return;
#ifdef DELVA_HAVE_GDAL
  TFileDialogRequest req;
  req.kind = TFileDialogRequest::Save;
  req.title = "Save Mesh to GeoTIFF";
  req.filter = "GeoTIFF|*.tif;*.tiff";
  req.defaultSuffix = "tif";
  req.proposedName = ProposedMeshFileName() + ".tif";
  const QString path = RunFileDialog(this, req);
  if (path.isEmpty()) return;
  std::string message;
  StartCommandClock();
  {
    TWaitCursor wait;
    TInputLock lock(this);
    message = SaveMeshToGeoTiff(*Mesh, path.toStdString(), Progress.get());
  }
  ShowEnding(SavedText(path, message.empty()));
  if (!message.empty()) ShowMessage(this, TMsgKind::Error, QString::fromStdString(message));
#else
  ShowMessage(this, TMsgKind::Error, kNoGdal);
#endif
}

void TFormViewMesh::miSaveAsHgtTilesClick() {
  if (!Mesh) return;
  if (HgtGridDensity(*Mesh) == 0) {
    int written = 0;
    ShowMessage(this, TMsgKind::Error,
                QString::fromStdString(SaveMeshAsHgtTiles(*Mesh, std::string(), written, nullptr)));
    return;
  }
  const QString title = "Save Mesh as HGT Tiles";
  const QString folder = TileFolderChooser() ? TileFolderChooser()(this, title)
                                             : QFileDialog::getExistingDirectory(this, title);
  if (folder.isEmpty()) return;
  std::string message;
  int written = 0;
  StartCommandClock();
  {
    TWaitCursor wait;
    TInputLock lock(this);
    message = SaveMeshAsHgtTiles(*Mesh, folder.toStdString(), written, Progress.get());
  }
  ShowEnding(QString::fromStdString(
      message.empty() ? CommandEndText("Saved " + std::to_string(written) +
                                           (written == 1 ? " HGT tile" : " HGT tiles"),
                                       TEnding::Done, CommandSeconds())
                      : CommandEndText("Save as HGT tiles", TEnding::Failed, 0)));
  if (!message.empty())
    ShowMessage(this, TMsgKind::Error, QString::fromStdString(message));
  else
    ShowMessage(this, TMsgKind::Information, QString("%1 HGT tiles written.").arg(written));
}
