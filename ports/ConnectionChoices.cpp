#include "ports/ConnectionChoices.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "adapters/Adapters.h"
#include "adapters/LibusbBackend.h"
#include "base/Numbers.h"
#include "link/PpdevPort.h"

namespace qrt {
namespace {

// "parport12" → 12; -1 for any other name.
long ParportNumber(const std::string& name) {
  constexpr std::string_view kPrefix = "parport";
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return -1;
  const auto number = ParseDigits(std::string_view(name).substr(kPrefix.size()));
  return number ? static_cast<long>(*number) : -1;
}

std::vector<ConnectionChoice> ParallelPorts(const MachinePaths& paths) {
  std::vector<std::pair<long, ConnectionChoice>> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(paths.parportProc, ec)) {
    const std::string name = entry.path().filename().string();
    const long number = ParportNumber(name);
    if (number < 0) continue;
    const std::string device = paths.dev + "/" + name;
    // Without its node (ppdev not loaded) the port cannot be opened; the
    // port diagnostics say why.
    if (!std::filesystem::exists(device, ec)) continue;
    std::ifstream in(entry.path() / "base-addr");
    std::stringstream text;
    text << in.rdbuf();
    std::string description = device;
    uint16_t base = 0;
    if (PpdevPort::ParseBaseAddr(text.str(), base)) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%X", base);
      description += std::string(" at ") + hex;
    }
    found.push_back({number, {"ppdev:" + device, description + " through ppdev"}});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<ConnectionChoice> ports;
  for (auto& f : found) ports.push_back(std::move(f.second));
  return ports;
}

}  // namespace

std::vector<ConnectionChoice> ListConnections(UsbBackend* usb, const MachinePaths& paths) {
  std::vector<ConnectionChoice> choices;
  choices.push_back({"ppdev", DescribePort("ppdev") + " (automatic)"});
  for (ConnectionChoice& port : ParallelPorts(paths)) choices.push_back(std::move(port));
  for (const AdapterInfo& adapter : ListAdapters(usb, paths.i2cClass, paths.dev)) {
    const bool i2c = adapter.port.rfind("i2c:", 0) == 0;
    choices.push_back({adapter.port, i2c ? DescribePort(adapter.port) + ": " + adapter.description
                                         : adapter.description});
  }
  choices.push_back({"sim", DescribePort("sim")});
  return choices;
}

std::vector<ConnectionChoice> ListConnectionsOnThisMachine() {
  std::string error;
  const std::unique_ptr<LibusbBackend> usb = LibusbBackend::Create(error);
  return ListConnections(usb.get());
}

std::string ConnectionStatusText(const Connection& connection, const Connection::Opened& opened) {
  const std::string& port = connection.options().port;
  std::string text = "Connection: " + DescribePort(port);
  if (!opened.ok) return text + " (not open: " + opened.error + ")";
  const bool fast = connection.options().bus == BusSpeed::Fast;
  if (port.rfind("i2c:", 0) == 0) return text + ", at the rate its kernel driver sets";
  if (port.rfind("ch341", 0) == 0) return text + (fast ? ", 400 kHz" : ", 100 kHz");
  return text + (fast ? ", fast bus" : ", standard bus");
}

}  // namespace qrt
