#include "cli/Signals.h"

#include <csignal>
#include <chrono>

namespace qrt::cli {
namespace {

constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP};

// The handlers' whole state: the request they raise and the first signal.
std::atomic<StopRequest*> handledRequest{nullptr};
std::atomic<int> firstSignal{0};
static_assert(std::atomic<StopRequest*>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal, std::memory_order_relaxed);
  if (StopRequest* request = handledRequest.load(std::memory_order_relaxed)) request->Request();
}

}  // namespace

std::string StopNotice(int level) {
  if (level >= StopRequest::kStopNow)
    return "qrt35: stopping now: each port stops after the page or block it is at; its pager is recorded as "
           "interrupted.";
  return "qrt35: stopping: what is under way is finished, verified and recorded; no new pager is started. "
         "A second Ctrl-C (or SIGTERM) stops each port after the page or block it is at.";
}

StopSignals::StopSignals(std::function<void(std::string_view)> tell) : tell_(std::move(tell)) {
  firstSignal.store(0);
  handledRequest.store(&request_);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Calls in progress go on: the run itself looks at the request between
  // its steps, and the questions on the terminal wait with poll(), which a
  // signal always ends.
  action.sa_flags = SA_RESTART;
  for (int signal : kHandled) sigaction(signal, &action, nullptr);
  watcher_ = std::thread([this] { Watch(); });
}

StopSignals::~StopSignals() {
  for (int signal : kHandled) std::signal(signal, SIG_DFL);
  handledRequest.store(nullptr);
  done_.store(true);
  watcher_.join();
}

int StopSignals::ExitCode() const {
  switch (firstSignal.load()) {
    case 0: return 0;
    case SIGINT: return 128 + SIGINT;
    default: return 128 + SIGTERM;  // a closed terminal ends the run as SIGTERM does
  }
}

void StopSignals::TellPending() {
  const int level = request_.level();
  int told = told_.load();
  while (level > told)
    if (told_.compare_exchange_weak(told, level)) return tell_(StopNotice(level));
}

void StopSignals::Watch() {
  while (!done_.load()) {
    TellPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace qrt::cli
