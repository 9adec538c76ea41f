#include "adapters/emu/FakeI2cDev.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

namespace qrt {
namespace {

// The limits i2c-dev itself puts on a request.
constexpr uint32_t kMaxMessages = I2C_RDWR_IOCTL_MAX_MSGS;
constexpr int kMaxMessageLength = 8192;

}  // namespace

FakeI2cDev::FakeI2cDev(VirtualClock& clock, std::string nodePath, int busHz)
    : path(std::move(nodePath)),
      chip([&clock] { return clock.Now(); }),
      master(chip, clock, busHz),
      clock_(clock) {}

int FakeI2cDev::Violation(const std::string& what, int error) {
  violations.push_back(what);
  return -error;
}

int FakeI2cDev::Open(const std::string& node) {
  if (node != path || !present || unplugged) return -ENOENT;
  if (accessDenied) return -EACCES;
  const int fd = nextFd_++;
  open_.insert(fd);
  return fd;
}

int FakeI2cDev::Close(int fd) {
  if (open_.erase(fd) == 0) return Violation("close of a descriptor that is not open", EBADF);
  return 0;
}

int FakeI2cDev::Ioctl(int fd, unsigned long request, void* arg) {
  if (!open_.count(fd)) return Violation("ioctl on a descriptor that is not open", EBADF);
  if (unplugged) return -ENODEV;
  if (request == I2C_FUNCS) {
    if (!arg) return Violation("I2C_FUNCS without a result", EFAULT);
    *static_cast<unsigned long*>(arg) =
        smbusOnly ? I2C_FUNC_SMBUS_BYTE_DATA : (I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL);
    return 0;
  }
  if (request == I2C_RDWR) return ReadWrite(arg);
  return Violation("unexpected ioctl request " + std::to_string(request), ENOTTY);
}

int FakeI2cDev::ReadWrite(void* arg) {
  if (!arg) return Violation("I2C_RDWR without a request", EFAULT);
  const auto* request = static_cast<const i2c_rdwr_ioctl_data*>(arg);
  if (request->nmsgs == 0 || request->nmsgs > kMaxMessages)
    return Violation("I2C_RDWR with " + std::to_string(request->nmsgs) + " messages", EINVAL);
  if (!request->msgs) return Violation("I2C_RDWR without messages", EFAULT);
  for (uint32_t i = 0; i < request->nmsgs; ++i) {
    const i2c_msg& m = request->msgs[i];
    if (m.flags & ~I2C_M_RD) return Violation("a message with flags the transport has no use for", EINVAL);
    if (m.addr > 0x7F) return Violation("a message to a 10-bit address", EINVAL);
    if (m.len > kMaxMessageLength) return Violation("a message longer than i2c-dev takes", EINVAL);
    if (m.len > 0 && !m.buf) return Violation("a message without a buffer", EFAULT);
    if ((m.flags & I2C_M_RD) && m.len == 0) return Violation("a read of no bytes", EINVAL);
    // The driver's quirk check happens before anything reaches the bus.
    if ((m.flags & I2C_M_RD) && maxReadLength > 0 && m.len > maxReadLength) return -EOPNOTSUPP;
  }
  if (unplugAfterRequests >= 0 && static_cast<int>(requests.size()) >= unplugAfterRequests) {
    unplugged = true;
    return -ENODEV;
  }

  clock_.Advance(requestNs);
  std::vector<Message> record;
  for (uint32_t i = 0; i < request->nmsgs; ++i) {
    const i2c_msg& m = request->msgs[i];
    const bool read = (m.flags & I2C_M_RD) != 0;
    record.push_back({m.addr, read, m.len});
  }
  requests.push_back(record);

  for (uint32_t i = 0; i < request->nmsgs; ++i) {
    const i2c_msg& m = request->msgs[i];
    const bool read = (m.flags & I2C_M_RD) != 0;
    master.Start();
    if (!master.WriteByte(static_cast<uint8_t>((m.addr << 1) | (read ? 1 : 0)))) {
      master.Stop();
      return -addressNackErrno;
    }
    for (int k = 0; k < m.len; ++k) {
      if (read) {
        m.buf[k] = master.ReadByte(/*acknowledge=*/k + 1 < m.len);
      } else if (!master.WriteByte(m.buf[k])) {
        master.Stop();
        return -dataNackErrno;
      }
    }
  }
  master.Stop();
  return static_cast<int>(request->nmsgs);
}

}  // namespace qrt
