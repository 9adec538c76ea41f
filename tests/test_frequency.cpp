// Receive frequency, band list and synthesizer words.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "base/Numbers.h"
#include "codecs/Frequency.h"
#include "codecs/ListTables.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

// ---------------------------------------------------------- band arithmetic

struct BandCase {
  int band;
  int32_t low, high;
  const char* message;
};

class BandEntries : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandEntries, BoundsAndRangeMessageComeFromTheEntryText) {
  const BandCase& c = GetParam();
  const std::string entry(kDftEntries.at(c.band));
  const auto bounds = BandBoundsFromEntry(entry);
  ASSERT_TRUE(bounds.has_value()) << entry;
  EXPECT_EQ(bounds->low, c.low);
  EXPECT_EQ(bounds->high, c.high);
  EXPECT_EQ(FrequencyRangeMessage(entry), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Bands, BandEntries,
    ::testing::Values(
        BandCase{0, 1300000, 1800000, "Frequency setting error(1300000 < = Frequency < =1800000 )"},
        BandCase{1, 1300000, 1800000, "Frequency setting error(1300000 < = Frequency < =1800000 )"},
        BandCase{2, 4000000, 4990000, "Frequency setting error(4000000 < = Frequency < =4990000 )"},
        BandCase{3, 9290000, 9320000, "Frequency setting error(9290000 < = Frequency < =9320000 )"}));

TEST(BandEntries, NoEntryGivesNoBounds) {
  EXPECT_FALSE(BandBoundsFromEntry("").has_value());
  EXPECT_FALSE(BandBoundsFromEntry("130-").has_value());
  EXPECT_FALSE(BandBoundsFromEntry("13x-180MHz").has_value());
}

struct RasterCase {
  int band;
  double hz;
  std::optional<int> preset;
};

class Rasters : public ::testing::TestWithParam<RasterCase> {};

TEST_P(Rasters, PickThePresetOfTheFirstMatchingRaster) {
  EXPECT_EQ(RasterPreset(GetParam().band, GetParam().hz), GetParam().preset) << GetParam().hz;
}

INSTANTIATE_TEST_SUITE_P(
    Frequencies, Rasters,
    ::testing::Values(RasterCase{0, 153000000, 1}, RasterCase{0, 153012500, 2}, RasterCase{0, 153007500, 3},
                      RasterCase{0, 153001000, std::nullopt}, RasterCase{0, 130000000, 1},
                      RasterCase{0, 130012500, 2}, RasterCase{0, 130037500, 2},
                      RasterCase{2, 454000000, 4}, RasterCase{2, 454012500, 5},
                      RasterCase{2, 454002500, std::nullopt}, RasterCase{1, 153000000, std::nullopt},
                      RasterCase{3, 931012500, std::nullopt}));

struct GpCase {
  double hz;
  int32_t spacing;
  std::array<uint8_t, 3> r;
  int32_t n;
  std::array<uint8_t, 3> nBytes;
};

class GpWords : public ::testing::TestWithParam<GpCase> {};

TEST_P(GpWords, FollowTheFirstSpacingThatDividesTheOffsetFrequency) {
  const GpCase& c = GetParam();
  const auto synth = GpSynthFor(c.hz);
  ASSERT_TRUE(synth.has_value());
  EXPECT_EQ(synth->spacingHz, c.spacing);
  EXPECT_EQ(synth->n, c.n);
  Image img{};
  img.fill(0xEE);
  StoreGpSynth(img, *synth);
  EXPECT_EQ((std::array<uint8_t, 3>{img[0x009], img[0x00A], img[0x00B]}), c.r);
  EXPECT_EQ((std::array<uint8_t, 3>{img[0x005], img[0x006], img[0x007]}), c.nBytes);
  EXPECT_EQ(img[0x00D], 0);
  for (int a : {0x000, 0x004, 0x008, 0x00C, 0x00E, 0x064}) EXPECT_EQ(img[a], 0xEE) << a;
}

INSTANTIATE_TEST_SUITE_P(Examples, GpWords,
                         ::testing::Values(GpCase{153000000, 12500, {0x01, 0xA3, 0x11}, 10528, {0x14, 0x90, 0x00}},
                                           GpCase{153002500, 2500, {0x08, 0x2F, 0x11}, 52641, {0x66, 0xD0, 0x80}},
                                           GpCase{153006250, 6250, {0x03, 0x46, 0x11}, 21057, {0x29, 0x20, 0x80}}));

TEST(GpWords, OffRasterFrequenciesHaveNone) {
  EXPECT_FALSE(GpSynthFor(153001000).has_value());
  EXPECT_FALSE(GpSynthFor(153000001).has_value());
}

// Every 2.5 kHz step between 130 and 180 MHz has a raster in both 130-180 MHz
// bands, so switching between them never fails.
TEST(GpWords, EveryStepOfTheTwoLowBandsIsAccepted) {
  for (int32_t hz = 130000000; hz <= 180000000; hz += 2500) {
    ASSERT_TRUE(RasterPreset(kBand130, hz).has_value()) << hz;
    const auto synth = GpSynthFor(hz);
    ASSERT_TRUE(synth.has_value()) << hz;
    ASSERT_EQ(static_cast<int64_t>(synth->n) * synth->spacingHz, hz - 21400000) << hz;
    ASSERT_EQ(synth->nWord, static_cast<uint32_t>(synth->n) * 128) << hz;
    ASSERT_LT(synth->nWord, 1u << 24);
  }
}

// The preset rows as the synthesizer expects them: register bytes 0x000..0x00E
// and the base frequency.
struct PresetCase {
  int preset;
  std::array<uint8_t, 15> registers;
  std::array<uint8_t, 4> base;
};

class Presets : public ::testing::TestWithParam<PresetCase> {};

TEST_P(Presets, WriteTheirRegistersAndBaseFrequency) {
  const PresetCase& c = GetParam();
  Image img{};
  img.fill(0x5A);
  WriteSynthPreset(img, c.preset);
  for (int k = 0; k < 15; ++k) EXPECT_EQ(img[k], c.registers[k]) << "register byte " << k;
  for (int k = 0; k < 4; ++k) EXPECT_EQ(img[0x064 + k], c.base[k]) << "base byte " << k;
  EXPECT_EQ(img[0x00F], 0x5A);
  if (c.preset == 6) {
    EXPECT_EQ(GetBE32(img, 0x068), 9310125u);
  } else {
    EXPECT_EQ(GetBE32(img, 0x068), 0x5A5A5A5Au) << "only preset 6 writes the receive frequency";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Presets,
    ::testing::Values(
        PresetCase{1, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0x00, 0xA9, 0xB0, 0, 0x00, 0x28, 0x01, 0, 0x02, 0x05}, {0, 0x13, 0xD6, 0x20}},
        PresetCase{2, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0x00, 0x87, 0xC4, 0, 0x00, 0x20, 0x01, 0, 0x08, 0x19}, {0, 0x13, 0xD6, 0x9D}},
        PresetCase{3, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0x01, 0x53, 0x66, 0, 0x00, 0x50, 0x01, 0, 0x04, 0x05}, {0, 0x13, 0xD6, 0x6B}},
        PresetCase{4, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0x00, 0xEC, 0xA0, 0, 0x00, 0x18, 0x01, 0, 0x04, 0x19}, {0, 0x3D, 0x09, 0x00}},
        PresetCase{5, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0x00, 0xEC, 0xA2, 0, 0x00, 0x18, 0x01, 0, 0x04, 0x19}, {0, 0x3D, 0x09, 0x7D}},
        PresetCase{6, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0x02, 0x36, 0xA2, 0, 0x00, 0x28, 0x01, 0, 0x04, 0x19}, {0, 0x8D, 0x9A, 0x7D}}));

