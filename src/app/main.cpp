#include <QApplication>
#include <QMainWindow>

#include "app/app_globals.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(AppName);
  QMainWindow window;
  window.setWindowTitle(AppName);
  window.resize(800, 600);
  window.show();
  return app.exec();
}
