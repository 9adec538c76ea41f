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
#include "production/ProductionLine.h"
#include "sim/SimBoard.h"
#include "transfer/Transfers.h"

namespace {

using namespace qrt;
using Seconds = std::chrono::duration<double>;

constexpr uint32_t kFirstCapcode = 1200000;

// The table a line writes: the start image with capcode 1 set.
Image TableImage(uint32_t capcode) {
  Image image = BuildDefaultImage();
  StoreCapcode(image, 0, static_cast<int32_t>(capcode));
  image[CapcodeRecordAddress(0)] |= 1;
  image[addr::kWriteMarker] = 1;
  StoreChecksum(image);
  return image;
}

Image FactoryPager() {
  Image image = BuildDefaultImage();
  StoreChecksum(image);
  return image;
}

// One simulated board and pager with the window's editor, in Write Mode with
// the batch's Write button waiting, as one port of a production run.
struct Station {
  Station(BusSpeed speed, const std::string& backups) : connection(clock, messages) {
    ConnectionOptions options("sim");
    options.bus = speed;
    connection.Open(options);
    state.KeepBackups = true;
    state.BackupsDir = backups;
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    state.PagerImage = TableImage(kFirstCapcode);
    editor.init_ctl();
    editor.UserSetCheck({Ctl::optAuto1, 0}, 1);
    editor.WriteOpt_Click();
    connection.transport().CalibrateDelay();
    connection.transport().DetectBoard();
    state.TransferMode = 1;
    form = std::make_unique<Form2>(editor, connection.transport(), messages);
  }
  bool Open() { return form->Form_Activate().outcome == TransferOutcome::Waiting; }
  SimEeprom& chip() { return connection.sim()->eeprom(); }

  RealClock clock;
  RecordingMessages messages;
  Connection connection;
  AppState state;
  EditorHost host;
  Editor editor{state, messages, host};
  std::unique_ptr<Form2> form;
};

// What one press needs at a timing, in nanoseconds: the whole-pager read, the
// pages sent with their write cycles, the verify and the parks.
struct Floor {
  explicit Floor(const BusTiming& timing, int64_t cycle) : t(timing), writeCycleNs(cycle) {}
  int64_t Start() const { return t.startSetupNs + t.startHoldNs + t.clockLowNs; }
  int64_t Stop() const { return t.clockLowNs + t.stopSetupNs + t.busFreeNs; }
  int64_t BitOut() const { return t.dataSetupNs + t.clockHighNs + t.clockLowNs; }
  int64_t Send() const { return 9 * BitOut(); }
  int64_t Receive() const { return 8 * (t.clockHighNs + t.clockLowNs) + BitOut(); }
  int64_t Addressing() const { return 2 * Start() + 3 * Send(); }
  int64_t Press(int pagesSent, int parks) const {
    const int64_t read = 128 * (Addressing() + 16 * Receive()) + Stop();
    int64_t write = pagesSent * (Start() + 18 * Send() + Stop() + writeCycleNs);
    if (!t.pollWriteCycle && pagesSent > 1) write += (pagesSent - 1) * (10'000'000 - writeCycleNs);
    if (t.pollWriteCycle && pagesSent > 0) write += Start() + Send() + Stop();
    const int64_t verify = Addressing() + kImageSize * Receive() + Stop();
    return read + write + verify + parks * (100'000'000 + t.clockLowNs);
  }
  BusTiming t;
  int64_t writeCycleNs;
};

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
    const TransferResult r = s.form->cmdWrite_Click();
    times.push_back(Seconds(std::chrono::steady_clock::now() - start).count());
    f.ok &= r.succeeded();
    f.pagesSent = s.chip().counters.writeCyclesStarted - cyclesBefore;
    // A park writes 254 (clock released, data held low) after its 100 ms
    // wait, the only wait that long between two writes of the register.
    const auto& trace = s.connection.sim()->trace;
    f.parks = 0;
    for (size_t k = 1; k < trace.size(); ++k)
      f.parks += trace[k].value == 254 && trace[k].timeNs - trace[k - 1].timeNs >= 99'000'000;
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
    s->form->SetObserver(lines.back().get());
    if (!s->Open()) return 0;
  }
  std::atomic<int> failed{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (auto& s : stations)
    threads.emplace_back([&, station = s.get()] {
      for (int k = 0; k < pagersEach; ++k) {
        station->chip().memory = FactoryPager();  // the next pager on the board
        if (!station->form->cmdWrite_Click().succeeded()) ++failed;
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
