// Reading a pager through the transfer dialog's model, against the simulated
// board and pager on virtual time.
#include <gtest/gtest.h>

#include "codecs/Capcode.h"
#include "tests/transfer_rig.h"

namespace qrt::test {
namespace {

// A pager that differs from the editor's factory image in places the read
// must bring over: a capcode, the pager-specific byte and a prompt.
Image CustomerPager() {
  Image image = SimRig::FactoryPagerImage();
  // Capcode 1 = 1234567: record bytes 1..3 = 1E 5A D0.
  image[0x041] = 0x1E;
  image[0x042] = 0x5A;
  image[0x043] = 0xD0;
  image[addr::kPagerOwnByte] = 0x5A;
  StoreChecksum(image);
  return image;
}

void SetPrompt(Image& image, int address, const std::string& text) {
  image[address + 1] = static_cast<uint8_t>(text.size());
  for (size_t i = 0; i < text.size(); ++i) image[address + 2 + i] = static_cast<uint8_t>(text[i]);
}

TEST(TransferRead, FactoryPagerReplacesTheImageAndSaysSoOnce) {
  TransferRig rig;
  const Image pager = CustomerPager();
  rig.LoadPager(pager);
  const Image before = rig.state.PagerImage;

  auto form = rig.Dialog(0);
  RecordingView view(*form);
  form->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(rig.msgs.log[0].icon, MsgIcon::None);
  EXPECT_FALSE(rig.link.TransferError);
  EXPECT_EQ(rig.state.PagerImage, pager);
  EXPECT_EQ(rig.state.ImageBackup, before);
  EXPECT_EQ(rig.editor.txtAddr[0].text, "1234567");
  EXPECT_EQ(form->IdentText(), "QRT35V1.0V3.82");
  EXPECT_TRUE(form->state.closed);
  EXPECT_EQ(rig.state.DecodeError, 0);
}

TEST(TransferRead, ProgressStepsOncePerBlockPastItsMaximum) {
  TransferRig rig;
  auto form = rig.Dialog(0);
  RecordingView view(*form);
  form->Form_Activate();

  std::vector<int> expected{0};
  for (int a = 15; a < ImageLastIndex; a += 16) expected.push_back(a);
  EXPECT_EQ(view.ProgressWhile("Reading Now......."), expected);
  EXPECT_EQ(form->state.PB1.Max, 2015);
  EXPECT_EQ(form->state.PB1.Value, 2031);
  EXPECT_EQ(form->state.PB1.Color, kProgressPurple);
  EXPECT_FALSE(form->state.PB1.SystemHighlight);
  EXPECT_GE(view.doEvents, 1);
}

TEST(TransferRead, FrenchPagerIsShownInDisplayCharacters) {
  TransferRig rig;
  Image pager = SimRig::FactoryPagerImage();
  pager[0x03A] = static_cast<uint8_t>((pager[0x03A] & 0xF0) | 6);  // French
  pager[0x114] &= 0xF0;                                             // no leading blanks
  SetPrompt(pager, 0x114, "GAR\x5CON \x7B\x7D");                    // prompt 1
  pager[0x0A2] = 0x5C;  // the flash-only record lies outside the converted areas
  StoreChecksum(pager);
  rig.LoadPager(pager);

  rig.Dialog(0)->Form_Activate();

  ASSERT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(rig.state.PagerImage[0x116 + 3], 0xE7);  // ç
  EXPECT_EQ(rig.state.PagerImage[0x116 + 7], 0xE9);  // é
  EXPECT_EQ(rig.state.PagerImage[0x116 + 8], 0xE8);  // è
  EXPECT_EQ(rig.state.PagerImage[0x0A2], 0x5C);
  EXPECT_EQ(rig.editor.txtPrompt[1].text, "GAR\xC3\xA7ON \xC3\xA9\xC3\xA8");
}

struct BandCase {
  const char* name;
  uint8_t hardware;   // byte 0x00D
  uint8_t bandByte;   // byte 0x065
  int listBefore;
  int listAfter;
  bool freqBoxVisible;
};

class TransferReadBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(TransferReadBand, SelectsTheBandFromTheReadImage) {
  const BandCase& c = GetParam();
  TransferRig rig;
  if (c.listBefore != 0) rig.editor.UserSelect({Ctl::cboDft, 0}, c.listBefore);
  Image pager = SimRig::FactoryPagerImage();
  pager[addr::kHardwareVariant] = c.hardware;
  pager[addr::kBandByte] = c.bandByte;
  StoreChecksum(pager);
  rig.LoadPager(pager);
  rig.msgs.Clear();

  rig.Dialog(0)->Form_Activate();

