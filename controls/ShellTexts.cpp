#include "controls/ShellTexts.h"

#include "ProductInfo.h"
#include "base/Numbers.h"

namespace qrt::shell {

std::string ProductName() { return product::kName; }

std::string CompanyLine() { return std::string(kNoticePrefix) + product::kCompany; }

std::string TargetPlatform() {
#if defined(__linux__)
  return "Linux";
#elif defined(__FreeBSD__)
  return "FreeBSD";
#elif defined(__APPLE__)
  return "macOS";
#elif defined(_WIN32)
  return "Windows";
#else
  return "Unix";
#endif
}

std::string VersionNumber() {
  std::string version = product::kVersion;
  if (version.size() > 1 && (version[0] == 'V' || version[0] == 'v') && IsDigit(version[1]))
    version.erase(0, 1);
  return version;
}

std::string PlatformAndVersion() { return "Version " + VersionNumber() + " for " + TargetPlatform(); }

std::string VersionAndBuildDate() { return "Version " + VersionNumber() + ", built " + product::kBuildDate; }

std::string VersionText(const std::string& program) {
  return program + " (" + product::kName + ") " + VersionNumber() + "\nBuilt " + product::kBuildDate +
         ".\n\nCopyright " + product::kCopyrightYear + " " + product::kCompany + ". All rights reserved;\n"
         "licensed, not sold: see the licence that came with the program.\n";
}

std::string ContactBlock() {
  return std::string("Technical support and programming boards:\n") + product::kCompany +
         ", or the dealer who supplied your pagers.";
}

}  // namespace qrt::shell
