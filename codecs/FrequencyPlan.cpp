// The arithmetic of the frequency field: band bounds, channel rasters,
// synthesizer presets and the GP band's computed N word.
#include <charconv>
#include <stdexcept>

#include "base/Numbers.h"
#include "codecs/Frequency.h"
#include "codecs/Numeric.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

// Characters `first` (1-based) to first + count - 1 of a text, as much of them as there is.
std::string_view Mid(std::string_view text, size_t first, size_t count) {
  if (first - 1 >= text.size()) return {};
  return text.substr(first - 1, count);
}

std::optional<int32_t> ThreeDigits(std::string_view text) {
  if (text.size() != 3) return std::nullopt;
  const auto value = ParseDigits(text);
  if (!value) return std::nullopt;
  return static_cast<int32_t>(*value);
}

struct GpRaster {
  int32_t spacingHz;
  std::array<uint8_t, 3> rWord;
};
// The bits above the low seven of each R word, times its spacing, give the
// same 10.475 MHz reference; the low seven bits are 0x11 in all three.
constexpr std::array<GpRaster, 3> kGpRasters = {{
    {12500, {0x01, 0xA3, 0x11}},
    {6250, {0x03, 0x46, 0x11}},
    {2500, {0x08, 0x2F, 0x11}},
}};

uint32_t Word24(const Image& image, int address) {
  return (uint32_t{image[address]} << 16) | (uint32_t{image[address + 1]} << 8) | image[address + 2];
}

}  // namespace

std::optional<BandBounds> BandBoundsFromEntry(std::string_view entry) {
  const auto low = ThreeDigits(Mid(entry, 1, 3));
  const auto high = ThreeDigits(Mid(entry, 5, 3));
  if (!low || !high) return std::nullopt;
  return BandBounds{*low * 10000, *high * 10000};
}

std::string FrequencyRangeMessage(std::string_view entry) {
  std::string text = "Frequency setting error(";
  text += Mid(entry, 1, 3);
  text += "0000 < = Frequency < =";
  text += Mid(entry, 5, 3);
  text += "0000 )";
  return text;
}

bool OnRaster(double hz, double offsetHz, int32_t step) {
  const auto delta = RoundToInt32(hz - offsetHz);
  return delta && *delta % step == 0;
}

std::optional<int> RasterPreset(int band, double hz) {
  if (band == kBand130) {
    if (OnRaster(hz, 130000000, 5000)) return 1;
    if (OnRaster(hz, 130012500, 25000)) return 2;
    if (OnRaster(hz, 130007500, 5000)) return 3;
  } else if (band == kBand400) {
    if (OnRaster(hz, 450000000, 5000)) return 4;
    if (OnRaster(hz, 450012500, 25000)) return 5;
  }
  return std::nullopt;
}

std::optional<GpSynth> GpSynthFor(double hz) {
  for (const GpRaster& raster : kGpRasters) {
    if (!OnRaster(hz, kGpOffsetHz, raster.spacingHz)) continue;
    const auto n = RoundToInt32((hz - kGpOffsetHz) / raster.spacingHz);
    // N fills 17 bits of the 24-bit word above its 7 low zero bits.
    if (!n || *n < 0 || *n >= (1 << 17)) return std::nullopt;
    return GpSynth{raster.spacingHz, raster.rWord, *n, static_cast<uint32_t>(*n) << 7};
  }
  return std::nullopt;
}

void StoreGpSynth(Image& image, const GpSynth& synth) {
  for (int k = 0; k < 3; ++k) image[kRWordAddress + k] = synth.rWord[k];
  image[kNWordAddress + 2] = static_cast<uint8_t>(synth.nWord & 0xFF);
  image[kNWordAddress + 1] = static_cast<uint8_t>((synth.nWord >> 8) & 0xFF);
  image[kNWordAddress] = static_cast<uint8_t>((synth.nWord >> 16) & 0xFF);
  image[kIncdAddress] = 0;
}

void WriteSynthPreset(Image& image, int preset) {
  if (preset < 1 || preset > kSynthPresetCount)
    throw std::out_of_range("synthesizer preset " + std::to_string(preset) + " outside 1..6");
  const SynthRegisterRow& registers = SynthPresetRegisters()[preset - 1];
  const SynthFrequencyRow& frequencies = SynthPresetFrequencies()[preset - 1];
  for (int k = 0; k < kSynthRegisterBytesWritten; ++k) image[k] = registers[k];
  const int frequencyBytes = preset == 6 ? 8 : 4;
  for (int k = 0; k < frequencyBytes; ++k) image[kBaseFreqAddress + k] = frequencies[k];
}

std::optional<int> DetectBandIndex(const Image& image) {
  if (image[kIncdAddress] == 0) return kBandGP;
  switch (image[addr::kBandByte] >> 4) {
    case 1: return kBand130;
    case 3: return kBand400;
    case 8: return kBand900;
    default: return std::nullopt;
  }
}

uint32_t NWord(const Image& image) { return Word24(image, kNWordAddress); }
uint32_t RWord(const Image& image) { return Word24(image, kRWordAddress); }

std::string GpChannelText(float spacingHz) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, spacingHz / 1000.0f, std::chars_format::fixed);
  return std::string(buffer, result.ptr) + "KHz";
}

}  // namespace qrt
