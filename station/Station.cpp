#include "station/Station.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "base/DataHome.h"
#include "ports/ConnectionChoices.h"
#include "record/Allocation.h"
#include "record/Journal.h"
#include "record/Location.h"
#include "record/LogFormat.h"

namespace qrt::production {
namespace {

constexpr const char* kTrue = "true";
constexpr const char* kFalse = "false";

std::optional<std::string> Given(const std::string& text) {
  return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

// A record's location in a few words: a SQLite file by its name, a
// PostgreSQL database by its name and server ("line on db1").
std::string BriefLocation(const std::string& name) {
  const size_t scheme = name.find("://");
  if (scheme == std::string::npos) return name.substr(name.rfind('/') + 1);
  std::string rest = name.substr(scheme + 3);
  rest = rest.substr(0, rest.find('?'));
  const size_t at = rest.rfind('@');
  if (at != std::string::npos) rest = rest.substr(at + 1);
  const size_t slash = rest.find('/');
  const std::string host = rest.substr(0, std::min(slash, rest.find(':')));
  const std::string database = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
  if (database.empty()) return host.empty() ? name : host;
  return host.empty() ? database : database + " on " + host;
}

// A record call through `runner`, which the operator may stop waiting for.
template <class T>
StoreResult<T> Asked(RecordRunner* runner, const std::string& what, const std::string& record,
                     std::function<StoreResult<T>()> call, bool mayBeLeft = false) {
  RecordAnswer<StoreResult<T>> called =
      CallRecord<StoreResult<T>>(runner, what, Waiting::MayStop, std::move(call), mayBeLeft);
  if (called.waited) return std::move(called.value());
  StoreResult<T> stopped;
  stopped.error = StoppedWaitingMessage(record);
  return stopped;
}

}  // namespace

// The record being opened: the call and, once it has ended, its answer.
struct Station::Opening {
  std::string display;  // where, as messages name it
  std::shared_ptr<RecordJob> job;
  std::shared_ptr<StoreResult<std::unique_ptr<ProductionStore>>> answer =
      std::make_shared<StoreResult<std::unique_ptr<ProductionStore>>>();
};

Station::Station(Clock& clock, Messages& messages, SettingsStore& settings)
    : settings_(settings), connection_(clock, messages), line_(nullptr, "", messages) {
  line_.awaitRecord = [this] { return AwaitRecord(); };
}

Station::~Station() { CloseRecord(); }

void Station::SetRecordRunner(RecordRunner* runner) {
  runner_ = runner;
  line_.SetRecordRunner(runner);
}

bool Station::Flag(const char* key, bool otherwise) const {
  const std::optional<std::string> value = settings_.Get(key);
  if (!value) return otherwise;
  if (*value == kTrue) return true;
  if (*value == kFalse) return false;
  return otherwise;
}

// ------------------------------------------------------------ connection

Connection::Opened Station::OpenConnection(const StationStart& start) {
  start_ = start;
  const std::optional<std::string> remembered = settings_.Get(keys::kPort);
  const std::string port = start.port ? *start.port : remembered && !remembered->empty() ? *remembered : "ppdev";
  ConnectionOptions options(port);
  options.simImage = start.simImage;
  if (port == "sim" && options.simImage.empty()) options.simImage = DefaultSimImagePath();
  options.virtualTime = start.virtualTime;
  options.bus = settings_.Get(keys::kBusSpeed) == std::optional<std::string>("fast") ? BusSpeed::Fast
                                                                                     : BusSpeed::Standard;
  opened_ = connection_.Open(options);
  line_.SetPort(port);
  return opened_;
}

Connection::Opened Station::SwitchConnection(const std::string& port) {
  ConnectionOptions options(port);
  options.simImage = port == "sim" ? (start_.simImage.empty() ? DefaultSimImagePath() : start_.simImage) : "";
  options.virtualTime = start_.virtualTime;
  options.bus = connection_.options().bus;
  opened_ = connection_.Open(options);
  line_.SetPort(port);
  if (opened_.ok) settings_.Set(keys::kPort, port);
  return opened_;
}

void Station::SetBusSpeed(BusSpeed speed) {
  connection_.SetBusSpeed(speed);
  settings_.Set(keys::kBusSpeed, speed == BusSpeed::Fast ? "fast" : "standard");
}

std::string Station::ConnectionStatus() const { return ConnectionStatusText(connection_, opened_); }

StatusText Station::ConnectionStatusTexts() const {
  const std::string& port = connection_.options().port;
  const bool fast = connection_.options().bus == BusSpeed::Fast;
  // The name the user chose it by, without the device's folder.
  std::string name = port.substr(0, port.find(':'));
  if (name == "ppdev" || name == "i2c") {
    const size_t slash = port.rfind('/');
    if (slash != std::string::npos) name = port.substr(slash + 1);
  } else if (name == "ch341") {
    name = port;
  }
  std::string speed = fast ? "fast" : "standard";
  if (!opened_.ok) speed = "not open";
  else if (port.rfind("i2c:", 0) == 0) speed = "kernel rate";
  else if (port.rfind("ch341", 0) == 0) speed = fast ? "400 kHz" : "100 kHz";
  return {name + " \u00B7 " + speed, ConnectionStatus()};
}

bool Station::backupBeforeWrite() const { return Flag(keys::kBackupFirst, true); }

void Station::SetBackupBeforeWrite(bool on) { settings_.Set(keys::kBackupFirst, on ? kTrue : kFalse); }

std::string Station::tableFolder() const {
  const std::string folder = settings_.Get(keys::kTableFolder).value_or("");
  std::error_code ec;
  return !folder.empty() && std::filesystem::is_directory(folder, ec) ? folder : std::string();
}

void Station::SetTableFolder(const std::string& folder) { settings_.Set(keys::kTableFolder, folder); }

// ---------------------------------------------------------------- record

std::string Station::databaseUrl() const {
  if (const std::optional<std::string> remembered = settings_.Get(keys::kDatabaseUrl)) return *remembered;
  return start_.databaseEnvironment.value_or("");
}

bool Station::workingWithoutDatabase() const { return Flag(keys::kWithoutDatabase, false); }

void Station::CloseRecord() {
  line_.SetStore(nullptr);  // before the store goes: the line holds it
  line_.SetUnavailable({});
  opening_.reset();  // an opening under way ends unheard; its store goes with its call
  recordNote_.clear();
  // Calls started on these stores may still be running: the stores go
  // after them, in the runner's order.
  std::shared_ptr<ProductionStore> store(std::move(store_)), readOnly(std::move(readOnly_));
  auto drop = std::make_shared<RecordJob>(
      [store, readOnly]() mutable {
        store.reset();
        readOnly.reset();
      },
      true);
  if (runner_ && (store || readOnly)) runner_->Start(drop);
}

void Station::StartOpenRecord() {
  CloseRecord();
  if (workingWithoutDatabase()) {
    if (recordOpened_) recordOpened_({});
    return;
  }
  StoreOptions options;
  options.station = stationName();
  const std::string url = databaseUrl();
  auto opening = std::make_shared<Opening>();
  opening->display = ResolveLocation(url).display;
  opening->job = std::make_shared<RecordJob>(
      [answer = opening->answer, url, options] { *answer = ProductionStore::Open(url, options); }, true);
  opening_ = opening;
  const auto ended = [this, opening] {
    if (opening_ == opening) AdoptOpening();
  };
  if (runner_) {
    runner_->Start(opening->job, ended);
  } else {
    opening->job->Execute();
    ended();
  }
}

StoreStatus Station::AdoptOpening() {
  StoreResult<std::unique_ptr<ProductionStore>> opened = std::move(*opening_->answer);
  opening_.reset();
  StoreStatus status;
  if (!opened.ok()) {
    // A station must not program pagers it cannot record.
    status.error = opened.error +
                   "\nNo pager is written until the record can be kept: choose the database with "
                   "Pager > Production Database..., or choose Pager > Work Without Database.";
    line_.SetUnavailable(status.error);
  } else {
    store_ = std::move(opened.value);
    line_.SetStore(store_.get());
    if (store_->created()) recordNote_ = "New production record: " + store_->Name();
    const JournalReplay& replayed = store_->replayed();
    if (replayed.stored > 0)
      recordNote_ += std::string(recordNote_.empty() ? "" : "\n") + std::to_string(replayed.stored) +
                     (replayed.stored == 1 ? " record" : " records") + " from this station's journal stored in " +
                     store_->Name() + ".";
    for (const std::string& error : replayed.errors)
      recordNote_ += std::string(recordNote_.empty() ? "" : "\n") + error;
  }
  if (recordOpened_) recordOpened_(status);
  return status;
}

std::string Station::AwaitRecord() {
  if (!opening_) return {};
  const std::shared_ptr<Opening> opening = opening_;
  if (runner_ && !runner_->Wait(*opening->job, "Connecting to the production record " + opening->display + "...", true))
    return StoppedWaitingMessage(opening->display) + " It is still being opened.";
  if (opening_ == opening) AdoptOpening();
  return {};
}

StoreStatus Station::OpenRecord() {
  StartOpenRecord();
  const std::string stopped = AwaitRecord();
  if (!stopped.empty()) return {stopped};
  return {store_ || workingWithoutDatabase() ? std::string() : line_.unavailable()};
}

int Station::RecordWaiting() const {
  int waiting = 0;
  for (const JournalEntry& entry : Journal().Entries())
    if (!store_ || entry.identity == store_->Identity()) ++waiting;
  return waiting;
}

Station::UrlChoice Station::ChooseDatabase(const std::string& url, std::optional<std::string> stationName) {
  UrlChoice choice;
  choice.error = PasswordRefusal(url, "in the program's settings");
  if (stationName && choice.error.empty()) choice.error = StationNameError(*stationName);
  if (!choice.error.empty()) return choice;
  settings_.Set(keys::kDatabaseUrl, url);
  if (stationName) settings_.Set(keys::kStationName, *stationName);
  settings_.Set(keys::kWithoutDatabase, kFalse);
  choice.remembered = true;
  choice.error = OpenRecord().error;
  return choice;
}

StoreStatus Station::TestDatabase(const std::string& url) {
  StoreOptions options;
  options.createFile = false;  // a test leaves no file behind; OK makes it
  const StoreResult<std::unique_ptr<ProductionStore>> opened = ProductionStore::Open(url, options);
  return {opened.error};
}

StoreStatus Station::TestDatabaseWaiting(const std::string& url) {
  return Asked<bool>(runner_, "Testing the production record " + ResolveLocation(url).display + "...",
                     ResolveLocation(url).display, [url] {
                       StoreResult<bool> tested;
                       tested.error = TestDatabase(url).error;
                       return tested;
                     }, true);
}

StoreStatus Station::WorkWithoutDatabase(bool on) {
  settings_.Set(keys::kWithoutDatabase, on ? kTrue : kFalse);
  return OpenRecord();
}

StatusText Station::RecordStatusTexts(int waiting) const {
  std::string brief = "Record: none";
  if (store_) brief = "Record: " + BriefLocation(store_->Name());
  else if (opening_) brief = "Record: connecting\u2026";
  else if (!line_.unavailable().empty()) brief = "Record: not available";
  StatusText text{brief, RecordStatus()};
  if (waiting > 0) {
    const std::string more = " \u00B7 " + std::to_string(waiting) + " waiting";
    text.brief += more;
    text.full += more;
  }
  return text;
}

std::string Station::RecordStatus() const {
  if (store_) return "Record: " + store_->Name();
  if (opening_) return "Record: connecting to " + opening_->display + "\u2026";
  if (!line_.unavailable().empty()) return "Record: not available, writes refused";
  return "Record: none (Work Without Database)";
}

std::string Station::stationName() const {
  if (const std::optional<std::string> remembered = settings_.Get(keys::kStationName)) return *remembered;
  return start_.stationEnvironment.value_or("");
}

std::string Station::SetStationName(const std::string& name) {
  const std::string error = StationNameError(name);
  if (!error.empty()) return error;
  if (name == stationName()) return {};
  settings_.Set(keys::kStationName, name);
  return OpenRecord().error;
}

// ------------------------------------------------------------ allocation

std::string Station::SetAllocation(std::string_view capcode1, std::string_view capcode2) {
  RangesParse parsed = ParseAllocationFields(capcode1, capcode2);
  if (!parsed.error.empty()) return parsed.error;
  if (const std::string stopped = AwaitRecord(); !stopped.empty()) return stopped;
  if (!parsed.ranges.empty() && !store_) return kAllocationNeedsRecord;
  line_.SetAllocation(std::move(parsed.ranges));
  return {};
}

std::string Station::AllocationStatus() const {
  const std::string text = AllocationText(line_.allocation());
  return text.empty() ? text : "Allocation: " + text;
}

StatusText Station::AllocationStatusTexts() const {
  // Both capcodes' ranges in their order; one alone says whose it is.
  const std::vector<CapcodeRange>& ranges = line_.allocation();
  const auto text = [](const CapcodeRange& r) { return std::to_string(r.first) + "-" + std::to_string(r.last); };
  std::string brief;
  if (ranges.size() == 1) brief = "Range " + std::to_string(ranges[0].slot) + ": " + text(ranges[0]);
  for (size_t i = 0; ranges.size() > 1 && i < ranges.size(); ++i) brief += (i ? ", " : "Ranges ") + text(ranges[i]);
  return {brief, AllocationStatus()};
}

StoreResult<std::vector<OpenAllocation>> Station::OpenAllocations() {
  StoreResult<std::vector<OpenAllocation>> result;
  ProductionStore* record = ReadableRecord(result.error);
  if (!record) return result;
  return Asked<std::vector<OpenAllocation>>(runner_, "Reading the capcodes in doubt...", record->Name(),
                                            [record] { return record->OpenAllocations(); });
}

StoreStatus Station::ReleaseCapcode(const std::string& capcode, const std::string& reason) {
  const FilterParse parsed = ParseLogFilter(capcode, std::nullopt, std::nullopt);
  if (!parsed.error.empty()) return {parsed.error};
  if (const std::string stopped = AwaitRecord(); !stopped.empty()) return {stopped};
  if (!store_) return {kAllocationNeedsRecord};
  ProductionStore* store = store_.get();
  const uint32_t released = *parsed.filter.capcode;
  return Asked<bool>(runner_, "Releasing capcode " + capcode + "...", store->Name(), [store, released, reason] {
    StoreResult<bool> done;
    done.error = store->ReleaseInDoubt(released, reason).error;
    return done;
  });
}

// ------------------------------------------------------------------- log

ProductionStore* Station::ReadableRecord(std::string& error) {
  error = AwaitRecord();
  if (!error.empty()) return nullptr;
  if (store_) return store_.get();
  if (workingWithoutDatabase()) {
    error = "Working without a production database: nothing is recorded.";
    return nullptr;
  }
  if (!readOnly_) {
    StoreOptions options;
    options.readOnly = true;
    options.createFile = false;
    const std::string url = databaseUrl();
    StoreResult<std::unique_ptr<ProductionStore>> opened = Asked<std::unique_ptr<ProductionStore>>(
        runner_, "Opening the production record for reading...", ResolveLocation(url).display,
        [url, options] { return ProductionStore::Open(url, options); }, true);
    if (!opened.ok()) {
      error = line_.unavailable().empty() ? opened.error : line_.unavailable() + "\nReading it: " + opened.error;
      return nullptr;
    }
    readOnly_ = std::move(opened.value);
  }
  return readOnly_.get();
}

StoreResult<std::vector<ProductionRecord>> Station::QueryLog(const std::string& capcode, const std::string& since,
                                                            const std::string& outcome) {
  StoreResult<std::vector<ProductionRecord>> result;
  const FilterParse filter = ParseLogFilter(Given(capcode), Given(since), Given(outcome));
  if (!filter.error.empty()) {
    result.error = filter.error;
    return result;
  }
  ProductionStore* record = ReadableRecord(result.error);
  if (!record) return result;
  const LogFilter chosen = filter.filter;
  return Asked<std::vector<ProductionRecord>>(runner_, "Reading the production log...", record->Name(),
                                              [record, chosen] { return record->Query(chosen); });
}

}  // namespace qrt::production
