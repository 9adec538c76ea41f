#pragma once
// An I2C bus master at line level, for the adapter emulators: it drives the
// simulated EEPROM's clock and data lines the way an adapter's I2C engine
// does, one line at a time (data changes only while the clock is low, except
// in START and STOP), reads the data line back as the wired AND it is, and
// puts the bus time on the virtual clock as an I2C engine times it: each bit
// period is a clock low phase, with the data changed in its middle, and a
// high phase (5 + 5 us at 100 kHz; 1.5 + 1 us at 400 kHz, whose low phase
// the data sheet wants longer); START and STOP are set up and held for a
// high phase. A byte with its acknowledge costs nine bit periods. The chip
// is held to the data sheet's minimums for that bus speed.
#include <cstdint>

#include "sim/SimEeprom.h"
#include "sim/VirtualClock.h"

namespace qrt {

class SimI2cMaster {
 public:
  SimI2cMaster(SimEeprom& chip, VirtualClock& clock, int busHz);

  void SetBusHz(int busHz);
  int busHz() const { return busHz_; }

  void Start();  // START; inside a transaction a repeated START
  void Stop();
  bool WriteByte(uint8_t value);     // true: acknowledged
  uint8_t ReadByte(bool acknowledge);

  // A START went out and no STOP since.
  bool inTransaction() const { return inTransaction_; }
  // The last byte on the bus was read and acknowledged: the EEPROM is already
  // putting the next byte on the data line, so no STOP can be made now.
  bool readPending() const { return readPending_; }
  // Bus time put on the clock so far, in nanoseconds.
  int64_t busNs() const { return busNs_; }

 private:
  void Drive(bool clockHigh, bool dataHigh);
  void Spend(int64_t ns);

  SimEeprom& chip_;
  VirtualClock& clock_;
  int busHz_ = 100'000;
  int64_t lowNs_ = 5'000;     // clock low phase
  int64_t highNs_ = 5'000;    // clock high phase, START/STOP set-up and hold
  int64_t sinceClockNs_ = 0;  // since the last clock edge
  int64_t sinceDataNs_ = 0;   // since the last data change
  bool dataMovedHigh_ = false;  // the last data change came while the clock was high
  bool clockHigh_ = true;
  bool dataHigh_ = true;
  bool inTransaction_ = false;
  bool readPending_ = false;
  int64_t busNs_ = 0;
};

}  // namespace qrt
