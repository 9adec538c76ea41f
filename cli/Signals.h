#pragma once
// Ctrl-C, SIGTERM and SIGHUP (a closed terminal) while the command line
// reads, writes or verifies pagers. Each signal raises the run's stop request
// one level: the first finishes the pagers being written and starts no new
// one, the second stops each port after the page it is sending. The process
// then ends with the status a shell gives a process that such a signal ended:
// 130 when the first was SIGINT, 143 when it was SIGTERM or SIGHUP.
//
// The handlers do nothing but raise the request and keep the first signal's
// number (lock-free atomics, the only state a handler may touch; that is why
// they live outside the object, which points them at its request). A thread
// of the object's own tells the operator, once per level, what happens now.
#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "base/StopRequest.h"

namespace qrt::cli {

class StopSignals {
 public:
  // Installs the handlers; `tell` receives each notice (from a thread of its own).
  explicit StopSignals(std::function<void(std::string_view)> tell);
  // Puts the default handlers back.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  const StopRequest& request() const { return request_; }
  // 0 while no signal came; else 130 (SIGINT first) or 143 (SIGTERM or SIGHUP first).
  int ExitCode() const;
  // Tells the notice of a level not told yet: the watching thread does so
  // within 50 ms, the console before any line of its own, so that the
  // notice comes before whatever the stop leads to.
  void TellPending();

 private:
  void Watch();

  StopRequest request_;
  std::function<void(std::string_view)> tell_;
  std::atomic<int> told_{StopRequest::kRun};
  std::atomic<bool> done_{false};
  std::thread watcher_;
};

// What the operator is told when the stop request reaches `level`.
std::string StopNotice(int level);

}  // namespace qrt::cli
