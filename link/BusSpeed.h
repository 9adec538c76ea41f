#pragma once
// How fast the two-wire bus to the pager runs. Standard is the timing the
// pager was designed for and the default; Fast keeps to the EEPROM data
// sheet's 100 kHz minimums (400 kHz where an adapter clocks the bus itself).
#include <cstdint>

namespace qrt {

enum class BusSpeed { Standard, Fast };

// The waits of the bus sequences, named after the phase each one makes last:
// every wait follows the line change that begins its phase.
enum class BusPhase {
  DataSetup,   // clock low, the data line just set: until the clock may rise
  ClockHigh,   // clock just released: the EEPROM samples, the link reads the line
  ClockLow,    // clock just pulled low: the EEPROM moves its output
  StartSetup,  // both lines released, until data may fall for a START
  StartHold,   // data fallen with the clock high (START), until the clock falls
  StopSetup,   // clock released with data low, until data may rise for a STOP
  BusFree,     // after a STOP, until the next START may begin
};

// The length of every phase, and how a page write waits for the EEPROM's
// write cycle. The programs only ever choose a BusSpeed; tests fill in any
// timing they need (one deliberately too fast for the EEPROM, say).
struct BusTiming {
  // Least length of each phase in nanoseconds: its wait ends on the first
  // counter reading past it.
  int64_t dataSetupNs = 0;
  int64_t clockHighNs = 0;
  int64_t clockLowNs = 0;
  int64_t startSetupNs = 0;
  int64_t startHoldNs = 0;
  int64_t stopSetupNs = 0;
  int64_t busFreeNs = 0;
  // false: sleep 10 ms after each page's STOP, then poll; the write returns
  // right after the last page's STOP. true: poll right after each page's
  // STOP, the last one's too, so the write returns once the pager has stored
  // everything.
  bool pollWriteCycle = false;

  int64_t PhaseNs(BusPhase phase) const;
  static BusTiming For(BusSpeed speed);
};

inline int64_t BusTiming::PhaseNs(BusPhase phase) const {
  switch (phase) {
    case BusPhase::DataSetup: return dataSetupNs;
    case BusPhase::ClockHigh: return clockHighNs;
    case BusPhase::ClockLow: return clockLowNs;
    case BusPhase::StartSetup: return startSetupNs;
    case BusPhase::StartHold: return startHoldNs;
    case BusPhase::StopSetup: return stopSetupNs;
    case BusPhase::BusFree: return busFreeNs;
  }
  return clockLowNs;
}

inline BusTiming BusTiming::For(BusSpeed speed) {
  if (speed == BusSpeed::Fast) {
    // The 24C16 data sheet at 100 kHz: tHIGH 4.0, tLOW 4.7, tSU;STA 4.7,
    // tHD;STA 4.0, tSU;STO 4.0, tBUF 4.7 us, tSU;DAT 250 ns. Every wait that
    // ends a clock low phase comes after a whole ClockLow wait, so the data
    // set-up needs only its own 250 ns.
    return {250, 4'000, 4'700, 4'700, 4'000, 4'000, 4'700, true};
  }
  // One 25 us bit delay after every line change, and the 10 ms page sleep.
  return {25'000, 25'000, 25'000, 25'000, 25'000, 25'000, 25'000, false};
}

}  // namespace qrt
