// Hands-free production on the real clock. Every simulated board has a
// socket (sim:DIR/) and runs the continuous loop; each pager is programmed
// as one batch press of Write Mode programs it (the pager read whole and
// kept, the pages that differ written, all 2048 bytes verified). A scripted
// operator per board plays the line: on "remove the pager" it takes
// `--swap` seconds (default 2, give or take a tenth, as a person does) to
// swap it, moving the pager's file out of the socket halfway and renaming
// the next one in at the end. Figures:
// pagers per hour on 1, 2 and 4 boards at the standard and the fast bus,
// and the time from a pager clipped in to the first byte of its write
// (median, p95), each beside its floor.
//
//   bench_continuous [--pagers N] [--swap SECONDS] [--boards 1,2,4] [--bus standard|fast|both]
//
// --pagers is per board (the run's count is boards x N); fewer make a
// shorter run and a rougher figure.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "station/ProductionLine.h"
#include "transfer/Continuous.h"

#include "BatchRig.h"

namespace {

using namespace qrt;
namespace fs = std::filesystem;

// The insertion rule's least time from contact to the first byte: two
// acknowledges 50 ms apart.
constexpr double kSettleS = 0.050;

struct Options {
  int pagers = 6;
  double swapS = 2.0;
  std::vector<int> boards{1, 2, 4};
  std::vector<BusSpeed> buses{BusSpeed::Standard, BusSpeed::Fast};
};

// What a board's operator and its ProgramOne note down; times on the
// monotonic clock in nanoseconds.
struct BoardLog {
  std::mutex mutex;
  std::condition_variable changed;
  bool waiting = false;     // the board waits for a pager
  bool removeAsked = false;
  bool finished = false;
  int64_t insertedNs = 0;   // the pager in the socket was clipped in
  std::vector<int64_t> programmedNs;
  std::vector<double> latenciesMs;
  std::vector<double> pressFloorsS;
  std::vector<double> pressesS;
  std::string failure;      // the first pager that failed, and why
};

class Observer : public BoardObserver {
 public:
  explicit Observer(std::map<std::string, BoardLog*> logs) : logs_(std::move(logs)) {}
  void OnEvent(const BoardEvent& e) override {
    BoardLog& log = *logs_.at(e.port);
    const std::lock_guard<std::mutex> lock(log.mutex);
    switch (e.kind) {
      case BoardEvent::Kind::Waiting: log.waiting = true; break;
      case BoardEvent::Kind::Inserted: log.waiting = false; break;
      case BoardEvent::Kind::Ok: log.programmedNs.push_back(RealClock::NowNs()); break;
      case BoardEvent::Kind::Failed:
        if (log.failure.empty()) log.failure = "pager " + std::to_string(e.pager) + ": " + e.reason;
        break;
      case BoardEvent::Kind::Remove: log.removeAsked = true; break;
      case BoardEvent::Kind::Finished: log.finished = true; break;
      default: return;
    }
    log.changed.notify_all();
  }

 private:
  std::map<std::string, BoardLog*> logs_;
};

void WritePager(const fs::path& file) {
  const Image image = FactoryPager();
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), kImageSize);
}

