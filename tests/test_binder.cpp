// Showing a whole image in the window (init_ctl) and the tag-bound controls
// writing their fields back.
#include <gtest/gtest.h>

#include <random>

#include "image/Defaults.h"
#include "support/EditorRig.h"

namespace qrt {
namespace {

using testing::Differences;
using testing::EditorRig;

// The bound check boxes of the main window: element, byte, first bit, width,
// and whether the box shows the field inverted.
struct BoxRow {
  int index;
  int address;
  int bit;
  int width;
  bool inverted;
};

constexpr BoxRow kBoxes[] = {
    {29, 0x31, 3, 1, true},  {4, 0x36, 0, 1, true},   {5, 0x36, 1, 1, false},  {7, 0x36, 2, 1, false},
    {8, 0x36, 3, 1, false},  {18, 0x36, 5, 1, false}, {19, 0x36, 6, 1, false}, {17, 0x36, 7, 1, false},
    {54, 0x39, 3, 1, true},  {2, 0x39, 4, 1, true},   {20, 0x39, 5, 1, false}, {6, 0x39, 6, 1, false},
    {0, 0x39, 7, 1, false},  {1, 0x3B, 2, 1, false},  {16, 0x3D, 4, 1, true},  {21, 0x3D, 6, 1, false},
    {3, 0x3D, 7, 1, false},  {15, 0x7F, 0, 8, true},  {11, 0x7E0, 0, 8, true}, {12, 0x7E1, 0, 8, true},
    {13, 0x7E2, 0, 8, true}, {14, 0x7E3, 0, 8, true}, {30, 0x40, 0, 1, false}, {31, 0x44, 0, 1, false},
    {32, 0x48, 0, 1, false}, {33, 0x4C, 0, 1, false}, {34, 0x50, 0, 1, false}, {35, 0x54, 0, 1, false},
    {36, 0x58, 0, 1, false}, {37, 0x5C, 0, 1, false},
};

// Differences outside the addresses first..last.
std::vector<std::string> ChangesOutside(Image before, Image after, int first, int last) {
  for (int a = first; a <= last; ++a) after[a] = before[a];
  return Differences(before, after);
}

uint8_t FieldMask(const BoxRow& r) { return static_cast<uint8_t>(((1u << r.width) - 1u) << r.bit); }

class BoundBox : public ::testing::TestWithParam<BoxRow> {};

TEST_P(BoundBox, ShowsItsField) {
  const BoxRow r = GetParam();
  EditorRig rig;
  Image img = rig.img();
  img[r.address] = static_cast<uint8_t>(img[r.address] & ~FieldMask(r));  // field 0
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.chkCtl[r.index].value, r.inverted ? 1 : 0);

  img[r.address] = static_cast<uint8_t>(img[r.address] | (1u << r.bit));  // field 1
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.chkCtl[r.index].value, r.inverted ? 0 : 1);
}

