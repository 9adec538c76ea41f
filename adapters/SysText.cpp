#include "adapters/SysText.h"

#include <cstring>

namespace qrt {

std::string ErrnoText(int error) {
  char buffer[256];
  // The GNU strerror_r: returns the text, which need not be in the buffer.
  return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace qrt
