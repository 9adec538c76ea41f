#pragma once
// Capcode ranges for allocation and the capcodes that are never handed out.
//
// A batch names a range for capcode 1 and optionally one for capcode 2, as
// "1=FIRST-LAST" or "1=FIRST-LAST,2=FIRST-LAST". Every pager then receives,
// for each slot, the lowest capcode of its range that no pager was written
// with and no other station holds.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/Capcode.h"

namespace qrt::production {

inline constexpr uint32_t kCapcodeLowest = 0;
inline constexpr uint32_t kCapcodeHighest = 2097151;  // 21 bits

// The idle codeword's capcodes (editor/Capcode.h) are never allocated.
using qrt::IsIdleCodewordCapcode;
using qrt::kIdleCodewordFirst;
using qrt::kIdleCodewordLast;

struct CapcodeRange {
  int slot = 1;  // 1 or 2: the pager's capcode 1 or capcode 2
  uint32_t first = 0;
  uint32_t last = 0;
};

// One capcode a reservation holds for the pager being written.
struct ReservedCapcode {
  int slot = 1;  // 1 or 2
  uint32_t capcode = 0;
  // The pager, read before the write, already held this capcode while it
  // was in doubt: the same pager receives the same capcode again.
  bool again = false;
};

struct Reservation {
  std::string token;  // identifies the reservation in the database
  std::vector<ReservedCapcode> capcodes;
  std::string leaseUntil;  // UTC, the database's time
};

// "0001000-0001019": the range as the capcode fields show capcodes.
std::string RangeText(const CapcodeRange& range);

struct RangesParse {
  std::vector<CapcodeRange> ranges;  // slot order, one per slot
  std::string error;                 // empty when the text was taken
};

// Parses "1=FIRST-LAST[,2=FIRST-LAST]" (either order, spaces around the
// parts allowed). Each slot at most once; FIRST <= LAST, both capcodes; a
// range that holds nothing but idle-codeword capcodes is refused since
// nothing in it can ever be allocated.
RangesParse ParseCapcodeRanges(std::string_view text);

// The ranges as a dialog takes them, one field per capcode ("FIRST-LAST"),
// checked as ParseCapcodeRanges checks them. Both empty: no ranges and no
// error (the pagers keep the image's capcodes). Capcode 2 takes a range only
// with capcode 1: every pager needs a capcode 1 of its own.
RangesParse ParseAllocationFields(std::string_view capcode1, std::string_view capcode2);

// "capcode 1 0001000-0001019, capcode 2 0002000-0002019"; empty for none.
std::string AllocationText(const std::vector<CapcodeRange>& ranges);

// "Capcode 1 range 0001000-0001019 is used up: ..." — the message that ends
// a batch before the pager is written.
std::string RangeUsedUpMessage(const CapcodeRange& range);

}  // namespace qrt::production