TEST_P(BoundBox, StoresOnlyItsField) {
  const BoxRow r = GetParam();
  EditorRig rig;
  for (int v : {1, 0, 1}) {
    const Image before = rig.img();
    rig.ed.SetCheck({Ctl::chkCtl, r.index}, v);
    const int field = (rig.img()[r.address] & FieldMask(r)) >> r.bit;
    EXPECT_EQ(field, (v == 1) != r.inverted ? 1 : 0) << "box " << r.index << " set to " << v;
    EXPECT_EQ(rig.img()[r.address] & ~FieldMask(r), before[r.address] & ~FieldMask(r));
    EXPECT_EQ(ChangesOutside(before, rig.img(), r.address, r.address), std::vector<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(MainWindow, BoundBox, ::testing::ValuesIn(kBoxes),
                         [](const auto& row) { return "chkCtl" + std::to_string(row.param.index); });

TEST(BoundBox, WholeByteBoxesTreatAnyNonZeroAsCleared) {
  EditorRig rig;
  Image img = rig.img();
  img[0x7E0] = 0x00;
  img[0x7E1] = 0x5A;
  img[0x7E2] = 0xFF;
  img[0x7F] = 0x80;
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.chkCtl[11].value, 1);
  EXPECT_EQ(rig.ed.chkCtl[12].value, 0);
  EXPECT_EQ(rig.ed.chkCtl[13].value, 0);
  EXPECT_EQ(rig.ed.chkCtl[15].value, 0);

  rig.ed.SetCheck({Ctl::chkCtl, 11}, 0);
  EXPECT_EQ(rig.img()[0x7E0], 0x01);
  rig.ed.SetCheck({Ctl::chkCtl, 11}, 1);
  EXPECT_EQ(rig.img()[0x7E0], 0x00);
}

TEST(BoundBox, InvertedBitsOfByte39) {
  EditorRig rig;
  Image img = rig.img();
  img[0x39] = 0x08;
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.chkCtl[54].value, 0) << "Duplicate Msg Detect";
  EXPECT_EQ(rig.ed.chkCtl[2].value, 1) << "Counter Out Enable";
}

TEST(SourceBoxes, EnableByteShowsBoxAndField) {
  EditorRig rig;
  Image img = rig.img();
  img[0x3B] |= 0x40;  // source prompts on, so the enable rule alone decides
  img[0x7C0] = 0xFF;
  img[0x7C1] = 0x01;
  img[0x7DF] = 0x01;
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.chkSource[33].value, 0);
  EXPECT_FALSE(rig.ed.txtPrompt[33].enabled);
  EXPECT_EQ(rig.ed.chkSource[34].value, 1);
  EXPECT_TRUE(rig.ed.txtPrompt[34].enabled);
  EXPECT_EQ(rig.ed.chkSource[64].value, 1);
  EXPECT_TRUE(rig.ed.txtPrompt[64].enabled);

  rig.ed.UserSetCheck({Ctl::chkSource, 33}, 1);
  EXPECT_EQ(rig.img()[0x7C0], 0x01);
  EXPECT_TRUE(rig.ed.txtPrompt[33].enabled);
  rig.ed.UserSetCheck({Ctl::chkSource, 64}, 0);
  EXPECT_EQ(rig.img()[0x7DF], 0x00);
  EXPECT_FALSE(rig.ed.txtPrompt[64].enabled);
}

// Bound lists: element, byte, first bit, width, number of entries.
struct ListRow {
  int index;
  int address;
  int bit;
  int width;
  int entries;
};
constexpr ListRow kLists[] = {
    {2, 0x39, 0, 2, 4}, {6, 0x3B, 3, 1, 2}, {3, 0x3B, 4, 1, 2}, {4, 0x3C, 6, 2, 4}, {5, 0x61, 2, 1, 2}, {9, 0x61, 3, 2, 3},
};

class BoundList : public ::testing::TestWithParam<ListRow> {};

TEST_P(BoundList, ShowsEveryValueAndStoresEveryEntry) {
  const ListRow r = GetParam();
  const uint8_t mask = static_cast<uint8_t>(((1u << r.width) - 1u) << r.bit);
  for (int v = 0; v < r.entries; ++v) {
    EditorRig rig;
    Image img = rig.img();
    img[r.address] = static_cast<uint8_t>((img[r.address] & ~mask) | (v << r.bit));
    ASSERT_EQ(rig.Bind(img), 0);
    EXPECT_EQ(rig.ed.cboCtl[r.index].index, v);
  }
  EditorRig rig;
  for (int e = r.entries - 1; e >= 0; --e) {
    const uint8_t others = rig.img()[r.address] & ~mask & ~(r.index == 9 ? 0x03 : 0x00);
    rig.ed.UserSelect({Ctl::cboCtl, r.index}, e);
    EXPECT_EQ((rig.img()[r.address] & mask) >> r.bit, e);
    EXPECT_EQ(rig.img()[r.address] & ~mask & ~(r.index == 9 ? 0x03 : 0x00), others);
  }
}

INSTANTIATE_TEST_SUITE_P(MainWindow, BoundList, ::testing::ValuesIn(kLists),
                         [](const auto& row) { return "cboCtl" + std::to_string(row.param.index); });

