#pragma once

#include <functional>

class QWidget;

// Acts on the next modal dialog as soon as it runs its own event loop: the
// action reads it and closes it, so a test never blocks on exec(). Polls
// every few milliseconds; gives up after `timeoutMs`.
void OnNextModal(std::function<void(QWidget* modal)> action, int timeoutMs = 5000);
