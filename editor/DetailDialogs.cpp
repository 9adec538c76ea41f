#include "editor/DetailDialogs.h"

#include <stdexcept>

#include "base/Numbers.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

constexpr int kTypeBase = 0x370;
constexpr int kDispBase = 0x390;
constexpr int kPriorityBase = 0x32;
constexpr int kPersonalAlert = 0x90;
constexpr int kMailAlertBase = 0x91;
constexpr int kMailEnableBase = 0x37;
constexpr int kGroupType = 255;
constexpr int kGroupEntry = 16;

constexpr std::array<std::string_view, 6> kDispEntries = {"STD Numeric", "PRC Numeric", "Alpha",
                                                          "Ideo",        "Tone Only",   "Disable"};
constexpr std::array<int, 5> kPersonalCodes = {2, 8, 16, 32, 0};
constexpr std::array<std::string_view, 5> kPersonalEntries = {"2 sec", "8 sec", "16 sec", "32 sec",
                                                              "continuos"};
constexpr std::array<int, 3> kMailCodes = {0, 1, 16};  // entries 1..3; entry 0 disables the drop
constexpr std::array<std::string_view, 4> kMailEntries = {"Disable", "Beep", "1 sec", "16 sec"};

// 1..15 as the pager names it: 1..9, A..F.
std::string DropName(int drop) { return HexText(static_cast<uint32_t>(drop)); }

void CheckEntry(const ListState& list, int index) {
  if (index < -1 || index >= static_cast<int>(list.entries.size()))
    throw std::out_of_range("list has no entry " + std::to_string(index));
}

void CheckSlot(int k, int count) {
  if (k < 0 || k >= count) throw std::out_of_range("no such control element " + std::to_string(k));
}

template <size_t N>
int IndexOf(const std::array<int, N>& codes, int code) {
  for (size_t i = 0; i < N; ++i)
    if (codes[i] == code) return static_cast<int>(i);
  return -1;
}

}  // namespace

// --------------------------------------------------------------------- Form5

Form5::Form5(Editor& editor) : editor_(editor) {
  for (auto& list : cboDisp) list.entries.assign(kDispEntries.begin(), kDispEntries.end());
  for (auto& list : cboType) {
    list.entries.clear();
    list.entries.emplace_back("Personal");
    for (int drop = 1; drop <= 15; ++drop) list.entries.push_back("Mail Drop " + DropName(drop));
    list.entries.emplace_back("Group");
  }
}

int Form5::Capcode() const {
  const int c = editor_.state.SelectedCapcode;
  return c >= 0 && c < 8 ? c : -1;
}

void Form5::Open() {
  const int c = Capcode();
  for (auto& l : cboDisp) l.index = -1;
  for (auto& l : cboType) l.index = -1;
  for (auto& b : chkPri) b.value = 0;
  if (c < 0) {
    Label3.text.clear();
    return;
  }
  Label3.text = "#" + std::to_string(c + 1);
  const Image& image = editor_.image();
  loading = true;
  for (int k = 0; k < 4; ++k) {
    const int b = image[kDispBase + 4 * c + k];
    if (b < static_cast<int>(kDispEntries.size())) {
      cboDisp[k].index = b;
      cboDisp_Click(k);
    }
  }
  for (int k = 0; k < 4; ++k) {
    const int b = image[kTypeBase + 4 * c + k];
    const int entry = b == kGroupType ? kGroupEntry : b;
    if (entry <= kGroupEntry) {
      cboType[k].index = entry;
      cboType_Click(k);
    }
  }
  // The priority boxes have no loading check: their handler stores what was
  // just read and refreshes the main window.
  for (int k = 0; k < 4; ++k) {
    chkPri[k].value = GetField(image, kPriorityBase + c / 2, 4 * (c % 2) + k, 1);
    chkPri_Click(k);
  }
  loading = false;
}

