#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "ui/widgets/file_dialogs.h"

// Whole files for the window tests.
QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);

// Answers every file dialog with the next queued path ("" = cancel) and keeps
// the requests; the previous hook is back when it goes.
struct TDialogAnswers {
  QStringList answers;
  std::vector<TFileDialogRequest> requests;
  TFileDialogHook previous;
  TDialogAnswers(QStringList queued = {});
  ~TDialogAnswers();
};
