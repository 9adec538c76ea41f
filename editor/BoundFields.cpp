#include "editor/BoundFields.h"

namespace qrt {

int CheckStateOf(const Image& image, const FieldTag& tag) {
  const int f = GetField(image, tag.address, tag.bit, tag.width);
  switch (tag.kind) {
    case FieldKind::chkN: return f == 0 ? 1 : 0;
    case FieldKind::chkSource: return f == 1 ? 1 : 0;
    default: return f;
  }
}

int ListEntryOf(const Image& image, const FieldTag& tag) { return GetField(image, tag.address, tag.bit, tag.width); }

int LockoutEntry(uint8_t byte3C) {
  if (byte3C & 0x04) return 5;
  if (byte3C & 0x08) return (byte3C & 0x03) + 1;
  return 0;
}

int OutOfServiceEntry(uint8_t byte3D) { return (byte3D & 0x08) ? ((byte3D >> 1) & 0x03) + 1 : 0; }

int SourceModeEntry(uint8_t byte3B) { return (byte3B & 0x40) ? 1 + ((byte3B >> 5) & 0x01) : 0; }

std::optional<int> LogoFontEntryOf(int code) {
  switch (code) {
    case 0: case 1: return 0;
    case 2: return 1;
    case 5: return 2;
    case 6: return 3;
    case 8: return 4;
    default: return std::nullopt;
  }
}

std::optional<int> LanguageEntryOf(int code) {
  switch (code) {
    case 0: case 1: case 2: return 0;
    case 5: return 1;
    case 6: return 2;
    case 8: return 3;
    default: return std::nullopt;
  }
}

int SliderPositionOf(int value, int min, int max) {
  if (value > max) value = max;
  if (value < min) value = min;
  return value;
}

}  // namespace qrt
