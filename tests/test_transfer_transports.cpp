// The transfers above the transport do not know which one they run on: the
// read, the write with its backup and verify, and their faults come out the
// same on the programming board, a kernel I2C adapter and a CH341A, each on
// its simulated hardware and the same simulated pager.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "codecs/Capcode.h"
#include "editor/Editor.h"
#include "tables/TableFiles.h"
#include "tests/support/SimRig.h"
#include "tests/support/TransportRig.h"
#include "transfer/Transfers.h"

namespace qrt::test {
namespace {

namespace fs = std::filesystem;

class TransfersOnEveryTransport : public ::testing::TestWithParam<TransportKind> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qrt-transports-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    state.KeepBackups = true;
    state.BackupsDir = dir + "/backups";
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    rig->msgs.Clear();
  }
  void TearDown() override { fs::remove_all(dir); }

  TransferResult Run(int mode) {
    state.TransferMode = static_cast<uint8_t>(mode);
    Form2 form(editor, rig->transport(), rig->msgs);
    return form.Form_Activate();
  }
  // Write Mode with the window's image: capcode 1 set, as a table gives it.
  void PrepareWrite(uint32_t capcode) {
    editor.UserEditText({Ctl::txtAddr, 0}, CapcodeText(capcode));
    editor.SetFocus({Ctl::picTabBack, 0});
    editor.WriteOpt_Click();
    rig->msgs.Clear();
  }

  std::unique_ptr<TransportRig> rig = MakeTransportRig(GetParam());
  std::string dir;
  AppState state;
  EditorHost host;
  Editor editor{state, rig->msgs, host};
};

TEST_P(TransfersOnEveryTransport, ReadWriteWithBackupAndVerifyRoundTrip) {
  Image pager = SimRig::FactoryPagerImage();
  StoreCapcode(pager, 0, 765432);
  StoreChecksum(pager);
  rig->chip().memory = pager;
  const TransferResult read = Run(0);
  ASSERT_TRUE(read.succeeded()) << read.message;
  EXPECT_EQ(rig->msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(editor.txtAddr[0].text, "0765432");
  ASSERT_FALSE(read.backupPath.empty());
  EXPECT_EQ(ReadTableFile(read.backupPath).image, pager) << "the backup holds what was read";

  PrepareWrite(1234567);
  const TransferResult written = Run(1);
  ASSERT_TRUE(written.succeeded()) << written.message;
  EXPECT_EQ(rig->msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(ReadTableFile(written.backupPath).image, pager) << "kept before the first page was written";
  EXPECT_EQ(DecodeCapcode(rig->PagerMemory(), 0), 1234567u);
  EXPECT_EQ(rig->PagerMemory(), state.PagerImage);
  // Only the pages that differ: the capcode, the write marker and the checksum.
  EXPECT_EQ(rig->chip().counters.writeCyclesStarted, 3);

  state.TransferMode = 2;
  rig->msgs.Clear();
  EXPECT_TRUE(Run(2).succeeded());
  EXPECT_TRUE(rig->Violations().empty());
  EXPECT_EQ(rig->chip().timing.violations, 0);
}

// The faults every transport can meet, each with the message the window
// shows and the pager left as the fault leaves it.
TEST_P(TransfersOnEveryTransport, FaultsGiveTheirMessagesOnEveryTransport) {
  const Image before = rig->PagerMemory();

  rig->RemoveHardware();
  TransferResult r = Run(0);
  EXPECT_EQ(r.message, "The Board is not responding!");
  EXPECT_FALSE(r.succeeded());
  rig->PlugBackIn();

  PrepareWrite(111);
  rig->chip().faults.nackFirstAddressings = 1000;  // no acknowledge at all
  r = Run(1);
  EXPECT_FALSE(r.succeeded());
  EXPECT_EQ(r.message, "Read error!") << "the whole-pager read comes first";
  EXPECT_EQ(rig->PagerMemory(), before);
  rig->chip().faults = {};

  rig->chip().faults.writeCycleNeverEnds = true;  // the first page's cycle never ends
  r = Run(1);
  EXPECT_FALSE(r.succeeded());
  EXPECT_EQ(r.message, "Write error!");
  rig->chip().faults = {};
  rig->clock.Advance(rig->chip().writeCycleNs);

  if (rig->UnplugAfter(5)) {  // the adapter goes away in the middle of the read
    r = Run(0);
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(r.message, "Read error!");
    rig->PlugBackIn();
  }
  EXPECT_TRUE(rig->Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryTransport, TransfersOnEveryTransport, ::testing::ValuesIn(AllTransportKinds()),
                         [](const auto& row) { return Name(row.param); });

}  // namespace
}  // namespace qrt::test
