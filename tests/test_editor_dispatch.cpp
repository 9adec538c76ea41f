// The editor's control model: which controls exist, focus, keys and the
// setters that run the handlers.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/EditorRig.h"

namespace qrt {
namespace {

using testing::EditorRig;

TEST(Controls, SparseArraysHaveExactlyTheWindowsElements) {
  EditorRig rig(false);
  const std::vector<int> boxes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 29, 30, 31,
                                  32, 33, 34, 35, 36, 37, 54};
  std::vector<int> present;
  for (int i = 0; i < 55; ++i)
    if (rig.ed.Check({Ctl::chkCtl, i})) present.push_back(i);
  EXPECT_EQ(present, boxes);

  present.clear();
  for (int i = 0; i < 10; ++i)
    if (rig.ed.List({Ctl::cboCtl, i})) present.push_back(i);
  EXPECT_EQ(present, (std::vector<int>{2, 3, 4, 5, 6, 9}));

  for (int i = 0; i < 65; ++i) EXPECT_EQ(rig.ed.Check({Ctl::chkSource, i}) != nullptr, i >= 33) << i;
  for (int i = 0; i < 69; ++i) EXPECT_EQ(rig.ed.Text({Ctl::txtPrompt, i}) != nullptr, i != 66 && i != 67) << i;
  EXPECT_EQ(rig.ed.Text({Ctl::txtPrompt, 69}), nullptr);
  EXPECT_EQ(rig.ed.Check({Ctl::chkMenu, 7}), nullptr);
  EXPECT_EQ(rig.ed.List({Ctl::cboDft, 1}), nullptr);
}

TEST(Controls, DesignState) {
  EditorRig rig(false);
  EXPECT_EQ(rig.ed.txtPrompt[0].maxLength, 14);
  EXPECT_EQ(rig.ed.txtPrompt[1].maxLength, 21);
  EXPECT_EQ(rig.ed.lblPrompt[1].text, "NO PAGES ------->");
  EXPECT_EQ(rig.ed.lblPrompt[13].text, "TONE ONLY ------> ");
  EXPECT_EQ(rig.ed.lblPrompt[68].text, "CHARGING-------->");
  EXPECT_EQ(rig.ed.lblPrompt[64].text, "Cap#8 Fun.Bit D");
  EXPECT_FALSE(rig.ed.cboTone.visible);
  EXPECT_FALSE(rig.ed.writeMode);
  EXPECT_EQ(rig.ed.lblMemory[15].text, "02");
  EXPECT_EQ(rig.ed.cboCtl[9].entries, (std::vector<std::string>{"512 bps", "1200 bps", "2400 bps"}));
  EXPECT_EQ(rig.ed.cboLng.entries[1], "Spainish");
  EXPECT_EQ(rig.ed.cboTone.itemData.back(), 49);
  EXPECT_EQ(rig.ed.cboBatLev[2].itemData[6], 192);
}

TEST(Setters, ListIndexMustExist) {
  EditorRig rig;
  EXPECT_THROW(rig.ed.SetListIndex({Ctl::cboORC, 0}, 5), std::out_of_range);
  EXPECT_THROW(rig.ed.SetListIndex({Ctl::cboORC, 0}, -2), std::out_of_range);
  EXPECT_THROW(rig.ed.SetListIndex({Ctl::cboCtl, 7}, 0), std::out_of_range);
  EXPECT_THROW(rig.ed.SetCheck({Ctl::chkCtl, 9}, 1), std::out_of_range);
  EXPECT_THROW(rig.ed.SetCheck({Ctl::chkCtl, 0}, 2), std::out_of_range);
  const Image before = rig.img();
  rig.ed.SetListIndex({Ctl::cboORC, 0}, -1);
  EXPECT_EQ(rig.ed.cboORC.index, -1);
  EXPECT_EQ(before, rig.img()) << "no selection stores nothing";
}

TEST(Setters, HandlerRunsEvenWhenTheStateDoesNotChange) {
  EditorRig rig;
  ASSERT_EQ(rig.ed.chkCtl[0].value, 0);
  rig.img()[0x39] |= 0x80;  // field and box disagree
  rig.ed.SetCheck({Ctl::chkCtl, 0}, 0);
  EXPECT_EQ(rig.img()[0x39] & 0x80, 0);
  ASSERT_EQ(rig.ed.cboCtl[9].index, 1);
  rig.img()[0x62] = 0;
  rig.ed.SetListIndex({Ctl::cboCtl, 9}, 1);
  EXPECT_EQ(rig.img()[0x62], 0x41);
}

TEST(Setters, ClickTogglesACheckBox) {
  EditorRig rig;
  rig.ed.Click({Ctl::chkCtl, 18});
  EXPECT_EQ(rig.ed.chkCtl[18].value, 1);
  EXPECT_EQ(rig.img()[0x36] & 0x20, 0x20);
  rig.ed.Click({Ctl::chkCtl, 18});
  EXPECT_EQ(rig.img()[0x36] & 0x20, 0);
}

TEST(Focus, NumericFieldsClearOnEntryAndRedrawOnLeaving) {
  EditorRig rig;
  const std::string capcode = rig.ed.txtAddr[2].text;
  const std::string password = rig.ed.txtPass.text;
  ASSERT_FALSE(capcode.empty());
  ASSERT_FALSE(password.empty());
  rig.ed.SetFocus({Ctl::txtAddr, 2});
  EXPECT_EQ(rig.ed.txtAddr[2].text, "");
  rig.ed.SetFocus({Ctl::txtPass, 0});
  EXPECT_EQ(rig.ed.txtAddr[2].text, capcode);
  EXPECT_EQ(rig.ed.txtPass.text, "");
  rig.ed.SetFocus({Ctl::picTabBack, 0});
  EXPECT_EQ(rig.ed.txtPass.text, password);
}

TEST(Focus, PromptFieldBecomesCurrentAndStoresOnLeaving) {
  EditorRig rig;
  rig.ed.UserEditText({Ctl::txtPrompt, 9}, "  CLOCK");
  EXPECT_EQ(rig.ed.CurrentPrompt, 9);
  EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::txtPrompt, 9}));
  rig.ed.SetFocus({Ctl::txtPrompt, 10});
  EXPECT_EQ(rig.ed.CurrentPrompt, 10);
  EXPECT_EQ(rig.img()[0x1B4] & 0x0F, 2);
  EXPECT_EQ(rig.img()[0x1B5], 5);
}

