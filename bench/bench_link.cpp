// Figures of the pager link on the real clock: the bit delay and a fast
// phase wait themselves, and whole-image transfers with the simulated pager
// at both bus speeds, each set against the floor its timing allows: the sum
// of the phases the transaction shapes need, the page sleeps or write
// cycles, and the parks. The simulated pager checks the bus timing on the
// same real clock and reports what it saw.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "link/PagerLink.h"
#include "link/RealClock.h"
#include "sim/SimBoard.h"

namespace {

using namespace qrt;

// The real clock, counting what the link asks of it. Every wait of the bus
// (a bit delay or a phase) asks for the counter frequency exactly once.
class CountingClock : public Clock {
 public:
  bool QueryPerformanceFrequency(int64_t& f) override {
    CloseDelay();
    ++waits;
    delayStart = RealClock::NowNs();
    return real.QueryPerformanceFrequency(f);
  }
  int64_t QueryPerformanceCounter() override { return lastCounter = real.QueryPerformanceCounter(); }
  uint32_t timeGetTime() override { return real.timeGetTime(); }
  void Sleep(uint32_t ms) override {
    CloseDelay();
    ++sleeps;
    const int64_t t0 = RealClock::NowNs();
    real.Sleep(ms);
    sleepNs += RealClock::NowNs() - t0;
  }
  // A wait ends with its last counter reading.
  void CloseDelay() {
    if (delayStart >= 0 && lastCounter >= delayStart) delayNs += lastCounter - delayStart;
    delayStart = -1;
  }
  void DoEvents() override { real.DoEvents(); }
  void Reset() {
    waits = sleeps = delayNs = sleepNs = 0;
    delayStart = -1;
  }

  RealClock real;
  int64_t waits = 0;
  int64_t sleeps = 0;
  int64_t delayNs = 0;  // wall time spent inside the waits of the bus
  int64_t sleepNs = 0;  // wall time spent in page sleeps
  int64_t delayStart = -1;
  int64_t lastCounter = 0;
};

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

class NoPort : public PortIo {
 public:
  uint8_t Inp32(uint16_t) override { return 0xFF; }
  void Out32(uint16_t, uint8_t) override {}
};

std::vector<double> TimeCalls(const std::function<void()>& call, int calls) {
  std::vector<double> us;
  us.reserve(static_cast<size_t>(calls));
  for (int i = 0; i < calls; ++i) {
    const int64_t t0 = RealClock::NowNs();
    call();
    us.push_back(static_cast<double>(RealClock::NowNs() - t0) / 1000.0);
  }
  std::sort(us.begin(), us.end());
  return us;
}

void DelayFigures() {
  RealClock clock;
  NoPort port;
  RecordingMessages msgs;
  PagerLink link(port, clock, msgs);
  constexpr int kCalls = 20000;
  const auto us = TimeCalls([&] { link.BitDelay(); }, kCalls);
  std::printf("BitDelay on the real clock, %d calls:\n", kCalls);
  std::printf("  min %.3f us  median %.3f us  p99 %.3f us  max %.3f us\n", us.front(),
              us[us.size() / 2], us[us.size() * 99 / 100], us.back());
  std::printf("  target: median above 25.0 and at most 26.0 us -> %s\n",
              us[us.size() / 2] > 25.0 && us[us.size() / 2] <= 26.0 ? "met" : "NOT met");
  link.SetBusSpeed(BusSpeed::Fast);
  const auto fast = TimeCalls([&] { link.PhaseDelay(BusPhase::ClockLow); }, kCalls);
  std::printf("Fast clock-low wait (4.7 us) on the real clock, %d calls:\n", kCalls);
  std::printf("  min %.3f us  median %.3f us  p99 %.3f us  max %.3f us\n", fast.front(),
              fast[fast.size() / 2], fast[fast.size() * 99 / 100], fast.back());
}

// What the transaction shapes need at a timing, in nanoseconds.
struct Floor {
  Floor(const BusTiming& timing, int64_t writeCycleNs) : t(timing), cycle(writeCycleNs) {}
  int64_t Start() const { return t.startSetupNs + t.startHoldNs + t.clockLowNs; }
  int64_t Stop() const { return t.clockLowNs + t.stopSetupNs + t.busFreeNs; }
  int64_t BitOut() const { return t.dataSetupNs + t.clockHighNs + t.clockLowNs; }
  int64_t Send() const { return 9 * BitOut(); }
  int64_t Receive() const { return 8 * (t.clockHighNs + t.clockLowNs) + BitOut(); }
  int64_t Addressing() const { return 2 * Start() + 3 * Send(); }
  static constexpr int64_t kPark = 100'000'000 + 25'000;
  static constexpr int kBlocks = kImageSize / 16;

  // Block read of the whole image, each block addressed anew.
  int64_t BlockRead() const { return kBlocks * (Addressing() + 16 * Receive()) + Stop(); }
  // Page write of the whole image, the caller's STOP, then the sequential
  // read that verifies it and the caller's STOP. A slept bus sleeps 10 ms
  // between pages, and its verify waits out the last page's write cycle; a
  // polled one waits every write cycle out, then addresses the pager once
  // more before it returns.
  int64_t WriteVerify() const {
    int64_t write = kBlocks * (Start() + 18 * Send() + Stop());
    if (t.pollWriteCycle)
      write += kBlocks * cycle + Start() + Send() + Stop();
    else
      write += (kBlocks - 1) * 10'000'000 + cycle;
    return write + Stop() + Addressing() + kImageSize * Receive() + Stop() + Stop();
  }

