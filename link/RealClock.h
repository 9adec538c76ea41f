#pragma once
// The machine's own time for the pager link: the monotonic clock read in
// nanoseconds serves as the high-resolution counter, its milliseconds
// (truncated to 32 bits, so they wrap like the system tick) as the millisecond
// clock. DoEvents runs a hook the program sets (the GUI lets its pending
// window events run there); without a hook it does nothing.
#include <cstdint>
#include <functional>

#include "link/Clock.h"

namespace qrt {

class RealClock : public Clock {
 public:
  static constexpr int64_t kFrequency = 1'000'000'000;  // counts per second

  bool QueryPerformanceFrequency(int64_t& frequency) override;
  int64_t QueryPerformanceCounter() override;
  uint32_t timeGetTime() override;
  void Sleep(uint32_t ms) override;  // blocks; a signal does not cut it short
  void DoEvents() override;

  // Nanoseconds on the monotonic clock; the same count as the counter.
  static int64_t NowNs();

  std::function<void()> eventHook;
};

}  // namespace qrt
