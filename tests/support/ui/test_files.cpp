#include "support/ui/test_files.h"

#include <QFile>

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

TDialogAnswers::TDialogAnswers(QStringList queued) : answers(std::move(queued)) {
  previous = SetFileDialogHook([this](const TFileDialogRequest& r) {
    requests.push_back(r);
    return answers.isEmpty() ? QString() : answers.takeFirst();
  });
}

TDialogAnswers::~TDialogAnswers() { SetFileDialogHook(previous); }
