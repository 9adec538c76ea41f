#include "codecs/Capcode.h"

#include <stdexcept>

#include "base/Numbers.h"
#include "codecs/Numeric.h"

namespace qrt {
namespace {

void CheckRecord(int i) {
  if (i < 0 || i >= kCapcodeCount)
    throw ImageIndexError("capcode record " + std::to_string(i) + " outside 0..7");
}

}  // namespace

uint32_t DecodeCapcode(const Image& image, int i) {
  CheckRecord(i);
  const int a = CapcodeRecordAddress(i);
  const uint32_t b1 = image[a + 1], b2 = image[a + 2], b3 = image[a + 3];
  return ((b1 & 3u) << 19) | (b2 << 11) | (b3 << 3) | ((b1 >> 2) & 7u);
}

void StoreCapcode(Image& image, int i, int32_t v) {
  CheckRecord(i);
  if (v < 0 || v > kCapcodeMax)
    throw std::out_of_range("capcode " + std::to_string(v) + " outside 0..2097151");
  const int a = CapcodeRecordAddress(i);
  const uint32_t value = static_cast<uint32_t>(v);
  const uint32_t high = value >> 3;  // the 18 high bits
  image[a + 1] = static_cast<uint8_t>((high >> 16) | (image[a + 1] & 0xE0u) | ((value & 7u) << 2));
  image[a + 2] = static_cast<uint8_t>((high >> 8) & 0xFFu);
  image[a + 3] = static_cast<uint8_t>(high & 0xFFu);
}

bool CapcodeEnabled(const Image& image, int i) {
  CheckRecord(i);
  return (image[CapcodeRecordAddress(i)] & 1u) != 0;
}

std::string CapcodeText(uint32_t capcode) {
  std::string text = std::to_string(capcode);
  if (text.size() < kCapcodeTextDigits) text.insert(0, kCapcodeTextDigits - text.size(), '0');
  return text;
}

CapcodeEntry CheckCapcodeEntry(std::string_view text) {
  if (text.empty()) return {EntryCheck::Empty, 0};
  const auto value = ParseNumeric(text);
  if (!value) return {EntryCheck::NotNumeric, 0};
  if (*value < 0 || *value > kCapcodeMax) return {EntryCheck::OutOfRange, 0};
  // Within 0..2097151 the rounded value stays inside the range as well.
  return {EntryCheck::Accepted, *RoundToInt32(*value)};
}

std::string PasswordText(const Image& image) {
  std::string text;
  for (int k = kPasswordDigits - 1; k >= 0; --k) text += std::to_string(image[kPasswordAddress + k]);
  return text;
}

PasswordEntry CheckPasswordEntry(std::string_view text) {
  if (text.empty()) return {EntryCheck::Empty, {}};
  const auto value = ParseNumeric(text);
  if (!value) return {EntryCheck::NotNumeric, {}};
  if (text.size() > kPasswordDigits || *value > 9999 || *value < 0) return {EntryCheck::OutOfRange, {}};
  const std::string_view digits = TrimSpaces(text);
  if (!ParseDigits(digits)) return {EntryCheck::OutOfRange, {}};
  return {EntryCheck::Accepted, std::string(digits)};
}

void StorePasswordDigits(Image& image, std::string_view digits) {
  if (digits.size() > kPasswordDigits || !ParseDigits(digits))
    throw std::invalid_argument("a password is 1 to 4 decimal digits");
  const size_t padding = kPasswordDigits - digits.size();
  for (int k = 0; k < kPasswordDigits; ++k) {
    // k counts from the first digit (0x3B3) to the last (0x3B0).
    const uint8_t digit = k < static_cast<int>(padding) ? 0 : static_cast<uint8_t>(digits[k - padding] - '0');
    image[kPasswordAddress + kPasswordDigits - 1 - k] = digit;
  }
}

std::string IdleCodewordWarning(uint32_t capcode) {
  return "Capcode " + CapcodeText(capcode) +
         " is one of the idle codeword's capcodes (2007664 to 2007671): a pager with it takes the channel's "
         "idle fill for its own address.";
}

}  // namespace qrt
