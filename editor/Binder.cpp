// The binder: shows a whole image in the window's controls, and the three
// click handlers through which the tagged controls write their fields.
//
// The binder sets controls through SetCheck/SetListIndex, so their handlers
// run exactly as for a user change (visibility of dependent controls, the
// source prompt fields' enabled state, the battery warning), and they run even
// when a control's state does not change, so that what the window shows never
// depends on what it showed before. While the binder runs, a handler stores
// only where its control's new state differs from what the field already
// holds: showing an image never changes a byte of it. A pager read and written
// back unchanged into a second pager must make a clone, even when a field holds
// a value the window shows the same as another (a lockout byte with bit 2 but
// not bit 3, derived baud bytes of another rate, a whole-byte box holding 5).
#include <exception>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "editor/BoundControls.h"
#include "editor/BoundFields.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

std::optional<FieldTag> TagOf(Ctl array, int index) {
  const BoundControl* row = FindBoundControl(array, index);
  if (!row) return std::nullopt;
  return ParseFieldTag(row->tag);
}

// Bytes that follow the baud list: 0x061 bits 0-1, 0x062 and 0x063 bits 6-7.
struct BaudBytes {
  int low61;
  int byte62;
  int high63;
};
constexpr BaudBytes kBaudBytes[] = {
    {1, 0x01, 0},  // 512 bps
    {2, 0x41, 2},  // 1200 bps
    {3, 0xF3, 1},  // 2400 bps
};

// A contrast byte whose grey level 5v no longer fits a colour byte.
constexpr int kContrastColourLimit = 52;

// Keeps DecodingFlag set for a block and clears it however the block ends:
// a flag left set would make the next language or band choice of the user
// vanish without a trace.
class DecodingScope {
 public:
  explicit DecodingScope(AppState& s) : s_(s) { s_.DecodingFlag = true; }
  ~DecodingScope() { s_.DecodingFlag = false; }
  DecodingScope(const DecodingScope&) = delete;
  DecodingScope& operator=(const DecodingScope&) = delete;

 private:
  AppState& s_;
};

// Marks the editor as showing an image for a block, however the block ends.
class BindingScope {
 public:
  explicit BindingScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  ~BindingScope() { flag_ = before_; }
  BindingScope(const BindingScope&) = delete;
  BindingScope& operator=(const BindingScope&) = delete;

 private:
  bool& flag_;
  bool before_;
};

}  // namespace

void Editor::init_ctl() {
  const BindingScope showing(binding_);
  // The controls, set from their fields: the capcodes, every tagged box and
  // list, the lamp-dependent boxes, the lockout, out-of-service, logo font and
  // language lists, the prompt field widths, the contrast slider and the
  // pager-menu boxes. Any error here stops the binding with code 1.
  try {
    read_capcode();

    for (const BoundControl& row : BoundControls()) {
      const std::optional<FieldTag> tag = ParseFieldTag(row.tag);
      if (!tag) continue;
      const CtlRef ref{row.array, row.index};
      switch (tag->kind) {
        case FieldKind::chk:
        case FieldKind::chkN:
          SetCheck(ref, CheckStateOf(image(), *tag));
          break;
        case FieldKind::chkSource: {
          const int v = CheckStateOf(image(), *tag);
          SetCheck(ref, v);
          if (TextState* field = Text(CtlRef{Ctl::txtPrompt, row.index})) field->enabled = v == 1;
          break;
        }
        case FieldKind::cbo:
        case FieldKind::cboBaud:
          SetListIndex(ref, ListEntryOf(image(), *tag));
          break;
        default: break;  // "Lng" has its own rule below; unknown kinds are skipped
      }
    }

    const bool rdKeys = chkCtl[17].value == 1;
    chkCtl[3].visible = rdKeys;
    chkCtl[21].visible = rdKeys;

    SetListIndex(CtlRef{Ctl::cboSLC, 0}, LockoutEntry(image()[addr::kLockout]));
    SetListIndex(CtlRef{Ctl::cboORC, 0}, OutOfServiceEntry(image()[addr::kOutOfService]));

    // An unknown font or language code leaves its list as it was.
    if (const std::optional<FieldTag> logo = TagOf(Ctl::cboLogo, 0)) {
      const std::optional<int> entry = LogoFontEntryOf(GetField(image(), logo->address, logo->bit, logo->width));
      if (entry) SetListIndex(CtlRef{Ctl::cboLogo, 0}, *entry);
    }

    {
      // The language handler sees the flag, clears it and keeps its hands off
      // the prompts that were just read.
      DecodingScope decoding(state);
      const std::optional<int> entry = LanguageEntryOf(GetField(image(), addr::kPromptLanguage, 0, 4));
      if (entry) SetListIndex(CtlRef{Ctl::cboLng, 0}, *entry);
    }

    Set_PromptEd_Width();

    const uint8_t contrast = image()[addr::kContrast];
    state.ContrastReference = contrast;
    SetSliderValue(contrast);
    if (contrast >= kContrastColourLimit)
      throw std::overflow_error("contrast grey level does not fit a colour byte");
    const uint32_t grey = 5u * contrast;
    lblContrast.color = grey | grey << 8 | grey << 16;
    lblValue.text = std::to_string(Slider1.Value);

    {
      DecodingScope decoding(state);
      for (int b = 0; b < 7; ++b) SetCheck(CtlRef{Ctl::chkMenu, b}, 1);
      for (int n = 0; n < 7; ++n) {
        const int c = image()[addr::kMenuList + n];
        if (c == 32) continue;
        if (c < 7 || c > 13) throw std::out_of_range("pager menu code " + std::to_string(c));
        SetCheck(CtlRef{Ctl::chkMenu, c - 7}, 0);
      }
    }
  } catch (const std::exception&) {
    state.DecodeError = 1;
    return;
  }

  // Then the decoders. Those with a code of their own record it and the
  // binding goes on; an error in one without a code ends the binding with 1.
  auto withCode = [this](int code, void (Editor::*decoder)()) {
    try {
      (this->*decoder)();
    } catch (const std::exception&) {
      state.DecodeError = static_cast<int16_t>(code);
    }
  };
  auto fatal = [this](void (Editor::*decoder)()) {
    try {
      (this->*decoder)();
      return true;
    } catch (const std::exception&) {
      state.DecodeError = 1;
      return false;
    }
  };

  withCode(3, &Editor::read_BaseFreq);
  if (!fatal(&Editor::read_freq)) return;
  if (!fatal(&Editor::read_prompt)) return;
  withCode(5, &Editor::read_SourcePrompt);
  withCode(6, &Editor::read_Disp);
  withCode(7, &Editor::read_Type);
  withCode(8, &Editor::read_Pri);
  withCode(9, &Editor::read_pass);
  withCode(10, &Editor::read_BatLev);
  withCode(11, &Editor::read_Alert);
  fatal(&Editor::read_SetAlarm);
}