TEST(BoundList, BaudRateWritesItsDerivedBytes) {
  struct Row {
    int entry;
    int low61, byte62, high63;
  };
  for (const Row r : {Row{0, 1, 0x01, 0}, Row{1, 2, 0x41, 2}, Row{2, 3, 0xF3, 1}, Row{1, 2, 0x41, 2}}) {
    EditorRig rig;
    rig.img()[0x61] = 0xE4;  // bits 2, 5-7 belong to other settings
    rig.img()[0x63] = 0x3F;
    const Image before = rig.img();
    rig.ed.UserSelect({Ctl::cboCtl, 9}, r.entry);
    EXPECT_EQ((rig.img()[0x61] >> 3) & 3, r.entry);
    EXPECT_EQ(rig.img()[0x61] & 3, r.low61);
    EXPECT_EQ(rig.img()[0x61] & 0xE4, 0xE4);
    EXPECT_EQ(rig.img()[0x62], r.byte62);
    EXPECT_EQ(rig.img()[0x63] >> 6, r.high63);
    EXPECT_EQ(rig.img()[0x63] & 0x3F, 0x3F);
    EXPECT_EQ(ChangesOutside(before, rig.img(), 0x61, 0x63), std::vector<std::string>{});
  }
}

TEST(BoundList, BaudFieldWithoutEntryStopsTheBinding) {
  EditorRig rig;
  Image img = rig.img();
  img[0x61] |= 0x18;  // bits 3-4 = 3: the list has three entries
  EXPECT_EQ(rig.Bind(img), 1);
}

TEST(Visibility, DirectShowLampFollowsPagingDisplay) {
  EditorRig rig;
  rig.ed.UserSelect({Ctl::cboCtl, 3}, 1);
  EXPECT_TRUE(rig.ed.chkCtl[20].visible);
  rig.ed.UserSelect({Ctl::cboCtl, 3}, 0);
  EXPECT_FALSE(rig.ed.chkCtl[20].visible);
  rig.img()[0x3B] |= 0x10;
  ASSERT_EQ(rig.Rebind(), 0);
  EXPECT_TRUE(rig.ed.chkCtl[20].visible);
}

TEST(Visibility, RdKeyBoxesFollowPushKeyLamp) {
  EditorRig rig;
  rig.ed.UserSetCheck({Ctl::chkCtl, 17}, 1);
  EXPECT_TRUE(rig.ed.chkCtl[3].visible);
  EXPECT_TRUE(rig.ed.chkCtl[21].visible);
  rig.ed.UserSetCheck({Ctl::chkCtl, 17}, 0);
  EXPECT_FALSE(rig.ed.chkCtl[3].visible);
  EXPECT_FALSE(rig.ed.chkCtl[21].visible);
  rig.img()[0x36] |= 0x80;
  ASSERT_EQ(rig.Rebind(), 0);
  EXPECT_TRUE(rig.ed.chkCtl[3].visible);
  EXPECT_TRUE(rig.ed.chkCtl[21].visible);
}

TEST(Visibility, HiddenBoxIgnoresTheUser) {
  EditorRig rig;
  ASSERT_FALSE(rig.ed.chkCtl[3].visible);
  const Image before = rig.img();
  rig.ed.UserSetCheck({Ctl::chkCtl, 3}, 1);
  EXPECT_EQ(rig.ed.chkCtl[3].value, 0);
  EXPECT_EQ(before, rig.img());
}

TEST(PushKeyLamp, LeavesTheChirpOffPromptAlone) {
  EditorRig rig;
  const uint8_t text = rig.img()[0x35A];
  rig.ed.UserSetCheck({Ctl::chkCtl, 17}, 1);
  rig.ed.UserSetCheck({Ctl::chkCtl, 17}, 0);
  EXPECT_EQ(rig.img()[0x35A], text);
}

