#pragma once
// The programming board on the parallel port and the two-wire bus to the
// pager's 24C16-class EEPROM: board detection, bit timing, line drivers, bus
// conditions, byte transfers and the four transaction shapes the transfers use.
// It is the parallel-port transport: the shapes' public entry points, their
// messages and the failure flag are PagerTransport's; this class bit-bangs them.
//
// Wiring of the board (data register): bit 0 drives the clock, bit 1 the data
// line, both inverted (1 pulls the line low); bits 2..7 are always 1. Status
// register bit 3 reads 1 while the data line is low.
#include <cstdint>
#include <functional>

#include "base/Messages.h"
#include "image/PagerImage.h"
#include "link/BusSpeed.h"
#include "link/Clock.h"
#include "link/PortIo.h"
#include "link/Transport.h"

namespace qrt {

class PagerLink : public PagerTransport {
 public:
  PagerLink(PortIo& port, Clock& clock, Messages& messages);

  // --- board and timing -------------------------------------------------
  // DetectBoard (PagerTransport) probes 0x378, 0x278, 0x3BC in that order; on
  // success it sets PortBase, PortStatus.
  bool ProbePort(uint16_t port);
  void WaitMs(uint32_t ms);        // spins, letting window events run
  void BitDelay();                 // busy-waits a little more than 25 us
  void CalibrateDelay();           // measures DelayCount
  void CalibratedDelay();          // DelayCount + 1 iterations of the loop
  // ParkBus, BusStop and CalibrateDelay are the transport's operations as
  // well; these are the parallel port's own, reached through either name.
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

  // --- state ------------------------------------------------------------
  uint16_t PortBase = 0x378;
  uint16_t PortStatus = 0x379;
  uint8_t PortShadow = 252;
  int32_t DelayCount = 25;

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

  // The transaction shapes (PagerTransport documents them). On this bus:
  // a block read re-addresses every block with a repeated START and no STOP
  // between blocks, and a `last` that opens a block is addressed like any
  // block start; a sequential read stopped early takes one more byte with
  // NACK before its STOP (not after the last byte, whose NACK has ended the
  // read already), and its addressing failure leaves the lines as they are;
  // a page write sends STOP between the pages it sends, then at Standard
  // sleeps 10 ms and at Fast polls the write cycle (after the last page too),
  // and ends with STOP; pages the pager already holds are not sent.
  void DoCalibrate() override { CalibrateDelay(); }
  Detection DoDetect() override;
  // The device byte of block 0 alone, ended by a STOP: no word address, no
  // data, so the EEPROM stores nothing.
  bool DoProbePager() override;
  std::string DoPortFailure() const override { return port_.Failure(); }
  std::optional<uint8_t> DoReadByte(int address) override;
  StepResult DoBlockRead(Image& image, int first, int last, const GoOn& onBlockEnd) override;
  SeqResult DoSequentialRead(int first, int last, const std::function<bool(int, uint8_t)>& onByte) override;
  StepResult DoPageWrite(const Image& image, int first, int last, const GoOn& onPageOpen,
                         const Image* pagerHolds) override;
  StepResult StopAfterPage(bool sent, int last);
  void DoPark() override { ParkBus(); }
  void DoStop() override { BusStop(); }
  void DoKeepAlive() override;

  PortIo& port_;
  Clock& clock_;
  BusSpeed speed_ = BusSpeed::Standard;
  BusTiming timing_ = BusTiming::For(BusSpeed::Standard);
};

}  // namespace qrt
