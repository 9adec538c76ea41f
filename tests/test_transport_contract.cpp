// What every transport promises the transfers, tried on each one against the
// same simulated 24C16: the parallel-port board, kernel I2C adapters at 100
// and 400 kHz, and the CH341A at both its speeds. The emulators refuse any
// request that breaks their protocol; every test ends by checking none was
// refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TransportRig.h"

namespace qrt {
namespace {

using test::TransportKind;
using test::TransportRig;

// A different byte at every address, so a wrong block bit or an address
// counter that does not run on shows up as a wrong value.
Image NumberedImage(uint32_t seed) {
  std::mt19937 gen(seed);
  Image image{};
  for (auto& b : image) b = static_cast<uint8_t>(gen());
  return image;
}

class TransportContract : public ::testing::TestWithParam<TransportKind> {
 protected:
  void SetUp() override { rig = test::MakeTransportRig(GetParam()); }
  void TearDown() override { EXPECT_EQ(rig->Violations(), std::vector<std::string>{}); }
  // A new rig for the next case of a table, once the last one has been checked.
  void FreshRig() {
    TearDown();
    rig = test::MakeTransportRig(GetParam());
  }

  PagerTransport& t() { return rig->transport(); }
  SimEeprom& chip() { return rig->chip(); }
  void ExpectOnly(const std::string& text, MsgIcon icon) {
    ASSERT_EQ(rig->msgs.Texts(), std::vector<std::string>{text});
    EXPECT_EQ(rig->msgs.log[0].icon, icon);
    rig->msgs.Clear();
  }

