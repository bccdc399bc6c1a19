#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "ui/widgets/file_dialogs.h"

// Whole files for the window tests; a shared test file's path, empty when
// the shared folder is absent.
QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);
QString SharedFile(const char* relative);

// Answers every file dialog with the next queued path ("" = cancel) and keeps
// the requests; the previous hook is back when it goes.
struct TDialogAnswers {
  QStringList answers;
  std::vector<TFileDialogRequest> requests;
  TFileDialogHook previous;
  TDialogAnswers(QStringList queued = {});
  ~TDialogAnswers();
};
