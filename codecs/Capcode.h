#pragma once
// Capcodes and the pager password as the image holds them.
//
// A capcode record is 4 bytes at 0x040 + 4 * i (i = 0..7). The 21-bit capcode
// is split into its 3 low bits and its 18 high bits:
//   byte 0           enable flag (bit 0) and bits of other settings, never touched here
//   byte 1 bits 0-1  capcode bits 19-20
//   byte 1 bits 2-4  capcode bits 0-2
//   byte 1 bits 5-7  other settings, kept
//   byte 2           capcode bits 11-18
//   byte 3           capcode bits 3-10
// The password is four decimal digits, one per byte, first digit at 0x3B3
// down to the last at 0x3B0.
#include <cstdint>
#include <string>
#include <string_view>

#include "image/PagerImage.h"

namespace qrt {

inline constexpr int kCapcodeCount = 8;
inline constexpr int kCapcodeRecordsAddress = 0x040;
inline constexpr int kCapcodeRecordSize = 4;
inline constexpr int32_t kCapcodeMax = 2097151;  // 21 bits
inline constexpr int kCapcodeTextDigits = 7;

inline constexpr int kPasswordAddress = 0x3B0;  // last digit; first digit at 0x3B3
inline constexpr int kPasswordDigits = 4;

inline constexpr std::string_view kMsgCapcodeNotNumeric = "Please insert a numeric!";
inline constexpr std::string_view kMsgCapcodeRange = "Please insert a number between 0000007 to 2097151";
inline constexpr std::string_view kMsgPasswordNotNumeric = "Please insert a decimal numeric!";
inline constexpr std::string_view kMsgPasswordRange = "Please insert a number between 0000 to 9999";

constexpr int CapcodeRecordAddress(int i) { return kCapcodeRecordsAddress + kCapcodeRecordSize * i; }

// The capcode of record i (0..7). Throws ImageIndexError for another i.
uint32_t DecodeCapcode(const Image& image, int i);

// Stores v (0..kCapcodeMax) into record i, keeping byte 0 and byte 1 bits 5-7.
// Throws std::out_of_range for a value or record outside those bounds; the
// image is then unchanged.
void StoreCapcode(Image& image, int i, int32_t v);

// Whether record i (0..7) is switched on: bit 0 of its first byte, the
// "ON" box of its capcode. Throws ImageIndexError for another i.
bool CapcodeEnabled(const Image& image, int i);

// Decimal text padded on the left with '0' to 7 characters ("0000008").
std::string CapcodeText(uint32_t capcode);

// The eight capcodes whose address codeword is the paging protocol's idle
// codeword: a pager given one would take the idle fill of the channel for
// its own address. They are never allocated, and entering one is warned of.
inline constexpr uint32_t kIdleCodewordFirst = 2007664;
inline constexpr uint32_t kIdleCodewordLast = 2007671;
constexpr bool IsIdleCodewordCapcode(uint32_t capcode) {
  return capcode >= kIdleCodewordFirst && capcode <= kIdleCodewordLast;
}
// The warning shown when such a capcode is entered.
std::string IdleCodewordWarning(uint32_t capcode);

// How a typed text fares in a value field.
enum class EntryCheck {
  Empty,       // nothing typed: nothing happens
  NotNumeric,  // refused with the field's "numeric" message
  OutOfRange,  // refused with the field's range message
  Accepted,
};

struct CapcodeEntry {
  EntryCheck check = EntryCheck::Empty;
  int32_t value = 0;  // the capcode to store when Accepted
};

// Capcodes 0 to 7 are accepted: the range test refuses only negative values
// and values above 2^21 - 1, and pagers on private systems do use them.
CapcodeEntry CheckCapcodeEntry(std::string_view text);

// The text the password field shows: the decimal text of bytes 0x3B3, 0x3B2,
// 0x3B1 and 0x3B0 in that order ("0042" for digits 0, 0, 4, 2).
std::string PasswordText(const Image& image);

struct PasswordEntry {
  EntryCheck check = EntryCheck::Empty;
  std::string digits;  // 1..4 decimal digits when Accepted
};

// A password is accepted only as 1 to 4 plain decimal digits, with spaces
// allowed around them as long as the whole text stays within 4 characters. A
// text that is a number in another form ("+12", "1.5", "1e3", "1 2") is
// refused as out of range, so only the digits 0 to 9 ever reach the image.
PasswordEntry CheckPasswordEntry(std::string_view text);

// Stores 1..4 decimal digits right-aligned with leading zero digits: "42" puts
// 0, 0, 4, 2 into 0x3B3..0x3B0. Throws std::invalid_argument for anything
// else; the image is then unchanged.
void StorePasswordDigits(Image& image, std::string_view digits);

}  // namespace qrt
