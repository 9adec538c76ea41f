#pragma once
// The PostgreSQL server of the tests, the one pg_virtualenv starts (ctest
// marks it the run's own: QRT35_TEST_PG_THROWAWAY=1). A test keeps its
// tables in a schema of its own and drops only that; what acts on the whole
// cluster (roles, a restart) runs only on a cluster the run made.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "record/Sql.h"

namespace qrt::test {

inline bool ThrowawayCluster() {
  const char* v = std::getenv("QRT35_TEST_PG_THROWAWAY");
  return v && std::string(v) == "1" && std::getenv("PGVERSION");
}

// Stops or starts the throwaway cluster ("stop -m fast", "start"); true when done.
inline bool Cluster(const std::string& action) {
  if (!ThrowawayCluster()) return false;
  const std::string command =
      "pg_ctlcluster " + std::string(std::getenv("PGVERSION")) + " regress " + action + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

class PgSchema {
 public:
  PgSchema() {
    static std::atomic<int> count{0};
    name_ = "qrt_test_" + std::to_string(::getpid()) + "_" + std::to_string(count++);
    production::OpenPostgres("postgresql://")->Run("CREATE SCHEMA " + name_);
  }
  ~PgSchema() {
    try {
      production::OpenPostgres("postgresql://")->Run("DROP SCHEMA " + name_ + " CASCADE");
    } catch (const std::exception&) {
    }
  }
  const std::string& name() const { return name_; }
  // The record in this schema, as --db takes it.
  std::string Location(const std::string& user = {}) const {
    return "postgresql://" + user + "?options=-csearch_path%3D" + name_;
  }
  PgSchema(const PgSchema&) = delete;
  PgSchema& operator=(const PgSchema&) = delete;

 private:
  std::string name_;
};

// Makes the record at `location` refuse every new record ("disk full"), as
// a database that takes no more writes does; false takes that back.
inline void RefuseRecords(const std::string& location, bool refuse) {
  const bool sqlite = location.rfind("postgresql://", 0) != 0;
  auto db = sqlite ? production::OpenSqlite(location) : production::OpenPostgres(location);
  if (!refuse) return (void)db->Run(sqlite ? "DROP TRIGGER refuse" : "DROP TRIGGER refuse ON records");
  if (sqlite)
    return (void)db->Run("CREATE TRIGGER refuse BEFORE INSERT ON records BEGIN SELECT RAISE(ABORT, 'disk full'); END");
  db->Run("CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'disk full'; END $$ LANGUAGE plpgsql");
  db->Run("CREATE TRIGGER refuse BEFORE INSERT ON records FOR EACH ROW EXECUTE FUNCTION refuse()");
}

// Fails the test when no server is there: a PostgreSQL test that never ran
// must not look like one that passed.
#define QRT_REQUIRE_PG()                                                     \
  ASSERT_TRUE(std::getenv("PGHOST") || std::getenv("PGSERVICE"))           \
      << "no PostgreSQL server in the environment: run under pg_virtualenv"

}  // namespace qrt::test
