#include "core/platform/helper_thread.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
struct THelper {
  std::mutex Lock;
  std::condition_variable Wake, Done;
  const std::function<void()>* Job = nullptr;  // handed over, not yet taken
  bool Busy = false;                           // from handing over until the caller saw it end
  bool Finished = false;
  bool Started = false, Failed = false;
};

// Never destroyed: the thread waits on it until the process ends, also while
// static objects are being destroyed.
THelper& Helper() {
  static THelper* helper = new THelper;
  return *helper;
}

void Serve(THelper& h) {
  std::unique_lock<std::mutex> g(h.Lock);
  for (;;) {
    h.Wake.wait(g, [&] { return h.Job != nullptr; });
    const std::function<void()>* job = h.Job;
    h.Job = nullptr;
    g.unlock();
    (*job)();
    g.lock();
    h.Finished = true;
    h.Done.notify_all();
  }
}

// True when `other` was handed to the kept thread.
bool HandOver(THelper& h, const std::function<void()>& other) {
  std::lock_guard<std::mutex> g(h.Lock);
  if (h.Busy || h.Failed) return false;
  if (!h.Started) {
    try {
      std::thread(Serve, std::ref(h)).detach();
      h.Started = true;
    } catch (const std::system_error&) {
      h.Failed = true;
      return false;
    }
  }
  h.Job = &other;
  h.Busy = true;
  h.Finished = false;
  return true;
}

struct TWaitForHelper {
  THelper& h;
  ~TWaitForHelper() {
    std::unique_lock<std::mutex> g(h.Lock);
    h.Done.wait(g, [&] { return h.Finished; });
    h.Busy = false;
  }
};
}  // namespace

void RunBeside(const std::function<void()>& other, const std::function<void()>& mine) {
  THelper& h = Helper();
  if (HandOver(h, other)) {
    h.Wake.notify_one();
    TWaitForHelper wait{h};
    mine();
    return;
  }
  std::thread t;
  try {
    t = std::thread(other);
  } catch (const std::system_error&) {
    mine();
    other();
    return;
  }
  struct TJoin {
    std::thread& t;
    ~TJoin() { t.join(); }
  } join{t};
  mine();
}
