#include <QApplication>

#include "app/app_globals.h"
#include "app/form_view_mesh.h"
#include "app/icons.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(AppName);
  QApplication::setWindowIcon(AppIcon());
  TFormViewMesh window;
  window.showMaximized();
  return app.exec();
}
