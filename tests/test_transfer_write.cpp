// Writing, verifying and batch-writing pagers through the transfer dialog's
// model, against the simulated board and pager on virtual time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "codecs/Capcode.h"
#include "tests/transfer_rig.h"

namespace qrt::test {
namespace {

constexpr const char* kGpQuestion = "he Pager is GP(RoHS) ! \nAre you sure to overwrite it ?";
constexpr const char* kNonGpQuestion = "he Pager is Non GP(RoHS) ! \nAre you sure to overwrite it ?";

// A pager whose every page differs from the editor's image, with the same
// hardware variant as the factory image so that no question is asked.
Image UsedPager() {
  Image image = SimRig::FactoryPagerImage();
  for (int i = 0; i < kImageSize; ++i)
    if (i != addr::kHardwareVariant) image[i] = static_cast<uint8_t>(image[i] + 1);
  image[addr::kPagerOwnByte] = 0x5A;
  return image;
}

struct WriteRig : TransferRig {
  WriteRig() {
    editor.WriteOpt_Click();
    LoadPager(UsedPager());
  }
  // Edits the capcode fields the way the user does, in Modify Mode.
  void TypeCapcodes(const std::string& first, const std::string& second) {
    editor.ModifyOpt_Click();
    editor.UserEditText({Ctl::txtAddr, 0}, first);
    editor.UserEditText({Ctl::txtAddr, 1}, second);
    editor.SetFocus({Ctl::picTabBack, 0});
    editor.WriteOpt_Click();
  }
};

TEST(TransferWrite, WritesTheWholeImageWithMarkerChecksumAndThePagersOwnByte) {
  WriteRig rig;
  rig.TypeCapcodes("765432", "8");
  auto form = rig.Dialog(1);
  RecordingView view(*form);
  form->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_FALSE(rig.link.TransferError);
  const Image& written = rig.state.PagerImage;
  EXPECT_EQ(written[addr::kWriteMarker], 1);
  EXPECT_TRUE(ChecksumMatches(written));
  EXPECT_EQ(written[addr::kPagerOwnByte], 0x5A);
  EXPECT_EQ(rig.state.ContrastReference, 0x5A);
  EXPECT_EQ(DecodeCapcode(written, 0), 765432u);
  EXPECT_EQ(DecodeCapcode(written, 1), 8u);
  EXPECT_EQ(rig.PagerMemory(), written);
  EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, kImageSize / 16);
  EXPECT_TRUE(form->state.closed);

  std::vector<int> pages;
  for (int a = 0; a < kImageSize; a += 16) pages.push_back(a);
  EXPECT_EQ(view.ProgressWhile("Writing Now......."), pages);
  EXPECT_EQ(view.ProgressWhile("Verifying Now....."), pages);
  EXPECT_EQ(form->state.PB1.Max, 2031);
}

TEST(TransferWrite, WriteUsesTheHighlightColourAndVerifyPurple) {
  WriteRig rig;
  auto form = rig.Dialog(1);
  RecordingView view(*form);
  form->Form_Activate();
  bool sawWriting = false, sawVerifying = false;
  for (const Form2State& s : view.snapshots) {
    if (s.Label1 == "Writing Now.......") {
      sawWriting = true;
      EXPECT_TRUE(s.PB1.SystemHighlight);
    }
    if (s.Label1 == "Verifying Now.....") {
      sawVerifying = true;
      EXPECT_FALSE(s.PB1.SystemHighlight);
      EXPECT_EQ(s.PB1.Color, kProgressPurple);
    }
  }
  EXPECT_TRUE(sawWriting);
  EXPECT_TRUE(sawVerifying);
}

TEST(TransferWrite, ChangedContrastKeepsTheImagesOwnByte) {
  WriteRig rig;
  rig.state.ContrastChanged = true;
  rig.state.PagerImage[addr::kPagerOwnByte] = 0x33;
  rig.state.ContrastReference = 0x04;

  rig.Dialog(1)->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(rig.PagerMemory()[addr::kPagerOwnByte], 0x33);
  EXPECT_EQ(rig.state.ContrastReference, 0x04);
}

TEST(TransferWrite, ModifyModeBlocksTheWriteBeforeAnyPagerTraffic) {
  TransferRig rig;  // Modify Mode, as the window opens
  rig.LoadPager(UsedPager());
  const Image before = rig.PagerMemory();

  auto form = rig.Dialog(1);
  form->Form_Activate();

  ASSERT_EQ(rig.msgs.log.size(), 1u);
  EXPECT_EQ(rig.msgs.log[0].text, "Modify Mode can not write! Please check!");
  EXPECT_EQ(rig.msgs.log[0].icon, MsgIcon::Warning);
  EXPECT_EQ(rig.board.eeprom().counters.addressings, 0);
  EXPECT_EQ(rig.PagerMemory(), before);
  EXPECT_TRUE(form->state.closed);
}

TEST(TransferVerify, VerifyRunsInModifyModeAndComparesEveryByte) {
  TransferRig rig;
  rig.LoadPager(rig.state.PagerImage);
  auto form = rig.Dialog(2);
  form->Form_Activate();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(rig.board.eeprom().counters.bytesSent, kImageSize);
  EXPECT_TRUE(form->state.closed);
  EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, 0);
}

