// The production line around the transfer dialog's model, on the simulated
// pager and a SQLite record of its own: what each transfer leaves in the
// record, the capcodes a batch takes from the allocation, and what refuses a
// write before the pager is touched.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>

#include "editor/Capcode.h"
#include "production/ProductionLine.h"
#include "tests/transfer_rig.h"

namespace qrt::test {
namespace {

namespace fs = std::filesystem;
using production::Outcome;
using production::Operation;
using production::ProductionLine;
using production::ProductionRecord;
using production::ProductionStore;

struct Folder {
  Folder() {
    char pattern[] = "/tmp/qrt-line-XXXXXX";
    path = ::mkdtemp(pattern) ? pattern : "";
  }
  ~Folder() { fs::remove_all(path); }
  std::string path;
};

struct LineRig : TransferRig {
  explicit LineRig(ProductionStore* store) : line(store, "sim", msgs) { msgs.defaultAnswer = true; }
  // One transfer of `mode`, with the line around it.
  TransferResult Run(int mode) {
    auto form = Dialog(mode);
    form->SetObserver(&line);
    return form->Form_Activate();
  }
  ProductionLine line;
};

std::unique_ptr<ProductionStore> OpenStore(const Folder& folder) {
  auto opened = ProductionStore::Open(folder.path + "/production.sqlite");
  EXPECT_TRUE(opened.ok()) << opened.error;
  return std::move(opened.value);
}

std::vector<ProductionRecord> Records(ProductionStore& store) {
  auto all = store.Query({});
  EXPECT_TRUE(all.ok()) << all.error;
  return {all.value.rbegin(), all.value.rend()};  // oldest first
}

TEST(ProductionLine, RecordsAReadABatchOfThreeFromTheAllocationAndAFailedWrite) {
  Folder folder;
  auto store = OpenStore(folder);
  LineRig rig(store.get());

  ASSERT_TRUE(rig.Run(0).succeeded());  // Pager > Read

  rig.line.SetAllocation({{1, 1000, 1099}});
  rig.editor.UserSetCheck({Ctl::optAuto1, 0}, 1);
  rig.editor.WriteOpt_Click();
  auto batch = rig.Dialog(1);
  batch->SetObserver(&rig.line);
  ASSERT_EQ(batch->Form_Activate().outcome, TransferOutcome::Waiting);
  for (int pager = 0; pager < 3; ++pager) {
    ASSERT_TRUE(batch->cmdWrite_Click().succeeded()) << pager;
    EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), 1000u + pager) << "the allocation, not the table, gave it";
  }
  EXPECT_EQ(rig.editor.txtAddr[0].text, "0001002") << "the batch adds nothing itself";

  // The chip goes quiet in the first page the next pager is sent (after the
  // whole-pager read, three acknowledged bytes per block): its capcode goes back.
  rig.board.eeprom().faults.silentAfterAckedBytes = rig.board.eeprom().counters.bytesAcked + 3 * 128 + 5;
  const TransferResult failed = batch->cmdWrite_Click();
  EXPECT_EQ(failed.message, "Write error!");
  rig.board.eeprom().faults = {};
  ASSERT_TRUE(batch->cmdWrite_Click().succeeded());
  EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), 1003u) << "the failed pager's capcode is handed out again";

  const std::vector<ProductionRecord> records = Records(*store);
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0].operation, Operation::Read);
  EXPECT_EQ(records[0].outcome, Outcome::Ok);
  EXPECT_EQ(records[0].message, "Read success!");
  EXPECT_EQ(records[0].model, "QRT35");
  EXPECT_EQ(records[0].imageSha256.size(), 64u);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(records[i].operation, Operation::Batch);
    EXPECT_EQ(records[i].outcome, Outcome::Ok);
    EXPECT_EQ(records[i].message, "Verify Success!");
    EXPECT_EQ(records[i].capcodes[0].capcode, 999u + i);
    EXPECT_TRUE(records[i].capcodes[0].enabled);
    EXPECT_EQ(records[i].port, "sim");
  }
  EXPECT_EQ(records[4].outcome, Outcome::Failed);
  EXPECT_EQ(records[4].message, "Write error!");
  EXPECT_EQ(records[5].capcodes[0].capcode, 1003u);
}

