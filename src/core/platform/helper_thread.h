#pragma once

#include <functional>

// Runs `other` on a second thread while the calling thread runs `mine`, and
// returns when both have finished. The second thread is one kept waiting for
// the purpose: starting a thread costs about 50 microseconds on some virtual
// machines, as much as colouring a tenth of a view. While that thread is busy
// (two callers at once, or one inside the other), a thread is started for
// the call; when none can be had, `other` runs after `mine` on this thread.
// `other` must not throw; when `mine` throws, the call still waits for
// `other` before passing the exception on.
void RunBeside(const std::function<void()>& other, const std::function<void()>& mine);
