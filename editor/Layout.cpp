#include "editor/Layout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace qrt::layout {

std::string FormatNumber(double value) {
  if (!std::isfinite(value)) value = 0;  // a suffix must always read back as a number
  if (value == 0) value = 0;             // no "-0"
  std::array<char, 32> buf{};
  const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  return std::string(buf.data(), res.ptr);
}

std::optional<double> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const auto res = std::from_chars(first, last, value);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string AppendLayoutSuffix(const std::string& tag, const std::optional<Geometry>& box,
                               std::optional<double> fontSize) {
  std::string out = tag + ",#";
  if (box) {
    out += FormatNumber(box->left) + "#" + FormatNumber(box->top) + "#" +
           FormatNumber(box->width) + "#" + FormatNumber(box->height) + "#";
  }
  if (fontSize) out += FormatNumber(*fontSize) + "#";
  return out;
}

Geometry ParseLayoutSuffix(std::string_view tag) {
  std::array<double, 5> numbers{};
  size_t pos = tag.find('#');
  if (pos != std::string_view::npos) {
    ++pos;
    for (double& number : numbers) {
      const size_t next = tag.find('#', pos);
      if (next == std::string_view::npos) break;  // this and the following numbers stay 0
      number = ParseNumber(tag.substr(pos, next - pos)).value_or(0);
      pos = next + 1;
    }
  }
  return Geometry{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4]};
}

std::string_view TagWithoutSuffix(std::string_view tag) {
  const size_t hash = tag.find(",#");
  return hash == std::string_view::npos ? tag : tag.substr(0, hash);
}

Ratios ScaleRatios(double innerWidth, double innerHeight, int initialWidth, int initialHeight) {
  Ratios r;
  if (initialWidth > 0) r.x = std::max(0.0, innerWidth) / initialWidth;
  if (initialHeight > 0) r.y = std::max(0.0, innerHeight) / initialHeight;
  return r;
}

Geometry ScaleGeometry(const Geometry& design, Ratios ratios, bool keepHeight) {
  Geometry g;
  g.left = ratios.x * design.left;
  g.top = ratios.y * design.top;
  g.width = ratios.x * design.width;
  g.height = keepHeight ? design.height : ratios.y * design.height;
  g.fontSize = std::min(ratios.x, ratios.y) * design.fontSize;
  return g;
}

bool IsListName(std::string_view controlName) { return controlName.substr(0, 3) == "cbo"; }

}  // namespace qrt::layout
