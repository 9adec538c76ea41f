#include "record/ProductionStore.h"

#include <algorithm>
#include <thread>

#include "base/DataHome.h"
#include "codecs/Capcode.h"
#include "record/Schema.h"

namespace qrt::production {
namespace {

// A serialization failure or deadlock between stations runs the whole call again.
constexpr int kAttempts = 5;
// A database away for a moment (a restarted server, a lock held past the
// busy timeout) is tried again after these pauses; a call that may run
// twice (every record carries its transfer's id) runs again.
constexpr std::chrono::milliseconds kTransientPauses[] = {std::chrono::milliseconds(200),
                                                           std::chrono::milliseconds(1000)};
// Bounds the search for a free capcode when other stations keep taking the
// one found; each round moves past a capcode that became taken.
constexpr int kReserveRounds = 10000;

// How many capcodes from $1 to $2 are taken, and the highest of them.
constexpr const char* kTakenIn = "SELECT COUNT(*), MAX(capcode) FROM allocations WHERE capcode >= $1 AND capcode <= $2";

// The primary key makes a capcode one station's: of two stations that found
// the same free capcode, the second inserts nothing and looks again.
constexpr const char* kInsertReservation =
    "INSERT INTO allocations (capcode, slot, station, token, reserved_utc, lease_until, state)"
    " VALUES ($1, $2, $3, $4, $5, $6, 'reserved') ON CONFLICT (capcode) DO NOTHING";

constexpr const char* kInsertRecord =
    "INSERT INTO records (time_utc, station, port, operation, outcome, message, model, pcb, software,"
    " frequency, band, image_sha256, table_path, backup_path, duration_ms, transfer_id)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16)"
    " ON CONFLICT (transfer_id) DO NOTHING RETURNING id";

constexpr const char* kRecordColumns =
    "r.id, r.time_utc, r.station, r.port, r.operation, r.outcome, r.message, r.model, r.pcb, r.software,"
    " r.frequency, r.band, r.image_sha256, r.table_path, r.backup_path, r.duration_ms";
constexpr size_t kRecordColumnCount = 16;

constexpr const char* kStateNames[] = {"reserved", "written", "doubt"};

// All eight capcodes of a record in one statement (one round trip to a server).
std::string InsertCapcodesSql() {
  std::string sql = "INSERT INTO record_capcodes (record_id, slot, capcode, enabled, held) VALUES ";
  for (int slot = 1; slot <= kRecordedCapcodes; ++slot) {
    const int p = 2 + 3 * (slot - 1);
    if (slot > 1) sql += ", ";
    sql += "($1, " + std::to_string(slot) + ", $" + std::to_string(p) + ", $" + std::to_string(p + 1) + ", $" +
           std::to_string(p + 2) + ")";
  }
  return sql;
}

class Transaction {
 public:
  explicit Transaction(SqlConnection& db) : db_(db) { db_.Run(db_.Dialect().beginWrite); }
  ~Transaction() {
    if (done_) return;
    try {
      db_.Run("ROLLBACK");
    } catch (const SqlError&) {
    }
  }
  void Commit() {
    db_.Run("COMMIT");
    done_ = true;
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

 private:
  SqlConnection& db_;
  bool done_ = false;
};

int64_t Number(const std::optional<std::string>& text) {
  if (!text) throw SqlError("the database gave no value where a number belongs");
  return std::stoll(*text);
}

std::string Text(const std::optional<std::string>& text) { return text ? *text : std::string(); }

CapcodeState StateOf(const std::string& name) {
  for (size_t k = 0; k < std::size(kStateNames); ++k)
    if (name == kStateNames[k]) return static_cast<CapcodeState>(k);
  throw SqlError("an allocation has the unknown state \"" + name + "\"");
}

bool HoldsCapcodes(const ProductionRecord& record) {
  return record.outcome == Outcome::Ok &&
         (record.operation == Operation::Write || record.operation == Operation::Batch);
}

std::string CheckRanges(const std::vector<CapcodeRange>& ranges) {
  if (ranges.empty()) return "No capcode range given: write 1=FIRST-LAST or 1=FIRST-LAST,2=FIRST-LAST.";
  for (size_t k = 0; k < ranges.size(); ++k) {
    const CapcodeRange& r = ranges[k];
    if (r.slot != 1 && r.slot != 2) return "Only capcode 1 and capcode 2 take a range.";
    if (r.first > r.last || r.last > kCapcodeHighest)
      return "Capcode " + std::to_string(r.slot) + " range: the first capcode must not be above the last, and "
             "both lie from 0000000 to 2097151.";
    for (size_t j = 0; j < k; ++j)
      if (ranges[j].slot == r.slot) return "Capcode " + std::to_string(r.slot) + " has two ranges; give it one.";
  }
  return {};
}

// The record time as the operator reads it: "2026-12-08 14:03 UTC".
std::string ShortTime(const std::string& recorded) {
  if (recorded.size() < 16) return recorded;
  return recorded.substr(0, 10) + " " + recorded.substr(11, 5) + " UTC";
}

std::string CapcodeList(const std::vector<uint32_t>& capcodes) {
  std::string list;
  for (uint32_t c : capcodes) list += (list.empty() ? "" : ", ") + CapcodeText(c);
  return list;
}

// The reserved capcodes an unrecorded pager leaves held: its reservation
// runs out into doubt, never into freedom.
std::vector<uint32_t> HeldCapcodes(const Reservation& reservation, const std::vector<uint32_t>& released) {
  std::vector<uint32_t> held;
  for (const ReservedCapcode& c : reservation.capcodes)
    if (std::find(released.begin(), released.end(), c.capcode) == released.end()) held.push_back(c.capcode);
  return held;
}

}  // namespace

ProductionStore::ProductionStore(std::unique_ptr<SqlConnection> db, const Location& location, StoreOptions options)
    : db_(std::move(db)),
      location_(location),
      name_(db_->Description()),
      station_(options.station.empty() ? HostName() : CleanText(options.station)),
      user_(options.user.empty() ? UserName() : CleanText(options.user)),
      options_(std::move(options)),
      journal_(options_.journalFolder) {
  if (!options_.stationClock) options_.stationClock = [] { return std::chrono::system_clock::now(); };
}

StoreResult<std::unique_ptr<ProductionStore>> ProductionStore::Open(const std::string& location,
                                                                    StoreOptions options) {
  StoreResult<std::unique_ptr<ProductionStore>> result;
  const Location where = ResolveLocation(location);
  const auto fail = [&](const std::string& reason) {
    result.error = "Could not open the production record " + where.display + ": " + MaskPassword(reason, where);
    return std::move(result);
  };
  if (!where.error.empty()) return fail(where.error);
  if (where.defaultFile && !options.readOnly) {
    std::string error;
    if (!EnsurePrivateFolder(std::filesystem::path(where.target).parent_path(), error))
      return fail(error);
  }
  std::unique_ptr<SqlConnection> db;
  bool created = false;
  try {
    if (where.backend == Backend::Postgres) {
      db = OpenPostgres(where.target);
    } else {
      SqliteOptions sqlite;
      sqlite.readOnly = options.readOnly;
      sqlite.busyTimeoutMs = options.busyTimeoutMs;
      sqlite.create = options.createFile || where.defaultFile;
      db = OpenSqlite(where.target, sqlite, &created);
    }
    if (options.readOnly)
      CheckVersionForReading(*db);
    else
      Migrate(*db);
  } catch (const std::exception& e) {
    std::error_code ec;
    if (created) std::filesystem::remove(where.target, ec);  // nothing of ours stays behind a refusal
    return fail(e.what());
  }
  std::unique_ptr<ProductionStore> store(new ProductionStore(std::move(db), where, std::move(options)));
  store->created_ = created;
  try {
    const auto identity = store->db_->Run("SELECT id FROM record_identity");
    if (!identity.empty()) store->identity_ = Text(identity[0][0]);
    store->DatabaseTimes();  // measures this station's clock against the database's
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  if (!store->options_.readOnly) {
    const StoreStatus status = store->Check();
    if (!status.ok()) {
      result.error = status.error;
      return result;
    }
    store->ReplayJournal();
  }
  result.value = std::move(store);
  return result;
}

std::string ProductionStore::BackendName() const { return std::string(db_->Dialect().name); }

std::string ProductionStore::Failure(const char* what, const std::string& reason) const {
  return std::string("Could not ") + what + " the production record " + name_ + ": " + MaskPassword(reason, location_);
}

template <class F>
auto ProductionStore::Guarded(const char* what, bool idempotent, F&& body) -> decltype(body()) {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t pauses = 0;
  for (int attempt = 1;; ++attempt) {
    try {
      if (db_->Broken()) db_->Reconnect();
      return body();
    } catch (const SqlError& e) {
      if (e.Retry() && attempt < kAttempts) continue;
      // A lost connection or a lock held too long: only a call that may run
      // twice runs again (a COMMIT may have arrived before the loss).
      if (idempotent && (e.Transient() || db_->Broken()) && pauses < std::size(kTransientPauses)) {
        std::this_thread::sleep_for(kTransientPauses[pauses++]);
        continue;
      }
      decltype(body()) failed;
      failed.error = Failure(what, e.what());
      return failed;
    } catch (const std::exception& e) {
      decltype(body()) failed;
      failed.error = Failure(what, e.what());
      return failed;
    }
  }
}

ProductionStore::Times ProductionStore::DatabaseTimes() {
  const auto rows = db_->Run(db_->Dialect().clockQuery, {int64_t{options_.lease.count()}});
  Times times{Text(rows.at(0)[0]), Text(rows.at(0)[1])};
  if (const auto now = ParseRecordTime(times.now))
    clockOffsetMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(*now - options_.stationClock()).count();
  return times;
}

std::string ProductionStore::StationNow() const {
  return UtcTimeText(options_.stationClock() + std::chrono::milliseconds(clockOffsetMs_.load()));
}

void ProductionStore::Event(uint32_t capcode, const char* event, const std::string& time, const std::string& reason,
                            int64_t recordId, const std::string& station) {
  db_->Run(
      "INSERT INTO allocation_events (capcode, event, station, user_name, time_utc, reason, record_id)"
      " VALUES ($1, $2, $3, $4, $5, $6, $7)",
      {int64_t{capcode}, std::string(event), station.empty() ? station_ : station, user_, time, CleanText(reason),
       recordId ? SqlParam{recordId} : SqlParam{}});
}

StoreStatus ProductionStore::Check() {
  return Guarded("write to", true, [&] {
    // Takes the write lock (SQLite) or a row lock (PostgreSQL) and gives it
    // back: a read-only file, a locked database or a user without rights
    // shows here, before a pager is touched.
    Transaction tx(*db_);
    db_->Run("UPDATE schema_version SET version = version");
    return StoreStatus{};
  });
}

int64_t ProductionStore::InsertRecord(const ProductionRecord& record, const std::string& time) {
  const std::vector<SqlParam> params = {
      time,
      station_,
      CleanText(record.port),
      std::string(OperationName(record.operation)),
      std::string(OutcomeName(record.outcome)),
      CleanText(record.message),
      CleanText(record.model),
      CleanText(record.pcb),
      CleanText(record.software),
      record.frequency ? SqlParam{int64_t{*record.frequency}} : SqlParam{},
      CleanText(record.band),
      CleanText(record.imageSha256),
      CleanText(record.tablePath),
      CleanText(record.backupPath),
      record.durationMs,
      record.transferId.empty() ? SqlParam{} : SqlParam{record.transferId},
  };
  const auto rows = db_->Run(kInsertRecord, params);
  if (rows.empty()) {
    // This transfer was stored before (a commit whose answer was lost, a
    // journal entry stored twice): everything else was stored with it.
    const auto stored = db_->Run("SELECT id FROM records WHERE transfer_id = $1", {record.transferId});
    if (stored.empty()) throw SqlError("the new record got no number");
    return Number(stored[0][0]);
  }
  const int64_t id = Number(rows[0][0]);
  std::vector<SqlParam> capcodes = {id};
  const bool holds = HoldsCapcodes(record);
  for (const RecordedCapcode& c : record.capcodes) {
    capcodes.emplace_back(int64_t{c.capcode});
    capcodes.emplace_back(int64_t{c.enabled ? 1 : 0});
    capcodes.emplace_back(int64_t{c.enabled && holds ? 1 : 0});
  }
  db_->Run(InsertCapcodesSql(), capcodes);
  if (!holds) return id;

  // The pager holds its enabled capcodes now, whoever allocated them. A
  // capcode another station has reserved or left in doubt becomes this
  // pager's: released later, it would free a capcode that a pager holds.
  // That station is told when it commits.
  std::vector<uint32_t> done;  // one capcode in two slots is one allocation
  for (size_t k = 0; k < record.capcodes.size(); ++k) {
    const RecordedCapcode& c = record.capcodes[k];
    if (!c.enabled || std::find(done.begin(), done.end(), c.capcode) != done.end()) continue;
    done.push_back(c.capcode);
    const auto before = db_->Run("SELECT state, station FROM allocations WHERE capcode = $1", {int64_t{c.capcode}});
    db_->Run(
        "INSERT INTO allocations (capcode, slot, station, token, reserved_utc, lease_until, record_id, state)"
        " VALUES ($1, $2, $3, '', $4, NULL, $5, 'written') ON CONFLICT (capcode) DO UPDATE SET"
        " slot = excluded.slot, station = excluded.station, token = excluded.token, lease_until = NULL,"
        " record_id = excluded.record_id, state = 'written' WHERE allocations.state <> 'written'",
        {int64_t{c.capcode}, static_cast<int64_t>(k + 1), station_, time, id});
    if (!before.empty() && Text(before[0][0]) != "written")
      Event(c.capcode, "taken over", time,
            "written to a pager with the image's own capcodes while " + Text(before[0][1]) +
                (Text(before[0][0]) == "reserved" ? " held it reserved" : " held it in doubt"),
            id);
  }
  return id;
}

StoreResult<Stored> ProductionStore::RecordNow(const ProductionRecord& record, const std::string& time) {
  Transaction tx(*db_);
  StoreResult<Stored> result;
  result.value.id = InsertRecord(record, time.empty() ? DatabaseTimes().now : time);
  tx.Commit();
  return result;
}

StoreResult<Stored> ProductionStore::Record(const ProductionRecord& record) {
  StoreResult<Stored> result =
      Guarded("store a record in", !record.transferId.empty(), [&] { return RecordNow(record, {}); });
  return KeepInJournal(std::move(result), JournalKind::Record, {}, record, {});
}

std::optional<uint32_t> ProductionStore::LowestFree(uint32_t from, uint32_t last) {
  const auto taken = [&](uint32_t first, uint32_t upTo) {
    const auto rows = db_->Run(kTakenIn, {int64_t{first}, int64_t{upTo}});
    return std::make_pair(static_cast<uint32_t>(Number(rows.at(0)[0])),
                          rows.at(0)[1] ? static_cast<uint32_t>(Number(rows[0][1])) : first);
  };
  const auto [count, highest] = taken(from, last);
  if (count == 0) return from;
  // A batch fills its range from the bottom: mostly every capcode up to the
  // highest taken one is taken, and the next one is free.
  if (count == highest - from + 1) return highest < last ? std::optional<uint32_t>(highest + 1) : std::nullopt;
  // Otherwise a gap lies below the highest: halve until it is found.
  uint32_t lo = from, hi = highest;
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (taken(lo, mid).first == mid - lo + 1)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

std::optional<uint32_t> ProductionStore::ReserveOne(const CapcodeRange& range, uint32_t from,
                                                    const Reservation& reservation, const Times& times) {
  for (int round = 0; round < kReserveRounds; ++round) {
    const std::optional<uint32_t> capcode = LowestFree(from, range.last);
    if (!capcode) return std::nullopt;
    if (IsIdleCodewordCapcode(*capcode)) {
      if (kIdleCodewordLast >= range.last) return std::nullopt;
      from = kIdleCodewordLast + 1;
      continue;
    }
    int64_t changed = 0;
    db_->Run(kInsertReservation,
             {int64_t{*capcode}, int64_t{range.slot}, station_, reservation.token, times.now, times.leaseEnd},
             &changed);
    if (changed == 1) return capcode;
    from = *capcode;  // another station took it meanwhile: the next search sees it
  }
  throw SqlError("other stations kept taking every free capcode found");
}

void ProductionStore::CountFreed() { db_->Run("UPDATE allocation_frees SET generation = generation + 1"); }

// A reservation whose lease ran out without its pager being recorded: the
// station died, was stopped, or could not reach the record. Its pager may
// hold the capcode, so it is never simply free again.
void ProductionStore::DoubtExpired(const std::string& now) {
  const auto expired = db_->Run(
      "UPDATE allocations SET state = 'doubt', lease_until = NULL"
      " WHERE state = 'reserved' AND lease_until < $1 RETURNING capcode, station",
      {now});
  for (const SqlRow& row : expired)
    Event(static_cast<uint32_t>(Number(row[0])), "in doubt", now,
          "the lease ran out before the pager's write was recorded", 0, Text(row[1]));
}

StoreResult<Reservation> ProductionStore::Reserve(const std::vector<CapcodeRange>& ranges,
                                                  const std::vector<ReservedCapcode>& pagerHolds) {
  const std::string invalid = CheckRanges(ranges);
  if (!invalid.empty()) {
    StoreResult<Reservation> refused;
    refused.error = invalid;
    return refused;
  }
  return Guarded("reserve capcodes in", false, [&] {
    StoreResult<Reservation> result;
    Transaction tx(*db_);
    const Times times = DatabaseTimes();
    Reservation reservation;
    reservation.token = RandomToken();
    reservation.leaseUntil = times.leaseEnd;
    DoubtExpired(times.now);
    const int64_t generation = Number(db_->Run("SELECT generation FROM allocation_frees").at(0)[0]);
    if (generation != freedGeneration_) takenBelow_.clear();
    std::vector<std::pair<std::pair<uint32_t, uint32_t>, uint32_t>> seen;
    for (const CapcodeRange& range : ranges) {
      // The pager read before the write holds a capcode of this range in
      // doubt: it is this pager's, and it gets it again.
      bool again = false;
      for (const ReservedCapcode& held : pagerHolds) {
        if (held.slot != range.slot || held.capcode < range.first || held.capcode > range.last) continue;
        int64_t changed = 0;
        db_->Run(
            "UPDATE allocations SET state = 'reserved', slot = $2, station = $3, token = $4, reserved_utc = $5,"
            " lease_until = $6 WHERE capcode = $1 AND state = 'doubt'",
            {int64_t{held.capcode}, int64_t{range.slot}, station_, reservation.token, times.now, times.leaseEnd},
            &changed);
        if (changed == 0) continue;
        reservation.capcodes.push_back({range.slot, held.capcode, true});
        Event(held.capcode, "reserved again", times.now, "the pager read before the write holds it");
        again = true;
      }
      if (again) continue;
      const auto key = std::make_pair(range.first, range.last);
      const auto known = takenBelow_.find(key);
      const uint32_t from = known == takenBelow_.end() ? range.first : known->second;
      const std::optional<uint32_t> capcode =
          from > range.last ? std::nullopt : ReserveOne(range, from, reservation, times);
      if (!capcode) {
        result.error = RangeUsedUpMessage(range);
        return result;  // the transaction rolls back what the other slot reserved
      }
      reservation.capcodes.push_back({range.slot, *capcode, false});
      Event(*capcode, "reserved", times.now, "capcode " + std::to_string(range.slot) + " of a pager to be written");
      seen.push_back({key, *capcode + 1});
    }
    tx.Commit();
    freedGeneration_ = generation;
    for (const auto& [key, below] : seen) takenBelow_[key] = below;
    result.value = std::move(reservation);
    return result;
  });
}

StoreResult<Stored> ProductionStore::CommitNow(const Reservation& reservation, const ProductionRecord& record,
                                               const std::string& time, const std::string& how) {
  StoreResult<Stored> result;
  Transaction tx(*db_);
  const std::string now = DatabaseTimes().now;
  // The reservation becomes the pager's first, so that the record's own
  // capcodes find it theirs already. A capcode whose lease ran out is in
  // doubt: nobody was given it, and it is this pager's too.
  const auto kept = db_->Run(
      "UPDATE allocations SET state = 'written', lease_until = NULL"
      " WHERE token = $1 AND state <> 'written' RETURNING capcode",
      {reservation.token});
  const int64_t id = InsertRecord(record, time.empty() ? now : time);
  result.value.id = id;
  db_->Run("UPDATE allocations SET record_id = $2 WHERE token = $1", {reservation.token, id});
  std::vector<std::string> shared;
  for (const ReservedCapcode& c : reservation.capcodes) {
    const bool committed = std::any_of(kept.begin(), kept.end(), [&](const SqlRow& row) {
      return Number(row[0]) == int64_t{c.capcode};
    });
    if (committed) {
      Event(c.capcode, "written", now, "the pager verified" + how, id);
      continue;
    }
    const auto holder = db_->Run(
        "SELECT a.state, a.station, a.record_id, a.token, r.station FROM allocations a"
        " LEFT JOIN records r ON r.id = a.record_id WHERE a.capcode = $1",
        {int64_t{c.capcode}});
    // Stored before (a repeated commit), or made this pager's by its record.
    if (!holder.empty() && (Text(holder[0][2]) == std::to_string(id) || Text(holder[0][3]) == reservation.token))
      continue;
    if (holder.empty()) continue;  // released meanwhile: the record has just made it this pager's
    const std::string state = Text(holder[0][0]);
    if (state == "written")
      shared.push_back("capcode " + CapcodeText(c.capcode) + " was written to another pager at " +
                       (holder[0][4] ? Text(holder[0][4]) : Text(holder[0][1])) + " meanwhile");
    else
      shared.push_back("capcode " + CapcodeText(c.capcode) + " was released by a person and reserved by " +
                       Text(holder[0][1]) + " meanwhile");
    Event(c.capcode, "written", now, "the pager verified" + how + ", but another pager holds it too", id);
  }
  tx.Commit();
  if (!shared.empty()) {
    std::string list;
    for (const std::string& s : shared) list += (list.empty() ? "" : "; ") + s;
    result.error = "This pager was recorded, but " + list +
                   ": two pagers now hold one capcode. Check them and reprogram one of them.";
  }
  return result;
}

StoreResult<Stored> ProductionStore::Commit(const Reservation& reservation, const ProductionRecord& record) {
  StoreResult<Stored> refused;
  if (record.outcome != Outcome::Ok)
    refused.error = "Only a verified pager makes its capcodes written; a failed one goes to Fail.";
  for (const ReservedCapcode& c : reservation.capcodes)
    if (c.slot < 1 || c.slot > kRecordedCapcodes || record.capcodes[c.slot - 1].capcode != c.capcode)
      refused.error = "The record does not carry the reserved capcode " + CapcodeText(c.capcode) + " as capcode " +
                      std::to_string(c.slot) + ".";
  if (!refused.ok()) return refused;
  StoreResult<Stored> result =
      Guarded("store a record in", true, [&] { return CommitNow(reservation, record, {}, {}); });
  return KeepInJournal(std::move(result), JournalKind::Commit, reservation, record, {});
}

StoreResult<Stored> ProductionStore::FailNow(const Reservation& reservation, const ProductionRecord& record,
                                             const std::vector<uint32_t>& noPagerHolds, const std::string& time) {
  StoreResult<Stored> result;
  Transaction tx(*db_);
  const std::string now = DatabaseTimes().now;
  const int64_t id = InsertRecord(record, time.empty() ? now : time);
  result.value.id = id;
  bool freed = false;
  for (uint32_t capcode : noPagerHolds) {
    int64_t changed = 0;
    db_->Run("DELETE FROM allocations WHERE capcode = $1 AND token = $2 AND state <> 'written'",
             {int64_t{capcode}, reservation.token}, &changed);
    if (changed == 0) continue;
    freed = true;
    Event(capcode, "released", now, "the write stopped before the capcode's page reached the pager", id);
  }
  const auto doubted = db_->Run(
      "UPDATE allocations SET state = 'doubt', lease_until = NULL, record_id = $2"
      " WHERE token = $1 AND state = 'reserved' RETURNING capcode",
      {reservation.token, id});
  for (const SqlRow& row : doubted)
    Event(static_cast<uint32_t>(Number(row[0])), "in doubt", now,
          "the write or verify failed after pages were sent: " + record.message, id);
  if (freed) CountFreed();
  tx.Commit();
  return result;
}

StoreResult<Stored> ProductionStore::Fail(const Reservation& reservation, const ProductionRecord& record,
                                          const std::vector<uint32_t>& noPagerHolds) {
  StoreResult<Stored> result =
      Guarded("store a record in", true, [&] { return FailNow(reservation, record, noPagerHolds, {}); });
  return KeepInJournal(std::move(result), JournalKind::Fail, reservation, record, noPagerHolds);
}

// A record the database did not take goes to the station's journal before
// anyone is told: the pager is programmed, and its record must not be lost.
StoreResult<Stored> ProductionStore::KeepInJournal(StoreResult<Stored> failed, JournalKind kind,
                                                   const Reservation& reservation, const ProductionRecord& record,
                                                   const std::vector<uint32_t>& released) {
  if (failed.ok() || failed.value.id != 0) return failed;
  JournalEntry entry;
  entry.kind = kind;
  entry.identity = identity_;
  entry.database = name_;
  entry.time = StationNow();
  entry.station = station_;
  entry.user = user_;
  entry.reservation = reservation;
  entry.released = released;
  entry.record = record;
  if (entry.record.transferId.empty()) entry.record.transferId = RandomToken();
  const std::vector<uint32_t> held = HeldCapcodes(reservation, released);
  const std::string capcodes =
      held.empty() ? std::string()
      : held.size() == 1
          ? " Its capcode " + CapcodeList(held) + " stays held: it is given to no other pager."
          : " Its capcodes " + CapcodeList(held) + " stay held: they are given to no other pager.";
  const std::string kept = journal_.Write(entry);
  if (!kept.empty()) {
    failed.error += "\nThe record could not be kept in this station's journal either (" + kept +
                    "): write down the pager and its capcodes." + capcodes;
    return failed;
  }
  failed.value.journal = entry.path;
  failed.error += "\nThe record waits in this station's journal (" + entry.path +
                  ") and is stored the next time a write, read or verify reaches " + name_ + "." + capcodes;
  return failed;
}

void ProductionStore::ReplayJournal() {
  std::vector<std::string> problems;
  for (const JournalEntry& entry : journal_.Entries(&problems)) {
    if (entry.identity != identity_) continue;  // another record's
    const std::string how = " (stored from the journal of " + entry.station + ")";
    StoreResult<Stored> stored = Guarded("store a journal entry in", true, [&] {
      switch (entry.kind) {
        case JournalKind::Commit: return CommitNow(entry.reservation, entry.record, entry.time, how);
        case JournalKind::Fail: return FailNow(entry.reservation, entry.record, entry.released, entry.time);
        case JournalKind::Record: break;
      }
      return RecordNow(entry.record, entry.time);
    });
    if (stored.value.id == 0) {
      replayed_.errors.push_back(entry.path + ": " + stored.error);
      continue;
    }
    if (!stored.ok()) replayed_.errors.push_back(stored.error);  // stored, with a warning to pass on
    const std::string removed = journal_.Remove(entry);
    if (!removed.empty()) replayed_.errors.push_back("stored, but not removed from the journal: " + removed);
    ++replayed_.stored;
  }
  for (const std::string& p : problems) replayed_.errors.push_back(p);
}

StoreResult<std::vector<ProductionRecord>> ProductionStore::Query(const LogFilter& filter) {
  return Guarded("read", true, [&] {
    std::string where;
    std::vector<SqlParam> params;
    const auto add = [&](const std::string& condition, SqlParam value) {
      params.push_back(std::move(value));
      const std::string p = "$" + std::to_string(params.size());
      std::string c = condition;
      c.replace(c.find('?'), 1, p);
      where += (where.empty() ? " WHERE " : " AND ") + c;
    };
    if (filter.since) add("r.time_utc >= ?", *filter.since);
    if (filter.outcome) add("r.outcome = ?", std::string(OutcomeName(*filter.outcome)));
    if (filter.capcode)
      add("EXISTS (SELECT 1 FROM record_capcodes f WHERE f.record_id = r.id AND f.capcode = ? AND f.enabled = 1)",
          int64_t{*filter.capcode});
    std::string limit;
    if (filter.limit) {
      params.emplace_back(int64_t{std::max(0, *filter.limit)});
      limit = " LIMIT $" + std::to_string(params.size());
    }
    const std::string sql = std::string("SELECT ") + kRecordColumns +
                            ", c.slot, c.capcode, c.enabled FROM (SELECT * FROM records r" + where +
                            " ORDER BY r.time_utc DESC, r.id DESC" + limit +
                            ") r LEFT JOIN record_capcodes c ON c.record_id = r.id"
                            " ORDER BY r.time_utc DESC, r.id DESC, c.slot";
    StoreResult<std::vector<ProductionRecord>> result;
    for (const SqlRow& row : db_->Run(sql, params)) {
      const int64_t id = Number(row[0]);
      if (result.value.empty() || result.value.back().id != id) {
        ProductionRecord r;
        r.id = id;
        r.time = Text(row[1]);
        r.station = Text(row[2]);
        r.port = Text(row[3]);
        const auto operation = OperationFromName(Text(row[4]));
        const auto outcome = OutcomeFromName(Text(row[5]));
        if (!operation || !outcome) throw SqlError("record " + std::to_string(id) + " names an unknown operation");
        r.operation = *operation;
        r.outcome = *outcome;
        r.message = Text(row[6]);
        r.model = Text(row[7]);
        r.pcb = Text(row[8]);
        r.software = Text(row[9]);
        if (row[10]) r.frequency = static_cast<uint32_t>(Number(row[10]));
        r.band = Text(row[11]);
        r.imageSha256 = Text(row[12]);
        r.tablePath = Text(row[13]);
        r.backupPath = Text(row[14]);
        r.durationMs = Number(row[15]);
        result.value.push_back(std::move(r));
      }
      if (!row[kRecordColumnCount]) continue;
      const int64_t slot = Number(row[kRecordColumnCount]);
      if (slot < 1 || slot > kRecordedCapcodes) continue;
      RecordedCapcode& c = result.value.back().capcodes[slot - 1];
      c.capcode = static_cast<uint32_t>(Number(row[kRecordColumnCount + 1]));
      c.enabled = Number(row[kRecordColumnCount + 2]) != 0;
    }
    return result;
  });
}

StoreResult<std::optional<CapcodeHolder>> ProductionStore::HolderOf(uint32_t capcode) {
  return Guarded("read", true, [&] {
    StoreResult<std::optional<CapcodeHolder>> result;
    const std::string now = DatabaseTimes().now;
    const auto open = db_->Run(
        "SELECT state, station, reserved_utc, lease_until FROM allocations WHERE capcode = $1 AND state <> 'written'",
        {int64_t{capcode}});
    if (!open.empty()) {
      const bool live = Text(open[0][0]) == "reserved" && Text(open[0][3]) >= now;
      result.value = CapcodeHolder{live ? CapcodeState::Reserved : CapcodeState::InDoubt, 0, Text(open[0][2]),
                                   Text(open[0][1])};
      return result;
    }
    const auto rows = db_->Run(
        "SELECT r.id, r.time_utc, r.station FROM record_capcodes c JOIN records r ON r.id = c.record_id"
        " WHERE c.capcode = $1 AND c.held = 1 ORDER BY r.time_utc DESC, r.id DESC LIMIT 1",
        {int64_t{capcode}});
    if (!rows.empty())
      result.value = CapcodeHolder{CapcodeState::Written, Number(rows[0][0]), Text(rows[0][1]), Text(rows[0][2])};
    return result;
  });
}

StoreResult<std::vector<OpenAllocation>> ProductionStore::OpenAllocations() {
  return Guarded("read", true, [&] {
    StoreResult<std::vector<OpenAllocation>> result;
    const std::string now = DatabaseTimes().now;
    for (const SqlRow& row : db_->Run("SELECT capcode, slot, state, station, reserved_utc, lease_until"
                                      " FROM allocations WHERE state <> 'written' ORDER BY capcode")) {
      OpenAllocation a;
      a.capcode = static_cast<uint32_t>(Number(row[0]));
      a.slot = static_cast<int>(Number(row[1]));
      a.state = StateOf(Text(row[2]));
      a.station = Text(row[3]);
      a.since = Text(row[4]);
      a.leaseUntil = Text(row[5]);
      // Read-only eyes see a lease that ran out as what the next reservation will make it.
      if (a.state == CapcodeState::Reserved && a.leaseUntil < now) a.state = CapcodeState::InDoubt;
      result.value.push_back(std::move(a));
    }
    const auto events = db_->Run(
        "SELECT e.capcode, e.time_utc, e.event, e.station, e.user_name, e.reason, e.record_id"
        " FROM allocation_events e JOIN allocations a ON a.capcode = e.capcode"
        " WHERE a.state <> 'written' ORDER BY e.capcode, e.id");
    for (const SqlRow& row : events) {
      const uint32_t capcode = static_cast<uint32_t>(Number(row[0]));
      const auto a = std::find_if(result.value.begin(), result.value.end(),
                                  [&](const OpenAllocation& o) { return o.capcode == capcode; });
      if (a == result.value.end()) continue;
      a->events.push_back({Text(row[1]), Text(row[2]), Text(row[3]), Text(row[4]), Text(row[5]),
                           row[6] ? Number(row[6]) : 0});
    }
    return result;
  });
}

StoreStatus ProductionStore::ReleaseInDoubt(uint32_t capcode, const std::string& reason) {
  std::string why(reason);
  while (!why.empty() && (why.back() == ' ' || why.front() == ' '))
    why = why.back() == ' ' ? why.substr(0, why.size() - 1) : why.substr(1);
  if (why.empty())
    return {"A capcode in doubt is released only with a reason: say why no pager holds " + CapcodeText(capcode) +
            " (for example: \"pager 17 read back, it holds 1700002\")."};
  return Guarded("release a capcode in", false, [&] {
    StoreStatus status;
    Transaction tx(*db_);
    const Times times = DatabaseTimes();
    DoubtExpired(times.now);
    const auto row = db_->Run("SELECT state, station, lease_until FROM allocations WHERE capcode = $1",
                              {int64_t{capcode}});
    if (row.empty()) {
      status.error = "Capcode " + CapcodeText(capcode) + " is not held by anyone: there is nothing to release.";
      return status;
    }
    const std::string state = Text(row[0][0]);
    if (state == "written") {
      status.error = "Capcode " + CapcodeText(capcode) +
                     " was written to a verified pager; only a capcode in doubt can be released.";
      return status;
    }
    if (state == "reserved") {
      status.error = "Capcode " + CapcodeText(capcode) + " is reserved by " + Text(row[0][1]) +
                     " for a pager being written (until " + ShortTime(Text(row[0][2])) +
                     "); it can be released once it is in doubt.";
      return status;
    }
    db_->Run("DELETE FROM allocations WHERE capcode = $1 AND state = 'doubt'", {int64_t{capcode}});
    Event(capcode, "released", times.now, why);
    CountFreed();
    tx.Commit();
    return status;
  });
}

std::string_view CapcodeStateName(CapcodeState state) {
  switch (state) {
    case CapcodeState::Reserved: return "reserved";
    case CapcodeState::Written: return "written";
    case CapcodeState::InDoubt: break;
  }
  return "in doubt";
}

std::string AlreadyWrittenQuestion(uint32_t capcode, const CapcodeHolder& holder) {
  const std::string text = "Capcode " + CapcodeText(capcode);
  switch (holder.state) {
    case CapcodeState::Written: break;
    case CapcodeState::Reserved:
      return text + " is reserved for a pager being written at " + holder.station + " since " +
             ShortTime(holder.time) + ". Write it again?";
    case CapcodeState::InDoubt:
      return text + " may be in a pager already: its write at " + holder.station + " on " + ShortTime(holder.time) +
             " was not confirmed. Write it again?";
  }
  return text + " was already written to a pager on " + ShortTime(holder.time) + " at " + holder.station +
         ". Write it again?";
}

}  // namespace qrt::production
