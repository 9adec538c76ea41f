#include "production/ProductionStore.h"

#include <openssl/rand.h>

#include <algorithm>
#include <random>

#include "base/DataHome.h"
#include "editor/Capcode.h"
#include "production/Schema.h"

namespace qrt::production {
namespace {

// A serialization failure or deadlock between stations runs the whole call again.
constexpr int kAttempts = 5;
// Bounds the search for a free capcode when other stations keep taking the
// one found; each round moves past a capcode that became taken.
constexpr int kReserveRounds = 10000;

// How many capcodes from $1 to $2 are taken, and the highest of them.
constexpr const char* kTakenIn = "SELECT COUNT(*), MAX(capcode) FROM allocations WHERE capcode >= $1 AND capcode <= $2";

// A reservation whose lease ran out no longer holds its capcode.
constexpr const char* kDropExpired =
    "DELETE FROM allocations WHERE lease_until IS NOT NULL AND lease_until < $1";

// The primary key makes a capcode one station's: of two stations that found
// the same free capcode, the second inserts nothing and looks again.
constexpr const char* kInsertReservation =
    "INSERT INTO allocations (capcode, slot, station, token, reserved_utc, lease_until)"
    " VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (capcode) DO NOTHING";

constexpr const char* kInsertRecord =
    "INSERT INTO records (time_utc, station, port, operation, outcome, message, model, pcb, software,"
    " frequency, band, image_sha256, table_path, backup_path, duration_ms)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15) RETURNING id";

constexpr const char* kRecordColumns =
    "r.id, r.time_utc, r.station, r.port, r.operation, r.outcome, r.message, r.model, r.pcb, r.software,"
    " r.frequency, r.band, r.image_sha256, r.table_path, r.backup_path, r.duration_ms";
constexpr size_t kRecordColumnCount = 16;

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
  // relaxed: the commit need not reach the disk before it returns (see
  // SqlDialect::relaxedCommits); the connection is durable again afterwards.
  explicit Transaction(SqlConnection& db, bool relaxed = false) : db_(db), relaxed_(relaxed) {
    if (relaxed_) db_.Run(db_.Dialect().relaxedCommits);
    try {
      db_.Run(db_.Dialect().beginWrite);
    } catch (...) {
      Durable();
      throw;
    }
  }
  ~Transaction() {
    if (!done_) {
      try {
        db_.Run("ROLLBACK");
      } catch (const SqlError&) {
      }
    }
    Durable();
  }
  void Commit() {
    db_.Run("COMMIT");
    done_ = true;
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

 private:
  void Durable() {
    if (!relaxed_) return;
    try {
      db_.Run(db_.Dialect().durableCommits);
    } catch (const SqlError&) {
    }
  }
  SqlConnection& db_;
  bool relaxed_;
  bool done_ = false;
};

std::string NewToken() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    std::random_device device;
    for (auto& b : bytes) b = static_cast<unsigned char>(device());
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

int64_t Number(const std::optional<std::string>& text) {
  if (!text) throw SqlError("the database gave no value where a number belongs");
  return std::stoll(*text);
}

std::string Text(const std::optional<std::string>& text) { return text ? *text : std::string(); }

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

}  // namespace

ProductionStore::ProductionStore(std::unique_ptr<SqlConnection> db, const Location& location, StoreOptions options)
    : db_(std::move(db)),
      name_(location.display),
      target_(location.target),
      station_(options.station.empty() ? HostName() : CleanText(options.station)),
      options_(std::move(options)) {}

StoreResult<std::unique_ptr<ProductionStore>> ProductionStore::Open(const std::string& location,
                                                                    StoreOptions options) {
  StoreResult<std::unique_ptr<ProductionStore>> result;
  const Location where = ResolveLocation(location);
  const auto fail = [&](const std::string& reason) {
    result.error = "Could not open the production record " + where.display + ": " + reason;
    return std::move(result);
  };
  if (!where.error.empty()) return fail(where.error);
  if (where.defaultFile) {
    std::string error;
    if (!EnsurePrivateFolder(std::filesystem::path(where.target).parent_path(), error))
      return fail(error);
  }
  std::unique_ptr<SqlConnection> db;
  try {
    db = where.backend == Backend::Postgres ? OpenPostgres(where.target) : OpenSqlite(where.target);
    Migrate(*db);
  } catch (const std::exception& e) {
    return fail(HidePasswords(e.what(), where.target));
  }
  std::unique_ptr<ProductionStore> store(new ProductionStore(std::move(db), where, std::move(options)));
  const StoreStatus status = store->Check();
  if (!status.ok()) {
    result.error = status.error;
    return result;
  }
  result.value = std::move(store);
  return result;
}

std::string ProductionStore::BackendName() const { return std::string(db_->Dialect().name); }

std::string ProductionStore::Now() const {
  return UtcTimeText(options_.clock ? options_.clock() : std::chrono::system_clock::now());
}

std::string ProductionStore::Failure(const char* what, const std::string& reason) const {
  return std::string("Could not ") + what + " the production record " + name_ + ": " +
         HidePasswords(reason, target_);
}

template <class F>
auto ProductionStore::Guarded(const char* what, bool idempotent, F&& body) -> decltype(body()) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int attempt = 1;; ++attempt) {
    try {
      if (db_->Broken()) db_->Reconnect();
      return body();
    } catch (const SqlError& e) {
      // A lost connection (a restarted server) is found by the first call
      // after it. Only a call that changes nothing runs again: a write whose
      // COMMIT may have arrived before the loss must not be stored twice.
      if ((e.Retry() || (idempotent && db_->Broken())) && attempt < kAttempts) continue;
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

int64_t ProductionStore::InsertRecord(const ProductionRecord& record, const std::string& now) {
  const std::vector<SqlParam> params = {
      now,
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
  };
  const auto rows = db_->Run(kInsertRecord, params);
  if (rows.empty()) throw SqlError("the new record got no number");
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

  // The pager holds its enabled capcodes now, whoever allocated them. A live
  // reservation of one by another station becomes this pager's: released
  // later, it would free a capcode that a pager holds. That station is told
  // when it commits.
  std::vector<uint32_t> done;  // one capcode in two slots is one allocation
  for (size_t k = 0; k < record.capcodes.size(); ++k) {
    const RecordedCapcode& c = record.capcodes[k];
    if (!c.enabled || std::find(done.begin(), done.end(), c.capcode) != done.end()) continue;
    done.push_back(c.capcode);
    db_->Run(
        "INSERT INTO allocations (capcode, slot, station, token, reserved_utc, lease_until, record_id)"
        " VALUES ($1, $2, $3, '', $4, NULL, $5) ON CONFLICT (capcode) DO UPDATE SET"
        " slot = excluded.slot, station = excluded.station, token = excluded.token, lease_until = NULL,"
        " record_id = excluded.record_id WHERE allocations.lease_until IS NOT NULL",
        {int64_t{c.capcode}, static_cast<int64_t>(k + 1), station_, now, id});
  }
  return id;
}

StoreResult<int64_t> ProductionStore::Record(const ProductionRecord& record) {
  return Guarded("store a record in", false, [&] {
    Transaction tx(*db_);
    StoreResult<int64_t> result;
    result.value = InsertRecord(record, Now());
    tx.Commit();
    return result;
  });
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
                                                    const Reservation& reservation, const std::string& now) {
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
             {int64_t{*capcode}, int64_t{range.slot}, station_, reservation.token, now, reservation.leaseUntil},
             &changed);
    if (changed == 1) return capcode;
    from = *capcode;  // another station took it meanwhile: the next search sees it
  }
  throw SqlError("other stations kept taking every free capcode found");
}

