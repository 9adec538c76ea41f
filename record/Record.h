#pragma once
// One entry of the production record: what happened to one pager at one
// station. Every read, write, verify and batch pager is recorded, whether it
// succeeded or not, so that a line can always answer which capcodes went into
// which pager.
//
// Texts are UTF-8. Times are UTC in ISO 8601 with milliseconds
// ("2026-12-08T14:03:21.042Z"), a form whose text order is its time order.
// The pager password is never part of a record.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/PagerImage.h"

namespace qrt::production {

enum class Operation { Read, Write, Verify, Batch };
enum class Outcome { Ok, Failed };

// "read", "write", "verify", "batch"; "ok", "failed": the words the record
// stores and the log shows.
std::string_view OperationName(Operation operation);
std::string_view OutcomeName(Outcome outcome);
std::optional<Operation> OperationFromName(std::string_view name);
std::optional<Outcome> OutcomeFromName(std::string_view name);

inline constexpr int kRecordedCapcodes = 8;

struct RecordedCapcode {
  uint32_t capcode = 0;
  bool enabled = false;
};

struct ProductionRecord {
  int64_t id = 0;          // given by the store
  std::string time;        // set by the store from its clock when the record is stored
  std::string station;     // set by the store: its station
  std::string port;        // the port as the front end names it ("ppdev:/dev/parport0", "sim")
  Operation operation = Operation::Read;
  Outcome outcome = Outcome::Failed;
  std::string message;     // the message the operator was shown
  // Identification text: model, PCB and software version.
  std::string model, pcb, software;
  std::array<RecordedCapcode, kRecordedCapcodes> capcodes{};
  std::optional<uint32_t> frequency;  // receive frequency, 100 Hz units; none without an image
  std::string band;                   // the band list's entry ("130-180MHz"), or empty
  std::string imageSha256;            // 64 lower-case hex digits, or empty
  std::string tablePath, backupPath;
  int64_t durationMs = 0;
  // Names the transfer: a record sent twice (a commit repeated after a lost
  // connection, a journal entry replayed) is stored once. Empty: none.
  std::string transferId;
};

// Fills the identification, the eight capcodes with their enable flags, the
// receive frequency, the band and the image digest from a pager image: the
// image read, or the image written as it went to the pager.
void FillFromImage(ProductionRecord& record, const Image& image);

// Splits a 14-character identification text (Windows-1252, as the pager
// holds it) into model (characters 1-5), PCB (6-9) and software (10-14), as
// UTF-8 with control characters shown as U+FFFD and trailing blanks removed.
// For a read that stopped at the model check, where the image was not taken.
void SetIdentification(ProductionRecord& record, std::string_view identText);

// SHA-256 of the image as lower-case hex. The four password digits are taken
// as zeros: with the rest of an image known (a batch writes one table file
// many times) the 10,000 possible passwords could otherwise be tried against
// the record.
std::string ImageSha256(const Image& image);

// "2026-12-08T14:03:21.042Z".
std::string UtcTimeText(std::chrono::system_clock::time_point time);
// The time of a text in that form; nullopt for anything else.
std::optional<std::chrono::system_clock::time_point> ParseRecordTime(std::string_view text);

// A date or time given by a user, read as UTC: "YYYY-MM-DD",
// "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS", with 'T' or one space between
// date and time and an optional trailing 'Z'. Gives the record form
// ("2026-12-08T00:00:00.000Z"), or nullopt for anything else, an impossible
// date included.
std::optional<std::string> ParseUtcTime(std::string_view text);

// The station name: the host name, or "unknown-station" when it has none.
std::string HostName();
// Who runs the program: the login name, or the user id as a number.
std::string UserName();
// 32 random hexadecimal digits: reservation tokens, transfer ids, the
// identity of a database.
std::string RandomToken();

// Replaces what PostgreSQL's text type and a terminal cannot take: malformed
// UTF-8 becomes U+FFFD and NUL characters are dropped.
std::string CleanText(std::string_view text);

}  // namespace qrt::production
