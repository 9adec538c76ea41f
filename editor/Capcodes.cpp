// The capcode fields "Cap #1" to "Cap #8" and the pager password field.
#include "codecs/Capcode.h"
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
EditOutcome Editor::txtAddr_KeyUp(int index, int /*keyCode*/, int /*shift*/) { return StoreCapcodeField(index); }

EditOutcome Editor::StoreCapcodeField(int index) {
  if (index < 0 || index >= kCapcodeCount) return EditOutcome::Stored();
  const CapcodeEntry entry = CheckCapcodeEntry(txtAddr[index].text);
  switch (entry.check) {
    case EntryCheck::Empty:
      break;
    case EntryCheck::NotNumeric:
    case EntryCheck::OutOfRange: {
      const std::string_view message =
          entry.check == EntryCheck::NotNumeric ? kMsgCapcodeNotNumeric : kMsgCapcodeRange;
      msg.Show(message, MsgIcon::Warning);
      read_capcode();
      SetFocus({Ctl::txtAddr, index});
      return EditOutcome::Refused(message);
    }
    case EntryCheck::Accepted:
      StoreCapcode(image(), index, entry.value);
      break;
  }
  return EditOutcome::Stored();
}

bool Editor::CapcodeOn(int slot) const {
  return slot >= 1 && slot <= kCapcodeCount && CapcodeEnabled(state.PagerImage, slot - 1);
}

void Editor::read_pass() {
  txtPass.text.clear();
  try {
    txtPass.text = PasswordText(image());
  } catch (const std::exception&) {
    state.DecodeError = 9;
  }
}

EditOutcome Editor::txtPass_KeyUp() {
  const PasswordEntry entry = CheckPasswordEntry(txtPass.text);
  switch (entry.check) {
    case EntryCheck::Empty:
      break;
    case EntryCheck::NotNumeric:
    case EntryCheck::OutOfRange: {
      const std::string_view message =
          entry.check == EntryCheck::NotNumeric ? kMsgPasswordNotNumeric : kMsgPasswordRange;
      msg.Show(message, MsgIcon::Warning);
      read_pass();
      SetFocus({Ctl::txtPass, 0});
      return EditOutcome::Refused(message);
    }
    case EntryCheck::Accepted:
      StorePasswordDigits(image(), entry.digits);
      break;
  }
  return EditOutcome::Stored();
}

}  // namespace qrt
