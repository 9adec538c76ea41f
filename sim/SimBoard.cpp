#include "sim/SimBoard.h"

#include "sim/VirtualClock.h"

namespace qrt {

SimBoard::SimBoard(TimeSource now, uint16_t base) : now_(now), base_(base), eeprom_(now) {}

uint8_t SimBoard::Inp32(uint16_t port) {
  if (port == base_) return data_;
  if (port == base_ + 1) {
    ++statusReads;
    if (noBoard) return kStatusIdle | kStatusDataLow;
    eeprom_.Poll();
    return eeprom_.DataLineHigh() ? kStatusIdle : kStatusIdle | kStatusDataLow;
  }
  return 0xFF;
}

void SimBoard::Out32(uint16_t port, uint8_t value) {
  if (port != base_) return;
  data_ = value;
  ++dataWrites;
  if (tracing) trace.push_back({value, now_()});
  if (noBoard) return;
  eeprom_.Drive((value & 0x01) == 0, (value & 0x02) == 0);
}

std::vector<uint8_t> SimBoard::TraceValues() const {
  std::vector<uint8_t> out;
  out.reserve(trace.size());
  for (const auto& e : trace) out.push_back(e.value);
  return out;
}

SimBoard::TimeSource TimeSourceFor(Clock& clock) {
  if (auto* virtualClock = dynamic_cast<VirtualClock*>(&clock))
    return [virtualClock] { return virtualClock->Now(); };
  return [&clock]() -> int64_t {
    int64_t frequency = 0;
    if (clock.QueryPerformanceFrequency(frequency) && frequency > 0) {
      const long double ticks = static_cast<long double>(clock.QueryPerformanceCounter());
      return static_cast<int64_t>(ticks * 1e9L / static_cast<long double>(frequency));
    }
    return static_cast<int64_t>(clock.timeGetTime()) * 1'000'000;
  };
}

}  // namespace qrt
