// The frequency field, the band list and the synthesizer panel of the
// Freq. & Codes page.
#include <limits>

#include "base/Numbers.h"
#include "codecs/Frequency.h"
#include "codecs/Numeric.h"
#include "editor/Editor.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

constexpr CtlRef kFreqField{Ctl::txtFreq, 0};
constexpr CtlRef kBaudList{Ctl::cboCtl, 9};
constexpr int kBaud1200 = 1;
constexpr int kBaud2400 = 2;
constexpr int kFreqModificationBox = 4;  // chkCtl(4), "Frequency Modification Enable"
constexpr int kBand900Preset = 6;
constexpr int32_t kBand900Raster = 25000;

// Handlers put the stored frequency back into the field. An image whose
// frequency cannot be shown is caught by the binder when it is bound; here the
// field is simply left empty rather than letting a handler fail.
void ShowStoredFrequency(Editor& editor) {
  try {
    editor.read_freq();
  } catch (const std::exception&) {
  }
}

// The base frequency preset 6 writes, in hertz.
double Band900BaseHz() {
  const SynthFrequencyRow& row = SynthPresetFrequencies()[kBand900Preset - 1];
  const uint32_t base = (uint32_t{row[0]} << 24) | (uint32_t{row[1]} << 16) | (uint32_t{row[2]} << 8) | row[3];
  return static_cast<double>(base) * 100;
}

}  // namespace

void Editor::read_BaseFreq() {
  const int64_t hz = int64_t{GetBE32(image(), kBaseFreqAddress)} * 100;
  if (hz > std::numeric_limits<int32_t>::max()) {
    state.DecodeError = 3;
    return;
  }
  state.BaseFreqHz = static_cast<int32_t>(hz);
}

void Editor::read_pll() {
  read_BaseFreq();
  const bool gp = cboDft.index == kBandGP;
  lblBfreq.text = gp ? "-------" : std::to_string(state.BaseFreqHz / 100);
  lblINCD.text = HexText(image()[kIncdAddress]);
  lblPLLR.text = HexText(RWord(image()));
  if (gp) {
    // The GP spacing is not in the image: it is the one the last accepted GP
    // frequency chose, or what the last refresh in another band left.
    lblCHANNEL.text = GpChannelText(state.ChannelSpacing);
  } else {
    state.ChannelSpacing = image()[kSpacingKHzAddress];
    lblCHANNEL.text = std::to_string(image()[kSpacingKHzAddress]) + "KHz";
  }
  lblPLLN.text = HexText(NWord(image()));
}