class TransferVerifyMismatch : public ::testing::TestWithParam<int> {};

// A bit flipped on the way back is found wherever it is, the last byte included.
TEST_P(TransferVerifyMismatch, ReportsOneVerifyError) {
  WriteRig rig;
  rig.board.eeprom().faults.flipAddress = GetParam();
  rig.board.eeprom().faults.flipMask = 0x10;

  auto form = rig.Dialog(1);
  form->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Error!"});
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_TRUE(form->state.closed);
  // The write itself went through.
  EXPECT_EQ(rig.PagerMemory(), rig.state.PagerImage);
}

INSTANTIATE_TEST_SUITE_P(Addresses, TransferVerifyMismatch,
                         ::testing::Values(0x000, 0x123, 0x3E0, 0x7FE, 0x7FF));

TEST(TransferVerify, PagerThatCannotBeAddressedIsAReadError) {
  TransferRig rig;
  rig.board.eeprom().faults.nackFirstAddressings = 10;
  rig.Dialog(2)->Form_Activate();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read error!"});
  EXPECT_TRUE(rig.link.TransferError);
}

struct VariantCase {
  const char* name;
  int list;            // band list entry of the window
  uint8_t pagerHw;     // the pager's byte 0x00D
  const char* question;
  bool answer;
  bool written;
};

class TransferWriteVariant : public ::testing::TestWithParam<VariantCase> {};

