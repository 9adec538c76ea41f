#pragma once
// Three-dimensional edges and colours of the custom controls, worked out
// without any drawing library: the widgets only draw the strokes listed here.
#include <cstdint>
#include <optional>
#include <vector>

namespace qrt {

// Edge types: an outer and an inner border, each raised or sunken.
inline constexpr int BDR_RAISEDOUTER = 0x1;
inline constexpr int BDR_SUNKENOUTER = 0x2;
inline constexpr int BDR_RAISEDINNER = 0x4;
inline constexpr int BDR_SUNKENINNER = 0x8;
inline constexpr int EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr int EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr int EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr int EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

// Which sides to draw.
inline constexpr int BF_LEFT = 0x1;
inline constexpr int BF_TOP = 0x2;
inline constexpr int BF_RIGHT = 0x4;
inline constexpr int BF_BOTTOM = 0x8;
inline constexpr int BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;

// The four shades of a 3-D border, from lightest to darkest.
enum class EdgeShade { Highlight, Light, Shadow, DarkShadow };

// A horizontal or vertical run of pixels, both ends included.
struct EdgeStroke {
  int x1, y1, x2, y2;
  EdgeShade shade;
  bool operator==(const EdgeStroke&) const = default;
};

// The strokes that draw `edge` on the sides `flags` of the pixel rectangle
// (left, top) .. (right, bottom), right and bottom exclusive. The outer border
// lies on the rectangle's edge, the inner one a pixel further in. Top and left
// take the lighter shade of a raised border and the darker one of a sunken
// border; bottom and right the other way round, and they own the corners
// they share with top and left. An edge type of 0 draws nothing; a border with
// both the raised and the sunken bit counts as raised.
std::vector<EdgeStroke> EdgeStrokes(int edge, int flags, int left, int top, int right, int bottom);

// Colours are 0x00BBGGRR; 0x80000000 + n names system colour n.
inline constexpr uint32_t kSystemColorFlag = 0x80000000u;
inline constexpr uint32_t kButtonFaceColor = 0x8000000Fu;

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// n for a system colour 0x80000000 + n, nothing for a plain colour.
std::optional<int> SystemColorIndex(uint32_t color);
// The red, green and blue parts of a plain colour; nothing for a system colour.
std::optional<Rgb> PlainColor(uint32_t color);

}  // namespace qrt