TEST(TimerLists, LockoutAndOutOfRangeAreDecoded) {
  struct Row {
    uint8_t byte3C;
    int slc;
    uint8_t byte3D;
    int orc;
  };
  for (const Row r : {Row{0x00, 0, 0x00, 0}, Row{0x04, 5, 0x08, 1}, Row{0x08, 1, 0x0A, 2}, Row{0x09, 2, 0x0C, 3},
                      Row{0x0B, 4, 0x0E, 4}, Row{0x0F, 5, 0x06, 0}, Row{0x03, 0, 0xF7, 0}}) {
    EditorRig rig;
    Image img = rig.img();
    img[0x3C] = static_cast<uint8_t>((img[0x3C] & 0xF0) | r.byte3C);
    img[0x3D] = static_cast<uint8_t>((img[0x3D] & 0x20) | (r.byte3D & ~0x20));
    ASSERT_EQ(rig.Bind(img), 0);
    EXPECT_EQ(rig.ed.cboSLC.index, r.slc) << "0x3C low nibble " << int(r.byte3C);
    EXPECT_EQ(rig.ed.cboORC.index, r.orc) << "0x3D " << int(r.byte3D);
  }
}

TEST(TimerLists, LockoutBit2AloneIsShownAs240SecondsAndKept) {
  EditorRig rig;
  Image img = rig.img();
  img[0x3C] = 0x04;
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.cboSLC.index, 5);
  EXPECT_EQ(rig.img()[0x3C], 0x04) << "showing the image must not switch the lockout on";
  rig.ed.UserSelect({Ctl::cboSLC, 0}, 5);
  EXPECT_EQ(rig.img()[0x3C], 0x0C) << "the user's choice stores what the list shows";
}

TEST(LanguageAndLogoLists, AreDecodedFromTheirNibbles) {
  struct Row {
    int value;
    int entry;  // -1: the list keeps what it showed
  };
  for (const Row r : {Row{0, 0}, Row{1, 0}, Row{2, 1}, Row{5, 2}, Row{6, 3}, Row{8, 4}, Row{3, -1}, Row{15, -1}}) {
    EditorRig rig;
    rig.ed.cboLogo.index = 3;
    Image img = rig.img();
    img[0x3F] = static_cast<uint8_t>(0xA0 | r.value);
    ASSERT_EQ(rig.Bind(img), 0);
    EXPECT_EQ(rig.ed.cboLogo.index, r.entry < 0 ? 3 : r.entry) << "logo code " << r.value;
    EXPECT_EQ(rig.img()[0x3F], img[0x3F]) << "logo code " << r.value << " is kept";
  }
  for (const Row r : {Row{0, 0}, Row{1, 0}, Row{2, 0}, Row{5, 1}, Row{6, 2}, Row{8, 3}, Row{7, -1}, Row{4, -1}}) {
    EditorRig rig;
    rig.ed.cboLng.index = 2;
    Image img = rig.img();
    img[0x3E] = static_cast<uint8_t>(0x50 | r.value);
    ASSERT_EQ(rig.Bind(img), 0);
    EXPECT_EQ(rig.ed.cboLng.index, r.entry < 0 ? 2 : r.entry) << "language code " << r.value;
    EXPECT_FALSE(rig.state.DecodingFlag);
  }
}

TEST(LanguageAndLogoLists, ShowingALanguageKeepsThePromptsOfTheImage) {
  EditorRig rig;
  Image img = rig.img();
  img[0x3E] = static_cast<uint8_t>((img[0x3E] & 0xF0) | 8);  // German, over English prompts
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.cboLng.index, 3);
  EXPECT_TRUE(std::equal(img.begin() + 0x100, img.begin() + 0x36C, rig.img().begin() + 0x100));
  EXPECT_EQ(rig.img()[0x3A], img[0x3A]);
}

// A contrast outside the slider's range is shown at its nearest end; the image
// keeps its byte, and the user has changed nothing, so the next write keeps
// the pager's own byte at 0x0E9.
TEST(Contrast, SliderClampsAndKeepsTheByte) {
  struct Row {
    uint8_t byte;
    int slider;
    int error;
  };
  for (const Row r : {Row{4, 4, 0}, Row{1, 1, 0}, Row{8, 8, 0}, Row{12, 8, 0}, Row{0, 1, 0}, Row{51, 8, 0},
                      Row{52, 8, 1}, Row{255, 8, 1}}) {
    EditorRig rig;
    rig.state.ContrastChanged = false;
    Image img = rig.img();
    img[0x89] = r.byte;
    EXPECT_EQ(rig.Bind(img), r.error) << "contrast " << int(r.byte);
    EXPECT_EQ(rig.ed.Slider1.Value, r.slider);
    EXPECT_EQ(rig.img()[0x89], r.byte);
    EXPECT_EQ(rig.state.ContrastReference, r.byte);
    EXPECT_FALSE(rig.state.ContrastChanged) << "contrast " << int(r.byte);
    if (r.error == 0) {
      const uint32_t g = 5u * r.byte;
      EXPECT_EQ(rig.ed.lblContrast.color, g | g << 8 | g << 16);
      EXPECT_EQ(rig.ed.lblValue.text, std::to_string(r.slider));
    }
  }
}

