#pragma once
// Qt-free state of the editor's controls. The widgets are a view of these:
// they forward user actions to the Editor and redraw from what it holds.
#include <cstdint>
#include <string>
#include <vector>

namespace qrt {

struct ControlState {
  bool exists = true;   // false for the gaps of sparse control arrays
  bool enabled = true;
  bool visible = true;
  // Write Mode lock, kept apart from `enabled` so that unlocking gives back
  // exactly what the other rules (source prompts, binder) left in `enabled`,
  // and so that the binder running in Write Mode cannot unlock a field.
  bool locked = false;
  // What the view shows as enabled, and whether the control takes input.
  bool usable() const { return exists && enabled && !locked; }
};

struct CheckBoxState : ControlState {
  int value = 0;  // 0 cleared, 1 checked
};

struct ListState : ControlState {
  std::vector<std::string> entries;  // UTF-8 display texts
  std::vector<int> itemData;         // item values (codes) where a list has them
  int index = -1;                    // selected entry, -1 none
};

struct TextState : ControlState {
  std::string text;       // UTF-8
  int maxLength = 0;      // 0: unlimited
  bool bold = false;
  int measureSpaces = 0;  // field width = width of this many spaces in its font (0: design width)
  std::string tooltip;
};

struct LabelState : ControlState {
  std::string text;
  uint32_t color = 0;  // 0x00BBGGRR
  std::string tooltip;
};

// Identifies one control of the main window, for focus and generic dispatch.
enum class Ctl : uint8_t {
  None,
  picTabBack,
  chkCtl, cboCtl, chkSource, chkMenu,
  txtPrompt, txtAddr, txtPass, txtFreq,
  cboDft, cboLng, cboLogo, cboBatLev, cboORC, cboSLC, cboSource, cboTone,
  Slider1, optAuto1, optAuto2,
  optLeft, optCenter, optRight, optDefault,
  cmdFunc, cmdAlert, WriteOpt, ModifyOpt,
};

struct CtlRef {
  Ctl array = Ctl::None;
  int index = 0;
  bool operator==(const CtlRef&) const = default;
};

}  // namespace qrt
