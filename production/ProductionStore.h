#pragma once
// The production record and capcode allocation, on the station's SQLite file
// or a line's PostgreSQL server.
//
// Whoever runs the program opens one store and passes it down; every method
// may be called from several threads (calls are serialised on the store's
// one connection). Nothing throws: each call answers with what happened, and
// a failure's message names the database (a URL never with its password) and
// the reason, so that a front end can show it and refuse to program a pager
// it cannot record.
//
// A batch step:
//   Reserve(ranges)          before the pager is written; a range used up
//                            ends here, before anything is written
//   ... store the reserved capcodes into the image, write, verify ...
//   Commit(reservation, rec) the pager verified: its record, and its
//                            capcodes are the pager's for good
//   Release(reservation, rec) the write or verify failed: its record, and
//                            the capcodes go back to the range
// A reservation whose process died is taken over once its lease has run out
// (kReservationLease); a committed capcode is never handed out again.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "production/Allocation.h"
#include "production/Location.h"
#include "production/Record.h"
#include "production/Sql.h"

namespace qrt::production {

// How long a reservation holds its capcodes without a commit or release. A
// write with its verify takes seconds; the lease also covers an operator
// who leaves a question of the write open. A station that dies blocks its
// capcodes no longer than this; the next reservation after that takes them.
inline constexpr std::chrono::minutes kReservationLease{30};

struct StoreOptions {
  std::string station;  // empty: the host name
  std::chrono::seconds lease = kReservationLease;
  // The time records and leases are taken from; empty: the system clock.
  std::function<std::chrono::system_clock::time_point()> clock;
};

struct StoreStatus {
  std::string error;  // empty on success; otherwise the message for the operator
  bool ok() const { return error.empty(); }
};

template <class T>
struct StoreResult : StoreStatus {
  T value{};
};

struct ReservedCapcode {
  int slot = 1;  // 1 or 2
  uint32_t capcode = 0;
};

struct Reservation {
  std::string token;  // identifies the reservation in the database
  std::vector<ReservedCapcode> capcodes;
  std::string leaseUntil;  // UTC
};

// The latest successful write of a capcode.
struct PreviousWrite {
  int64_t recordId = 0;
  std::string time;  // UTC, as recorded
  std::string station;
};

struct LogFilter {
  std::optional<uint32_t> capcode;  // records with this capcode enabled
  std::optional<std::string> since; // records at or after this UTC time (record form, see ParseUtcTime)
  std::optional<Outcome> outcome;
  std::optional<int> limit;         // at most this many, newest first
};

class ProductionStore {
 public:
  // Opens (the default file's folder is created 0700, a new file 0600),
  // migrates to the current record version and checks that the database
  // takes writes. `location`: see ResolveLocation.
  static StoreResult<std::unique_ptr<ProductionStore>> Open(const std::string& location,
                                                            StoreOptions options = {});

  // The database as messages name it (the path, or the URL without password).
  const std::string& Name() const { return name_; }
  const std::string& Station() const { return station_; }
  std::string BackendName() const;

  // Whether the database can still be reached and written: for a front end
  // to ask before every pager it would program.
  StoreStatus Check();

  // Records an operation outside a batch allocation. Gives the record's id.
  StoreResult<int64_t> Record(const ProductionRecord& record);

  // Reserves, for each range, the lowest capcode of the range that no
  // successful write holds, no live reservation or committed allocation has
  // and that is not an idle-codeword capcode. All slots or none: when one
  // range is used up nothing is reserved and the error is RangeUsedUpMessage.
  StoreResult<Reservation> Reserve(const std::vector<CapcodeRange>& ranges);

  // The pager with the reserved capcodes was verified: stores its record
  // (which must carry the reserved capcodes in their slots) and makes the
  // capcodes permanent. Should the lease have run out and another station
  // taken a capcode meanwhile, the record is still stored and the error says
  // which capcode two pagers may now share.
  StoreResult<int64_t> Commit(const Reservation& reservation, const ProductionRecord& record);

  // The write or verify failed: stores the record and frees the capcodes.
  StoreResult<int64_t> Release(const Reservation& reservation, const ProductionRecord& record);

  // Records matching the filter, newest first.
  StoreResult<std::vector<ProductionRecord>> Query(const LogFilter& filter);

  // The latest successful write that holds `capcode` in an enabled slot.
  StoreResult<std::optional<PreviousWrite>> LastWriteOf(uint32_t capcode);

  ProductionStore(const ProductionStore&) = delete;
  ProductionStore& operator=(const ProductionStore&) = delete;

 private:
  ProductionStore(std::unique_ptr<SqlConnection> db, const Location& location, StoreOptions options);
  template <class F>
  auto Guarded(const char* what, bool idempotent, F&& body) -> decltype(body());
  std::string Now() const;
  int64_t InsertRecord(const ProductionRecord& record, const std::string& now);
  std::optional<uint32_t> LowestFree(uint32_t from, uint32_t last);
  std::optional<uint32_t> ReserveOne(const CapcodeRange& range, uint32_t from, const Reservation& reservation,
                                     const std::string& now);
  std::string Failure(const char* what, const std::string& reason) const;

  void CountFreed();

  std::mutex mutex_;
  // Per range (first, last): every capcode below this one is taken, as seen
  // while allocation_frees stood at freedGeneration_. Saves reading the whole
  // taken part of a range for every pager; a stale entry could only make a
  // capcode be skipped, never given twice (the primary key sees to that).
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> takenBelow_;
  int64_t freedGeneration_ = -1;
  std::unique_ptr<SqlConnection> db_;
  std::string name_;
  std::string target_;  // the location as given, for hiding a password in reasons
  std::string station_;
  StoreOptions options_;
};

// "Capcode 1234500 was already written to a pager on 2026-12-08 14:03 UTC at
// station-2. Write it again?"
std::string AlreadyWrittenQuestion(uint32_t capcode, const PreviousWrite& previous);

}  // namespace qrt::production
