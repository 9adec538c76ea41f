// The status texts of the Freq. & Codes page and the battery and tone lists
// decoded from the image.
#include <gtest/gtest.h>

#include "support/EditorRig.h"

namespace qrt {
namespace {

using testing::EditorRig;

TEST(ReadDisp, LetterPerDisplayCode) {
  struct Row {
    uint8_t code;
    char letter;
  };
  for (const Row r : {Row{0, 'N'}, Row{1, 'P'}, Row{2, 'A'}, Row{3, 'I'}, Row{4, 'T'}, Row{5, '-'}, Row{6, '-'},
                      Row{0x80, '-'}, Row{255, '-'}}) {
    EditorRig rig;
    rig.img()[0x390] = r.code;
    rig.ed.read_Disp();
    EXPECT_EQ(rig.ed.tlblDisp[0].text[0], r.letter) << "code " << int(r.code);
  }
}

TEST(ReadDisp, EveryCapcodeAndFunctionBitHasItsOwnByte) {
  for (int i = 0; i < 8; ++i) {
    for (int k = 0; k < 4; ++k) {
      EditorRig rig;
      for (int a = 0x390; a < 0x3B0; ++a) rig.img()[a] = 0;
      rig.img()[0x390 + 4 * i + k] = 4;
      rig.ed.read_Disp();
      for (int c = 0; c < 8; ++c) {
        std::string expected = "NNNN";
        if (c == i) expected[k] = 'T';
        EXPECT_EQ(rig.ed.tlblDisp[c].text, expected) << "capcode " << c << " after setting " << i << "/" << k;
      }
    }
  }
}

TEST(ReadType, PersonalGroupAndMailDrops) {
  struct Row {
    uint8_t b[4];
    const char* text;
  };
  for (const Row& r : {Row{{0, 255, 10, 16}, "PGA10"}, Row{{1, 15, 0, 0}, "1FPP"}, Row{{0xAB, 17, 254, 9}, "AB11FE9"},
                       Row{{255, 255, 255, 255}, "GGGG"}}) {
    EditorRig rig;
    std::copy(r.b, r.b + 4, rig.img().begin() + 0x370 + 4 * 5);
    rig.ed.tlblType[5].text = "stale";
    rig.ed.read_Type();
    EXPECT_EQ(rig.ed.tlblType[5].text, r.text);
  }
}

TEST(ReadType, EveryCapcodeAndFunctionBitHasItsOwnByte) {
  for (int i = 0; i < 8; ++i) {
    for (int k = 0; k < 4; ++k) {
      EditorRig rig;
      for (int a = 0x370; a < 0x390; ++a) rig.img()[a] = 0;
      rig.img()[0x370 + 4 * i + k] = 255;
      rig.ed.read_Type();
      for (int c = 0; c < 8; ++c) {
        std::string expected = "PPPP";
        if (c == i) expected[k] = 'G';
        EXPECT_EQ(rig.ed.tlblType[c].text, expected);
      }
    }
  }
}

TEST(ReadPri, TwoCapcodesShareAByte) {
  EditorRig rig;
  for (int a = 0x32; a < 0x36; ++a) rig.img()[a] = 0;
  rig.img()[0x32] = 0x21;
  rig.ed.read_Pri();
  EXPECT_EQ(rig.ed.tlblPri[0].text, "v---");
  EXPECT_EQ(rig.ed.tlblPri[1].text, "-v--");
  for (int i = 2; i < 8; ++i) EXPECT_EQ(rig.ed.tlblPri[i].text, "----");
}

TEST(ReadPri, EveryCapcodeAndFunctionBitHasItsOwnBit) {
  for (int i = 0; i < 8; ++i) {
    for (int k = 0; k < 4; ++k) {
      EditorRig rig;
      for (int a = 0x32; a < 0x36; ++a) rig.img()[a] = 0;
      const int address = 0x32 + i / 2;
      const int bit = (i % 2 == 0 ? 0 : 4) + k;
      rig.img()[address] = static_cast<uint8_t>(1 << bit);
      rig.ed.read_Pri();
      for (int c = 0; c < 8; ++c) {
        std::string expected = "----";
        if (c == i) expected[k] = 'v';
        EXPECT_EQ(rig.ed.tlblPri[c].text, expected) << "byte " << address << " bit " << bit;
      }
    }
  }
}

TEST(ReadAlert, PersonalAlertLength) {
  struct Row {
    uint8_t code;
    const char* text;  // nullptr: the cell keeps its text
  };
  for (const Row r : {Row{2, "02"}, Row{8, "08"}, Row{16, "16"}, Row{32, "32"}, Row{0, "CT"}, Row{5, nullptr},
                      Row{1, nullptr}, Row{255, nullptr}}) {
    EditorRig rig;
    rig.ed.lblLength[0].text = "old";
    rig.img()[0x90] = r.code;
    rig.ed.read_Alert();
    EXPECT_EQ(rig.ed.lblLength[0].text, r.text ? r.text : "old") << "code " << int(r.code);
  }
}

TEST(ReadAlert, MailDropCells) {
  struct Row {
    bool enabled;
    uint8_t code;
    const char* text;
  };
  for (const Row r : {Row{true, 0, "BP"}, Row{true, 1, "01"}, Row{true, 16, "16"}, Row{true, 2, nullptr},
                      Row{true, 255, nullptr}, Row{false, 0, "--"}, Row{false, 16, "--"}, Row{false, 7, "--"}}) {
    for (int j = 0; j < 15; ++j) {
      EditorRig rig;
      rig.img()[0x37] = 0;
      rig.img()[0x38] = 0;
      if (r.enabled) rig.img()[0x37 + j / 8] = static_cast<uint8_t>(1 << (j % 8));
      rig.img()[0x91 + j] = r.code;
      for (auto& cell : rig.ed.lblLength) cell.text = "old";
      rig.ed.read_Alert();
      EXPECT_EQ(rig.ed.lblLength[j + 1].text, r.text ? r.text : "old") << "drop " << j + 1;
      for (int other = 0; other < 15; ++other) {
        if (other != j) {
          EXPECT_EQ(rig.ed.lblLength[other + 1].text, "--") << "drop " << other + 1;
        }
      }
    }
  }
}

TEST(ReadAlert, MemoryInWholeKilobytes) {
  struct Row {
    uint8_t quarters;
    const char* text;
  };
  // Quarter kilobytes; n.5 KB is rounded up.
  for (const Row r : {Row{0x78, "30"}, Row{0x3C, "15"}, Row{0, "00"}, Row{1, "00"}, Row{2, "01"}, Row{3, "01"},
                      Row{4, "01"}, Row{6, "02"}, Row{10, "03"}, Row{39, "10"}, Row{255, "64"}}) {
    EditorRig rig;
    rig.img()[0x6C] = r.quarters;
    rig.img()[0x1E + 13] = r.quarters;
    rig.ed.read_Alert();
    EXPECT_EQ(rig.ed.lblMemory[0].text, r.text) << int(r.quarters);
    EXPECT_EQ(rig.ed.lblMemory[14].text, r.text) << int(r.quarters);
  }
}

TEST(ReadAlert, EachMailDropMemoryHasItsByteAndDrop15KeepsItsText) {
  EditorRig rig;
  for (int j = 0; j < 14; ++j) rig.img()[0x1E + j] = static_cast<uint8_t>(4 * (j + 1));
  rig.img()[0x2C] = 0x80;  // would continue the series; not interpreted
  rig.ed.read_Alert();
  for (int j = 0; j < 14; ++j) {
    char expected[4];
    std::snprintf(expected, sizeof expected, "%02d", j + 1);
    EXPECT_EQ(rig.ed.lblMemory[j + 1].text, expected);
  }
  EXPECT_EQ(rig.ed.lblMemory[15].text, "02");
}

TEST(ReadBatLev, SelectsByCodeAndKeepsUnknownCodes) {
  EditorRig rig;
  Image img = rig.img();
  img[0x8D] = 149;  // 1.00V
  img[0x8E] = 201;  // 1.35V
  img[0x8F] = 235;  // 1.58V
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.cboBatLev[0].index, 12);
  EXPECT_EQ(rig.ed.cboBatLev[1].index, 5);
  EXPECT_EQ(rig.ed.cboBatLev[2].index, 0);
  EXPECT_TRUE(rig.msg.log.empty());

