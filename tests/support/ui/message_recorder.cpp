#include "support/ui/message_recorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

TMessageRecorder::TMessageRecorder() {
  previous_ = SetMessageHook([this](TMsgKind kind, const QString& text) {
    entries_.push_back({kind, text});
    if (kind != TMsgKind::Confirmation && kind != TMsgKind::WarningQuestion) return true;
    if (answers_.empty()) return true;
    bool a = answers_.front();
    answers_.erase(answers_.begin());
    return a;
  });
}

TMessageRecorder::~TMessageRecorder() { SetMessageHook(previous_); }

void TMessageRecorder::QueueAnswers(std::initializer_list<bool> answers) {
  answers_.insert(answers_.end(), answers);
}

QStringList TMessageRecorder::Texts(std::optional<TMsgKind> kind) const {
  QStringList l;
  for (const auto& e : entries_)
    l << (!kind || e.kind == *kind ? e.text : "(other kind) " + e.text);
  return l;
}

void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs) {
  auto* timer = new QTimer;
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w && clock->elapsed() <= timeoutMs) return;
    timer->stop(), timer->deleteLater();
    if (w) action(w);
  });
  timer->start(5);
}