  std::unique_ptr<TransportRig> rig;
};

TEST_P(TransportContract, WholeImageRoundTrip) {
  const Image written = NumberedImage(7);
  std::vector<int> opened;
  ASSERT_TRUE(t().PageWrite(written, 0, ImageLastIndex, [&](int a) { opened.push_back(a); }));
  t().BusStop();
  ASSERT_EQ(opened.size(), 128u);
  EXPECT_EQ(opened.front(), 0);
  EXPECT_EQ(opened.back(), 2032);
  EXPECT_EQ(chip().counters.writeCyclesStarted, 128);
  EXPECT_EQ(rig->PagerMemory(), written);

  Image read{};
  std::vector<int> blockEnds;
  ASSERT_TRUE(t().BlockRead(read, 0, ImageLastIndex, [&](int a) { blockEnds.push_back(a); }));
  EXPECT_EQ(read, written);
  ASSERT_EQ(blockEnds.size(), 127u);
  EXPECT_EQ(blockEnds.front(), 15);
  EXPECT_EQ(blockEnds.back(), 2031);

  Image streamed{};
  int next = 0;
  const auto result = t().SequentialRead(0, ImageLastIndex, [&](int a, uint8_t v) {
    EXPECT_EQ(a, next++);
    streamed[a] = v;
    return true;
  });
  EXPECT_EQ(result, PagerTransport::SeqResult::Completed);
  EXPECT_EQ(streamed, written);

  for (const int a : {0x000, 0x0E9, 0x100, 0x3E1, 0x5A5, 0x700, 0x7FF}) EXPECT_EQ(t().eep_read1(a), written[a]) << a;
  EXPECT_TRUE(rig->msgs.log.empty());
  EXPECT_FALSE(t().TransferError);
  EXPECT_TRUE(rig->BusAtRest());
  // Every transport keeps to the data sheet's timing for its bus speed.
  EXPECT_EQ(chip().timing.violations, 0);
}

// The probe a socket is watched with: a pager that is there answers, one that is
// silent (missing, storing a page) does not; the probe stores nothing.
TEST_P(TransportContract, PagerProbeAsksTheDeviceAddressAndTouchesNothing) {
  ASSERT_TRUE(t().DetectBoard());
  const Image before = rig->PagerMemory();
  const int cycles = chip().counters.writeCyclesStarted;
  EXPECT_TRUE(t().PagerAnswers());
  chip().faults.nackFirstAddressings = chip().counters.addressings + 1;  // a pager pulled out, for one probe
  EXPECT_FALSE(t().PagerAnswers());
  EXPECT_TRUE(t().PagerAnswers());
  // A page being stored (an adapter's write waits for it and fails).
  chip().faults.writeCycleNeverEnds = true;
  t().PageWrite(NumberedImage(3), 0, 15);
  t().BusStop();
  EXPECT_FALSE(t().PagerAnswers());
  chip().faults.writeCycleNeverEnds = false;
  rig->clock.Sleep(10);
  EXPECT_TRUE(t().PagerAnswers());
  EXPECT_EQ(chip().counters.writeCyclesStarted, cycles + 1) << "only the page written";
  EXPECT_TRUE(std::equal(before.begin() + 16, before.end(), rig->PagerMemory().begin() + 16));
  EXPECT_TRUE(rig->BusAtRest());
  rig->msgs.Clear();
}

TEST_P(TransportContract, PartialRangesTouchOnlyTheirBytes) {
  const struct {
    int first, last;
  } cases[] = {{5, 40}, {0x0F0, 0x110}, {0x7F0, 0x7FF}, {100, 100}, {30, 32}};
  const Image source = NumberedImage(9);
  for (const auto& c : cases) {
    FreshRig();
    const Image before = rig->PagerMemory();
    ASSERT_TRUE(t().PageWrite(source, c.first, c.last));
    t().BusStop();
    Image read{};
    ASSERT_TRUE(t().BlockRead(read, c.first, c.last));
    const Image& after = rig->PagerMemory();
    for (int a = 0; a <= ImageLastIndex; ++a) {
      const bool inside = a >= c.first && a <= c.last;
      ASSERT_EQ(after[a], inside ? source[a] : before[a]) << "address " << a << " of " << c.first << ".." << c.last;
      ASSERT_EQ(read[a], inside ? source[a] : 0) << "address " << a << " of " << c.first << ".." << c.last;
    }
    EXPECT_TRUE(rig->msgs.log.empty());
  }
}

TEST_P(TransportContract, RangesOutsideTheImageTouchNothing) {
  Image image{};
  const int starts = chip().counters.starts;
  EXPECT_FALSE(t().BlockRead(image, -1, 10));
  EXPECT_FALSE(t().BlockRead(image, 10, 2048));
  EXPECT_FALSE(t().BlockRead(image, 20, 10));
  EXPECT_EQ(t().SequentialRead(0, 2048, {}), PagerTransport::SeqResult::AddressingFailed);
  EXPECT_FALSE(t().TransferError);
  EXPECT_FALSE(t().PageWrite(image, 2000, 2100));
  EXPECT_TRUE(t().TransferError);
  EXPECT_EQ(chip().counters.starts, starts);
  EXPECT_TRUE(rig->msgs.log.empty());
}

TEST_P(TransportContract, MissingBoardOrAdapterIsReportedAtEveryDetection) {
  EXPECT_TRUE(t().DetectBoard());
  EXPECT_TRUE(rig->msgs.log.empty());
  rig->RemoveHardware();
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(t().DetectBoard());
    ExpectOnly("The Board is not responding!", MsgIcon::Warning);
  }
  rig->PlugBackIn();
  EXPECT_TRUE(t().DetectBoard());
  EXPECT_EQ(t().eep_read1(0x3E1), chip().memory[0x3E1]);
  EXPECT_TRUE(rig->msgs.log.empty());
}

TEST_P(TransportContract, AddressingNackedWhileBusyIsRetried) {
  chip().faults.nackFirstAddressings = 9;
  chip().memory[0x3E1] = 'Q';
  EXPECT_EQ(t().eep_read1(0x3E1), 'Q');
  EXPECT_FALSE(t().TransferError);
  EXPECT_TRUE(rig->msgs.log.empty());
}

TEST_P(TransportContract, PagerThatNeverAnswers) {
  chip().faults.silentAfterAckedBytes = 0;

  EXPECT_EQ(t().eep_read1(0x3E1), 0);
  EXPECT_TRUE(t().TransferError);
  ExpectOnly("Read error!", MsgIcon::None);
  EXPECT_TRUE(rig->BusAtRest()) << "parked";

  Image image{};
  EXPECT_FALSE(t().BlockRead(image, 0, ImageLastIndex));
  bool called = false;
  EXPECT_EQ(t().SequentialRead(0, ImageLastIndex, [&](int, uint8_t) { return called = true; }),
            PagerTransport::SeqResult::AddressingFailed);
  EXPECT_FALSE(called);
  EXPECT_TRUE(rig->msgs.log.empty()) << "the callers report these";
  t().ParkBus();
  EXPECT_TRUE(rig->BusAtRest());

  t().TransferError = false;
  const int64_t start = rig->clock.Now();
  std::vector<std::pair<int, int64_t>> opened;
  EXPECT_FALSE(t().PageWrite(NumberedImage(1), 0, 63, [&](int a) { opened.push_back({a, rig->clock.Now()}); }));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, 0);
  const double pollMs = static_cast<double>(opened[0].second - start) / 1e6;
  EXPECT_GT(pollMs, 500.0) << "gives up after 500 ms of clock time";
  EXPECT_LT(pollMs, 505.0);
  EXPECT_TRUE(t().TransferError);
  ExpectOnly("Write error!", MsgIcon::None);
  EXPECT_TRUE(rig->BusAtRest());
  EXPECT_EQ(chip().counters.writeCyclesStarted, 0);
}

