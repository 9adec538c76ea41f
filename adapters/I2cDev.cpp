#include "adapters/I2cDev.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace qrt {

int LinuxI2cDevSys::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  return fd >= 0 ? fd : -errno;
}

int LinuxI2cDevSys::Ioctl(int fd, unsigned long request, void* arg) {
  const int result = ::ioctl(fd, request, arg);
  return result >= 0 ? result : -errno;
}

int LinuxI2cDevSys::Close(int fd) { return ::close(fd) == 0 ? 0 : -errno; }

}  // namespace qrt
