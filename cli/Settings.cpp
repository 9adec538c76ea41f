#include "cli/Settings.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "cli/Json.h"

namespace qrt::cli {
namespace {

bool NeedsQuotes(const std::string& text) {
  if (text.empty() || text.front() == ' ' || text.back() == ' ') return true;
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || c == '"' || c == '\\' || u == 0x7F;
  });
}

}  // namespace

std::string DisplayValue(const Setting& s) {
  switch (s.type) {
    case Setting::Type::Flag: return s.flag ? "on" : "off";
    case Setting::Type::Number: return std::to_string(s.number);
    case Setting::Type::Entry: return s.noEntry ? "(none)" : s.text;
    case Setting::Type::Prompt: return JsonQuote(s.text);
    case Setting::Type::Text: return NeedsQuotes(s.text) ? JsonQuote(s.text) : s.text;
  }
  return {};
}

std::string ShowText(const std::vector<Setting>& settings) {
  size_t width = 0;
  for (const Setting& s : settings) width = std::max(width, s.name.size());
  std::string out;
  std::string_view page;
  for (const Setting& s : settings) {
    if (s.page != page) {
      if (!out.empty()) out += '\n';
      out += "[" + s.page + "]\n";
      page = s.page;
    }
    out += s.name;
    out.append(width + 2 - s.name.size(), ' ');
    out += DisplayValue(s);
    if (!s.visible) out += "  (hidden)";
    if (!s.enabled) out += "  (disabled)";
    out += '\n';
  }
  return out;
}

std::string ShowJson(const std::vector<Setting>& settings, const std::string& file) {
  JsonValue pages = JsonValue::object();
  for (std::string_view page : PageNames()) {
    JsonValue& values = pages[std::string(page)] = JsonValue::object();
    for (const Setting& s : settings) {
      if (s.page != page) continue;
      JsonValue& value = values[s.name];
      switch (s.type) {
        case Setting::Type::Flag: value = s.flag; break;
        case Setting::Type::Number: value = s.number; break;
        case Setting::Type::Entry: value = s.noEntry ? JsonValue(nullptr) : JsonValue(s.text); break;
        case Setting::Type::Text: value = s.text; break;
        case Setting::Type::Prompt: value = {{"text", s.text}, {"enabled", s.enabled}}; break;
      }
    }
  }
  JsonValue hidden = JsonValue::array(), disabled = JsonValue::array();
  for (const Setting& s : settings) {
    if (!s.visible) hidden.push_back(s.name);
    if (!s.enabled) disabled.push_back(s.name);
  }
  JsonValue document = JsonValue::object();
  document["file"] = file;
  document["pages"] = std::move(pages);
  document["hidden"] = std::move(hidden);
  document["disabled"] = std::move(disabled);
  return JsonDocument(document);
}

std::vector<std::string> DiffLines(const std::vector<Setting>& a, const std::vector<Setting>& b) {
  std::map<std::string, const Setting*> byName;
  for (const Setting& s : b) byName[s.name] = &s;
  std::vector<std::string> lines;
  for (const Setting& s : a) {
    const auto it = byName.find(s.name);
    const std::string left = DisplayValue(s);
    const std::string right = it == byName.end() ? "(none)" : DisplayValue(*it->second);
    if (left != right) lines.push_back(s.name + ": " + left + " -> " + right);
  }
  return lines;
}

std::vector<std::string> DiffReport(const std::vector<Setting>& a, const std::vector<Setting>& b, const Image& imageA,
                                    const Image& imageB, bool allBytes) {
  std::vector<std::string> lines = DiffLines(a, b);
  // The bits the printed lines cover, from either file's settings: a setting
  // may be shown from other bytes in each (a prompt's record, say).
  std::set<std::string> printed;
  for (const std::string& line : lines) printed.insert(line.substr(0, line.find(": ")));
  std::vector<uint8_t> named(kImageSize, 0);
  for (const std::vector<Setting>* settings : {&a, &b})
    for (const Setting& s : *settings)
      if (printed.count(s.name))
        for (const ShownBits& bits : s.bits)
          if (bits.address >= 0 && bits.address < kImageSize) named[bits.address] |= bits.mask;

  std::vector<int> differing;
  for (int i = 0; i < kImageSize; ++i)
    if (imageA[i] != imageB[i]) differing.push_back(i);
  if (lines.empty()) {
    if (differing.empty()) return {"No setting differs; the images are identical."};
    std::string text = "No setting differs; the images differ in " + std::to_string(differing.size()) +
                       (differing.size() == 1 ? " byte:" : " bytes:");
    constexpr size_t kListed = 16;
    for (size_t i = 0; i < differing.size() && i < kListed; ++i) {
      char address[8];
      std::snprintf(address, sizeof address, " 0x%03X", differing[i]);
      text += address;
    }
    if (differing.size() > kListed) text += " ...";
    lines.push_back(text);
  }
  for (int i : differing) {
    const uint8_t bitsDiffering = imageA[i] ^ imageB[i];
    if (!allBytes && (bitsDiffering & ~named[i]) == 0) continue;
    char text[40];
    std::snprintf(text, sizeof text, "byte 0x%03X: %02X -> %02X", i, imageA[i], imageB[i]);
    std::string line = text;
    if (allBytes) {
      std::string names;
      for (const Setting& s : a)
        for (const ShownBits& bits : s.bits)
          if (bits.address == i && (bits.mask & bitsDiffering) != 0) {
            names += (names.empty() ? "" : ", ") + s.name;
            break;
          }
      if (!names.empty()) line += " (" + names + ")";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace qrt::cli
