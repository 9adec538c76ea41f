#include "adapters/emu/SimI2cMaster.h"

namespace qrt {

SimI2cMaster::SimI2cMaster(SimEeprom& chip, VirtualClock& clock, int busHz) : chip_(chip), clock_(clock) {
  SetBusHz(busHz);
}

void SimI2cMaster::SetBusHz(int busHz) {
  busHz_ = busHz;
  halfBitNs_ = 500'000'000LL / busHz;
}

void SimI2cMaster::Drive(bool clockHigh, bool dataHigh) {
  if (clockHigh != clockHigh_) {
    clock_.Advance(halfBitNs_);
    busNs_ += halfBitNs_;
  }
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
