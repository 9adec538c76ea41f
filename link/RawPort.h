#pragma once
// Port access by raw x86 port I/O (ioperm, inb, outb). Needs root, or the
// CAP_SYS_RAWIO capability; permission for the three legacy ports (data,
// status and control registers) is asked for once, when the port is opened.
// Only built for x86; elsewhere opening it reports that it is unsupported.
#include <cstdint>
#include <memory>
#include <string>

#include "link/PortIo.h"

namespace qrt {

class RawPort : public PortIo {
 public:
  // The port, or nullptr with `error` saying why (not root, not x86).
  static std::unique_ptr<RawPort> Open(std::string& error);

  uint8_t Inp32(uint16_t port) override;
  void Out32(uint16_t port, uint8_t value) override;

  // True for the data, status and control registers of the legacy ports:
  // the only addresses this backend touches; any other reads 0xFF.
  static bool Permitted(uint16_t port);

 private:
  RawPort() = default;
};

}  // namespace qrt
