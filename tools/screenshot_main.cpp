// delva_screenshot TILE OUT.png [COL ROW]: the editor's window with one tile
// loaded, View > Hillshade on and the view at 1x centred on cell COL, ROW
// (default: the tile's middle), grabbed into OUT.png. README's picture comes
// from tools/screenshot.sh, which runs it without a display.

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/mesh/mesh.h"
#include "ui/main/form_view_mesh.h"
#include "ui/main/mesh_view.h"
#include "ui/widgets/ui_state.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: delva_screenshot TILE OUT.png [COL ROW]\n");
    return 2;
  }
  // The user's remembered window and recent files stay as they are.
  QTemporaryDir state;
  SetUiStatePath(state.filePath("delvawin.ini"));
  TFormViewMesh window;
  window.resize(1200, 760);
  window.show();
  app.processEvents();
  window.OpenDroppedFile(QString::fromLocal8Bit(argv[1]));
  if (!window.Mesh) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  window.miHillshade->trigger();
  const int col = argc == 5 ? std::atoi(argv[3]) : window.Mesh->Cols / 2;
  const int row = argc == 5 ? std::atoi(argv[4]) : window.Mesh->Rows / 2;
  QWidget* view = window.ScrollBoxMesh->viewport();
  window.ScrollBoxMesh->SetScroll(std::max(0, col - view->width() / 2),
                                  std::max(0, row - view->height() / 2));
  // The read-out of the cell in the middle, as if the mouse rested there.
  window.PaintBoxMeshMouseMove(col, row);
  app.processEvents();
  if (!window.grab().save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