void Form5::SelectDisp(int k, int index) {
  CheckSlot(k, 4);
  CheckEntry(cboDisp[k], index);
  cboDisp[k].index = index;
  if (index >= 0) cboDisp_Click(k);
}

void Form5::SelectType(int k, int index) {
  CheckSlot(k, 4);
  CheckEntry(cboType[k], index);
  cboType[k].index = index;
  if (index >= 0) cboType_Click(k);
}

void Form5::SetPri(int k, int value) {
  CheckSlot(k, 4);
  if (value != 0 && value != 1) throw std::out_of_range("check box value " + std::to_string(value));
  chkPri[k].value = value;
  chkPri_Click(k);
}

void Form5::cboDisp_Click(int k) {
  if (loading) return;
  const int c = Capcode();
  const int e = cboDisp.at(k).index;
  if (c < 0 || e < 0) return;
  editor_.image()[kDispBase + 4 * c + k] = static_cast<uint8_t>(e);
  editor_.read_Disp();
}

void Form5::cboType_Click(int k) {
  if (loading) return;
  const int c = Capcode();
  const int e = cboType.at(k).index;
  if (c < 0 || e < 0) return;
  editor_.image()[kTypeBase + 4 * c + k] = static_cast<uint8_t>(e == kGroupEntry ? kGroupType : e);
  editor_.read_Type();
}

void Form5::chkPri_Click(int k) {
  const int c = Capcode();
  if (c < 0) return;
  SetField(editor_.image(), kPriorityBase + c / 2, 4 * (c % 2) + k, 1, chkPri.at(k).value);
  editor_.read_Pri();
}

// --------------------------------------------------------------------- Form6

Form6::Form6(Editor& editor) : editor_(editor) {
  cboPersonal.entries.assign(kPersonalEntries.begin(), kPersonalEntries.end());
  cboPersonal.itemData.assign(kPersonalCodes.begin(), kPersonalCodes.end());
  for (int j = 0; j < 15; ++j) {
    cboMailAler[j].entries.assign(kMailEntries.begin(), kMailEntries.end());
    mailLabels[j] = "Mail Drop " + DropName(j + 1);
  }
}

void Form6::Open() {
  const Image& image = editor_.image();
  // Each selection runs its handler, which stores the same values again and
  // refreshes the main window's grid; a code the list lacks selects nothing
  // and writes nothing.
  SelectPersonal(IndexOf(kPersonalCodes, image[kPersonalAlert]));
  for (int j = 0; j < 15; ++j) {
    int entry = 0;
    if (GetField(image, kMailEnableBase + j / 8, j % 8, 1) == 1) {
      const int pos = IndexOf(kMailCodes, image[kMailAlertBase + j]);
      entry = pos < 0 ? -1 : pos + 1;
    }
    SelectMail(j, entry);
  }
}

void Form6::SelectPersonal(int index) {
  CheckEntry(cboPersonal, index);
  cboPersonal.index = index;
  if (index >= 0) cboPersonal_Click();
}

void Form6::SelectMail(int j, int index) {
  CheckSlot(j, 15);
  CheckEntry(cboMailAler[j], index);
  cboMailAler[j].index = index;
  if (index >= 0) cboMailAler_Click(j);
}

void Form6::cboPersonal_Click() {
  const int e = cboPersonal.index;
  if (e < 0) return;
  editor_.image()[kPersonalAlert] = static_cast<uint8_t>(kPersonalCodes.at(e));
  editor_.read_Alert();
}

void Form6::cboMailAler_Click(int j) {
  const int e = cboMailAler.at(j).index;
  if (e < 0) return;
  Image& image = editor_.image();
  if (e == 0) {
    SetField(image, kMailEnableBase + j / 8, j % 8, 1, 0);  // the drop's alert byte is kept
  } else {
    SetField(image, kMailEnableBase + j / 8, j % 8, 1, 1);
    image[kMailAlertBase + j] = static_cast<uint8_t>(kMailCodes.at(e - 1));
  }
  editor_.read_Alert();
}

}  // namespace qrt
