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
  // Session settings around a transaction whose loss in a power cut costs
  // nothing that a lease would not give back anyway: its commit returns
  // without waiting for the disk. Every other commit waits for it.
  std::string_view relaxedCommits;
  std::string_view durableCommits;
};

class SqlError : public std::runtime_error {
 public:
  explicit SqlError(const std::string& reason, bool retry = false) : std::runtime_error(reason), retry_(retry) {}
  // A serialization failure or a deadlock: the whole transaction may simply run again.
  bool Retry() const { return retry_; }

 private:
  bool retry_;
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

 protected:
  virtual std::vector<SqlRow> Execute(std::string_view sql, const std::vector<SqlParam>& params,
                                      int64_t* changed) = 0;
};

// Both throw SqlError with the reason (never containing a password).
std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path);
std::unique_ptr<SqlConnection> OpenPostgres(const std::string& url);

}  // namespace qrt::production
