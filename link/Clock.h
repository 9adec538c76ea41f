#pragma once
// Time as the pager link sees it. The real clock runs on the monotonic clock;
// the virtual clock used by tests and the simulator advances only while the
// program waits, so a 500 ms timeout costs no real time.
#include <cstdint>
#include <functional>

namespace qrt {

class Clock {
 public:
  virtual ~Clock() = default;
  // False when the machine has no high-resolution counter.
  virtual bool QueryPerformanceFrequency(int64_t& frequency) = 0;
  virtual int64_t QueryPerformanceCounter() = 0;
  // Milliseconds, 32 bits, wrapping.
  virtual uint32_t timeGetTime() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Lets pending window events run (a no-op without a window).
  virtual void DoEvents() = 0;
};

}  // namespace qrt
