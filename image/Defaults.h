#pragma once
// The factory configuration of a new pager and the constant tables that the
// editor copies from: the prompt tables of the four display languages, the
// flash-only and history prompt slots, and the synthesizer presets.
//
// All text in these tables is Windows-1252, the character set the image holds
// while it is in memory. Every table is built once and never changed.
#include <array>
#include <cstdint>
#include <optional>

#include "image/PagerImage.h"

namespace qrt {

// A prompt slot: attribute byte (low nibble = leading blanks), character
// count (0..18), then 18 character bytes of which only `count` are meaningful.
inline constexpr int kPromptSlotSize = 20;
inline constexpr int kPromptMaxChars = 18;
inline constexpr int kPromptTableSlots = 31;
inline constexpr int kPromptTableSize = kPromptTableSlots * kPromptSlotSize;  // 620

// The five segments laid end to end form the 2048-byte image.
inline constexpr int kHeaderDefaultsSize = 256;     // 0x000..0x0FF
inline constexpr int kFunctionDefaultsSize = 148;   // 0x36C..0x3FF
inline constexpr int kStatusDefaultsSize = 320;     // 0x400..0x53F
inline constexpr int kNewsDefaultsSize = 704;       // 0x540..0x7FF

inline constexpr int kHeaderDefaultsAddress = 0x000;
inline constexpr int kPromptsAddress = 0x100;
inline constexpr int kFunctionDefaultsAddress = 0x36C;
inline constexpr int kStatusDefaultsAddress = 0x400;
inline constexpr int kNewsDefaultsAddress = 0x540;

// Prompt slots that the language tables replace.
inline constexpr int kFlashPromptAddress = 0x0A0;
inline constexpr int kHistoryPromptsAddress = 0x3B8;  // two slots, 0x3B8 and 0x3CC
inline constexpr int kHistoryPromptsSize = 2 * kPromptSlotSize;
inline constexpr int kChargingPromptAddress = 0x428;

// Language codes of the pager (low nibble of 0x03A and 0x03E).
inline constexpr int kLangEnglish = 2;
inline constexpr int kLangSpanish = 5;
inline constexpr int kLangFrench = 6;
inline constexpr int kLangGerman = 8;

// The receive frequency of the factory image, as the frequency field shows it.
inline constexpr const char* kDefaultFreqText = "1530000";

using PromptSlot = std::array<uint8_t, kPromptSlotSize>;
using PromptTable = std::array<uint8_t, kPromptTableSize>;
using HistoryPrompts = std::array<uint8_t, kHistoryPromptsSize>;

// Image segments.
const std::array<uint8_t, kHeaderDefaultsSize>& HeaderDefaults();
const PromptTable& PromptsEnglish();
const std::array<uint8_t, kFunctionDefaultsSize>& FunctionDefaults();
const std::array<uint8_t, kStatusDefaultsSize>& StatusDefaults();
const std::array<uint8_t, kNewsDefaultsSize>& NewsDefaults();

// Tables outside the image.
const PromptTable& PromptsSpanish();
const PromptTable& PromptsFrench();
const PromptTable& PromptsGerman();
const PromptSlot& FlashPromptEnglish();
const PromptSlot& FlashPromptSpanish();
const PromptSlot& FlashPromptFrench();
const PromptSlot& FlashPromptGerman();
const HistoryPrompts& HistoryPromptsFrench();
const HistoryPrompts& HistoryPromptsGerman();

// Synthesizer presets 1..6 are rows 0..5. A register row's first 15 bytes go
// to 0x000..0x00E (the 16th is unused); a frequency row's first four bytes go
// to the base frequency 0x064..0x067, and preset 6 writes all eight
// (base and receive frequency, 0x064..0x06B).
inline constexpr int kSynthPresetCount = 6;
inline constexpr int kSynthRegisterBytesWritten = 15;
using SynthRegisterRow = std::array<uint8_t, 16>;
using SynthFrequencyRow = std::array<uint8_t, 8>;
const std::array<SynthRegisterRow, kSynthPresetCount>& SynthPresetRegisters();
const std::array<SynthFrequencyRow, kSynthPresetCount>& SynthPresetFrequencies();

// The factory image: the five segments end to end. Its checksum bytes hold
// FF FF; a valid checksum is stored only when an image is written.
Image BuildDefaultImage();

// Tables for a pager language code. Codes other than Spanish, French and
// German (English 2, and 0 or 1 which the language list also shows as
// English) give the English tables.
const PromptTable& PromptTableForLanguage(int code);
const PromptSlot& FlashPromptForLanguage(int code);
// nullptr for languages without history prompts of their own (English, Spanish).
const HistoryPrompts* HistoryPromptsForLanguage(int code);

// The factory bytes of the 20-byte prompt slot that starts at `address`, for
// the given language: the language's flash-only slot at 0x0A0, its prompt
// table for 0x100..0x36B, otherwise the segment that holds the address.
// nullopt when the 20 bytes from `address` do not lie inside one table.
std::optional<PromptSlot> FactoryPromptSlot(int address, int languageCode);

}  // namespace qrt
