#pragma once
// Field tags: the text a control carries that binds it to a bit field of the
// image ("&H39,3,1,chkN": address, first bit, width, kind). The tags
// themselves, with the controls that carry them, are the editor's
// (editor/BoundControls.h); this is the grammar and what a tag means for the
// image.
#include <cstdint>
#include <optional>
#include <string_view>

namespace qrt {

// How a control shows its field. `Other` is a four-part tag whose kind word is
// none of the known ones (compared exactly, case included): the binder skips
// it, and a check-box click still stores the box's state uninverted.
enum class FieldKind : uint8_t { chk, chkN, chkSource, cbo, cboBaud, Lng, Other };

struct FieldTag {
  int16_t address = 0;  // 0..32767; whether it lies inside the image is GetField's business
  uint8_t bit = 0;
  uint8_t width = 0;
  FieldKind kind = FieldKind::Other;
};

// Splits the tag at commas and converts the first four parts. nullopt when
// the tag has fewer than four parts (a prompt field, a page background "B")
// or when a number is malformed: the address not "&H" + hex digits or decimal
// digits, or above 32767; the bit or width not decimal digits, or above 255.
// Anything after the kind word (the layout suffix ",#...") is ignored. Never
// throws.
std::optional<FieldTag> ParseFieldTag(std::string_view tag);

// The two-part tag of a prompt text field: slot address and logo flag
// ("&H100,1", "276,0"). Anything after the second part is ignored; nullopt
// for fewer than two parts or a malformed number. Never throws.
struct PromptTag {
  int16_t address = 0;
  bool logo = false;
};
std::optional<PromptTag> ParsePromptTag(std::string_view tag);

// One number of a tag: "&H" (either case) + 1..4 hex digits, or decimal
// digits, no sign and no spaces, at most 32767. nullopt otherwise.
std::optional<int16_t> ParseTagAddress(std::string_view text);

std::string_view FieldKindName(FieldKind kind);

}  // namespace qrt
