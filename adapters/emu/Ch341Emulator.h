#pragma once
// A CH341A in I2C mode as seen over USB, with the simulated 24C16 on its bus:
// the packets of Ch341.h are decoded and run through a line-level master on
// the simulated EEPROM, so the chip's page buffer, write cycle, NACKs and
// faults answer exactly as on the other transports.
//
// It enforces the adapter's protocol and refuses (noting it in `violations`
// and failing the USB transfer, as a stalled endpoint would) what the real
// chip would run wrong or not at all: a packet that is empty, longer than 32
// bytes or not an I2C stream (0xAA); an unknown sub-command; an output whose
// length runs past the packet; anything after the end marker; an answer of
// more than 32 bytes; a byte moved on an idle bus (no START before it); a
// STOP right after a byte read with acknowledge (the EEPROM still drives the
// data line, so no STOP can be made); a new packet while an answer is
// unread; a bulk read when no answer is waiting or of another size than the
// answer. Acknowledges are reported only for length-0 outputs (status bit 7
// set when not acknowledged); reads from a silent bus give 0xFF.
#include <cstdint>
#include <string>
#include <vector>

#include "adapters/UsbIo.h"
#include "adapters/emu/SimI2cMaster.h"
#include "sim/SimEeprom.h"
#include "sim/VirtualClock.h"

namespace qrt {

class Ch341Emulator {
 public:
  explicit Ch341Emulator(VirtualClock& clock);

  // The ids the chip itself reports, written here apart from the program's
  // own, so that a wrong id in the udev rule fails the tests.
  UsbDeviceInfo info{1, 4, "1-4", 0x1a86, 0x5512};
  bool accessDenied = false;    // opening it gives Access (no udev rule)
  bool claimedElsewhere = false;  // claiming it gives Busy
  int64_t packetNs = 1'000'000; // USB time per packet out (one full-speed frame)
  int unplugAfterPackets = -1;  // >= 0: the adapter goes away after this many packets out
  bool unplugged = false;

  SimEeprom chip;
  SimI2cMaster master;

  // What happened.
  std::vector<std::string> violations;
  int packetsOut = 0;
  int speedSetting = -1;  // the last speed command's setting; -1 before any
  bool claimed = false;

  UsbError Out(const uint8_t* data, int length);
  UsbError In(uint8_t* data, int capacity, int& received);

 private:
  struct Op {
    uint8_t command;             // the sub-command with its length bits cleared
    std::vector<uint8_t> bytes;  // an output's bytes
    int count = 0;               // an input's bytes, a speed setting or a delay
  };
  bool Parse(const uint8_t* data, int length, std::vector<Op>& ops);
  UsbError Refuse(const std::string& what);

  VirtualClock& clock_;
  std::vector<uint8_t> answer_;
};

// The USB bus with emulated CH341As on it (owned by the test).
class EmulatedUsb : public UsbBackend {
 public:
  std::vector<Ch341Emulator*> devices;

  std::vector<UsbDeviceInfo> List(uint16_t vendor, uint16_t product) override;
  std::unique_ptr<UsbDevice> Open(const UsbDeviceInfo& device, UsbError& error) override;
  int opens = 0;
};

}  // namespace qrt
