#include "codecs/Charset.h"

#include "image/Defaults.h"

namespace qrt {
namespace {

constexpr std::array<CharsetPair, 10> kSpanish = {{
    {0x23, 0xA1}, {0x5B, 0xC7}, {0x5C, 0xD1}, {0x5D, 0xBA}, {0x5E, 0xAA},
    {0x60, 0xBF}, {0x7B, 0xE7}, {0x7C, 0xF1}, {0x7D, 0xDC}, {0x7E, 0xFC},
}};
constexpr std::array<CharsetPair, 9> kFrench = {{
    {0x23, 0xA3}, {0x40, 0xE0}, {0x5B, 0xB0}, {0x5C, 0xE7}, {0x5D, 0xA7},
    {0x7B, 0xE9}, {0x7C, 0xF9}, {0x7D, 0xE8}, {0x7E, 0xAF},
}};
constexpr std::array<CharsetPair, 8> kGerman = {{
    {0x40, 0xA7}, {0x5B, 0xC4}, {0x5C, 0xD6}, {0x5D, 0xDC},
    {0x7B, 0xE4}, {0x7C, 0xF6}, {0x7D, 0xFC}, {0x7E, 0xDF},
}};

constexpr int kFirstTextByte = 2;

// Every byte is looked up once, so a converted byte is never converted again.
template <bool kToPager>
void ConvertPrompts(Image& image) {
  const auto row = CharsetRow(CharsetLanguage(image));
  if (row.empty()) return;
  std::array<uint8_t, 256> map{};
  for (int b = 0; b < 256; ++b) map[b] = static_cast<uint8_t>(b);
  for (const CharsetPair& p : row) {
    if (kToPager)
      map[p.display] = p.pager;
    else
      map[p.pager] = p.display;
  }
  for (const ImageRange& range : kCharsetRanges) {
    for (int record = range.first; record + kPromptSlotSize - 1 <= range.last; record += kPromptSlotSize)
      for (int k = kFirstTextByte; k < kPromptSlotSize; ++k) image[record + k] = map[image[record + k]];
  }
}

}  // namespace

std::span<const CharsetPair> CharsetRow(int languageCode) {
  switch (languageCode) {
    case kLangSpanish: return kSpanish;
    case kLangFrench: return kFrench;
    case kLangGerman: return kGerman;
    default: return {};
  }
}

uint8_t PagerByte(int languageCode, uint8_t displayCode) {
  for (const CharsetPair& p : CharsetRow(languageCode))
    if (p.display == displayCode) return p.pager;
  return displayCode;
}

uint8_t DisplayByte(int languageCode, uint8_t pagerCode) {
  for (const CharsetPair& p : CharsetRow(languageCode))
    if (p.pager == pagerCode) return p.display;
  return pagerCode;
}

int CharsetLanguage(const Image& image) { return image[kCharsetLanguageAddress] & 0x0F; }

void ToPagerCharset(Image& image) { ConvertPrompts<true>(image); }
void ToDisplayCharset(Image& image) { ConvertPrompts<false>(image); }

}  // namespace qrt
