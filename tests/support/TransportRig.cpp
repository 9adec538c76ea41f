#include "tests/support/TransportRig.h"

#include "adapters/Ch341Transport.h"
#include "adapters/I2cDevTransport.h"
#include "adapters/emu/Ch341Emulator.h"
#include "adapters/emu/FakeI2cDev.h"
#include "link/PagerLink.h"
#include "sim/SimBoard.h"

namespace qrt::test {
namespace {

constexpr uint16_t kBoardBase = 0x378;

class ParallelRig : public TransportRig {
 public:
  ParallelRig() : board(TimeSourceFor(clock), kBoardBase), link(board, clock, msgs) {
    link.PortBase = kBoardBase;
    link.PortStatus = kBoardBase + 1;
  }
  PagerTransport& transport() override { return link; }
  SimEeprom& chip() override { return board.eeprom(); }
  void RemoveHardware() override { board.noBoard = true; }
  bool UnplugAfter(int) override { return false; }
  void PlugBackIn() override { board.noBoard = false; }
  std::vector<std::string> Violations() const override { return {}; }
  bool BusAtRest() override {
    // Idle (both lines released) or parked (data held low, clock released).
    const uint8_t data = board.Inp32(kBoardBase);
    return data == 252 || data == 254;
  }

  SimBoard board;
  PagerLink link;
};

class I2cDevRig : public TransportRig {
 public:
  explicit I2cDevRig(int busHz) : adapter(clock, "/dev/i2c-7", busHz), port("/dev/i2c-7", adapter, clock, msgs) {
    port.DetectBoard();
  }
  PagerTransport& transport() override { return port; }
  SimEeprom& chip() override { return adapter.chip; }
  void RemoveHardware() override { adapter.unplugged = true; }
  bool UnplugAfter(int requests) override {
    adapter.unplugAfterRequests = static_cast<int>(adapter.requests.size()) + requests;
    return true;
  }
  void PlugBackIn() override {
    adapter.unplugged = false;
    adapter.unplugAfterRequests = -1;
  }
  std::vector<std::string> Violations() const override { return adapter.violations; }
  bool BusAtRest() override { return !adapter.master.inTransaction(); }

  FakeI2cDev adapter;
  I2cDevTransport port;
};

class Ch341Rig : public TransportRig {
 public:
  explicit Ch341Rig(BusSpeed speed)
      : emulator(clock), usb(Bus(emulator)), port({}, usb, clock, msgs, speed) {
    port.DetectBoard();
  }
  static EmulatedUsb Bus(Ch341Emulator& device) {
    EmulatedUsb bus;
    bus.devices.push_back(&device);
    return bus;
  }
  PagerTransport& transport() override { return port; }
  SimEeprom& chip() override { return emulator.chip; }
  void RemoveHardware() override { emulator.unplugged = true; }
  bool UnplugAfter(int packets) override {
    emulator.unplugAfterPackets = emulator.packetsOut + packets;
    return true;
  }
  void PlugBackIn() override {
    emulator.unplugged = false;
    emulator.unplugAfterPackets = -1;
  }
  std::vector<std::string> Violations() const override { return emulator.violations; }
  bool BusAtRest() override { return !emulator.master.inTransaction(); }

  Ch341Emulator emulator;
  EmulatedUsb usb;
  Ch341Transport port;
};

}  // namespace

const Image& TransportRig::PagerMemory() {
  clock.Advance(chip().writeCycleNs);
  chip().Poll();
  return chip().memory;
}

std::unique_ptr<TransportRig> MakeTransportRig(TransportKind kind) {
  switch (kind) {
    case TransportKind::Parallel: return std::make_unique<ParallelRig>();
    case TransportKind::I2cDev100k: return std::make_unique<I2cDevRig>(100'000);
    case TransportKind::I2cDev400k: return std::make_unique<I2cDevRig>(400'000);
    case TransportKind::Ch341Standard: return std::make_unique<Ch341Rig>(BusSpeed::Standard);
    case TransportKind::Ch341Fast: return std::make_unique<Ch341Rig>(BusSpeed::Fast);
  }
  return nullptr;
}

std::vector<TransportKind> AllTransportKinds() {
  return {TransportKind::Parallel, TransportKind::I2cDev100k, TransportKind::I2cDev400k,
          TransportKind::Ch341Standard, TransportKind::Ch341Fast};
}

std::string Name(TransportKind kind) {
  switch (kind) {
    case TransportKind::Parallel: return "Parallel";
    case TransportKind::I2cDev100k: return "I2cDev100kHz";
    case TransportKind::I2cDev400k: return "I2cDev400kHz";
    case TransportKind::Ch341Standard: return "Ch341Standard";
    case TransportKind::Ch341Fast: return "Ch341Fast";
  }
  return "?";
}

}  // namespace qrt::test
