#pragma once
// Numbers typed into the value fields (frequency, capcodes, pager password).
// A text counts as a number in the usual way of numeric text fields: spaces
// around it, a sign, a decimal point and an exponent are all accepted, so
// " -1.5E3 " is a number and "-", "." and "1 2" are not. Conversion to a
// whole number rounds to the nearest integer with ties to even ("2.5" → 2,
// "3.5" → 4), the way the pager fields have always converted.
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/Numbers.h"  // RoundToInt32: ties to even

namespace qrt {

// The value of a numeric text, or nullopt when the text is not a number
// (including one whose magnitude is beyond what a double holds, too large or
// too small). The decimal point is always '.'.
std::optional<double> ParseNumeric(std::string_view text);

inline bool IsNumeric(std::string_view text) { return ParseNumeric(text).has_value(); }

// ParseNumeric followed by RoundToInt32.
std::optional<int32_t> NumericToInt32(std::string_view text);

// The text without its leading and trailing spaces (only ' ', as the fields trim).
std::string_view TrimSpaces(std::string_view text);
// The text without its leading spaces.
std::string_view TrimLeadingSpaces(std::string_view text);

}  // namespace qrt