  BusTiming t;
  int64_t cycle;
};

struct Run {
  const char* speedName;
  BusSpeed speed;
  int64_t writeCycleNs;
  double readS = 0;         // block read, without the park
  double writeVerifyS = 0;  // write and verify, without the park
  bool ok = false;
};

// The pager's own timing has a target: the program adds at most 5 % to it.
void PrintFigure(const char* what, double measured, double floor, bool withTarget) {
  const double ratio = measured / floor;
  std::printf("  %-40s %.3f s against a floor of %.3f s, ratio %.3f%s\n", what, measured, floor,
              ratio, !withTarget ? "" : ratio <= 1.05 ? " -> met (<= 1.05)" : " -> NOT met (> 1.05)");
}

void PrintChip(const SimEeprom& chip) {
  const SimTimingStats& s = chip.timing;
  const auto us = [](int64_t ns) { return static_cast<double>(ns) / 1000.0; };
  std::printf("  the pager saw: %d timing violations; shortest clock high %.3f, low %.3f, data "
              "set-up %.3f, START set-up %.3f, hold %.3f, STOP set-up %.3f, bus free %.3f us\n",
              s.violations, us(s.clockHighNs), us(s.clockLowNs), us(s.dataSetupNs),
              us(s.startSetupNs), us(s.startHoldNs), us(s.stopSetupNs), us(s.busFreeNs));
}

void Transfers(Run& run) {
  CountingClock clock;
  SimBoard board(TimeSourceFor(clock.real));
  board.eeprom().writeCycleNs = run.writeCycleNs;
  RecordingMessages msgs;
  PagerLink link(board, clock, msgs);
  link.SetBusSpeed(run.speed);
  link.ParkBus();
  const Floor floor(link.busTiming(), run.writeCycleNs);
  std::printf("%s bus, simulated write cycle %.1f ms:\n", run.speedName,
              static_cast<double>(run.writeCycleNs) / 1e6);

  // Block read of the whole pager, ending parked as a read transfer does.
  Image image{};
  clock.Reset();
  auto t0 = std::chrono::steady_clock::now();
  const bool readOk = link.BlockRead(image, 0, ImageLastIndex);
  run.readS = Seconds(std::chrono::steady_clock::now() - t0);
  link.ParkBus();
  const double readParkS = Seconds(std::chrono::steady_clock::now() - t0);
  const bool target = run.speed == BusSpeed::Standard;
  PrintFigure("block read of 2048 bytes + park", readParkS,
              static_cast<double>(floor.BlockRead() + Floor::kPark) / 1e9, target);

  // Page write of a fresh image, then the sequential-read verify.
  std::mt19937 gen(1);
  for (auto& b : image) b = static_cast<uint8_t>(gen());
  clock.Reset();
  t0 = std::chrono::steady_clock::now();
  const bool writeOk = link.PageWrite(image, 0, ImageLastIndex);
  link.BusStop();
  bool same = true;
  const auto verify = link.SequentialRead(0, ImageLastIndex, [&](int a, uint8_t v) {
    same = same && v == image[a];
    return true;
  });
  link.BusStop();
  run.writeVerifyS = Seconds(std::chrono::steady_clock::now() - t0);
  link.ParkBus();
  const double writeParkS = Seconds(std::chrono::steady_clock::now() - t0);
  clock.CloseDelay();
  PrintFigure("page write + verify of 2048 bytes + park", writeParkS,
              static_cast<double>(floor.WriteVerify() + Floor::kPark) / 1e9, target);
  const double inWaits = static_cast<double>(clock.delayNs) / 1e9;
  const double inSleeps = static_cast<double>(clock.sleepNs) / 1e9;
  std::printf("    of which: %lld waits of the bus %.3f s, %lld page sleeps %.3f s, the park and "
              "the link's own work %.3f s\n",
              static_cast<long long>(clock.waits), inWaits, static_cast<long long>(clock.sleeps),
              inSleeps, writeParkS - inWaits - inSleeps);
  PrintChip(board.eeprom());

  run.ok = readOk && writeOk && verify == PagerLink::SeqResult::Completed && same &&
           msgs.log.empty() && board.eeprom().timing.violations == 0;
  std::printf("  transfers %s\n", run.ok ? "succeeded" : "FAILED");
}

}  // namespace

int main() {
  DelayFigures();

  Run runs[] = {{"Standard", BusSpeed::Standard, SimEeprom::kWriteCycleNs},
                {"Fast", BusSpeed::Fast, SimEeprom::kWriteCycleNs},
                {"Fast", BusSpeed::Fast, 1'500'000}};
  bool ok = true;
  for (Run& run : runs) {
    Transfers(run);
    ok = ok && run.ok;
  }
  // A batch step reads, writes and verifies a whole pager.
  for (const Run& run : runs) {
    const Floor floor(BusTiming::For(run.speed), run.writeCycleNs);
    std::printf("%s bus, %.1f ms write cycle: read + write + verify %.3f s against a floor of "
                "%.3f s (parks left out)\n",
                run.speedName, static_cast<double>(run.writeCycleNs) / 1e6,
                run.readS + run.writeVerifyS,
                static_cast<double>(floor.BlockRead() + floor.WriteVerify()) / 1e9);
  }
  return ok ? 0 : 1;
}
