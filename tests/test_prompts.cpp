// Prompt records: showing, storing, the 18-character rule, sizing and the
// source prompt enabling.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

#include "editor/Editor.h"
#include "editor/Prompt.h"
#include "image/Cp1252.h"

namespace qrt {
namespace {

constexpr int kA = 0x1DC;  // the record of prompt 11 ("SET ALERT ------>")

std::string RecordText(const Image& img, int a) {
  return std::string(reinterpret_cast<const char*>(&img[a + 2]), img[a + 1]);
}

struct StoreCase {
  const char* name;
  std::string text;
  int nibble;
  std::string stored;  // Windows-1252 bytes
};

class PromptStoreTable : public ::testing::TestWithParam<StoreCase> {};

TEST_P(PromptStoreTable, StoresLeadingSpacesTextAndKeepsAttributes) {
  const StoreCase& c = GetParam();
  Image img{};
  img.fill(0x7E);
  img[kA] = 0xA9;  // attribute bits 1010, nibble 9
  const PromptStoreResult r = StorePromptText(img, kA, c.text, false);
  ASSERT_EQ(r.status, PromptStoreStatus::Stored) << r.message;
  EXPECT_EQ(img[kA] & 0x0F, c.nibble);
  EXPECT_EQ(img[kA] & 0xF0, 0xA0) << "attribute bits changed";
  EXPECT_EQ(RecordText(img, kA), c.stored);
  EXPECT_EQ(img[kA + 2 + c.stored.size()], 0x7E) << "bytes past the text are left as they were";
  EXPECT_EQ(img[kA + 20], 0x7E) << "next record touched";
  EXPECT_EQ(img[0x03B], 0x7E) << "the logo mode belongs to the logo only";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PromptStoreTable,
    ::testing::Values(StoreCase{"three_spaces", "   ESCAPE", 3, "ESCAPE"},
                      StoreCase{"twenty_spaces", std::string(20, ' ') + "ABC", 15, "     ABC"},
                      StoreCase{"empty", "", 0, " "}, StoreCase{"five_spaces", "     ", 5, " "},
                      StoreCase{"trailing", "AB  ", 0, "AB"},
                      StoreCase{"eighteen", "ABCDEFGHIJKLMNOPQR", 0, "ABCDEFGHIJKLMNOPQR"},
                      StoreCase{"fifteen_lead_18", std::string(15, ' ') + "ABCDEFGHIJKLMNOPQR", 15,
                                "ABCDEFGHIJKLMNOPQR"},
                      StoreCase{"sixteen_lead_17", std::string(16, ' ') + "ABCDEFGHIJKLMNOPQ", 15,
                                " ABCDEFGHIJKLMNOPQ"},
                      StoreCase{"spaces_inside", " A  B", 1, "A  B"},
                      StoreCase{"national", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", 0, "\xE9t\xE9 \x80"}),
    [](const auto& row) { return std::string(row.param.name); });

struct RefuseCase {
  const char* name;
  std::string text;
  std::string message;
};

class PromptRefusals : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(PromptRefusals, LeaveTheImageUnchanged) {
  Image img{};
  for (int k = 0; k < kImageSize; ++k) img[k] = static_cast<uint8_t>(k * 7);
  const Image before = img;
  const PromptStoreResult r = StorePromptText(img, kA, GetParam().text, true);
  EXPECT_NE(r.status, PromptStoreStatus::Stored);
  EXPECT_EQ(r.message, GetParam().message);
  EXPECT_EQ(img, before);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PromptRefusals,
    ::testing::Values(
        RefuseCase{"nineteen", "ABCDEFGHIJKLMNOPQRS", "Can not exceed 18 characters exclude left space!"},
        RefuseCase{"trailing_count", "ABCDEFGHIJKLMNOP   ", "Can not exceed 18 characters exclude left space!"},
        // More than 15 leading spaces and a long text would spill into the next record.
        RefuseCase{"lead_spill", std::string(16, ' ') + "ABCDEFGHIJKLMNOPQR",
                   "Can not exceed 18 characters exclude left space!"},
        RefuseCase{"lead_spill_far", std::string(21, ' ') + "ABCDEFGHIJKLMNOPQR",
                   "Can not exceed 18 characters exclude left space!"},
        RefuseCase{"greek", "AB\xCE\xA9", "The character \"\xCE\xA9\" can not be used in a prompt!"},
        RefuseCase{"emoji", "\xF0\x9F\x98\x80", "The character \"\xF0\x9F\x98\x80\" can not be used in a prompt!"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PromptRecord, LogoModeFollowsTheLogoText) {
  Image img{};
  img[0x03B] = 0xFC;
  ASSERT_EQ(StorePromptText(img, 0x100, "  VESTRA", true).status, PromptStoreStatus::Stored);
  EXPECT_EQ(img[0x03B], 0xFE);
  ASSERT_EQ(StorePromptText(img, 0x100, "   ", true).status, PromptStoreStatus::Stored);
  EXPECT_EQ(img[0x03B], 0xFC);
  ASSERT_EQ(StorePromptText(img, 0x100, "X", true).status, PromptStoreStatus::Stored);
  EXPECT_EQ(img[0x03B], 0xFE);
  // Spaces beyond the fifteen of the nibble stay in the record's text, and a
  // logo with text is shown.
  for (const auto& [spaces, mode, count] : {std::tuple{15, 0xFC, 1}, std::tuple{16, 0xFE, 1}, std::tuple{17, 0xFE, 2}}) {
    img[0x03B] = 0xFD;
    ASSERT_EQ(StorePromptText(img, 0x100, std::string(spaces, ' '), true).status, PromptStoreStatus::Stored);
    EXPECT_EQ(img[0x03B], mode) << spaces << " spaces";
    EXPECT_EQ(img[0x100] & 0x0F, 15);
    EXPECT_EQ(img[0x101], count) << spaces << " spaces";
  }
}

TEST(PromptRecord, EveryByteShowsAsACharacterThatStoresBack) {
  for (int b = 0; b < 256; ++b) {
    if (b == ' ') continue;
    Image img{};
    img[kA] = 0x02;
    img[kA + 1] = 3;
    img[kA + 2] = 'x';
    img[kA + 3] = static_cast<uint8_t>(b);
    img[kA + 4] = 'y';
    const std::string shown = PromptDisplayText(img, kA);
    EXPECT_EQ(shown, "  x" + Cp1252CharToUtf8(static_cast<uint8_t>(b)) + "y");
    Image again = img;
    ASSERT_EQ(StorePromptText(again, kA, shown, false).status, PromptStoreStatus::Stored) << b;
    EXPECT_EQ(again, img) << "byte " << b;
  }
}

TEST(PromptRecord, BlankPromptsShowOnlyTheirLeadingSpaces) {
  Image img{};
  img[kA] = 0x25;
  img[kA + 1] = 1;
  img[kA + 2] = ' ';
  EXPECT_EQ(PromptDisplayText(img, kA), "     ");
  img[kA + 2] = '.';
  EXPECT_EQ(PromptDisplayText(img, kA), "     .");
}

TEST(PromptRecord, DamagedCountShowsOnlyTheRecord) {
  Image img{};
  img.fill('Z');
  img[kA] = 0;
  img[kA + 1] = 200;
  EXPECT_EQ(PromptDisplayText(img, kA), std::string(18, 'Z'));
  EXPECT_THROW((void)PromptDisplayText(img, 0x7FF), ImageIndexError);
}

// Storing what a field shows, and showing it again, changes nothing more.
TEST(PromptRecord, StoreThenShowIsStable) {
  std::mt19937 rng(35);
  const std::string alphabet = std::string("    AZaz09#@[]{}~") + "\xC3\xA9\xC3\x9F\xE2\x82\xAC\xC2\xA3";
  for (int round = 0; round < 2000; ++round) {
    std::string text(rng() % 22, ' ');
    const int letters = static_cast<int>(rng() % 19);
    for (int k = 0; k < letters; ++k) {
      size_t at = rng() % alphabet.size();
      while ((alphabet[at] & 0xC0) == 0x80) --at;  // start of a character
      size_t end = at + 1;
      while (end < alphabet.size() && (alphabet[end] & 0xC0) == 0x80) ++end;
      text += alphabet.substr(at, end - at);
    }
    // A prompt, and the logo, whose store also sets the logo mode.
    for (const bool logo : {false, true}) {
      Image img{};
      if (StorePromptText(img, kA, text, logo).status != PromptStoreStatus::Stored) continue;
      const std::string shown = PromptDisplayText(img, kA, logo);
      const Image once = img;
      ASSERT_EQ(StorePromptText(img, kA, shown, logo).status, PromptStoreStatus::Stored) << shown;
      EXPECT_EQ(img, once) << '"' << text << '"' << (logo ? " (logo)" : "");
      EXPECT_EQ(PromptDisplayText(img, kA, logo), shown);
    }
  }
}

// ------------------------------------------------------------ in the editor

class PromptFields : public ::testing::Test {
 protected:
  void SetUp() override {
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    messages.Clear();
  }
  Image& img() { return state.PagerImage; }

  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor{state, messages, host};
};

TEST_F(PromptFields, AddressesComeFromTheFieldTags) {
  const std::pair<int, int> expected[] = {{0, 0x100}, {1, 0x114}, {9, 0x1B4}, {30, 0x358}, {31, 0x3B8},
                                          {32, 0x3CC}, {33, 0x540}, {64, 0x7AC}, {65, 0x0A0}, {68, 0x428}};
  for (const auto& [element, address] : expected) EXPECT_EQ(editor.PromptAddress(element), address) << element;
  EXPECT_THROW((void)editor.PromptAddress(66), std::exception);
}

TEST_F(PromptFields, EveryFieldShowsItsOwnRecord) {
  for (int e = 0; e <= 68; ++e) {
    if (e == 66 || e == 67) continue;
    const int a = editor.PromptAddress(e);
    img()[a] = static_cast<uint8_t>(0x30 | (e % 3));
    img()[a + 1] = 3;
    img()[a + 2] = 'P';
    img()[a + 3] = static_cast<uint8_t>('0' + e / 10);
    img()[a + 4] = static_cast<uint8_t>('0' + e % 10);
  }
  editor.read_prompt();
  for (int e = 0; e <= 68; ++e) {
    if (e == 66 || e == 67) continue;
    const std::string expected = std::string(e % 3, ' ') + "P" + std::to_string(e / 10) + std::to_string(e % 10);
    EXPECT_EQ(editor.txtPrompt[e].text, expected) << e;
  }
}

TEST_F(PromptFields, LeavingAFieldStoresItAndShowsTheNormalForm) {
  const CtlRef field{Ctl::txtPrompt, 12};
  editor.SetFocus(field);
  EXPECT_EQ(editor.CurrentPrompt, 12);
  editor.txtPrompt[12].text = "  PAGER OFF   ";
  EXPECT_TRUE(editor.KeyPress(field, 13));
  EXPECT_EQ(editor.focus, (CtlRef{Ctl::picTabBack, 0}));
  const int a = editor.PromptAddress(12);
  EXPECT_EQ(img()[a] & 0x0F, 2);
  EXPECT_EQ(RecordText(img(), a), "PAGER OFF");
  EXPECT_EQ(editor.txtPrompt[12].text, "  PAGER OFF");
  EXPECT_TRUE(messages.log.empty());
}

TEST_F(PromptFields, RefusedTextKeepsFocusTextAndImage) {
  const CtlRef field{Ctl::txtPrompt, 20};
  editor.SetFocus(field);
  const std::string typed = std::string(17, ' ') + "SEVENTEEN LETTERS";
  editor.txtPrompt[20].text = typed;
  const Image before = img();
  editor.SetFocus({Ctl::txtPrompt, 21});
  ASSERT_EQ(messages.log.size(), 1u);
  EXPECT_EQ(messages.log[0].text, "Can not exceed 18 characters exclude left space!");
  EXPECT_EQ(messages.log[0].icon, MsgIcon::None);
  EXPECT_EQ(editor.focus, field);
  EXPECT_EQ(editor.txtPrompt[20].text, typed);
  EXPECT_EQ(img(), before);
}

TEST_F(PromptFields, LogoFieldSetsTheLogoMode) {
  editor.SetFocus({Ctl::txtPrompt, 0});
  editor.txtPrompt[0].text = "";
  editor.SetFocus({Ctl::picTabBack, 0});
  EXPECT_EQ(img()[0x03B] & 3, 0);
  EXPECT_EQ(img()[0x101], 1);
  editor.SetFocus({Ctl::txtPrompt, 0});
  editor.txtPrompt[0].text = "ACME";
  editor.SetFocus({Ctl::picTabBack, 0});
  EXPECT_EQ(img()[0x03B] & 3, 2);
}

TEST_F(PromptFields, SizingGivesEveryPromptFieldTheSmallFont) {
  for (int e = 1; e <= 68; ++e) {
    if (e == 66 || e == 67) continue;
    editor.txtPrompt[e].maxLength = 5;
    editor.txtPrompt[e].bold = true;
    editor.lblPrompt[e].tooltip.clear();
  }
  editor.cboLogo.index = 0;
  editor.Set_PromptEd_Width();
  for (int e = 1; e <= 68; ++e) {
    if (e == 66 || e == 67) continue;
    EXPECT_EQ(editor.txtPrompt[e].maxLength, 21) << e;
    EXPECT_EQ(editor.txtPrompt[e].measureSpaces, 22) << e;
    EXPECT_FALSE(editor.txtPrompt[e].bold) << e;
    EXPECT_EQ(editor.lblPrompt[e].tooltip, " Small Font ( Less than 19 characters ) ") << e;
  }
  // The logo field is left to the logo font list, which runs last.
  EXPECT_EQ(editor.txtPrompt[0].maxLength, 16);
  EXPECT_TRUE(editor.txtPrompt[0].bold);
  EXPECT_EQ(editor.lblPrompt[0].tooltip, "");
}

struct SourceCase {
  uint8_t mode;  // byte 0x03B
  int entry;
  bool on;
};

class SourcePrompts : public ::testing::TestWithParam<SourceCase> {};

TEST_P(SourcePrompts, FollowTheModeBits) {
  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor{state, messages, host};
  state.PagerImage[0x03B] = GetParam().mode;
  for (int e = 33; e <= 64; ++e) editor.chkSource[e].value = e % 2;
  const Image before = state.PagerImage;
  editor.read_SourcePrompt();
  EXPECT_EQ(editor.cboSource.index, GetParam().entry);
  for (int e = 33; e <= 64; ++e) {
    EXPECT_EQ(editor.chkSource[e].enabled, GetParam().on) << e;
    EXPECT_EQ(editor.txtPrompt[e].enabled, GetParam().on && e % 2 == 1) << e;
  }
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_EQ(state.DecodeError, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, SourcePrompts,
                         ::testing::Values(SourceCase{0x00, 0, false}, SourceCase{0x20, 0, false},
                                           SourceCase{0x40, 1, true}, SourceCase{0x60, 2, true},
                                           SourceCase{0xBF, 0, false}, SourceCase{0xFF, 2, true}));

TEST(SourcePrompts, FailureGivesCode5) {
  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor{state, messages, host};
  editor.cboSource.entries.clear();
  state.PagerImage[0x03B] = 0x40;
  editor.read_SourcePrompt();
  EXPECT_EQ(state.DecodeError, 5);
}

}  // namespace
}  // namespace qrt
