#pragma once
// Field tags: the text a control carries that binds it to a bit field of the
// image ("&H39,3,1,chkN": address, first bit, width, kind), and the one
// declarative table of the main window's bound controls and prompt fields
// that the binder, the widgets and the command line all read.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "editor/Controls.h"

namespace qrt {

// How a control shows its field. `Other` is a four-part tag whose kind word is
// none of the known ones (compared exactly, case included): the binder skips
// it, and a check-box click still stores the box's state uninverted.
enum class FieldKind : uint8_t { chk, chkN, chkSource, cbo, cboBaud, Lng, Other };

struct FieldTag {
  int16_t address = 0;  // 0..32767; whether it lies inside the image is GetField's business
  uint8_t bit = 0;
  uint8_t width = 0;
  FieldKind kind = FieldKind::Other;
};

// Splits the tag at commas and converts the first four parts. nullopt when
// the tag has fewer than four parts (a prompt field, a page background "B")
// or when a number is malformed: the address not "&H" + hex digits or decimal
// digits, or above 32767; the bit or width not decimal digits, or above 255.
// Anything after the kind word (the layout suffix ",#...") is ignored. Never
// throws.
std::optional<FieldTag> ParseFieldTag(std::string_view tag);

// The two-part tag of a prompt text field: slot address and logo flag
// ("&H100,1", "276,0"). Anything after the second part is ignored; nullopt
// for fewer than two parts or a malformed number. Never throws.
struct PromptTag {
  int16_t address = 0;
  bool logo = false;
};
std::optional<PromptTag> ParsePromptTag(std::string_view tag);

// One number of a tag: "&H" (either case) + 1..4 hex digits, or decimal
// digits, no sign and no spaces, at most 32767. nullopt otherwise.
std::optional<int16_t> ParseTagAddress(std::string_view text);

std::string_view FieldKindName(FieldKind kind);

// ------------------------------------------------------------------ tables

inline constexpr std::string_view kPageFreqCodes = "Freq. & Codes";
inline constexpr std::string_view kPageAlertStatus = "Alert & Status";
inline constexpr std::string_view kPagePromptsEdit = "Prompts Edit";
inline constexpr std::string_view kPageSourcePrompts = "Source Prompts";

// A check box or list bound to a field by its tag, in the window's control order.
struct BoundControl {
  Ctl array;                  // Ctl::chkCtl, Ctl::cboCtl, Ctl::chkSource or Ctl::cboLogo
  int index;                  // element of the array (0 for cboLogo)
  std::string_view tag;       // the design tag, without layout suffix
  std::string_view caption;   // check box caption, or the label beside a list
  std::span<const std::string_view> entries;  // list entries, index 0 first; empty for boxes
  std::string_view tooltip;
  std::string_view page;
  std::string_view group;     // the frame around the control; empty for none
  std::string_view name;      // stable snake_case name for scripts
};

std::span<const BoundControl> BoundControls();
const BoundControl* FindBoundControl(Ctl array, int index);
const BoundControl* FindBoundControl(std::string_view name);

// A prompt text field txtPrompt(element): elements 0..65 and 68.
struct PromptField {
  int element;
  std::string_view tag;       // two-part tag: slot address, logo flag
  std::string_view caption;   // lblPrompt caption; empty for the logo
  std::string_view page;
  std::string_view name;      // stable snake_case name for scripts
};
inline constexpr std::string_view kLogoFieldLabel = "Power Up Logo";
inline constexpr int kPromptElementCount = 69;  // array size; 66 and 67 do not exist

std::span<const PromptField> PromptFields();
const PromptField* FindPromptField(int element);
const PromptField* FindPromptField(std::string_view name);

}  // namespace qrt
