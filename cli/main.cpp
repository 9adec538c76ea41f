// qrt35: the programmer on the command line, for production lines and scripts.
// Every command runs the same logic as the window: the editor started as the
// window starts, table files through the File menu's commands, pagers through
// the Pager menu's commands and the transfer dialog's model.
//
// Exit status: 0 success, 1 the pager or a file refused, 2 a usage error;
// 130 or 143 when Ctrl-C or SIGTERM (SIGHUP) stopped a read, write, verify
// or restore (cli/Signals.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "backup/Backups.h"
#include "cli/Args.h"
#include "cli/Console.h"
#include "cli/ContinuousWrite.h"
#include "cli/Edits.h"
#include "cli/Json.h"
#include "cli/Session.h"
#include "cli/Settings.h"
#include "cli/Signals.h"
#include "controls/ShellTexts.h"
#include "diagnostics/Diagnostics.h"
#include "codecs/Capcode.h"
#include "link/RealClock.h"
#include "record/Journal.h"
#include "record/Location.h"
#include "station/ProductionLine.h"
#include "record/LogFormat.h"
#include "record/ProductionStore.h"
#include "ports/PortIdentity.h"
#include "base/DataHome.h"
#include "tables/TableFiles.h"

namespace qrt::cli {
namespace {

constexpr int kOk = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

// Virtual time for the simulated pager, so that tests write a pager in
// milliseconds; hardware always runs on the machine's clock.
bool FastSimRequested() {
  const char* v = std::getenv("QRT35_SIM_FAST");
  return v && std::strcmp(v, "1") == 0;
}

PortOptions PortOptionsOf(const CommandLine& line) {
  PortOptions o;
  o.port = line.port;
  o.simImage = line.simImage;
  o.fastSim = FastSimRequested();
  o.bus = line.bus;
  return o;
}

int UsageError(const std::string& what) {
  std::fprintf(stderr, "qrt35: %s\nTry \"qrt35 --help\".\n", what.c_str());
  return kUsage;
}

void PrintText(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PrintLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

// The production record the run keeps, or none with --no-db, named first so
// that a station never keeps a record it did not mean to. A record that
// cannot be had refuses the run before any pager is touched: a line must not
// program pagers it cannot record. Opening it stores what this station's
// journal holds for it.
bool OpenRecord(Console& console, const CommandLine& line, std::unique_ptr<production::ProductionStore>& store) {
  if (!line.database) {
    console.Line("Record: none (--no-db)");
    return true;
  }
  console.Line("Record: " + production::ResolveLocation(*line.database).display);
  production::StoreOptions options;
  options.station = line.station;
  auto opened = production::ProductionStore::Open(*line.database, options);
  if (!opened.ok()) {
    console.Line(opened.error);
    return false;
  }
  store = std::move(opened.value);
  if (store->created()) console.Line("New production record: " + store->Name());
  const production::JournalReplay& replayed = store->replayed();
  if (replayed.stored > 0)
    console.Line("Stored " + std::to_string(replayed.stored) + (replayed.stored == 1 ? " record" : " records") +
                 " from this station's journal in " + store->Name() + ".");
  for (const std::string& error : replayed.errors) console.Line(error);
  return true;
}

// The production line of one port: the record, the allocation, the capcodes
// the ports of one batch share; none when there is nothing of these to do.
std::unique_ptr<production::ProductionLine> LineFor(Session& s, const CommandLine& line, const std::string& port,
                                                    production::ProductionStore* store,
                                                    production::SharedCapcodes* shared) {
  if (!store && !shared) return nullptr;
  auto pl = std::make_unique<production::ProductionLine>(store, port, s.messages);
  pl->note = [&s](const std::string& text) { s.messages.Note(text); };
  pl->SetAllocation(line.allocate);
  pl->SetSharedCapcodes(shared);
  s.line = pl.get();
  return pl;
}

// A write refused before its pager was reached (the port could not be had)
// is recorded as failed, with what the operator was shown.
void RecordRefusedWrite(production::ProductionLine* pl, Session& s, const std::string& why) {
  if (!pl) return;
  TransferResult refused;
  refused.message = why;
  TransferFacts facts;
  facts.kind = TransferKind::Write;
  facts.result = &refused;
  facts.tablePath = s.state.CurrentTablePath;
  pl->AfterTransfer(facts);
}

WritePlan PlanOf(const CommandLine& line) {
  WritePlan plan;
  plan.autoIncrease1 = line.autoIncrease1;
  plan.autoIncrease2 = line.autoIncrease2;
  plan.count = line.count;
  plan.backupFirst = !line.noBackup;
  return plan;
}

int WriteOnOnePort(Console& console, const CommandLine& line, production::ProductionStore* store) {
  Session s(console, line.yes);
  s.Start();
  if (!s.OpenTable(line.files[0])) return kRefused;
  const auto pl = LineFor(s, line, line.port, store, nullptr);
  std::string whyNot;
  if (!s.ConnectPort(PortOptionsOf(line), &whyNot)) {
    RecordRefusedWrite(pl.get(), s, whyNot);
    return kRefused;
  }
  return s.WritePagers(PlanOf(line), stdout) ? kOk : kRefused;
}

// Several boards at once: every port runs its own pager on a thread of its
// own, with its own link and clock; the ports take the batch's pagers one by
// one, and share the production record and the capcodes.
int WriteOnSeveralPorts(Console& console, const CommandLine& line, production::ProductionStore* store) {
  const unsigned cores = std::thread::hardware_concurrency();
  if (cores != 0 && line.ports.size() > cores)
    console.Line("qrt35: " + std::to_string(line.ports.size()) + " ports on " + std::to_string(cores) +
                 " processor cores: the bus timing of each port keeps a core busy, so the ports will slow each "
                 "other down.");
  // Without an allocation, the batch's increasing capcodes are shared: the
  // ports start from the table's and each pager takes the next.
  std::unique_ptr<production::SharedCapcodes> shared;
  if (line.allocate.empty() && (line.autoIncrease1 || line.autoIncrease2)) {
    Session table(console, line.yes);
    table.Start();
    if (!table.OpenTable(line.files[0])) return kRefused;
    shared = std::make_unique<production::SharedCapcodes>(DecodeCapcode(table.state.PagerImage, 0),
                                                          DecodeCapcode(table.state.PagerImage, 1),
                                                          line.autoIncrease1, line.autoIncrease2);
  }
  std::atomic<int> nextPager{0};
  std::mutex linesLock;
  std::vector<int> codes(line.ports.size(), kRefused);
  std::vector<int> written(line.ports.size(), 0);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < line.ports.size(); ++i) {
    threads.emplace_back([&, i] {
      const std::string& port = line.ports[i];
      Console own = console;
      own.ForOnePortOfMany("[" + port + "] ", &linesLock);
      // What a port throws ends that port alone; the others go on. A pager
      // in flight has been recorded as failed by the session already.
      try {
        Session s(own, line.yes);
        s.Start();
        if (!s.OpenTable(line.files[0])) return;
        PortOptions options = PortOptionsOf(line);
        options.port = port;
        options.simImage.clear();
        const auto pl = LineFor(s, line, port, store, shared.get());
        std::string whyNot;
        if (!s.ConnectPort(options, &whyNot)) {
          RecordRefusedWrite(pl.get(), s, whyNot);
          return;
        }
        WritePlan plan = PlanOf(line);
        plan.nextPager = &nextPager;
        plan.label = "[" + port + "] ";
        plan.sharedCapcodes = shared != nullptr;
        codes[i] = s.WritePagers(plan, stdout) ? kOk : kRefused;
        written[i] = s.pagersWritten();
      } catch (const std::exception& e) {
        own.Line("qrt35: internal error: " + std::string(e.what()) + ". This port writes no more pagers.");
        codes[i] = kRefused;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  const StopRequest* stop = console.stopRequest();
  const bool stopped = stop && stop->requested();
  // Where the next batch starts: above every capcode a port took, whatever
  // became of its pager; one given back and left unused is named as such.
  std::string next;
  if (shared) {
    const auto capcodes = [&](const production::SharedCapcodes::Taken& c) {
      std::string text;
      if (line.autoIncrease1) text += "Cap #1 " + CapcodeText(c.capcode1);
      if (line.autoIncrease2) text += std::string(line.autoIncrease1 ? ", " : "") + "Cap #2 " + CapcodeText(c.capcode2);
      return text;
    };
    next = capcodes(shared->Next()) + " (the table file is unchanged";
    std::string unused;
    for (const production::SharedCapcodes::Taken& c : shared->Unused()) unused += (unused.empty() ? "" : "; ") + capcodes(c);
    if (!unused.empty()) next += "; " + unused + " went to no pager";
    next += ")";
  }
  int total = 0;
  for (int n : written) total += n;
  const bool complete = total >= line.count;
  if (stopped) {
    std::string rest = complete ? "none, the batch is complete"
                                : "pager " + std::to_string(total + 1) + " of " + std::to_string(line.count);
    if (!complete && shared) rest += ", " + next;
    if (!complete && !line.allocate.empty()) rest += ", capcodes from the record's allocation";
    console.Line(StoppedLine(total, rest));
  }
  if (shared && (!stopped || complete)) console.Line("Next in the batch: " + next);
  for (int code : codes)
    if (code != kOk) return kRefused;
  return kOk;
}

int Write(Console& console, const CommandLine& line) {
  if (line.ports.size() > 1 && line.count == 0 && !line.continuous)
    return UsageError("several ports write a batch of a given size: add --count N (the pagers of all ports together)");
  if (line.ports.size() > 1) {
    // Each port's plain "sim" is the window's simulated pager (see below).
    const std::string shared = SharedDeviceOnThisMachine(line.ports, DefaultSimImagePath());
    if (!shared.empty()) return UsageError(shared);
  }
  std::unique_ptr<production::ProductionStore> store;
  if (!OpenRecord(console, line, store)) {
    console.Line("qrt35: nothing was written.");
    return kRefused;
  }
  if (line.continuous) return WriteContinuously(console, line, PortOptionsOf(line), store.get(), stdout);
  return line.ports.size() > 1 ? WriteOnSeveralPorts(console, line, store.get())
                               : WriteOnOnePort(console, line, store.get());
}

// A read or a verify changes no pager: one whose record cannot be had is
// still run, the operator told it goes unrecorded, and the exit status
// says so. `unrecorded` is set then.
std::unique_ptr<production::ProductionStore> RecordForLooking(Console& console, const CommandLine& line,
                                                              bool& unrecorded) {
  std::unique_ptr<production::ProductionStore> store;
  unrecorded = !OpenRecord(console, line, store);
  if (unrecorded) console.Line("qrt35: this transfer is not recorded.");
  return store;
}

int Read(Console& console, const CommandLine& line) {
  bool unrecorded = false;
  const auto store = RecordForLooking(console, line, unrecorded);
  Session s(console, line.yes);
  s.Start();
  if (!s.ConnectPort(PortOptionsOf(line))) return kRefused;
  const auto pl = LineFor(s, line, line.port, store.get(), nullptr);
  if (!s.ReadPager()) return kRefused;
  if (!s.SaveTableAs(line.files[0])) return kRefused;
  return unrecorded || !s.lastResult().record.problem.empty() ? kRefused : kOk;
}

int Verify(Console& console, const CommandLine& line) {
  bool unrecorded = false;
  const auto store = RecordForLooking(console, line, unrecorded);
  Session s(console, line.yes);
  s.Start();
  if (!s.OpenTable(line.files[0])) return kRefused;
  if (!s.ConnectPort(PortOptionsOf(line))) return kRefused;
  const auto pl = LineFor(s, line, line.port, store.get(), nullptr);
  if (!s.VerifyPager()) return kRefused;
  return unrecorded || !s.lastResult().record.problem.empty() ? kRefused : kOk;
}

// A backup back into the pager: written like a write, so refused like one
// when the record cannot be had.
int Restore(Console& console, const CommandLine& line) {
  std::unique_ptr<production::ProductionStore> store;
  if (!OpenRecord(console, line, store)) {
    console.Line("qrt35: nothing was written.");
    return kRefused;
  }
  Session s(console, line.yes);
  s.Start();
  if (!s.ConnectPort(PortOptionsOf(line))) return kRefused;
  const auto pl = LineFor(s, line, line.port, store.get(), nullptr);
  return s.RestorePager(line.files[0]) ? kOk : kRefused;
}

int New(Console& console, const CommandLine& line) {
  Session s(console, line.yes);
  s.Start();
  return s.SaveTableAs(line.files[0]) ? kOk : kRefused;
}

int Show(Console& console, const CommandLine& line) {
  Session s(console, line.yes);
  s.Start();
  if (!s.OpenTable(line.files[0])) return kRefused;
  const std::vector<Setting> settings = CollectSettings(s.editor);
  const std::string out = line.json ? ShowJson(settings, line.files[0]) : ShowText(settings);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kOk;
}

int Set(Console& console, const CommandLine& line) {
  Session s(console, line.yes);
  s.Start();
  std::vector<ResolvedEdit> edits;
  std::string error;
  if (!ResolveEdits(s.editor, line.edits, edits, error)) return UsageError(error);
  if (!s.OpenTable(line.files[0])) return kRefused;
  for (const ResolvedEdit& e : edits) {
    if (!ApplyEdit(s.editor, s.host, s.messages, e)) {
      s.messages.Note("qrt35: " + e.name + " was refused; nothing was saved.");
      return kRefused;
    }
  }
  const bool saved = line.output.empty() ? s.SaveTable(line.files[0]) : s.SaveTableAs(line.output);
  return saved ? kOk : kRefused;
}

int Diff(Console& console, const CommandLine& line) {
  Session a(console, line.yes), b(console, line.yes);
  a.Start();
  b.Start();
  if (!a.OpenTable(line.files[0]) || !b.OpenTable(line.files[1])) return kRefused;
  // The bytes as the files hold them (binding may touch the editor's copy).
  const TableReadResult fa = ReadTableFile(line.files[0]), fb = ReadTableFile(line.files[1]);
  for (const std::string& l :
       DiffReport(CollectSettings(a.editor), CollectSettings(b.editor), fa.image, fb.image, line.bytes))
    PrintLine(l);
  return kOk;
}

int Backups(const CommandLine& line) {
  const std::string folder = DefaultBackupsFolder();
  std::vector<BackupEntry> backups;
  std::string error;
  if (folder.empty()) error = "no folder for backups (neither XDG_DATA_HOME nor HOME is set)";
  if (!error.empty() || !ListBackups(folder, backups, error)) {
    std::fprintf(stderr, "qrt35: cannot list the backups in [%s]: %s\n", folder.c_str(), error.c_str());
    return kRefused;
  }
  std::string out;
  if (line.json) {
    JsonValue list = JsonValue::array();
    for (const BackupEntry& b : backups)
      list.push_back({{"date", b.date},
                      {"time", b.utc},
                      {"capcode1", b.capcode1},
                      {"model", b.model},
                      {"form", b.form == BackupForm::Table ? "table" : "raw"},
                      {"checksum_ok", b.checksumOk ? JsonValue(*b.checksumOk) : JsonValue(nullptr)},
                      {"path", b.path}});
    JsonValue document = JsonValue::object();
    document["folder"] = folder;
    document["backups"] = std::move(list);
    out = JsonDocument(document);
  } else {
    for (const BackupEntry& b : backups)
      out += b.date + "  " + b.capcode1 + "  " + b.model + "  " + BackupStateWord(b) + "  " + b.path + "\n";
    if (backups.empty()) std::fprintf(stderr, "No backups in [%s] yet.\n", folder.c_str());
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kOk;
}

// The port diagnostics, as Help > Port Diagnostics... shows them.
int Doctor() {
  RealClock clock;
  const DiagnosticsReport report = DiagnoseThisMachine(clock);
  PrintText(RenderText(report));
  return report.ExitCode();
}

std::string LogText(LogForm form, const std::vector<production::ProductionRecord>& records) {
  switch (form) {
    case LogForm::Json: return production::FormatJson(records);
    case LogForm::Csv: return production::FormatCsv(records);
    case LogForm::Text: break;
  }
  return production::FormatText(records);
}

// The entries of this station's journal that wait for a record, on stderr.
void TellJournal(const std::string& identity, const std::string& name) {
  std::map<std::string, int> waiting;  // per record's name
  int here = 0;
  for (const production::JournalEntry& entry : production::Journal().Entries()) {
    if (entry.identity == identity)
      ++here;
    else
      ++waiting[entry.database];
  }
  const auto count = [](int n) { return std::to_string(n) + (n == 1 ? " record waits" : " records wait"); };
  if (here > 0)
    std::fprintf(stderr, "%s in this station's journal for %s: the next write, read or verify that reaches it "
                 "stores them.\n", count(here).c_str(), name.c_str());
  for (const auto& [database, n] : waiting)
    std::fprintf(stderr, "%s in this station's journal for another record, %s.\n", count(n).c_str(),
                 database.c_str());
}

// Looking at the record needs reading rights only, and never creates one:
// showing it must not leave an empty database behind a mistyped --db.
std::unique_ptr<production::ProductionStore> RecordForReading(const CommandLine& line, bool& empty) {
  empty = false;
  const production::Location where = production::ResolveLocation(*line.database);
  std::error_code ec;
  if (where.error.empty() && where.defaultFile && !std::filesystem::exists(where.target, ec)) {
    std::fprintf(stderr, "No production record in [%s] yet.\n", where.display.c_str());
    TellJournal({}, where.display);
    empty = true;
    return nullptr;
  }
  production::StoreOptions options;
  options.readOnly = true;
  options.createFile = false;
  auto opened = production::ProductionStore::Open(*line.database, options);
  if (!opened.ok()) {
    std::fprintf(stderr, "%s\n", opened.error.c_str());
    return nullptr;
  }
  TellJournal(opened.value->Identity(), opened.value->Name());
  return std::move(opened.value);
}

int Log(const CommandLine& line) {
  bool empty = false;
  const auto store = RecordForReading(line, empty);
  if (!store) {
    if (empty) PrintText(LogText(line.logForm, {}));
    return empty ? kOk : kRefused;
  }
  const auto records = store->Query(line.logFilter);
  if (!records.ok()) {
    std::fprintf(stderr, "%s\n", records.error.c_str());
    return kRefused;
  }
  PrintText(LogText(line.logForm, records.value));
  return kOk;
}

int Allocations(const CommandLine& line) {
  if (line.release) {
    std::unique_ptr<production::ProductionStore> store;
    Console console = Console::ForProcess();
    if (!OpenRecord(console, line, store)) return kRefused;
    const production::StoreStatus released = store->ReleaseInDoubt(*line.release, line.reason);
    if (!released.ok()) {
      std::fprintf(stderr, "%s\n", released.error.c_str());
      return kRefused;
    }
    std::fprintf(stderr, "Capcode %s is released: the next pager may receive it.\n",
                 CapcodeText(*line.release).c_str());
    return kOk;
  }
  bool empty = false;
  const auto store = RecordForReading(line, empty);
  if (!store) {
    if (empty) PrintText(line.json ? "[]\n" : "");
    return empty ? kOk : kRefused;
  }
  const auto open = store->OpenAllocations();
  if (!open.ok()) {
    std::fprintf(stderr, "%s\n", open.error.c_str());
    return kRefused;
  }
  PrintText(line.json ? production::FormatAllocationsJson(open.value) : production::FormatAllocations(open.value));
  return kOk;
}

int RunCommand(Console& console, const CommandLine& line);

int Run(const std::vector<std::string>& args) {
  const CommandLine line =
      ParseCommandLine(args, std::getenv(production::kDatabaseEnv), std::getenv(production::kStationEnv));
  if (!line.error.empty()) return UsageError(line.error);
  if (line.version) {
    PrintText(shell::VersionText("qrt35"));
    return kOk;
  }
  if (line.help) {
    const std::string help = HelpText(line.command);
    std::fwrite(help.data(), 1, help.size(), stdout);
    return kOk;
  }
  Console console = Console::ForProcess();
  // Ctrl-C, SIGTERM and SIGHUP stop what touches a pager cleanly; the
  // other commands end at once, as any program does.
  std::unique_ptr<StopSignals> signals;
  if (line.command == Command::Read || line.command == Command::Write || line.command == Command::Verify ||
      line.command == Command::Restore) {
    const bool barShown = console.errIsTerminal();
    signals = std::make_unique<StopSignals>([barShown](std::string_view notice) {
      const std::string text = (barShown ? "\r\033[K" : "") + std::string(notice) + "\n";
      std::fwrite(text.data(), 1, text.size(), stderr);
      std::fflush(stderr);
    });
    console.SetStopSignals(signals.get());
  }
  const int code = RunCommand(console, line);
  const int stoppedBy = signals ? signals->ExitCode() : 0;
  return stoppedBy != 0 ? stoppedBy : code;
}

int RunCommand(Console& console, const CommandLine& line) {
  switch (line.command) {
    case Command::Read: return Read(console, line);
    case Command::Write: return Write(console, line);
    case Command::Verify: return Verify(console, line);
    case Command::Restore: return Restore(console, line);
    case Command::New: return New(console, line);
    case Command::Show: return Show(console, line);
    case Command::Set: return Set(console, line);
    case Command::Diff: return Diff(console, line);
    case Command::Backups: return Backups(line);
    case Command::Doctor: return Doctor();
    case Command::Log: return Log(line);
    case Command::Allocations: return Allocations(line);
    case Command::None: break;
  }
  return kUsage;
}

}  // namespace
}  // namespace qrt::cli

int main(int argc, char** argv) {
  try {
    return qrt::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qrt35: internal error: %s\n", e.what());
    return 1;
  }
}
