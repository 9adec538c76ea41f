#pragma once
// The production record and capcode allocation, on the station's SQLite file
// or a line's PostgreSQL server.
//
// Whoever runs the program opens one store and passes it down; every method
// may be called from several threads (calls are serialised on the store's
// one connection). Nothing throws: each call answers with what happened, and
// a failure's message names the database (never with a password) and the
// reason, so that a front end can show it and refuse to program a pager it
// cannot record.
//
// A capcode that may be in a pager is never given out again without a
// person's word. An allocated capcode is
//   reserved   Reserve, before the pager is written; a range used up ends
//              here, before anything is written
//   written    Commit: the pager verified; its record holds it for good
//   released   Fail, for the capcodes the failed write can be shown not to
//              have put into the pager (it stopped before their page), or
//              ReleaseInDoubt, a person's word with a reason
//   in doubt   Fail for every other capcode of a failed write, and a
//              reservation whose lease ran out (the station died, the
//              record could not be committed): never given out again,
//              except to the very pager that holds it (Reserve with what
//              the pager held before the write)
// Every change of state is an event with station, user, time and reason.
// Times are the database's own clock, never a station's.
//
// A record that cannot be stored after the retries a lost connection or a
// busy database deserve goes to the station's journal (record/Journal.h)
// and is stored by the next Open that reaches this record.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "record/Allocation.h"
#include "record/Journal.h"
#include "record/Location.h"
#include "record/Record.h"
#include "record/Sql.h"

namespace qrt::production {

// How long a reservation holds its capcodes without a commit or a failure
// recorded. A write with its verify takes seconds. Once it has run out the
// capcodes are in doubt: the station may have died with a pager written.
inline constexpr std::chrono::minutes kReservationLease{30};

struct StoreOptions {
  std::string station;  // empty: the host name
  std::string user;     // empty: the login name
  std::chrono::milliseconds lease = kReservationLease;
  // Reading only (the log, the list of capcodes in doubt): a SELECT-only
  // role or a read-only file will do; the schema is never changed, and an
  // older one is refused with a message.
  bool readOnly = false;
  // A SQLite file that does not exist yet may be created (the station's
  // own file always may); its creation is told by created().
  bool createFile = true;
  // SQLite: how long a statement waits for another process's write lock.
  int busyTimeoutMs = 10000;
  // This station's clock; empty: the system clock. Record and lease times
  // never come from it: only a journal entry, written while the database is
  // away, is dated by it, corrected by its offset from the database's clock
  // as last measured.
  std::function<std::chrono::system_clock::time_point()> stationClock;
  std::string journalFolder;  // empty: DefaultJournalFolder()
};

struct StoreStatus {
  std::string error;  // empty on success; otherwise the message for the operator
  bool ok() const { return error.empty(); }
};

template <class T>
struct StoreResult : StoreStatus {
  T value{};
};

// Where a record went.
struct Stored {
  int64_t id = 0;       // its id in the record; 0 when it was not stored there
  std::string journal;  // the journal entry it waits in instead; empty for none
};

enum class CapcodeState { Reserved, Written, InDoubt };

// Who holds a capcode, for the question before a write with the image's own capcodes.
struct CapcodeHolder {
  CapcodeState state = CapcodeState::Written;
  int64_t recordId = 0;  // the latest record of a pager holding it (Written)
  std::string time;      // UTC: that record's time, or when it was reserved
  std::string station;
};

struct AllocationEvent {
  std::string time;  // UTC
  std::string event;  // "reserved", "reserved again", "written", "taken over", "in doubt", "released"
  std::string station, user, reason;
  int64_t recordId = 0;  // 0: none
};

// A capcode reserved or in doubt, with its history, oldest event first.
struct OpenAllocation {
  uint32_t capcode = 0;
  int slot = 1;
  CapcodeState state = CapcodeState::Reserved;
  std::string station;      // the station that reserved it last
  std::string since;        // UTC, when it was reserved
  std::string leaseUntil;   // UTC; a reservation only
  std::vector<AllocationEvent> events;
};

struct LogFilter {
  std::optional<uint32_t> capcode;  // records with this capcode enabled
  std::optional<std::string> since; // records at or after this UTC time (record form, see ParseUtcTime)
  std::optional<Outcome> outcome;
  std::optional<int> limit;         // at most this many, newest first
};

// What the journal held for this record when it was opened.
struct JournalReplay {
  int stored = 0;                   // entries stored into the record and removed
  std::vector<std::string> errors;  // entries that stay, and why
};

class ProductionStore {
 public:
  // Opens (the default file's folder is created 0700, a new file 0600),
  // migrates to the current record version, checks that the database takes
  // writes and stores what the journal holds for it. Reading only: see
  // StoreOptions::readOnly. `location`: see ResolveLocation.
  static StoreResult<std::unique_ptr<ProductionStore>> Open(const std::string& location,
                                                            StoreOptions options = {});

