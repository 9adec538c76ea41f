#pragma once
// The few number rules every layer shares: whole numbers from digit strings,
// hexadecimal texts, and rounding to the nearest integer with ties to even,
// the way the pager's fields and the controls' twips have always been rounded.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qrt {

// A decimal digit, '0' to '9', whatever the locale says.
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a text that is nothing but digits of `base` (10 or 16; no
// sign, no spaces, no prefix), or nullopt when it is empty, holds anything
// else or is above `max`.
std::optional<uint32_t> ParseDigits(std::string_view text, uint32_t max = UINT32_MAX, int base = 10);

// The decimal number at the start of a text after blanks (spaces, tabs): the
// digits up to the first other character, 0 when there are none, and
// `saturate` for anything above it.
uint64_t LeadingDigits(std::string_view text, uint64_t saturate = UINT64_MAX);

// Upper-case hexadecimal without leading zeros beyond `minDigits` digits
// ("1A311", "0"; "05" for 5 with two digits).
std::string HexText(uint32_t value, int minDigits = 1);

// Lower-case hexadecimal, two digits a byte in the order given ("00ff").
std::string HexBytes(std::span<const uint8_t> bytes);

// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), whatever
// the floating-point environment's rounding mode. Infinities and NaN pass
// through.
double RoundHalfEven(double x);

// RoundHalfEven as a 32-bit integer; nullopt when it does not fit or x is
// not finite.
std::optional<int32_t> RoundToInt32(double x);

}  // namespace qrt
