#pragma once
// The socket of a simulated programming board, kept in a folder: the pager
// in it is the file FOLDER/pager.bin, its 2048 EEPROM bytes. A script plays
// the operator: it clips a pager in by renaming its file to pager.bin and
// takes it out by moving that file away. The socket reads the file when a
// pager arrives and writes each page the chip stores into it in place; it
// never creates or deletes a file, so a pager taken out during its write
// stays as far written as it got and the write fails.
//
// A pager is known by its file (device and inode), so a swap that falls
// between two looks is still a new pager.
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "image/PagerImage.h"

namespace qrt {

class SimSocket {
 public:
  // How often the board looks into the folder: the socket is a file system
  // call, the bus changes its lines every few microseconds.
  static constexpr int64_t kLookEveryNs = 1'000'000;
  static constexpr const char* kPagerFile = "pager.bin";

  // `folder` names the socket's folder; a '/' is added when it lacks one.
  explicit SimSocket(std::string folder);

  // Why the folder cannot be a socket (it does not exist, is no folder);
  // empty when it can.
  std::string Problem() const;

  const std::string& pagerPath() const { return path_; }

  struct Look {
    bool in = false;     // a pager is in the socket
    bool fresh = false;  // ... and it is another one than at the last look
  };
  // Looks into the folder when kLookEveryNs have passed since the last look
  // (`now` in nanoseconds), otherwise answers as the last look did.
  Look LookAt(int64_t now);

  // The contents of the pager that has just arrived. A file that cannot be
  // a pager (not 2048 bytes long, unreadable) leaves `memory` as it is and
  // is never written; Failure() then says why.
  void Load(Image& memory);
  // Writes memory[first .. first + count - 1] into the pager's file, where
  // it lies in the file. Returns why it could not (the pager was taken out,
  // the file is refused), naming the file; empty when it was written.
  std::string Store(const Image& memory, int first, int count);

  // Why the pager in the socket cannot be used, naming its file; empty while
  // it can.
  const std::string& Failure() const { return failure_; }

 private:
  std::string folder_;
  std::string path_;
  int64_t lookedAt_ = INT64_MIN;
  bool in_ = false;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  std::string failure_;
};

}  // namespace qrt
