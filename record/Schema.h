#pragma once
// The production record's tables, one list of migrations for both databases.
// Version 1 holds the records with their capcodes; version 2 adds the
// capcode allocations and marks which recorded capcodes a pager holds;
// version 3 gives every allocated capcode a state and a history, and every
// record the id of its transfer.
#include "record/Sql.h"

namespace qrt::production {

inline constexpr int kSchemaVersion = 3;

// Brings the database to `target` inside one transaction (all steps or
// none) and returns the version it found (0 for an empty database). Throws
// SqlError, also for a database of a newer version than this program knows.
int Migrate(SqlConnection& db, int target = kSchemaVersion);

// For reading only: changes nothing, and throws SqlError saying why when
// the database is not a production record of exactly this version.
void CheckVersionForReading(SqlConnection& db);

}  // namespace qrt::production
