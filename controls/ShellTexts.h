#pragma once
// The texts of the splash window and the about box. The product name, the
// version, the company and the build date are set once at build time
// (ProductInfo.h); everything composed from them is composed here.
#include <string>

namespace qrt::shell {

// Put in front of the configured company name on the splash window and in
// the about box.
inline constexpr const char* kNoticePrefix = "Copyright \xC2\xA9 ";  // "Copyright © "
inline constexpr const char* kLegalNotice =
    "This program is licensed, not sold. Unauthorised copying or distribution is prohibited.";
inline constexpr const char* kAboutHeading = "About";
inline constexpr const char* kModels = "Programs the QRT35 family of alphanumeric pagers";

std::string ProductName();
// Notice prefix + configured company name.
std::string CompanyLine();
// The system the program was built for, from the compiler's own platform
// macros, so that the splash window names what the program runs on: "Linux".
std::string TargetPlatform();
// The configured version as a number, without the "V" the window title
// shows: "3.82" for "V3.82".
std::string VersionNumber();
// The program version and its platform on one line: "Version 3.82 for Linux".
std::string PlatformAndVersion();
// The program version and its build date: "Version 3.82, built 2026-12-08".
std::string VersionAndBuildDate();
// A few lines for the about box's contact block, separated by '\n'.
std::string ContactBlock();
// What `program --version` prints: the program, the product and its version
// on the first line (the form man-page tools read), then the build date and
// the licence.
std::string VersionText(const std::string& program);

}  // namespace qrt::shell
