#pragma once
// Byte-wide access to I/O ports: the only thing the pager link needs from the
// machine. Backends: Linux ppdev, raw x86 port I/O, and the simulated board.
#include <cstdint>
#include <memory>
#include <string>

namespace qrt {

class PortIo {
 public:
  virtual ~PortIo() = default;
  // Returns the byte at a 16-bit I/O address; a port that does not exist reads 0xFF.
  virtual uint8_t Inp32(uint16_t port) = 0;
  // Writes a byte to a 16-bit I/O address.
  virtual void Out32(uint16_t port, uint8_t value) = 0;
  // What has gone wrong behind the port that its bytes cannot show, naming
  // the file or device and the reason (the simulated pager's file that
  // cannot be saved); empty while all is well.
  virtual std::string Failure() const { return {}; }
};

}  // namespace qrt
