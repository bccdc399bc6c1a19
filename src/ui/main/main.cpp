#include <QApplication>

#include "core/base/app_name.h"
#include "ui/main/form_view_mesh.h"
#include "ui/widgets/icons.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(AppName);
  QApplication::setWindowIcon(AppIcon());
  TFormViewMesh window;
  window.showMaximized();
  return app.exec();
}
