#pragma once
// The pager's national character variants. The pager's character set is
// 7-bit; for Spanish, French and German some code points carry national
// letters. While the image is in the editor (and in table files) prompt text
// is Windows-1252; while it is in the pager it is the pager's variant of the
// language at 0x03A. The conversion runs at the pager boundary only: to the
// pager form before a write or verify, back after it, and to the display form
// after a read.
//
// Only the 18 text bytes (offsets 2..19) of each 20-byte prompt record are
// converted. The attribute byte (leading blanks) and the count byte are
// numbers, not characters: a count of 0x23 or an attribute of 0x40 must reach
// the pager as it is.
#include <array>
#include <cstdint>
#include <span>

#include "image/PagerImage.h"

namespace qrt {

struct CharsetPair {
  uint8_t pager;    // code in the pager's 7-bit variant
  uint8_t display;  // Windows-1252 code of the same letter
};

// The pairs of a language code (5 Spanish, 6 French, 8 German); empty for any
// other code, English included.
std::span<const CharsetPair> CharsetRow(int languageCode);

// One byte in either direction; bytes not in the language's row are returned unchanged.
uint8_t PagerByte(int languageCode, uint8_t displayCode);
uint8_t DisplayByte(int languageCode, uint8_t pagerCode);

// The prompt areas the conversion covers: the menu prompts, the two history
// prompts and the source prompts. The flash-only (0x0A0) and charging (0x428)
// records lie outside and are never converted.
struct ImageRange {
  int first;
  int last;  // inclusive
};
inline constexpr std::array<ImageRange, 3> kCharsetRanges = {{
    {0x100, 0x36B},
    {0x3B8, 0x3DF},
    {0x540, 0x7BF},
}};
inline constexpr int kCharsetLanguageAddress = 0x03A;  // low nibble

// The language code the conversion follows: the low nibble of 0x03A.
int CharsetLanguage(const Image& image);

// Convert the text bytes of every prompt record in the three areas, by the
// language code read from the image each time.
void ToPagerCharset(Image& image);
void ToDisplayCharset(Image& image);

}  // namespace qrt
