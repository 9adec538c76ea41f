// What the pager link relies on from any clock, run against both the real and
// the virtual clock; then the virtual clock's own rules.
#include <gtest/gtest.h>

#include "link/RealClock.h"
#include "sim/VirtualClock.h"

namespace qrt {
namespace {

template <typename C>
class AnyClock : public ::testing::Test {
 protected:
  C clock;
  void SetHook(std::function<void()> hook) { clock.eventHook = std::move(hook); }
};
using Clocks = ::testing::Types<RealClock, VirtualClock>;
TYPED_TEST_SUITE(AnyClock, Clocks);

TYPED_TEST(AnyClock, CounterRunsForwardAtItsFrequency) {
  int64_t frequency = 0;
  ASSERT_TRUE(this->clock.QueryPerformanceFrequency(frequency));
  EXPECT_GE(frequency, 1'000'000);
  int64_t last = this->clock.QueryPerformanceCounter();
  for (int i = 0; i < 1000; ++i) {
    const int64_t now = this->clock.QueryPerformanceCounter();
    ASSERT_GE(now, last);
    last = now;
  }
}

TYPED_TEST(AnyClock, SleepPassesOnBothClocks) {
  int64_t frequency = 0;
  this->clock.QueryPerformanceFrequency(frequency);
  const int64_t c0 = this->clock.QueryPerformanceCounter();
  const uint32_t m0 = this->clock.timeGetTime();
  this->clock.Sleep(20);
  const double sleptMs = static_cast<double>(this->clock.QueryPerformanceCounter() - c0) * 1000.0 /
                         static_cast<double>(frequency);
  EXPECT_GE(sleptMs, 20.0);
  EXPECT_LT(sleptMs, 500.0);
  const uint32_t ticks = this->clock.timeGetTime() - m0;
  EXPECT_GE(ticks, 19u);
  EXPECT_LE(ticks, 500u);
}

TYPED_TEST(AnyClock, DoEventsRunsTheHook) {
  int runs = 0;
  this->clock.DoEvents();
  this->SetHook([&] { ++runs; });
  this->clock.DoEvents();
  this->clock.DoEvents();
  EXPECT_EQ(runs, 2);
}

TEST(VirtualClock, TimePassesOnlyAsTheProgramWaits) {
  VirtualClock clock;
  EXPECT_EQ(clock.Now(), 0);
  EXPECT_EQ(clock.Now(), 0) << "looking at the time costs nothing";
  clock.QueryPerformanceCounter();
  EXPECT_EQ(clock.Now(), clock.counterReadStep);
  clock.Sleep(10);
  EXPECT_EQ(clock.Now(), clock.counterReadStep + 10'000'000);
  clock.Advance(-5);
  EXPECT_EQ(clock.Now(), clock.counterReadStep + 10'000'000) << "never runs backwards";
  EXPECT_EQ(clock.sleepCalls, 1);
  EXPECT_EQ(clock.sleptMs, 10);
}

TEST(VirtualClock, MillisecondClockWrapsAt32Bits) {
  VirtualClock clock;
  clock.msReadStep = 0;
  clock.msOffset = 0xFFFFFFFEu;
  EXPECT_EQ(clock.timeGetTime(), 0xFFFFFFFEu);
  clock.Advance(3'000'000);
  EXPECT_EQ(clock.timeGetTime(), 1u);
}

}  // namespace
}  // namespace qrt
