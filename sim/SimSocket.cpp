#include "sim/SimSocket.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/FileIo.h"

namespace qrt {
namespace {

// Up to `size` bytes from the start of the file; false with errno on failure.
bool ReadUpTo(int fd, std::vector<uint8_t>& bytes, size_t size) {
  bytes.resize(size);
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, bytes.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return true;
}

}  // namespace

SimSocket::SimSocket(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty() || folder_.back() != '/') folder_ += '/';
  path_ = folder_ + kPagerFile;
}

std::string SimSocket::Problem() const {
  struct stat sb;
  const int error = ::stat(folder_.c_str(), &sb) != 0 ? errno : S_ISDIR(sb.st_mode) ? 0 : ENOTDIR;
  if (error == 0) return {};
  return "Cannot use the simulated socket " + folder_ + ": " + std::strerror(error) + ".";
}

SimSocket::Look SimSocket::LookAt(int64_t now) {
  if (lookedAt_ != INT64_MIN && now - lookedAt_ < kLookEveryNs) return {in_, false};
  lookedAt_ = now;
  struct stat sb;
  const bool in = ::stat(path_.c_str(), &sb) == 0;
  const bool fresh = in && (!in_ || sb.st_dev != device_ || sb.st_ino != inode_);
  in_ = in;
  if (in) {
    device_ = sb.st_dev;
    inode_ = sb.st_ino;
  }
  return {in, fresh};
}

void SimSocket::Load(Image& memory) {
  failure_.clear();
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<uint8_t> bytes;
  // One byte more than a pager holds tells a longer file from a pager's.
  if (fd < 0 || !ReadUpTo(fd, bytes, memory.size() + 1)) {
    failure_ = "Cannot use the simulated pager file " + path_ + ": " + std::strerror(errno) + ".";
    if (fd >= 0) ::close(fd);
    return;
  }
  ::close(fd);
  if (bytes.size() != memory.size()) {
    const std::string size =
        bytes.size() > memory.size() ? "more than 2048 bytes" : std::to_string(bytes.size()) + " bytes";
    failure_ = "The simulated pager file " + path_ + " holds " + size + ", not 2048; it is left untouched.";
    return;
  }
  std::copy(bytes.begin(), bytes.end(), memory.begin());
}

std::string SimSocket::Store(const Image& memory, int first, int count) {
  if (!failure_.empty()) return failure_;
  const auto cannot = [&](int error) {
    return "Cannot save the simulated pager file " + path_ + ": " + std::strerror(error) + ".";
  };
  // No O_CREAT: a pager taken out is not put back by writing to it.
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return cannot(errno);
  struct stat sb;
  std::string error;
  if (::fstat(fd, &sb) != 0)
    error = cannot(errno);
  else if (sb.st_dev != device_ || sb.st_ino != inode_)
    error = cannot(ENOENT);  // another pager was clipped in since: this one is gone
  else if (::lseek(fd, first, SEEK_SET) < 0 || !WriteAll(fd, memory.data() + first, static_cast<size_t>(count)))
    error = cannot(errno);
  if (::close(fd) != 0 && error.empty()) error = cannot(errno);
  return error;
}

}  // namespace qrt
