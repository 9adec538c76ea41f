#include "controls/ShellTexts.h"

#include "ProductInfo.h"

namespace qrt::shell {

std::string ProductName() { return product::kName; }

std::string CompanyLine() { return std::string(kNoticePrefix) + product::kCompany; }

std::string PlatformAndVersion() { return std::string(kPlatforms) + "    Version " + product::kVersion; }

std::string VersionAndBuildDate() {
  return std::string("Version ") + product::kVersion + "  (built " + product::kBuildDate + ")";
}

std::string ContactBlock() {
  return std::string("Technical support and programming boards:\n") + product::kCompany +
         ", or the dealer who supplied your pagers.";
}

}  // namespace qrt::shell
