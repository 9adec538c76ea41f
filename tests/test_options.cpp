// The hand-coded option handlers: battery gauge, timers, source prompt mode,
// tone, the pager's own menu, contrast, auto increase, alignment and the
// buttons of the detail dialogs.
#include <gtest/gtest.h>

#include <vector>

#include "support/EditorRig.h"

namespace qrt {
namespace {

using testing::Differences;
using testing::EditorRig;

constexpr const char* kBatteryWarning = "Waring ! You must let ( Level-High > Level-Med > Level-Low ).";

std::vector<std::string> ChangesOutside(Image before, Image after, std::initializer_list<int> addresses) {
  for (int a : addresses) after[a] = before[a];
  return Differences(before, after);
}

TEST(Battery, BrokenOrderWarnsButKeepsTheChoice) {
  EditorRig rig;
  rig.ed.UserSelect({Ctl::cboBatLev, 0}, 8);  // 1.19V = 177
  rig.ed.UserSelect({Ctl::cboBatLev, 1}, 5);  // 1.35V = 201
  rig.ed.UserSelect({Ctl::cboBatLev, 2}, 1);  // 1.53V = 227
  EXPECT_TRUE(rig.msg.log.empty());

  const Image before = rig.img();
  rig.ed.UserSelect({Ctl::cboBatLev, 2}, 6);  // 1.29V = 192 below Med
  EXPECT_EQ(rig.img()[0x8F], 192);
  EXPECT_EQ(ChangesOutside(before, rig.img(), {0x8F}), std::vector<std::string>{});
  ASSERT_EQ(rig.msg.log.size(), 1u);
  EXPECT_EQ(rig.msg.log[0].text, kBatteryWarning);
  EXPECT_EQ(rig.msg.log[0].icon, MsgIcon::Error);

  rig.ed.UserSelect({Ctl::cboBatLev, 0}, 0);  // still broken: warned again
  EXPECT_EQ(rig.img()[0x8D], 235);
  EXPECT_EQ(rig.msg.log.size(), 2u);
}

TEST(Battery, EqualLevelsBreakTheOrder) {
  const int codes[] = {235, 227, 220, 213, 207, 201, 192, 183, 177, 170, 162, 156, 149};
  for (int low = 0; low < 13; ++low) {
    EditorRig rig;
    rig.ed.UserSelect({Ctl::cboBatLev, 1}, 6);  // 192
    rig.ed.UserSelect({Ctl::cboBatLev, 2}, 0);  // 235
    rig.msg.Clear();
    rig.ed.UserSelect({Ctl::cboBatLev, 0}, low);
    EXPECT_EQ(rig.img()[0x8D], codes[low]);
    EXPECT_EQ(rig.msg.log.size(), codes[low] < 192 ? 0u : 1u) << "low " << codes[low];
  }
}

TEST(OutOfRange, EntriesSetOnBitAndTimerBits) {
  struct Row {
    int entry;
    int on;
    int timer;  // -1: bits 1-2 keep their value
  };
  for (const Row r : {Row{0, 0, -1}, Row{1, 1, 0}, Row{2, 1, 1}, Row{3, 1, 2}, Row{4, 1, 3}}) {
    for (uint8_t start : {0x00, 0xFF, 0x96}) {
      EditorRig rig;
      rig.img()[0x3D] = start;
      const Image before = rig.img();
      rig.ed.UserSelect({Ctl::cboORC, 0}, r.entry);
      const uint8_t b = rig.img()[0x3D];
      EXPECT_EQ((b >> 3) & 1, r.on);
      EXPECT_EQ((b >> 1) & 3, r.timer < 0 ? (start >> 1) & 3 : r.timer);
      EXPECT_EQ(b & 0xF1, start & 0xF1) << "bits outside 1-3 are other settings";
      EXPECT_EQ(ChangesOutside(before, rig.img(), {0x3D}), std::vector<std::string>{});
    }
  }
}

TEST(SequentialLockout, ByteSequences) {
  struct Step {
    int entry;
    uint8_t low;  // low nibble of 0x3C afterwards
  };
  const std::vector<std::vector<Step>> runs = {
      {{5, 0x0C}, {1, 0x08}, {0, 0x00}},
      {{4, 0x0B}, {5, 0x0F}, {2, 0x09}, {3, 0x0A}, {0, 0x02}},
      {{0, 0x00}, {1, 0x08}, {2, 0x09}, {3, 0x0A}, {4, 0x0B}, {5, 0x0F}, {0, 0x03}},
  };
  for (const auto& run : runs) {
    EditorRig rig;
    rig.img()[0x3C] = 0x40;
    for (const Step& s : run) {
      rig.ed.UserSelect({Ctl::cboSLC, 0}, s.entry);
      EXPECT_EQ(rig.img()[0x3C], 0x40 | s.low) << "entry " << s.entry;
    }
  }
}

TEST(SourcePromptMode, StoresBitsAndEnablesTheFields) {
  EditorRig rig;
  rig.img()[0x7C0] = 1;  // source prompt 1 checked
  ASSERT_EQ(rig.Rebind(), 0);
  rig.img()[0x3B] = 0x8E;

  rig.ed.UserSelect({Ctl::cboSource, 0}, 2);
  EXPECT_EQ(rig.img()[0x3B], 0x8E | 0x60);
  EXPECT_TRUE(rig.ed.chkSource[33].enabled);
  EXPECT_TRUE(rig.ed.txtPrompt[33].enabled);
  EXPECT_FALSE(rig.ed.txtPrompt[34].enabled) << "its box is cleared";

  rig.ed.UserSelect({Ctl::cboSource, 0}, 1);
  EXPECT_EQ(rig.img()[0x3B], 0x8E | 0x40);
  EXPECT_EQ(rig.ed.cboSource.index, 1);

  rig.ed.UserSelect({Ctl::cboSource, 0}, 2);
  rig.ed.UserSelect({Ctl::cboSource, 0}, 0);
  EXPECT_EQ(rig.img()[0x3B], 0x8E | 0x20) << "Disable keeps the direction bit";
  for (int e = 33; e <= 64; ++e) {
    EXPECT_FALSE(rig.ed.chkSource[e].enabled);
    EXPECT_FALSE(rig.ed.txtPrompt[e].enabled);
  }
}

TEST(Tone, EveryEntryStoresItsCode) {
  const int codes[] = {1, 2, 3, 4, 17, 18, 19, 20, 21, 22, 23, 24, 32, 49};
  EditorRig rig;
  rig.ed.UserSetCheck({Ctl::chkMenu, 6}, 1);  // shows the list
  for (int e = 13; e >= 0; --e) {
    const Image before = rig.img();
    rig.ed.UserSelect({Ctl::cboTone, 0}, e);
    EXPECT_EQ(rig.img()[0x2E], codes[e]);
    EXPECT_EQ(ChangesOutside(before, rig.img(), {0x2E}), std::vector<std::string>{});
  }
}

TEST(Tone, ListFollowsSetAlertOffButNotABinding) {
  EditorRig rig;
  EXPECT_FALSE(rig.ed.cboTone.visible);
  rig.ed.UserSetCheck({Ctl::chkMenu, 6}, 1);
  EXPECT_TRUE(rig.ed.cboTone.visible);
  const uint8_t tone = rig.img()[0x2E];
  rig.ed.UserSetCheck({Ctl::chkMenu, 6}, 0);
  EXPECT_FALSE(rig.ed.cboTone.visible);
  EXPECT_EQ(rig.img()[0x2E], tone);

  Image img = rig.img();
  img[0x7E] = 32;  // "Set Alert Off" checked in the image
  img[0x78] = 32;
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.chkMenu[6].value, 1);
  EXPECT_FALSE(rig.ed.cboTone.visible) << "the binder sets the boxes with the handlers held off";
}

// The pager's menu list as the pager expects it: the codes of the items still
// in the menu in ascending order at the end, 32 in front; bit 5 of 0x3D says
// whether any item is out.
TEST(PagerMenu, EveryCombinationOfTheSevenBoxes) {
  for (int mask = 0; mask < 128; ++mask) {
    EditorRig rig;
    rig.img()[0x3D] = 0xDF;
    for (int b = 0; b < 7; ++b) rig.ed.UserSetCheck({Ctl::chkMenu, b}, (mask >> b) & 1);

    std::vector<int> expected;
    for (int code = 7; code <= 13; ++code)
      if (!((mask >> (code - 7)) & 1)) expected.push_back(code);
    while (expected.size() < 7) expected.insert(expected.begin(), 32);
    const std::vector<int> actual(rig.img().begin() + 0x78, rig.img().begin() + 0x7F);
    EXPECT_EQ(actual, expected) << "boxes " << mask;
    EXPECT_EQ(rig.img()[0x3D], mask ? 0xFF : 0xDF) << "boxes " << mask;
  }
}

TEST(PagerMenu, DocumentedExampleAndTheBindingRoundTrip) {
  EditorRig rig;
  rig.ed.UserSetCheck({Ctl::chkMenu, 2}, 1);  // Set Time Off
  rig.ed.UserSetCheck({Ctl::chkMenu, 4}, 1);  // Auto Sleep Off
  const std::vector<int> expected = {32, 32, 7, 8, 10, 12, 13};
  EXPECT_EQ(std::vector<int>(rig.img().begin() + 0x78, rig.img().begin() + 0x7F), expected);
  EXPECT_EQ(rig.img()[0x3D] & 0x20, 0x20);

  const Image shown = rig.img();
  ASSERT_EQ(rig.Rebind(), 0);
  for (int b = 0; b < 7; ++b) EXPECT_EQ(rig.ed.chkMenu[b].value, b == 2 || b == 4 ? 1 : 0);
  EXPECT_EQ(Differences(shown, rig.img()), std::vector<std::string>{});
}

TEST(PagerMenu, HeldOffWhileDecoding) {
  EditorRig rig;
  const Image before = rig.img();
  rig.state.DecodingFlag = true;
  rig.ed.SetCheck({Ctl::chkMenu, 0}, 1);
  EXPECT_EQ(before, rig.img());
  EXPECT_TRUE(rig.state.DecodingFlag);
}

TEST(Contrast, GreyLevelsAndChangedFlag) {
  EditorRig rig;
  ASSERT_EQ(rig.state.ContrastReference, 4);
  for (int v = 1; v <= 8; ++v) {
    const int events = rig.host.doEvents;
    rig.ed.UserSetSlider(v);
    EXPECT_EQ(rig.img()[0x89], v);
    const uint32_t g = static_cast<uint32_t>(80 - 10 * v);
    EXPECT_EQ(rig.ed.lblContrast.color, g | g << 8 | g << 16);
    EXPECT_EQ(rig.ed.lblValue.text, std::to_string(v));
    EXPECT_GT(rig.host.doEvents, events);
  }
  EXPECT_EQ(rig.ed.lblContrast.color, 0u) << "8 is black";
  EXPECT_TRUE(rig.state.ContrastChanged);
  rig.ed.UserSetSlider(4);
  EXPECT_TRUE(rig.state.ContrastChanged) << "back at the image's value still counts as changed";
}

TEST(Contrast, UnchangedValueDoesNotMark) {
  EditorRig rig;
  rig.ed.UserSetSlider(4);
  EXPECT_FALSE(rig.state.ContrastChanged);
  rig.ed.UserSetSlider(20);
  EXPECT_EQ(rig.img()[0x89], 8) << "the slider limits itself";
}

TEST(AutoIncrease, BoxesSetTheFlags) {
  EditorRig rig;
  EXPECT_FALSE(rig.state.AutoIncrement1);
  EXPECT_FALSE(rig.state.AutoIncrement2);
  const Image before = rig.img();
  rig.ed.Click({Ctl::optAuto1, 0});
  EXPECT_TRUE(rig.state.AutoIncrement1);
  EXPECT_FALSE(rig.state.AutoIncrement2);
  rig.ed.UserSetCheck({Ctl::optAuto2, 0}, 1);
  EXPECT_TRUE(rig.state.AutoIncrement2);
  rig.ed.Click({Ctl::optAuto1, 0});
  EXPECT_FALSE(rig.state.AutoIncrement1);
  EXPECT_EQ(before, rig.img()) << "the flags live only in memory";
}

struct AlignRow {
  const char* name;
  Ctl button;
  int index;
  int field;
  std::string text;
  int maxLength;
  std::string expected;
};

class Alignment : public ::testing::TestWithParam<AlignRow> {};

TEST_P(Alignment, PadsToTheFieldLength) {
  const AlignRow& r = GetParam();
  EditorRig rig;
  rig.ed.SetFocus({Ctl::txtPrompt, r.field == 0 ? 5 : r.field});  // buttons 0 and 2 act on the last field
  rig.ed.txtPrompt[r.field].maxLength = r.maxLength;
  rig.ed.txtPrompt[r.field].text = r.text;
  rig.ed.Click({r.button, r.index});
  EXPECT_EQ(rig.ed.txtPrompt[r.field].text, r.expected);
  EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::txtPrompt, r.field})) << "the focus goes into the field";
  EXPECT_EQ(rig.ed.CurrentPrompt, r.field);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Alignment,
    ::testing::Values(AlignRow{"centre21", Ctl::optCenter, 0, 5, "ABC", 21, std::string(9, ' ') + "ABC"},
                      AlignRow{"right21", Ctl::optRight, 0, 5, "ABC", 21, std::string(18, ' ') + "ABC"},
                      AlignRow{"left", Ctl::optLeft, 0, 5, "   ABC  ", 21, "ABC"},
                      AlignRow{"centreOdd", Ctl::optCenter, 0, 5, " AB ", 21, std::string(9, ' ') + "AB"},
                      AlignRow{"centreFull", Ctl::optCenter, 0, 5, std::string(18, 'X'), 18, std::string(18, 'X')},
                      AlignRow{"logoCentre", Ctl::optCenter, 1, 0, "VESTRA", 16, std::string(5, ' ') + "VESTRA"},
                      AlignRow{"logoRight", Ctl::optRight, 1, 0, "VESTRA", 16, std::string(10, ' ') + "VESTRA"},
                      AlignRow{"umlautCountsOnce", Ctl::optRight, 0, 5, "Men\xC3\xBC", 21,
                               std::string(17, ' ') + "Men\xC3\xBC"},
                      AlignRow{"tooLongGetsNoPad", Ctl::optRight, 2, 5, "ABCDEFGHIJ", 8, "ABCDEFGHIJ"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(AlignmentStore, TextReachesTheImageWhenTheFieldIsLeft) {
  EditorRig rig;
  rig.ed.SetFocus({Ctl::txtPrompt, 2});
  rig.ed.UserEditText({Ctl::txtPrompt, 2}, "ESC");
  rig.ed.Click({Ctl::optRight, 0});
  EXPECT_EQ(rig.img()[0x129], 3) << "stored as typed when the button took the focus";
  EXPECT_EQ(rig.img()[0x128] & 0x0F, 0);
  rig.ed.SetFocus({Ctl::picTabBack, 0});
  EXPECT_EQ(rig.img()[0x128] & 0x0F, 15) << "18 blanks: 15 in the nibble";
  EXPECT_EQ(rig.img()[0x129], 6) << "3 blanks and ESC";
}

TEST(AlignmentStore, LogoButtonsIgnoreTheLastField) {
  EditorRig rig;
  rig.ed.SetFocus({Ctl::txtPrompt, 7});
  const std::string seven = rig.ed.txtPrompt[7].text;
  rig.ed.Click({Ctl::optLeft, 1});
  EXPECT_EQ(rig.ed.CurrentPrompt, 0);
  EXPECT_EQ(rig.ed.txtPrompt[0].text, "VESTRA");
  EXPECT_EQ(rig.ed.txtPrompt[7].text, seven);
}

TEST(AlignmentStore, DisabledSourcePromptIsLeftAlone) {
  EditorRig rig;
  rig.ed.CurrentPrompt = 40;  // source prompts are off in the factory image
  ASSERT_FALSE(rig.ed.txtPrompt[40].enabled);
  const std::string text = rig.ed.txtPrompt[40].text;
  rig.ed.Click({Ctl::optCenter, 2});
  EXPECT_EQ(rig.ed.txtPrompt[40].text, text);
  EXPECT_NE(rig.ed.focus, (CtlRef{Ctl::txtPrompt, 40}));
}

TEST(AlignmentStore, CentringBeforeTheWindowIsShownKeepsTheFocus) {
  EditorRig rig;
  rig.state.WindowLoaded = false;
  rig.ed.txtPrompt[0].text = "AB";
  rig.ed.optCenter_Click(1);
  EXPECT_EQ(rig.ed.txtPrompt[0].text, std::string(7, ' ') + "AB");
  EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::picTabBack, 0}));
}

TEST(DetailButtons, OpenTheirDialogs) {
  for (int i = 0; i < 8; ++i) {
    EditorRig rig;
    int seen = -1;
    rig.host.onForm5 = [&] { seen = rig.state.SelectedCapcode; };
    rig.ed.Click({Ctl::cmdFunc, i});
    EXPECT_EQ(seen, i);
    EXPECT_EQ(rig.host.Count("Form5"), 1);
  }
  EditorRig rig;
  rig.ed.Click({Ctl::cmdAlert, 0});
  EXPECT_EQ(rig.host.calls, std::vector<std::string>{"Form6"});
}

}  // namespace
}  // namespace qrt
