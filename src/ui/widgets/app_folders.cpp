#include "ui/widgets/app_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/settings/prog_cfg.h"
#include "ui/widgets/private_temp.h"

namespace {
QString& TempDirStorage() {
  static QString dir;
  return dir;
}
}  // namespace

namespace {
QString DefaultTempDir() {
  // "temp" beside the executable for a portable install; else the user's
  // cache folder, as an installed program cannot write beside itself.
  const QString exeDir = QCoreApplication::applicationDirPath();
  const QString base = QFileInfo(exeDir).isWritable()
                           ? exeDir
                           : QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  return QDir(base).filePath("temp");
}
}  // namespace

const QString& TempDir() {
  // Commands run before the window was first shown (tests) still get the
  // folder; it is created when a file is extracted into it.
  if (TempDirStorage().isEmpty()) TempDirStorage() = DefaultTempDir();
  return TempDirStorage();
}
std::string TempDirUtf8() { return TempDir().toStdString(); }

std::string SettingsFolder() {
  static const std::string folder = ChooseSettingsFolder(
      QCoreApplication::applicationDirPath().toStdString(),
      QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString());
  return folder;
}

bool ChooseEditorTempDir() {
  const QString own = QString::fromStdString(EditorTempFolder(DefaultTempDir().toStdString()));
  TempDirStorage() = own.isEmpty() ? DefaultTempDir() : own;
  return !own.isEmpty();
}
