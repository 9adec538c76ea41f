#include "adapters/I2cDevTransport.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "adapters/Adapters.h"
#include "adapters/SysText.h"

namespace qrt {
namespace {

constexpr int kShortRead = 16;

bool IsMissingAcknowledge(int error) {
  return error == ENXIO || error == EREMOTEIO || error == EIO || error == ETIMEDOUT || error == EAGAIN;
}

bool IsMissingNode(int error) { return error == ENOENT || error == ENODEV || error == ENXIO; }

i2c_msg Message(uint8_t device, bool read, int length, uint8_t* buffer) {
  i2c_msg m{};
  m.addr = device;
  m.flags = read ? I2C_M_RD : 0;
  m.len = static_cast<uint16_t>(length);
  m.buf = buffer;
  return m;
}

}  // namespace

I2cDevTransport::I2cDevTransport(std::string device, I2cDevSys& sys, Clock& clock, Messages& messages)
    : AdapterTransport(clock, messages), device_(std::move(device)), sys_(sys) {}

I2cDevTransport::~I2cDevTransport() { CloseDevice(); }

void I2cDevTransport::CloseDevice() {
  if (fd_ < 0) return;
  sys_.Close(fd_);
  fd_ = -1;
}

PagerTransport::Detection I2cDevTransport::DoDetect() {
  unsigned long functions = 0;
  // An open node of an adapter since unplugged fails here: open it again.
  if (fd_ >= 0 && sys_.Ioctl(fd_, I2C_FUNCS, &functions) < 0) CloseDevice();
  if (fd_ < 0) {
    const int fd = sys_.Open(device_);
    if (fd < 0) {
      const int error = -fd;
      if (IsMissingNode(error)) return {};
      std::string text = "Cannot open " + device_ + ": " + ErrnoText(error) + ".";
      if (error == EACCES || error == EPERM)
        text += " " + AdapterRuleHint("i2c") + " Then log in again and retry.";
      return {false, text};
    }
    fd_ = fd;
    if (sys_.Ioctl(fd_, I2C_FUNCS, &functions) < 0) {
      CloseDevice();
      return {};
    }
  }
  if ((functions & I2C_FUNC_I2C) == 0) {
    CloseDevice();
    return {false, device_ +
                       " can only make SMBus transfers; the pager's EEPROM needs an adapter "
                       "that makes plain I2C transfers."};
  }
  return {true, {}};
}

AdapterTransport::Status I2cDevTransport::Transfer(void* messages, int count, int& error) {
  error = 0;
  if (fd_ < 0) return Status::Failed;
  i2c_rdwr_ioctl_data request{};
  request.msgs = static_cast<i2c_msg*>(messages);
  request.nmsgs = static_cast<uint32_t>(count);
  const int result = sys_.Ioctl(fd_, I2C_RDWR, &request);
  if (result >= 0) return Status::Ok;
  error = -result;
  if (IsMissingAcknowledge(error)) return Status::NoAck;
  // Unplugged, or a request the adapter refuses: the next detection starts afresh.
  if (error != EOPNOTSUPP) CloseDevice();
  return Status::Failed;
}

AdapterTransport::Status I2cDevTransport::RandomRead(int address, uint8_t* data, int count) {
  if (count > kShortRead && shortReads_) {
    // Block by block, each addressed anew.
    for (int done = 0; done < count;) {
      const int start = address + done;
      const int piece = std::min(count - done, kShortRead - (start % kShortRead));
      const Status status = RandomRead(start, data + done, piece);
      if (status != Status::Ok) return status;
      done += piece;
    }
    return Status::Ok;
  }
  uint8_t word = static_cast<uint8_t>(address & 0xFF);
  const uint8_t device = DeviceAddress(address);
  i2c_msg messages[2] = {Message(device, false, 1, &word), Message(device, true, count, data)};
  int error = 0;
  const Status status = Transfer(messages, 2, error);
  if (status == Status::Failed && error == EOPNOTSUPP && count > kShortRead) {
    shortReads_ = true;
    return RandomRead(address, data, count);
  }
  return status;
}

AdapterTransport::Status I2cDevTransport::WritePage(int address, const uint8_t* data, int count) {
  uint8_t buffer[1 + kShortRead];
  buffer[0] = static_cast<uint8_t>(address & 0xFF);
  std::memcpy(buffer + 1, data, static_cast<size_t>(count));
  i2c_msg message = Message(DeviceAddress(address), false, 1 + count, buffer);
  int error = 0;
  return Transfer(&message, 1, error);
}

AdapterTransport::Status I2cDevTransport::Probe(int address) {
  uint8_t word = static_cast<uint8_t>(address & 0xFF);
  i2c_msg message = Message(DeviceAddress(address), false, 1, &word);
  int error = 0;
  return Transfer(&message, 1, error);
}

}  // namespace qrt
