#pragma once
// One pager transport on its simulated hardware, for tests that must hold on
// every transport: the programming board on the parallel port (PagerLink on
// SimBoard), a kernel I2C adapter (I2cDevTransport on FakeI2cDev) and a
// CH341A (Ch341Transport on its USB emulator). All run on virtual time and
// reach the same simulated 24C16, with its faults; adapters are detected
// (opened) when the rig is made, so the transport is ready as after a
// transfer's DetectBoard.
//
// Use: a value-parameterised test over AllTransportKinds(), building its rig
// with MakeTransportRig(GetParam()).
#include <memory>
#include <string>
#include <vector>

#include "image/PagerImage.h"
#include "base/Messages.h"
#include "link/Transport.h"
#include "sim/SimEeprom.h"
#include "sim/VirtualClock.h"

namespace qrt::test {

enum class TransportKind { Parallel, I2cDev100k, I2cDev400k, Ch341Standard, Ch341Fast };

class TransportRig {
 public:
  virtual ~TransportRig() = default;

  virtual PagerTransport& transport() = 0;
  virtual SimEeprom& chip() = 0;

  // The board or adapter is not there (unplugged, or no board on the port).
  virtual void RemoveHardware() = 0;
  // The adapter goes away after this many more bus requests (i2c-dev
  // requests, CH341A packets); false where a transport has no such thing.
  virtual bool UnplugAfter(int requests) = 0;
  // The adapter is back (plugged in again) and healthy.
  virtual void PlugBackIn() = 0;
  // What the emulator refused as a protocol error.
  virtual std::vector<std::string> Violations() const = 0;
  // No transaction is open on the bus and the adapter has nothing pending.
  virtual bool BusAtRest() = 0;

  // The EEPROM's contents once a write cycle under way has finished.
  const Image& PagerMemory();

  VirtualClock clock;
  RecordingMessages msgs;
};

std::unique_ptr<TransportRig> MakeTransportRig(TransportKind kind);
std::vector<TransportKind> AllTransportKinds();
std::string Name(TransportKind kind);

}  // namespace qrt::test
