#include "link/RealClock.h"

#include <cerrno>
#include <chrono>
#include <ctime>

namespace qrt {

int64_t RealClock::NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool RealClock::QueryPerformanceFrequency(int64_t& frequency) {
  frequency = kFrequency;
  return true;
}

int64_t RealClock::QueryPerformanceCounter() { return NowNs(); }

uint32_t RealClock::timeGetTime() {
  // Keeping only the low 32 bits gives the system tick's wrap after ~49.7 days.
  return static_cast<uint32_t>(static_cast<uint64_t>(NowNs() / 1'000'000));
}

void RealClock::Sleep(uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000L};
  timespec rest{};
  while (nanosleep(&left, &rest) != 0 && errno == EINTR) left = rest;
}

void RealClock::DoEvents() {
  if (eventHook) eventHook();
}

}  // namespace qrt