TEST_P(TransportContract, PagerThatStopsAnsweringMidWriteKeepsTheEarlierPages) {
  // Quiet 3 data bytes into the first, a middle and the last of 16 pages
  // (device byte, word address and 16 data bytes acknowledged per page).
  for (const int page : {0, 5, 15}) {
    FreshRig();
    const Image before = rig->PagerMemory();
    const Image source = NumberedImage(21);
    chip().faults.silentAfterAckedBytes = 18 * page + 5;
    EXPECT_FALSE(t().PageWrite(source, 0, 255)) << "page " << page;
    EXPECT_TRUE(t().TransferError);
    ExpectOnly("Write error!", MsgIcon::None);
    EXPECT_TRUE(rig->BusAtRest());
    chip().faults.silentAfterAckedBytes = -1;
    const Image& after = rig->PagerMemory();
    for (int a = 0; a < 256; ++a) ASSERT_EQ(after[a], a < page * 16 ? source[a] : before[a]) << page << ": " << a;
  }
}

TEST_P(TransportContract, PagerThatStopsAnsweringMidReadFailsTheBlockRead) {
  // Device byte, word address and read device byte per block: quiet from block 5.
  chip().faults.silentAfterAckedBytes = 3 * 5;
  Image read{};
  std::vector<int> ends;
  EXPECT_FALSE(t().BlockRead(read, 0, ImageLastIndex, [&](int a) { ends.push_back(a); }));
  EXPECT_EQ(ends, (std::vector<int>{15, 31, 47, 63, 79}));
  EXPECT_TRUE(rig->msgs.log.empty());
  t().ParkBus();
  EXPECT_TRUE(rig->BusAtRest());
}

TEST_P(TransportContract, WriteCycleThatNeverEndsFailsTheNextPage) {
  const Image before = rig->PagerMemory();
  const Image source = NumberedImage(3);
  chip().faults.writeCycleNeverEnds = true;
  std::vector<int> opened;
  EXPECT_FALSE(t().PageWrite(source, 0, 63, [&](int a) { opened.push_back(a); }));
  EXPECT_EQ(opened, (std::vector<int>{0, 16}));
  ExpectOnly("Write error!", MsgIcon::None);
  chip().faults.writeCycleNeverEnds = false;
  const Image& after = rig->PagerMemory();
  for (int a = 0; a < 64; ++a) ASSERT_EQ(after[a], a < 16 ? source[a] : before[a]) << a;
}

TEST_P(TransportContract, AcknowledgePollingRidesOutASlowWriteCycle) {
  chip().writeCycleNs = 60'000'000;
  const Image source = NumberedImage(13);
  ASSERT_TRUE(t().PageWrite(source, 0, 47));
  t().BusStop();
  const Image& after = rig->PagerMemory();
  for (int a = 0; a < 48; ++a) ASSERT_EQ(after[a], source[a]) << a;
  EXPECT_TRUE(rig->msgs.log.empty());
}

