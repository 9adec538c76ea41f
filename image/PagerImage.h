#pragma once
// The in-memory copy of the pager's 2048-byte configuration EEPROM and the
// bit-field primitives through which single settings are read and written.
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace qrt {

inline constexpr int kImageSize = 2048;
// Last valid index of an image; also the expected length of a table file minus one.
inline constexpr int16_t ImageLastIndex = kImageSize - 1;

using Image = std::array<uint8_t, kImageSize>;

// Errors of the field primitives. The image is never touched when one is thrown.
class ImageIndexError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};
class OverflowError : public std::overflow_error {
 public:
  using std::overflow_error::overflow_error;
};

// Reads `width` bits of image[address] starting at bit `bit` (bit 0 least
// significant). Throws ImageIndexError for an address outside the image.
uint8_t GetField(const Image& image, int address, int bit, int width);

// Replaces the field's bits of image[address] by `value`, keeping the other bits.
// Throws ImageIndexError for an address outside the image, OverflowError for a
// field reaching past bit 7 or a shifted value above 255. A value of 2^width or
// more whose shifted form still fits in the byte is rejected as well, so that a
// caller can never spill into a neighbouring field.
void SetField(Image& image, int address, int bit, int width, int value);

// Image addresses that several subsystems rely on.
namespace addr {
inline constexpr int kHardwareVariant = 0x00D;  // 0 = GP(RoHS) hardware
inline constexpr int kBandByte = 0x065;         // high nibble = band code
inline constexpr int kPagerOwnByte = 0x0E9;     // taken from the pager on write
inline constexpr int kWriteMarker = 0x3E0;
inline constexpr int kIdentString = 0x3E1;      // 14 characters
inline constexpr int kIdentLength = 14;
inline constexpr int kChecksumHigh = 0x7FE;
inline constexpr int kChecksumLow = 0x7FF;
// Settings that take more than one bit field, where the editor's rules
// read and write them whole.
inline constexpr int kLanguage = 0x03A;        // low nibble: the prompts' national character set
inline constexpr int kSourceMode = 0x03B;      // bit 6 source prompts on, bit 5 direction; bits 0-1 logo mode
inline constexpr int kLockout = 0x03C;         // sequential lockout: bit 3 on, bit 2 the longest, bits 0-1
inline constexpr int kOutOfService = 0x03D;    // bit 3 on, bits 1-2 the timer; bit 5 the menu has free slots
inline constexpr int kPromptLanguage = 0x03E;  // low nibble: the prompt language list's code
inline constexpr int kBaud = 0x061;            // bits 3-4 the baud list; bits 0-1 follow it
inline constexpr int kBaudFollower62 = 0x062;  // follows the baud rate whole
inline constexpr int kBaudFollower63 = 0x063;  // bits 6-7 follow the baud rate
inline constexpr int kMenuList = 0x078;        // seven slots of the pager's own menu
inline constexpr int kContrast = 0x089;
}  // namespace addr

// 16-bit sum of bytes first..last-2 leaving out the write marker at 0x3E0.
uint16_t ImageChecksum(const Image& image, int first = 0, int last = ImageLastIndex);
// Stores ImageChecksum at last-1 (high byte) and last (low byte).
void StoreChecksum(Image& image, int first = 0, int last = ImageLastIndex);
bool ChecksumMatches(const Image& image, int first = 0, int last = ImageLastIndex);

// True when bytes 0x3E1..0x3E5 hold the model name "QRT35".
bool HasModelName(const Image& image);
inline constexpr const char* kModelName = "QRT35";

// The model name at 0x3E1..0x3E5, readable whatever the bytes are: "QRT35",
// another model's name (a byte outside printable ASCII as '?', trailing
// blanks dropped), or "blank" for an erased chip (all five bytes 0xFF).
std::string PagerModel(const Image& image);
// What a pager that holds no QRT35 image holds, for a question about it:
// "a blank chip", another model's name ("XR100"), or "an image of no known
// model"; empty for a QRT35 image.
std::string ForeignContents(const Image& image);

// Big-endian 32-bit value at address..address+3.
uint32_t GetBE32(const Image& image, int address);
void SetBE32(Image& image, int address, uint32_t value);

}  // namespace qrt
