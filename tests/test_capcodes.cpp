// Capcode records and the pager password: packing, the checks on typed text,
// and the fields' behaviour in the editor.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "codecs/Capcode.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

// ------------------------------------------------------------ record packing

TEST(CapcodeRecord, EveryCapcodePacksAndUnpacksKeepingItsNeighbours) {
  Image img{};
  for (int i = 0; i < kCapcodeCount; ++i) img[CapcodeRecordAddress(i)] = static_cast<uint8_t>(0xA0 + i);
  for (int32_t v = 0; v <= kCapcodeMax; ++v) {
    const int rec = v % kCapcodeCount;
    const int a = CapcodeRecordAddress(rec);
    // Bits the capcode does not own vary with v, so every pattern is seen.
    const uint8_t byte0 = static_cast<uint8_t>(v * 37);
    const uint8_t high1 = static_cast<uint8_t>((v % 8) << 5);
    img[a] = byte0;
    img[a + 1] = static_cast<uint8_t>(high1 | 0x1F);
    img[a + 2] = img[a + 3] = 0xFF;
    StoreCapcode(img, rec, v);
    if (DecodeCapcode(img, rec) != static_cast<uint32_t>(v) || img[a] != byte0 ||
        (img[a + 1] & 0xE0) != high1) {
      ADD_FAILURE() << "capcode " << v << " in record " << rec;
      return;
    }
  }
}

struct PackCase {
  int32_t capcode;
  uint8_t b1, b2, b3;
  const char* text;
};

class CapcodeBytes : public ::testing::TestWithParam<PackCase> {};

TEST_P(CapcodeBytes, MatchTheRecordLayout) {
  const PackCase& c = GetParam();
  Image img{};
  StoreCapcode(img, 3, c.capcode);
  const int a = CapcodeRecordAddress(3);
  EXPECT_EQ(a, 0x04C);
  EXPECT_EQ(img[a + 1], c.b1);
  EXPECT_EQ(img[a + 2], c.b2);
  EXPECT_EQ(img[a + 3], c.b3);
  EXPECT_EQ(CapcodeText(DecodeCapcode(img, 3)), c.text);
  Image expected{};
  expected[a + 1] = c.b1;
  expected[a + 2] = c.b2;
  expected[a + 3] = c.b3;
  EXPECT_EQ(img, expected) << "bytes outside the record's capcode bits changed";
}

INSTANTIATE_TEST_SUITE_P(Examples, CapcodeBytes,
                         ::testing::Values(PackCase{1234567, 0x1E, 0x5A, 0xD0, "1234567"},
                                           PackCase{2097151, 0x1F, 0xFF, 0xFF, "2097151"},
                                           PackCase{8, 0x00, 0x00, 0x01, "0000008"},
                                           PackCase{7, 0x1C, 0x00, 0x00, "0000007"},
                                           PackCase{0, 0x00, 0x00, 0x00, "0000000"},
                                           PackCase{524288, 0x01, 0x00, 0x00, "0524288"}));

TEST(CapcodeRecord, OutOfBoundsStoresAreRefusedUntouched) {
  Image img{};
  img.fill(0x5A);
  const Image before = img;
  EXPECT_THROW(StoreCapcode(img, 0, kCapcodeMax + 1), std::out_of_range);
  EXPECT_THROW(StoreCapcode(img, 0, -1), std::out_of_range);
  EXPECT_THROW(StoreCapcode(img, 8, 5), std::out_of_range);
  EXPECT_THROW((void)DecodeCapcode(img, -1), std::out_of_range);
  EXPECT_EQ(img, before);
}

// ---------------------------------------------------------- typed capcodes

struct EntryCase {
  const char* text;
  EntryCheck check;
  int32_t value;
};

class CapcodeEntries : public ::testing::TestWithParam<EntryCase> {};

