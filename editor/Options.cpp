// Handlers of the controls that need more than one bit field: battery gauge,
// timers, source prompt mode, alert tone, the pager's own menu, contrast,
// auto increase, prompt alignment and the buttons of the detail dialogs.
#include <string>
#include <string_view>

#include "codecs/ListTables.h"
#include "editor/BoundFields.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

// Number of characters of a UTF-8 text (continuation bytes do not count).
int CharCount(std::string_view text) {
  int n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string TrimSpaces(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

int SelectedCode(const ListState& list) {
  if (list.index < 0 || list.index >= static_cast<int>(list.itemData.size())) return -1;
  return list.itemData[list.index];
}

}  // namespace

void Editor::cboBatLev_Click(int index) {
  const int code = SelectedCode(cboBatLev.at(index));
  if (code < 0) return;
  if (StoresState(code == image()[kBatLevAddress + index]))
    image()[kBatLevAddress + index] = static_cast<uint8_t>(code);
  // The pager reads the thresholds as Low < Med < High; the choice is kept
  // either way, the user is only told.
  const uint8_t low = image()[kBatLevAddress];
  const uint8_t med = image()[kBatLevAddress + 1];
  const uint8_t high = image()[kBatLevAddress + 2];
  if (!(low < med && med < high)) msg.Show(kBatLevWarning, MsgIcon::Error);
}

void Editor::cboORC_Click() {
  const int e = cboORC.index;
  if (e < 0 || !StoresState(e == OutOfServiceEntry(image()[addr::kOutOfService]))) return;
  if (e == 0) {
    SetField(image(), addr::kOutOfService, 3, 1, 0);
  } else {
    SetField(image(), addr::kOutOfService, 3, 1, 1);
    SetField(image(), addr::kOutOfService, 1, 2, e - 1);
  }
}

void Editor::cboSLC_Click() {
  const int e = cboSLC.index;
  if (e < 0 || !StoresState(e == LockoutEntry(image()[addr::kLockout]))) return;
  if (e == 5) {
    // "240 seconds" has a bit of its own; bits 0-1 keep their value.
    SetField(image(), addr::kLockout, 2, 1, 1);
    SetField(image(), addr::kLockout, 3, 1, 1);
    return;
  }
  SetField(image(), addr::kLockout, 2, 1, 0);
  if (e == 0) {
    SetField(image(), addr::kLockout, 3, 1, 0);
  } else {
    SetField(image(), addr::kLockout, 3, 1, 1);
    SetField(image(), addr::kLockout, 0, 2, e - 1);
  }
}

void Editor::cboSource_Click() {
  const int e = cboSource.index;
  if (e < 0) return;
  if (StoresState(e == SourceModeEntry(image()[addr::kSourceMode]))) {
    if (e == 0) {
      SetField(image(), addr::kSourceMode, 6, 1, 0);
    } else {
      SetField(image(), addr::kSourceMode, 6, 1, 1);
      SetField(image(), addr::kSourceMode, 5, 1, e - 1);
    }
  }
  // read_SourcePrompt shows the mode in this very list; when that runs this
  // handler again, the inner run only stores the same bits.
  if (sourceClickRunning_) return;
  sourceClickRunning_ = true;
  try {
    read_SourcePrompt();
  } catch (...) {
    sourceClickRunning_ = false;
    throw;
  }
  sourceClickRunning_ = false;
}

void Editor::cboTone_Click() {
  const int code = SelectedCode(cboTone);
  if (code < 0 || !StoresState(code == image()[kToneAddress])) return;
  image()[kToneAddress] = static_cast<uint8_t>(code);
}

void Editor::chkMenu_Click(int /*index*/) {
  if (state.DecodingFlag) return;
  // The items still in the menu stand right-aligned in ascending order; the
  // free slots in front hold 32.
  int n = 6;
  for (int b = 6; b >= 0; --b) {
    if (chkMenu[b].value == 0) {
      image()[addr::kMenuList + n] = static_cast<uint8_t>(b + 7);
      --n;
    }
  }
  SetField(image(), addr::kOutOfService, 5, 1, n >= 0 ? 1 : 0);
  for (; n >= 0; --n) image()[addr::kMenuList + n] = kMenuEmptySlot;
  cboTone.visible = chkMenu[6].value == 1;
}

void Editor::Slider1_Changed() {
  const int v = Slider1.Value;
  // A contrast outside the slider's range is shown at the nearest end and
  // kept as it is until the user moves the slider.
  const bool store = StoresState(v == SliderPositionOf(image()[addr::kContrast], Slider1.Min, Slider1.Max));
  if (store) image()[addr::kContrast] = static_cast<uint8_t>(v);
  const int g = 80 - 10 * v;
  const uint32_t grey = g < 0 ? 0u : static_cast<uint32_t>(g);
  lblContrast.color = grey | grey << 8 | grey << 16;
  lblValue.text = std::to_string(v);
  host.DoEvents();
  // Only a contrast the user set counts as changed: a write then sends the
  // image's own byte 0x0E9 instead of the pager's.
  if (store && v != state.ContrastReference) state.ContrastChanged = true;
}

void Editor::optAuto1_Click() { state.AutoIncrement1 = optAuto1.value == 1; }
void Editor::optAuto2_Click() { state.AutoIncrement2 = optAuto2.value == 1; }

void Editor::AlignPrompt(int index, int mode) {
  if (index == 1) CurrentPrompt = 0;  // the buttons beside the logo act on the logo
  TextState* field = Text(CtlRef{Ctl::txtPrompt, CurrentPrompt});
  if (!field) return;
  // A field that cannot take the focus would never store the aligned text.
  const bool focusWanted = mode != 0 || state.WindowLoaded;
  if (focusWanted && !CanTakeFocus(CtlRef{Ctl::txtPrompt, CurrentPrompt})) return;
  const std::string s = TrimSpaces(field->text);
  // A text longer than the field (possible only when set from outside) gets
  // no padding rather than a negative count.
  int room = field->maxLength - CharCount(s);
  if (room < 0) room = 0;
  int pad = 0;
  if (mode == 0) pad = room / 2;
  if (mode > 0) pad = room;
  field->text = std::string(static_cast<size_t>(pad), ' ') + s;
  if (focusWanted) SetFocus(CtlRef{Ctl::txtPrompt, CurrentPrompt});
}

void Editor::optLeft_Click(int index) { AlignPrompt(index, -1); }
void Editor::optCenter_Click(int index) { AlignPrompt(index, 0); }
void Editor::optRight_Click(int index) { AlignPrompt(index, 1); }

void Editor::cmdAlert_Click() { host.ShowAlertLengthDialog(); }

void Editor::cmdFunc_Click(int index) {
  state.SelectedCapcode = index;
  host.ShowFunctionBitDialog();
}

}  // namespace qrt
