// The Pager menu commands around the transfer dialog, and Write Mode.
#include <gtest/gtest.h>

#include <map>

#include "support/EditorRig.h"

namespace qrt {
namespace {

using testing::EditorRig;

const std::vector<std::string> kReadCalls = {"Timer1 off", "Form2", "Timer1 on"};
const std::vector<std::string> kWriteCalls = {"Timer1 off", "Form2", "Timer1 on", "ParkBus"};

// Makes the image French and puts an é (Windows-1252 0xE9, pager 0x7B) into
// the text of prompt 1.
void FrenchPromptWithAccent(EditorRig& rig) {
  rig.ed.UserSelect({Ctl::cboLng, 0}, 2);
  rig.ed.UserEditText({Ctl::txtPrompt, 1}, "\xC3\xA9t\xC3\xA9");
  rig.ed.SetFocus({Ctl::picTabBack, 0});
  ASSERT_EQ(rig.img()[0x116], 0xE9);
}

TEST(PagerCommand, ReadRunsTheDialogBetweenTimerStopAndRestart) {
  EditorRig rig;
  int mode = -1;
  int eventsBefore = -1;
  rig.host.onTransfer = [&] {
    mode = rig.state.TransferMode;
    eventsBefore = rig.host.doEvents;
  };
  rig.state.TransferMode = 2;
  rig.ed.PagerCommand(0);
  EXPECT_EQ(rig.host.calls, kReadCalls);
  EXPECT_EQ(mode, 0);
  EXPECT_GT(eventsBefore, 0) << "pending events run before the dialog";
}

TEST(PagerCommand, WriteConvertsThePromptsAroundTheDialogAndRebinds) {
  EditorRig rig;
  FrenchPromptWithAccent(rig);
  uint8_t duringTransfer = 0;
  int mode = -1;
  rig.host.onTransfer = [&] {
    duringTransfer = rig.img()[0x116];
    mode = rig.state.TransferMode;
    rig.img()[0x39] |= 0x80;  // the pager's own answer: "Disp Source Addr ON"
  };
  ASSERT_EQ(rig.ed.chkCtl[0].value, 0);
  rig.ed.PagerCommand(1);
  EXPECT_EQ(rig.host.calls, kWriteCalls);
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(duringTransfer, 0x7B) << "the pager gets its own character set";
  EXPECT_EQ(rig.img()[0x116], 0xE9) << "and the editor gets the display form back";
  EXPECT_EQ(rig.ed.chkCtl[0].value, 1) << "the window is decoded again after a write";
}

TEST(PagerCommand, VerifyConvertsButDoesNotRebind) {
  EditorRig rig;
  FrenchPromptWithAccent(rig);
  uint8_t duringTransfer = 0;
  rig.host.onTransfer = [&] {
    duringTransfer = rig.img()[0x116];
    rig.img()[0x39] |= 0x80;
  };
  rig.ed.PagerCommand(2);
  EXPECT_EQ(rig.host.calls, kReadCalls);
  EXPECT_EQ(rig.state.TransferMode, 2);
  EXPECT_EQ(duringTransfer, 0x7B);
  EXPECT_EQ(rig.img()[0x116], 0xE9);
  EXPECT_EQ(rig.ed.chkCtl[0].value, 0) << "no decoding after a verify";
}

TEST(PagerCommand, ReadDoesNotConvert) {
  EditorRig rig;
  FrenchPromptWithAccent(rig);
  uint8_t duringTransfer = 0;
  rig.host.onTransfer = [&] { duringTransfer = rig.img()[0x116]; };
  rig.ed.PagerCommand(0);
  EXPECT_EQ(duringTransfer, 0xE9);
}

TEST(PagerCommand, DialogFailureStillRestoresDisplayFormTimerAndBus) {
  EditorRig rig;
  FrenchPromptWithAccent(rig);
  rig.host.onTransfer = [] { throw std::runtime_error("dialog failed"); };
  EXPECT_THROW(rig.ed.PagerCommand(1), std::runtime_error);
  EXPECT_EQ(rig.img()[0x116], 0xE9);
  EXPECT_EQ(rig.host.calls, kWriteCalls);
}

TEST(PagerCommand, RefusedFrequencyCancelsOneCommand) {
  for (int mode : {0, 1, 2}) {
    EditorRig rig;
    rig.ed.UserEditText({Ctl::txtFreq, 0}, "2000000");
    rig.ed.PagerCommand(mode);
    ASSERT_EQ(rig.msg.Texts(),
              std::vector<std::string>{"Frequency setting error(1300000 < = Frequency < =1800000 )"});
    EXPECT_EQ(rig.host.Count("Form2"), 0) << "mode " << mode;
    EXPECT_FALSE(rig.state.FreqRejected);
    EXPECT_EQ(rig.host.Count("Timer1 on"), 1);
    EXPECT_EQ(rig.host.Count("ParkBus"), mode == 1 ? 1 : 0);
    EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::txtFreq, 0})) << "the focus is back in the field";

