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

Geometry ScaleGeometry(const Geometry& design, Ratios ratios) {
  Geometry g;
  g.left = ratios.x * design.left;
  g.top = ratios.y * design.top;
  g.width = ratios.x * design.width;
  g.height = ratios.y * design.height;
  g.fontSize = std::min(ratios.x, ratios.y) * design.fontSize;
  return g;
}

Band VerticalRoom(const std::vector<Geometry>& siblings, size_t index, double containerHeight) {
  const Geometry& c = siblings.at(index);
  Band room{0, containerHeight};
  for (size_t j = 0; j < siblings.size(); ++j) {
    const Geometry& s = siblings[j];
    if (j == index || !(s.left < c.left + c.width && c.left < s.left + s.width)) continue;
    // Half the gap to each neighbour: the neighbour may take the other half.
    if (s.top + s.height <= c.top)
      room.top = std::max(room.top, (s.top + s.height + c.top) / 2);
    else if (s.top >= c.top + c.height)
      room.bottom = std::min(room.bottom, (c.top + c.height + s.top) / 2);
  }
  // The control's own box is always room, even one that sticks out of its container.
  room.top = std::min(room.top, c.top);
  room.bottom = std::max(room.bottom, c.top + c.height);
  return room;
}

Band ScaleBand(Band design, Ratios ratios) { return Band{ratios.y * design.top, ratios.y * design.bottom}; }

Geometry FitHeight(const Geometry& scaled, double neededHeight, Band scaledRoom) {
  Geometry g = scaled;
  const double available = std::max(0.0, scaledRoom.bottom - scaledRoom.top);
  const double height = std::isfinite(neededHeight) ? std::clamp(neededHeight, 0.0, available) : scaled.height;
  if (height == scaled.height && scaled.top >= scaledRoom.top && scaled.top + height <= scaledRoom.bottom)
    return g;  // exactly the scaled box, without rounding through the centre
  g.height = height;
  const double centre = scaled.top + scaled.height / 2;
  g.top = std::clamp(centre - height / 2, scaledRoom.top, std::max(scaledRoom.top, scaledRoom.bottom - height));
  return g;
}

double NeededListHeight(double designHeight, double hintAtDesignFont, double hintAtFont) {
  return std::max(0.0, designHeight + hintAtFont - hintAtDesignFont);
}

bool IsListName(std::string_view controlName) { return controlName.substr(0, 3) == "cbo"; }

}  // namespace qrt::layout