void Editor::read_freq() {
  txtFreq.text.clear();
  const uint32_t value = GetBE32(image(), kReceiveFreqAddress);
  if (value > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
    throw OverflowError("receive frequency " + std::to_string(value) + " cannot be shown");
  txtFreq.text = std::to_string(value);
  read_pll();
}

void Editor::Set_Freq(int32_t value, int address) { SetBE32(image(), address, static_cast<uint32_t>(value)); }

void Editor::WritePreset(int preset) { WriteSynthPreset(image(), preset); }

void Editor::txtFreq_GotFocus() { txtFreq.text.clear(); }

// Any key, Enter included, withdraws a refusal: the user is correcting the
// entry. Enter itself (focus to the tab background) is the dispatch's.
bool Editor::txtFreq_KeyPress(int /*ch*/) {
  state.FreqRejected = false;
  return false;
}

EditOutcome Editor::txtFreq_KeyUp() {
  if (txtFreq.text.empty()) return EditOutcome::Stored();
  if (IsNumeric(txtFreq.text)) return EditOutcome::Stored();
  msg.Show(kMsgFreqNotNumeric, MsgIcon::Warning);
  ShowStoredFrequency(*this);
  SetFocus(kFreqField);
  return EditOutcome::Refused(kMsgFreqNotNumeric);
}

EditOutcome Editor::txtFreq_LostFocus() {
  const std::string text = txtFreq.text;
  if (text.empty()) {
    state.FreqRejected = false;
    ShowStoredFrequency(*this);
    return EditOutcome::Stored();
  }
  // Every refusal leaves the image as it was and sends the focus back, so the
  // pager commands see FreqRejected and send nothing.
  const auto refuse = [this](std::string_view message) {
    msg.Show(message, MsgIcon::Warning);
    state.FreqRejected = true;
    SetFocus(kFreqField);
    return EditOutcome::Refused(message);
  };

  // A text pasted without a key release has not been checked yet.
  const auto number = ParseNumeric(text);
  if (!number) return refuse(kMsgFreqNotNumeric);

  const int band = cboDft.index;
  if (band < 0 || band >= static_cast<int>(cboDft.entries.size())) return refuse(kMsgNoBand);
  const std::string entry = cboDft.entries[band];
  const auto bounds = BandBoundsFromEntry(entry);
  if (!bounds) return refuse(kMsgNoBand);

  // A value beyond 32 bits is beyond every band as well.
  const auto value = RoundToInt32(*number);
  if (!value || *value > bounds->high || *value < bounds->low) return refuse(FrequencyRangeMessage(entry));

  const double hz = *number * 100;
  switch (band) {
    case kBand130:
    case kBand400: {
      const auto preset = RasterPreset(band, hz);
      if (!preset) return refuse(kMsgChannelSpacing);
      WriteSynthPreset(image(), *preset);
      if (band == kBand130) state.LastFreqText = text;
      break;
    }
    case kBandGP: {
      const auto synth = GpSynthFor(hz);
      if (!synth) return refuse(kMsgChannelSpacing);
      StoreGpSynth(image(), *synth);
      state.ChannelSpacing = static_cast<float>(synth->spacingHz);
      state.LastFreqText = text;
      break;
    }
    case kBand900:
      // The raster is tested against the base frequency preset 6 brings before
      // the preset is written, so that a refused entry cannot replace the
      // receive frequency already in the image by the preset's.
      if (!OnRaster(hz, Band900BaseHz(), kBand900Raster)) return refuse(kMsgChannelSpacing);
      WriteSynthPreset(image(), kBand900Preset);
      read_BaseFreq();
      break;
    default:
      return refuse(kMsgNoBand);
  }
  Set_Freq(*value, kReceiveFreqAddress);
  ShowStoredFrequency(*this);
  return EditOutcome::Stored();
}

EditOutcome Editor::cboDft_Click() {
  if (state.DecodingFlag) {
    state.DecodingFlag = false;
    return EditOutcome::Stored();
  }
  const int band = cboDft.index;
  SetField(image(), kFreqLockAddress, 0, 1, band == kBandGP ? 1 : 0);
  chkCtl[kFreqModificationBox].visible = band != kBandGP;
  switch (band) {
    case kBand130:
    case kBandGP:
      SetListIndex(kBaudList, kBaud1200);
      txtFreq.text = state.LastFreqText;
      break;
    case kBand400:
      SetListIndex(kBaudList, kBaud1200);
      txtFreq.text = std::string(kDefaultFreq400);
      break;
    case kBand900:
      SetListIndex(kBaudList, kBaud2400);
      txtFreq.text = std::string(kDefaultFreq900);
      break;
    default:
      break;
  }
  // The band's frequency goes through the field's own rules; when the field
  // refuses it, so is the band change (the window shows it bound all the same).
  const EditOutcome frequency = txtFreq_LostFocus();
  init_ctl();
  return frequency;
}

void Editor::DetectBand() {
  state.DecodingFlag = true;  // the list change must not apply band defaults
  const auto band = DetectBandIndex(image());
  if (band) {
    SetListIndex({Ctl::cboDft, 0}, *band);
    if (*band == kBandGP) chkCtl[kFreqModificationBox].visible = false;
  }
  state.DecodingFlag = false;
}

bool Editor::BandListOnGp() const { return cboDft.index == kBandGP; }

Editor::BandView Editor::bandView() const { return {cboDft.index, chkCtl[kFreqModificationBox].visible}; }

// The band list and the box were set from a pager that could not be shown;
// with the previous image back they must describe that image again, or the
// next write asks the hardware question against the wrong band.
void Editor::RestoreBandView(const BandView& view) {
  if (view.listIndex >= 0 && view.listIndex < static_cast<int>(cboDft.entries.size())) {
    state.DecodingFlag = true;  // the list's click handler must not apply band defaults
    SetListIndex({Ctl::cboDft, 0}, view.listIndex);
  } else {
    cboDft.index = view.listIndex;
  }
  state.DecodingFlag = false;
  chkCtl[kFreqModificationBox].visible = view.freqModVisible;
  DetectBand();
  state.DecodingFlag = false;
}

}  // namespace qrt