TEST_P(TransferWriteVariant, AsksOnlyOnAMismatchAndNoStopsTheWrite) {
  const VariantCase& c = GetParam();
  TransferRig rig;
  rig.editor.UserSelect({Ctl::cboDft, 0}, c.list);
  rig.editor.WriteOpt_Click();
  Image pager = UsedPager();
  pager[addr::kHardwareVariant] = c.pagerHw;
  rig.LoadPager(pager);
  rig.msgs.Clear();
  rig.msgs.answers = {c.answer};

  rig.Dialog(1)->Form_Activate();

  std::vector<std::string> expected;
  if (c.question) expected.push_back(c.question);
  if (c.written) expected.push_back("Verify Success!");
  EXPECT_EQ(rig.msgs.Texts(), expected);
  if (c.question) {
    EXPECT_TRUE(rig.msgs.log[0].question);
    EXPECT_EQ(rig.msgs.log[0].icon, MsgIcon::Warning);
  }
  EXPECT_EQ(rig.link.TransferError, !c.written);
  if (c.written) {
    EXPECT_EQ(rig.PagerMemory(), rig.state.PagerImage);
  } else {
    EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, 0);
    EXPECT_EQ(rig.PagerMemory(), pager);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, TransferWriteVariant,
    ::testing::Values(VariantCase{"standard_list_standard_pager", 0, 0x02, nullptr, false, true},
                      VariantCase{"standard_list_gp_pager_yes", 0, 0x00, kGpQuestion, true, true},
                      VariantCase{"standard_list_gp_pager_no", 0, 0x00, kGpQuestion, false, false},
                      VariantCase{"gp_list_standard_pager_yes", 1, 0x02, kNonGpQuestion, true, true},
                      VariantCase{"gp_list_standard_pager_no", 1, 0x02, kNonGpQuestion, false, false},
                      VariantCase{"gp_list_gp_pager", 1, 0x00, nullptr, false, true},
                      VariantCase{"band2_list_gp_pager_no", 2, 0x00, kGpQuestion, false, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TransferWrite, PagerThatStopsAnsweringKeepsTheEarlierPages) {
  WriteRig rig;
  const Image old = rig.PagerMemory();
  auto form = rig.Dialog(1);
  RecordingView view(*form);
  // The pager goes quiet a few bytes into the page at 0x200.
  view.onChange = [&](const Form2State& s) {
    if (s.Label1 == "Writing Now......." && s.PB1.Value == 0x200)
      rig.board.eeprom().faults.silentAfterAckedBytes = rig.board.eeprom().counters.bytesAcked + 5;
  };
  form->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Write error!"});
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_TRUE(form->state.closed);
  const Image& pager = rig.PagerMemory();
  for (int i = 0; i < 0x200; ++i) ASSERT_EQ(pager[i], rig.state.PagerImage[i]) << "address " << i;
  for (int i = 0x200; i < kImageSize; ++i) ASSERT_EQ(pager[i], old[i]) << "address " << i;
  EXPECT_EQ(view.ProgressWhile("Verifying Now....."), std::vector<int>{});
}

TEST(TransferWrite, UnreadablePagerByteStopsTheWriteWithOneReadError) {
  WriteRig rig;
  const Image old = rig.PagerMemory();
  rig.board.eeprom().faults.nackFirstAddressings = 10;
  rig.Dialog(1)->Form_Activate();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read error!"});
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_EQ(rig.PagerMemory(), old);
}

// ----------------------------------------------------------------- batches

struct BatchRig : WriteRig {
  BatchRig(const std::string& first, const std::string& second) {
    TypeCapcodes(first, second);
    state.AutoIncrement1 = state.AutoIncrement2 = true;
    msgs.Clear();
    form = Dialog(1);
    view = std::make_unique<RecordingView>(*form);
    form->Form_Activate();
  }
  // A fresh pager on the board for the next press.
  void NextPager() { LoadPager(UsedPager()); }
  std::unique_ptr<Form2> form;
  std::unique_ptr<RecordingView> view;
};

TEST(TransferBatch, ActivationWaitsWithWriteAndExit) {
  BatchRig rig("100", "200");
  const Form2State& s = rig.form->state;
  EXPECT_FALSE(s.closed);
  EXPECT_TRUE(s.cmdWrite.visible && s.cmdWrite.enabled);
  EXPECT_TRUE(s.cmdExit.visible && s.cmdExit.enabled);
  EXPECT_TRUE(s.lblAuto1.visible);
  EXPECT_TRUE(s.lblAuto2.visible);
  EXPECT_EQ(s.lblAuto1.text, " 1st capcode : ");
  EXPECT_EQ(rig.board.eeprom().counters.addressings, 0);
  EXPECT_TRUE(rig.msgs.log.empty());
  rig.form->cmdExit_Click();
  EXPECT_TRUE(rig.form->state.closed);
}

TEST(TransferBatch, OnlyTheSwitchedCapcodeLabelIsShown) {
  WriteRig rig;
  rig.state.AutoIncrement2 = true;
  auto form = rig.Dialog(1);
  form->Form_Activate();
  EXPECT_FALSE(form->state.lblAuto1.visible);
  EXPECT_TRUE(form->state.lblAuto2.visible);
  EXPECT_TRUE(form->state.cmdWrite.visible);
}

TEST(TransferBatch, ThreePagersGetConsecutiveCapcodesUpToTheLimit) {
  BatchRig rig("100", "2097150");
  const std::vector<std::pair<uint32_t, uint32_t>> written{{100, 2097150}, {101, 2097151}, {102, 2097151}};
  const std::vector<std::vector<std::string>> messages{
      {"Verify Success!"},
      {"Verify Success!", "Capcode 2 > 2097151 so can not be increase!"},
      {"Verify Success!", "Capcode 2 > 2097151 so can not be increase!"}};

  for (size_t pager = 0; pager < written.size(); ++pager) {
    SCOPED_TRACE("pager " + std::to_string(pager + 1));
    rig.NextPager();
    rig.msgs.Clear();
    const std::string caption1 = " 1st capcode : " + rig.editor.txtAddr[0].text;
    const std::string caption2 = " 2nd capcode : " + rig.editor.txtAddr[1].text;

    rig.form->cmdWrite_Click();

    EXPECT_EQ(rig.msgs.Texts(), messages[pager]);
    const Image& memory = rig.PagerMemory();
    EXPECT_EQ(DecodeCapcode(memory, 0), written[pager].first);
    EXPECT_EQ(DecodeCapcode(memory, 1), written[pager].second);
    EXPECT_EQ(rig.form->state.lblAuto1.text, caption1);
    EXPECT_EQ(rig.form->state.lblAuto2.text, caption2);
    // Ready for the next pager.
    EXPECT_EQ(DecodeCapcode(rig.state.PagerImage, 0), written[pager].first + 1);
    EXPECT_TRUE(rig.form->state.cmdWrite.enabled);
    EXPECT_TRUE(rig.form->state.cmdExit.enabled);
    EXPECT_EQ(rig.form->state.PB1.Value, 0);
    EXPECT_EQ(rig.form->state.Label1, "");
    EXPECT_FALSE(rig.form->state.closed);
  }
  EXPECT_EQ(rig.editor.txtAddr[0].text, "0000103");
  EXPECT_EQ(rig.editor.txtAddr[1].text, "2097151");
  const auto& warning = rig.msgs.log.back();
  EXPECT_EQ(warning.icon, MsgIcon::Warning);
}

TEST(TransferBatch, ButtonsAreDisabledWhileAPressRuns) {
  BatchRig rig("100", "200");
  int changesWhileBusy = 0;
  rig.view->onChange = [&](const Form2State& s) {
    if (!s.Label1.empty()) {
      ++changesWhileBusy;
      EXPECT_FALSE(s.cmdWrite.enabled);
      EXPECT_FALSE(s.cmdExit.enabled);
    }
  };
  // A second press and an Exit arriving through the events the transfer lets run.
  rig.view->onDoEvents = [&] {
    rig.form->cmdWrite_Click();
    rig.form->cmdExit_Click();
  };
  rig.form->cmdWrite_Click();
  EXPECT_GT(changesWhileBusy, 100);
  EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, kImageSize / 16);
  EXPECT_FALSE(rig.form->state.closed);
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
}

TEST(TransferBatch, CloseBoxDuringAPressClosesWhenThePagerIsDone) {
  BatchRig rig("100", "200");
  rig.view->onDoEvents = [&] { rig.form->Close1_Click(); };
  rig.form->cmdWrite_Click();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(DecodeCapcode(rig.state.PagerImage, 0), 101u);
  EXPECT_TRUE(rig.form->state.closed);
}

TEST(TransferBatch, FailedVerifyKeepsTheCapcodesAndTheNextPressRetries) {
  BatchRig rig("500", "600");
  rig.board.eeprom().faults.flipAddress = 0x300;
  rig.board.eeprom().faults.flipMask = 0x01;
  rig.form->cmdWrite_Click();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Error!"});
  EXPECT_EQ(rig.editor.txtAddr[0].text, "0000500");
  EXPECT_EQ(rig.editor.txtAddr[1].text, "0000600");

  // The fault is gone: the same capcodes are written again.
  rig.board.eeprom().faults.flipAddress = -1;
  rig.NextPager();
  rig.msgs.Clear();
  rig.form->cmdWrite_Click();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), 500u);
  EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 1), 600u);
  EXPECT_EQ(rig.editor.txtAddr[0].text, "0000501");
}

