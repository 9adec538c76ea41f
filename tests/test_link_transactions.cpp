// EEPROM transactions of the pager link against the simulated pager: every
// byte goes over the simulated bus, and the results are read back over the
// bus as well.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/PagerLink.h"
#include "tests/support/SimRig.h"

namespace qrt {
namespace {

using test::SimRig;

// A different byte at every address, so a wrong block bit or a counter that
// does not run on shows up as a wrong value.
Image NumberedImage(uint32_t seed) {
  std::mt19937 gen(seed);
  Image image{};
  for (auto& b : image) b = static_cast<uint8_t>(gen());
  return image;
}

Image ReadBack(SimRig& rig) {
  Image image{};
  image.fill(0x5A);
  EXPECT_TRUE(rig.link.BlockRead(image, 0, ImageLastIndex));
  return image;
}

TEST(Transactions, WholeImageRoundTripThroughTheBus) {
  SimRig rig;
  const Image written = NumberedImage(7);
  std::vector<int> opened;
  ASSERT_TRUE(rig.link.PageWrite(written, 0, ImageLastIndex, [&](int a) { opened.push_back(a); }));
  EXPECT_EQ(opened.size(), 128u);
  EXPECT_EQ(opened.back(), 2032);
  EXPECT_EQ(rig.clock.sleepCalls, 127) << "no sleep before the first page";
  EXPECT_EQ(rig.board.eeprom().counters.writeCyclesStarted, 128);

  std::vector<int> blockEnds;
  Image read{};
  ASSERT_TRUE(rig.link.BlockRead(read, 0, ImageLastIndex, [&](int a) { blockEnds.push_back(a); }));
  EXPECT_EQ(read, written);
  ASSERT_EQ(blockEnds.size(), 127u);
  EXPECT_EQ(blockEnds.front(), 15);
  EXPECT_EQ(blockEnds.back(), 2031);

  Image streamed{};
  int next = 0;
  const auto result = rig.link.SequentialRead(0, ImageLastIndex, [&](int a, uint8_t v) {
    EXPECT_EQ(a, next++);
    streamed[a] = v;
    return true;
  });
  EXPECT_EQ(result, PagerLink::SeqResult::Completed);
  EXPECT_EQ(streamed, written);
  EXPECT_TRUE(rig.msgs.log.empty());
  EXPECT_FALSE(rig.link.TransferError);
}

TEST(Transactions, BlockReadAddressesEveryBlockWithoutStopsBetween) {
  SimRig rig;
  const auto& counters = rig.board.eeprom().counters;
  const int stops = counters.stops;
  Image read = ReadBack(rig);
  EXPECT_EQ(read, SimRig::FactoryPagerImage());
  // Dummy write + read device byte per block, all acknowledged at once.
  EXPECT_EQ(counters.addressings, 2 * 128);
  EXPECT_EQ(counters.stops, stops + 1) << "one STOP, after the last byte";
}

TEST(Transactions, BlockReadOfAPartialRange) {
  const struct {
    int first, last;
  } cases[] = {{5, 40}, {0x0F0, 0x110}, {0x7F0, 0x7FF}, {100, 100}, {30, 32}};
  for (const auto& c : cases) {
    SimRig rig;
    rig.board.eeprom().memory = NumberedImage(3);
    Image read{};
    ASSERT_TRUE(rig.link.BlockRead(read, c.first, c.last));
    for (int a = 0; a <= ImageLastIndex; ++a) {
      const uint8_t want = (a >= c.first && a <= c.last) ? rig.board.eeprom().memory[a] : 0;
      ASSERT_EQ(read[a], want) << "address " << a << " of " << c.first << ".." << c.last;
    }
  }
}

TEST(Transactions, OutOfRangeRequestsTouchNothing) {
  SimRig rig;
  Image image{};
  rig.board.tracing = true;
  EXPECT_FALSE(rig.link.BlockRead(image, -1, 10));
  EXPECT_FALSE(rig.link.BlockRead(image, 10, 2048));
  EXPECT_FALSE(rig.link.BlockRead(image, 20, 10));
  EXPECT_EQ(rig.link.SequentialRead(0, 2048, {}), PagerLink::SeqResult::AddressingFailed);
  EXPECT_FALSE(rig.link.PageWrite(image, 2000, 2100));
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_TRUE(rig.board.trace.empty());
}

TEST(EepRead1, ReadsSingleBytesFromEveryBlock) {
  SimRig rig;
  rig.board.eeprom().memory = NumberedImage(11);
  for (const int a : {0x000, 0x0E9, 0x100, 0x3E1, 0x5A5, 0x700, 0x7FF}) {
    EXPECT_EQ(rig.link.eep_read1(a), rig.board.eeprom().memory[a]) << std::hex << a;
    EXPECT_EQ(rig.link.PortShadow, 252) << "each read ends with STOP";
  }
  EXPECT_FALSE(rig.link.TransferError);
  EXPECT_TRUE(rig.msgs.log.empty());
}

TEST(EepRead1, TenthAddressingAttemptStillSucceeds) {
  SimRig rig;
  rig.board.eeprom().memory[0x3E1] = 'Q';
  rig.board.eeprom().faults.nackFirstAddressings = 9;
  const int stops = rig.board.eeprom().counters.stops;
  EXPECT_EQ(rig.link.eep_read1(0x3E1), 'Q');
  EXPECT_FALSE(rig.link.TransferError);
  EXPECT_TRUE(rig.msgs.log.empty());
  // Ten device bytes for the attempts, one for the read; a STOP only at the end.
  EXPECT_EQ(rig.board.eeprom().counters.addressings, 11);
  EXPECT_EQ(rig.board.eeprom().counters.stops, stops + 1);
}

TEST(EepRead1, TenUnacknowledgedAttemptsParkAndReportOnce) {
  SimRig rig;
  rig.board.eeprom().faults.nackFirstAddressings = 10;
  const int stops = rig.board.eeprom().counters.stops;
  rig.board.tracing = true;
  EXPECT_EQ(rig.link.eep_read1(0x3E1), 0);
  EXPECT_TRUE(rig.link.TransferError);
  ASSERT_EQ(rig.msgs.log.size(), 1u);
  EXPECT_EQ(rig.msgs.log[0].text, "Read error!");
  EXPECT_EQ(rig.msgs.log[0].icon, MsgIcon::None);
  EXPECT_EQ(rig.board.eeprom().counters.addressings, 10);
  EXPECT_EQ(rig.board.eeprom().counters.stops, stops) << "no STOP between attempts";
  // Parked: 254 written a good 100 ms after the last attempt.
  const auto& t = rig.board.trace;
  ASSERT_GE(t.size(), 2u);
  EXPECT_EQ(t.back().value, 254);
  EXPECT_GE(t.back().timeNs - t[t.size() - 2].timeNs, 99'000'000);
  EXPECT_EQ(rig.link.PortShadow, 254);
}

TEST(SequentialRead, EarlyStopTakesOneMoreByteWithNackThenStops) {
  SimRig rig;
  rig.board.eeprom().memory = NumberedImage(5);
  rig.board.eeprom().faults.flipAddress = 0x123;
  rig.board.eeprom().faults.flipMask = 0x10;
  const Image& expected = rig.board.eeprom().memory;
  int mismatchAt = -1;
  const int sentBefore = rig.board.eeprom().counters.bytesSent;
  const auto result = rig.link.SequentialRead(0x100, 0x1FF, [&](int a, uint8_t v) {
    if (v == expected[a]) return true;
    mismatchAt = a;
    return false;
  });
  EXPECT_EQ(result, PagerLink::SeqResult::Stopped);
  EXPECT_EQ(mismatchAt, 0x123);
  // 0x100..0x123, then the one extra byte.
  EXPECT_EQ(rig.board.eeprom().counters.bytesSent - sentBefore, 0x24 + 1);
  EXPECT_EQ(rig.link.PortShadow, 252);
  // The bus is usable at once.
  EXPECT_EQ(rig.link.eep_read1(0x1FF), expected[0x1FF]);
}

TEST(SequentialRead, RefusedLastByteIsNotFollowedByAnotherOne) {
  SimRig rig;
  const int sentBefore = rig.board.eeprom().counters.bytesSent;
  const auto result = rig.link.SequentialRead(0x7F0, 0x7FF, [](int a, uint8_t) { return a != 0x7FF; });
  EXPECT_EQ(result, PagerLink::SeqResult::Stopped);
  EXPECT_EQ(rig.board.eeprom().counters.bytesSent - sentBefore, 16);
}

TEST(SequentialRead, AddressingFailureLeavesTheLinesAsTheyAre) {
  SimRig rig;
  rig.board.eeprom().faults.nackFirstAddressings = 10;
  const int stops = rig.board.eeprom().counters.stops;
  rig.board.tracing = true;
  bool called = false;
  EXPECT_EQ(rig.link.SequentialRead(0, ImageLastIndex, [&](int, uint8_t) { return called = true; }),
            PagerLink::SeqResult::AddressingFailed);
  EXPECT_FALSE(called);
  EXPECT_TRUE(rig.msgs.log.empty()) << "the caller reports it";
  EXPECT_EQ(rig.board.eeprom().counters.stops, stops);
  EXPECT_NE(rig.board.trace.back().value, 254) << "not parked";
}

TEST(PageWrite, UnalignedRangeOpensPagesAtFirstAndEachBoundary) {
  SimRig rig;
  const Image before = SimRig::FactoryPagerImage();
  const Image source = NumberedImage(9);
  std::vector<int> opened;
  ASSERT_TRUE(rig.link.PageWrite(source, 5, 40, [&](int a) { opened.push_back(a); }));
  EXPECT_EQ(opened, (std::vector<int>{16, 32}));
  EXPECT_EQ(rig.clock.sleepCalls, 2);
  const Image after = ReadBack(rig);
  for (int a = 0; a <= ImageLastIndex; ++a)
    ASSERT_EQ(after[a], (a >= 5 && a <= 40) ? source[a] : before[a]) << "address " << a;
}

TEST(PageWrite, AcknowledgePollingRidesOutASlowWriteCycle) {
  SimRig rig;
  rig.board.eeprom().writeCycleNs = 60'000'000;  // 60 ms, longer than the page sleep
  const Image source = NumberedImage(13);
  ASSERT_TRUE(rig.link.PageWrite(source, 0, 47));
  EXPECT_GT(rig.board.eeprom().counters.addressings, 3 + 20) << "polled while busy";
  rig.clock.Advance(60'000'000);
  const Image after = ReadBack(rig);
  for (int a = 0; a < 48; ++a) ASSERT_EQ(after[a], source[a]);
  EXPECT_TRUE(rig.msgs.log.empty());
}

// The clock records when the page sleep ended, where the polling starts.
class SleepMarkingClock : public VirtualClock {
 public:
  void Sleep(uint32_t ms) override {
    VirtualClock::Sleep(ms);
    lastSleepEnd = Now();
  }
  int64_t lastSleepEnd = 0;
};

TEST(PageWrite, PollingGivesUpAfterALittleMoreThan500MsNotACount) {
  // Two bit speeds: a count of attempts would give different times.
  int attempts[2] = {0, 0};
  for (int run = 0; run < 2; ++run) {
    SleepMarkingClock clock;
    clock.counterReadStep = run == 0 ? 1'000 : 5'000;
    SimBoard board(TimeSourceFor(clock));
    RecordingMessages msgs;
    PagerLink link(board, clock, msgs);
    board.eeprom().faults.writeCycleNeverEnds = true;
    std::vector<std::pair<int, int64_t>> opened;
    board.tracing = true;
    EXPECT_FALSE(link.PageWrite(NumberedImage(1), 0, 63,
                                [&](int a) { opened.push_back({a, clock.Now()}); }));
    // The progress of the failing page is shown before the failure is acted on.
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].first, 16);
    const double pollMs = static_cast<double>(opened[1].second - clock.lastSleepEnd) / 1e6;
    EXPECT_GT(pollMs, 500.0);
    EXPECT_LT(pollMs, 503.0);
    attempts[run] = board.eeprom().counters.addressings - 1;
    EXPECT_TRUE(link.TransferError);
    ASSERT_EQ(msgs.Texts(), std::vector<std::string>{"Write error!"});
    EXPECT_EQ(msgs.log[0].icon, MsgIcon::None);
    EXPECT_EQ(board.trace.back().value, 254) << "parked, no STOP";
    EXPECT_EQ(board.eeprom().counters.stops, 1) << "only the STOP that ended page 0";
  }
  EXPECT_GT(attempts[0], attempts[1] + 50);
}

