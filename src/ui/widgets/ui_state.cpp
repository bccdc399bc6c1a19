#include "ui/widgets/ui_state.h"

#include <QDir>
#include <QSettings>

#include "core/base/file_util.h"
#include "ui/widgets/app_folders.h"

namespace {
QString& PathOverride() {
  static QString path;
  return path;
}

QSettings State() {
  const QString path = PathOverride().isEmpty()
                           ? QString::fromStdString(JoinPath(SettingsFolder(), kUiStateFileName))
                           : PathOverride();
  return QSettings(path, QSettings::IniFormat);
}
}  // namespace

void SetUiStatePath(const QString& path) { PathOverride() = path; }

QByteArray SavedWindowGeometry() { return State().value("Window/Geometry").toByteArray(); }

void SaveWindowGeometry(const QByteArray& geometry) {
  State().setValue("Window/Geometry", geometry);
}

QStringList RecentFiles() { return State().value("RecentFiles").toStringList(); }

void AddRecentFile(const QString& path) {
  const QString clean = QDir::cleanPath(path);
  QStringList list = RecentFiles();
  // Reopening the latest file changes nothing: the settings file is not
  // rewritten (each write locks it and syncs it to the disk twice).
  if (!list.isEmpty() && list.first() == clean) return;
  list.removeAll(clean);
  list.prepend(clean);
  while (list.size() > kMaxRecentFiles) list.removeLast();
  State().setValue("RecentFiles", list);
}

QString LastFolder(const QString& dialogTitle) {
  return State().value("Folders/" + dialogTitle).toString();
}

void SetLastFolder(const QString& dialogTitle, const QString& folder) {
  State().setValue("Folders/" + dialogTitle, folder);
}
