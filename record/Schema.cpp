#include "record/Schema.h"

#include "record/Record.h"

#include <iterator>
#include <string>

namespace qrt::production {
namespace {

// Statements of each version; "{id}" stands for the dialect's auto-numbered key.
constexpr const char* kVersion1[] = {
    "CREATE TABLE records ("
    " id {id},"
    " time_utc TEXT NOT NULL,"
    " station TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " operation TEXT NOT NULL,"
    " outcome TEXT NOT NULL,"
    " message TEXT NOT NULL,"
    " model TEXT NOT NULL,"
    " pcb TEXT NOT NULL,"
    " software TEXT NOT NULL,"
    " frequency BIGINT,"
    " band TEXT NOT NULL,"
    " image_sha256 TEXT NOT NULL,"
    " table_path TEXT NOT NULL,"
    " backup_path TEXT NOT NULL,"
    " duration_ms BIGINT NOT NULL)",
    "CREATE INDEX records_time ON records (time_utc)",
    "CREATE TABLE record_capcodes ("
    " record_id BIGINT NOT NULL REFERENCES records (id),"
    " slot INTEGER NOT NULL,"
    " capcode INTEGER NOT NULL,"
    " enabled INTEGER NOT NULL,"
    " PRIMARY KEY (record_id, slot))",
    "CREATE INDEX record_capcodes_capcode ON record_capcodes (capcode)",
};

// Version 2 allocates capcodes. `allocations` holds every capcode that is
// not free: reserved by a station (lease_until set), or held by a pager
// (lease_until NULL) through a verified batch or a recorded write, so that
// finding the lowest free capcode reads one table. `held` marks the
// recorded capcodes a pager holds, for the question "already written?".
constexpr const char* kVersion2[] = {
    "ALTER TABLE record_capcodes ADD COLUMN held INTEGER NOT NULL DEFAULT 0",
    "UPDATE record_capcodes SET held = 1 WHERE enabled = 1 AND record_id IN"
    " (SELECT id FROM records WHERE outcome = 'ok' AND operation IN ('write', 'batch'))",
    "CREATE INDEX record_capcodes_held ON record_capcodes (capcode) WHERE held = 1",
    "CREATE TABLE allocations ("
    " capcode INTEGER NOT NULL PRIMARY KEY,"
    " slot INTEGER NOT NULL,"
    " station TEXT NOT NULL,"
    " token TEXT NOT NULL,"
    " reserved_utc TEXT NOT NULL,"
    " lease_until TEXT,"
    " record_id BIGINT REFERENCES records (id))",
    "CREATE INDEX allocations_token ON allocations (token)",
    "CREATE INDEX allocations_lease ON allocations (lease_until) WHERE lease_until IS NOT NULL",
    // Goes up whenever a taken capcode becomes free again, so that a station
    // knows when what it saw of a range can no longer be relied on.
    "CREATE TABLE allocation_frees (generation BIGINT NOT NULL)",
    "INSERT INTO allocation_frees (generation) VALUES (0)",
    // The capcodes earlier writes left in pagers, each with its latest write.
    "INSERT INTO allocations (capcode, slot, station, token, reserved_utc, lease_until, record_id)"
    " SELECT c.capcode, c.slot, r.station, '', r.time_utc, NULL, r.id"
    " FROM record_capcodes c JOIN records r ON r.id = c.record_id"
    " WHERE c.held = 1 AND r.id = (SELECT MAX(h.record_id) FROM record_capcodes h"
    "  WHERE h.capcode = c.capcode AND h.held = 1)"
    " ON CONFLICT (capcode) DO NOTHING",
};

// Version 3 keeps every allocated capcode's state and history, so that a
// capcode that may be in a pager is never given out again without a
// person's word: 'reserved' (a station is writing it, until lease_until),
// 'written' (a verified pager holds it) or 'doubt' (the write ended in a
// way that leaves it unknown whether a pager holds it). A released capcode
// has no row. A record carries the id of its transfer, so that a commit
// sent again after a lost connection stores one record.
constexpr const char* kVersion3[] = {
    "ALTER TABLE allocations ADD COLUMN state TEXT NOT NULL DEFAULT 'written'",
    "UPDATE allocations SET state = 'reserved' WHERE lease_until IS NOT NULL",
    "CREATE INDEX allocations_open ON allocations (state) WHERE state <> 'written'",
    "CREATE TABLE allocation_events ("
    " id {id},"
    " capcode INTEGER NOT NULL,"
    " event TEXT NOT NULL,"
    " station TEXT NOT NULL,"
    " user_name TEXT NOT NULL,"
    " time_utc TEXT NOT NULL,"
    " reason TEXT NOT NULL,"
    " record_id BIGINT)",
    "CREATE INDEX allocation_events_capcode ON allocation_events (capcode)",
    "INSERT INTO allocation_events (capcode, event, station, user_name, time_utc, reason)"
    " SELECT capcode, 'reserved', station, '', reserved_utc, '' FROM allocations WHERE state = 'reserved'",
    "ALTER TABLE records ADD COLUMN transfer_id TEXT",
    "CREATE UNIQUE INDEX records_transfer ON records (transfer_id)",
    // Names the database for the entries a station's journal keeps for it.
    "CREATE TABLE record_identity (id TEXT NOT NULL)",
    "INSERT INTO record_identity (id) VALUES ($1)",
};

struct Step {
  const char* const* statements;
  size_t count;
};
constexpr Step kSteps[kSchemaVersion] = {
    {kVersion1, std::size(kVersion1)},
    {kVersion2, std::size(kVersion2)},
    {kVersion3, std::size(kVersion3)},
};

std::string ForDialect(std::string sql, const SqlDialect& dialect) {
  const size_t at = sql.find("{id}");
  if (at != std::string::npos) sql.replace(at, 4, dialect.idColumn);
  return sql;
}

int StoredVersion(SqlConnection& db) {
  const auto rows = db.Run("SELECT MAX(version) FROM schema_version");
  return rows.empty() || !rows[0][0] ? 0 : std::stoi(*rows[0][0]);
}

SqlError Newer(int found) {
  return SqlError("it was made by a newer version of the programmer (record version " + std::to_string(found) +
                  ", this one knows up to " + std::to_string(kSchemaVersion) + ")");
}

// A SQLite file that holds tables of its own is somebody else's database.
void RefuseForeign(SqlConnection& db) {
  if (db.Dialect().otherTables.empty()) return;
  std::string names;
  for (const SqlRow& row : db.Run(db.Dialect().otherTables))
    names += (names.empty() ? "" : ", ") + row[0].value_or("");
  if (!names.empty()) throw SqlError("it holds other tables (" + names + "), not a production record");
}

}  // namespace

void CheckVersionForReading(SqlConnection& db) {
  int found = 0;
  try {
    found = StoredVersion(db);
  } catch (const SqlError&) {
    RefuseForeign(db);
    throw SqlError("it holds no production record yet");
  }
  if (found > kSchemaVersion) throw Newer(found);
  if (found < kSchemaVersion)
    throw SqlError("it holds an older record version (" + std::to_string(found) + ", this program reads " +
                   std::to_string(kSchemaVersion) + "), which reading alone does not bring up to date; the next "
                   "write, read or verify of a station with write rights does");
}

int Migrate(SqlConnection& db, int target) {
  if (target < 1 || target > kSchemaVersion) throw SqlError("no such record version " + std::to_string(target));
  // Opening an up-to-date database takes no write lock.
  try {
    const int found = StoredVersion(db);
    if (found == target) return found;
  } catch (const SqlError&) {
    // No version table yet (or an unreadable file: the transaction says why).
  }
  db.Run(db.Dialect().beginWrite);
  try {
    if (!db.Dialect().migrationLock.empty()) db.Run(db.Dialect().migrationLock);
    db.Run("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const int found = StoredVersion(db);
    if (found == 0) RefuseForeign(db);
    if (found > kSchemaVersion) throw Newer(found);
    const std::string identity = RandomToken();
    for (int version = found + 1; version <= target; ++version)
      for (size_t k = 0; k < kSteps[version - 1].count; ++k) {
        const std::string sql = ForDialect(kSteps[version - 1].statements[k], db.Dialect());
        db.Run(sql, sql.find("$1") != std::string::npos ? std::vector<SqlParam>{identity} : std::vector<SqlParam>{});
      }
    if (found < target) {
      db.Run("DELETE FROM schema_version");
      db.Run("INSERT INTO schema_version (version) VALUES ($1)", {int64_t{target}});
    }
    db.Run("COMMIT");
    return found;
  } catch (...) {
    try {
      db.Run("ROLLBACK");
    } catch (const SqlError&) {
    }
    throw;
  }
}

}  // namespace qrt::production
