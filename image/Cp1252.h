#pragma once
// Windows-1252, the character set of the prompt texts while the image is in
// memory, to and from UTF-8 for display and scripts.
//
// Every byte has a character: 0x00-0x7F and 0xA0-0xFF are the code points of
// the same value, 0x80-0x9F the Windows-1252 punctuation (0x80 is the euro
// sign). The five codes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 control code points of the same value, as Windows
// itself maps them, so that any image byte survives a trip through text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qrt {

char32_t Cp1252ToUnicode(uint8_t byte);
// nullopt for a code point that has no Windows-1252 byte.
std::optional<uint8_t> UnicodeToCp1252(char32_t codePoint);

std::string Cp1252CharToUtf8(uint8_t byte);
std::string Cp1252ToUtf8(std::string_view bytes);
// nullopt when `utf8` is not well-formed UTF-8 (overlong forms, surrogates,
// truncated or stray continuation bytes, values above U+10FFFF) or when any
// character has no Windows-1252 byte.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// UTF-8 itself, for the few places that take text apart character by
// character. NextCodePoint decodes the well-formed sequence at `pos` and moves
// `pos` past it; it gives nullopt (and leaves `pos`) for anything malformed.
std::optional<char32_t> NextCodePoint(std::string_view utf8, size_t& pos);
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace qrt