void Editor::chkCtl_Click(int index) {
  const std::optional<FieldTag> tag = TagOf(Ctl::chkCtl, index);
  const int v = chkCtl.at(index).value;
  if (tag && StoresState(v == CheckStateOf(image(), *tag))) {
    if (tag->kind == FieldKind::chkN)
      SetField(image(), tag->address, tag->bit, tag->width, v != 1 ? 1 : 0);
    else
      SetField(image(), tag->address, tag->bit, tag->width, v);
  }
  // Byte 0x35A (first character of the "CHIRP OFF" prompt) is deliberately
  // left alone here: writing the lamp state into it would change prompt text
  // the user never touched.
  if (index == 17) {
    const bool lamp = chkCtl[17].value == 1;
    chkCtl[3].visible = lamp;
    chkCtl[21].visible = lamp;
  }
}

void Editor::cboCtl_Click(int index) {
  const int s = cboCtl.at(index).index;
  if (s < 0) return;
  const std::optional<FieldTag> tag = TagOf(Ctl::cboCtl, index);
  const bool listField = tag && (tag->kind == FieldKind::cbo || tag->kind == FieldKind::cboBaud);
  // The derived baud bytes follow a choice of rate; a rate shown from an
  // image keeps the bytes the image holds.
  if (listField && StoresState(s == ListEntryOf(image(), *tag))) {
    if (tag->kind == FieldKind::cbo) {
      SetField(image(), tag->address, tag->bit, tag->width, s);
    } else if (tag->kind == FieldKind::cboBaud) {
      SetField(image(), tag->address, tag->bit, tag->width, s);
      if (s < static_cast<int>(std::size(kBaudBytes))) {
        const BaudBytes& b = kBaudBytes[s];
        SetField(image(), addr::kBaud, 0, 2, b.low61);
        image()[addr::kBaudFollower62] = static_cast<uint8_t>(b.byte62);
        SetField(image(), addr::kBaudFollower63, 6, 2, b.high63);
      }
    }
  }
  if (index == 3) chkCtl[20].visible = s != 0;  // the lamp follows "Direct" display only
}

void Editor::chkSource_Click(int index) {
  const int v = chkSource.at(index).value;
  const std::optional<FieldTag> tag = TagOf(Ctl::chkSource, index);
  if (tag && StoresState(v == CheckStateOf(image(), *tag))) SetField(image(), tag->address, tag->bit, tag->width, v);
  if (TextState* field = Text(CtlRef{Ctl::txtPrompt, index})) field->enabled = v == 1;
}

}  // namespace qrt
