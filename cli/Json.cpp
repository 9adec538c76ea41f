#include "cli/Json.h"

namespace qrt::cli {
namespace {

void AppendEscape(std::string& out, unsigned cp) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
}

std::string Dump(const JsonValue& value, int indent) {
  const std::string text = value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
  // The dump is well-formed UTF-8 and its only non-ASCII bytes are inside
  // strings, so these byte sequences are exactly the characters to escape.
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = [&](size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0; };
    if (byte == 0x7F) {
      AppendEscape(out, byte);
    } else if (byte == 0xC2 && next(1) >= 0x80 && next(1) <= 0x9F) {
      AppendEscape(out, next(1));
      ++i;
    } else if (byte == 0xE2 && next(1) == 0x80 && (next(2) == 0xA8 || next(2) == 0xA9)) {
      AppendEscape(out, 0x2000 | (next(2) - 0x80));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string JsonDocument(const JsonValue& document) { return Dump(document, 2) + "\n"; }

std::string JsonQuote(std::string_view text) { return Dump(JsonValue(std::string(text)), -1); }

}  // namespace qrt::cli
