#pragma once
// The I2C adapters as the programs name them in --port and list them for the
// user:
//   i2c:/dev/i2c-N        a kernel I2C adapter through i2c-dev
//   ch341                 the first CH341A on USB
//   ch341:BUS-PORT        the CH341A on that USB port path (ch341:1-4, ch341:3-1.2)
//   ch341:BUS:DEVICE      the CH341A with that bus and device number (ch341:001:004)
// (The parallel-port names are OpenPort's, in sim/PortFactory.h.)
#include <memory>
#include <string>
#include <vector>

#include "adapters/I2cDev.h"
#include "adapters/UsbIo.h"
#include "link/BusSpeed.h"
#include "link/Clock.h"
#include "base/Messages.h"
#include "link/Transport.h"

namespace qrt {

inline constexpr const char* kAdapterPortChoices = "i2c:/dev/i2c-N, ch341, ch341:BUS-PORT, ch341:BUS:DEVICE";

// True for a name this file's factory handles (i2c:..., ch341...).
bool IsAdapterPort(const std::string& port);

// The system access a transport goes through; null members are made (and
// owned by the choice) when the transport needs them.
struct AdapterSystem {
  I2cDevSys* i2c = nullptr;
  UsbBackend* usb = nullptr;
};

struct TransportChoice {
  // Declared before the transport, so they outlive it.
  std::unique_ptr<I2cDevSys> ownedI2c;
  std::unique_ptr<UsbBackend> ownedUsb;
  std::unique_ptr<PagerTransport> transport;  // null when the name was refused
  std::string error;                          // why there is no transport
};

// The transport a port name asks for. Nothing is opened yet: DetectBoard does
// that and reports a missing or unusable adapter. The bus speed applies to
// the CH341A; an i2c-dev adapter runs at the rate its kernel driver sets.
TransportChoice OpenAdapterTransport(const std::string& port, Clock& clock, Messages& messages,
                                     BusSpeed speed = BusSpeed::Standard, AdapterSystem system = {});

// What lets a user who is not root open an adapter: the package's udev rule
// (named as the package installs it) giving it to `group`, and membership.
std::string AdapterRuleHint(const std::string& group);

struct AdapterInfo {
  std::string port;         // as --port takes it
  std::string description;  // the adapter's name, for a list the user picks from
};

// The adapters present: every i2c-dev node listed under `i2cClassRoot`
// (normally /sys/class/i2c-dev, whose i2c-N/name files name the adapters),
// as the node of that name under `devRoot`; then every CH341A `usb` finds.
std::vector<AdapterInfo> ListAdapters(UsbBackend* usb, const std::string& i2cClassRoot = "/sys/class/i2c-dev",
                                      const std::string& devRoot = "/dev");

}  // namespace qrt
