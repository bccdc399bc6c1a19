// The main window's load commands for a rectangle of tiles and for a raw
// raster.

#include "core/formats/raster_rules.h"
#include "core/tiles/multi_hgt.h"
#include "ui/dialogs/form_open_multi_hgt.h"
#include "ui/dialogs/form_raster.h"
#include "ui/main/form_view_mesh.h"

void TFormViewMesh::miOpenMultiHGTClick() {
  if (Mesh) return;  // a mesh can only be loaded while none is
  TTMultiHGTRequest request;
  {
    TFormOpenMultiHGT dialog(this, ConfiguredHGTFolder());
    connect(&dialog, &TFormOpenMultiHGT::helpRequested, &dialog,
            [&dialog](const QString& page) { ShowHelpTopic(&dialog, page); });
    if (dialog.exec() != QDialog::Accepted) return;
    request = dialog.Request();
  }
  request.TempDir = TempDirUtf8();
  TTMissingTiles missing;
  missing.Value = request.FillValue;
  LoadNewMesh(
      [&](TTMesh& mesh) { return LoadMultiHGT(mesh, request, Progress.get(), &missing.Rects); },
      &missing);
}

void TFormViewMesh::miOpenRasterClick() {
  if (Mesh) return;
  TTRasterImport in;
  {
    TFormOpenRaster dialog(this);
    connect(&dialog, &TFormOpenRaster::helpRequested, &dialog,
            [&dialog](const QString& page) { ShowHelpTopic(&dialog, page); });
    if (dialog.exec() != QDialog::Accepted) return;
    in = dialog.Import();
  }
  LoadNewMesh([&](TTMesh& mesh) { return LoadRasterMesh(mesh, in, Progress.get()); });
}
