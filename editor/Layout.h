#pragma once
// Proportional layout of the main window. At load every control's design
// geometry (twips) and font size are appended to its tag as a layout suffix
// ",#Left#Top#Width#Height#FontSize#"; on every resize each control is placed
// again from that suffix, scaled by the ratio of the window's inner size to
// its inner size at load. Working from the suffix, never from the current
// geometry, is what keeps repeated resizes from drifting. A drop-down list's
// height then follows its font rather than the window (FitHeight).
//
// Numbers in the suffix are written in the shortest decimal form that reads
// back to the same double ('.' as the decimal point, whatever the user's
// locale), so a geometry survives the round trip through the tag exactly.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrt::layout {

struct Geometry {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  double fontSize = 0;  // points; 0 for a control without a font
  bool operator==(const Geometry&) const = default;
};

// Locale-independent, round-trip exact number text ("1530", "8.25", "-0.5").
std::string FormatNumber(double value);
// Reads a whole FormatNumber text; nullopt for anything else (empty, trailing junk).
std::optional<double> ParseNumber(std::string_view text);

// tag + ",#"; then Left#Top#Width#Height# when the control has a position and
// a size; then FontSize# when it has a font. A control that lacks one of the two
// property groups gets nothing for it, as the window load does.
std::string AppendLayoutSuffix(const std::string& tag, const std::optional<Geometry>& box,
                               std::optional<double> fontSize);

// The five numbers after the first '#' of a tag: Left, Top, Width, Height, font
// size. A number whose '#' is missing reads as 0, and so does one that is not a
// number: a malformed suffix never stops the layout of the other controls.
Geometry ParseLayoutSuffix(std::string_view tag);

// The part of a tag in front of its layout suffix (the field tag itself).
std::string_view TagWithoutSuffix(std::string_view tag);

struct Ratios {
  double x = 1;
  double y = 1;
};

// x = inner width / initial width, y = inner height / initial height. A window
// minimized to an inner size of 0 gives ratio 0 (everything shrinks to nothing,
// no error); an initial size of 0, which no shown window has, gives ratio 1 so
// that no division by zero can reach the geometry.
Ratios ScaleRatios(double innerWidth, double innerHeight, int initialWidth, int initialHeight);

// The geometry of a control at the given ratios, from its design geometry:
// left and width by x, top and height by y, the font by min(x, y).
Geometry ScaleGeometry(const Geometry& design, Ratios ratios);

// A vertical stretch of a container: from `top` to `bottom`, in the units
// of the geometry it belongs to.
struct Band {
  double top = 0;
  double bottom = 0;
  bool operator==(const Band&) const = default;
};

// The room a control has above and below it at the design size: its own box
// and half the gap to the nearest sibling above and below that shares some
// of its width (the neighbour may take the other half), or the whole way to
// the container's top (0) and `containerHeight` where there is none.
// Siblings that overlap the control itself are not neighbours.
Band VerticalRoom(const std::vector<Geometry>& siblings, size_t index, double containerHeight);

// The room at the given ratios: the design room scaled by y.
Band ScaleBand(Band design, Ratios ratios);

// A drop-down list's height follows its font, not the window's height: it
// takes `neededHeight` (what its scaled font needs) when its scaled room
// allows, otherwise the whole room; it stays centred on its scaled design
// centre, so that its text stays on the line of the label beside it, and
// inside its room, so that it covers neither the control above nor the one
// below and never leaves its container.
Geometry FitHeight(const Geometry& scaled, double neededHeight, Band scaledRoom);

// The height a list needs at its scaled font: its design height, grown or
// shrunk by what the font's change does to the list's natural height
// (`hintAtFont` against `hintAtDesignFont`). At the design font it is the
// design height exactly.
double NeededListHeight(double designHeight, double hintAtDesignFont, double hintAtFont);

// Drop-down lists are the controls whose names begin with "cbo".
bool IsListName(std::string_view controlName);

}  // namespace qrt::layout
