// The capcode fields "Cap #1" to "Cap #8" and the pager password field.
#include "editor/Capcode.h"
#include "editor/Editor.h"

namespace qrt {

void Editor::read_capcode() {
  try {
    for (int i = 0; i < kCapcodeCount; ++i) txtAddr[i].text = CapcodeText(DecodeCapcode(image(), i));
  } catch (const std::exception&) {
    state.DecodeError = 2;
  }
}

// Runs on every key release, so the record follows the text while it is
// typed; the zero-padded form is shown when the field loses the focus.
void Editor::txtAddr_KeyUp(int index, int /*keyCode*/, int /*shift*/) {
  if (index < 0 || index >= kCapcodeCount) return;
  const CapcodeEntry entry = CheckCapcodeEntry(txtAddr[index].text);
  switch (entry.check) {
    case EntryCheck::Empty:
      return;
    case EntryCheck::NotNumeric:
    case EntryCheck::OutOfRange:
      msg.Show(entry.check == EntryCheck::NotNumeric ? kMsgCapcodeNotNumeric : kMsgCapcodeRange,
               MsgIcon::Warning);
      read_capcode();
      SetFocus({Ctl::txtAddr, index});
      return;
    case EntryCheck::Accepted:
      StoreCapcode(image(), index, entry.value);
      return;
  }
}

void Editor::read_pass() {
  txtPass.text.clear();
  try {
    txtPass.text = PasswordText(image());
  } catch (const std::exception&) {
    state.DecodeError = 9;
  }
}

void Editor::txtPass_KeyUp() {
  const PasswordEntry entry = CheckPasswordEntry(txtPass.text);
  switch (entry.check) {
    case EntryCheck::Empty:
      return;
    case EntryCheck::NotNumeric:
    case EntryCheck::OutOfRange:
      msg.Show(entry.check == EntryCheck::NotNumeric ? kMsgPasswordNotNumeric : kMsgPasswordRange,
               MsgIcon::Warning);
      read_pass();
      SetFocus({Ctl::txtPass, 0});
      return;
    case EntryCheck::Accepted:
      StorePasswordDigits(image(), entry.digits);
      return;
  }
}

}  // namespace qrt