    rig.ed.UserEditText({Ctl::txtFreq, 0}, "1540000");
    rig.ed.PagerCommand(mode);
    EXPECT_EQ(rig.host.Count("Form2"), 1) << "the corrected entry goes through";
    EXPECT_EQ(rig.msg.log.size(), 1u);
    EXPECT_EQ(GetBE32(rig.img(), 0x68), 1540000u);
  }
}

TEST(PagerCommand, FocusedFieldStoresItsEntryFirst) {
  EditorRig rig;
  rig.ed.UserEditText({Ctl::txtPrompt, 4}, "FREE");
  uint8_t count = 0;
  rig.host.onTransfer = [&] { count = rig.img()[0x151]; };
  rig.ed.PagerCommand(1);
  EXPECT_EQ(count, 4);
}

// ----------------------------------------------------------------- Write Mode

// Every control of the window, with whether Write Mode locks it.
std::vector<std::pair<CtlRef, bool>> AllControls(Editor& ed) {
  std::vector<std::pair<CtlRef, bool>> out;
  auto add = [&](Ctl array, int count, bool locks) {
    for (int i = 0; i < count; ++i)
      if (ed.Control({array, i})) out.push_back({{array, i}, locks});
  };
  add(Ctl::chkCtl, 55, true);
  add(Ctl::cboCtl, 10, true);
  add(Ctl::chkSource, 65, true);
  add(Ctl::chkMenu, 7, true);
  add(Ctl::txtPrompt, 69, true);
  add(Ctl::txtAddr, 8, true);
  add(Ctl::txtPass, 1, true);
  add(Ctl::txtFreq, 1, true);
  for (Ctl c : {Ctl::cboDft, Ctl::cboLng, Ctl::cboLogo, Ctl::cboORC, Ctl::cboSLC, Ctl::cboSource, Ctl::cboTone,
                Ctl::optAuto1, Ctl::optAuto2, Ctl::cmdAlert})
    add(c, 1, true);
  add(Ctl::cboBatLev, 3, true);
  add(Ctl::optLeft, 3, true);
  add(Ctl::optCenter, 3, true);
  add(Ctl::optRight, 3, true);
  add(Ctl::optDefault, 2, true);
  add(Ctl::cmdFunc, 8, true);
  add(Ctl::Slider1, 1, false);
  add(Ctl::WriteOpt, 1, false);
  add(Ctl::ModifyOpt, 1, false);
  add(Ctl::picTabBack, 1, false);
  return out;
}

std::map<std::pair<int, int>, bool> Usable(Editor& ed) {
  std::map<std::pair<int, int>, bool> out;
  for (const auto& [ref, locks] : AllControls(ed))
    out[{static_cast<int>(ref.array), ref.index}] = ed.Control(ref)->usable();
  return out;
}

