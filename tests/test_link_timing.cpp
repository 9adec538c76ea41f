// Bit delay, calibrated fallback delay and millisecond waits, on clocks whose
// every reading the test controls.
#include <gtest/gtest.h>

#include <deque>

#include "link/PagerLink.h"
#include "sim/VirtualClock.h"

namespace qrt {
namespace {

class NullPort : public PortIo {
 public:
  uint8_t Inp32(uint16_t) override { return 0xFF; }
  void Out32(uint16_t, uint8_t) override {}
};

// Counter and millisecond readings come from scripts; running out of a
// script is a test failure (the code read more often than it should).
class ScriptedClock : public Clock {
 public:
  bool QueryPerformanceFrequency(int64_t& f) override {
    f = frequency;
    return hasCounter;
  }
  int64_t QueryPerformanceCounter() override {
    ++counterReads;
    if (counter.empty()) {
      ADD_FAILURE() << "counter read past the end of its script";
      return INT64_MAX / 2;
    }
    const int64_t v = counter.front();
    counter.pop_front();
    return v;
  }
  uint32_t timeGetTime() override {
    ++msReads;
    if (ms.empty()) return msAfterScript;
    const uint32_t v = ms.front();
    ms.pop_front();
    return v;
  }
  void Sleep(uint32_t) override {}
  void DoEvents() override { ++events; }

