// The binder: shows a whole image in the window's controls, and the three
// click handlers through which the tagged controls write their fields.
//
// The binder sets controls through SetCheck/SetListIndex on purpose: their
// handlers must run, exactly as for a user change, so that the fields that
// follow a control (the derived baud bytes, the lockout bit 3, the logo font
// code) are consistent with what the window shows.
#include <exception>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "editor/BoundControls.h"
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

}  // namespace

void Editor::init_ctl() {
  // Steps 1 to 10: any error stops the binding with code 1.
  try {
    read_capcode();

    for (const BoundControl& row : BoundControls()) {
      const std::optional<FieldTag> tag = ParseFieldTag(row.tag);
      if (!tag) continue;
      const CtlRef ref{row.array, row.index};
      switch (tag->kind) {
        case FieldKind::chk:
          SetCheck(ref, GetField(image(), tag->address, tag->bit, tag->width));
          break;
        case FieldKind::chkN:
          SetCheck(ref, GetField(image(), tag->address, tag->bit, tag->width) == 0 ? 1 : 0);
          break;
        case FieldKind::chkSource: {
          const int v = GetField(image(), tag->address, tag->bit, tag->width) == 1 ? 1 : 0;
          SetCheck(ref, v);
          if (TextState* field = Text(CtlRef{Ctl::txtPrompt, row.index})) field->enabled = v == 1;
          break;
        }
        case FieldKind::cbo:
        case FieldKind::cboBaud:
          SetListIndex(ref, GetField(image(), tag->address, tag->bit, tag->width));
          break;
        default: break;  // "Lng" has its own rule below; unknown kinds are skipped
      }
    }

    const bool rdKeys = chkCtl[17].value == 1;
    chkCtl[3].visible = rdKeys;
    chkCtl[21].visible = rdKeys;

    const uint8_t slc = image()[0x3C];
    int slcEntry = 0;
    if (slc & 0x04)
      slcEntry = 5;
    else if (slc & 0x08)
      slcEntry = (slc & 0x03) + 1;
    SetListIndex(CtlRef{Ctl::cboSLC, 0}, slcEntry);

    const uint8_t orc = image()[0x3D];
    SetListIndex(CtlRef{Ctl::cboORC, 0}, (orc & 0x08) ? ((orc >> 1) & 0x03) + 1 : 0);

    if (const std::optional<FieldTag> logo = TagOf(Ctl::cboLogo, 0)) {
      const int v = GetField(image(), logo->address, logo->bit, logo->width);
      int entry = -1;
      switch (v) {
        case 0: case 1: entry = 0; break;
        case 2: entry = 1; break;
        case 5: entry = 2; break;
        case 6: entry = 3; break;
        case 8: entry = 4; break;
        default: break;  // an unknown font code leaves the list as it was
      }
      if (entry >= 0) SetListIndex(CtlRef{Ctl::cboLogo, 0}, entry);
    }

    {
      // The language handler sees the flag, clears it and keeps its hands off
      // the prompts that were just read.
      DecodingScope decoding(state);
      int entry = -1;
      switch (GetField(image(), 0x3E, 0, 4)) {
        case 0: case 1: case 2: entry = 0; break;
        case 5: entry = 1; break;
        case 6: entry = 2; break;
        case 8: entry = 3; break;
        default: break;
      }
      if (entry >= 0) SetListIndex(CtlRef{Ctl::cboLng, 0}, entry);
    }

    Set_PromptEd_Width();

    const uint8_t contrast = image()[0x89];
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
        const int c = image()[0x78 + n];
        if (c == 32) continue;
        if (c < 7 || c > 13) throw std::out_of_range("pager menu code " + std::to_string(c));
        SetCheck(CtlRef{Ctl::chkMenu, c - 7}, 0);
      }
    }
  } catch (const std::exception&) {
    state.DecodeError = 1;
    return;
  }

  // Step 11: the decoders. Those with a code of their own record it and the
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
  if (const std::optional<FieldTag> tag = TagOf(Ctl::chkCtl, index)) {
    const int v = chkCtl.at(index).value;
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
  if (const std::optional<FieldTag> tag = TagOf(Ctl::cboCtl, index)) {
    if (tag->kind == FieldKind::cbo) {
      SetField(image(), tag->address, tag->bit, tag->width, s);
    } else if (tag->kind == FieldKind::cboBaud) {
      SetField(image(), tag->address, tag->bit, tag->width, s);
      if (s < static_cast<int>(std::size(kBaudBytes))) {
        const BaudBytes& b = kBaudBytes[s];
        SetField(image(), 0x61, 0, 2, b.low61);
        image()[0x62] = static_cast<uint8_t>(b.byte62);
        SetField(image(), 0x63, 6, 2, b.high63);
      }
    }
  }
  if (index == 3) chkCtl[20].visible = s != 0;  // the lamp follows "Direct" display only
}

void Editor::chkSource_Click(int index) {
  const int v = chkSource.at(index).value;
  if (const std::optional<FieldTag> tag = TagOf(Ctl::chkSource, index))
    SetField(image(), tag->address, tag->bit, tag->width, v);
  if (TextState* field = Text(CtlRef{Ctl::txtPrompt, index})) field->enabled = v == 1;
}

}  // namespace qrt
