#pragma once
// The one thing the two databases must provide to the production record: run
// a statement with parameters and hand back its rows as text. All SQL lives
// in the store and its schema and runs unchanged on both; the few words the
// two dialects spell differently are named in SqlDialect.
//
// Parameters are written $1, $2, ... in the SQL text on both databases.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qrt::production {

// A parameter: NULL, a whole number or a text (UTF-8).
using SqlParam = std::variant<std::monostate, int64_t, std::string>;
// One result row, each column as text; nullopt for NULL.
using SqlRow = std::vector<std::optional<std::string>>;

struct SqlDialect {
  std::string_view name;
  // Starts a transaction whose reads decide its writes. SQLite must take the
  // write lock at once (two readers that both upgrade would deadlock, and
  // the second would decide on what it read before the first one's write).
  std::string_view beginWrite;
  // The column type of an auto-numbered primary key.
  std::string_view idColumn;
  // Run first in the migration's transaction, so that two programs opening
  // a new database at once do not both create the tables; empty for none
  // (SQLite's write lock already does it).
  std::string_view migrationLock;
  // The database's clock as record text ("2026-12-08T14:03:21.042Z"): the
  // time now and $1 milliseconds later, in one row. Every station of a line
  // takes its times from here, never from its own clock.
  std::string_view clockQuery;
  // The names of the tables the database holds besides ours (SQLite only:
  // a file holding other tables is somebody else's); empty for none.
  std::string_view otherTables;
};

class SqlError : public std::runtime_error {
 public:
  enum class Kind {
    Other,
    Retry,     // a serialization failure or a deadlock: the transaction may simply run again
    Transient, // the database is away for now (locked past the busy timeout, connection lost):
               // a transaction that may run twice can run again a little later
  };
  explicit SqlError(const std::string& reason, Kind kind = Kind::Other) : std::runtime_error(reason), kind_(kind) {}
  bool Retry() const { return kind_ == Kind::Retry; }
  bool Transient() const { return kind_ == Kind::Transient; }

 private:
  Kind kind_;
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;
  virtual const SqlDialect& Dialect() const = 0;
  // Runs one statement. Returns its rows; `changed` receives the number of
  // rows inserted, updated or deleted. Throws SqlError with the database's reason.
  std::vector<SqlRow> Run(std::string_view sql, const std::vector<SqlParam>& params = {},
                          int64_t* changed = nullptr) {
    return Execute(sql, params, changed);
  }
  // Re-establishes a connection the server dropped (a restarted server); throws
  // SqlError when that fails.
  virtual void Reconnect() = 0;
  virtual bool Broken() const = 0;
  // What messages call the database: the SQLite file's full path, or
  // "PostgreSQL HOST:PORT/DATABASE" as the connection reached it.
  virtual std::string Description() const = 0;

 protected:
  virtual std::vector<SqlRow> Execute(std::string_view sql, const std::vector<SqlParam>& params,
                                      int64_t* changed) = 0;
};

struct SqliteOptions {
  // Reading only: nothing is created or changed, and a file that cannot be
  // written (a copy, a supervisor's read-only view) is still read.
  bool readOnly = false;
  // How long a statement waits for another process's write lock before it
  // gives up. A batch step holds it for a few milliseconds; ten seconds
  // cover a slow disk with many stations queued.
  int busyTimeoutMs = 10000;
  bool create = true;  // a missing file is created (0600); false: refused
};

// Both throw SqlError with the reason (never containing a password).
// `created`, when given, tells whether the file was made by this call.
std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, const SqliteOptions& options = {},
                                          bool* created = nullptr);
// `conninfo`: anything libpq takes (a URI, key=value pairs, service=NAME).
std::unique_ptr<SqlConnection> OpenPostgres(const std::string& conninfo);

}  // namespace qrt::production