TEST(PageWrite, PagerThatStopsAnsweringKeepsTheEarlierPages) {
  SimRig rig;
  const Image before = SimRig::FactoryPagerImage();
  const Image source = NumberedImage(21);
  // Page 0 costs 2 + 16 acknowledged bytes, page 1 as many; stop in page 2.
  rig.board.eeprom().faults.silentAfterAckedBytes = 2 * 18 + 5;
  EXPECT_FALSE(rig.link.PageWrite(source, 0, 63));
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Write error!"});
  EXPECT_TRUE(rig.link.TransferError);
  rig.link.BusStop();
  rig.board.eeprom().faults.silentAfterAckedBytes = -1;
  const Image after = ReadBack(rig);
  for (int a = 0; a < 64; ++a) ASSERT_EQ(after[a], a < 32 ? source[a] : before[a]) << a;
}

TEST(BlockRead, PagerThatStopsAnsweringFailsWithoutMessageOrPark) {
  SimRig rig;
  // Three acknowledged bytes per block (device, word address, read device).
  rig.board.eeprom().faults.silentAfterAckedBytes = 3 * 5;
  Image read{};
  rig.board.tracing = true;
  std::vector<int> ends;
  EXPECT_FALSE(rig.link.BlockRead(read, 0, ImageLastIndex, [&](int a) { ends.push_back(a); }));
  EXPECT_EQ(ends.size(), 5u);
  EXPECT_TRUE(rig.msgs.log.empty());
  EXPECT_NE(rig.board.trace.back().value, 254);
}

}  // namespace
}  // namespace qrt
