#include "sim/VirtualClock.h"

namespace qrt {

bool VirtualClock::QueryPerformanceFrequency(int64_t& frequency) {
  ++frequencyQueries;
  frequency = hasCounter ? kFrequency : 0;
  return hasCounter;
}

int64_t VirtualClock::QueryPerformanceCounter() {
  ++counterReads;
  Advance(counterReadStep);
  return now_;
}

uint32_t VirtualClock::timeGetTime() {
  Advance(msReadStep);
  return static_cast<uint32_t>(static_cast<uint64_t>(now_ / 1'000'000) + msOffset);
}

void VirtualClock::Sleep(uint32_t ms) {
  ++sleepCalls;
  sleptMs += ms;
  Advance(static_cast<int64_t>(ms) * 1'000'000);
}

void VirtualClock::DoEvents() {
  ++doEventsCalls;
  Advance(doEventsStep);
  if (eventHook) eventHook();
}

}  // namespace qrt