TEST_P(CapcodeEntries, AreCheckedAsTheFieldDoes) {
  const CapcodeEntry e = CheckCapcodeEntry(GetParam().text);
  EXPECT_EQ(e.check, GetParam().check) << GetParam().text;
  if (GetParam().check == EntryCheck::Accepted) {
    EXPECT_EQ(e.value, GetParam().value) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CapcodeEntries,
    ::testing::Values(EntryCase{"", EntryCheck::Empty, 0}, EntryCase{"-", EntryCheck::NotNumeric, 0},
                      EntryCase{"12x", EntryCheck::NotNumeric, 0}, EntryCase{"2097152", EntryCheck::OutOfRange, 0},
                      EntryCase{"-5", EntryCheck::OutOfRange, 0}, EntryCase{"2097151.4", EntryCheck::OutOfRange, 0},
                      EntryCase{"0", EntryCheck::Accepted, 0}, EntryCase{"7", EntryCheck::Accepted, 7},
                      EntryCase{"2097151", EntryCheck::Accepted, 2097151},
                      EntryCase{"12.5", EntryCheck::Accepted, 12}, EntryCase{"13.5", EntryCheck::Accepted, 14},
                      EntryCase{"2097150.5", EntryCheck::Accepted, 2097150},
                      EntryCase{" 42 ", EntryCheck::Accepted, 42}, EntryCase{"1e3", EntryCheck::Accepted, 1000}));

// ----------------------------------------------------------------- password

TEST(Password, EveryFourDigitTextRoundTrips) {
  Image img{};
  img.fill(0x77);
  for (int p = 0; p <= 9999; ++p) {
    char text[8];
    std::snprintf(text, sizeof text, "%04d", p);
    const PasswordEntry e = CheckPasswordEntry(text);
    ASSERT_EQ(e.check, EntryCheck::Accepted) << text;
    StorePasswordDigits(img, e.digits);
    ASSERT_EQ(PasswordText(img), text);
    ASSERT_EQ(img[0x3B3], text[0] - '0');
    ASSERT_EQ(img[0x3B0], text[3] - '0');
  }
  EXPECT_EQ(img[0x3AF], 0x77);
  EXPECT_EQ(img[0x3B4], 0x77);
}

TEST(Password, ShortTextsAreRightAligned) {
  Image img{};
  img.fill(9);
  StorePasswordDigits(img, "42");
  EXPECT_EQ(PasswordText(img), "0042");
  StorePasswordDigits(img, "7");
  EXPECT_EQ(PasswordText(img), "0007");
  EXPECT_THROW(StorePasswordDigits(img, "1e3"), std::invalid_argument);
  EXPECT_THROW(StorePasswordDigits(img, "12345"), std::invalid_argument);
  EXPECT_THROW(StorePasswordDigits(img, ""), std::invalid_argument);
  EXPECT_EQ(PasswordText(img), "0007");
}

class PasswordEntries : public ::testing::TestWithParam<EntryCase> {};

TEST_P(PasswordEntries, OnlyPlainDigitsAreAccepted) {
  const PasswordEntry e = CheckPasswordEntry(GetParam().text);
  EXPECT_EQ(e.check, GetParam().check) << '"' << GetParam().text << '"';
  if (e.check == EntryCheck::Accepted) {
    EXPECT_EQ(std::stoi(e.digits), GetParam().value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PasswordEntries,
    ::testing::Values(EntryCase{"", EntryCheck::Empty, 0}, EntryCase{"abc", EntryCheck::NotNumeric, 0},
                      EntryCase{"1 2", EntryCheck::NotNumeric, 0}, EntryCase{"12345", EntryCheck::OutOfRange, 0},
                      EntryCase{" 1234", EntryCheck::OutOfRange, 0}, EntryCase{"-1", EntryCheck::OutOfRange, 0},
                      EntryCase{"+12", EntryCheck::OutOfRange, 0}, EntryCase{"1.5", EntryCheck::OutOfRange, 0},
                      EntryCase{"1e3", EntryCheck::OutOfRange, 0}, EntryCase{"-0", EntryCheck::OutOfRange, 0},
                      EntryCase{"12.", EntryCheck::OutOfRange, 0}, EntryCase{"0", EntryCheck::Accepted, 0},
                      EntryCase{" 12 ", EntryCheck::Accepted, 12}, EntryCase{"9999", EntryCheck::Accepted, 9999}));

// ------------------------------------------------------------ in the editor

class CapcodeFields : public ::testing::Test {
 protected:
  void SetUp() override {
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    messages.Clear();
  }
  Image& img() { return state.PagerImage; }
  void ExpectOneWarning(std::string_view text) {
    ASSERT_EQ(messages.log.size(), 1u);
    EXPECT_EQ(messages.log[0].text, text);
    EXPECT_EQ(messages.log[0].icon, MsgIcon::Warning);
    messages.Clear();
  }

  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor{state, messages, host};
};

TEST_F(CapcodeFields, TypingStoresOnEveryKeyAndLeavingShowsThePaddedValue) {
  const CtlRef cap2{Ctl::txtAddr, 1};
  StoreCapcode(img(), 1, 1999999);
  img()[0x44] |= 0x01;
  editor.read_capcode();
  EXPECT_EQ(editor.txtAddr[1].text, "1999999");
  editor.SetFocus(cap2);
  EXPECT_EQ(editor.txtAddr[1].text, "") << "gaining the focus clears the field";
  for (const char* typed : {"1", "12", "123"}) {
    editor.UserEditText(cap2, typed);
    EXPECT_EQ(DecodeCapcode(img(), 1), static_cast<uint32_t>(std::stoi(typed)));
  }
  EXPECT_EQ(img()[0x44] & 0x01, 1) << "the enable bit stays as the box set it";
  EXPECT_TRUE(editor.KeyPress(cap2, 13)) << "Enter is swallowed";
  EXPECT_EQ(editor.focus, (CtlRef{Ctl::picTabBack, 0}));
  EXPECT_EQ(editor.txtAddr[1].text, "0000123");
  EXPECT_TRUE(messages.log.empty());
}

TEST_F(CapcodeFields, RefusedTextsLeaveTheImageAndKeepTheFocus) {
  const CtlRef cap1{Ctl::txtAddr, 0};
  editor.SetFocus(cap1);
  const Image before = img();
  const std::string shown = CapcodeText(DecodeCapcode(before, 0));
  struct Refusal {
    const char* text;
    std::string_view message;
  };
  for (const Refusal& r : {Refusal{"-", kMsgCapcodeNotNumeric}, Refusal{"12a", kMsgCapcodeNotNumeric},
                           Refusal{"2097152", kMsgCapcodeRange}, Refusal{"-15", kMsgCapcodeRange}}) {
    editor.UserEditText(cap1, r.text);
    ExpectOneWarning(r.message);
    EXPECT_EQ(img(), before) << r.text;
    EXPECT_EQ(editor.focus, cap1) << r.text;
    EXPECT_EQ(editor.txtAddr[0].text, shown) << "the stored capcode is shown again";
  }
  EXPECT_EQ(kMsgCapcodeRange, "Please insert a number between 0000007 to 2097151");
  EXPECT_EQ(kMsgCapcodeNotNumeric, "Please insert a numeric!");
}

TEST_F(CapcodeFields, LeavingWithoutTypingChangesNothing) {
  const Image before = img();
  editor.SetFocus({Ctl::txtAddr, 5});
  editor.SetFocus({Ctl::txtPass, 0});
  editor.SetFocus({Ctl::picTabBack, 0});
  EXPECT_EQ(img(), before);
  EXPECT_EQ(editor.txtAddr[5].text, CapcodeText(DecodeCapcode(before, 5)));
  EXPECT_EQ(editor.txtPass.text, PasswordText(before));
}

TEST_F(CapcodeFields, PasswordStoresDigitsAndRefusesEverythingElse) {
  const CtlRef pass{Ctl::txtPass, 0};
  editor.SetFocus(pass);
  EXPECT_EQ(editor.txtPass.text, "");
  editor.UserEditText(pass, "4");
  editor.UserEditText(pass, "47");
  EXPECT_EQ(PasswordText(img()), "0047");
  const Image stored = img();
  struct Refusal {
    const char* text;
    std::string_view message;
  };
  for (const Refusal& r : {Refusal{"4x", kMsgPasswordNotNumeric}, Refusal{" 4712", kMsgPasswordRange},
                           Refusal{"-1", kMsgPasswordRange}, Refusal{"1e3", kMsgPasswordRange},
                           Refusal{"+47", kMsgPasswordRange}, Refusal{"4.7", kMsgPasswordRange}}) {
    editor.UserEditText(pass, r.text);
    ExpectOneWarning(r.message);
    EXPECT_EQ(img(), stored) << r.text;
    EXPECT_EQ(editor.focus, pass);
    EXPECT_EQ(editor.txtPass.text, "0047") << "the stored password is shown again";
  }
  for (int k = 0; k < 4; ++k) EXPECT_LE(img()[0x3B0 + k], 9);
  EXPECT_EQ(kMsgPasswordRange, "Please insert a number between 0000 to 9999");
  EXPECT_EQ(kMsgPasswordNotNumeric, "Please insert a decimal numeric!");
}

TEST_F(CapcodeFields, BinderShowsSevenDigitCapcodesAndThePassword) {
  for (int i = 0; i < kCapcodeCount; ++i) StoreCapcode(img(), i, 8 + 1000 * i);
  img()[0x3B3] = 1;
  img()[0x3B2] = 0;
  img()[0x3B1] = 9;
  img()[0x3B0] = 5;
  state.DecodeError = 0;
  editor.init_ctl();
  EXPECT_EQ(state.DecodeError, 0);
  for (int i = 0; i < kCapcodeCount; ++i) EXPECT_EQ(editor.txtAddr[i].text, CapcodeText(8 + 1000 * i));
  EXPECT_EQ(editor.txtAddr[2].text, "0002008");
  EXPECT_EQ(editor.txtPass.text, "1095");
}

}  // namespace
}  // namespace qrt
