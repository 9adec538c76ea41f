// What recording and capcode allocation add to one batch step: describe the
// written image, reserve capcodes 1 and 2, and commit them with the pager's
// record, on the station's SQLite file and on PostgreSQL. Each database is
// measured empty and again after 10,000 earlier pagers in the same ranges.
//
// PostgreSQL is taken from the environment (PGHOST, PGPORT, PGUSER, ...):
// `make bench` runs this program under pg_virtualenv, which starts a
// throwaway server. The tables go into a schema of their own, dropped at
// the end.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/DataHome.h"
#include "codecs/Capcode.h"
#include "image/Defaults.h"
#include "record/ProductionStore.h"

namespace {

using namespace qrt;
using namespace qrt::production;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUp = 20;
constexpr int kSteps = 300;
constexpr int kHistory = 10000;
constexpr double kTargetMs = 10;

const std::vector<CapcodeRange> kRanges = {{1, 100000, 199999}, {2, 200000, 299999}};

// Earlier pagers as committed allocations and records, loaded in one transaction.
void LoadHistory(const std::string& location) {
  auto db = ResolveLocation(location).backend == Backend::Postgres ? OpenPostgres(location) : OpenSqlite(location);
  db->Run(db->Dialect().beginWrite);
  for (int k = 0; k < kHistory; ++k) {
    const auto id = db->Run(
        "INSERT INTO records (time_utc, station, port, operation, outcome, message, model, pcb, software,"
        " frequency, band, image_sha256, table_path, backup_path, duration_ms) VALUES ('2026-01-01T00:00:00.000Z',"
        " 'earlier', 'ppdev', 'batch', 'ok', 'Verify Success!', 'QRT35', 'V1.0', 'V3.82', 1530000, '130-180MHz',"
        " '', '', '', 4000) RETURNING id");
    const int64_t record = std::stoll(*id[0][0]);
    for (const CapcodeRange& r : kRanges) {
      const int64_t capcode = r.first + k;
      db->Run("INSERT INTO record_capcodes (record_id, slot, capcode, enabled, held) VALUES ($1, $2, $3, 1, 1)",
              {record, int64_t{r.slot}, capcode});
      db->Run("INSERT INTO allocations (capcode, slot, station, token, reserved_utc, lease_until, record_id)"
              " VALUES ($1, $2, 'earlier', 'history', '2026-01-01T00:00:00.000Z', NULL, $3)",
              {capcode, int64_t{r.slot}, record});
    }
  }
  db->Run("COMMIT");
  // As the database's own maintenance (autovacuum) leaves a table that grew.
  db->Run(db->Dialect().name == std::string_view("PostgreSQL") ? "VACUUM ANALYZE" : "ANALYZE");
}

// Runs the steps; false when the store refused.
bool Measure(const char* what, const std::string& location, bool withHistory) {
  if (withHistory) LoadHistory(location);
  StoreOptions options;
  options.station = "bench";
  auto opened = ProductionStore::Open(location, options);
  if (!opened.ok()) {
    std::printf("%s: not measured: %s\n", what, opened.error.c_str());
    return false;
  }
  ProductionStore& store = *opened.value;
  Image image = BuildDefaultImage();
  std::vector<double> ms;
  double reserveSum = 0;
  for (int step = 0; step < kWarmUp + kSteps; ++step) {
    const auto start = Clock::now();
    const auto reserved = store.Reserve(kRanges);
    const auto reservedAt = Clock::now();
    if (!reserved.ok()) {
      std::printf("%s: %s\n", what, reserved.error.c_str());
      return false;
    }
    for (const ReservedCapcode& c : reserved.value.capcodes)
      StoreCapcode(image, c.slot - 1, static_cast<int32_t>(c.capcode));
    ProductionRecord record;
    record.port = "sim";
    record.operation = Operation::Batch;
    record.outcome = Outcome::Ok;
    record.message = "Verify Success!";
    record.durationMs = 3977;
    FillFromImage(record, image);
    const auto committed = store.Commit(reserved.value, record);
    if (!committed.ok()) {
      std::printf("%s: %s\n", what, committed.error.c_str());
      return false;
    }
    if (step < kWarmUp) continue;
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    reserveSum += std::chrono::duration<double, std::milli>(reservedAt - start).count();
  }
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double v : ms) sum += v;
  const double mean = sum / ms.size();
  const double p95 = ms[static_cast<size_t>(ms.size() * 0.95)];
  std::printf("%-34s mean %6.2f ms  p95 %6.2f ms  (reserve %.2f, record and commit %.2f)  mean %s\n", what,
              mean, p95, reserveSum / ms.size(), mean - reserveSum / ms.size(),
              mean < kTargetMs ? "within 10 ms" : "ABOVE 10 ms");
  return true;
}

}  // namespace

// The disk's own price of a commit: one 4 KB write made durable.
void MeasureFsync(const std::filesystem::path& dir) {
  const std::string path = (dir / "fsync.probe").string();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  std::vector<double> ms;
  const std::string block(4096, 'x');
  for (int k = 0; k < 50; ++k) {
    if (::write(fd, block.data(), block.size()) < 0) break;
    const auto start = Clock::now();
    ::fdatasync(fd);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  ::close(fd);
  ::unlink(path.c_str());
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %.2f ms  p95 %.2f ms (one durable commit cannot be faster)\n",
              "fdatasync of 4 KB on this disk", ms[ms.size() / 2], ms[ms.size() * 95 / 100]);
}

int main() {
  namespace fs = std::filesystem;
  std::printf("One batch step: FillFromImage + Reserve (capcodes 1 and 2) + Commit with the record, %d steps\n",
              kSteps);

  // The station's file lives on the disk of the data folder; the benchmark
  // uses a folder beside it so that fsync costs what it costs there.
  fs::path base = DataHome();
  if (base.empty()) base = fs::temp_directory_path();
  const fs::path dir = base / ("bench-production-" + std::to_string(getpid()));
  fs::create_directories(dir);
  MeasureFsync(dir);
  Measure("SQLite, empty", (dir / "empty.sqlite").string(), false);
  {
    const std::string location = (dir / "history.sqlite").string();
    ProductionStore::Open(location);  // the tables, before the history is loaded
    Measure("SQLite, after 10,000 pagers", location, true);
  }
  fs::remove_all(dir);

  if (!std::getenv("PGHOST") && !std::getenv("PGSERVICE") && !std::getenv("PGDATABASE")) {
    std::printf("PostgreSQL: not measured: no server in the environment (PGHOST, PGSERVICE or PGDATABASE);\n"
                "  `make bench` runs this program under pg_virtualenv, which starts one.\n");
    return 0;
  }
  const std::string schema = "qrt35_bench_" + std::to_string(getpid());
  try {
    OpenPostgres("postgresql://")->Run("CREATE SCHEMA " + schema);
  } catch (const SqlError& e) {
    std::printf("PostgreSQL: not measured: %s\n", e.what());
    return 0;
  }
  const std::string location = "postgresql:///?options=-csearch_path%3D" + schema;
  Measure("PostgreSQL, empty", location, false);
  OpenPostgres("postgresql://")->Run("DROP SCHEMA " + schema + " CASCADE");
  OpenPostgres("postgresql://")->Run("CREATE SCHEMA " + schema);
  ProductionStore::Open(location);
  Measure("PostgreSQL, after 10,000 pagers", location, true);
  OpenPostgres("postgresql://")->Run("DROP SCHEMA " + schema + " CASCADE");
  return 0;
}
