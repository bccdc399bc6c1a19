#include "support/ui/message_recorder.h"

TMessageRecorder::TMessageRecorder() {
  previous_ = SetMessageHook([this](TMsgKind kind, const QString& text) {
    entries_.push_back({kind, text});
    if (kind != TMsgKind::Confirmation && kind != TMsgKind::WarningQuestion) return true;
    if (answers_.empty()) return default_answer_;
    bool a = answers_.front();
    answers_.erase(answers_.begin());
    return a;
  });
}

TMessageRecorder::~TMessageRecorder() { SetMessageHook(previous_); }

void TMessageRecorder::QueueAnswers(std::initializer_list<bool> answers) {
  answers_.insert(answers_.end(), answers);
}

QStringList TMessageRecorder::Texts() const {
  QStringList l;
  for (const auto& e : entries_) l << e.text;
  return l;
}
