#include "ports/PortIdentity.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "adapters/Ch341.h"
#include "adapters/Ch341Transport.h"
#include "adapters/LibusbBackend.h"
#include "link/PpdevPort.h"
#include "ports/PortFactory.h"
#include "sim/SimSocket.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// A path as the file system resolves it; for one that does not exist yet,
// its folder resolved and its name.
std::string RealPath(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const fs::path real = fs::weakly_canonical(ec ? fs::path(path) : absolute, ec);
  return (ec ? absolute.lexically_normal() : real).string();
}

// A device node by its device number, anything else by its real path.
std::string NodeKey(const std::string& path) {
  struct stat sb;
  if (::stat(path.c_str(), &sb) == 0 && (S_ISCHR(sb.st_mode) || S_ISBLK(sb.st_mode)))
    return "device " + std::to_string(major(sb.st_rdev)) + ":" + std::to_string(minor(sb.st_rdev));
  return "file " + RealPath(path);
}

std::string IoKey(uint16_t base) {
  char text[16];
  std::snprintf(text, sizeof text, "io 0x%03X", base);
  return text;
}

// A parallel port's node, and the legacy address ppdev serves it at.
void AddParport(const std::string& device, const std::vector<PpdevPort::Mapping>& mappings,
                std::vector<std::string>& out) {
  const std::string key = NodeKey(device);
  out.push_back(key);
  for (const PpdevPort::Mapping& m : mappings)
    if (NodeKey(m.device) == key) out.push_back(IoKey(m.base));
}

// A simulated pager's file; a socket by its folder and by the pager file
// in it, which sim:FILE may name as well.
void AddSim(const std::string& place, std::vector<std::string>& out) {
  if (!IsSimSocket(place)) {
    out.push_back("file " + RealPath(place));
    return;
  }
  const std::string folder = RealPath(place.size() > 1 ? place.substr(0, place.size() - 1) : place);
  out.push_back("folder " + folder);
  out.push_back("file " + (fs::path(folder) / SimSocket::kPagerFile).string());
}

}  // namespace

std::vector<std::string> DevicesReached(const std::string& port, const std::string& simImage, UsbBackend* usb,
                                        const MachinePaths& paths) {
  std::vector<std::string> out;
  const auto mappings = [&] { return PpdevPort::FromSystem(nullptr, paths.parportProc, paths.dev).mappings(); };
  if (port == "ppdev") {
    // Any of the legacy ports may be the one the board answers on.
    const auto all = mappings();
    for (const PpdevPort::Mapping& m : all) AddParport(m.device, all, out);
  } else if (StartsWith(port, "ppdev:")) {
    AddParport(port.substr(6), mappings(), out);
  } else if (port == "raw") {
    for (uint16_t base : PpdevPort::kBoardAddresses) out.push_back(IoKey(base));
  } else if (port == "sim") {
    if (!simImage.empty()) AddSim(simImage, out);
  } else if (StartsWith(port, "sim:")) {
    AddSim(port.substr(4), out);
  } else if (StartsWith(port, "i2c:")) {
    out.push_back(NodeKey(port.substr(4)));
  } else if (StartsWith(port, "ch341") && usb) {
    Ch341Transport::Selector selector;
    std::string error;
    if (!Ch341Transport::ParseSelector(port.substr(5), selector, error)) return out;
    for (const UsbDeviceInfo& device : usb->List(ch341::kVendor, ch341::kProduct)) {
      if (!selector.Matches(device)) continue;
      char text[24];
      std::snprintf(text, sizeof text, "usb %03d:%03d", device.bus, device.address);
      out.push_back(text);
      break;  // the transport takes the first that matches
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::string SharedDevice(const std::vector<std::string>& ports, const std::string& simImage, UsbBackend* usb,
                         const MachinePaths& paths) {
  std::vector<std::vector<std::string>> reached;
  for (const std::string& port : ports) reached.push_back(DevicesReached(port, simImage, usb, paths));
  for (size_t i = 0; i < ports.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      for (const std::string& device : reached[i])
        if (std::find(reached[j].begin(), reached[j].end(), device) != reached[j].end())
          return "--port " + ports[j] + " and --port " + ports[i] + " reach one device (" + device +
                 "): one pager would be written from two ports at once. Name it once.";
  return {};
}

std::string SharedDeviceOnThisMachine(const std::vector<std::string>& ports, const std::string& simImage) {
  std::unique_ptr<LibusbBackend> usb;
  if (std::any_of(ports.begin(), ports.end(), [](const std::string& p) { return StartsWith(p, "ch341"); })) {
    std::string error;
    usb = LibusbBackend::Create(error);
  }
  return SharedDevice(ports, simImage, usb.get());
}

}  // namespace qrt
