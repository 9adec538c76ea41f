#include "base/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace qrt {
namespace {

std::string Reason(int error) { return std::strerror(error); }

}  // namespace

bool WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string ParentDirectory(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string SaveFailure(const std::string& path, const std::string& reason) {
  return "Could not save [" + path + "]: " + reason;
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes) {
  if (path.empty()) return Reason(ENOENT);
  // A symbolic link keeps pointing at the file: the file it names is replaced.
  std::string target = path;
  struct stat link;
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  struct stat old;
  const bool hadOld = ::stat(target.c_str(), &old) == 0;
  if (hadOld && S_ISDIR(old.st_mode)) return Reason(EISDIR);
  // The rename below would replace a file the user may not write to (one
  // made read-only to keep it); refuse it as writing into it would be refused.
  if (hadOld && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return Reason(errno);

  const std::string dir = ParentDirectory(target);
  const std::string base = target.substr(target.find_last_of('/') == std::string::npos
                                             ? 0
                                             : target.find_last_of('/') + 1);
  std::string temp;
  int fd = -1;
  const auto seed = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + "/." + base + ".tmp" + std::to_string(::getpid()) + "-" +
           std::to_string((seed + static_cast<unsigned long long>(attempt) * 7919u) % 1000000u);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return Reason(errno);
  }
  if (fd < 0) return Reason(EEXIST);

  auto fail = [&](int error) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return Reason(error);
  };
  if (hadOld) (void)::fchmod(fd, old.st_mode & 07777);  // keep the old file's permissions
  if (!WriteAll(fd, bytes.data(), bytes.size())) return fail(errno);
  if (::fsync(fd) != 0) return fail(errno);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  // Make the rename itself durable; a folder that cannot be synced still holds the file.
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
  return {};
}

}  // namespace qrt
