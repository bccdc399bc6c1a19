#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What the window remembers between sessions that the fixed-format settings
// file has no room for: window geometry, each file dialog's last folder and
// the Recent Files list. Kept in an INI file of its own beside delvacfg.bin
// (the settings folder).
inline constexpr const char* kUiStateFileName = "delvawin.ini";
// Another file instead (tests); empty: the settings folder's.
void SetUiStatePath(const QString& path);
QByteArray SavedWindowGeometry();
void SaveWindowGeometry(const QByteArray& geometry);

// Newest first, at most kMaxRecentFiles, each path once.
inline constexpr int kMaxRecentFiles = 8;
QStringList RecentFiles();
void AddRecentFile(const QString& path);

// The folder of the last file chosen in the dialog of that title.
QString LastFolder(const QString& dialogTitle);
void SetLastFolder(const QString& dialogTitle, const QString& folder);
