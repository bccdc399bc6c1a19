#include "ui/widgets/file_dialogs.h"

#include "core/base/file_util.h"
#include "ui/widgets/message_box.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "ui/widgets/ui_state.h"

namespace {
TFileDialogHook& Hook() {
  static TFileDialogHook hook;
  return hook;
}
}  // namespace

TFileDialogHook SetFileDialogHook(TFileDialogHook hook) {
  TFileDialogHook old = std::move(Hook());
  Hook() = std::move(hook);
  return old;
}

namespace {
// "exe" as "[Ee][Xx][Ee]": any letter case even on a case-sensitive system.
QString AnyCasePattern(const QString& pattern) {
  QString out;
  for (const QChar c : pattern) {
    if (c.toLower() != c.toUpper())
      out += QString("[%1%2]").arg(c.toUpper(), c.toLower());
    else
      out += c;
  }
  return out;
}
}  // namespace

QString QtFileFilter(const QString& filter, bool anyCase) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      // Tile and mesh files come with either letter case on a
      // case-sensitive file system.
      const QString t = p.trimmed();
      if (anyCase) {
        patterns << AnyCasePattern(t);
        continue;
      }
      patterns << t;
      if (t.toUpper() != t) patterns << t.toUpper();
    }
    // Qt reads the patterns from the last parentheses, so they are added
    // even when the name already shows them.
    out << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return out.join(";;");
}

namespace {
QString RunQtFileDialog(QWidget* parent, const TFileDialogRequest& r);
}  // namespace

QString RunFileDialog(QWidget* parent, const TFileDialogRequest& request) {
  // A folder the command chose (the HGT folder) wins over the remembered one.
  TFileDialogRequest r = request;
  if (r.folder.isEmpty()) r.folder = LastFolder(r.title);
  const QString chosen = Hook() ? Hook()(r) : RunQtFileDialog(parent, r);
  if (r.kind == TFileDialogRequest::Save && !chosen.isEmpty()) {
    // A folder (or a device) given as the name: say so, rather than a bare
    // "cannot save" later.
    const std::string problem = SaveTargetProblem(chosen.toStdString());
    if (!problem.empty()) {
      ShowMessage(parent, TMsgKind::Error, QString::fromStdString(problem));
      return QString();
    }
  }
  if (!chosen.isEmpty()) SetLastFolder(r.title, QFileInfo(chosen).absolutePath());
  return chosen;
}

namespace {
QString RunQtFileDialog(QWidget* parent, const TFileDialogRequest& r) {
  QFileDialog dialog(parent, r.title, r.folder, QtFileFilter(r.filter, r.anyCase));
  if (r.kind == TFileDialogRequest::Open) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  }
  if (!r.proposedName.isEmpty()) dialog.selectFile(r.proposedName);
  if (!r.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(r.defaultSuffix);
  if (dialog.exec() != QDialog::Accepted) return QString();
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return QString();
  return files.first();
}
}  // namespace
