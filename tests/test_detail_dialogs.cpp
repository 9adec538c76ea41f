// The function bit dialog and the alert length dialog.
#include <gtest/gtest.h>

#include <random>

#include "editor/DetailDialogs.h"
#include "support/EditorRig.h"

namespace qrt {
namespace {

using testing::Differences;
using testing::EditorRig;

std::vector<std::string> ChangesOutside(Image before, Image after, std::initializer_list<int> addresses) {
  for (int a : addresses) after[a] = before[a];
  return Differences(before, after);
}

// Addresses of capcode c's function bit k, written from the pager's memory map.
struct FunBit {
  int disp, type, priByte, priBit;
};
FunBit AddressesOf(int c, int k) {
  const int typeRow[8] = {0x370, 0x374, 0x378, 0x37C, 0x380, 0x384, 0x388, 0x38C};
  const int dispRow[8] = {0x390, 0x394, 0x398, 0x39C, 0x3A0, 0x3A4, 0x3A8, 0x3AC};
  const int priByte[8] = {0x32, 0x32, 0x33, 0x33, 0x34, 0x34, 0x35, 0x35};
  const int priBit0[8] = {0, 4, 0, 4, 0, 4, 0, 4};
  return {dispRow[c] + k, typeRow[c] + k, priByte[c], priBit0[c] + k};
}

TEST(FunctionBitDialog, ThirdCapcodeBitC) {
  EditorRig rig;
  rig.state.SelectedCapcode = 2;
  Form5 dialog(rig.ed);
  dialog.Open();
  EXPECT_EQ(dialog.Label3.text, "#3");
  dialog.SelectDisp(2, 1);
  dialog.SelectType(2, 7);
  dialog.SetPri(2, 1);
  EXPECT_EQ(rig.img()[0x39A], 1);
  EXPECT_EQ(rig.img()[0x37A], 7);
  EXPECT_EQ(rig.img()[0x33] & 0x04, 0x04);
  rig.state.SelectedCapcode = 3;
  Form5 fourth(rig.ed);
  fourth.Open();
  fourth.SetPri(0, 1);
  EXPECT_EQ(rig.img()[0x33] & 0x10, 0x10);
}

TEST(FunctionBitDialog, EveryCapcodeAndFunctionBitWritesItsOwnBytes) {
  for (int c = 0; c < 8; ++c) {
    for (int k = 0; k < 4; ++k) {
      const FunBit at = AddressesOf(c, k);
      EditorRig rig;
      rig.state.SelectedCapcode = c;
      Form5 dialog(rig.ed);
      dialog.Open();
      EXPECT_EQ(dialog.Label3.text, "#" + std::to_string(c + 1));

      Image before = rig.img();
      dialog.SelectDisp(k, 4);  // "Tone Only"
      EXPECT_EQ(rig.img()[at.disp], 4);
      EXPECT_EQ(ChangesOutside(before, rig.img(), {at.disp}), std::vector<std::string>{});
      EXPECT_EQ(rig.ed.tlblDisp[c].text[k], 'T') << "the main window follows";

      before = rig.img();
      dialog.SelectType(k, 16);  // "Group"
      EXPECT_EQ(rig.img()[at.type], 255);
      EXPECT_EQ(ChangesOutside(before, rig.img(), {at.type}), std::vector<std::string>{});
      EXPECT_EQ(rig.ed.tlblType[c].text[k], 'G');

      before = rig.img();
      dialog.SetPri(k, 1);
      EXPECT_EQ(rig.img()[at.priByte], before[at.priByte] | (1 << at.priBit));
      EXPECT_EQ(ChangesOutside(before, rig.img(), {at.priByte}), std::vector<std::string>{});
      EXPECT_EQ(rig.ed.tlblPri[c].text[k], 'v');
      dialog.SetPri(k, 0);
      EXPECT_EQ(rig.img()[at.priByte], before[at.priByte] & ~(1 << at.priBit));
    }
  }
}

TEST(FunctionBitDialog, TypeEntries) {
  struct Row {
    int entry;
    uint8_t stored;
  };
  for (const Row r : {Row{0, 0}, Row{1, 1}, Row{9, 9}, Row{10, 10}, Row{15, 15}, Row{16, 255}}) {
    EditorRig rig;
    rig.state.SelectedCapcode = 6;
    Form5 dialog(rig.ed);
    dialog.Open();
    dialog.SelectType(3, r.entry);
    EXPECT_EQ(rig.img()[0x370 + 24 + 3], r.stored);
  }
}

TEST(FunctionBitDialog, OpenShowsTheImage) {
  EditorRig rig;
  rig.state.SelectedCapcode = 5;
  const int d[4] = {0, 5, 2, 3};
  const int t[4] = {16, 255, 0, 15};
  const int entryOfType[4] = {16, 16, 0, 15};
  for (int k = 0; k < 4; ++k) {
    rig.img()[0x390 + 20 + k] = static_cast<uint8_t>(d[k]);
    rig.img()[0x370 + 20 + k] = static_cast<uint8_t>(t[k]);
  }
  rig.img()[0x34] = 0xA0;  // capcode 5 is the high nibble: bits B and D
  Form5 dialog(rig.ed);
  dialog.Open();
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(dialog.cboDisp[k].index, d[k]);
    EXPECT_EQ(dialog.cboType[k].index, entryOfType[k]);
    EXPECT_EQ(dialog.chkPri[k].value, k == 1 || k == 3 ? 1 : 0);
  }
  EXPECT_FALSE(dialog.loading);
  ASSERT_EQ(dialog.cboType[0].entries.size(), 17u);
  EXPECT_EQ(dialog.cboType[0].entries[10], "Mail Drop A");
  EXPECT_EQ(dialog.cboDisp[0].entries[5], "Disable");
}

TEST(FunctionBitDialog, UnshowableBytesLeaveTheListEmptyAndUntouched) {
  EditorRig rig;
  rig.state.SelectedCapcode = 0;
  rig.img()[0x390] = 6;
  rig.img()[0x391] = 200;
  rig.img()[0x370] = 17;
  rig.img()[0x371] = 254;
  const Image before = rig.img();
  Form5 dialog(rig.ed);
  ASSERT_NO_THROW(dialog.Open());
  EXPECT_EQ(dialog.cboDisp[0].index, -1);
  EXPECT_EQ(dialog.cboDisp[1].index, -1);
  EXPECT_EQ(dialog.cboType[0].index, -1);
  EXPECT_EQ(dialog.cboType[1].index, -1);
  EXPECT_EQ(dialog.cboDisp[2].index, before[0x392]);
  EXPECT_EQ(before, rig.img());
  dialog.SelectDisp(0, 1);  // the list still works
  EXPECT_EQ(rig.img()[0x390], 1);
}

// Opening either dialog must leave every byte as it was, whatever the image.
TEST(DetailDialogs, OpeningChangesNoByte) {
  std::mt19937 rng(4711);
  for (int round = 0; round < 40; ++round) {
    EditorRig rig;
    for (int a = 0x32; a <= 0x38; ++a) rig.img()[a] = static_cast<uint8_t>(rng());
    for (int a = 0x90; a <= 0x9F; ++a) rig.img()[a] = static_cast<uint8_t>(std::array{0, 1, 2, 8, 16, 32, 7}[rng() % 7]);
    for (int a = 0x370; a < 0x3B0; ++a) rig.img()[a] = static_cast<uint8_t>(rng() % 3 ? rng() % 18 : rng());
    const Image before = rig.img();
    for (int c = 0; c < 8; ++c) {
      rig.state.SelectedCapcode = c;
      Form5 dialog(rig.ed);
      dialog.Open();
    }
    Form6 alert(rig.ed);
    alert.Open();
    EXPECT_EQ(Differences(before, rig.img()), std::vector<std::string>{}) << "round " << round;
  }
}

TEST(AlertDialog, PersonalAlertLength) {
  struct Row {
    int entry;
    uint8_t code;
    const char* cell;
  };
  for (const Row r : {Row{0, 2, "02"}, Row{1, 8, "08"}, Row{2, 16, "16"}, Row{3, 32, "32"}, Row{4, 0, "CT"}}) {
    EditorRig rig;
    Form6 dialog(rig.ed);
    dialog.Open();
    const Image before = rig.img();
    dialog.SelectPersonal(r.entry);
    EXPECT_EQ(rig.img()[0x90], r.code);
    EXPECT_EQ(ChangesOutside(before, rig.img(), {0x90}), std::vector<std::string>{});
    EXPECT_EQ(rig.ed.lblLength[0].text, r.cell);

    Form6 again(rig.ed);
    again.Open();
    EXPECT_EQ(again.cboPersonal.index, r.entry);
  }
  EditorRig rig;
  Form6 dialog(rig.ed);
  EXPECT_EQ(dialog.cboPersonal.entries[4], "continuos");
}

TEST(AlertDialog, MailDropEntries) {
  struct Row {
    int entry;
    int enabled;
    int code;  // -1: alert byte kept
    const char* cell;
  };
  for (const Row r : {Row{1, 1, 0, "BP"}, Row{2, 1, 1, "01"}, Row{3, 1, 16, "16"}, Row{0, 0, -1, "--"}}) {
    for (int j = 0; j < 15; ++j) {
      EditorRig rig;
      rig.img()[0x91 + j] = 0x33;
      Form6 dialog(rig.ed);
      dialog.Open();
      const Image before = rig.img();
      const int enableByte = j < 8 ? 0x37 : 0x38;
      const int enableBit = j < 8 ? j : j - 8;
      dialog.SelectMail(j, r.entry);
      EXPECT_EQ((rig.img()[enableByte] >> enableBit) & 1, r.enabled) << "drop " << j + 1;
      EXPECT_EQ(rig.img()[0x91 + j], r.code < 0 ? 0x33 : r.code) << "drop " << j + 1;
      EXPECT_EQ(ChangesOutside(before, rig.img(), {enableByte, 0x91 + j}), std::vector<std::string>{});
      EXPECT_EQ(rig.img()[enableByte] & ~(1 << enableBit), before[enableByte] & ~(1 << enableBit));
      EXPECT_EQ(rig.ed.lblLength[j + 1].text, r.cell);
    }
  }
}

TEST(AlertDialog, DisablingDropTenKeepsItsAlertByte) {
  EditorRig rig;
  rig.img()[0x38] = 0xFF;
  rig.img()[0x9A] = 16;
  Form6 dialog(rig.ed);
  dialog.Open();
  EXPECT_EQ(dialog.cboMailAler[9].index, 3);
  EXPECT_EQ(dialog.mailLabels[9], "Mail Drop A");
  dialog.SelectMail(9, 0);
  EXPECT_EQ(rig.img()[0x38], 0xFD);
  EXPECT_EQ(rig.img()[0x9A], 16);
  EXPECT_EQ(rig.ed.lblLength[10].text, "--");
}

TEST(AlertDialog, UnknownCodesOpenWithoutSelection) {
  EditorRig rig;
  rig.img()[0x90] = 5;
  rig.img()[0x37] = 0x01;
  rig.img()[0x91] = 2;
  const Image before = rig.img();
  Form6 dialog(rig.ed);
  dialog.Open();
  EXPECT_EQ(dialog.cboPersonal.index, -1);
  EXPECT_EQ(dialog.cboMailAler[0].index, -1);
  EXPECT_EQ(dialog.cboMailAler[1].index, 0) << "disabled drop";
  EXPECT_EQ(before, rig.img());
}

TEST(FunctionBitDialog, SixteenIsAMailDropOnTheMainWindowButGroupInTheDialog) {
  EditorRig rig;
  rig.state.SelectedCapcode = 1;
  rig.img()[0x374] = 16;
  rig.ed.read_Type();
  EXPECT_EQ(rig.ed.tlblType[1].text.substr(0, 2), "10");
  Form5 dialog(rig.ed);
  dialog.Open();
  EXPECT_EQ(dialog.cboType[0].index, 16);
  EXPECT_EQ(rig.img()[0x374], 16) << "opening keeps the byte";
  dialog.SelectType(0, 16);
  EXPECT_EQ(rig.img()[0x374], 255);
}

}  // namespace
}  // namespace qrt
