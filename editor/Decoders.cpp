// The display decoders of the Freq. & Codes page: compact status texts made
// from the per-capcode function bytes and the alert bytes, and the lists of
// the battery gauge and the alert tone. Each traps its own errors and leaves
// its decode error code, so that the binder goes on with the next decoder.
#include <exception>
#include <string>

#include "base/Numbers.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

constexpr int kTypeBase = 0x370;     // message type of capcode i, function bit k: + 4i + k
constexpr int kDispBase = 0x390;     // display type, same layout
constexpr int kPriorityBase = 0x32;  // priority bits, two capcodes per byte
constexpr int kPersonalAlert = 0x90;
constexpr int kMailAlertBase = 0x91;
constexpr int kMailEnableBase = 0x37;
constexpr int kPersonalMemory = 0x6C;
constexpr int kMailMemoryBase = 0x1E;

// Memory shares are stored in quarter kilobytes and shown as whole kilobytes
// with at least two digits. A share of 4n + 2 (n.5 KB) is rounded up.
std::string MemoryText(uint8_t quarters) {
  const int kb = (quarters + 2) / 4;
  std::string text = std::to_string(kb);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  return text;
}

// Selects the first entry whose item value is `code`; a code the list does
// not have leaves the selection as it was.
void SelectByCode(Editor& editor, CtlRef ref, int code) {
  const ListState* list = editor.List(ref);
  for (size_t i = 0; i < list->itemData.size(); ++i) {
    if (list->itemData[i] == code) {
      editor.SetListIndex(ref, static_cast<int>(i));
      return;
    }
  }
}

}  // namespace

void Editor::read_Disp() {
  try {
    static constexpr char kLetters[] = "NPAIT";  // display codes 0..4
    for (int i = 0; i < 8; ++i) {
      std::string text;
      for (int k = 0; k < 4; ++k) {
        const uint8_t b = image().at(kDispBase + 4 * i + k);
        text += b < 5 ? kLetters[b] : '-';
      }
      tlblDisp[i].text = text;
    }
  } catch (const std::exception&) {
    state.DecodeError = 6;
  }
}

void Editor::read_Type() {
  try {
    for (int i = 0; i < 8; ++i) {
      std::string text;
      for (int k = 0; k < 4; ++k) {
        const uint8_t b = image().at(kTypeBase + 4 * i + k);
        if (b == 0)
          text += 'P';
        else if (b == 255)
          text += 'G';
        else
          text += HexText(b);
      }
      tlblType[i].text = text;
    }
  } catch (const std::exception&) {
    state.DecodeError = 7;
  }
}

void Editor::read_Pri() {
  try {
    for (int i = 0; i < 8; ++i) {
      std::string text;
      for (int k = 0; k < 4; ++k)
        text += GetField(image(), kPriorityBase + i / 2, 4 * (i % 2) + k, 1) ? 'v' : '-';
      tlblPri[i].text = text;
    }
  } catch (const std::exception&) {
    state.DecodeError = 8;
  }
}

void Editor::read_Alert() {
  try {
    switch (image().at(kPersonalAlert)) {
      case 2: lblLength[0].text = "02"; break;
      case 8: lblLength[0].text = "08"; break;
      case 16: lblLength[0].text = "16"; break;
      case 32: lblLength[0].text = "32"; break;
      case 0: lblLength[0].text = "CT"; break;
      default: break;  // a code the grid cannot show leaves the cell
    }
    for (int j = 0; j < 15; ++j) {
      LabelState& cell = lblLength[j + 1];
      if (GetField(image(), kMailEnableBase + j / 8, j % 8, 1) != 1) {
        cell.text = "--";
        continue;
      }
      switch (image().at(kMailAlertBase + j)) {
        case 0: cell.text = "BP"; break;
        case 1: cell.text = "01"; break;
        case 16: cell.text = "16"; break;
        default: break;
      }
    }
    lblMemory[0].text = MemoryText(image().at(kPersonalMemory));
    // Mail drop 15 has no memory byte; its cell keeps its design text.
    for (int j = 0; j < 14; ++j) lblMemory[j + 1].text = MemoryText(image().at(kMailMemoryBase + j));
  } catch (const std::exception&) {
    state.DecodeError = 11;
  }
}

void Editor::read_BatLev() {
  try {
    for (int i = 0; i < 3; ++i) SelectByCode(*this, CtlRef{Ctl::cboBatLev, i}, image().at(0x8D + i));
  } catch (const std::exception&) {
    state.DecodeError = 10;
  }
}

void Editor::read_SetAlarm() {
  // No code of its own: a failure here is reported as a binder failure.
  try {
    SelectByCode(*this, CtlRef{Ctl::cboTone, 0}, image().at(0x2E));
  } catch (const std::exception&) {
    state.DecodeError = 1;
  }
}

}  // namespace qrt
