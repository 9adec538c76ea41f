#include "transfer/RunCapcodes.h"

#include <algorithm>

#include "codecs/Capcode.h"

namespace qrt {
namespace {

// Capcode bits 19-20 and 0-2 in byte 1 of a record; bits 5-7 are settings.
constexpr uint8_t kCapcodeBitsOfByte1 = 0x1F;

}  // namespace

std::string CapcodesText(const std::vector<PagerCapcode>& capcodes) {
  if (capcodes.empty()) return "no capcode";
  std::string text;
  for (const PagerCapcode& c : capcodes) {
    if (!text.empty()) text += ", ";
    text += "Cap #" + std::to_string(c.index + 1) + " " + CapcodeText(c.value);
  }
  return text;
}

std::vector<PagerCapcode> CapcodesOf(const Image& image, const std::vector<int>& indexes) {
  std::vector<PagerCapcode> out;
  for (int i : indexes) out.push_back({i, DecodeCapcode(image, i)});
  return out;
}

void WrittenCapcodes::Add(uint32_t capcode) {
  const std::lock_guard<std::mutex> lock(mutex_);
  capcodes_.insert(capcode);
}

bool WrittenCapcodes::Contains(uint32_t capcode) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return capcodes_.count(capcode) != 0;
}

bool HoldsTableSettings(const Image& pager, const Image& table, const std::vector<int>& givenRecords) {
  // Which bits of each byte take part in the comparison.
  std::array<uint8_t, kImageSize> compared;
  compared.fill(0xFF);
  for (int i : givenRecords) {
    const int record = CapcodeRecordAddress(i);
    compared[record + 1] = static_cast<uint8_t>(~kCapcodeBitsOfByte1);
    compared[record + 2] = compared[record + 3] = 0;
  }
  for (int a : {addr::kPagerOwnByte, addr::kWriteMarker, addr::kChecksumHigh, addr::kChecksumLow}) compared[a] = 0;
  for (int a = 0; a < kImageSize; ++a)
    if ((pager[a] ^ table[a]) & compared[a]) return false;
  return true;
}

std::optional<std::vector<PagerCapcode>> AlreadyProgrammed(const Image& pager, const Image& table,
                                                           const std::vector<int>& givenRecords,
                                                           const WrittenCapcodes& written) {
  if (givenRecords.empty() || !HoldsTableSettings(pager, table, givenRecords)) return std::nullopt;
  std::vector<PagerCapcode> held = CapcodesOf(pager, givenRecords);
  if (std::none_of(held.begin(), held.end(), [&](const PagerCapcode& c) { return written.Contains(c.value); }))
    return std::nullopt;
  return held;
}

}  // namespace qrt
