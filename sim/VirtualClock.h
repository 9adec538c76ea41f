#pragma once
// Time for tests and the simulated pager that passes only while the program
// waits: every read of the counter or of the millisecond clock moves it on by
// a small step (so a busy wait ends), Sleep moves it by the time asked for,
// and letting window events run costs a little. A 500 ms timeout therefore
// costs no real time, and the same run always gives the same times.
#include <cstdint>
#include <functional>

#include "link/Clock.h"

namespace qrt {

class VirtualClock : public Clock {
 public:
  static constexpr int64_t kFrequency = 1'000'000'000;  // the counter counts nanoseconds

  bool QueryPerformanceFrequency(int64_t& frequency) override;
  int64_t QueryPerformanceCounter() override;
  uint32_t timeGetTime() override;
  void Sleep(uint32_t ms) override;
  void DoEvents() override;

  // Virtual nanoseconds since the clock was made; reading it costs nothing.
  int64_t Now() const { return now_; }
  double NowMs() const { return static_cast<double>(now_) / 1e6; }
  void Advance(int64_t ns) { now_ += ns > 0 ? ns : 0; }

  // Cost of each operation, in nanoseconds.
  int64_t counterReadStep = 1'000;
  int64_t msReadStep = 1'000;
  int64_t doEventsStep = 10'000;

  // False: QueryPerformanceFrequency reports a machine without a counter.
  bool hasCounter = true;
  // Added to the millisecond clock, so a test can put its 32-bit wrap
  // wherever it likes.
  uint32_t msOffset = 0;
  // Runs inside DoEvents, after the step: stands in for window events.
  std::function<void()> eventHook;

  // What the program asked for.
  int64_t sleepCalls = 0;
  int64_t sleptMs = 0;
  int64_t doEventsCalls = 0;
  int64_t counterReads = 0;
  int64_t frequencyQueries = 0;

 private:
  int64_t now_ = 0;
};

}  // namespace qrt