  // The database as messages name it: the file's full path, or the
  // server's host, port and database.
  const std::string& Name() const { return name_; }
  const std::string& Station() const { return station_; }
  std::string BackendName() const;
  // A SQLite file this Open created.
  bool created() const { return created_; }
  // Names this database for the journal, whatever path or URL reached it.
  const std::string& Identity() const { return identity_; }
  const JournalReplay& replayed() const { return replayed_; }

  // Whether the database can still be reached and written: for a front end
  // to ask before every pager it would program.
  StoreStatus Check();

  // Records an operation outside a batch allocation.
  StoreResult<Stored> Record(const ProductionRecord& record);

  // Reserves, for each range, the lowest capcode of the range that is
  // neither written, reserved nor in doubt and is no idle-codeword capcode;
  // or, where `pagerHolds` (what the pager held before the write) names a
  // capcode of the range that is in doubt, that one again. All slots or
  // none: when a range is used up nothing is reserved and the error is
  // RangeUsedUpMessage.
  StoreResult<Reservation> Reserve(const std::vector<CapcodeRange>& ranges,
                                   const std::vector<ReservedCapcode>& pagerHolds = {});

  // The pager with the reserved capcodes was verified: stores its record
  // (which must carry the reserved capcodes in their slots) and makes them
  // written. Should one have been written to another pager meanwhile, the
  // record is still stored and the error says which capcode two pagers now
  // share and where.
  StoreResult<Stored> Commit(const Reservation& reservation, const ProductionRecord& record);

  // The write or verify failed: stores the record, releases the reserved
  // capcodes listed in `noPagerHolds` (the write stopped before their page)
  // and puts the others in doubt.
  StoreResult<Stored> Fail(const Reservation& reservation, const ProductionRecord& record,
                           const std::vector<uint32_t>& noPagerHolds);

  // Records matching the filter, newest first.
  StoreResult<std::vector<ProductionRecord>> Query(const LogFilter& filter);

  // Who holds `capcode`: a pager of an earlier successful write (the
  // latest), a station's reservation, or a write left in doubt; nullopt
  // when it is free.
  StoreResult<std::optional<CapcodeHolder>> HolderOf(uint32_t capcode);

  // The capcodes reserved or in doubt (a reservation whose lease ran out
  // counts as in doubt), lowest first, each with its history.
  StoreResult<std::vector<OpenAllocation>> OpenAllocations();

  // A person's word: `capcode`, in doubt, is in no pager and may be given
  // out again. Refused without a reason, and for a capcode written or
  // reserved by a station still writing.
  StoreStatus ReleaseInDoubt(uint32_t capcode, const std::string& reason);

  ProductionStore(const ProductionStore&) = delete;
  ProductionStore& operator=(const ProductionStore&) = delete;

 private:
  struct Times {
    std::string now, leaseEnd;
  };
  ProductionStore(std::unique_ptr<SqlConnection> db, const Location& location, StoreOptions options);
  template <class F>
  auto Guarded(const char* what, bool idempotent, F&& body) -> decltype(body());
  Times DatabaseTimes();
  void Event(uint32_t capcode, const char* event, const std::string& time, const std::string& reason,
             int64_t recordId = 0, const std::string& station = {});
  int64_t InsertRecord(const ProductionRecord& record, const std::string& time);
  std::optional<uint32_t> LowestFree(uint32_t from, uint32_t last);
  std::optional<uint32_t> ReserveOne(const CapcodeRange& range, uint32_t from, const Reservation& reservation,
                                     const Times& times);
  void DoubtExpired(const std::string& now);
  StoreResult<Stored> CommitNow(const Reservation& reservation, const ProductionRecord& record,
                                const std::string& time, const std::string& how);
  StoreResult<Stored> FailNow(const Reservation& reservation, const ProductionRecord& record,
                              const std::vector<uint32_t>& noPagerHolds, const std::string& time);
  StoreResult<Stored> RecordNow(const ProductionRecord& record, const std::string& time);
  StoreResult<Stored> KeepInJournal(StoreResult<Stored> failed, JournalKind kind, const Reservation& reservation,
                                    const ProductionRecord& record, const std::vector<uint32_t>& released);
  void ReplayJournal();
  std::string StationNow() const;
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
  Location location_;
  std::string name_;
  std::string station_, user_;
  std::string identity_;
  bool created_ = false;
  StoreOptions options_;
  Journal journal_;
  JournalReplay replayed_;
  // The database's clock minus this station's in milliseconds, as last
  // measured (read outside the store's lock, when a record is journaled).
  std::atomic<int64_t> clockOffsetMs_{0};
};

// "Capcode 1234500 was already written to a pager on 2026-12-08 14:03 UTC at
// station-2. Write it again?", and the same question for a capcode a station
// has reserved or left in doubt.
std::string AlreadyWrittenQuestion(uint32_t capcode, const CapcodeHolder& holder);

// "in doubt", "reserved", "written".
std::string_view CapcodeStateName(CapcodeState state);

}  // namespace qrt::production
