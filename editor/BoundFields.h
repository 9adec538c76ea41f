#pragma once
// What a control shows for the bytes of an image. Each reading is written
// once: the binder sets the controls from it, and the handlers compare a
// control's state with it to tell whether there is anything to store while an
// image is being shown.
#include <cstdint>
#include <optional>

#include "image/FieldTags.h"
#include "image/PagerImage.h"

namespace qrt {

// The state a check box shows for its field: "chk" the field itself, "chkN"
// checked for 0 only, "chkSource" checked for 1 only. A "chk" field wider
// than one bit may hold a value no box can show; the binder refuses it.
int CheckStateOf(const Image& image, const FieldTag& tag);

// The entry a "cbo" or "cboBaud" list shows: the field value (which may lie
// beyond the list's entries; the binder refuses that).
int ListEntryOf(const Image& image, const FieldTag& tag);

// Sequential lockout (byte 0x03C): bit 2 is "240 seconds" whatever bit 3
// says; otherwise bit 3 on gives entry 1 + bits 0-1, off "Disable".
int LockoutEntry(uint8_t byte3C);

// Out-of-service timer (byte 0x03D): bit 3 on gives entry 1 + bits 1-2.
int OutOfServiceEntry(uint8_t byte3D);

// Source prompt mode (byte 0x03B): bit 6 on gives 1 + the direction bit 5.
int SourceModeEntry(uint8_t byte3B);

// Logo font list entry of a font code (0x03F bits 0-3): codes 0 and 1 are
// both the large English font. nullopt for a code the list has no entry for.
std::optional<int> LogoFontEntryOf(int code);

// Language list entry of a language code (0x03E bits 0-3): 0, 1 and 2 are
// English. nullopt for a code the list has no entry for.
std::optional<int> LanguageEntryOf(int code);

// Where a slider of range min..max stands for a stored value.
int SliderPositionOf(int value, int min, int max);

}  // namespace qrt