void SleepS(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// The operator of one board: clips a factory-fresh pager in whenever the
// board waits and a swap (`swapS`, give or take a tenth) has passed since it
// asked for the last one out.
void Operate(const fs::path& socket, const fs::path& tray, BoardLog& log, double swapS, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> swap(0.9 * swapS, 1.1 * swapS);
  for (int k = 0;; ++k) {
    const fs::path next = tray / ("pager-" + std::to_string(k) + ".bin");
    WritePager(next);
    std::unique_lock<std::mutex> lock(log.mutex);
    if (k > 0) {
      log.changed.wait(lock, [&] { return log.removeAsked || log.finished; });
      if (log.finished) return;
      log.removeAsked = false;
      lock.unlock();
      const double thisSwap = swap(rng);
      SleepS(thisSwap / 2);
      fs::rename(socket / "pager.bin", tray / ("done-" + std::to_string(k - 1) + ".bin"));
      SleepS(thisSwap / 2);
      lock.lock();
    }
    log.changed.wait(lock, [&] { return log.waiting || log.finished; });
    if (log.finished) return;
    fs::rename(next, socket / "pager.bin");
    log.insertedNs = RealClock::NowNs();
  }
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  in >> one;
  return one.empty() ? "?" : one;
}

// One pager written by a press of Write, its first byte and its floor noted.
PagerOutcome PressWrite(PagerJob& job, Station& s, BoardLog& log) {
  SimBoard& sim = *s.connection.sim();
  sim.trace.clear();
  sim.tracing = true;
  const int cycles = s.chip().counters.writeCyclesStarted;
  const int64_t start = RealClock::NowNs();
  const TransferResult result = s.Press();
  const int64_t end = RealClock::NowNs();
  sim.tracing = false;
  {
    const Floor floor(s.connection.link()->busTiming(), s.chip().writeCycleNs);
    const int pagesSent = s.chip().counters.writeCyclesStarted - cycles;
    const std::lock_guard<std::mutex> lock(log.mutex);
    if (!sim.trace.empty())
      log.latenciesMs.push_back(static_cast<double>(sim.trace.front().timeNs - log.insertedNs) / 1e6);
    log.pressFloorsS.push_back(static_cast<double>(floor.Press(pagesSent, ParksIn(sim.trace))) / 1e9);
    log.pressesS.push_back(static_cast<double>(end - start) / 1e9);
  }
  PagerOutcome outcome;
  if (result.succeeded()) {
    outcome.kind = PagerOutcome::Kind::Ok;
    outcome.capcodes = {{0, DecodeCapcode(s.state.PagerImage, 0)}};
  } else {
    outcome.kind = job.PagerTakenOut() ? PagerOutcome::Kind::RemovedMidWrite : PagerOutcome::Kind::Failed;
    outcome.reason = result.message;
  }
  return outcome;
}

struct Figure {
  double perHour = 0, floorPerHour = 0;
  double pressS = 0, pressFloorS = 0;  // means
  std::vector<double> latenciesMs;
  int pagers = 0;
  std::string failure;
};

Figure RunBoards(BusSpeed speed, int boardCount, const Options& o, const fs::path& root) {
  const fs::path backups = root / "backups";
  std::vector<std::unique_ptr<Station>> stations;
  std::vector<std::unique_ptr<BoardLog>> logs;
  std::map<std::string, BoardLog*> byPort;
  production::SharedCapcodes shared(kFirstCapcode, 0, true, false);
  std::vector<std::unique_ptr<production::ProductionLine>> lines;
  for (int b = 0; b < boardCount; ++b) {
    const fs::path socket = root / ("b" + std::to_string(b + 1));
    fs::create_directories(socket);
    const std::string port = "sim:" + socket.string() + "/";
    stations.push_back(std::make_unique<Station>(speed, backups.string(), port));
    lines.push_back(std::make_unique<production::ProductionLine>(nullptr, port, stations.back()->messages));
    lines.back()->SetSharedCapcodes(&shared);
    stations.back()->transfer->SetObserver(lines.back().get());
    if (!stations.back()->Open()) return {};
    logs.push_back(std::make_unique<BoardLog>());
    byPort[port] = logs.back().get();
  }

  std::vector<BoardSetup> boards;
  for (int b = 0; b < boardCount; ++b) {
    Station& s = *stations[b];
    boards.push_back({s.connection.options().port, &s.connection.transport(), &s.connection.clock(),
                      [&s, &log = *logs[b]](PagerJob& job) { return PressWrite(job, s, log); }});
  }

  Observer observer(byPort);
  StopRequest stop;
  ContinuousRun run({boardCount * o.pagers, {}}, stop, observer);
  std::vector<std::thread> operators;
  for (int b = 0; b < boardCount; ++b) {
    const fs::path tray = root / ("tray" + std::to_string(b + 1));
    fs::create_directories(tray);
    operators.emplace_back(Operate, root / ("b" + std::to_string(b + 1)), tray, std::ref(*logs[b]), o.swapS,
                           static_cast<unsigned>(b + 1));
  }
  run.Run(boards);
  for (std::thread& t : operators) t.join();

  // Steady pagers per hour: each board from its first pager programmed to
  // its last, so that the start (detection, the first swap) does not count.
  Figure f;
  double cycleFloorS = 0;
  int cycles = 0;
  for (const auto& log : logs) {
    const auto& at = log->programmedNs;
    f.pagers += static_cast<int>(at.size());
    f.latenciesMs.insert(f.latenciesMs.end(), log->latenciesMs.begin(), log->latenciesMs.end());
    if (f.failure.empty()) f.failure = log->failure;
    for (double s : log->pressFloorsS) cycleFloorS += s + o.swapS + kSettleS, f.pressFloorS += s, ++cycles;
    for (double s : log->pressesS) f.pressS += s;
    if (at.size() >= 2)
      f.perHour += 3600.0 * static_cast<double>(at.size() - 1) / (static_cast<double>(at.back() - at.front()) / 1e9);
  }
  if (cycles > 0) {
    f.floorPerHour = boardCount * 3600.0 / (cycleFloorS / cycles);
    f.pressS /= cycles;
    f.pressFloorS /= cycles;
  }
  return f;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--pagers" && value && std::atoi(value) >= 2) {
      o.pagers = std::atoi(argv[++i]);
    } else if (arg == "--swap" && value && std::atof(value) > 0) {
      o.swapS = std::atof(argv[++i]);
    } else if (arg == "--boards" && value) {
      o.boards.clear();
      std::stringstream list(argv[++i]);
      for (std::string n; std::getline(list, n, ',');)
        if (std::atoi(n.c_str()) > 0) o.boards.push_back(std::atoi(n.c_str()));
      if (o.boards.empty()) return false;
    } else if (arg == "--bus" && value) {
      const std::string bus = argv[++i];
      if (bus == "standard") o.buses = {BusSpeed::Standard};
      else if (bus == "fast") o.buses = {BusSpeed::Fast};
      else if (bus != "both") return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: bench_continuous [--pagers N (2 or more, per board)] [--swap SECONDS] "
                 "[--boards 1,2,4] [--bus standard|fast|both]\n");
    return 2;
  }
  char pattern[] = "/tmp/qrt35-bench-continuous-XXXXXX";
  const char* folder = ::mkdtemp(pattern);
  if (!folder) return 1;

  std::printf("Hands-free production, real clock, simulated boards with sockets; %d pagers per board, an\n"
              "operator per board taking %.1f s (+-10 %%) to swap a pager (out at half, the next in at the end).\n"
              "Floor: the press's bus floor + the swap + %.0f ms to count a pager in; latency: clipped in to\n"
              "the first byte of its write.\n",
              o.pagers, o.swapS, kSettleS * 1e3);
  int run = 0;
  for (const BusSpeed speed : o.buses) {
    const char* speedName = speed == BusSpeed::Fast ? "fast" : "standard";
    double one = 0;
    for (const int boards : o.boards) {
      const std::string load = LoadAverage();
      const Figure f = RunBoards(speed, boards, o, fs::path(folder) / std::to_string(++run));
      const double ofFloor = f.floorPerHour > 0 ? f.perHour / f.floorPerHour : 0;
      std::printf("  %-8s %d board%s %6.0f pagers per hour (floor %.0f, %.2f of it)", speedName, boards,
                  boards == 1 ? " " : "s", f.perHour, f.floorPerHour, ofFloor);
      if (boards == 1) one = f.perHour;
      if (boards > 1 && one > 0) {
        const double times = f.perHour / one;
        std::printf(", %.2f x one board", times);
        if (boards == 2 && speed == BusSpeed::Standard)
          std::printf(" (target 1.6: %s)", times >= 1.6 ? "met" : "MISSED");
      }
      const double p95 = Percentile(f.latenciesMs, 0.95);
      std::printf(";\n      latency median %.0f ms, p95 %.0f ms (floor %.0f, target p95 300: %s);"
                  " press %.2f s (floor %.2f); load %s to %s\n",
                  Percentile(f.latenciesMs, 0.5), p95, kSettleS * 1e3, p95 <= 300 ? "met" : "MISSED", f.pressS,
                  f.pressFloorS, load.c_str(), LoadAverage().c_str());
      if (!f.failure.empty()) std::printf("    a pager failed: %s\n", f.failure.c_str());
    }
  }
  std::filesystem::remove_all(folder);
  return 0;
}
