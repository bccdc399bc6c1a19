#include "ui/widgets/message_box.h"

#include <QMessageBox>

#include "core/base/app_name.h"

namespace {
TMessageHook& Hook() {
  static TMessageHook hook;
  return hook;
}
TAnswerHook& AnswerHook() {
  static TAnswerHook hook;
  return hook;
}
}  // namespace

TMessageHook SetMessageHook(TMessageHook hook) {
  TMessageHook old = std::move(Hook());
  Hook() = std::move(hook);
  return old;
}

bool ShowMessage(QWidget* parent, TMsgKind kind, const QString& text) {
  if (Hook()) return Hook()(kind, text);
  const QString title = QString::fromUtf8(AppName);
  switch (kind) {
    case TMsgKind::Confirmation:
      return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::No) == QMessageBox::Yes;
    case TMsgKind::WarningQuestion:
      return QMessageBox::warning(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) == QMessageBox::Yes;
    case TMsgKind::Warning:
      QMessageBox::warning(parent, title, text);
      return true;
    case TMsgKind::Error:
      QMessageBox::critical(parent, title, text);
      return true;
    case TMsgKind::Information:
      QMessageBox::information(parent, title, text);
      return true;
  }
  return false;
}

TAnswerHook SetAnswerHook(TAnswerHook hook) {
  TAnswerHook old = std::move(AnswerHook());
  AnswerHook() = std::move(hook);
  return old;
}

TAnswer AskYesNoCancel(QWidget* parent, const QString& text) {
  if (AnswerHook()) return AnswerHook()(text);
  if (Hook()) return Hook()(TMsgKind::Confirmation, text) ? TAnswer::Yes : TAnswer::No;
  switch (QMessageBox::question(parent, QString::fromUtf8(AppName), text,
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return TAnswer::Yes;
    case QMessageBox::No:
      return TAnswer::No;
    default:
      return TAnswer::Cancel;
  }
}
