#include "adapters/emu/SimI2cMaster.h"

#include <algorithm>

namespace qrt {

SimI2cMaster::SimI2cMaster(SimEeprom& chip, VirtualClock& clock, int busHz) : chip_(chip), clock_(clock) {
  SetBusHz(busHz);
}

void SimI2cMaster::SetBusHz(int busHz) {
  busHz_ = busHz;
  const int64_t periodNs = 1'000'000'000LL / busHz;
  // Up to 100 kHz an even duty cycle; faster, three fifths low.
  lowNs_ = busHz <= 100'000 ? periodNs / 2 : periodNs * 3 / 5;
  highNs_ = periodNs - lowNs_;
  chip_.rules = SimTimingRules::ForBusHz(busHz);
}

void SimI2cMaster::Spend(int64_t ns) {
  if (ns <= 0) return;
  clock_.Advance(ns);
  busNs_ += ns;
  sinceClockNs_ += ns;
  sinceDataNs_ += ns;
}

void SimI2cMaster::Drive(bool clockHigh, bool dataHigh) {
  if (clockHigh != clockHigh_) {
    // The phase that ends has lasted its length; after a START or STOP made
    // while the clock was high, the clock holds for a high phase more.
    const int64_t phase = clockHigh_ ? highNs_ : lowNs_;
    const int64_t afterData = dataMovedHigh_ ? highNs_ : lowNs_ / 2;
    Spend(std::max(phase - sinceClockNs_, afterData - sinceDataNs_));
    sinceClockNs_ = 0;
    dataMovedHigh_ = false;
  } else if (dataHigh != dataHigh_) {
    // Data moves in the middle of a low phase; with the clock high (a START
    // or STOP) after a set-up as long as the longer phase, which also keeps
    // the bus free long enough between a STOP and the next START.
    Spend(clockHigh_ ? std::max(highNs_, lowNs_) - std::min(sinceClockNs_, sinceDataNs_)
                     : lowNs_ / 2 - sinceClockNs_);
    dataMovedHigh_ = clockHigh_;
  }
  if (dataHigh != dataHigh_) sinceDataNs_ = 0;
  clockHigh_ = clockHigh;
  dataHigh_ = dataHigh;
  chip_.Drive(clockHigh, dataHigh);
}

void SimI2cMaster::Start() {
  if (!clockHigh_) {
    Drive(false, true);  // release data while the clock is low: no condition
    Drive(true, true);
  }
  Drive(true, true);
  Drive(true, false);  // data falls while the clock is high: START
  Drive(false, false);
  inTransaction_ = true;
  readPending_ = false;
}

void SimI2cMaster::Stop() {
  Drive(false, false);
  Drive(true, false);
  Drive(true, true);  // data rises while the clock is high: STOP
  inTransaction_ = false;
  readPending_ = false;
}

bool SimI2cMaster::WriteByte(uint8_t value) {
  for (int bit = 7; bit >= 0; --bit) {
    const bool one = ((value >> bit) & 1) != 0;
    Drive(false, one);
    Drive(true, one);
    Drive(false, one);
  }
  Drive(false, true);  // released for the acknowledge
  Drive(true, true);
  const bool acknowledged = !chip_.DataLineHigh();
  Drive(false, true);
  readPending_ = false;
  return acknowledged;
}

uint8_t SimI2cMaster::ReadByte(bool acknowledge) {
  uint8_t value = 0;
  Drive(false, true);
  for (int bit = 0; bit < 8; ++bit) {
    Drive(true, true);
    value = static_cast<uint8_t>((value << 1) | (chip_.DataLineHigh() ? 1 : 0));
    Drive(false, true);
  }
  Drive(false, !acknowledge);
  Drive(true, !acknowledge);
  Drive(false, !acknowledge);
  readPending_ = acknowledge;
  return value;
}

}  // namespace qrt
