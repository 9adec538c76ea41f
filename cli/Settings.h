#pragma once
// The command line's forms of the window's settings (editor/Settings.h):
// `show` as text or JSON, and `diff` by setting and by byte.
#include <cstdint>
#include <string>
#include <vector>

#include "editor/Settings.h"
#include "image/PagerImage.h"

namespace qrt::cli {

using qrt::CollectSettings;
using qrt::kBatteryListNames;
using qrt::kMenuBoxNames;
using qrt::PageNames;
using qrt::Setting;
using qrt::ShownBits;

// How a value is written in `show` and `diff`: on/off for boxes, quoted text
// for prompts (so that leading spaces show) and for texts that need it.
std::string DisplayValue(const Setting& setting);

// `show`: a heading per page, then "name  value" lines; (hidden) and
// (disabled) mark what the window hides or greys out.
std::string ShowText(const std::vector<Setting>& settings);
// `show --json`.
std::string ShowJson(const std::vector<Setting>& settings, const std::string& file);

// `diff`: one "name: A -> B" line per setting whose value differs.
std::vector<std::string> DiffLines(const std::vector<Setting>& a, const std::vector<Setting>& b);

// `diff`, every line it prints for two table files (their settings, and the
// bytes as the files hold them): the DiffLines; when there are none, a line
// that says whether the images are the same; then "byte 0x3E0: 00 -> 01" for
// every differing byte with a differing bit that no printed setting line
// covers: unused bits, and bytes inside a setting whose shown value is the
// same (prompt filler, an attribute bit). With `allBytes`, every differing
// byte instead, those a setting covers followed by the settings' names
// ("byte 0x041: 1E -> 22 (capcode1)").
std::vector<std::string> DiffReport(const std::vector<Setting>& a, const std::vector<Setting>& b, const Image& imageA,
                                    const Image& imageB, bool allBytes);

}  // namespace qrt::cli
