#pragma once
// One station of a production line as the window runs it: its way to the
// pager (the connection), its production record and the production line
// around its transfers, and the choices the user made there, remembered
// between runs. The program makes one and hands it to the window, which
// passes it on; nothing else holds this state.
//
// The station's own calls show nothing: each answers with what happened and
// the text to show, and the window shows it. (The port and the line show
// what they meet in the middle of a transfer, as they do everywhere.)
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Messages.h"
#include "base/StopRequest.h"
#include "link/BusSpeed.h"
#include "link/Clock.h"
#include "ports/Connection.h"
#include "station/ProductionLine.h"
#include "record/ProductionStore.h"
#include "record/RecordWork.h"

namespace qrt::production {

// Where the remembered choices live: QSettings in the window, memory in
// tests and for the screenshots.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::string> Get(const std::string& key) const = 0;
  virtual void Set(const std::string& key, const std::string& value) = 0;
};

class MemorySettings : public SettingsStore {
 public:
  std::optional<std::string> Get(const std::string& key) const override {
    const auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  void Set(const std::string& key, const std::string& value) override { values[key] = value; }
  std::map<std::string, std::string> values;
};

// The keys of the remembered choices; booleans are "true" or "false".
namespace keys {
inline constexpr const char* kPort = "connection/port";              // a --port name
inline constexpr const char* kBusSpeed = "connection/busSpeed";      // "standard" or "fast"
inline constexpr const char* kDatabaseUrl = "production/databaseUrl"; // "" is the station's own file
inline constexpr const char* kWithoutDatabase = "production/workWithoutDatabase";
inline constexpr const char* kStationName = "production/stationName";  // "" is the host name
inline constexpr const char* kBackupFirst = "backupBeforeWriting";
inline constexpr const char* kTableFolder = "files/tableFolder";  // where the file dialogs open
}  // namespace keys

// One part of the window's status bar: a short form that fits the window at
// its design size ("sim · standard"), and the whole text for its tooltip.
struct StatusText {
  std::string brief;
  std::string full;
};

struct StationStart {
  std::optional<std::string> port;  // --port; wins over the remembered connection
  std::string simImage;             // the EEPROM file of "sim"; empty: DefaultSimImagePath()
  bool virtualTime = false;         // a simulated pager on virtual time (tests, screenshots)
  // The QRT35_DB environment variable, used while no URL is remembered, as
  // the command line uses it: both programs then keep one record.
  std::optional<std::string> databaseEnvironment;
  // QRT35_STATION, the station's name while none is remembered.
  std::optional<std::string> stationEnvironment;
};

class Station {
 public:
  // `clock` and `messages` are the connection's and the line's (a port that
  // fails on first use, a write the line refuses); all three outlive the station.
  Station(Clock& clock, Messages& messages, SettingsStore& settings);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  Connection& connection() { return connection_; }
  ProductionLine& line() { return line_; }
  ProductionStore* store() { return store_.get(); }
  SettingsStore& settings() { return settings_; }
  // The program's one request to stop a transfer: closing the window, a
  // logout or a signal raise it, and every transfer the window runs heeds it.
  StopRequest& stopRequest() { return stop_; }

  // ---- where the record's calls run
  // The window's thread for record calls (record/RecordWork.h); none,
  // the default, runs them at once. Set none before the runner goes.
  void SetRecordRunner(RecordRunner* runner);
  RecordRunner* recordRunner() const { return runner_; }
  // Told, on the caller's thread, each time an opening of the record has
  // ended, with what OpenRecord answers.
  void SetRecordOpened(std::function<void(const StoreStatus&)> told) { recordOpened_ = std::move(told); }

  // ---- the connection
  // The port --port names, else the one chosen last time, else ppdev; at the
  // remembered bus speed.
  Connection::Opened OpenConnection(const StationStart& start);
  // Pager > Connection...: opens `port` instead and, when it opens,
  // remembers it for the next start.
  Connection::Opened SwitchConnection(const std::string& port);
  const Connection::Opened& opened() const { return opened_; }
  BusSpeed busSpeed() const { return connection_.options().bus; }
  void SetBusSpeed(BusSpeed speed);  // remembered
  // "Connection: /dev/parport0 through ppdev, standard bus".
  std::string ConnectionStatus() const;
  // Briefly "parport0 · standard": the port's own name and its bus.
  StatusText ConnectionStatusTexts() const;

  bool backupBeforeWrite() const;
  void SetBackupBeforeWrite(bool on);  // remembered

  // The folder of the last table file chosen in a file dialog; empty when
  // none was, or it is gone.
  std::string tableFolder() const;
  void SetTableFolder(const std::string& folder);  // remembered