TEST(Presets, UnknownNumbersAreRefused) {
  Image img{};
  EXPECT_THROW(WriteSynthPreset(img, 0), std::out_of_range);
  EXPECT_THROW(WriteSynthPreset(img, 7), std::out_of_range);
  EXPECT_EQ(img, Image{});
}

struct DetectCase {
  uint8_t incd, band;
  int expected;  // -1: list left as it was
};

class Detection : public ::testing::TestWithParam<DetectCase> {};

TEST_P(Detection, ReadsTheBandFromTheImage) {
  Image img{};
  img[0x00D] = GetParam().incd;
  img[0x065] = GetParam().band;
  const auto band = DetectBandIndex(img);
  EXPECT_EQ(band.value_or(-1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Images, Detection,
                         ::testing::Values(DetectCase{2, 0x14, 0}, DetectCase{2, 0x3D, 2}, DetectCase{4, 0x8D, 3},
                                           DetectCase{0, 0x14, 1}, DetectCase{0, 0x00, 1}, DetectCase{2, 0x2F, -1},
                                           DetectCase{8, 0x04, -1}));

TEST(PanelTexts, HexAndChannelFormats) {
  EXPECT_EQ(HexText(0x1A311), "1A311");
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(0x2801), "2801");
  EXPECT_EQ(GpChannelText(12500), "12.5KHz");
  EXPECT_EQ(GpChannelText(6250), "6.25KHz");
  EXPECT_EQ(GpChannelText(2500), "2.5KHz");
  EXPECT_EQ(GpChannelText(25), "0.025KHz");
  EXPECT_EQ(GpChannelText(0), "0KHz");
}

// ------------------------------------------------------------ in the editor

class FrequencyField : public ::testing::Test {
 protected:
  void SetUp() override {
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    messages.Clear();
  }
  Image& img() { return state.PagerImage; }
  void SelectBand(int band) {
    editor.UserSelect({Ctl::cboDft, 0}, band);
    messages.Clear();
  }
  // Focus into the field, type the text, leave the field.
  void Enter(const std::string& text) {
    editor.SetFocus(kField);
    editor.UserEditText(kField, text);
    editor.SetFocus({Ctl::picTabBack, 0});
  }
  std::vector<std::string> Panel() {
    return {editor.lblBfreq.text, editor.lblPLLR.text, editor.lblPLLN.text, editor.lblINCD.text,
            editor.lblCHANNEL.text};
  }
  void ExpectRefused(const std::string& text, std::string_view message) {
    const Image before = img();
    Enter(text);
    ASSERT_EQ(messages.log.size(), 1u) << text;
    EXPECT_EQ(messages.log[0].text, message);
    EXPECT_EQ(messages.log[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(state.FreqRejected) << text;
    EXPECT_EQ(editor.focus, kField) << text;
    EXPECT_EQ(img(), before) << "a refused entry changed the image: " << text;
    messages.Clear();
    editor.txtFreq.text.clear();  // the user empties the field and leaves it
    editor.SetFocus({Ctl::picTabBack, 0});
    EXPECT_FALSE(state.FreqRejected);
  }

  static constexpr CtlRef kField{Ctl::txtFreq, 0};
  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor{state, messages, host};
};

TEST_F(FrequencyField, Band0WritesPresetsByRaster) {
  Enter("1530000");
  EXPECT_TRUE(messages.log.empty());
  EXPECT_EQ(GetBE32(img(), 0x068), 1530000u);
  EXPECT_EQ(Panel(), (std::vector<std::string>{"1300000", "2801", "A9B0", "2", "5KHz"}));
  Enter("1530125");
  EXPECT_EQ(img()[0x00D], 0x08);
  EXPECT_EQ(GetBE32(img(), 0x064), 1300125u);
  Enter("1530075");
  EXPECT_EQ(NWord(img()), 0x15366u);
  EXPECT_EQ(GetBE32(img(), 0x064), 1300075u);
  EXPECT_EQ(editor.txtFreq.text, "1530075");
  EXPECT_EQ(state.LastFreqText, "1530075");
  ExpectRefused("1530010", kMsgChannelSpacing);
  EXPECT_EQ(kMsgChannelSpacing, "Channel Spacing Error!");
}

TEST_F(FrequencyField, RangeEdgesOfBand0) {
  const std::string message = "Frequency setting error(1300000 < = Frequency < =1800000 )";
  ExpectRefused("1299999", message);
  ExpectRefused("1800001", message);
  ExpectRefused("1e20", message);  // beyond 32 bits, refused rather than failing
  ExpectRefused("-1530000", message);
  Enter("1300000");
  Enter("1800000");
  EXPECT_TRUE(messages.log.empty());
  EXPECT_EQ(GetBE32(img(), 0x068), 1800000u);
}

TEST_F(FrequencyField, GpBandComputesTheNWord) {
  SelectBand(kBandGP);
  EXPECT_EQ(img()[0x036] & 1, 1);
  EXPECT_FALSE(editor.chkCtl[4].visible);
  Enter("1530000");
  EXPECT_TRUE(messages.log.empty());
  EXPECT_EQ(Panel(), (std::vector<std::string>{"-------", "1A311", "149000", "0", "12.5KHz"}));
  Enter("1530025");
  EXPECT_EQ(NWord(img()), 0x66D080u);
  EXPECT_EQ(RWord(img()), 0x082F11u);
  EXPECT_EQ(editor.lblCHANNEL.text, "2.5KHz");
  EXPECT_EQ(state.LastFreqText, "1530025");
  SelectBand(kBand130);
  EXPECT_EQ(img()[0x036] & 1, 0);
  EXPECT_TRUE(editor.chkCtl[4].visible);
  EXPECT_EQ(editor.txtFreq.text, "1530025");
  EXPECT_EQ(GetBE32(img(), 0x068), 1530025u);
}

TEST_F(FrequencyField, EveryStepIsAcceptedInBothLowBands) {
  for (int band : {kBand130, kBandGP}) {
    SelectBand(band);
    editor.SetFocus(kField);
    for (int32_t f = 1300000; f <= 1800000; f += 25) {
      editor.txtFreq.text = std::to_string(f);
      editor.txtFreq_LostFocus();
      ASSERT_TRUE(messages.log.empty()) << "band " << band << " refused " << f;
      ASSERT_EQ(GetBE32(img(), 0x068), static_cast<uint32_t>(f));
    }
  }
}

TEST_F(FrequencyField, HighBandsUseTheirPresetsAndKeepLastFreqText) {
  Enter("1600000");
  SelectBand(kBand400);
  EXPECT_EQ(GetBE32(img(), 0x068), 4540125u);
  EXPECT_EQ(GetBE32(img(), 0x064), 4000125u) << "preset 5";
  EXPECT_EQ(editor.cboCtl[9].index, 1);
  Enter("4540000");
  EXPECT_EQ(GetBE32(img(), 0x064), 4000000u) << "preset 4";
  ExpectRefused("4540025", kMsgChannelSpacing);
  SelectBand(kBand900);
  EXPECT_EQ(editor.cboCtl[9].index, 2);
  EXPECT_EQ(img()[0x062], 0xF3);
  EXPECT_EQ(GetBE32(img(), 0x068), 9310125u);
  Enter("9300125");
  EXPECT_EQ(GetBE32(img(), 0x068), 9300125u);
  EXPECT_EQ(editor.lblCHANNEL.text, "25KHz");
  // An entry off the 25 kHz raster keeps the receive frequency accepted before.
  ExpectRefused("9300000", kMsgChannelSpacing);
  EXPECT_EQ(GetBE32(img(), 0x068), 9300125u);
  SelectBand(kBand130);
  EXPECT_EQ(editor.txtFreq.text, "1600000");
  EXPECT_EQ(GetBE32(img(), 0x068), 1600000u);
}

TEST_F(FrequencyField, NonNumericTextsAreRefused) {
  const Image before = img();
  editor.SetFocus(kField);
  editor.UserEditText(kField, "15a");
  ASSERT_EQ(messages.Texts(), (std::vector<std::string>{"Please insert a decimal numeric!"}));
  EXPECT_EQ(messages.log[0].icon, MsgIcon::Warning);
  EXPECT_EQ(editor.txtFreq.text, "1530000") << "the stored frequency is shown again";
  EXPECT_EQ(editor.focus, kField);
  messages.Clear();
  // A text that reached the field without a key release is checked on leaving.
  editor.txtFreq.text = "15 30";
  editor.SetFocus({Ctl::picTabBack, 0});
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Please insert a decimal numeric!"}));
  EXPECT_TRUE(state.FreqRejected);
  EXPECT_EQ(editor.focus, kField);
  EXPECT_EQ(img(), before);
}

TEST_F(FrequencyField, KeysAndEmptyFieldClearTheRefusal) {
  editor.SetFocus(kField);
  EXPECT_EQ(editor.txtFreq.text, "") << "gaining the focus clears the field";
  editor.UserEditText(kField, "1");
  editor.SetFocus({Ctl::picTabBack, 0});
  ASSERT_TRUE(state.FreqRejected);
  editor.KeyPress(kField, '5');
  EXPECT_FALSE(state.FreqRejected);
  const Image before = img();
  messages.Clear();
  editor.txtFreq.text.clear();
  EXPECT_TRUE(editor.KeyPress(kField, 13)) << "Enter is swallowed";
  EXPECT_EQ(editor.focus, (CtlRef{Ctl::picTabBack, 0}));
  EXPECT_EQ(editor.txtFreq.text, "1530000");
  EXPECT_EQ(img(), before);
  EXPECT_TRUE(messages.log.empty());
}

TEST_F(FrequencyField, NoBandSelectedRefusesWithoutFailing) {
  editor.cboDft.index = -1;
  ExpectRefused("1530000", kMsgNoBand);
}

TEST_F(FrequencyField, DetectionSetsTheListWithoutApplyingDefaults) {
  img()[0x00D] = 0;
  const Image gp = img();
  editor.DetectBand();
  EXPECT_EQ(editor.cboDft.index, kBandGP);
  EXPECT_FALSE(editor.chkCtl[4].visible);
  EXPECT_FALSE(state.DecodingFlag);
  EXPECT_EQ(img(), gp);
  img()[0x00D] = 2;
  img()[0x065] = 0x7F;  // unknown band nibble
  editor.DetectBand();
  EXPECT_EQ(editor.cboDft.index, kBandGP);
  EXPECT_FALSE(state.DecodingFlag);
  img()[0x065] = 0x3D;
  editor.DetectBand();
  EXPECT_EQ(editor.cboDft.index, kBand400);
  EXPECT_EQ(GetBE32(img(), 0x068), 1530000u) << "band defaults were applied";
}

TEST_F(FrequencyField, DecodeErrorsForFrequenciesBeyondTheirType) {
  const int32_t base = state.BaseFreqHz;
  SetBE32(img(), 0x064, 21474837);  // times 100 leaves 32 bits
  state.DecodeError = 0;
  editor.read_BaseFreq();
  EXPECT_EQ(state.DecodeError, 3);
  EXPECT_EQ(state.BaseFreqHz, base);
  SetBE32(img(), 0x064, 21474836);
  state.DecodeError = 0;
  editor.read_BaseFreq();
  EXPECT_EQ(state.DecodeError, 0);
  EXPECT_EQ(state.BaseFreqHz, 2147483600);

  SetBE32(img(), 0x068, 0x80000000u);
  EXPECT_THROW(editor.read_freq(), std::exception);
  state.DecodeError = 0;
  editor.init_ctl();
  EXPECT_EQ(state.DecodeError, 1);
}

}  // namespace
}  // namespace qrt
