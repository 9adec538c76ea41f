#include "controls/Edge.h"

namespace qrt {
namespace {

struct BorderShades {
  EdgeShade topLeft;
  EdgeShade bottomRight;
};

// Outer border: bits 0 (raised) and 1 (sunken); inner border: bits 2 and 3.
std::optional<BorderShades> OuterShades(int edge) {
  if (edge & BDR_RAISEDOUTER) return BorderShades{EdgeShade::Light, EdgeShade::DarkShadow};
  if (edge & BDR_SUNKENOUTER) return BorderShades{EdgeShade::Shadow, EdgeShade::Highlight};
  return std::nullopt;
}

std::optional<BorderShades> InnerShades(int edge) {
  if (edge & BDR_RAISEDINNER) return BorderShades{EdgeShade::Highlight, EdgeShade::Shadow};
  if (edge & BDR_SUNKENINNER) return BorderShades{EdgeShade::DarkShadow, EdgeShade::Light};
  return std::nullopt;
}

void AddBorder(std::vector<EdgeStroke>& out, const BorderShades& s, int flags, int left, int top,
               int right, int bottom) {
  const int lastX = right - 1;
  const int lastY = bottom - 1;
  if (lastX < left || lastY < top) return;  // nothing left to draw on
  if ((flags & BF_TOP) && lastX - 1 >= left) out.push_back({left, top, lastX - 1, top, s.topLeft});
  if ((flags & BF_LEFT) && lastY - 1 >= top) out.push_back({left, top, left, lastY - 1, s.topLeft});
  if (flags & BF_BOTTOM) out.push_back({left, lastY, lastX, lastY, s.bottomRight});
  if (flags & BF_RIGHT) out.push_back({lastX, top, lastX, lastY, s.bottomRight});
}

}  // namespace

std::vector<EdgeStroke> EdgeStrokes(int edge, int flags, int left, int top, int right, int bottom) {
  std::vector<EdgeStroke> out;
  if (const auto outer = OuterShades(edge)) {
    AddBorder(out, *outer, flags, left, top, right, bottom);
    if (flags & BF_LEFT) ++left;
    if (flags & BF_TOP) ++top;
    if (flags & BF_RIGHT) --right;
    if (flags & BF_BOTTOM) --bottom;
  }
  if (const auto inner = InnerShades(edge)) AddBorder(out, *inner, flags, left, top, right, bottom);
  return out;
}

std::optional<int> SystemColorIndex(uint32_t color) {
  if (!(color & kSystemColorFlag)) return std::nullopt;
  return static_cast<int>(color & 0xFFu);
}

std::optional<Rgb> PlainColor(uint32_t color) {
  if (color & kSystemColorFlag) return std::nullopt;
  return Rgb{static_cast<uint8_t>(color & 0xFFu), static_cast<uint8_t>((color >> 8) & 0xFFu),
             static_cast<uint8_t>((color >> 16) & 0xFFu)};
}

}  // namespace qrt
