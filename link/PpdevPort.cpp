#include "link/PpdevPort.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qrt {
namespace {

std::string AccessHint(int error) {
  if (error == EACCES || error == EPERM)
    return " Add yourself to the lp group (sudo usermod -aG lp $USER), log in again and retry.";
  if (error == EBUSY)
    return " Another program (often the lp printer driver) holds the port; unload it "
           "(sudo modprobe -r lp) or close that program. The port must also be readable "
           "by the lp group.";
  return " Check that the parport_pc and ppdev modules are loaded and that you are in "
         "the lp group.";
}

}  // namespace

bool PpdevPort::ParseBaseAddr(const std::string& text, uint16_t& base) {
  std::istringstream in(text);
  long value = -1;
  if (!(in >> value) || value < 0 || value > 0xFFFF) return false;
  base = static_cast<uint16_t>(value);
  return true;
}

PpdevPort PpdevPort::FromSystem(Messages* messages, const std::string& procRoot,
                                const std::string& devRoot) {
  std::vector<Mapping> mappings;
  std::error_code ec;
  std::vector<std::filesystem::path> entries;
  for (const auto& entry : std::filesystem::directory_iterator(procRoot, ec))
    entries.push_back(entry.path());
  std::sort(entries.begin(), entries.end());
  for (const auto& dir : entries) {
    const std::string name = dir.filename().string();
    if (name.rfind("parport", 0) != 0) continue;
    std::ifstream in(dir / "base-addr");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    uint16_t base = 0;
    if (!ParseBaseAddr(text, base)) continue;
    if (std::find(std::begin(kBoardAddresses), std::end(kBoardAddresses), base) == std::end(kBoardAddresses))
      continue;
    const bool taken = std::any_of(mappings.begin(), mappings.end(),
                                   [base](const Mapping& m) { return m.base == base; });
    if (!taken) mappings.push_back({base, devRoot + "/" + name});
  }
  return PpdevPort(std::move(mappings), messages);
}

PpdevPort PpdevPort::Direct(const std::string& device, Messages* messages) {
  return PpdevPort({{kBoardAddresses[0], device}}, messages);
}

PpdevPort::PpdevPort(std::vector<Mapping> mappings, Messages* messages)
    : mappings_(std::move(mappings)), messages_(messages) {
  for (const auto& m : mappings_) slots_[m.base].device = m.device;
}

PpdevPort::PpdevPort(PpdevPort&& other) noexcept
    : mappings_(std::move(other.mappings_)),
      slots_(std::move(other.slots_)),
      messages_(other.messages_),
      errors_(std::move(other.errors_)) {
  other.slots_.clear();
}

PpdevPort::~PpdevPort() {
  for (auto& [base, slot] : slots_) {
    if (slot.fd < 0) continue;
    ioctl(slot.fd, PPRELEASE);
    close(slot.fd);
  }
}

void PpdevPort::Report(const std::string& text) {
  errors_.push_back(text);
  if (messages_) messages_->Show(text, MsgIcon::Warning);
}

int PpdevPort::DescriptorFor(uint16_t base) {
  auto it = slots_.find(base);
  if (it == slots_.end()) return -1;
  Slot& slot = it->second;
  if (slot.fd >= 0 || slot.failed) return slot.fd;
  // Opened on first use and reported at most once.
  const int fd = open(slot.device.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    slot.failed = true;
    Report("Cannot open " + slot.device + ": " + std::strerror(error) + "." + AccessHint(error));
    return -1;
  }
  if (ioctl(fd, PPCLAIM) != 0) {
    const int error = errno;
    close(fd);
    slot.failed = true;
    Report("Cannot claim " + slot.device + ": " + std::strerror(error) + "." + AccessHint(error));
    return -1;
  }
  // A bidirectional port left reading by another program would swallow our
  // data writes: drive the data lines.
  int forward = 0;
  ioctl(fd, PPDATADIR, &forward);
  slot.fd = fd;
  return fd;
}

uint8_t PpdevPort::Inp32(uint16_t port) {
  if (slots_.count(port)) {
    const int fd = DescriptorFor(port);
    unsigned char value = 0xFF;
    if (fd < 0 || ioctl(fd, PPRDATA, &value) != 0) return 0xFF;
    return value;
  }
  const uint16_t base = static_cast<uint16_t>(port - 1);
  if (slots_.count(base)) {
    const int fd = DescriptorFor(base);
    unsigned char value = 0xFF;
    if (fd < 0 || ioctl(fd, PPRSTATUS, &value) != 0) return 0xFF;
    return value;
  }
  return 0xFF;
}

void PpdevPort::Out32(uint16_t port, uint8_t value) {
  if (!slots_.count(port)) return;
  const int fd = DescriptorFor(port);
  if (fd < 0) return;
  unsigned char byte = value;
  ioctl(fd, PPWDATA, &byte);
}

}  // namespace qrt
