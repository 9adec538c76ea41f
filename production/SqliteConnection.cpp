// The embedded database: one file per machine, shared by the window and any
// number of command-line processes through SQLite's own file locking.
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "production/Sql.h"

namespace qrt::production {
namespace {

constexpr SqlDialect kSqlite{
    "SQLite",
    "BEGIN IMMEDIATE",
    "INTEGER PRIMARY KEY AUTOINCREMENT",
    "",
    "PRAGMA synchronous=NORMAL",
    "PRAGMA synchronous=FULL",
};

// How long a statement waits for another process's write lock before it
// gives up with "database is locked". A batch step holds it for a few
// milliseconds; ten seconds cover a slow disk with many stations queued.
constexpr int kBusyTimeoutMs = 10000;
constexpr int kBusyRetryMs = 10;
constexpr size_t kStatementCacheSize = 64;

class SqliteConnection : public SqlConnection {
 public:
  explicit SqliteConnection(const std::string& path) {
    Prepare(path);
    const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      Close();
      throw SqlError(reason);
    }
    sqlite3_extended_result_codes(db_, 1);
    if (sqlite3_db_readonly(db_, "main") == 1) {
      Close();
      throw SqlError("the file is read-only");
    }
    try {
      sqlite3_busy_timeout(db_, kBusyTimeoutMs);
      // Several processes write one file: WAL lets readers go on while one
      // writes. FULL makes every committed record and reservation survive a
      // power cut; losing one could hand out its capcode again.
      // Turning a new file to WAL needs it alone for a moment and does not
      // wait for another process that opens it at the same time: ask again
      // until the busy timeout has run out.
      std::vector<SqlRow> mode;
      for (int waited = 0;; waited += kBusyRetryMs) {
        try {
          mode = Run("PRAGMA journal_mode=WAL");
          break;
        } catch (const SqlError&) {
          if ((sqlite3_extended_errcode(db_) & 0xFF) != SQLITE_BUSY || waited >= kBusyTimeoutMs) throw;
          std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMs));
        }
      }
      if (mode.empty() || !mode[0][0] || *mode[0][0] != "wal")
        throw SqlError("the file system does not allow the shared (WAL) journal");
      Run("PRAGMA synchronous=FULL");
      Run("PRAGMA foreign_keys=ON");
    } catch (...) {
      Close();
      throw;
    }
  }

  ~SqliteConnection() override { Close(); }

  const SqlDialect& Dialect() const override { return kSqlite; }

  std::vector<SqlRow> Execute(std::string_view sql, const std::vector<SqlParam>& params, int64_t* changed) override {
    sqlite3_stmt* stmt = Statement(sql);
    struct Reset {
      sqlite3_stmt* s;
      ~Reset() {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
      }
    } reset{stmt};
    const int count = sqlite3_bind_parameter_count(stmt);
    if (count > static_cast<int>(params.size())) throw SqlError("a statement is missing a parameter");
    for (int k = 1; k <= count; ++k) {
      const std::string name = "$" + std::to_string(k);
      const int index = sqlite3_bind_parameter_index(stmt, name.c_str());
      if (index == 0) continue;
      const SqlParam& p = params[k - 1];
      int rc = SQLITE_OK;
      if (std::holds_alternative<int64_t>(p))
        rc = sqlite3_bind_int64(stmt, index, std::get<int64_t>(p));
      else if (std::holds_alternative<std::string>(p))
        rc = sqlite3_bind_text(stmt, index, std::get<std::string>(p).data(),
                               static_cast<int>(std::get<std::string>(p).size()), SQLITE_TRANSIENT);
      else
        rc = sqlite3_bind_null(stmt, index);
      if (rc != SQLITE_OK) throw SqlError(sqlite3_errmsg(db_));
    }
    std::vector<SqlRow> rows;
    while (true) {
      const int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) throw SqlError(sqlite3_errmsg(db_));
      SqlRow row(sqlite3_column_count(stmt));
      for (int c = 0; c < static_cast<int>(row.size()); ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_NULL) continue;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        row[c] = std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
      }
      rows.push_back(std::move(row));
    }
    if (changed) *changed = sqlite3_changes64(db_);
    return rows;
  }

  // The file stays open for the life of the store; nothing to re-establish.
  void Reconnect() override {}
  bool Broken() const override { return false; }

 private:
  // A missing folder or a folder in place of the file gets its own reason:
  // SQLite would only say "unable to open database file". A new file is
  // created readable by its owner only: it names every pager of the line.
  static void Prepare(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
    if (fs::is_directory(file, ec)) throw SqlError("it is a folder, not a database file");
    const fs::path parent = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec)) throw SqlError("the folder " + parent.string() + " does not exist");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
    } else if (errno != EEXIST) {
      throw SqlError(std::strerror(errno));
    }
  }

  sqlite3_stmt* Statement(std::string_view sql) {
    const std::string key(sql);
    const auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, key.c_str(), static_cast<int>(key.size()), &stmt, nullptr) != SQLITE_OK) {
      const std::string reason = sqlite3_errmsg(db_);
      sqlite3_finalize(stmt);
      throw SqlError(reason);
    }
    if (cache_.size() >= kStatementCacheSize) {
      for (auto& entry : cache_) sqlite3_finalize(entry.second);
      cache_.clear();
    }
    cache_.emplace(key, stmt);
    return stmt;
  }

  void Close() {
    for (auto& entry : cache_) sqlite3_finalize(entry.second);
    cache_.clear();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
  }

  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*> cache_;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path) { return std::make_unique<SqliteConnection>(path); }

}  // namespace qrt::production
