#include "link/RawPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define QRT_HAVE_RAW_PORTS 1
#else
#define QRT_HAVE_RAW_PORTS 0
#endif

namespace qrt {
namespace {

constexpr uint16_t kLegacyBases[] = {0x378, 0x278, 0x3BC};
constexpr unsigned long kRegisters = 3;  // data, status, control

}  // namespace

bool RawPort::Permitted(uint16_t port) {
  for (uint16_t base : kLegacyBases)
    if (port >= base && port < base + kRegisters) return true;
  return false;
}

std::unique_ptr<RawPort> RawPort::Open(std::string& error) {
#if QRT_HAVE_RAW_PORTS
  for (uint16_t base : kLegacyBases) {
    if (ioperm(base, kRegisters, 1) != 0) {
      const int code = errno;
      char where[16];
      std::snprintf(where, sizeof where, "0x%03X", base);
      error = std::string("Raw port access to ") + where + " was refused (ioperm: " +
              std::strerror(code) +
              "). It needs root (sudo) or the CAP_SYS_RAWIO capability; without them use "
              "--port ppdev.";
      for (uint16_t done : kLegacyBases) {
        if (done == base) break;
        ioperm(done, kRegisters, 0);
      }
      return nullptr;
    }
  }
  error.clear();
  return std::unique_ptr<RawPort>(new RawPort());
#else
  error = "Raw port access (--port raw) exists only on x86 machines; use --port ppdev.";
  return nullptr;
#endif
}

uint8_t RawPort::Inp32(uint16_t port) {
#if QRT_HAVE_RAW_PORTS
  if (Permitted(port)) return inb(port);
#else
  (void)port;
#endif
  return 0xFF;
}

void RawPort::Out32(uint16_t port, uint8_t value) {
#if QRT_HAVE_RAW_PORTS
  if (Permitted(port)) outb(value, port);
#else
  (void)port;
  (void)value;
#endif
}

}  // namespace qrt