  ASSERT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(rig.editor.cboDft.index, c.listAfter);
  EXPECT_EQ(rig.editor.chkCtl[4].visible, c.freqBoxVisible);
  // The list change applies no band defaults: the image is the pager's.
  EXPECT_EQ(rig.state.PagerImage, pager);
}

INSTANTIATE_TEST_SUITE_P(
    Bands, TransferReadBand,
    ::testing::Values(BandCase{"gp_whatever_the_band_byte", 0x00, 0x3D, 0, 1, false},
                      BandCase{"nibble1_band0", 0x02, 0x13, 2, 0, true},
                      BandCase{"nibble3_band2", 0x02, 0x3D, 0, 2, true},
                      BandCase{"nibble8_band3", 0x04, 0x8D, 0, 3, true},
                      BandCase{"nibble2_unchanged", 0x02, 0x2D, 2, 2, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TransferRead, BlankPagerFailsTheModelCheckBeforeAnyBlock) {
  TransferRig rig;
  Image blank;
  blank.fill(0xFF);
  rig.LoadPager(blank);
  const Image before = rig.state.PagerImage;

  auto form = rig.Dialog(0);
  form->Form_Activate();

  const std::string y = "\xC3\xBF";  // ÿ, the character of byte 0xFF
  ASSERT_EQ(rig.msgs.log.size(), 1u);
  EXPECT_EQ(rig.msgs.log[0].text, "This pager is not QRT35 !\n\nIt is " + y + y + y + y + y +
                                       " ( PCB " + y + y + y + y + ", Software " + y + y + y + y +
                                       y + " )");
  EXPECT_EQ(rig.msgs.log[0].icon, MsgIcon::Warning);
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_EQ(rig.state.PagerImage, before);
  EXPECT_EQ(rig.board.eeprom().counters.bytesSent, addr::kIdentLength);  // no block was read
  EXPECT_EQ(form->state.Label1, "");
  EXPECT_TRUE(form->state.closed);
}

TEST(TransferRead, AnotherModelIsNamedInTheMessage) {
  TransferRig rig;
  rig.LoadPager(PagerWithIdent("XY123V2.0V1.10"));
  const Image before = rig.state.PagerImage;

  rig.Dialog(0)->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{
                                  "This pager is not QRT35 !\n\nIt is XY123 ( PCB V2.0, Software V1.10 )"});
  EXPECT_EQ(rig.state.PagerImage, before);
}

struct ChecksumCase {
  const char* name;
  const char* ident;
  bool checked;
};

class TransferReadChecksumRule : public ::testing::TestWithParam<ChecksumCase> {};

// A pager whose checksum is wrong reads only when its software is too old to
// carry one (or its version is not a number).
TEST_P(TransferReadChecksumRule, ChecksumCheckedOnlyAfterV372) {
  const ChecksumCase& c = GetParam();
  EXPECT_EQ(ChecksumCheckedForIdent(c.ident), c.checked);

  TransferRig rig;
  Image pager = PagerWithIdent(c.ident);
  pager[0x200] ^= 0x01;  // the checksum no longer matches
  rig.LoadPager(pager);
  const Image before = rig.state.PagerImage;

  rig.Dialog(0)->Form_Activate();

  if (c.checked) {
    EXPECT_EQ(rig.msgs.Texts(),
              std::vector<std::string>{"The data of pager is not complete correction !\n\n"
                                       "Please try to reprogram the pager or try to read again."});
    EXPECT_EQ(rig.state.PagerImage, before);
  } else {
    EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
    EXPECT_EQ(rig.state.PagerImage, pager);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, TransferReadChecksumRule,
    ::testing::Values(ChecksumCase{"v382", "QRT35V1.0V3.82", true},
                      ChecksumCase{"v373", "QRT35V1.0V3.73", true},
                      ChecksumCase{"v400", "QRT35V1.0V4.00", true},
                      ChecksumCase{"v372", "QRT35V1.0V3.72", false},
                      ChecksumCase{"v110", "QRT35V1.0V1.10", false},
                      ChecksumCase{"letters", "QRT35V1.0VX.YZ", false},
                      ChecksumCase{"blanks", "QRT35V1.0     ", false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TransferRead, ChecksumMismatchRestoresThePreviousImageExactly) {
  TransferRig rig;
  // The window's image carries its own identification text and marker.
  const std::string ownIdent = "QRT35V9.9V9.99";
  for (int i = 0; i < addr::kIdentLength; ++i) rig.state.PagerImage[addr::kIdentString + i] = ownIdent[i];
  rig.state.PagerImage[addr::kWriteMarker] = 0x77;
  const Image before = rig.state.PagerImage;
  Image pager = CustomerPager();
  pager[addr::kChecksumLow] ^= 0xFF;
  rig.LoadPager(pager);

  rig.Dialog(0)->Form_Activate();

  EXPECT_EQ(rig.msgs.log.size(), 1u);
  EXPECT_EQ(rig.state.PagerImage, before);
  EXPECT_TRUE(rig.link.TransferError);
}

// An image whose receive frequency cannot be shown makes the binder fail.
TEST(TransferRead, ImageTheBinderRefusesIsReportedAndTheWindowRestored) {
  TransferRig rig;
  const Image before = rig.state.PagerImage;
  ASSERT_EQ(rig.editor.cboDft.index, 0);
  ASSERT_TRUE(rig.editor.chkCtl[4].visible);
  const std::string capcodeBefore = rig.editor.txtAddr[0].text;

  Image pager = CustomerPager();
  pager[addr::kHardwareVariant] = 0;  // a GP(RoHS) pager: the read selects band 1 first
  SetBE32(pager, 0x068, 0x80000000u);
  StoreChecksum(pager);
  rig.LoadPager(pager);

  rig.Dialog(0)->Form_Activate();

  ASSERT_EQ(rig.msgs.Texts(),
            (std::vector<std::string>{"Read success!", "The data in this pager is wrong!(Error Code = 1)"}));
  EXPECT_EQ(rig.state.PagerImage, before);
  EXPECT_EQ(rig.editor.txtAddr[0].text, capcodeBefore);
  // The band list and the check box describe the restored image, not the pager.
  EXPECT_EQ(rig.editor.cboDft.index, 0);
  EXPECT_TRUE(rig.editor.chkCtl[4].visible);
  // The pager's image was not taken over: callers that test the flag see a failure.
  EXPECT_TRUE(rig.link.TransferError);
}

TEST(TransferRead, NackedIdentificationStopsWithOneReadError) {
  TransferRig rig;
  rig.LoadPager(CustomerPager());
  const Image before = rig.state.PagerImage;
  rig.board.eeprom().faults.nackFirstAddressings = 10;  // the first eep_read1 gives up

  auto form = rig.Dialog(0);
  form->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read error!"});
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_EQ(rig.state.PagerImage, before);
  EXPECT_EQ(form->state.Label1, "");
  EXPECT_TRUE(form->state.closed);
}

TEST(TransferRead, NineNacksAreRetriedAway) {
  TransferRig rig;
  const Image pager = CustomerPager();
  rig.LoadPager(pager);
  rig.board.eeprom().faults.nackFirstAddressings = 9;

  rig.Dialog(0)->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(rig.state.PagerImage, pager);
}

TEST(TransferRead, BlockThatCannotBeAddressedRestoresTheImage) {
  TransferRig rig;
  rig.LoadPager(CustomerPager());
  const Image before = rig.state.PagerImage;

  auto form = rig.Dialog(0);
  RecordingView view(*form);
  // Half way through, the pager stops acknowledging its address.
  view.onChange = [&](const Form2State& s) {
    if (s.Label1 == "Reading Now......." && s.PB1.Value == 1023)
      rig.board.eeprom().faults.nackFirstAddressings = 1000;
  };
  form->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read error!"});
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_EQ(rig.state.PagerImage, before);
  EXPECT_EQ(view.ProgressWhile("Reading Now.......").back(), 1023);
  EXPECT_TRUE(form->state.closed);
}

TEST(TransferRead, NoBoardLeavesTheImageAndCloses) {
  TransferRig rig;
  rig.board.noBoard = true;
  const Image before = rig.state.PagerImage;

  auto form = rig.Dialog(0);
  form->Form_Activate();

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"The Board is not responding!"});
  EXPECT_EQ(rig.state.PagerImage, before);
  EXPECT_TRUE(form->state.closed);
}

TEST(TransferDialogModel, UnknownModeDoesNothingAndStaysOpen) {
  TransferRig rig;
  auto form = rig.Dialog(7);
  form->Form_Activate();
  EXPECT_TRUE(rig.msgs.log.empty());
  EXPECT_FALSE(form->state.closed);
  EXPECT_EQ(rig.board.dataWrites, 0);
}

TEST(TransferDialogModel, StartsWithItsTitleAndWithoutTheBatchControls) {
  TransferRig rig;
  auto form = rig.Dialog(0);
  EXPECT_EQ(form->state.Label2, "Pager Program");
  EXPECT_FALSE(form->state.lblAuto1.visible);
  EXPECT_FALSE(form->state.lblAuto2.visible);
  EXPECT_FALSE(form->state.cmdWrite.visible);
  EXPECT_FALSE(form->state.cmdExit.visible);
  form->Close1_Click();
  EXPECT_TRUE(form->state.closed);
}

}  // namespace
}  // namespace qrt::test
