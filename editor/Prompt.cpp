#include "editor/Prompt.h"

#include <optional>

#include "codecs/Numeric.h"
#include "image/Cp1252.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

constexpr int kCountOffset = 1;
constexpr int kTextOffset = 2;

void CheckRecord(int address) {
  if (address < 0 || address + kPromptSlotSize - 1 > ImageLastIndex)
    throw ImageIndexError("prompt record at " + std::to_string(address) + " outside the image");
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Number of characters of a UTF-8 text (a stray byte counts as one).
size_t CharacterCount(std::string_view utf8) {
  size_t count = 0;
  for (unsigned char c : utf8)
    if (!IsContinuation(c)) ++count;
  return count;
}

// Length of the well-formed UTF-8 sequence at utf8[i], or 0 when the bytes
// there are not one (a stray or truncated byte, an overlong form, a surrogate).
size_t WellFormedLength(std::string_view utf8, size_t i) {
  size_t end = i;
  return NextCodePoint(utf8, end) ? end - i : 0;
}

// The first character of a text that has no Windows-1252 byte, as it was
// typed. Bytes that are not UTF-8 at all are named by the replacement
// character: the message itself must stay readable text.
std::string FirstUnencodable(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t length = WellFormedLength(utf8, i);
    if (length == 0) return "\xEF\xBF\xBD";  // U+FFFD
    const std::string_view character = utf8.substr(i, length);
    if (!Utf8ToCp1252(character)) return std::string(character);
    i += length;
  }
  return {};
}

}  // namespace

std::string PromptDisplayText(const Image& image, int address, bool logo) {
  CheckRecord(address);
  const int lead = image[address] & 0x0F;
  int count = image[address + kCountOffset];
  if (count > kPromptMaxChars) count = kPromptMaxChars;
  std::string text(static_cast<size_t>(lead), ' ');
  // A blank prompt is stored as its leading spaces and a single space, because
  // the pager wants at least one character. Showing that space as well would
  // make every pass through the field store one more leading space.
  if (count == 1 && image[address + kTextOffset] == ' ') {
    if (logo && lead == kPromptLeadMax && GetField(image, kLogoModeAddress, 0, 2) == 2) text += ' ';
    return text;
  }
  for (int k = 0; k < count; ++k) text += Cp1252CharToUtf8(image[address + kTextOffset + k]);
  return text;
}

std::string PromptBadCharacterMessage(std::string_view character) {
  return "The character \"" + std::string(character) + "\" can not be used in a prompt!";
}

PromptStoreResult StorePromptText(Image& image, int address, std::string_view utf8Text, bool logo) {
  CheckRecord(address);
  const std::string_view afterLead = TrimLeadingSpaces(utf8Text);
  if (CharacterCount(afterLead) > kPromptMaxChars)
    return {PromptStoreStatus::TooLong, std::string(kMsgPromptTooLong)};

  const std::optional<std::string> bytes = Utf8ToCp1252(TrimSpaces(utf8Text));
  if (!bytes) {
    const std::string bad = FirstUnencodable(TrimSpaces(utf8Text));
    return {PromptStoreStatus::BadCharacter, PromptBadCharacterMessage(bad)};
  }

  int lead = static_cast<int>(utf8Text.size() - afterLead.size());
  std::string text;
  if (lead >= kPromptLeadMax) {
    text.assign(static_cast<size_t>(lead - kPromptLeadMax), ' ');
    lead = kPromptLeadMax;
  }
  text += *bytes;
  // Spaces beyond the fifteen the attribute nibble holds stay in the text;
  // they and the text together must still fit the record's 18 bytes.
  if (text.size() > static_cast<size_t>(kPromptMaxChars))
    return {PromptStoreStatus::TooLong, std::string(kMsgPromptTooLong)};

  // The logo is blank when nothing is left after the leading spaces the
  // record's nibble holds; the spaces beyond those are text the pager shows.
  if (logo) SetField(image, kLogoModeAddress, 0, 2, text.empty() ? 0 : 2);
  if (text.empty()) text = " ";
  image[address] = static_cast<uint8_t>(lead | (image[address] & 0xF0));
  image[address + kCountOffset] = static_cast<uint8_t>(text.size());
  for (size_t k = 0; k < text.size(); ++k) image[address + kTextOffset + k] = static_cast<uint8_t>(text[k]);
  return {};
}

}  // namespace qrt