struct LimitCase {
  const char* name;
  const char* first;
  const char* second;
  const char* expectedFirst;
  const char* expectedSecond;
  std::vector<std::string> messages;
};

class SetCapcode : public ::testing::TestWithParam<LimitCase> {};

TEST_P(SetCapcode, AddsOneUnlessAtTheLimit) {
  const LimitCase& c = GetParam();
  WriteRig rig;
  rig.TypeCapcodes(c.first, c.second);
  rig.msgs.Clear();
  auto form = rig.Dialog(1);
  form->set_capcode(0);
  form->set_capcode(1);
  EXPECT_EQ(rig.msgs.Texts(), c.messages);
  EXPECT_EQ(rig.editor.txtAddr[0].text, c.expectedFirst);
  EXPECT_EQ(rig.editor.txtAddr[1].text, c.expectedSecond);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SetCapcode,
    ::testing::Values(
        LimitCase{"both", "0", "2097150", "0000001", "2097151", {}},
        LimitCase{"first_at_limit", "2097151", "7", "2097151", "0000008",
                  {"Capcode 1 > 2097151 so can not be increase!"}},
        LimitCase{"both_at_limit", "2097151", "2097151", "2097151", "2097151",
                  {"Capcode 1 > 2097151 so can not be increase!",
                   "Capcode 2 > 2097151 so can not be increase!"}}),
    [](const auto& row) { return std::string(row.param.name); });

