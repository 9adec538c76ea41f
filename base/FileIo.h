#pragma once
// Writing files whole: a buffer to a file descriptor, and a file replaced
// so that a failed save never leaves it truncated or mixed.
#include <cstddef>
#include <string>
#include <string_view>

namespace qrt {

// Writes all of a buffer: write() may move fewer bytes than asked, and a
// signal may interrupt it (EINTR), which is retried. False, with errno
// telling why, when the file took less than all of it.
bool WriteAll(int fd, const void* data, size_t size);

// The folder of a path: "." for a bare name, "/" for a file at the root.
std::string ParentDirectory(const std::string& path);

// Replaces path with exactly `bytes`: a temporary file in the same folder,
// flushed to the disk and renamed over the old file, so that a failed save
// never leaves a truncated or mixed file. A symbolic link's target is
// replaced, a read-only file is refused. Empty on success, otherwise the
// reason.
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

// "Could not save [PATH]: REASON", the message of a failed save.
std::string SaveFailure(const std::string& path, const std::string& reason);

}  // namespace qrt
