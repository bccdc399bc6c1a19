#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "ui/widgets/message_box.h"

// Records message boxes instead of showing them, answering confirmations
// from a queue (Yes when the queue is empty).
class TMessageRecorder {
 public:
  struct Entry {
    TMsgKind kind;
    QString text;
  };

  TMessageRecorder();
  ~TMessageRecorder();

  void QueueAnswers(std::initializer_list<bool> answers);
  const std::vector<Entry>& Entries() const { return entries_; }
  // With `kind`, a text of another kind is marked "(other kind) ".
  QStringList Texts(std::optional<TMsgKind> kind = {}) const;
  void Clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
  std::vector<bool> answers_;
  TMessageHook previous_;
};

// Acts on the next modal dialog as soon as it runs its own event loop: the action reads it and
// closes it, so a test never blocks on exec(). Gives up after `timeoutMs`.
void OnNextModal(std::function<void(QWidget* modal)> action, int timeoutMs = 5000);

// The same for a dialog of class T; any other modal is closed.
template <class T, class F>
void OnNextDialog(F action) {
  OnNextModal([action](QWidget* w) {
    if (auto* d = qobject_cast<T*>(w))
      action(*d);
    else
      w->close();
  });
}
