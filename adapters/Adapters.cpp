#include "adapters/Adapters.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "UdevRules.h"
#include "adapters/Ch341.h"
#include "adapters/Ch341Transport.h"
#include "adapters/I2cDevTransport.h"
#include "adapters/LibusbBackend.h"
#include "base/Numbers.h"

namespace qrt {
namespace {

constexpr const char* kI2cPrefix = "i2c:";
constexpr const char* kCh341Name = "ch341";

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The N of "i2c-N", or -1.
long NodeNumber(const std::string& name) {
  if (!StartsWith(name, "i2c-")) return -1;
  const auto number = ParseDigits(std::string_view(name).substr(4));
  return number ? static_cast<long>(*number) : -1;
}

}  // namespace

bool IsAdapterPort(const std::string& port) {
  return StartsWith(port, kI2cPrefix) || port == kCh341Name || StartsWith(port, std::string(kCh341Name) + ":");
}

TransportChoice OpenAdapterTransport(const std::string& port, Clock& clock, Messages& messages,
                                     BusSpeed speed, AdapterSystem system) {
  TransportChoice choice;
  if (StartsWith(port, kI2cPrefix)) {
    const std::string device = port.substr(std::char_traits<char>::length(kI2cPrefix));
    if (device.empty()) {
      choice.error = "--port i2c: needs a device, for example i2c:/dev/i2c-1.";
      return choice;
    }
    if (!system.i2c) {
      choice.ownedI2c = std::make_unique<LinuxI2cDevSys>();
      system.i2c = choice.ownedI2c.get();
    }
    choice.transport = std::make_unique<I2cDevTransport>(device, *system.i2c, clock, messages);
    return choice;
  }
  if (port == kCh341Name || StartsWith(port, std::string(kCh341Name) + ":")) {
    Ch341Transport::Selector selector;
    if (!Ch341Transport::ParseSelector(port.substr(std::char_traits<char>::length(kCh341Name)), selector,
                                       choice.error))
      return choice;
    if (!system.usb) {
      auto backend = LibusbBackend::Create(choice.error);
      if (!backend) return choice;
      choice.ownedUsb = std::move(backend);
      system.usb = choice.ownedUsb.get();
    }
    choice.transport = std::make_unique<Ch341Transport>(selector, *system.usb, clock, messages, speed);
    return choice;
  }
  choice.error = "Unknown port \"" + port + "\". Choose one of: " + kAdapterPortChoices + ".";
  return choice;
}

std::string AdapterRuleHint(const std::string& group) {
  const std::string file = udev::kAdaptersFile;
  return "The udev rule " + file + " gives the adapter to the " + group +
         " group (the package installs it; from the source: sudo cp packaging/udev/" + file +
         " /etc/udev/rules.d/ && sudo udevadm control --reload); add yourself to that group (sudo usermod -aG " +
         group + " $USER).";
}

std::vector<AdapterInfo> ListAdapters(UsbBackend* usb, const std::string& i2cClassRoot,
                                      const std::string& devRoot) {
  std::vector<std::pair<long, AdapterInfo>> nodes;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(i2cClassRoot, ec)) {
    const std::string name = entry.path().filename().string();
    const long number = NodeNumber(name);
    if (number < 0) continue;
    std::ifstream in(entry.path() / "name");
    std::string adapterName;
    std::getline(in, adapterName);
    if (adapterName.empty()) adapterName = "I2C adapter";
    nodes.push_back({number, {kI2cPrefix + devRoot + "/" + name, adapterName}});
  }
  std::sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<AdapterInfo> found;
  for (auto& node : nodes) found.push_back(std::move(node.second));
  if (usb) {
    for (const UsbDeviceInfo& device : usb->List(ch341::kVendor, ch341::kProduct)) {
      char busDevice[16];
      std::snprintf(busDevice, sizeof busDevice, "%03d:%03d", device.bus, device.address);
      found.push_back({std::string(kCh341Name) + ":" + device.portPath,
                       "CH341A USB programmer (bus:device " + std::string(busDevice) + ")"});
    }
  }
  return found;
}

}  // namespace qrt
