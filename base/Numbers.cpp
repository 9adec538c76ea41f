#include "base/Numbers.h"

#include <charconv>
#include <cmath>

namespace qrt {

std::optional<uint32_t> ParseDigits(std::string_view text, uint32_t max, int base) {
  if (text.empty()) return std::nullopt;
  // from_chars takes no prefix and, for an unsigned type, no sign; it stops
  // at the first character that is not a digit, which must be the end.
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || value > max) return std::nullopt;
  return value;
}

uint64_t LeadingDigits(std::string_view text, uint64_t saturate) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) return saturate;
  if (ec != std::errc() || end == text.data() + i) return 0;
  return value > saturate ? saturate : value;
}

std::string HexText(uint32_t value, int minDigits) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
  std::string text(buffer, result.ptr);
  for (char& c : text)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  if (static_cast<int>(text.size()) < minDigits) text.insert(0, minDigits - text.size(), '0');
  return text;
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * bytes.size());
  for (const uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

double RoundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double lower = std::floor(x);
  const double diff = x - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::optional<int32_t> RoundToInt32(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  const double whole = RoundHalfEven(x);
  if (whole < -2147483648.0 || whole > 2147483647.0) return std::nullopt;
  return static_cast<int32_t>(whole);
}

}  // namespace qrt
