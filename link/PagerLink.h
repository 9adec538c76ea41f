#pragma once
// The programming board on the parallel port and the two-wire bus to the
// pager's 24C16-class EEPROM: board detection, bit timing, line drivers, bus
// conditions, byte transfers and the four transaction shapes the transfers use.
//
// Wiring of the board (data register): bit 0 drives the clock, bit 1 the data
// line, both inverted (1 pulls the line low); bits 2..7 are always 1. Status
// register bit 3 reads 1 while the data line is low.
#include <cstdint>
#include <functional>
#include <string_view>

#include "base/Messages.h"
#include "image/PagerImage.h"
#include "link/BusSpeed.h"
#include "link/Clock.h"
#include "link/PortIo.h"

namespace qrt {

// The messages the link shows itself, at the point of failure.
inline constexpr std::string_view kMsgBoardNotResponding = "The Board is not responding!";
inline constexpr std::string_view kMsgReadError = "Read error!";
inline constexpr std::string_view kMsgWriteError = "Write error!";

class PagerLink {
 public:
  PagerLink(PortIo& port, Clock& clock, Messages& messages);

  // --- board and timing -------------------------------------------------
  // Probes 0x378, 0x278, 0x3BC in that order; on success sets PortBase,
  // PortStatus. On failure shows "The Board is not responding!" (warning).
  bool DetectBoard();
  bool ProbePort(uint16_t port);
  void WaitMs(uint32_t ms);        // spins, letting window events run
  void BitDelay();                 // busy-waits a little more than 25 us
  void CalibrateDelay();           // measures DelayCount
  void CalibratedDelay();          // DelayCount + 1 iterations of the loop
  void ParkBus();                  // WaitMs(100), write 254, BitDelay

  // --- bus speed ----------------------------------------------------------
  // Standard (the default) waits one bit delay after every line change of
  // the bus sequences and sleeps 10 ms after each page written; Fast keeps
  // to the EEPROM's 100 kHz minimums and polls for the end of every write
  // cycle. Board detection and parking keep their own timing at any speed.
  void SetBusSpeed(BusSpeed speed);
  BusSpeed busSpeed() const { return speed_; }
  // Any phase lengths, for tests that need a bus neither speed gives; the
  // programs only choose a BusSpeed. busSpeed() keeps the last speed set.
  void SetBusTiming(const BusTiming& timing) { timing_ = timing; }
  const BusTiming& busTiming() const { return timing_; }
  // Busy-waits as long as the phase lasts at the current timing: at Standard
  // exactly one BitDelay. Without a high-resolution counter it runs the
  // calibrated loop, scaled from the bit delay to the phase's length.
  void PhaseDelay(BusPhase phase);

  // --- line drivers (no delay; callers put BitDelay after each) ---------
  void DataHigh();
  void DataLow();
  void ClockHigh();
  void ClockLow();

  // --- bus conditions and bytes ------------------------------------------
  void BusStart();
  void BusStop();
  bool SendByte(uint8_t value);     // true when the EEPROM acknowledged
  uint8_t ReceiveByte(bool last);   // last: answer NACK, else ACK

  static uint8_t ControlByte(int address);  // 0xA0 | ((address & 0x700) >> 7)

  // --- EEPROM transactions ------------------------------------------------
  // Up to ten START + device byte attempts, then word address, repeated
  // START and the read device byte. False when none was acknowledged.
  bool AddressForRead(int address);
  // One complete transaction. On failure: ParkBus, "Read error!",
  // TransferError set, returns 0.
  uint8_t eep_read1(int address);

  // Block read of first..last into image, each 16-byte block addressed anew.
  // onBlockEnd(address) is called after receiving the last byte of each block
  // (address = 15, 31, ...; not for `last` itself). Returns false (without
  // message, without parking) when a block cannot be addressed, or for a range
  // outside the image; the caller reports it. A `last` that opens a block is
  // addressed like any block start.
  bool BlockRead(Image& image, int first, int last,
                 const std::function<void(int)>& onBlockEnd = {});

  // Sequential read: one addressing at first, then bytes streamed. The
  // callback receives each address and byte and returns false to stop early
  // (the link then receives one more byte with NACK and sends STOP).
  // Result: Addressing failed (no STOP, no park; also for a range outside the
  // image), Stopped early, or Completed. A false answer for the last byte
  // gives Stopped without an extra byte: its NACK has already ended the read.
  enum class SeqResult { AddressingFailed, Stopped, Completed };
  SeqResult SequentialRead(int first, int last,
                           const std::function<bool(int address, uint8_t value)>& onByte);

  // Page write of image[first..last]: 16-byte pages, STOP + 10 ms sleep
  // between pages, acknowledge polling for up to 500 ms per page. A timing
  // that polls the write cycle sleeps not at all and also polls after the
  // last page's STOP (then STOP again); a last write cycle that does not end
  // within 500 ms fails like a page that cannot be opened. onPageOpen
  // (address) is called at the start of every page whose address is a
  // multiple of 16, after the polling and before its result is acted on (so
  // also for the page that then fails). On failure: ParkBus, "Write error!",
  // TransferError set, returns false (no STOP). A range outside the image
  // sets TransferError and returns false without touching the bus.
  // With `pagerHolds` (what the pager was just read to hold), a page whose
  // bytes it already holds is not sent: no bus traffic, no write cycle, but
  // its onPageOpen still comes (the progress runs on). The STOP and sleep
  // then come only between pages actually sent, and the final STOP only when
  // one was.
  bool PageWrite(const Image& image, int first, int last,
                 const std::function<void(int)>& onPageOpen = {},
                 const Image* pagerHolds = nullptr);

  // --- state ------------------------------------------------------------
  uint16_t PortBase = 0x378;
  uint16_t PortStatus = 0x379;
  uint8_t PortShadow = 252;
  int32_t DelayCount = 25;
  bool TransferError = false;

  Messages& messages() { return messages_; }
  Clock& clock() { return clock_; }
  PortIo& port() { return port_; }

 private:
  void DriveLine(uint8_t driver, bool pullLow);  // the one place that knows the inversion
  bool DataLineLow();                            // status bit 3 at PortStatus
  void ClockOutBit(bool high);                   // one data bit, clocked: the clock ends low
  void DelayLoopPass(volatile int64_t& counter, uint32_t start, uint32_t& elapsed);
  void BusyWaitNs(int64_t ns);                   // on the counter, or the scaled loop
  void DelayLoop(int64_t passes);
  bool OpenPage(int address);                    // START + acknowledge polling
  bool FailWrite();

  PortIo& port_;
  Clock& clock_;
  Messages& messages_;
  BusSpeed speed_ = BusSpeed::Standard;
  BusTiming timing_ = BusTiming::For(BusSpeed::Standard);
};

}  // namespace qrt
