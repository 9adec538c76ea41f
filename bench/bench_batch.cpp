// The production line's own figure: one press of Write in the batch (the
// pager read whole and kept, the pages that differ written, all 2048 bytes
// verified), on the real clock against the simulated pager, at the standard
// and the fast bus, for a factory-fresh pager and for one that differs from
// the table only in its capcodes; each beside the floor its timing allows.
// Then pagers per hour at the fast bus from one and from two simulated
// ports, each port a thread of its own sharing the batch's capcodes, as
// `qrt35 write --port ... --port ... --count N` runs them.
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/Messages.h"
#include "codecs/Capcode.h"
#include "editor/Editor.h"
#include "image/Defaults.h"
#include "link/PagerLink.h"
#include "link/RealClock.h"
#include "ports/Connection.h"
#include "station/ProductionLine.h"
#include "sim/SimBoard.h"
#include "transfer/PagerTransfer.h"

#include "BatchRig.h"

namespace {

using namespace qrt;
using Seconds = std::chrono::duration<double>;

struct PressFigure {
  double bestS = 1e9, medianS = 0;
  int pagesSent = 0, parks = 0;
  bool ok = true;
};

// Presses Write `runs` times, the pager before each press made by `prepare`.
PressFigure Presses(Station& s, int runs, const std::function<void(int)>& prepare) {
  PressFigure f;
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    prepare(run);
    s.chip().Poll();
    const int cyclesBefore = s.chip().counters.writeCyclesStarted;
    s.connection.sim()->tracing = true;
    s.connection.sim()->trace.clear();
    const auto start = std::chrono::steady_clock::now();
    const TransferResult r = s.Press();
    times.push_back(Seconds(std::chrono::steady_clock::now() - start).count());
    f.ok &= r.succeeded();
    f.pagesSent = s.chip().counters.writeCyclesStarted - cyclesBefore;
    f.parks = ParksIn(s.connection.sim()->trace);
    s.connection.sim()->tracing = false;
  }
  std::sort(times.begin(), times.end());
  f.bestS = times.front();
  f.medianS = times[times.size() / 2];
  return f;
}

// Pagers written per hour by `ports` stations pressing Write at once.
double PagersPerHour(int ports, int pagersEach, const std::string& backups) {
  std::vector<std::unique_ptr<Station>> stations;
  for (int p = 0; p < ports; ++p) stations.push_back(std::make_unique<Station>(BusSpeed::Fast, backups));
  production::SharedCapcodes shared(kFirstCapcode, 0, true, false);
  std::vector<std::unique_ptr<production::ProductionLine>> lines;
  for (auto& s : stations) {
    lines.push_back(std::make_unique<production::ProductionLine>(nullptr, "sim", s->messages));
    lines.back()->SetSharedCapcodes(&shared);
    s->transfer->SetObserver(lines.back().get());
    if (!s->Open()) return 0;
  }
  std::atomic<int> failed{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (auto& s : stations)
    threads.emplace_back([&, station = s.get()] {
      for (int k = 0; k < pagersEach; ++k) {
        station->chip().memory = FactoryPager();  // the next pager on the board
        if (!station->Press().succeeded()) ++failed;
      }
    });
  for (std::thread& t : threads) t.join();
  const double seconds = Seconds(std::chrono::steady_clock::now() - start).count();
  if (failed > 0) std::printf("  (%d presses failed)\n", failed.load());
  return 3600.0 * ports * pagersEach / seconds;
}

}  // namespace

int main() {
  char pattern[] = "/tmp/qrt35-bench-batch-XXXXXX";
  const char* folder = ::mkdtemp(pattern);
  if (!folder) return 1;
  const std::string backups = std::string(folder) + "/backups";
  constexpr int kRuns = 5;

  std::printf("One batch press (whole-pager read and backup, the pages that differ, verify), real clock,\n"
              "simulated pager with a %.1f ms write cycle; best and median of %d presses:\n",
              static_cast<double>(SimEeprom::kWriteCycleNs) / 1e6, kRuns);
  for (const BusSpeed speed : {BusSpeed::Standard, BusSpeed::Fast}) {
    const char* speedName = speed == BusSpeed::Standard ? "standard" : "fast";
    Station s(speed, backups);
    if (!s.Open()) return 1;
    const Floor floor(s.connection.link()->busTiming(), s.chip().writeCycleNs);
    const struct {
      const char* what;
      std::function<void(int)> prepare;
      double target;
    } cases[] = {
        {"factory-fresh pager", [&](int) { s.chip().memory = FactoryPager(); }, 1.2},
        {"pager differing only in its capcodes",
         [&](int) {
           // A pager this table was written into before, with other capcodes.
           Image earlier = s.state.PagerImage;
           StoreCapcode(earlier, 0, static_cast<int32_t>(kFirstCapcode + 500000));
           StoreChecksum(earlier);
           s.chip().memory = earlier;
         },
         0.6},
        // Not a target: every page differs (a blank chip), so every page's
        // write cycle counts; the data sheet's 5 ms alone make 0.64 s of it.
        {"blank pager (every page differs)", [&](int) { s.chip().memory.fill(0xFF); }, 0},
    };
    for (const auto& c : cases) {
      const PressFigure f = Presses(s, kRuns, c.prepare);
      const double floorS = static_cast<double>(floor.Press(f.pagesSent, f.parks)) / 1e9;
      std::printf("  %-8s %-37s best %.3f s, median %.3f s; floor %.3f s (%d pages, %d park%s)%s%s\n", speedName,
                  c.what, f.bestS, f.medianS, floorS, f.pagesSent, f.parks, f.parks == 1 ? "" : "s",
                  speed == BusSpeed::Fast && c.target > 0 ? (f.bestS <= c.target ? "; target met" : "; TARGET MISSED")
                                                          : "",
                  f.ok ? "" : "  (A PRESS FAILED)");
    }
  }

  constexpr int kPagersEach = 8;
  std::printf("Pagers per hour at the fast bus, factory-fresh pagers, %d per port:\n", kPagersEach);
  const double one = PagersPerHour(1, kPagersEach, backups);
  const double two = PagersPerHour(2, kPagersEach, backups);
  std::printf("  one port  %.0f pagers per hour\n  two ports %.0f pagers per hour, %.2f times one port (target 1.8)\n",
              one, two, two / one);
  std::filesystem::remove_all(folder);
  return 0;
}
