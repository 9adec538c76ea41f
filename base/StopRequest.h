#pragma once
// The program's one request to stop a production run, in three levels:
//   0  run on
//   1  finish the pagers being written and start no new one (the first
//      Ctrl-C, the window's Stop)
//   2  stop each port after the page it is writing (the second Ctrl-C)
// The run checks it between polls of a socket, between pagers and, at level
// 2, between pages. A signal handler may raise it: it is one lock-free
// atomic and nothing else, so Request() allocates, locks and throws nothing.
// The window owns the one the program has and hands it to every run.
#include <atomic>

namespace qrt {

class StopRequest {
 public:
  static constexpr int kRun = 0;
  static constexpr int kFinishInFlight = 1;
  static constexpr int kStopNow = 2;

  // One level more, up to kStopNow: each Ctrl-C escalates.
  void Request() noexcept {
    int current = level_.load(std::memory_order_relaxed);
    while (current < kStopNow && !level_.compare_exchange_weak(current, current + 1, std::memory_order_relaxed)) {
    }
  }
  // At least `level` (the window's Stop asks for kFinishInFlight however
  // often it is pressed; closing the window asks for kStopNow).
  void RequestAtLeast(int level) noexcept {
    const int target = level < kStopNow ? level : kStopNow;
    int current = level_.load(std::memory_order_relaxed);
    while (current < target && !level_.compare_exchange_weak(current, target, std::memory_order_relaxed)) {
    }
  }
  // Back to running, for the next run of the one who owns it.
  void Clear() noexcept { level_.store(kRun, std::memory_order_relaxed); }

  int level() const noexcept { return level_.load(std::memory_order_relaxed); }
  bool requested() const noexcept { return level() >= kFinishInFlight; }
  bool stopNow() const noexcept { return level() >= kStopNow; }

 private:
  std::atomic<int> level_{kRun};
  static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch a lock-free atomic");
};

}  // namespace qrt
