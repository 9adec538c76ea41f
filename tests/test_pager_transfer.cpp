// The transfers without an editor or a dialog: plain images in, results out,
// against the simulated pager on virtual time.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/StopRequest.h"
#include "codecs/Capcode.h"
#include "station/ProductionLine.h"
#include "tests/support/SimRig.h"
#include "transfer/PagerTransfer.h"

namespace qrt::test {
namespace {

struct SeenProgress : TransferProgress {
  void Phase(const char* label, int, int, bool) override { phases.emplace_back(label); }
  void Step(int value) override {
    if (onStep) onStep(value);
  }
  void CapcodesGiven(const Image& image) override { given.push_back(DecodeCapcode(image, 0)); }
  std::vector<std::string> phases;
  std::vector<uint32_t> given;
  std::function<void(int)> onStep;
};

struct TransferRig : SimRig {
  TransferRig() {
    transfer.SetProgress(&progress);
    // The band list as the pager's hardware wants it: no question asked.
    options.listOnGp = FactoryPagerImage()[addr::kHardwareVariant] == 0;
    transfer.SetOptions(options);
  }
  TransferOptions options;
  SeenProgress progress;
  PagerTransfer transfer{link, msgs};
};

TEST(PagerTransfer, WritesReadsBackAndVerifiesAnImage) {
  TransferRig rig;
  Image image = SimRig::FactoryPagerImage();
  const uint8_t own = image[addr::kPagerOwnByte];
  image[addr::kPagerOwnByte] = static_cast<uint8_t>(own ^ 0xFF);  // the pager keeps its own
  StoreCapcode(image, 0, 1234567);

  const TransferResult written = rig.transfer.Write(image);
  ASSERT_TRUE(written.succeeded()) << written.message;
  ASSERT_TRUE(written.image);
  EXPECT_EQ((*written.image)[addr::kPagerOwnByte], own);
  EXPECT_EQ(written.ownByte, own);
  EXPECT_EQ((*written.image)[addr::kWriteMarker], 1);
  EXPECT_TRUE(ChecksumMatches(*written.image));
  EXPECT_EQ(rig.PagerMemory(), *written.image);

  const TransferResult read = rig.transfer.Read();
  ASSERT_TRUE(read.succeeded()) << read.message;
  EXPECT_EQ(read.image, written.image);
  EXPECT_EQ(read.identText.substr(0, 5), "QRT35");
  EXPECT_TRUE(rig.transfer.Verify(*written.image).succeeded());

  EXPECT_EQ(rig.msgs.Texts(), (std::vector<std::string>{"Verify Success!", "Read success!", "Verify Success!"}));
  EXPECT_EQ(rig.progress.phases, (std::vector<std::string>{"Writing Now.......", "Verifying Now.....",
                                                           "Reading Now.......", "Verifying Now....."}));
}

TEST(PagerTransfer, BatchPagersGoOutWithTheCapcodesTheLineGives) {
  TransferRig rig;
  production::SharedCapcodes shared(1000, 2000, true, false);
  production::ProductionLine line(nullptr, "sim", rig.msgs);
  line.SetSharedCapcodes(&shared);
  rig.transfer.SetObserver(&line);
  ASSERT_EQ(rig.transfer.OpenBatch().outcome, TransferOutcome::Waiting);

  const Image table = SimRig::FactoryPagerImage();
  for (uint32_t expected : {1000u, 1001u}) {
    const TransferResult pager = rig.transfer.BatchStep(table);
    ASSERT_TRUE(pager.succeeded()) << pager.message;
    EXPECT_EQ(DecodeCapcode(*pager.image, 0), expected);
    EXPECT_EQ(DecodeCapcode(*pager.image, 1), 2000u) << "the capcode that does not go up is every pager's";
    EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), expected);
    EXPECT_EQ(rig.progress.given.back(), expected) << "the batch labels show the capcode going out";
  }
  EXPECT_EQ(DecodeCapcode(table, 0), DecodeCapcode(SimRig::FactoryPagerImage(), 0)) << "the caller's image is its own";
}

TEST(PagerTransfer, AStopRequestEndsAWriteAfterItsPageAndAReadBeforeTakingAnything) {
  TransferRig rig;
  StopRequest stop;
  rig.options.stop = &stop;
  rig.transfer.SetOptions(rig.options);
  rig.progress.onStep = [&](int address) {
    if (address >= 0x200) stop.RequestAtLeast(StopRequest::kStopNow);
  };
  const Image before = rig.PagerMemory();
  Image image = before;
  image[0x700] = static_cast<uint8_t>(image[0x700] ^ 0xFF);

  const TransferResult write = rig.transfer.Write(image);
  EXPECT_EQ(write.outcome, TransferOutcome::Interrupted);
  EXPECT_EQ(write.message, kMsgInterrupted);
  EXPECT_EQ(rig.PagerMemory()[0x700], before[0x700]) << "no page after the stop is sent";
  EXPECT_EQ(rig.PagerMemory()[0x200], (*write.image)[0x200]) << "the page under way is whole";

  bool taken = false;
  const TransferResult read = rig.transfer.Read({[&](const Image&) {
                                                   taken = true;
                                                   return std::string();
                                                 },
                                                 {}});
  EXPECT_EQ(read.outcome, TransferOutcome::Interrupted);
  EXPECT_FALSE(taken) << "nothing half read is handed over";
  EXPECT_EQ(rig.msgs.Texts(), (std::vector<std::string>{kMsgInterrupted, kMsgInterrupted}));
}

}  // namespace
}  // namespace qrt::test
