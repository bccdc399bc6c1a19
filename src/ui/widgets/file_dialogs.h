#pragma once

#include <QString>
#include <functional>

class QWidget;

// The common file dialogs of the editor. Filters are given as "Name|*.ext"
// pairs ("HGX files (*.hgx)|*.hgx|ZIP files|*.zip;*.ZIP"); tests install a
// hook that answers instead of a modal dialog.
struct TFileDialogRequest {
  enum Kind { Open, Save } kind = Open;
  QString title;
  QString folder;         // initial folder, may be empty
  QString filter;         // "Name|*.ext|..."
  QString defaultSuffix;  // "hgx" (save dialogs)
  QString proposedName;   // file name proposed (typed in for the user)
  bool anyCase = false;   // patterns match names in any letter case
};

// Returns the chosen path, or an empty string when cancelled. Open dialogs
// want an existing file; save dialogs ask before overwriting and add the
// default suffix to a name without one.
QString RunFileDialog(QWidget* parent, const TFileDialogRequest& request);

using TFileDialogHook = std::function<QString(const TFileDialogRequest&)>;
// Replaces the dialog; an empty hook restores it. Returns the previous hook.
TFileDialogHook SetFileDialogHook(TFileDialogHook hook);

// "Name|*.a;*.b|Other|*.c" in Qt's syntax ("Name (*.a *.b *.A *.B);;Other (*.c *.C)").
QString QtFileFilter(const QString& filter, bool anyCase = false);
