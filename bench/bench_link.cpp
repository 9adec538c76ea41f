// Figures of the pager link on the real clock: the bit delay itself, and
// whole-image transfers with the simulated pager, set against the time the
// bus protocol itself demands (bit delays, page sleeps, parks).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "link/PagerLink.h"
#include "link/RealClock.h"
#include "sim/SimBoard.h"

namespace {

using namespace qrt;

// The real clock, counting what the link asks of it. Every bit delay asks
// for the counter frequency exactly once.
class CountingClock : public Clock {
 public:
  bool QueryPerformanceFrequency(int64_t& f) override {
    CloseDelay();
    ++bitDelays;
    delayStart = RealClock::NowNs();
    return real.QueryPerformanceFrequency(f);
  }
  int64_t QueryPerformanceCounter() override { return lastCounter = real.QueryPerformanceCounter(); }
  uint32_t timeGetTime() override { return real.timeGetTime(); }
  void Sleep(uint32_t ms) override {
    CloseDelay();
    ++sleeps;
    sleptMs += ms;
    const int64_t t0 = RealClock::NowNs();
    real.Sleep(ms);
    sleepNs += RealClock::NowNs() - t0;
  }
  // A bit delay ends with its last counter reading.
  void CloseDelay() {
    if (delayStart >= 0 && lastCounter >= delayStart) delayNs += lastCounter - delayStart;
    delayStart = -1;
  }
  void DoEvents() override { real.DoEvents(); }
  void Reset() {
    bitDelays = sleeps = sleptMs = delayNs = sleepNs = 0;
    delayStart = -1;
  }

  RealClock real;
  int64_t bitDelays = 0;
  int64_t sleeps = 0;
  int64_t sleptMs = 0;
  int64_t delayNs = 0;  // wall time spent inside bit delays
  int64_t sleepNs = 0;  // wall time spent in page sleeps
  int64_t delayStart = -1;
  int64_t lastCounter = 0;
};

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void BitDelayFigures() {
  RealClock clock;
  class NoPort : public PortIo {
   public:
    uint8_t Inp32(uint16_t) override { return 0xFF; }
    void Out32(uint16_t, uint8_t) override {}
  } port;
  RecordingMessages msgs;
  PagerLink link(port, clock, msgs);
  constexpr int kCalls = 20000;
  std::vector<double> us;
  us.reserve(kCalls);
  for (int i = 0; i < kCalls; ++i) {
    const int64_t t0 = RealClock::NowNs();
    link.BitDelay();
    us.push_back(static_cast<double>(RealClock::NowNs() - t0) / 1000.0);
  }
  std::sort(us.begin(), us.end());
  std::printf("BitDelay on the real clock, %d calls:\n", kCalls);
  std::printf("  min %.3f us  median %.3f us  p99 %.3f us  max %.3f us\n", us.front(),
              us[us.size() / 2], us[us.size() * 99 / 100], us.back());
  std::printf("  target: median above 25.0 and at most 26.0 us -> %s\n",
              us[us.size() / 2] > 25.0 && us[us.size() / 2] <= 26.0 ? "met" : "NOT met");
}

void Report(const char* what, double seconds, CountingClock& clock, int parks) {
  clock.CloseDelay();
  const double mandated = static_cast<double>(clock.bitDelays) * 25e-6 +
                          static_cast<double>(clock.sleptMs) * 1e-3 + parks * 0.1;
  std::printf("%s:\n", what);
  std::printf("  measured %.3f s; mandated %.3f s (%lld bit delays x 25 us, %lld page sleeps "
              "x 10 ms, %d park x 100 ms); ratio %.4f -> %s\n",
              seconds, mandated, static_cast<long long>(clock.bitDelays),
              static_cast<long long>(clock.sleeps), parks, seconds / mandated,
              seconds / mandated <= 1.05 ? "met (<= 1.05)" : "NOT met (> 1.05)");
  const double inDelays = static_cast<double>(clock.delayNs) / 1e9;
  const double inSleeps = static_cast<double>(clock.sleepNs) / 1e9;
  std::printf("  of which: bit delays %.3f s (mean %.3f us), page sleeps %.3f s, parks and the "
              "link's own work %.3f s\n",
              inDelays, clock.bitDelays ? inDelays * 1e6 / static_cast<double>(clock.bitDelays) : 0.0,
              inSleeps, seconds - inDelays - inSleeps);
}

}  // namespace

int main() {
  BitDelayFigures();

  CountingClock clock;
  SimBoard board(TimeSourceFor(clock.real));
  RecordingMessages msgs;
  PagerLink link(board, clock, msgs);
  link.ParkBus();

  // Block read of the whole pager, ending parked as a read transfer does.
  Image image{};
  clock.Reset();
  auto t0 = std::chrono::steady_clock::now();
  const bool readOk = link.BlockRead(image, 0, ImageLastIndex);
  link.ParkBus();
  Report("Block read of 2048 bytes + park", Seconds(std::chrono::steady_clock::now() - t0), clock, 1);

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
  link.ParkBus();
  Report("Page write of 2048 bytes + sequential-read verify + park",
         Seconds(std::chrono::steady_clock::now() - t0), clock, 1);

  const bool ok = readOk && writeOk && verify == PagerLink::SeqResult::Completed && same &&
                  msgs.log.empty();
  std::printf("transfers %s\n", ok ? "succeeded" : "FAILED");
  return ok ? 0 : 1;
}
