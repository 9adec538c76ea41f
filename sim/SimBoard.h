#pragma once
// The programming board as a port: one parallel port at `base` (data
// register at base, status register at base + 1) with the board and a
// simulated pager EEPROM behind it. Every other address reads 0xFF, as a
// port that is not there does.
//
// The board inverts both lines: data register bit 0 at 1 pulls the clock
// low, bit 1 at 1 pulls the data line low. The EEPROM pulls the data line low
// as well (wired AND), and status bit 3 reads 1 while the data line is low.
// The other status bits read as on an idle printer port with nothing but the
// board attached (0x77 with bit 3 clear), so a present board never reads 0xFF.
#include <cstdint>
#include <functional>
#include <vector>

#include "link/Clock.h"
#include "link/PortIo.h"
#include "sim/SimEeprom.h"

namespace qrt {

class SimBoard : public PortIo {
 public:
  using TimeSource = SimEeprom::TimeSource;
  static constexpr uint8_t kStatusIdle = 0x77;
  static constexpr uint8_t kStatusDataLow = 0x08;

  explicit SimBoard(TimeSource now, uint16_t base = 0x378);

  uint8_t Inp32(uint16_t port) override;
  void Out32(uint16_t port, uint8_t value) override;
  // The EEPROM's file that could not be saved.
  std::string Failure() const override { return eeprom_.lastSaveError(); }

  uint16_t base() const { return base_; }
  SimEeprom& eeprom() { return eeprom_; }

  // No board on the port: the data line is not connected, so status bit 3
  // reads 1 whatever is written (and the EEPROM sees nothing).
  bool noBoard = false;

  // Every write of the data register, with the clock time it happened at.
  struct TraceEntry {
    uint8_t value;
    int64_t timeNs;
  };
  bool tracing = false;
  std::vector<TraceEntry> trace;
  std::vector<uint8_t> TraceValues() const;

  int dataWrites = 0;
  int statusReads = 0;

 private:
  TimeSource now_;
  uint16_t base_;
  uint8_t data_ = 0x00;  // the data register latch
  SimEeprom eeprom_;
};

// Nanoseconds of a clock for the simulator: the virtual clock's own time
// (read without moving it), otherwise the high-resolution counter, or the
// millisecond clock on a machine without one. The simulated EEPROM times the
// bus phases on it, so a millisecond clock makes every phase within the same
// tick look like zero and the chip misses the bus altogether.
SimBoard::TimeSource TimeSourceFor(Clock& clock);

}  // namespace qrt
