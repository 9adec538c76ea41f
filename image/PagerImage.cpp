#include "image/PagerImage.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <limits>

namespace qrt {
namespace {

void CheckAddress(int address) {
  if (address < 0 || address > ImageLastIndex)
    throw ImageIndexError("image address " + std::to_string(address) + " outside 0..2047");
}

}  // namespace

void ShiftLeftVariant(double& value, uint8_t n) { value = std::ldexp(value, n); }

void ShiftLeftLong(int32_t& value, uint8_t n) {
  if (value == 0) return;
  if (n >= 32) throw OverflowError("ShiftLeftLong overflow");
  const int64_t r = static_cast<int64_t>(value) * (int64_t{1} << n);
  if (r > std::numeric_limits<int32_t>::max() || r < std::numeric_limits<int32_t>::min())
    throw OverflowError("ShiftLeftLong overflow");
  value = static_cast<int32_t>(r);
}

void ShiftRightLong(int32_t& value, uint8_t n) {
  if (n >= 31) { value = (n == 31 && value == std::numeric_limits<int32_t>::min()) ? -1 : 0; return; }
  value = value / (int32_t{1} << n);
}

void ShiftRightInteger(int16_t& value, uint8_t n) {
  if (n >= 15) { value = (n == 15 && value == std::numeric_limits<int16_t>::min()) ? -1 : 0; return; }
  value = static_cast<int16_t>(value / (1 << n));
}

void ShiftLeftByte(uint8_t& value, uint8_t n) {
  if (value == 0) return;
  if (n >= 8 || (static_cast<unsigned>(value) << n) > 255u) throw OverflowError("ShiftLeftByte overflow");
  value = static_cast<uint8_t>(value << n);
}

void ShiftRightByte(uint8_t& value, uint8_t n) { value = n >= 8 ? 0 : static_cast<uint8_t>(value >> n); }

uint8_t GetField(const Image& image, int address, int bit, int width) {
  CheckAddress(address);
  if (bit < 0 || width < 0 || width > 8 || bit > 7)
    throw OverflowError("field bit " + std::to_string(bit) + " width " + std::to_string(width));
  const unsigned mask = ~(255u << width) & 255u;
  uint8_t v = image[address];
  ShiftRightByte(v, static_cast<uint8_t>(bit));
  return static_cast<uint8_t>(v & mask);
}

void SetField(Image& image, int address, int bit, int width, int value) {
  CheckAddress(address);
  if (bit < 0 || width < 0 || bit > 7 || width > 8 || bit + width > 8)
    throw OverflowError("field reaches past bit 7");
  if (value < 0 || value > 255) throw OverflowError("field value outside a byte");
  const unsigned fieldMask = (~(255u << width) & 255u) << bit;
  const unsigned keepMask = fieldMask ^ 255u;
  if (static_cast<unsigned>(value) >= (1u << width)) throw OverflowError("value wider than its field");
  uint8_t shifted = static_cast<uint8_t>(value);
  ShiftLeftByte(shifted, static_cast<uint8_t>(bit));
  image[address] = static_cast<uint8_t>((image[address] & keepMask) | shifted);
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
