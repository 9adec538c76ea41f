#pragma once
// Receive frequency and synthesizer words.
//
// Frequencies are whole numbers of 100 Hz wherever the user sees them
// ("1530000" is 153.0000 MHz); the raster tests work in hertz. The image holds
// the synthesizer block at 0x000..0x00E (N word 0x005..0x007, R word
// 0x009..0x00B, "Incd" byte 0x00D, spacing in kHz 0x00E), the base frequency
// at 0x064 and the receive frequency at 0x068, both big-endian.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/PagerImage.h"

namespace qrt {

// Band list indices.
inline constexpr int kBand130 = 0;    // "130-180MHz", presets 1-3
inline constexpr int kBandGP = 1;     // "130-180MHz-GP(RoHS)", computed N word
inline constexpr int kBand400 = 2;    // "400-499MHz", presets 4-5
inline constexpr int kBand900 = 3;    // "929-932MHz", preset 6

inline constexpr int kNWordAddress = 0x005;
inline constexpr int kRWordAddress = 0x009;
inline constexpr int kIncdAddress = 0x00D;
inline constexpr int kSpacingKHzAddress = 0x00E;
inline constexpr int kBaseFreqAddress = 0x064;
inline constexpr int kReceiveFreqAddress = 0x068;
inline constexpr int kFreqLockAddress = 0x036;  // bit 0: 1 in the GP band

inline constexpr std::string_view kMsgFreqNotNumeric = "Please insert a decimal numeric!";
inline constexpr std::string_view kMsgChannelSpacing = "Channel Spacing Error!";
inline constexpr std::string_view kMsgNoBand = "Please select the Range Of Frequency first!";
inline constexpr std::string_view kDefaultFreq400 = "4540125";
inline constexpr std::string_view kDefaultFreq900 = "9310125";

// The accepted range of a band, in 100 Hz units, read from the entry text:
// characters 1-3 and 5-7 times 10000 ("130-180MHz" → 1300000..1800000).
// nullopt when those characters are not digits (an empty entry: no band).
struct BandBounds {
  int32_t low;
  int32_t high;
};
std::optional<BandBounds> BandBoundsFromEntry(std::string_view entry);

// "Frequency setting error(1300000 < = Frequency < =1800000 )" for "130-180MHz".
std::string FrequencyRangeMessage(std::string_view entry);

// True when (hz - offsetHz), rounded to a 32-bit integer (ties to even), is
// a multiple of step.
bool OnRaster(double hz, double offsetHz, int32_t step);

// The preset (1..5) a frequency in hertz selects in band 0 or band 2 by its
// channel raster; nullopt when no raster of the band matches or for another band.
std::optional<int> RasterPreset(int band, double hz);

// The GP band's synthesizer words for a frequency in hertz: the first of the
// spacings 12.5, 6.25 and 2.5 kHz that D = hz - 21.4 MHz is a multiple of,
// that spacing's R word, N = D / spacing and the N word N * 128.
struct GpSynth {
  int32_t spacingHz;
  std::array<uint8_t, 3> rWord;
  int32_t n;
  uint32_t nWord;
};
inline constexpr double kGpOffsetHz = 21400000;
std::optional<GpSynth> GpSynthFor(double hz);

// N word (bytes 0x005..0x007), R word (0x009..0x00B) and 0x00D := 0. The other
// synthesizer bytes and the base frequency stay as they are.
void StoreGpSynth(Image& image, const GpSynth& synth);

// Preset 1..6: register bytes 0x000..0x00E, the base frequency, and for
// preset 6 the receive frequency as well. Throws std::out_of_range for another number.
void WriteSynthPreset(Image& image, int preset);

// The band an image belongs to: 0x00D = 0 is the GP band; otherwise the high
// nibble of 0x065 (1 → band 0, 3 → band 2, 8 → band 3). nullopt for any other nibble.
std::optional<int> DetectBandIndex(const Image& image);

// 24-bit words of the synthesizer panel.
uint32_t NWord(const Image& image);
uint32_t RWord(const Image& image);

// The channel label of the GP band: spacing / 1000 in the shortest decimal
// form, with a '.' whatever the system's number format, then "KHz"
// ("12.5KHz", "6.25KHz", "0.005KHz").
std::string GpChannelText(float spacingHz);

}  // namespace qrt
