// The pager link at both bus speeds against the simulated pager, which holds
// the bus to the EEPROM's 100 kHz timing: the phases the chip measures, whole
// transfers, a bus too fast for the chip, and the polled write cycle.
#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "link/PagerLink.h"
#include "tests/support/SimRig.h"
#include "tests/transfer_rig.h"

namespace qrt {
namespace {

using test::SimRig;

Image RandomImage(uint32_t seed) {
  std::mt19937 gen(seed);
  Image image{};
  for (auto& b : image) b = static_cast<uint8_t>(gen());
  return image;
}

// Each phase the chip measures: the data sheet's minimum and the shortest seen.
struct PhaseFigure {
  const char* name;
  int64_t least;
  int64_t seen;
};

std::vector<PhaseFigure> Figures(const SimEeprom& chip) {
  const SimTimingRules& r = chip.rules;
  const SimTimingStats& t = chip.timing;
  return {{"clock high", r.clockHighNs, t.clockHighNs},   {"clock low", r.clockLowNs, t.clockLowNs},
          {"data set-up", r.dataSetupNs, t.dataSetupNs},  {"START set-up", r.startSetupNs, t.startSetupNs},
          {"START hold", r.startHoldNs, t.startHoldNs},   {"STOP set-up", r.stopSetupNs, t.stopSetupNs},
          {"bus free", r.busFreeNs, t.busFreeNs}};
}

// Page write of image[0..last], then the verify's sequential read of it.
bool WriteAndVerify(PagerLink& link, const Image& image, int last) {
  if (!link.PageWrite(image, 0, last)) return false;
  link.BusStop();
  const auto result = link.SequentialRead(0, last, [&](int a, uint8_t v) { return v == image[a]; });
  link.BusStop();
  return result == PagerLink::SeqResult::Completed;
}

TEST(BusSpeed, StandardIsTheDefaultAndTheChipSeesItsBitDelays) {
  SimRig rig;
  EXPECT_EQ(rig.link.busSpeed(), BusSpeed::Standard);
  const Image image = RandomImage(1);
  ASSERT_TRUE(WriteAndVerify(rig.link, image, 63));
  EXPECT_EQ(rig.clock.sleepCalls, 3) << "10 ms between the four pages";
  const SimEeprom& chip = rig.board.eeprom();
  EXPECT_EQ(chip.timing.violations, 0);
  // One bit delay lasts 25 us and a counter step or two on the virtual clock.
  for (const auto& f : Figures(chip)) EXPECT_GT(f.seen, 25'000) << f.name;
  EXPECT_LT(chip.timing.clockHighNs, 28'000);
  EXPECT_LT(chip.timing.clockLowNs, 28'000);
}

TEST(BusSpeed, FastKeepsEveryPhaseAtItsMinimumThroughAWholeImage) {
  SimRig rig;
  rig.clock.counterReadStep = 20;  // fine enough to tell 250 ns from 230
  rig.link.SetBusSpeed(BusSpeed::Fast);
  const Image image = RandomImage(2);
  ASSERT_TRUE(WriteAndVerify(rig.link, image, ImageLastIndex));
  Image back{};
  ASSERT_TRUE(rig.link.BlockRead(back, 0, ImageLastIndex));
  EXPECT_EQ(back, image);
  EXPECT_TRUE(rig.msgs.log.empty());
  EXPECT_EQ(rig.clock.sleepCalls, 0) << "the write cycles are polled, not slept through";

  const SimEeprom& chip = rig.board.eeprom();
  EXPECT_EQ(chip.timing.violations, 0);
  for (const auto& f : Figures(chip)) {
    EXPECT_GE(f.seen, f.least) << f.name;
    // And no longer than needed, but for the bus free time: that is the
    // STOP's own wait and the next START's set-up together.
    if (std::string_view(f.name) != "bus free") {
      EXPECT_LT(f.seen, f.least + 200) << f.name;
    }
  }
}

TEST(BusSpeed, FastCarriesTheDialogsWriteVerifyAndRead) {
  test::TransferRig rig;
  rig.link.SetBusSpeed(BusSpeed::Fast);
  rig.editor.WriteOpt_Click();
  Image used = SimRig::FactoryPagerImage();
  for (int i = 0; i < kImageSize; ++i)
    if (i != addr::kHardwareVariant) used[i] = static_cast<uint8_t>(used[i] + 1);
  rig.LoadPager(used);
  rig.Dialog(1)->Form_Activate();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(rig.PagerMemory(), rig.state.PagerImage);
  rig.msgs.Clear();
  rig.Dialog(0)->Form_Activate();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(rig.board.eeprom().timing.violations, 0);
}

TEST(BusSpeed, ABusTooFastForTheChipLosesBitsAndFailsTheVerify) {
  struct Case {
    const char* name;
    void (*shorten)(BusTiming&);
    int64_t SimTimingStats::*seen;
    int64_t SimTimingRules::*least;
  };
  const Case cases[] = {
      {"clock high", [](BusTiming& t) { t.clockHighNs = 3'500; }, &SimTimingStats::clockHighNs,
       &SimTimingRules::clockHighNs},
      {"clock low", [](BusTiming& t) { t.clockLowNs = 4'200; }, &SimTimingStats::clockLowNs,
       &SimTimingRules::clockLowNs},
      {"data set-up", [](BusTiming& t) { t.dataSetupNs = 0; }, &SimTimingStats::dataSetupNs,
       &SimTimingRules::dataSetupNs},
      {"START set-up", [](BusTiming& t) { t.startSetupNs = 3'000; }, &SimTimingStats::startSetupNs,
       &SimTimingRules::startSetupNs},
      {"START hold", [](BusTiming& t) { t.startHoldNs = 3'000; }, &SimTimingStats::startHoldNs,
       &SimTimingRules::startHoldNs},
      {"STOP set-up", [](BusTiming& t) { t.stopSetupNs = 3'000; }, &SimTimingStats::stopSetupNs,
       &SimTimingRules::stopSetupNs},
      {"bus free",
       [](BusTiming& t) {
         t.busFreeNs = 0;
         t.startSetupNs = 2'000;
       },
       &SimTimingStats::busFreeNs, &SimTimingRules::busFreeNs},
  };
  for (const auto& c : cases) {
    SimRig rig;
    rig.clock.counterReadStep = 50;
    BusTiming timing = BusTiming::For(BusSpeed::Fast);
    c.shorten(timing);
    rig.link.SetBusTiming(timing);
    EXPECT_FALSE(WriteAndVerify(rig.link, RandomImage(3), 63)) << c.name;
    const SimEeprom& chip = rig.board.eeprom();
    EXPECT_GT(chip.timing.violations, 0) << c.name;
    EXPECT_LT(chip.timing.*c.seen, chip.rules.*c.least) << c.name;
  }
}

TEST(BusSpeed, FastPageWriteWaitsAsLongAsTheWriteCycleLasts) {
  const int64_t cycleNs[] = {1'500'000, 5'000'000};
  double msPerPage[2] = {};
  for (int i = 0; i < 2; ++i) {
    SimRig rig;
    rig.clock.counterReadStep = 20;
    rig.link.SetBusSpeed(BusSpeed::Fast);
    rig.board.eeprom().writeCycleNs = cycleNs[i];
    const int64_t start = rig.clock.Now();
    ASSERT_TRUE(rig.link.PageWrite(RandomImage(4), 0, 255));
    msPerPage[i] = static_cast<double>(rig.clock.Now() - start) / 16e6;
    // Back only once the last page is stored: the verify can start at once.
    EXPECT_FALSE(rig.board.eeprom().Busy());
    EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, 16);
    EXPECT_EQ(rig.clock.sleepCalls, 0);
    // A page: its write cycle, its 18 bytes on the bus (about 1.45 ms) and
    // no more than one polling attempt (about 0.1 ms).
    const double cycleMs = static_cast<double>(cycleNs[i]) / 1e6;
    EXPECT_GT(msPerPage[i], cycleMs + 1.4);
    EXPECT_LT(msPerPage[i], cycleMs + 1.7);
  }
  EXPECT_NEAR(msPerPage[1] - msPerPage[0], 3.5, 0.1);
}

TEST(BusSpeed, FastPageWriteStillGivesUpAfter500MsWhenTheCycleNeverEnds) {
  // One page: the poll after its STOP gives up; two: the second page's opening.
  for (const int last : {15, 31}) {
    SimRig rig;
    rig.link.SetBusSpeed(BusSpeed::Fast);
    rig.board.eeprom().faults.writeCycleNeverEnds = true;
    const int64_t start = rig.clock.Now();
    EXPECT_FALSE(rig.link.PageWrite(RandomImage(5), 0, last)) << last;
    // The first page, 500 ms of polling, then the park's 100 ms.
    const double ms = static_cast<double>(rig.clock.Now() - start) / 1e6;
    EXPECT_GT(ms, 600.0) << last;
    EXPECT_LT(ms, 606.0) << last;
    EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Write error!"}) << last;
    EXPECT_TRUE(rig.link.TransferError);
    EXPECT_EQ(rig.link.PortShadow, 254) << "parked";
  }
}

TEST(BusSpeed, DetectionAndParkingKeepTheirTimingAtFast) {
  std::vector<SimBoard::TraceEntry> traces[2];
  for (int i = 0; i < 2; ++i) {
    SimRig rig;
    if (i == 1) rig.link.SetBusSpeed(BusSpeed::Fast);
    rig.board.tracing = true;
    ASSERT_TRUE(rig.link.DetectBoard());
    rig.link.ParkBus();
    traces[i] = rig.board.trace;
    EXPECT_EQ(rig.link.busSpeed(), i == 1 ? BusSpeed::Fast : BusSpeed::Standard);
  }
  ASSERT_EQ(traces[0].size(), traces[1].size());
  for (size_t k = 0; k < traces[0].size(); ++k) {
    EXPECT_EQ(traces[1][k].value, traces[0][k].value) << "write " << k;
    EXPECT_EQ(traces[1][k].timeNs, traces[0][k].timeNs) << "write " << k;
  }
}

}  // namespace
}  // namespace qrt
