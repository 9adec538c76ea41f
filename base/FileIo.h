#pragma once
// Writing a whole buffer to a file descriptor: write() may move fewer bytes
// than asked, and a signal may interrupt it (EINTR), which is retried.
#include <cstddef>

namespace qrt {

// False, with errno telling why, when the file took less than all of it.
bool WriteAll(int fd, const void* data, size_t size);

}  // namespace qrt
