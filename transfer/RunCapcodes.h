#pragma once
// The capcodes of a production run, and the rule that keeps a pager put
// back into a socket by mistake from taking a second capcode: when the
// pager already holds the table's settings with a capcode this run wrote,
// it is reported as already programmed and nothing is written.
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "image/PagerImage.h"

namespace qrt {

// A capcode as one pager holds it: record `index` (0..7, "Cap #index+1").
struct PagerCapcode {
  int index = 0;
  uint32_t value = 0;
  bool operator==(const PagerCapcode&) const = default;
};

// "Cap #1 1234567, Cap #2 0000012"; "no capcode" for none.
std::string CapcodesText(const std::vector<PagerCapcode>& capcodes);

// The capcodes records `indexes` of `image` hold.
std::vector<PagerCapcode> CapcodesOf(const Image& image, const std::vector<int>& indexes);

// Every capcode the run wrote into a pager, whichever board wrote it. One
// per run, shared by its boards.
class WrittenCapcodes {
 public:
  void Add(uint32_t capcode);
  bool Contains(uint32_t capcode) const;

 private:
  mutable std::mutex mutex_;
  std::set<uint32_t> capcodes_;
};

// True when `pager` (the bytes the backup read found) holds `table` (the
// image as it goes to the pager, prompts in the pager's character set) in
// every byte but these: the capcode bits of the records in `givenRecords`,
// whose capcodes the run gives each pager (their enable flags and the other
// settings sharing their bytes still count), the pager's own byte at 0x0E9,
// the write marker and the checksum.
bool HoldsTableSettings(const Image& pager, const Image& table, const std::vector<int>& givenRecords);

// The rule for a pager put back: it holds the table's settings and one of
// the capcodes it holds in `givenRecords` was written in this run. Returns
// the capcodes it holds there (for "already programmed: Cap #1 N"), or
// nothing when it is a pager to program. A run that gives no capcodes (every
// pager the table's) has nothing to protect: nothing.
std::optional<std::vector<PagerCapcode>> AlreadyProgrammed(const Image& pager, const Image& table,
                                                           const std::vector<int>& givenRecords,
                                                           const WrittenCapcodes& written);

}  // namespace qrt
