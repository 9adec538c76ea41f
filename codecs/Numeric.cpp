#include "codecs/Numeric.h"

#include <charconv>
#include <cmath>
#include <string>

namespace qrt {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view TrimLeadingSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

std::optional<double> ParseNumeric(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  // Rebuild the number in the one form from_chars reads: no '+', 'e' exponent.
  std::string plain;
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int mantissaDigits = 0;
  while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++mantissaDigits;
  if (i < text.size() && text[i] == '.') {
    plain += text[i++];
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    plain += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0;
  const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || end != plain.data() + plain.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<int32_t> NumericToInt32(std::string_view text) {
  const auto value = ParseNumeric(text);
  if (!value) return std::nullopt;
  return RoundToInt32(*value);
}

}  // namespace qrt
