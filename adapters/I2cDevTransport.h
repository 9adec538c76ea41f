#pragma once
// The pager's EEPROM on a Linux kernel I2C adapter (`--port i2c:/dev/i2c-N`):
// a CP2112, MCP2221, i2c-tiny-usb, a single-board computer's own I2C pins, or
// any other adapter with a kernel driver, through the i2c-dev interface.
//
// Every transaction is one I2C_RDWR request; the kernel sends the START, the
// repeated START between messages and the closing STOP, so the bus is idle
// whenever a request returns, whatever its outcome. A missing acknowledge
// fails a request with ENXIO, EREMOTEIO or EIO depending on the driver (and
// ETIMEDOUT or EAGAIN for a bus that timed out or lost arbitration); all of
// them mean "not this time" and are tried again as the shapes allow.
//
// The adapter's clock rate is the kernel's (device tree, module parameters):
// i2c-dev has no way to set it, so this transport takes no bus speed.
//
// The node is opened by DetectBoard and kept until the transport goes or the
// adapter fails; the next DetectBoard opens it again (an adapter unplugged
// and plugged back in is found again).
#include <string>

#include "adapters/AdapterTransport.h"
#include "adapters/I2cDev.h"

namespace qrt {

class I2cDevTransport : public AdapterTransport {
 public:
  I2cDevTransport(std::string device, I2cDevSys& sys, Clock& clock, Messages& messages);
  ~I2cDevTransport() override;

  const std::string& device() const { return device_; }
  bool isOpen() const { return fd_ >= 0; }

 private:
  Detection DoDetect() override;
  Status RandomRead(int address, uint8_t* data, int count) override;
  Status WritePage(int address, const uint8_t* data, int count) override;
  Status Probe(int address) override;
  void ReleaseBus() override {}  // every request has ended with STOP already

  // One I2C_RDWR request; `error` receives the errno of a failure.
  Status Transfer(void* messages, int count, int& error);
  void CloseDevice();

  std::string device_;
  I2cDevSys& sys_;
  int fd_ = -1;
  // The adapter refused a long read (a driver quirk): read 16 bytes at a time.
  bool shortReads_ = false;
};

}  // namespace qrt
