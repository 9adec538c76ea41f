#pragma once
// What the main window shows, read off the editor's controls after an image
// has been bound: one named setting per control or status text, grouped by
// the tab page it sits on. Names of bound controls are the stable names of
// the field tag table (editor/BoundControls.h); the other names are given
// here, in the one table beside it. The command line's `show` prints these,
// `set --option` finds controls by them, `diff` compares two lists of them.
//
// Every setting also names the image bits its value is shown from (the bound
// controls from their field tags, the prompts from their 20-byte records, the
// rest where they are collected), so that `diff` can tell which differing
// bytes no setting shows.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/PagerImage.h"

namespace qrt {

class Editor;

// Names of controls that have no field tag.
inline constexpr std::string_view kMenuBoxNames[] = {  // chkMenu(0..6)
    "zoom_in_out_off", "set_scroll_off", "set_time_off", "set_alarm_off",
    "auto_sleep_off",  "pager_off_disable", "set_alert_off"};
inline constexpr std::string_view kBatteryListNames[] = {  // cboBatLev(0..2)
    "battery_level_low", "battery_level_med", "battery_level_high"};

// One image byte and the bits of it a setting is shown from.
struct ShownBits {
  int address;
  uint8_t mask;
};

struct Setting {
  enum class Type {
    Text,    // a text field or status text
    Flag,    // a check box
    Number,  // the contrast slider
    Entry,   // a list: the selected entry's text; `noEntry` when nothing is selected
    Prompt,  // a prompt text field: text with its leading spaces, and whether it is enabled
  };
  std::string page;
  std::string name;
  Type type = Type::Text;
  std::string text;
  bool flag = false;
  long long number = 0;
  bool noEntry = false;
  bool visible = true;   // false: the window hides the control
  bool enabled = true;   // false: the window greys it out
  std::vector<ShownBits> bits;  // what of the image the value is shown from
};

// Every setting of the window, page by page, in the window's order.
std::vector<Setting> CollectSettings(const Editor& editor);

// The tab pages in the window's order.
const std::vector<std::string_view>& PageNames();

}  // namespace qrt
