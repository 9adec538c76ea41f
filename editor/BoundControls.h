#pragma once
// The one declarative table of the main window's bound controls and prompt
// fields, with their field tags: the binder, the widgets, the command line and
// the tests all read it.
#include <optional>
#include <span>
#include <string_view>

#include "editor/Controls.h"
#include "image/FieldTags.h"

namespace qrt {


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
