#pragma once
// Screen lengths of the controls are twips: 1/1440 inch, 15 to a pixel at the
// standard resolution. Rounding follows the container's rules: conversions to
// whole numbers round to the nearest integer with ties to even, and Fix
// truncates toward zero.
#include <cstdint>

#include "base/Numbers.h"  // RoundHalfEven

namespace qrt {

inline constexpr int kTwipsPerPixel = 15;

// Truncation toward zero (-9.8 -> -9).
double Fix(double x);

// RoundHalfEven clamped into the 32-bit range, for values stored in 32-bit
// properties; a NaN gives `fallback`.
int32_t ClampedToInt32(double x, int32_t fallback = 0);

}  // namespace qrt