TEST(Focus, RefusingLostFocusKeepsTheFocusAndSkipsTheTarget) {
  EditorRig rig;
  rig.ed.UserEditText({Ctl::txtFreq, 0}, "1530001");  // off every raster
  const std::string password = rig.ed.txtPass.text;
  rig.ed.SetFocus({Ctl::txtPass, 0});
  EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::txtFreq, 0}));
  EXPECT_EQ(rig.ed.txtPass.text, password) << "the target's GotFocus must not run";
  EXPECT_EQ(rig.ed.txtFreq.text, "1530001") << "the refused entry stays for correction";
  EXPECT_TRUE(rig.state.FreqRejected);
  EXPECT_EQ(rig.msg.Texts(), std::vector<std::string>{"Channel Spacing Error!"});

  // A click elsewhere is lost the same way.
  const Image before = rig.img();
  rig.ed.UserSetCheck({Ctl::chkCtl, 0}, 1);
  EXPECT_EQ(before, rig.img());
  EXPECT_EQ(rig.msg.log.size(), 2u);
}

TEST(Focus, ControlsThatCannotTakeIt) {
  EditorRig rig;
  rig.ed.SetFocus({Ctl::txtPrompt, 66});
  rig.ed.SetFocus({Ctl::txtPrompt, 40});  // source prompts are off
  rig.ed.SetFocus({Ctl::chkCtl, 3});      // hidden
  EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::picTabBack, 0}));
  rig.ed.UserEditText({Ctl::txtPrompt, 40}, "TYPED");
  EXPECT_NE(rig.ed.txtPrompt[40].text, "TYPED");
  EXPECT_THROW(rig.ed.UserEditText({Ctl::txtPrompt, 67}, "x"), std::out_of_range);
}

