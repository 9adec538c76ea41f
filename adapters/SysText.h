#pragma once
// The text of an errno value, safe to call from several threads at once.
#include <string>

namespace qrt {

std::string ErrnoText(int error);

}  // namespace qrt