  bool hasCounter = true;
  int64_t frequency = 1'000'000;  // one count per microsecond
  std::deque<int64_t> counter;
  std::deque<uint32_t> ms;
  uint32_t msAfterScript = 0;
  int counterReads = 0;
  int msReads = 0;
  int events = 0;
};

struct Rig {
  NullPort port;
  RecordingMessages msgs;
};

TEST(BitDelay, EndsOnTheFirstReadingAbove25Microseconds) {
  const struct {
    int64_t frequency;
    std::deque<int64_t> readings;  // start, then the loop's readings
  } cases[] = {
      // 25.0 us exactly keeps waiting; 25.001 ends it.
      {1'000'000, {100, 110, 124, 125, 125, 126, 999}},
      {1'000'000'000, {0, 24'999, 25'000, 25'001, 99'999}},
      // An odd frequency: 3579545 Hz gives 25.0 us at 89.488625 counts.
      {3'579'545, {1'000, 1'080, 1'089, 1'090, 5'000}},
  };
  const int expectedReads[] = {6, 4, 4};
  for (size_t i = 0; i < std::size(cases); ++i) {
    Rig rig;
    ScriptedClock clock;
    clock.frequency = cases[i].frequency;
    clock.counter = cases[i].readings;
    PagerLink link(rig.port, clock, rig.msgs);
    link.BitDelay();
    EXPECT_EQ(clock.counterReads, expectedReads[i]) << "case " << i;
    EXPECT_EQ(clock.events, 0) << "a bit delay never lets events run";
    EXPECT_EQ(clock.msReads, 0);
  }
}

TEST(BitDelay, WithoutCounterRunsTheCalibratedLoop) {
  for (const bool zeroFrequency : {false, true}) {
    Rig rig;
    ScriptedClock clock;
    clock.hasCounter = zeroFrequency;  // a counter of 0 Hz is no counter either
    clock.frequency = 0;
    PagerLink link(rig.port, clock, rig.msgs);
    link.DelayCount = 2999;
    link.BitDelay();
    EXPECT_EQ(clock.counterReads, 0);
    // One reading at the start, then one per 1000 passes: 3000 passes.
    EXPECT_EQ(clock.msReads, 1 + 3);
  }
}

TEST(PhaseDelay, WithoutCounterScalesTheCalibratedLoopToThePhase) {
  // DelayCount 99999: 100000 passes make a bit delay; the loop reads the
  // millisecond clock once at the start and then every 1000 passes.
  const struct {
    BusSpeed speed;
    BusPhase phase;
    int msReads;
  } cases[] = {
      {BusSpeed::Standard, BusPhase::DataSetup, 1 + 100},
      {BusSpeed::Fast, BusPhase::ClockLow, 1 + 18},   // 4.7 us: 18800 passes
      {BusSpeed::Fast, BusPhase::ClockHigh, 1 + 16},  // 4.0 us
      {BusSpeed::Fast, BusPhase::DataSetup, 1 + 1},   // 250 ns
  };
  for (const auto& c : cases) {
    Rig rig;
    ScriptedClock clock;
    clock.hasCounter = false;
    PagerLink link(rig.port, clock, rig.msgs);
    link.SetBusSpeed(c.speed);
    link.DelayCount = 99'999;
    link.PhaseDelay(c.phase);
    EXPECT_EQ(clock.msReads, c.msReads) << static_cast<int>(c.phase);
    EXPECT_EQ(clock.counterReads, 0);
  }
}

TEST(CalibratedDelay, RunsDelayCountPlusOnePasses) {
  const struct {
    int32_t delayCount;
    int msReads;
  } cases[] = {{1, 1}, {998, 1}, {999, 2}, {1999, 3}, {2998, 3}, {2999, 4}};
  for (const auto& c : cases) {
    Rig rig;
    ScriptedClock clock;
    PagerLink link(rig.port, clock, rig.msgs);
    link.DelayCount = c.delayCount;
    link.CalibratedDelay();
    EXPECT_EQ(clock.msReads, c.msReads) << "DelayCount " << c.delayCount;
  }
}

TEST(CalibrateDelay, CountsPassesOverALittleMoreThan25Milliseconds) {
  Rig rig;
  ScriptedClock clock;
  // Start at 1000; readings every 1000 passes; elapsed 25 keeps going, 26 ends.
  clock.ms = {1000, 1003, 1010, 1025, 1025, 1026};
  PagerLink link(rig.port, clock, rig.msgs);
  link.CalibrateDelay();
  EXPECT_EQ(link.DelayCount, 5);  // 5000 passes / 1000
  EXPECT_EQ(clock.msReads, 6);
}

TEST(CalibrateDelay, NeverBelowOneEvenWhenTheClockJumps) {
  Rig rig;
  ScriptedClock clock;
  clock.ms = {0, 400};
  PagerLink link(rig.port, clock, rig.msgs);
  link.CalibrateDelay();
  EXPECT_EQ(link.DelayCount, 1);
}

TEST(CalibrateDelay, FallbackDelayLastsAboutOneBitOnVirtualTime) {
  Rig rig;
  VirtualClock clock;
  clock.hasCounter = false;
  PagerLink link(rig.port, clock, rig.msgs);
  link.CalibrateDelay();
  EXPECT_GE(link.DelayCount, 1);
  const int64_t start = clock.Now();
  link.BitDelay();
  const double us = static_cast<double>(clock.Now() - start) / 1000.0;
  EXPECT_GT(us, 24.0);
  EXPECT_LT(us, 30.0);
}

TEST(WaitMs, SpinsWithEventsAndSurvivesTheMillisecondWrap) {
  const uint32_t offsets[] = {0, 0xFFFFFFFFu - 20, 0xFFFFFFFFu};
  for (const uint32_t offset : offsets) {
    Rig rig;
    VirtualClock clock;
    clock.msOffset = offset;
    PagerLink link(rig.port, clock, rig.msgs);
    const int64_t start = clock.Now();
    link.WaitMs(50);
    const double waited = static_cast<double>(clock.Now() - start) / 1e6;
    EXPECT_GE(waited, 49.0) << "offset " << offset;
    EXPECT_LT(waited, 51.0) << "offset " << offset;
    EXPECT_GT(clock.doEventsCalls, 100) << "events run on every pass";
    EXPECT_EQ(clock.sleepCalls, 0) << "WaitMs spins, it does not sleep";
  }
}

TEST(WaitMs, CountsWholeMillisecondsOfTheTick) {
  Rig rig;
  ScriptedClock clock;
  // 0xFFFFFFF0 + 50 wraps to 0x22; 0x21 is one short.
  clock.ms = {0xFFFFFFF0u, 0xFFFFFFFFu, 0x00000005u, 0x00000021u, 0x00000022u};
  clock.msAfterScript = 0x1000;
  PagerLink link(rig.port, clock, rig.msgs);
  link.WaitMs(50);
  EXPECT_EQ(clock.msReads, 5);
  EXPECT_EQ(clock.events, 3);
}

}  // namespace
}  // namespace qrt