  img[0x8E] = 200;  // no entry has it
  ASSERT_EQ(rig.Bind(img), 0);
  EXPECT_EQ(rig.ed.cboBatLev[1].index, 5);
  EXPECT_EQ(rig.img()[0x8E], 200) << "an unknown code is not replaced by the list's";
}

TEST(ReadBatLev, BadlyOrderedImageWarnsOncePerMatchedList) {
  struct Row {
    uint8_t low, med, high;
    size_t warnings;
  };
  for (const Row r : {Row{177, 201, 227, 0}, Row{192, 201, 183, 3}, Row{201, 201, 227, 3}, Row{192, 200, 183, 2},
                      Row{1, 2, 3, 0}, Row{235, 2, 149, 2}}) {
    EditorRig rig;
    Image img = rig.img();
    img[0x8D] = r.low;
    img[0x8E] = r.med;
    img[0x8F] = r.high;
    rig.msg.Clear();
    ASSERT_EQ(rig.Bind(img), 0);
    EXPECT_EQ(rig.msg.log.size(), r.warnings) << int(r.low) << " " << int(r.med) << " " << int(r.high);
  }
}

TEST(ReadSetAlarm, EveryToneCode) {
  const int codes[] = {1, 2, 3, 4, 17, 18, 19, 20, 21, 22, 23, 24, 32, 49};
  for (int e = 0; e < 14; ++e) {
    EditorRig rig;
    rig.img()[0x2E] = static_cast<uint8_t>(codes[e]);
    rig.ed.read_SetAlarm();
    EXPECT_EQ(rig.ed.cboTone.index, e);
  }
  EditorRig rig;
  rig.ed.cboTone.index = 2;
  rig.img()[0x2E] = 5;
  rig.ed.read_SetAlarm();
  EXPECT_EQ(rig.ed.cboTone.index, 2);
  EXPECT_EQ(rig.img()[0x2E], 5);
  EXPECT_EQ(rig.state.DecodeError, 0);
}

TEST(Decoders, WriteNothingIntoTheImage) {
  EditorRig rig;
  for (int a = 0x370; a < 0x3B0; ++a) rig.img()[a] = static_cast<uint8_t>(a * 7);
  rig.img()[0x90] = 77;
  const Image before = rig.img();
  rig.ed.read_Disp();
  rig.ed.read_Type();
  rig.ed.read_Pri();
  rig.ed.read_Alert();
  rig.ed.read_BatLev();
  rig.ed.read_SetAlarm();
  EXPECT_EQ(testing::Differences(before, rig.img()), std::vector<std::string>{});
  EXPECT_EQ(rig.state.DecodeError, 0);
}

}  // namespace
}  // namespace qrt
