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
//
// With a socket (AttachSocket) the EEPROM is on the bus only while a pager
// is clipped in; without one the board answers as ever, but nothing
// acknowledges the pager's device address.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/PortIo.h"
#include "sim/SimEeprom.h"
#include "sim/SimSocket.h"

namespace qrt {

class SimBoard : public PortIo {
 public:
  using TimeSource = SimEeprom::TimeSource;
  static constexpr uint8_t kStatusIdle = 0x77;
  static constexpr uint8_t kStatusDataLow = 0x08;

  explicit SimBoard(TimeSource now, uint16_t base = 0x378);

  uint8_t Inp32(uint16_t port) override;
  void Out32(uint16_t port, uint8_t value) override;
  // The pager in the socket that cannot be used, or the EEPROM's file that
  // could not be saved.
  std::string Failure() const override;

  uint16_t base() const { return base_; }
  SimEeprom& eeprom() { return eeprom_; }

  // No board on the port: the data line is not connected, so status bit 3
  // reads 1 whatever is written (and the EEPROM sees nothing).
  bool noBoard = false;

  // Gives the board the socket kept in `folder` (see SimSocket): from now
  // on the EEPROM holds the pager in it, is written through to its file and
  // is off the bus while the socket is empty. Returns why the folder cannot
  // be a socket (the board then keeps none).
  std::string AttachSocket(const std::string& folder);
  SimSocket* socket() { return socket_.get(); }
  // The pager's contacts as a test scripts them (an insertion that bounces):
  // whether they touch at a time in nanoseconds. Unset: they touch whenever
  // a pager is there.
  std::function<bool(int64_t)> contact;

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
  // Whether the pager's EEPROM is on the bus now; powers it up (with the
  // contents of a pager just clipped in) when it was not.
  bool PagerConnected();

  uint8_t data_ = 0x00;  // the data register latch
  // Before the EEPROM: a write cycle the EEPROM completes as it goes still
  // stores its page through the socket.
  std::unique_ptr<SimSocket> socket_;
  SimEeprom eeprom_;
  bool connected_ = true;
  bool loadPending_ = false;  // a new pager is in the socket, its contents not read yet
};

// Nanoseconds of a clock for the simulator: the virtual clock's own time
// (read without moving it), otherwise the high-resolution counter, or the
// millisecond clock on a machine without one. The simulated EEPROM times the
// bus phases on it, so a millisecond clock makes every phase within the same
// tick look like zero and the chip misses the bus altogether.
SimBoard::TimeSource TimeSourceFor(Clock& clock);

}  // namespace qrt
