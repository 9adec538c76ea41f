#pragma once
// The pager's EEPROM on a CH341A USB programmer in I2C mode (`--port ch341`,
// `ch341:BUS-PORT` or `ch341:BUS:DEVICE`), through libusb; no kernel driver
// is needed.
//
// Transactions, one packet and one answer each (see Ch341.h):
//   page write  START, device byte (length-0 output: its acknowledge comes
//               back), word address and the page's bytes (one output), STOP
//   probe       START, device byte (length-0), word address, STOP
//   random read START, device byte (length-0), word address, repeated START,
//               read device byte (length-0), bytes in, the last one not
//               acknowledged, STOP; a read longer than one answer holds goes
//               on in further packets
// The data bytes of a page report no acknowledge: an EEPROM that stops
// answering in the middle of a page shows when the next page or the final
// poll goes unacknowledged; a single byte refused by an EEPROM that goes on
// answering shows only in the verify.
//
// The bus runs at 100 kHz (BusSpeed::Standard) or 400 kHz (Fast). The device
// is opened and claimed by DetectBoard and kept until the transport goes or a
// USB transfer fails; the next DetectBoard looks for it again.
#include <memory>
#include <string>
#include <vector>

#include "adapters/AdapterTransport.h"
#include "adapters/UsbIo.h"
#include "link/BusSpeed.h"

namespace qrt {

class Ch341Transport : public AdapterTransport {
 public:
  // Which CH341A: the first one found, the one on a USB port path ("1-4",
  // "3-1.2": stays the same when it is plugged into the same socket again),
  // or the one with a bus and device number ("001:004", as lsusb shows them).
  struct Selector {
    enum class Kind { First, PortPath, BusDevice };
    Kind kind = Kind::First;
    std::string portPath;
    int bus = 0;
    int address = 0;
    bool Matches(const UsbDeviceInfo& device) const;
  };
  // `text` is what follows "ch341" in the port name: empty, or ":" and a
  // port path or bus and device numbers. False, with `error`, when it is none.
  static bool ParseSelector(const std::string& text, Selector& selector, std::string& error);

  Ch341Transport(Selector selector, UsbBackend& usb, Clock& clock, Messages& messages,
                 BusSpeed speed = BusSpeed::Standard);
  ~Ch341Transport() override;

  bool isOpen() const { return device_ != nullptr; }
  // The speed setting sent to the chip (the low bits of its 0x60 command).
  uint8_t speedSetting() const;

 private:
  Detection DoDetect() override;
  Status RandomRead(int address, uint8_t* data, int count) override;
  Status WritePage(int address, const uint8_t* data, int count) override;
  Status Probe(int address) override;
  void ReleaseBus() override;

  // One packet out and, when answerLength > 0, its answer in. A USB failure
  // closes the device.
  Status Exchange(const std::vector<uint8_t>& packet, uint8_t* answer, int answerLength);
  bool Configure();
  std::string Name(const UsbDeviceInfo& device) const;

  Selector selector_;
  UsbBackend& usb_;
  BusSpeed speed_;
  std::unique_ptr<UsbDevice> device_;
};

}  // namespace qrt
