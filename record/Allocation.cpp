#include "record/Allocation.h"

#include <algorithm>

#include "base/Numbers.h"
#include "codecs/Capcode.h"
#include "codecs/Numeric.h"

namespace qrt::production {
namespace {

// Plain decimal digits; nullopt for anything else or a value beyond 21 bits.
std::optional<uint32_t> Capcode(std::string_view text) {
  return ParseDigits(TrimSpaces(text), kCapcodeHighest);
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// One "N=FIRST-LAST" part; the error names the part as written.
std::optional<CapcodeRange> ParsePart(std::string_view part, std::string& error) {
  const std::string_view whole = TrimSpaces(part);
  const size_t equals = whole.find('=');
  const size_t dash = whole.find('-', equals == std::string_view::npos ? 0 : equals);
  if (equals == std::string_view::npos || dash == std::string_view::npos) {
    error = "A capcode range is written 1=FIRST-LAST, not " + Quoted(whole) + ".";
    return std::nullopt;
  }
  const std::string_view slot = TrimSpaces(whole.substr(0, equals));
  if (slot != "1" && slot != "2") {
    error = "Only capcode 1 and capcode 2 take a range, not " + Quoted(whole) + ".";
    return std::nullopt;
  }
  CapcodeRange range;
  range.slot = slot[0] - '0';
  const std::string_view firstText = whole.substr(equals + 1, dash - equals - 1);
  const std::string_view lastText = whole.substr(dash + 1);
  const auto first = Capcode(firstText), last = Capcode(lastText);
  if (!first || !last) {
    error = "Capcode " + std::string(slot) + " range " + Quoted(TrimSpaces(whole.substr(equals + 1))) +
            ": a capcode is a number from 0000000 to 2097151.";
    return std::nullopt;
  }
  range.first = *first;
  range.last = *last;
  if (range.first > range.last) {
    error = "Capcode " + std::string(slot) + " range " + Quoted(TrimSpaces(whole.substr(equals + 1))) +
            ": the first capcode is above the last.";
    return std::nullopt;
  }
  if (range.first >= kIdleCodewordFirst && range.last <= kIdleCodewordLast) {
    error = "Capcode " + std::string(slot) + " range " + RangeText(range) +
            " holds only capcodes of the idle codeword, which are never given to a pager.";
    return std::nullopt;
  }
  return range;
}

}  // namespace

std::string RangeText(const CapcodeRange& range) { return CapcodeText(range.first) + "-" + CapcodeText(range.last); }

RangesParse ParseCapcodeRanges(std::string_view text) {
  RangesParse result;
  if (TrimSpaces(text).empty()) {
    result.error = "No capcode range given: write 1=FIRST-LAST or 1=FIRST-LAST,2=FIRST-LAST.";
    return result;
  }
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string_view part = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    const std::optional<CapcodeRange> range = ParsePart(part, result.error);
    if (!range) {
      result.ranges.clear();
      return result;
    }
    for (const CapcodeRange& earlier : result.ranges) {
      if (earlier.slot == range->slot) {
        result.error = "Capcode " + std::to_string(range->slot) + " has two ranges; give it one.";
        result.ranges.clear();
        return result;
      }
    }
    result.ranges.push_back(*range);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  std::sort(result.ranges.begin(), result.ranges.end(),
            [](const CapcodeRange& a, const CapcodeRange& b) { return a.slot < b.slot; });
  return result;
}

RangesParse ParseAllocationFields(std::string_view capcode1, std::string_view capcode2) {
  const bool first = !TrimSpaces(capcode1).empty(), second = !TrimSpaces(capcode2).empty();
  if (!first && !second) return {};
  if (!first) {
    RangesParse refused;
    refused.error = "Capcode 2 takes a range only together with capcode 1: every pager needs a capcode 1 of its own.";
    return refused;
  }
  std::string text = "1=" + std::string(TrimSpaces(capcode1));
  if (second) text += ",2=" + std::string(TrimSpaces(capcode2));
  return ParseCapcodeRanges(text);
}

std::string AllocationText(const std::vector<CapcodeRange>& ranges) {
  std::string text;
  for (const CapcodeRange& range : ranges) {
    if (!text.empty()) text += ", ";
    text += "capcode " + std::to_string(range.slot) + " " + RangeText(range);
  }
  return text;
}

std::string RangeUsedUpMessage(const CapcodeRange& range) {
  return "Capcode " + std::to_string(range.slot) + " range " + RangeText(range) +
         " is used up: every capcode in it was written to a pager or is reserved by a station. "
         "No pager was written; give the batch a new range.";
}

}  // namespace qrt::production