// ---------------------------------------------- the Pager menu, end to end

struct CommandRig : TransferRig {
  CommandRig() {
    host.runTransferDialog = [this] {
      Form2 form(editor, link, msgs);
      form.Form_Activate();
    };
  }
};

TEST(PagerCommands, FrenchTextsTravelInThePagersFormAndComeBack) {
  CommandRig rig;
  char simFile[] = "/tmp/qrt-sim-pager-XXXXXX";
  const int fd = ::mkstemp(simFile);
  ASSERT_GE(fd, 0);
  ::close(fd);
  ::unlink(simFile);  // the simulated pager creates its file on the first write
  Image pager = SimRig::FactoryPagerImage();
  pager[0x03A] = static_cast<uint8_t>((pager[0x03A] & 0xF0) | 6);
  pager[0x114] &= 0xF0;
  pager[0x115] = 3;
  pager[0x116] = 0x5C;  // ç
  pager[0x117] = 0x7B;  // é
  pager[0x118] = 'A';
  StoreChecksum(pager);
  rig.board.eeprom().AttachFile(simFile);
  rig.LoadPager(pager);

  rig.editor.PagerCommand(0);  // F3
  ASSERT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(rig.editor.txtPrompt[1].text, "\xC3\xA7\xC3\xA9" "A");

  rig.editor.UserEditText({Ctl::txtAddr, 0}, "4321");
  rig.editor.SetFocus({Ctl::picTabBack, 0});
  rig.editor.WriteOpt_Click();
  rig.msgs.Clear();
  rig.editor.PagerCommand(1);  // F4

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  const Image& memory = rig.PagerMemory();
  EXPECT_EQ(memory[0x116], 0x5C);
  EXPECT_EQ(memory[0x117], 0x7B);
  EXPECT_EQ(DecodeCapcode(memory, 0), 4321u);
  EXPECT_EQ(rig.state.PagerImage[0x116], 0xE7);  // display form again in the window
  EXPECT_EQ(rig.state.PagerImage[0x117], 0xE9);
  EXPECT_EQ(rig.editor.txtPrompt[1].text, "\xC3\xA7\xC3\xA9" "A");
  EXPECT_GE(rig.host.parks, 1);
  // The simulated pager keeps what was written in its file.
  std::ifstream file(simFile, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kImageSize));
  EXPECT_TRUE(std::equal(memory.begin(), memory.end(), bytes.begin(),
                         [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
  ::unlink(simFile);

  rig.msgs.Clear();
  rig.editor.PagerCommand(2);  // F9: compares the pager form
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
}

}  // namespace
}  // namespace qrt::test