TEST(Keys, EnterMovesTheFocusToTheBackgroundAndIsSwallowed) {
  struct Row {
    CtlRef field;
    const char* text;
  };
  for (const Row r : {Row{{Ctl::txtPrompt, 3}, "LOCK"}, Row{{Ctl::txtAddr, 1}, "42"}, Row{{Ctl::txtPass, 0}, "1234"},
                      Row{{Ctl::txtFreq, 0}, "1550000"}}) {
    EditorRig rig;
    rig.ed.UserEditText(r.field, r.text);
    EXPECT_FALSE(rig.ed.KeyPress(r.field, 'A'));
    EXPECT_TRUE(rig.ed.KeyPress(r.field, 13));
    EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::picTabBack, 0}));
  }
  EditorRig rig;
  rig.ed.UserEditText({Ctl::txtPrompt, 3}, "LOCK");
  rig.ed.KeyPress({Ctl::txtPrompt, 3}, 13);
  EXPECT_EQ(rig.img()[0x13D], 4);
  rig.ed.UserEditText({Ctl::txtFreq, 0}, "1550000");
  rig.ed.KeyPress({Ctl::txtFreq, 0}, 13);
  EXPECT_EQ(GetBE32(rig.img(), 0x68), 1550000u);
}

TEST(Keys, AnyKeyInTheFrequencyFieldWithdrawsARefusal) {
  EditorRig rig;
  rig.ed.UserEditText({Ctl::txtFreq, 0}, "999");
  rig.ed.SetFocus({Ctl::picTabBack, 0});
  ASSERT_TRUE(rig.state.FreqRejected);
  rig.ed.KeyPress({Ctl::txtFreq, 0}, '1');
  EXPECT_FALSE(rig.state.FreqRejected);
}

TEST(StartUp, SelectBandZeroBindsTheFactoryImage) {
  EditorRig rig(false);
  rig.ed.LoadDefaults("VESTRA");
  EXPECT_EQ(rig.state.LastFreqText, "1530000");
  EXPECT_FALSE(rig.state.ContrastChanged);
  rig.ed.SelectBand0();
  EXPECT_EQ(rig.ed.cboDft.index, 0);
  EXPECT_EQ(rig.ed.txtFreq.text, "1530000");
  EXPECT_EQ(rig.ed.cboLogo.index, 0);
  EXPECT_EQ(rig.ed.txtPrompt[0].maxLength, 16) << "the logo font list sized the logo field";
  EXPECT_EQ(rig.state.DecodeError, 0);
  EXPECT_TRUE(rig.msg.log.empty());
}

// A user's change reports what its handler made of it: refused with the very
// message the window showed, or stored with none.
TEST(Outcomes, HandlersReportTheirRefusalAndItsMessage) {
  struct Row {
    const char* what;
    std::function<EditOutcome(Editor&)> change;
    const char* refusal;  // nullptr: stored
  };
  auto type = [](CtlRef field, std::string text) {
    return [=](Editor& ed) {
      const EditOutcome typed = ed.UserEditText(field, text);
      return typed.refused ? typed : ed.SetFocus({Ctl::picTabBack, 0});
    };
  };
  const Row rows[] = {
      {"capcode typed", type({Ctl::txtAddr, 0}, "12x"), "Please insert a numeric!"},
      {"capcode stored", type({Ctl::txtAddr, 0}, "1234"), nullptr},
      {"password", type({Ctl::txtPass, 0}, "12345"), "Please insert a number between 0000 to 9999"},
      {"frequency left", type({Ctl::txtFreq, 0}, "1530010"), "Channel Spacing Error!"},
      {"frequency typed", type({Ctl::txtFreq, 0}, "15x"), "Please insert a decimal numeric!"},
      {"prompt", type({Ctl::txtPrompt, 5}, "ABCDEFGHIJKLMNOPQRS"), "Can not exceed 18 characters exclude left space!"},
      {"band whose frequency the field refuses",
       [](Editor& ed) {
         ed.UserSelect({Ctl::cboDft, 0}, 1);
         ed.UserEditText({Ctl::txtFreq, 0}, "1530062.5");
         ed.SetFocus({Ctl::picTabBack, 0});
         return ed.UserSelect({Ctl::cboDft, 0}, 0);
       },
       "Channel Spacing Error!"},
      {"band", [](Editor& ed) { return ed.UserSelect({Ctl::cboDft, 0}, 2); }, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EditorRig rig;
    const EditOutcome outcome = r.change(rig.ed);
    EXPECT_EQ(outcome.refused, r.refusal != nullptr);
    if (r.refusal) {
      EXPECT_EQ(outcome.message, r.refusal);
      ASSERT_FALSE(rig.msg.log.empty());
      EXPECT_EQ(rig.msg.log.back().text, r.refusal) << "the outcome carries the message shown";
    } else {
      EXPECT_EQ(outcome.message, "");
      EXPECT_TRUE(rig.msg.log.empty());
    }
  }
}

}  // namespace
}  // namespace qrt