TEST(MenuBoxes, AreDecodedWithoutRewritingTheMenu) {
  EditorRig rig;
  Image img = rig.img();
  const uint8_t menu[7] = {32, 32, 9, 10, 11, 12, 13};
  std::copy(menu, menu + 7, img.begin() + 0x78);
  img[0x3D] &= ~0x20;  // inconsistent on purpose: the binder must not repair it
  ASSERT_EQ(rig.Bind(img), 0);
  const int expected[7] = {1, 1, 0, 0, 0, 0, 0};
  for (int b = 0; b < 7; ++b) EXPECT_EQ(rig.ed.chkMenu[b].value, expected[b]) << "box " << b;
  EXPECT_TRUE(std::equal(menu, menu + 7, rig.img().begin() + 0x78));
  EXPECT_EQ(rig.img()[0x3D] & 0x20, 0);
  EXPECT_FALSE(rig.state.DecodingFlag);
}

TEST(MenuBoxes, CodeOutsideTheMenuStopsTheBinding) {
  for (uint8_t bad : {6, 14, 0, 31, 33, 255}) {
    EditorRig rig;
    rig.ed.tlblDisp[0].text = "mark";
    Image img = rig.img();
    img[0x7B] = bad;
    EXPECT_EQ(rig.Bind(img), 1) << "menu code " << int(bad);
    EXPECT_EQ(rig.ed.tlblDisp[0].text, "mark") << "decoders must not run after a binder failure";
    EXPECT_FALSE(rig.state.DecodingFlag) << "a failed binding must not hold off the next user choice";
  }
}

TEST(Decoders, UnshowableFrequencyEndsTheBindingWithCodeOne) {
  EditorRig rig;
  rig.ed.tlblDisp[0].text = "mark";
  Image img = rig.img();
  img[0x68] = 0x80;  // receive frequency >= 2^31
  EXPECT_EQ(rig.Bind(img), 1);
  EXPECT_EQ(rig.ed.tlblDisp[0].text, "mark");
}

TEST(Decoders, RunAfterASuccessfulBinding) {
  EditorRig rig;
  Image img = rig.img();
  img[0x390] = 3;
  img[0x370] = 255;
  img[0x32] = 0x01;
  img[0x90] = 32;
  img[0x2E] = 49;
  img[0x8D] = 149;
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.tlblDisp[0].text[0], 'I');
  EXPECT_EQ(rig.ed.tlblType[0].text[0], 'G');
  EXPECT_EQ(rig.ed.tlblPri[0].text, "v---");
  EXPECT_EQ(rig.ed.lblLength[0].text, "32");
  EXPECT_EQ(rig.ed.cboTone.index, 13);
  EXPECT_EQ(rig.ed.cboBatLev[0].index, 12);
}