void ProductionStore::CountFreed() { db_->Run("UPDATE allocation_frees SET generation = generation + 1"); }

StoreResult<Reservation> ProductionStore::Reserve(const std::vector<CapcodeRange>& ranges) {
  const std::string invalid = CheckRanges(ranges);
  if (!invalid.empty()) {
    StoreResult<Reservation> refused;
    refused.error = invalid;
    return refused;
  }
  return Guarded("reserve capcodes in", false, [&] {
    StoreResult<Reservation> result;
    const auto now = options_.clock ? options_.clock() : std::chrono::system_clock::now();
    Reservation reservation;
    reservation.token = NewToken();
    reservation.leaseUntil = UtcTimeText(now + options_.lease);
    // A reservation lost in a power cut frees its capcodes, as its lease
    // would a little later; so its commit need not wait for the disk. The
    // commit that makes capcodes a pager's always does.
    Transaction tx(*db_, true);
    int64_t dropped = 0;
    db_->Run(kDropExpired, {UtcTimeText(now)}, &dropped);
    if (dropped > 0) CountFreed();
    const int64_t generation = Number(db_->Run("SELECT generation FROM allocation_frees").at(0)[0]);
    if (generation != freedGeneration_) takenBelow_.clear();
    std::vector<std::pair<std::pair<uint32_t, uint32_t>, uint32_t>> seen;
    for (const CapcodeRange& range : ranges) {
      const auto key = std::make_pair(range.first, range.last);
      const auto known = takenBelow_.find(key);
      const uint32_t from = known == takenBelow_.end() ? range.first : known->second;
      const std::optional<uint32_t> capcode =
          from > range.last ? std::nullopt : ReserveOne(range, from, reservation, UtcTimeText(now));
      if (!capcode) {
        result.error = RangeUsedUpMessage(range);
        return result;  // the transaction rolls back what the other slot reserved
      }
      reservation.capcodes.push_back({range.slot, *capcode});
      seen.push_back({key, *capcode + 1});
    }
    tx.Commit();
    freedGeneration_ = generation;
    for (const auto& [key, below] : seen) takenBelow_[key] = below;
    result.value = std::move(reservation);
    return result;
  });
}

