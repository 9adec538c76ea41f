// Field tag grammar.
#include "image/FieldTags.h"

#include <array>

#include "base/Numbers.h"

namespace qrt {
namespace {

// Splits at commas into at most N parts; returns how many parts the text has
// (counting those beyond N, so "a,b,c,d,#1#2" reports 5).
template <size_t N>
size_t SplitTag(std::string_view tag, std::array<std::string_view, N>& parts) {
  size_t count = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = tag.find(',', start);
    const std::string_view part =
        tag.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (count < N) parts[count] = part;
    ++count;
    if (comma == std::string_view::npos) return count;
    start = comma + 1;
  }
}

// Decimal digits only, value at most `max`.
std::optional<int> ParseDecimal(std::string_view text, int max) {
  const auto value = ParseDigits(text, static_cast<uint32_t>(max));
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::optional<FieldKind> KindFromText(std::string_view text) {
  if (text == "chk") return FieldKind::chk;
  if (text == "chkN") return FieldKind::chkN;
  if (text == "chkSource") return FieldKind::chkSource;
  if (text == "cbo") return FieldKind::cbo;
  if (text == "cboBaud") return FieldKind::cboBaud;
  if (text == "Lng") return FieldKind::Lng;
  return std::nullopt;
}

}  // namespace

std::optional<int16_t> ParseTagAddress(std::string_view text) {
  constexpr int kMax = 32767;
  if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
    const auto value = ParseDigits(text.substr(2), kMax, 16);
    if (!value) return std::nullopt;
    return static_cast<int16_t>(*value);
  }
  const auto value = ParseDecimal(text, kMax);
  if (!value) return std::nullopt;
  return static_cast<int16_t>(*value);
}

std::optional<FieldTag> ParseFieldTag(std::string_view tag) {
  std::array<std::string_view, 4> parts;
  if (SplitTag(tag, parts) < 4) return std::nullopt;
  const auto address = ParseTagAddress(parts[0]);
  const auto bit = ParseDecimal(parts[1], 255);
  const auto width = ParseDecimal(parts[2], 255);
  if (!address || !bit || !width) return std::nullopt;
  FieldTag result;
  result.address = *address;
  result.bit = static_cast<uint8_t>(*bit);
  result.width = static_cast<uint8_t>(*width);
  result.kind = KindFromText(parts[3]).value_or(FieldKind::Other);
  return result;
}

std::optional<PromptTag> ParsePromptTag(std::string_view tag) {
  std::array<std::string_view, 2> parts;
  if (SplitTag(tag, parts) < 2) return std::nullopt;
  const auto address = ParseTagAddress(parts[0]);
  const auto flag = ParseDecimal(parts[1], 1);
  if (!address || !flag) return std::nullopt;
  return PromptTag{*address, *flag == 1};
}

std::string_view FieldKindName(FieldKind kind) {
  switch (kind) {
    case FieldKind::chk: return "chk";
    case FieldKind::chkN: return "chkN";
    case FieldKind::chkSource: return "chkSource";
    case FieldKind::cbo: return "cbo";
    case FieldKind::cboBaud: return "cboBaud";
    case FieldKind::Lng: return "Lng";
    case FieldKind::Other: break;
  }
  return "";
}

}  // namespace qrt
