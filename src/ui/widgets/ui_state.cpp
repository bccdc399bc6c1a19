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

// Each write locks the settings file and syncs it to the disk twice: a value
// that is already stored is not written again.
void Store(QSettings& state, const QString& key, const QVariant& value) {
  if (state.value(key) != value) state.setValue(key, value);
}
void Store(const QString& key, const QVariant& value) {
  QSettings state = State();
  Store(state, key, value);
}
}  // namespace

void SetUiStatePath(const QString& path) { PathOverride() = path; }

QByteArray SavedWindowGeometry() { return State().value("Window/Geometry").toByteArray(); }

void SaveWindowGeometry(const QByteArray& geometry) { Store("Window/Geometry", geometry); }

QStringList RecentFiles() { return State().value("RecentFiles").toStringList(); }

void AddRecentFile(const QString& path) {
  const QString clean = QDir::cleanPath(path);
  QSettings state = State();  // read once: a load waits for this
  QStringList list = state.value("RecentFiles").toStringList();
  list.removeAll(clean);
  list.prepend(clean);
  while (list.size() > kMaxRecentFiles) list.removeLast();
  Store(state, "RecentFiles", list);
}

QString LastFolder(const QString& dialogTitle) {
  return State().value("Folders/" + dialogTitle).toString();
}

void SetLastFolder(const QString& dialogTitle, const QString& folder) {
  Store("Folders/" + dialogTitle, folder);
}
