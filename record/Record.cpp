#include "record/Record.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <random>

#include "base/Numbers.h"
#include "codecs/Capcode.h"
#include "codecs/Frequency.h"
#include "codecs/ListTables.h"
#include "image/Cp1252.h"

namespace qrt::production {
namespace {

constexpr std::array<std::string_view, 4> kOperationNames = {"read", "write", "verify", "batch"};
constexpr std::array<std::string_view, 2> kOutcomeNames = {"ok", "failed"};

constexpr char32_t kReplacement = 0xFFFD;

// Identification text as the record shows it: control characters (a blank
// pager reads 0xFF, an erased one 0x00) become U+FFFD so that the field
// stays visible and one line long.
std::string IdentField(std::string_view bytes) {
  while (!bytes.empty() && (bytes.back() == ' ' || bytes.back() == '\0')) bytes.remove_suffix(1);
  std::string out;
  for (unsigned char byte : bytes) {
    const char32_t cp = Cp1252ToUnicode(byte);
    AppendUtf8(out, cp < 0x20 || (cp >= 0x7F && cp < 0xA0) ? kReplacement : cp);
  }
  return out;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at text[pos], moving pos past them.
bool TakeNumber(std::string_view text, size_t& pos, int digits, int& value) {
  if (pos + digits > text.size()) return false;
  const auto number = ParseDigits(text.substr(pos, digits));
  if (!number) return false;
  value = static_cast<int>(*number);
  pos += digits;
  return true;
}

bool TakeChar(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::string_view OperationName(Operation operation) { return kOperationNames[static_cast<size_t>(operation)]; }
std::string_view OutcomeName(Outcome outcome) { return kOutcomeNames[static_cast<size_t>(outcome)]; }

std::optional<Operation> OperationFromName(std::string_view name) {
  for (size_t k = 0; k < kOperationNames.size(); ++k)
    if (kOperationNames[k] == name) return static_cast<Operation>(k);
  return std::nullopt;
}

std::optional<Outcome> OutcomeFromName(std::string_view name) {
  for (size_t k = 0; k < kOutcomeNames.size(); ++k)
    if (kOutcomeNames[k] == name) return static_cast<Outcome>(k);
  return std::nullopt;
}

void SetIdentification(ProductionRecord& record, std::string_view identText) {
  const auto part = [&](size_t first, size_t count) {
    return first < identText.size() ? IdentField(identText.substr(first, count)) : std::string();
  };
  record.model = part(0, 5);
  record.pcb = part(5, 4);
  record.software = part(9, 5);
}

void FillFromImage(ProductionRecord& record, const Image& image) {
  SetIdentification(record, std::string_view(reinterpret_cast<const char*>(&image[addr::kIdentString]),
                                             addr::kIdentLength));
  for (int i = 0; i < kRecordedCapcodes; ++i) {
    record.capcodes[i].capcode = DecodeCapcode(image, i);
    record.capcodes[i].enabled = (image[CapcodeRecordAddress(i)] & 1) != 0;
  }
  record.frequency = GetBE32(image, kReceiveFreqAddress);
  const std::optional<int> band = DetectBandIndex(image);
  record.band = band ? std::string(kDftEntries[*band]) : std::string();
  record.imageSha256 = ImageSha256(image);
}

std::string ImageSha256(const Image& image) {
  Image masked = image;
  for (int k = 0; k < kPasswordDigits; ++k) masked[kPasswordAddress + k] = 0;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(masked.data(), masked.size(), digest, &length, EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 is not available from the crypto library");
  return HexBytes(std::span<const uint8_t>(digest, length));
}

std::string UtcTimeText(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
  const time_t seconds = static_cast<time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
  const int millis = static_cast<int>(ms - static_cast<long long>(seconds) * 1000);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, millis);
  return text;
}

std::optional<std::string> ParseUtcTime(std::string_view text) {
  size_t pos = 0;
  int year, month, day, hour = 0, minute = 0, second = 0;
  if (!TakeNumber(text, pos, 4, year) || !TakeChar(text, pos, '-') || !TakeNumber(text, pos, 2, month) ||
      !TakeChar(text, pos, '-') || !TakeNumber(text, pos, 2, day))
    return std::nullopt;
  if (pos < text.size() && (text[pos] == 'T' || text[pos] == ' ')) {
    ++pos;
    if (!TakeNumber(text, pos, 2, hour) || !TakeChar(text, pos, ':') || !TakeNumber(text, pos, 2, minute))
      return std::nullopt;
    if (TakeChar(text, pos, ':') && !TakeNumber(text, pos, 2, second)) return std::nullopt;
  }
  TakeChar(text, pos, 'Z');
  if (pos != text.size()) return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59)
    return std::nullopt;
  char out[96];
  std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", year, month, day, hour, minute, second);
  return std::string(out);
}

std::optional<std::chrono::system_clock::time_point> ParseRecordTime(std::string_view text) {
  size_t pos = 0;
  int year, month, day, hour, minute, second, millis;
  if (!TakeNumber(text, pos, 4, year) || !TakeChar(text, pos, '-') || !TakeNumber(text, pos, 2, month) ||
      !TakeChar(text, pos, '-') || !TakeNumber(text, pos, 2, day) || !TakeChar(text, pos, 'T') ||
      !TakeNumber(text, pos, 2, hour) || !TakeChar(text, pos, ':') || !TakeNumber(text, pos, 2, minute) ||
      !TakeChar(text, pos, ':') || !TakeNumber(text, pos, 2, second) || !TakeChar(text, pos, '.') ||
      !TakeNumber(text, pos, 3, millis) || !TakeChar(text, pos, 'Z') || pos != text.size())
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 60)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return std::chrono::system_clock::from_time_t(timegm(&tm)) + std::chrono::milliseconds(millis);
}

std::string UserName() {
  const uid_t uid = getuid();
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name && *found->pw_name)
    return CleanText(found->pw_name);
  return std::to_string(uid);
}

std::string RandomToken() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    std::random_device device;
    for (auto& b : bytes) b = static_cast<unsigned char>(device());
  }
  return HexBytes(bytes);
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return "unknown-station";
  return CleanText(name);
}

std::string CleanText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const std::optional<char32_t> cp = NextCodePoint(text, pos);
    if (!cp) {
      AppendUtf8(out, kReplacement);
      ++pos;
    } else if (*cp != 0) {
      AppendUtf8(out, *cp);
    }
  }
  return out;
}

}  // namespace qrt::production
