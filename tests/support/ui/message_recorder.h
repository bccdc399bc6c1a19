#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "ui/widgets/message_box.h"

// Records message boxes instead of showing them, answering confirmations
// from a queue (Yes when the queue is empty unless told otherwise).
class TMessageRecorder {
 public:
  struct Entry {
    TMsgKind kind;
    QString text;
  };

  TMessageRecorder();
  ~TMessageRecorder();

  void QueueAnswers(std::initializer_list<bool> answers);
  void SetDefaultAnswer(bool yes) { default_answer_ = yes; }
  const std::vector<Entry>& Entries() const { return entries_; }
  QStringList Texts() const;
  void Clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
  std::vector<bool> answers_;
  bool default_answer_ = true;
  TMessageHook previous_;
};
