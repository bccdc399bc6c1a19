#include "core/platform/helper_thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
// How long each side polls before it sleeps. Waking a sleeping thread costs
// about 50 microseconds on some virtual machines, and one command makes
// several of these calls within a millisecond (a load, then colouring and
// showing the view): polling through such gaps makes a call cost a few
// microseconds, for at most this long a core kept busy after the last one.
constexpr auto kPoll = std::chrono::microseconds(500);

// Polls `ready` until it holds or kPoll has passed; true when it holds.
template <class F>
bool PollFor(const F& ready) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1;; ++i) {
    if (ready()) return true;
    if (i % 64 == 0 && std::chrono::steady_clock::now() - start > kPoll) return false;
    std::this_thread::yield();
  }
}

struct THelper {
  std::mutex Lock;
  std::condition_variable Wake, Done;
  // Written under Lock, read also without it while polling.
  std::atomic<const std::function<void()>*> Job{nullptr};  // handed over, not yet taken
  std::atomic<bool> Finished{false};
  bool Busy = false;  // from handing over until the caller saw it end
  bool Started = false, Failed = false;
};

// Never destroyed: the thread waits on it until the process ends, also while
// static objects are being destroyed.
THelper& Helper() {
  static THelper* helper = new THelper;
  return *helper;
}

void Serve(THelper& h) {
  for (;;) {
    if (!PollFor([&] { return h.Job.load() != nullptr; })) {
      std::unique_lock<std::mutex> g(h.Lock);
      h.Wake.wait(g, [&] { return h.Job.load() != nullptr; });
    }
    (*h.Job.exchange(nullptr))();
    std::lock_guard<std::mutex> g(h.Lock);
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
  h.Busy = true;
  h.Finished = false;
  h.Job = &other;
  return true;
}

struct TWaitForHelper {
  THelper& h;
  ~TWaitForHelper() {
    PollFor([&] { return h.Finished.load(); });
    std::unique_lock<std::mutex> g(h.Lock);
    h.Done.wait(g, [&] { return h.Finished.load(); });
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