// Showing an image changes none of its bytes, and gives the same controls
// whatever the window showed before.
TEST(Binding, DoesNotDependOnWhatWasShownBefore) {
  std::mt19937 rng(20240611);
  auto byte = [&] { return static_cast<uint8_t>(rng() & 0xFF); };
  auto randomImage = [&] {
    Image img = BuildDefaultImage();
    for (int a : {0x31, 0x36, 0x39, 0x3B, 0x3C, 0x3D, 0x7F, 0x7E0, 0x7E1, 0x7E2, 0x7E3, 0x8D, 0x8E, 0x8F, 0x2E})
      img[a] = byte();
    for (int a = 0x7C0; a < 0x7E0; ++a) img[a] = byte() & 1;
    for (int a = 0x40; a < 0x60; a += 4) img[a] = byte();
    img[0x61] = static_cast<uint8_t>((byte() & ~0x18) | ((rng() % 3) << 3));
    img[0x3E] = static_cast<uint8_t>((img[0x3E] & 0xF0) | std::array{2, 5, 6, 8}[rng() % 4]);
    img[0x3F] = static_cast<uint8_t>(std::array{0, 1, 2, 5, 6, 8}[rng() % 6]);
    img[0x89] = static_cast<uint8_t>(rng() % 12);
    for (int n = 0; n < 7; ++n) img[0x78 + n] = static_cast<uint8_t>(rng() % 2 ? 32 : 7 + rng() % 7);
    return img;
  };
  for (int round = 0; round < 20; ++round) {
    const Image first = randomImage();
    const Image second = randomImage();
    EditorRig fresh;
    EditorRig used;
    ASSERT_EQ(used.Bind(first), 0);
    ASSERT_EQ(fresh.Bind(second), 0);
    ASSERT_EQ(used.Bind(second), 0);
    EXPECT_EQ(Differences(second, used.img()), std::vector<std::string>{}) << "round " << round;
    EXPECT_EQ(Differences(fresh.img(), used.img()), std::vector<std::string>{}) << "round " << round;
    for (int i = 0; i < 55; ++i)
      if (fresh.ed.chkCtl[i].exists) {
        EXPECT_EQ(fresh.ed.chkCtl[i].value, used.ed.chkCtl[i].value) << i;
      }
    for (int i = 33; i <= 64; ++i) EXPECT_EQ(fresh.ed.chkSource[i].value, used.ed.chkSource[i].value) << i;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(fresh.ed.chkMenu[i].value, used.ed.chkMenu[i].value) << i;
    EXPECT_EQ(fresh.ed.cboSLC.index, used.ed.cboSLC.index);
    EXPECT_EQ(fresh.ed.cboORC.index, used.ed.cboORC.index);
  }
}

TEST(Binding, FactoryImageShowsItsDocumentedSettings) {
  EditorRig rig;
  EXPECT_EQ(rig.state.DecodeError, 0);
  EXPECT_EQ(rig.ed.cboCtl[2].index, 1) << "12 sec";
  EXPECT_EQ(rig.ed.cboCtl[6].index, 1) << "mm-dd-yy";
  EXPECT_EQ(rig.ed.cboCtl[3].index, 0) << "Page Count";
  EXPECT_EQ(rig.ed.cboCtl[4].index, 1) << "2 minutes";
  EXPECT_EQ(rig.ed.cboCtl[9].index, 1) << "1200 bps";
  EXPECT_EQ(rig.ed.cboLng.index, 0);
  EXPECT_EQ(rig.ed.cboLogo.index, 0);
  EXPECT_EQ(rig.ed.chkCtl[5].value, 1);
  EXPECT_EQ(rig.ed.chkCtl[7].value, 1);
  EXPECT_EQ(rig.ed.chkCtl[6].value, 1);
  EXPECT_EQ(rig.ed.chkCtl[30].value, 1) << "capcode 1 enabled";
  EXPECT_EQ(rig.ed.chkCtl[31].value, 0);
  for (int b = 0; b < 7; ++b) EXPECT_EQ(rig.ed.chkMenu[b].value, 0);
  EXPECT_EQ(rig.ed.Slider1.Value, 4);
  EXPECT_FALSE(rig.state.ContrastChanged);
  EXPECT_FALSE(rig.ed.cboTone.visible);
  EXPECT_FALSE(rig.ed.writeMode);
}

TEST(Binding, StartUpCentresTheLogoInItsDesignWidth) {
  EditorRig rig;
  // 14 characters of room, six letters: four blanks in front.
  EXPECT_EQ(rig.img()[0x100] & 0x0F, 4);
  EXPECT_EQ(rig.img()[0x101], 6);
  EXPECT_EQ(std::string(rig.img().begin() + 0x102, rig.img().begin() + 0x108), "VESTRA");
  EXPECT_TRUE(rig.state.WindowLoaded);
}

}  // namespace
}  // namespace qrt
