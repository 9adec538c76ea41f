#pragma once
// Prompt records: how the pager's fixed display texts are shown in their text
// fields and stored back.
//
// A record is 20 bytes: byte 0 bits 0-3 the number of leading spaces shown
// before the text (0..15) and bits 4-7 attribute bits that are never touched
// here; byte 1 the text length; bytes 2..19 the text, Windows-1252 while the
// image is in the editor. Field texts are UTF-8.
#include <string>
#include <string_view>

#include "image/PagerImage.h"

namespace qrt {

inline constexpr std::string_view kMsgPromptTooLong = "Can not exceed 18 characters exclude left space!";
inline constexpr int kPromptLeadMax = 15;
inline constexpr int kLogoModeAddress = 0x03B;  // bits 0-1: 2 logo shown, 0 blank logo

// The field text of the record at `address`: the leading spaces, then the
// counted text bytes as Windows-1252 characters. The single space that stands
// for a blank prompt is not shown, so that storing what a field shows gives
// back the same record. A count above 18 (a damaged record) shows the record's
// 18 text bytes, never the bytes of the next record. For the logo (`logo`),
// fifteen leading spaces and that single space with the logo shown (logo
// mode 2) are sixteen spaces: the store made them of a logo of sixteen or
// more spaces, and shows them so, so that the logo mode stays.
// Throws ImageIndexError when the record does not lie inside the image.
std::string PromptDisplayText(const Image& image, int address, bool logo = false);

enum class PromptStoreStatus {
  Stored,
  TooLong,       // more than 18 characters after the leading spaces; or more than 15
                 // leading spaces and a text that no longer fits in the 18 bytes
  BadCharacter,  // a character Windows-1252 has no byte for
};

struct PromptStoreResult {
  PromptStoreStatus status = PromptStoreStatus::Stored;
  std::string message;  // what to tell the user when the entry is refused
};

// Stores a field text into the record at `address`. The leading spaces go to
// the low nibble of byte 0 (at most 15; further ones stay in the text), the
// text without leading and trailing spaces follows; an empty text is stored as
// a single space. For the logo record the logo mode bits of 0x03B become 0
// when nothing but the leading spaces the record holds (at most 15) was typed,
// and 2 otherwise: 16 spaces or more leave spaces in the text, which counts as
// text. A refused entry leaves the image exactly as it was.
PromptStoreResult StorePromptText(Image& image, int address, std::string_view utf8Text, bool logo);

// "The character "Ω" can not be used in a prompt!"
std::string PromptBadCharacterMessage(std::string_view character);

}  // namespace qrt