  // ---- the production record
  // The location the record is opened from: the remembered URL, else the
  // environment's, else "" (the station's own SQLite file).
  std::string databaseUrl() const;
  bool workingWithoutDatabase() const;
  // Opens the record the settings name (none when working without one) and
  // stores what this station's journal holds for it. When it cannot be
  // opened, every write is refused until it can: the answer's error names
  // the database and the reason, and says so. Waits for the opening; when
  // the operator stops waiting, it goes on and the error says so.
  StoreStatus OpenRecord();
  // The same, without waiting: until it has ended the record is
  // "connecting", and whatever needs the record waits for it.
  void StartOpenRecord();
  bool recordOpening() const { return opening_ != nullptr; }
  // Waits for an opening under way, when there is one, and takes its
  // record; the error when the operator stopped waiting.
  std::string AwaitRecord();
  // The entries of this station's journal that wait for its record (all of
  // them while no record is open).
  int RecordWaiting() const;
  // What the last OpenRecord has to tell besides: a record file it created,
  // journal entries it stored or could not store. Empty for nothing.
  const std::string& recordNote() const { return recordNote_; }
  struct UrlChoice {
    bool remembered = false;  // false: refused, nothing changed
    std::string error;        // why it was refused, or why the record did not open
  };
  // Pager > Production Database...: remembers `url` (never one that holds a
  // password) and, when given, the station's name ("" for the host name),
  // stops working without a record and opens it.
  UrlChoice ChooseDatabase(const std::string& url, std::optional<std::string> stationName = std::nullopt);
  // Opens `url` once to see whether it takes a record; nothing is kept.
  static StoreStatus TestDatabase(const std::string& url);
  // The same through the record's runner, waiting for it.
  StoreStatus TestDatabaseWaiting(const std::string& url);
  // Pager > Work Without Database: no record and writes allowed; turned off,
  // the record is opened again (with OpenRecord's answer).
  StoreStatus WorkWithoutDatabase(bool on);
  // "Record: /home/tech/.local/share/qrt35/production.sqlite".
  std::string RecordStatus() const;
  // Briefly "Record: production.sqlite", "Record: connecting…" while it is
  // being opened; `waiting` operations kept on the
  // station that the record does not hold yet add " · 3 waiting" to both forms.
  StatusText RecordStatusTexts(int waiting) const;

  // ---- the station's name, in every record and event
  // The remembered name, else QRT35_STATION, else "" (the host name).
  std::string stationName() const;
  // Remembers `name` ("" for the host name) and opens the record again
  // under it; the error says why a name is refused (nothing changed) or
  // why the record did not open.
  std::string SetStationName(const std::string& name);

  // ---- capcode allocation
  // Pager > Allocate Capcodes...: the ranges of capcode 1 and 2 (see
  // ParseAllocationFields) the next pagers written take their capcodes from;
  // both empty clears them. Empty on success, otherwise why nothing changed.
  std::string SetAllocation(std::string_view capcode1, std::string_view capcode2);
  // "Allocation: capcode 1 0001000-0001019"; empty when the image's own
  // capcodes are written.
  std::string AllocationStatus() const;
  // Briefly "Ranges 1000-1019, 2000-2019" (capcode 1, then 2) or "Range 1:
  // 1000-1019"; both empty without ranges.
  StatusText AllocationStatusTexts() const;
  // The capcodes reserved or in doubt, with their history.
  StoreResult<std::vector<OpenAllocation>> OpenAllocations();
  // A person's word that the capcode typed, in doubt, is in no pager.
  StoreStatus ReleaseCapcode(const std::string& capcode, const std::string& reason);

  // ---- the log
  // The records the filter texts select (an empty text: any), newest first;
  // the error names a filter text that is wrong, or why there is no record.
  // A record this station may not write (a read-only file, a SELECT-only
  // role) is still read.
  StoreResult<std::vector<ProductionRecord>> QueryLog(const std::string& capcode, const std::string& since,
                                                      const std::string& outcome);

 private:
  struct Opening;
  void CloseRecord();
  StoreStatus AdoptOpening();
  bool Flag(const char* key, bool otherwise) const;
  // The record for reading: the one open, else one opened read-only.
  ProductionStore* ReadableRecord(std::string& error);

  SettingsStore& settings_;
  Connection connection_;
  Connection::Opened opened_;
  StationStart start_;
  std::unique_ptr<ProductionStore> store_;
  std::unique_ptr<ProductionStore> readOnly_;
  std::string recordNote_;
  StopRequest stop_;
  RecordRunner* runner_ = nullptr;
  std::shared_ptr<Opening> opening_;
  std::function<void(const StoreStatus&)> recordOpened_;
  ProductionLine line_;
};

}  // namespace qrt::production