TEST_P(TransportContract, SequentialReadStoppedEarlyLeavesTheBusUsable) {
  chip().memory = NumberedImage(5);
  const Image expected = chip().memory;
  std::vector<int> seen;
  const auto result = t().SequentialRead(0x100, 0x1FF, [&](int a, uint8_t v) {
    seen.push_back(a);
    return !(a == 0x123 && v == expected[a]);
  });
  EXPECT_EQ(result, PagerTransport::SeqResult::Stopped);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 0x123);
  EXPECT_EQ(seen.size(), 0x24u);
  EXPECT_TRUE(rig->BusAtRest());
  EXPECT_EQ(t().eep_read1(0x1FF), expected[0x1FF]);
  EXPECT_TRUE(rig->msgs.log.empty());
}

// A write stopped at a page, whether it sends that page or the pager holds
// it already: the pages before are whole in the pager (the one waiting in
// the EEPROM's buffer too), nothing after the stop, the page at the stop
// whole or untouched (an adapter has sent it by then), nothing reported and
// the bus at rest and usable. A stopped block read keeps what it read.
TEST_P(TransportContract, StoppedWriteAndReadEndBetweenPagesAndBlocks) {
  for (const bool pagerHoldsTheStopPage : {false, true}) {
    FreshRig();
    const Image before = rig->PagerMemory();
    Image source = NumberedImage(21);
    if (pagerHoldsTheStopPage) std::copy(before.begin() + 0x40, before.begin() + 0x50, source.begin() + 0x40);
    const auto result = t().StoppablePageWrite(source, 0, 127, [](int a) { return a != 0x40; },
                                               pagerHoldsTheStopPage ? &before : nullptr);
    EXPECT_EQ(result, PagerTransport::StepResult::Stopped);
    EXPECT_TRUE(rig->BusAtRest());
    const Image after = rig->PagerMemory();
    for (int a = 0; a < 128; ++a) {
      if (a >= 0x40 && a < 0x50) continue;  // the page at the stop, below
      ASSERT_EQ(after[a], a < 0x40 ? source[a] : before[a]) << a;
    }
    EXPECT_TRUE(std::equal(after.begin() + 0x40, after.begin() + 0x50, source.begin() + 0x40) ||
                std::equal(after.begin() + 0x40, after.begin() + 0x50, before.begin() + 0x40));
    Image read{};
    EXPECT_EQ(t().StoppableBlockRead(read, 0, ImageLastIndex, [](int a) { return a != 0x2F; }),
              PagerTransport::StepResult::Stopped);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 0x30, after.begin()) && read[0x30] == 0);
    EXPECT_TRUE(rig->BusAtRest());
    EXPECT_EQ(t().eep_read1(0x7FF), after[0x7FF]);
    EXPECT_FALSE(t().TransferError);
    EXPECT_TRUE(rig->msgs.log.empty());
  }
}

TEST_P(TransportContract, AdapterUnpluggedMidTransfer) {
  if (!rig->UnplugAfter(40)) GTEST_SKIP() << "the parallel port cannot be unplugged from the program's side";
  const Image before = rig->PagerMemory();
  EXPECT_FALSE(t().PageWrite(NumberedImage(4), 0, ImageLastIndex));
  EXPECT_TRUE(t().TransferError);
  ExpectOnly("Write error!", MsgIcon::None);
  t().BusStop();
  EXPECT_FALSE(t().DetectBoard());
  ExpectOnly("The Board is not responding!", MsgIcon::Warning);

  rig->PlugBackIn();
  ASSERT_TRUE(t().DetectBoard());
  rig->UnplugAfter(10);
  Image read{};
  EXPECT_FALSE(t().BlockRead(read, 0, ImageLastIndex));
  EXPECT_TRUE(rig->msgs.log.empty());

  // What was written before it went is there; nothing after.
  rig->PlugBackIn();
  ASSERT_TRUE(t().DetectBoard());
  ASSERT_TRUE(t().BlockRead(read, 0, ImageLastIndex));
  EXPECT_NE(read, before);
  EXPECT_TRUE(std::equal(read.end() - 16, read.end(), before.end() - 16)) << "the last page is untouched";
}

INSTANTIATE_TEST_SUITE_P(EveryTransport, TransportContract, ::testing::ValuesIn(test::AllTransportKinds()),
                         [](const ::testing::TestParamInfo<TransportKind>& p) { return test::Name(p.param); });

}  // namespace
}  // namespace qrt
