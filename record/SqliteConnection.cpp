// The embedded database: one file per machine, shared by the window and any
// number of command-line processes through SQLite's own file locking.
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "record/Sql.h"

namespace qrt::production {
namespace {

constexpr SqlDialect kSqlite{
    "SQLite",
    "BEGIN IMMEDIATE",
    "INTEGER PRIMARY KEY AUTOINCREMENT",
    "",
    // SQLite's 'now' stands still within one statement: both columns are one moment.
    "SELECT strftime('%Y-%m-%dT%H:%M:%fZ', 'now'),"
    " strftime('%Y-%m-%dT%H:%M:%fZ', 'now', printf('%+.3f seconds', $1 / 1000.0))",
    "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' AND name NOT IN"
    " ('schema_version', 'records', 'record_capcodes', 'allocations', 'allocation_frees', 'allocation_events',"
    " 'record_identity')",
};

constexpr int kBusyRetryMs = 10;

bool Locked(int code) { return (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED; }

// A URI for sqlite3_open_v2: the path with the characters a URI gives a
// meaning percent-encoded.
std::string FileUri(const std::string& path, const char* query) {
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7F) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      uri += hex;
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri + "?" + query;
}

constexpr size_t kStatementCacheSize = 64;

class SqliteConnection : public SqlConnection {
 public:
  SqliteConnection(const std::string& path, const SqliteOptions& options, bool* created)
      : path_(std::filesystem::absolute(path).lexically_normal().string()) {
    if (options.readOnly) {
      OpenForReading(path);
      return;
    }
    const bool made = Prepare(path, options.create);
    if (created) *created = made;
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
    const int busyMs = options.busyTimeoutMs;
    try {
      sqlite3_busy_timeout(db_, busyMs);
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
          if ((sqlite3_extended_errcode(db_) & 0xFF) != SQLITE_BUSY || waited >= busyMs) throw;
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
      if (rc != SQLITE_ROW)
        throw SqlError(sqlite3_errmsg(db_), Locked(rc) ? SqlError::Kind::Transient : SqlError::Kind::Other);
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
  std::string Description() const override { return path_; }

 private:
  // A missing folder or a folder in place of the file gets its own reason:
  // SQLite would only say "unable to open database file". A new file is
  // created readable by its owner only: it names every pager of the line.
  // True when the file was created.
  static bool Prepare(const std::string& path, bool create) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
    if (fs::is_directory(file, ec)) throw SqlError("it is a folder, not a database file");
    const fs::path parent = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec)) throw SqlError("the folder " + parent.string() + " does not exist");
    if (!create) {
      if (!fs::exists(file, ec)) throw SqlError("there is no such file");
      return false;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    if (errno != EEXIST) throw SqlError(std::strerror(errno));
    return false;
  }

  // Reading changes nothing: no file, journal mode or lock file is made.
  // A shared (WAL) file needs its index file (-shm) to be read while
  // others write; where there is none and it cannot be made (a read-only
  // folder, a copy of the file), nobody writes the file now, and it is
  // read as it lies.
  void OpenForReading(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw SqlError("it is a folder, not a database file");
    if (!fs::exists(path, ec)) throw SqlError("there is no such file");
    for (const char* query : {"mode=ro", "immutable=1"}) {
      Close();
      const int rc = sqlite3_open_v2(FileUri(path, query).c_str(), &db_,
                                     SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX, nullptr);
      if (rc != SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        Close();
        throw SqlError(reason);
      }
      sqlite3_extended_result_codes(db_, 1);
      sqlite3_busy_timeout(db_, 10000);
      try {
        Run("SELECT COUNT(*) FROM sqlite_master");
        return;
      } catch (const SqlError&) {
        const int code = sqlite3_extended_errcode(db_) & 0xFF;
        const bool walIndexMissing = code == SQLITE_READONLY || code == SQLITE_CANTOPEN;
        const auto walSize = fs::file_size(path + "-wal", ec);
        if (!walIndexMissing || (!ec && walSize > 0)) {
          Close();
          throw;
        }
      }
    }
    Close();
    throw SqlError("the file cannot be read");
  }

  sqlite3_stmt* Statement(std::string_view sql) {
    const std::string key(sql);
    const auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, key.c_str(), static_cast<int>(key.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
      const std::string reason = sqlite3_errmsg(db_);
      sqlite3_finalize(stmt);
      throw SqlError(reason, Locked(rc) ? SqlError::Kind::Transient : SqlError::Kind::Other);
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

  std::string path_;
  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*> cache_;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, const SqliteOptions& options, bool* created) {
  if (created) *created = false;
  return std::make_unique<SqliteConnection>(path, options, created);
}

}  // namespace qrt::production
