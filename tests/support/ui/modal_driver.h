#pragma once

#include <functional>

#include <QWidget>

// Acts on the next modal dialog as soon as it runs its own event loop: the
// action reads it and closes it, so a test never blocks on exec(). Polls
// every few milliseconds; gives up after `timeoutMs`.
void OnNextModal(std::function<void(QWidget* modal)> action, int timeoutMs = 5000);

// Acts on the next modal dialog when it is a T; any other modal is closed.
template <class T, class F>
void OnNextDialog(F action, int timeoutMs = 5000) {
  OnNextModal(
      [action](QWidget* w) {
        if (auto* d = qobject_cast<T*>(w))
          action(*d);
        else
          w->close();
      },
      timeoutMs);
}
