#include "controls/Twips.h"

#include <cmath>
#include <limits>

namespace qrt {

double Fix(double x) { return std::trunc(x); }

int32_t ClampedToInt32(double x, int32_t fallback) {
  if (std::isnan(x)) return fallback;
  const double r = RoundHalfEven(x);
  if (r <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (r >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

}  // namespace qrt