// Nothing reaches the pager when the line cannot give it what it needs: a
// used-up range, a capcode switched off, an earlier pager's capcode the
// operator does not want twice.
TEST(ProductionLine, WhatRefusesAWriteLeavesThePagerUntouched) {
  Folder folder;
  auto store = OpenStore(folder);
  LineRig rig(store.get());
  rig.editor.WriteOpt_Click();
  const Image before = rig.PagerMemory();
  const auto refused = [&](const std::string& why) {
    rig.msgs.Clear();
    const TransferResult r = rig.Run(1);
    EXPECT_FALSE(r.succeeded()) << why;
    EXPECT_EQ(rig.board.eeprom().counters.writeCyclesStarted, 0) << why;
    EXPECT_EQ(rig.PagerMemory(), before) << why;
    EXPECT_FALSE(rig.msgs.log.empty()) << why;
    return rig.msgs.log.empty() ? std::string() : rig.msgs.log.back().text;
  };

  rig.line.SetAllocation({{1, 2007664, 2007671}});
  EXPECT_NE(refused("idle codewords only").find("used up"), std::string::npos);
  rig.line.SetAllocation({{2, 5000, 5010}});
  EXPECT_NE(refused("capcode 2 alone").find("every pager would get the same capcode 1"), std::string::npos);
  rig.line.SetAllocation({{1, 5000, 5010}, {2, 6000, 6010}});
  EXPECT_NE(refused("capcode 2 off").find("Capcode 2 is switched off"), std::string::npos);

  // A capcode already written to another pager: the window asks.
  rig.line.SetAllocation({});
  ProductionRecord earlier;
  earlier.operation = Operation::Write;
  earlier.outcome = Outcome::Ok;
  FillFromImage(earlier, rig.state.PagerImage);
  ASSERT_TRUE(store->Record(earlier).ok());
  rig.line.askBeforeRewriting = true;
  rig.msgs.answers = {false};
  EXPECT_NE(refused("asked").find(" was already written to a pager on "), std::string::npos);
  rig.msgs.answers = {true};
  EXPECT_TRUE(rig.Run(1).succeeded());
  EXPECT_EQ(Records(*store).back().outcome, Outcome::Ok);
}

// Two ports of one batch without an allocation share one counter: every
// pager gets capcodes of its own, and a failed one's go to the next pager.
TEST(ProductionLine, PortsOfOneBatchShareTheirCapcodes) {
  production::SharedCapcodes shared(4000, 9000, true, true);
  LineRig a(nullptr), b(nullptr);
  std::set<uint32_t> given;
  for (LineRig* rig : {&a, &b}) {
    rig->line.SetSharedCapcodes(&shared);
    rig->editor.WriteOpt_Click();
  }
  b.board.eeprom().faults.silentAfterAckedBytes = 100;
  EXPECT_FALSE(b.Run(1).succeeded());
  b.board.eeprom().faults = {};
  for (int round = 0; round < 3; ++round)
    for (LineRig* rig : {&a, &b}) {
      ASSERT_TRUE(rig->Run(1).succeeded());
      const uint32_t cap1 = DecodeCapcode(rig->PagerMemory(), 0);
      EXPECT_EQ(DecodeCapcode(rig->PagerMemory(), 1), cap1 + 5000);
      EXPECT_TRUE(given.insert(cap1).second) << cap1 << " given twice";
    }
  EXPECT_EQ(given, (std::set<uint32_t>{4000, 4001, 4002, 4003, 4004, 4005}));
}

}  // namespace
}  // namespace qrt::test