StoreResult<int64_t> ProductionStore::Commit(const Reservation& reservation, const ProductionRecord& record) {
  StoreResult<int64_t> refused;
  if (record.outcome != Outcome::Ok)
    refused.error = "Only a verified pager makes its capcodes permanent; a failed one releases them.";
  for (const ReservedCapcode& c : reservation.capcodes)
    if (c.slot < 1 || c.slot > kRecordedCapcodes || record.capcodes[c.slot - 1].capcode != c.capcode)
      refused.error = "The record does not carry the reserved capcode " + CapcodeText(c.capcode) + " as capcode " +
                      std::to_string(c.slot) + ".";
  if (!refused.ok()) return refused;

  return Guarded("store a record in", false, [&] {
    StoreResult<int64_t> result;
    const std::string now = Now();
    Transaction tx(*db_);
    // The reservation becomes the pager's first, so that the record's own
    // capcodes find it theirs already.
    const auto kept = db_->Run(
        "UPDATE allocations SET lease_until = NULL WHERE token = $1 AND lease_until IS NOT NULL RETURNING capcode",
        {reservation.token});
    result.value = InsertRecord(record, now);
    db_->Run("UPDATE allocations SET record_id = $2 WHERE token = $1", {reservation.token, result.value});
    std::vector<std::string> shared;
    for (const ReservedCapcode& c : reservation.capcodes) {
      const bool committed = std::any_of(kept.begin(), kept.end(), [&](const SqlRow& row) {
        return Number(row[0]) == int64_t{c.capcode};
      });
      if (committed) continue;
      // The lease ran out and another station reserved the capcode meanwhile.
      // Where it was free again, the record has just made it this pager's.
      const auto holder = db_->Run("SELECT station, record_id, token FROM allocations WHERE capcode = $1",
                                   {int64_t{c.capcode}});
      if (!holder.empty() && (Text(holder[0][1]) == std::to_string(result.value) ||
                              Text(holder[0][2]) == reservation.token))
        continue;
      shared.push_back(CapcodeText(c.capcode) + " (now held by " +
                       (holder.empty() ? std::string("another station") : Text(holder[0][0])) + ")");
    }
    tx.Commit();
    if (!shared.empty()) {
      std::string list;
      for (const std::string& s : shared) list += (list.empty() ? "" : ", ") + s;
      result.error = "This pager was recorded, but its reservation outlived its lease and was taken over: "
                     "another pager may receive capcode " + list + " as well. Check and reprogram one of them.";
    }
    return result;
  });
}

StoreResult<int64_t> ProductionStore::Release(const Reservation& reservation, const ProductionRecord& record) {
  return Guarded("store a record in", false, [&] {
    StoreResult<int64_t> result;
    Transaction tx(*db_);
    result.value = InsertRecord(record, Now());
    int64_t freed = 0;
    db_->Run("DELETE FROM allocations WHERE token = $1 AND lease_until IS NOT NULL", {reservation.token}, &freed);
    if (freed > 0) CountFreed();
    tx.Commit();
    return result;
  });
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

StoreResult<std::optional<PreviousWrite>> ProductionStore::LastWriteOf(uint32_t capcode) {
  return Guarded("read", true, [&] {
    StoreResult<std::optional<PreviousWrite>> result;
    const auto rows = db_->Run(
        "SELECT r.id, r.time_utc, r.station FROM record_capcodes c JOIN records r ON r.id = c.record_id"
        " WHERE c.capcode = $1 AND c.held = 1 ORDER BY r.time_utc DESC, r.id DESC LIMIT 1",
        {int64_t{capcode}});
    if (!rows.empty()) result.value = PreviousWrite{Number(rows[0][0]), Text(rows[0][1]), Text(rows[0][2])};
    return result;
  });
}

std::string AlreadyWrittenQuestion(uint32_t capcode, const PreviousWrite& previous) {
  return "Capcode " + CapcodeText(capcode) + " was already written to a pager on " + ShortTime(previous.time) +
         " at " + previous.station + ". Write it again?";
}

}  // namespace qrt::production
