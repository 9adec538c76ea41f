#include "image/PagerImage.h"

#include <algorithm>
#include <cstring>

namespace qrt {
namespace {

void CheckAddress(int address) {
  if (address < 0 || address > ImageLastIndex)
    throw ImageIndexError("image address " + std::to_string(address) + " outside 0..2047");
}

}  // namespace

uint8_t GetField(const Image& image, int address, int bit, int width) {
  CheckAddress(address);
  if (bit < 0 || width < 0 || width > 8 || bit > 7)
    throw OverflowError("field bit " + std::to_string(bit) + " width " + std::to_string(width));
  const unsigned mask = ~(255u << width) & 255u;
  return static_cast<uint8_t>((image[address] >> bit) & mask);
}

void SetField(Image& image, int address, int bit, int width, int value) {
  CheckAddress(address);
  if (bit < 0 || width < 0 || bit > 7 || width > 8 || bit + width > 8)
    throw OverflowError("field reaches past bit 7");
  if (value < 0 || value > 255) throw OverflowError("field value outside a byte");
  const unsigned fieldMask = (~(255u << width) & 255u) << bit;
  const unsigned keepMask = fieldMask ^ 255u;
  if (static_cast<unsigned>(value) >= (1u << width)) throw OverflowError("value wider than its field");
  // value < 2^width and bit + width <= 8: the shifted value stays inside the field.
  image[address] = static_cast<uint8_t>((image[address] & keepMask) | (static_cast<unsigned>(value) << bit));
}

uint16_t ImageChecksum(const Image& image, int first, int last) {
  uint32_t sum = 0;
  for (int i = first; i <= last - 2; ++i) {
    if (i == addr::kWriteMarker) continue;
    sum = (sum + image[i]) & 0xFFFF;
  }
  return static_cast<uint16_t>(sum);
}

void StoreChecksum(Image& image, int first, int last) {
  const uint16_t sum = ImageChecksum(image, first, last);
  image[last] = static_cast<uint8_t>(sum & 0xFF);
  image[last - 1] = static_cast<uint8_t>(sum >> 8);
}

bool ChecksumMatches(const Image& image, int first, int last) {
  const uint16_t sum = ImageChecksum(image, first, last);
  return image[last] == (sum & 0xFF) && image[last - 1] == (sum >> 8);
}

bool HasModelName(const Image& image) {
  return std::memcmp(&image[addr::kIdentString], kModelName, 5) == 0;
}

std::string PagerModel(const Image& image) {
  const auto first = image.begin() + addr::kIdentString;
  if (std::all_of(first, first + 5, [](uint8_t b) { return b == 0xFF; })) return "blank";
  std::string model;
  for (auto it = first; it != first + 5; ++it) model += (*it >= 0x20 && *it < 0x7F) ? static_cast<char>(*it) : '?';
  while (!model.empty() && model.back() == ' ') model.pop_back();
  return model;
}

std::string ForeignContents(const Image& image) {
  if (HasModelName(image)) return {};
  const std::string model = PagerModel(image);
  if (model == "blank") return "a blank chip";
  if (model.empty() || model.find('?') != std::string::npos) return "an image of no known model";
  return model;
}

uint32_t GetBE32(const Image& image, int address) {
  CheckAddress(address);
  CheckAddress(address + 3);
  return (uint32_t{image[address]} << 24) | (uint32_t{image[address + 1]} << 16) |
         (uint32_t{image[address + 2]} << 8) | image[address + 3];
}

void SetBE32(Image& image, int address, uint32_t value) {
  CheckAddress(address);
  CheckAddress(address + 3);
  for (int i = 0; i < 4; ++i) image[address + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

}  // namespace qrt
