#pragma once
// One kernel I2C adapter with the simulated 24C16 on its bus, answering the
// i2c-dev calls the transport makes (open, the I2C_FUNCS and I2C_RDWR
// ioctls, close) as the kernel does: every I2C_RDWR request runs on the
// simulated bus through a line-level master, START, each message's address
// byte and data with a repeated START between messages, STOP; a byte the
// EEPROM does not acknowledge ends the request with STOP and an errno (the
// adapter's driver decides which one).
//
// It enforces the interface: a call on a descriptor that is not open, an
// ioctl it does not know, a request with no or too many messages, a message
// with flags, an address above 0x7F, a null buffer or an empty read is
// refused with the kernel's errno and noted in `violations`.
#include <cerrno>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "adapters/I2cDev.h"
#include "adapters/emu/SimI2cMaster.h"
#include "sim/SimEeprom.h"
#include "sim/VirtualClock.h"

namespace qrt {

class FakeI2cDev : public I2cDevSys {
 public:
  explicit FakeI2cDev(VirtualClock& clock, std::string path = "/dev/i2c-1", int busHz = 100'000);

  // The adapter.
  std::string path;
  bool present = true;          // false: no such node (ENOENT)
  bool accessDenied = false;    // the node exists, but open gives EACCES
  bool smbusOnly = false;       // I2C_FUNCS without I2C_FUNC_I2C
  int addressNackErrno = ENXIO;
  int dataNackErrno = EIO;
  int maxReadLength = 0;        // > 0: longer reads are refused with EOPNOTSUPP (a driver quirk)
  int64_t requestNs = 20'000;   // the driver's own time per request, on top of the bus time
  int unplugAfterRequests = -1; // >= 0: the adapter goes away after this many I2C_RDWR requests

  // The EEPROM on its bus, and the bus master that reaches it.
  SimEeprom chip;
  SimI2cMaster master;

  // What happened.
  struct Message {
    uint16_t addr;
    bool read;
    int length;
  };
  std::vector<std::vector<Message>> requests;  // every I2C_RDWR request that reached the bus
  std::vector<std::string> violations;
  bool unplugged = false;
  int openCount() const { return static_cast<int>(open_.size()); }

  int Open(const std::string& path) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  int Close(int fd) override;

 private:
  int Violation(const std::string& what, int error);
  int ReadWrite(void* arg);

  VirtualClock& clock_;
  std::set<int> open_;
  int nextFd_ = 3;
};

}  // namespace qrt
