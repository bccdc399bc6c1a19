// The main window's load commands for a rectangle of tiles and for a raw
// raster.

#include "app/form_view_mesh.h"
#include "app/message_box.h"
#include "hgt/form_open_multi_hgt.h"
#include "hgt/multi_hgt.h"
#include "mesh/form_raster.h"
#include "mesh/raster_rules.h"

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
  auto mesh = std::make_unique<TTMesh>();
  std::string message;
  {
    TWaitCursor wait;
    TInputLock lock(this);
    message = LoadMultiHGT(*mesh, request, Progress.get());
  }
  if (!message.empty()) {
    ShowMessage(this, TMsgKind::Error, QString::fromStdString(message));
    return;
  }
  TWaitCursor wait;
  AttachMesh(std::move(mesh));
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
  auto mesh = std::make_unique<TTMesh>();
  std::string message;
  {
    TWaitCursor wait;
    TInputLock lock(this);
    message = LoadRasterMesh(*mesh, in, Progress.get());
  }
  if (!message.empty()) {
    ShowMessage(this, TMsgKind::Error, QString::fromStdString(message));
    return;
  }
  TWaitCursor wait;
  AttachMesh(std::move(mesh));
}
