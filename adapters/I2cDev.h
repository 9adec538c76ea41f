#pragma once
// The three system calls the i2c-dev transport makes, behind an interface so
// tests can put a fake adapter there. Every call returns a result >= 0, or
// the negated errno of its failure (no errno is left behind to be read).
#include <string>

namespace qrt {

class I2cDevSys {
 public:
  virtual ~I2cDevSys() = default;
  // Opens a /dev/i2c-N node for reading and writing; the descriptor or -errno.
  virtual int Open(const std::string& path) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual int Close(int fd) = 0;
};

// The real calls.
class LinuxI2cDevSys final : public I2cDevSys {
 public:
  int Open(const std::string& path) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  int Close(int fd) override;
};

}  // namespace qrt
