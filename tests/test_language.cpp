// The language list, the logo font list and Load Default.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/Defaults.h"
#include "support/EditorRig.h"

namespace qrt {
namespace {

using testing::Differences;
using testing::EditorRig;

struct Slot {
  int attribute;
  int count;
  std::string text;  // Windows-1252 bytes
};

Slot SlotAt(const Image& img, int address) {
  const int count = img[address + 1];
  return {img[address], count, std::string(img.begin() + address + 2, img.begin() + address + 2 + std::min(count, 18))};
}

void ExpectSlot(const Image& img, int address, const Slot& expected, const std::string& where) {
  const Slot s = SlotAt(img, address);
  EXPECT_EQ(s.attribute, expected.attribute) << where;
  EXPECT_EQ(s.count, expected.count) << where;
  EXPECT_EQ(s.text, expected.text) << where;
}

std::vector<std::string> ChangesOutside(Image before, Image after, std::vector<std::pair<int, int>> ranges) {
  for (const auto& [first, last] : ranges)
    for (int a = first; a <= last; ++a) after[a] = before[a];
  return Differences(before, after);
}

struct LanguageRow {
  const char* name;
  int entry;
  int code;
  Slot logo, first, last, flash;
  bool history;
  Slot history1, history2;
};

const LanguageRow kLanguages[] = {
    {"English", 0, 2, {0x05, 8, "VESTRA  "}, {0x06, 8, "NO PAGES"}, {0x46, 9, "CHIRP OFF"}, {0x43, 10, "FLASH ONLY"},
     false, {}, {}},
    {"Spanish", 1, 5, {0x05, 6, "VESTRA"}, {0x05, 11, "SIN MESAJES"}, {0x45, 10, "TIMBRE OFF"},
     {0x43, 10, "FLASH ONLY"}, false, {}, {}},
    {"French", 2, 6, {0x05, 6, "VESTRA"}, {0x03, 14, "PAS DE MESSAGE"}, {0x42, 17, "SANS MODE DISCRET"},
     {0x43, 10, "FLASH ONLY"}, true, {0x45, 10, "HISTORIQUE"}, {0x25, 10, "HISTORIQUE"}},
    {"German", 3, 8, {0x05, 8, "VESTRA  "}, {0x03, 15, "Keine Nachricht"}, {0x44, 13, "Kurz-Piep aus"},
     {0x43, 11, "Nur Blinken"}, true, {0x43, 14, "Verlauf einst."}, {0x25, 14, "Verlauf einst."}},
};

class Language : public ::testing::TestWithParam<LanguageRow> {};

TEST_P(Language, TablesLandAtTheirAddresses) {
  const LanguageRow& r = GetParam();
  EditorRig rig;
  rig.img()[0x3B] = 0xCC;  // logo mode bits 0-1 clear
  // Markers in the history slots show whether they are replaced.
  for (int a = 0x3B8; a < 0x3E0; ++a) rig.img()[a] = 0x7A;
  if (r.entry == 0) rig.ed.UserSelect({Ctl::cboLng, 0}, 1);  // choosing English must change something
  const Image before = rig.img();

  rig.ed.UserSelect({Ctl::cboLng, 0}, r.entry);

  const Image& img = rig.img();
  EXPECT_EQ(img[0x3A], (before[0x3A] & 0xF0) | r.code);
  EXPECT_EQ(img[0x3E], (before[0x3E] & 0xF0) | r.code);
  EXPECT_EQ(img[0x3B], 0xCE) << "logo shown, other bits kept";
  ExpectSlot(img, 0x100, r.logo, "logo");
  ExpectSlot(img, 0x114, r.first, "slot 1");
  ExpectSlot(img, 0x358, r.last, "slot 30");
  ExpectSlot(img, 0x0A0, r.flash, "flash only");
  EXPECT_TRUE(std::equal(img.begin() + 0x100, img.begin() + 0x36C, PromptTableForLanguage(r.code).begin()));
  if (r.history) {
    ExpectSlot(img, 0x3B8, r.history1, "history 1");
    ExpectSlot(img, 0x3CC, r.history2, "history 2");
  } else {
    for (int a = 0x3B8; a < 0x3E0; ++a) EXPECT_EQ(img[a], 0x7A) << "history left as it was";
  }
  EXPECT_EQ(ChangesOutside(before, img, {{0x3A, 0x3B}, {0x3E, 0x3E}, {0x0A0, 0x0B3}, {0x100, 0x36B}, {0x3B8, 0x3DF}}),
            std::vector<std::string>{});
  // The prompt fields show the new texts.
  std::string shown = std::string(static_cast<size_t>(r.first.attribute & 0x0F), ' ');
  EXPECT_EQ(rig.ed.txtPrompt[1].text.substr(0, shown.size()), shown);
}

INSTANTIATE_TEST_SUITE_P(List, Language, ::testing::ValuesIn(kLanguages),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(LanguageList, GermanFieldsShowUmlauts) {
  EditorRig rig;
  rig.ed.UserSelect({Ctl::cboLng, 0}, 3);
  EXPECT_EQ(rig.img()[0x12A + 3], 0xFC) << "Men\xFC in Windows-1252";
  EXPECT_EQ(rig.ed.txtPrompt[2].text, "     Men\xC3\xBC/zur\xC3\xBC" "ck");
}

TEST(LanguageList, EnglishAfterGermanKeepsTheGermanHistory) {
  EditorRig rig;
  rig.ed.UserSelect({Ctl::cboLng, 0}, 3);
  const Image german = rig.img();
  rig.ed.UserSelect({Ctl::cboLng, 0}, 0);
  rig.ed.UserSelect({Ctl::cboLng, 0}, 1);
  EXPECT_TRUE(std::equal(german.begin() + 0x3B8, german.begin() + 0x3E0, rig.img().begin() + 0x3B8));
}

TEST(LanguageList, HeldOffWhileDecoding) {
  EditorRig rig;
  const Image before = rig.img();
  rig.state.DecodingFlag = true;
  rig.ed.SetListIndex({Ctl::cboLng, 0}, 2);
  EXPECT_FALSE(rig.state.DecodingFlag) << "the handler clears the flag it finds";
  EXPECT_EQ(before, rig.img());
  rig.ed.SetListIndex({Ctl::cboLng, 0}, 2);
  EXPECT_NE(before, rig.img()) << "the next change is applied";
}

TEST(LanguageList, TypedLogoIsLost) {
  EditorRig rig;
  rig.ed.UserEditText({Ctl::txtPrompt, 0}, "ACME");
  rig.ed.SetFocus({Ctl::picTabBack, 0});
  ASSERT_EQ(SlotAt(rig.img(), 0x100).text, "ACME");
  rig.ed.UserSelect({Ctl::cboLng, 0}, 2);
  EXPECT_EQ(SlotAt(rig.img(), 0x100).text, "VESTRA");
}

TEST(LogoFont, EntriesWriteTheirCodeAndSizeTheLogoField) {
  struct Row {
    int entry, code;
    bool bold;
    int spaces, maxLength;
  };
  for (const Row r : {Row{1, 2, false, 22, 21}, Row{2, 5, false, 22, 21}, Row{3, 6, false, 22, 21},
                      Row{4, 8, false, 22, 21}, Row{0, 0, true, 17, 16}}) {
    EditorRig rig;
    rig.img()[0x3F] = 0x9F;
    const Image before = rig.img();
    rig.ed.UserSelect({Ctl::cboLogo, 0}, r.entry);
    EXPECT_EQ(rig.img()[0x3F], 0x90 | r.code);
    EXPECT_EQ(ChangesOutside(before, rig.img(), {{0x3F, 0x3F}}), std::vector<std::string>{});
    EXPECT_EQ(rig.ed.txtPrompt[0].bold, r.bold);
    EXPECT_EQ(rig.ed.txtPrompt[0].maxLength, r.maxLength);
    EXPECT_EQ(rig.ed.txtPrompt[0].measureSpaces, r.spaces);
    EXPECT_EQ(rig.ed.lblEdLen.text, std::string(static_cast<size_t>(r.spaces), ' '));
    EXPECT_EQ(rig.ed.txtPrompt[1].maxLength, 21) << "only the logo field follows the font";
  }
}

struct DefaultRow {
  const char* name;
  int language;  // list entry
  int element;
  int address;
  Slot expected;
};

class LoadDefault : public ::testing::TestWithParam<DefaultRow> {};

TEST_P(LoadDefault, RestoresTheSlotFromItsRange) {
  const DefaultRow& r = GetParam();
  EditorRig rig;
  rig.ed.UserSelect({Ctl::cboLng, 0}, r.language);
  for (int a = r.address; a < r.address + 20; ++a) rig.img()[a] = 0x5A;
  rig.img()[r.address] = 0x00;
  rig.img()[r.address + 1] = 1;
  for (int a = 0x3B8; a < 0x3E0; ++a) rig.img()[a] = 0x7A;
  const Image before = rig.img();
  rig.ed.CurrentPrompt = r.element;

  rig.ed.Click({Ctl::optDefault, r.element % 2});

  ExpectSlot(rig.img(), r.address, r.expected, r.name);
  const bool history = r.language >= 2;
  std::vector<std::pair<int, int>> touched = {{r.address, r.address + 19}};
  if (history) touched.push_back({0x3B8, 0x3DF});
  EXPECT_EQ(ChangesOutside(before, rig.img(), touched), std::vector<std::string>{});
  if (history) {
    EXPECT_EQ(SlotAt(rig.img(), 0x3CC).attribute, 0x25) << "history reset to the language's";
  } else if (r.address != 0x3B8 && r.address != 0x3CC) {
    EXPECT_EQ(rig.img()[0x3C0], 0x7A) << "history untouched";
  }
  // The field shows the restored text.
  const std::string lead(static_cast<size_t>(r.expected.attribute & 0x0F), ' ');
  EXPECT_EQ(rig.ed.txtPrompt[r.element].text.substr(0, lead.size()), lead);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, LoadDefault,
    ::testing::Values(DefaultRow{"logoEnglish", 0, 0, 0x100, {0x05, 8, "VESTRA  "}},
                      DefaultRow{"menuSpanish", 1, 1, 0x114, {0x05, 11, "SIN MESAJES"}},
                      DefaultRow{"menuGerman", 3, 30, 0x358, {0x44, 13, "Kurz-Piep aus"}},
                      DefaultRow{"historyEnglish", 0, 31, 0x3B8, {0x46, 11, "SET HISTORY"}},
                      DefaultRow{"history2English", 0, 32, 0x3CC, {0x24, 11, "HISTORY SET"}},
                      DefaultRow{"historyFrench", 2, 31, 0x3B8, {0x45, 10, "HISTORIQUE"}},
                      DefaultRow{"newsFirst", 0, 33, 0x540, {0x05, 6, "NEWS 1"}},
                      DefaultRow{"newsFrench", 2, 40, 0x540 + 7 * 20, {0x05, 6, "NEWS 8"}},
                      DefaultRow{"newsLast", 1, 64, 0x7AC, {0x05, 7, "NEWS 32"}},
                      DefaultRow{"flashEnglish", 0, 65, 0x0A0, {0x43, 10, "FLASH ONLY"}},
                      DefaultRow{"flashGerman", 3, 65, 0x0A0, {0x43, 11, "Nur Blinken"}},
                      DefaultRow{"charging", 0, 68, 0x428, {0x27, 8, "CHARGING"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(LoadDefaultDetails, ChargingFillerAndFocusBack) {
  EditorRig rig;
  rig.ed.SetFocus({Ctl::txtPrompt, 68});
  rig.ed.UserEditText({Ctl::txtPrompt, 68}, "LOADING");
  rig.ed.Click({Ctl::optDefault, 0});
  for (int a = 0x428 + 10; a < 0x428 + 20; ++a) EXPECT_EQ(rig.img()[a], 0xFF) << a;
  EXPECT_EQ(SlotAt(rig.img(), 0x428).text, "CHARGING");
  EXPECT_EQ(rig.ed.focus, (CtlRef{Ctl::txtPrompt, 68}));
  EXPECT_EQ(rig.ed.txtPrompt[68].text, "       CHARGING");
}

TEST(LoadDefaultDetails, LogoComesFromTheLanguageTableNotTheConfiguredText) {
  EditorRig rig(false);
  rig.ed.LoadDefaults("ACME");
  rig.ed.SelectBand0();
  ASSERT_EQ(SlotAt(rig.img(), 0x100).text, "ACME");
  rig.ed.SetFocus({Ctl::txtPrompt, 0});
  rig.ed.Click({Ctl::optDefault, 1});
  EXPECT_EQ(SlotAt(rig.img(), 0x100).text, "VESTRA  ");
}

}  // namespace
}  // namespace qrt
