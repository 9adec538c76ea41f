#include "controls/Twips.h"

#include <cmath>
#include <limits>

namespace qrt {

double RoundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double lower = std::floor(x);
  const double diff = x - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

double Fix(double x) { return std::trunc(x); }

int32_t RoundToInt32(double x, int32_t fallback) {
  if (std::isnan(x)) return fallback;
  const double r = RoundHalfEven(x);
  if (r <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (r >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

}  // namespace qrt