TEST(WriteMode, LocksExactlyTheEditingControlsAndModifyModeRestoresThem) {
  EditorRig rig;
  rig.ed.UserSelect({Ctl::cboSource, 0}, 1);
  rig.ed.UserSetCheck({Ctl::chkSource, 33}, 1);
  ASSERT_TRUE(rig.ed.txtPrompt[33].usable());
  ASSERT_FALSE(rig.ed.txtPrompt[34].usable());
  const auto before = Usable(rig.ed);
  EXPECT_EQ(AllControls(rig.ed).size(), 30u + 6 + 32 + 7 + 67 + 8 + 2 + 10 + 3 + 11 + 8 + 4);

  rig.ed.Click({Ctl::WriteOpt, 0});
  EXPECT_TRUE(rig.ed.writeMode);
  for (const auto& [ref, locks] : AllControls(rig.ed))
    EXPECT_EQ(rig.ed.Control(ref)->usable(), !locks) << int(ref.array) << "(" << ref.index << ")";

  // A write in Write Mode decodes the window again; nothing may come unlocked.
  rig.ed.WindowKeyPress(' ');
  ASSERT_EQ(rig.host.Count("Form2"), 1);
  for (const auto& [ref, locks] : AllControls(rig.ed)) {
    if (locks) {
      EXPECT_FALSE(rig.ed.Control(ref)->usable()) << int(ref.array) << "(" << ref.index << ")";
    }
  }

  rig.ed.Click({Ctl::ModifyOpt, 0});
  EXPECT_FALSE(rig.ed.writeMode);
  EXPECT_EQ(Usable(rig.ed), before);
}

TEST(WriteMode, LockedControlsIgnoreTheUser) {
  EditorRig rig;
  rig.ed.Click({Ctl::WriteOpt, 0});
  const Image before = rig.img();
  rig.ed.UserSetCheck({Ctl::chkCtl, 0}, 1);
  rig.ed.UserSelect({Ctl::cboTone, 0}, 3);
  rig.ed.UserEditText({Ctl::txtAddr, 0}, "99");
  rig.ed.Click({Ctl::optRight, 1});
  rig.ed.Click({Ctl::cmdFunc, 2});
  rig.ed.Click({Ctl::optDefault, 0});
  EXPECT_EQ(before, rig.img());
  EXPECT_EQ(rig.host.Count("Form5"), 0);
  rig.ed.UserSetSlider(7);
  EXPECT_EQ(rig.img()[0x89], 7) << "the slider stays enabled";
}

TEST(WriteMode, SpaceBarWritesOnlyInWriteMode) {
  EditorRig rig;
  EXPECT_FALSE(rig.ed.WindowKeyPress(' '));
  EXPECT_EQ(rig.host.Count("Form2"), 0);
  rig.ed.Click({Ctl::WriteOpt, 0});
  EXPECT_TRUE(rig.ed.WindowKeyPress(' '));
  EXPECT_TRUE(rig.ed.WindowKeyPress(' '));
  EXPECT_EQ(rig.host.Count("Form2"), 2);
  EXPECT_EQ(rig.state.TransferMode, 1);
  EXPECT_FALSE(rig.ed.WindowKeyPress('a'));
  EXPECT_EQ(rig.host.Count("Form2"), 2);
}

TEST(WriteMode, KeysOnTheWriteModeButton) {
  EditorRig rig;
  rig.ed.Click({Ctl::WriteOpt, 0});
  for (int n = 1; n <= 3; ++n) {
    EXPECT_TRUE(rig.ed.KeyPress({Ctl::WriteOpt, 0}, ' '));
    EXPECT_EQ(rig.host.Count("Form2"), n) << "one write per press";
    EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::WriteOpt, 0}));
  }
  EXPECT_FALSE(rig.ed.KeyPress({Ctl::WriteOpt, 0}, 'x'));
  EXPECT_EQ(rig.host.Count("Form2"), 3);
  EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::WriteOpt, 0}));
  EXPECT_EQ(rig.host.Count("ParkBus"), 3);
}

TEST(WriteMode, SpaceInAFieldStartsAWriteAndNeverReachesIt) {
  EditorRig rig;
  rig.ed.SetFocus({Ctl::txtPrompt, 3});
  rig.ed.Click({Ctl::WriteOpt, 0});
  EXPECT_TRUE(rig.ed.KeyPress({Ctl::txtPrompt, 3}, ' '));
  EXPECT_EQ(rig.host.Count("Form2"), 1);
}

TEST(WriteMode, ModifyModeSpaceIsAnOrdinaryKey) {
  EditorRig rig;
  rig.ed.Click({Ctl::WriteOpt, 0});
  rig.ed.Click({Ctl::ModifyOpt, 0});
  rig.ed.SetFocus({Ctl::txtPrompt, 3});
  EXPECT_FALSE(rig.ed.KeyPress({Ctl::txtPrompt, 3}, ' '));
  EXPECT_EQ(rig.host.Count("Form2"), 0);
}

}  // namespace
}  // namespace qrt
