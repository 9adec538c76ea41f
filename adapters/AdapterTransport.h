#pragma once
// The transfer shapes on an I2C adapter that runs whole bus transactions by
// itself (a kernel i2c-dev adapter, a CH341A). The adapter clocks the bus, so
// there is no bit timing here: every shape is built from three transactions a
// backend provides, each from START to STOP:
//
//   random read   START, device byte, word address, repeated START, read
//                 device byte, `count` bytes (all ACKed but the last), STOP
//   page write    START, device byte, word address, up to 16 bytes, STOP
//   probe         START, device byte, word address, STOP (no data: the
//                 EEPROM starts no write cycle)
//
// The device byte carries address bits A10..A8 (I2C addresses 0x50..0x57).
// While the EEPROM stores a page it does not acknowledge its device byte, so:
// - a read is tried again while unacknowledged, at least 10 times and for at
//   least 20 ms (twice the 10 ms write cycle of the slowest 24C16 parts);
// - every page is acknowledge-polled, by sending the page itself again, for
//   up to 500 ms of clock time; after the last page the EEPROM is polled until
//   it has stored it, so a write that reports success has been taken.
// Between pages there is no fixed sleep: polling ends as soon as the EEPROM
// is ready. A transaction that fails for any reason but a missing
// acknowledge (the adapter unplugged, a USB error) ends the shape at once.
#include <cstdint>

#include "link/Clock.h"
#include "link/Transport.h"

namespace qrt {

class AdapterTransport : public PagerTransport {
 protected:
  enum class Status {
    Ok,
    NoAck,   // the EEPROM did not acknowledge: busy, absent or gone quiet
    Failed,  // the adapter failed (gone, refused the request): do not retry
  };

  AdapterTransport(Clock& clock, Messages& messages) : PagerTransport(messages), clock_(clock) {}

  static uint8_t DeviceAddress(int address) {  // 7-bit I2C address
    return static_cast<uint8_t>(0x50 | ((address >> 8) & 0x07));
  }

  Clock& clock() { return clock_; }

 private:
  virtual Status RandomRead(int address, uint8_t* data, int count) = 0;
  virtual Status WritePage(int address, const uint8_t* data, int count) = 0;
  virtual Status Probe(int address) = 0;
  // Ends whatever the adapter has under way with a STOP (when it can).
  virtual void ReleaseBus() = 0;

  Status ReadWithRetries(int address, uint8_t* data, int count);
  Status PollWrite(int address, const uint8_t* data, int count);

  std::optional<uint8_t> DoReadByte(int address) override;
  StepResult DoBlockRead(Image& image, int first, int last, const GoOn& onBlockEnd) override;
  SeqResult DoSequentialRead(int first, int last, const std::function<bool(int, uint8_t)>& onByte) override;
  StepResult DoPageWrite(const Image& image, int first, int last, const GoOn& onPageOpen,
                         const Image* pagerHolds) override;
  // One probe transaction, not retried: an EEPROM busy storing a page says
  // no, as it would on the parallel port.
  bool DoProbePager() override;
  void DoPark() override { ReleaseBus(); }
  void DoStop() override { ReleaseBus(); }

  Clock& clock_;
};

}  // namespace qrt
