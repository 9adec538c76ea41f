#pragma once
// The CH341A's I2C mode as seen over USB (vendor 1a86, product 5512): bulk
// packets of at most 32 bytes to endpoint 0x02, answers from endpoint 0x82.
//
// An I2C packet starts with the stream command 0xAA and continues with
// sub-commands, run in order:
//   0x74            START (a repeated START inside a transaction)
//   0x75            STOP
//   0x60 | s        bus speed s: 0 = 20 kHz, 1 = 100 kHz, 2 = 400 kHz, 3 = 750 kHz
//   0x80 | n, ...   n = 1..63: the next n bytes out; nothing is reported back
//   0x80, b         n = 0: the one byte b out; answers one status byte whose
//                   bit 7 is set when b was not acknowledged
//   0xC0 | n        n = 1..63: n bytes in, each acknowledged by the adapter
//   0xC0            n = 0: one byte in, not acknowledged (ends a read)
//   0x40 | u        wait u microseconds; 0x50 | m: wait m milliseconds
//   0x00            end of the commands; nothing may follow in the packet
// The answers (status bytes and bytes read) come back in order as one IN
// packet, which holds at most 32 bytes. Acknowledges are seen only through
// the length-0 output; a read from a bus where nobody answers gives 0xFF.
#include <cstdint>

#include "UdevRules.h"

namespace qrt::ch341 {

inline constexpr uint16_t kVendor = udev::kCh341Vendor;
inline constexpr uint16_t kProduct = udev::kCh341Product;
inline constexpr int kPacketSize = 32;

inline constexpr uint8_t kStream = 0xAA;
inline constexpr uint8_t kStart = 0x74;
inline constexpr uint8_t kStop = 0x75;
inline constexpr uint8_t kSetSpeed = 0x60;
inline constexpr uint8_t kOut = 0x80;
inline constexpr uint8_t kIn = 0xC0;
inline constexpr uint8_t kDelayUs = 0x40;
inline constexpr uint8_t kDelayMs = 0x50;
inline constexpr uint8_t kEnd = 0x00;
inline constexpr uint8_t kLengthMask = 0x3F;
inline constexpr uint8_t kStatusNack = 0x80;

inline constexpr uint8_t kSpeed100kHz = 1;
inline constexpr uint8_t kSpeed400kHz = 2;

// Bus clock of a speed setting, in hertz.
constexpr int SpeedHz(uint8_t setting) {
  constexpr int kHz[] = {20'000, 100'000, 400'000, 750'000};
  return kHz[setting & 3];
}

}  // namespace qrt::ch341
