// The production line around the transfer dialog's model, on the simulated
// pager and a SQLite record of its own: what each transfer leaves in the
// record, the capcodes a batch takes from the allocation, and what refuses a
// write before the pager is touched.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <thread>

#include "codecs/Capcode.h"
#include "station/ProductionLine.h"
#include "record/Sql.h"
#include "tests/pg_rig.h"
#include "tests/transfer_rig.h"

namespace qrt::test {
namespace {

namespace fs = std::filesystem;
using production::Outcome;
using production::Operation;
using production::ProductionLine;
using production::ProductionRecord;
using production::ProductionStore;

enum class Backend { Sqlite, Postgres };

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

  // The chip goes quiet for good in the middle of the next pager's pages:
  // its capcode may be in it, so the pager after it gets the next one.
  rig.board.eeprom().faults.silentAfterAckedBytes = rig.board.eeprom().counters.bytesAcked + 3 * 128 + 5;
  const TransferResult failed = batch->cmdWrite_Click();
  EXPECT_EQ(failed.message, "Write error!");
  EXPECT_EQ(store->HolderOf(1003).value->state, production::CapcodeState::InDoubt);
  rig.board.eeprom().faults = {};
  ASSERT_TRUE(batch->cmdWrite_Click().succeeded());
  EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), 1004u) << "a capcode in doubt is never handed to another pager";

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
  EXPECT_EQ(records[5].capcodes[0].capcode, 1004u);
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

// Record calls on a thread of their own, as the window runs them, and an
// operator who stops waiting for the reservation once it has begun: another
// program holds the record's write lock from the moment the check is done.
struct StoppingRunner : production::RecordRunner {
  void Start(std::shared_ptr<production::RecordJob> job, std::function<void()>) override { worker.Start(job); }
  bool Wait(production::RecordJob& job, const std::string& what, bool) override {
    if (what.rfind("Reserving", 0) == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the reservation waits for the lock
      return false;
    }
    while (!job.ended()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (what.rfind("Checking", 0) == 0) other->Run("BEGIN IMMEDIATE");
    return true;
  }
  bool busy() const override { return worker.busy(); }
  std::unique_ptr<production::SqlConnection> other;
  production::RecordWorker worker{[] {}};
};

TEST(ProductionLine, AReservationNobodyWaitedForIsGivenBackOnceItIsMade) {
  Folder folder;
  auto store = OpenStore(folder);
  StoppingRunner runner;
  runner.other = production::OpenSqlite(folder.path + "/production.sqlite");
  LineRig rig(store.get());
  rig.line.SetRecordRunner(&runner);
  rig.line.SetAllocation({{1, 1000, 1099}});
  rig.editor.WriteOpt_Click();
  EXPECT_FALSE(rig.Run(1).succeeded());
  EXPECT_NE(rig.msgs.log.back().text.find("You stopped waiting"), std::string::npos) << rig.msgs.log.back().text;
  EXPECT_EQ(rig.board.eeprom().counters.writeCyclesStarted, 0);

  runner.other->Run("ROLLBACK");  // the reservation is made now, after the write was refused
  const auto last = std::make_shared<production::RecordJob>([] {});
  runner.Start(last, {});
  runner.Wait(*last, "", false);
  EXPECT_FALSE(store->HolderOf(1000).value) << "reserved for a pager that was never written";
  EXPECT_TRUE(store->OpenAllocations().value.empty());
  EXPECT_EQ(Records(*store).back().outcome, Outcome::Failed);
}

// Two ports of one batch without an allocation share one counter: every
// pager gets capcodes of its own, and a failed one's go to the next pager
// only when they never reached it.
TEST(ProductionLine, PortsOfOneBatchShareTheirCapcodes) {
  production::SharedCapcodes shared(4000, 9000, true, true);
  LineRig a(nullptr), b(nullptr);
  std::set<uint32_t> given;
  for (LineRig* rig : {&a, &b}) {
    rig->line.SetSharedCapcodes(&shared);
    rig->editor.WriteOpt_Click();
  }
  // A pager that failed in its first page gives its capcodes back; one that
  // failed past its capcode page may hold them and keeps them.
  SimEeprom& chip = b.board.eeprom();
  for (int acked : {20, 100}) {
    chip.faults.silentAfterAckedBytes = chip.counters.bytesAcked + acked;
    EXPECT_FALSE(b.Run(1).succeeded());
    chip.faults = {};
  }
  for (int round = 0; round < 3; ++round)
    for (LineRig* rig : {&a, &b}) {
      ASSERT_TRUE(rig->Run(1).succeeded());
      const uint32_t cap1 = DecodeCapcode(rig->PagerMemory(), 0);
      EXPECT_EQ(DecodeCapcode(rig->PagerMemory(), 1), cap1 + 5000);
      EXPECT_TRUE(given.insert(cap1).second) << cap1 << " given twice";
    }
  EXPECT_EQ(given, (std::set<uint32_t>{4001, 4002, 4003, 4004, 4005, 4006}));
  // A pair given back after a later one was taken: the next batch starts
  // above both, the unused one named.
  const auto early = shared.Take(), late = shared.Take();
  shared.GiveBack(early);
  EXPECT_EQ(shared.Next().capcode1, late.capcode1 + 1);
  ASSERT_EQ(shared.Unused().size(), 1u);
  EXPECT_EQ(shared.Unused()[0].capcode1, early.capcode1);
}

// ------------------------------------------------------------ on both databases

class Line : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::Sqlite) {
      location = folder.path + "/production.sqlite";
    } else {
      QRT_REQUIRE_PG();
      schema = std::make_unique<PgSchema>();
      location = schema->Location();
    }
    // Backups on, as the programs run: the write reads the pager first.
    rig.state.KeepBackups = true;
    rig.state.BackupsDir = folder.path + "/backups";
    rig.line.SetAllocation({{1, 1000, 1099}});
    rig.editor.WriteOpt_Click();
  }
  std::unique_ptr<ProductionStore> Open(const std::string& station, std::chrono::milliseconds lease = {}) {
    production::StoreOptions options;
    options.station = station;
    options.journalFolder = folder.path + "/journal";
    if (lease.count() > 0) options.lease = lease;
    auto opened = ProductionStore::Open(location, options);
    EXPECT_TRUE(opened.ok()) << opened.error;
    return std::move(opened.value);
  }

  Folder folder;
  std::unique_ptr<PgSchema> schema;
  std::string location;
  LineRig rig{nullptr};
};

// "Verify Success!" is shown once the pager is recorded and its capcode
// written: a box left open past the lease, or a program stopped while it is
// open, gives nobody that capcode. The duration ends at the verify.
TEST_P(Line, APagerIsRecordedBeforeItsSuccessIsShown) {
  const auto store = Open("station-1", std::chrono::milliseconds(300));
  rig.line.SetStore(store.get());
  bool recordedFirst = false;
  rig.msgs.onShow = [&](std::string_view text) {
    if (text != "Verify Success!") return;
    const auto records = store->Query({});
    recordedFirst = records.value.size() == 1 && records.value[0].outcome == Outcome::Ok &&
                    store->HolderOf(1000).value->state == production::CapcodeState::Written;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // the box stays open past the lease
    EXPECT_EQ(Open("station-2")->Reserve({{1, 1000, 1099}}).value.capcodes.at(0).capcode, 1001u);
  };
  EXPECT_TRUE(rig.Run(1).succeeded());
  EXPECT_TRUE(recordedFirst);
  EXPECT_LT(store->Query({}).value.at(0).durationMs, 300) << "the time the box stood open is not the pager's";

  // The database refuses the record after the verify: the operator is told
  // before the success, and the front end learns it went unrecorded.
  rig.msgs.onShow = nullptr;
  RefuseRecords(location, true);
  rig.msgs.Clear();
  const TransferResult unrecorded = rig.Run(1);
  EXPECT_TRUE(unrecorded.succeeded());
  EXPECT_FALSE(unrecorded.record.kept);
  EXPECT_NE(unrecorded.record.problem.find("disk full"), std::string::npos) << unrecorded.record.problem;
  EXPECT_NE(unrecorded.record.problem.find("waits in this station's journal"), std::string::npos);
  const std::vector<std::string> shown = rig.msgs.Texts();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[shown.size() - 2], unrecorded.record.problem);
  EXPECT_EQ(shown.back(), "Verify Success!");
}

// A failed pager keeps its capcode unless the write provably never put it
// in: a verify that failed leaves it in doubt, and only that very pager,
// written again, gets it again; a write whose capcode page did not go in
// (the pager, read back, holds what it held) gives it back.
TEST_P(Line, AFailedPagerKeepsItsCapcodeUnlessItNeverWentIn) {
  const auto store = Open("station-1");
  rig.line.SetStore(store.get());
  SimEeprom& chip = rig.board.eeprom();
  chip.faults.flipAddress = 0x100;  // every page went in, one reads back wrong
  chip.faults.flipMask = 1;
  EXPECT_EQ(rig.Run(1).message, "Verify Error!");
  EXPECT_EQ(store->HolderOf(1000).value->state, production::CapcodeState::InDoubt);
  chip.faults = {};
  ASSERT_TRUE(rig.Run(1).succeeded()) << "the same pager, written again";
  EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), 1000u);
  EXPECT_EQ(store->HolderOf(1000).value->state, production::CapcodeState::Written);

  // The next write goes quiet inside the capcode page (the backup read
  // acknowledges three bytes a block) and the pager answers again after.
  chip.faults.silentAfterAckedBytes = chip.counters.bytesAcked + 3 * 128 + 5;
  rig.msgs.onShow = [&](std::string_view text) {
    if (text == "Write error!") chip.faults = {};
  };
  EXPECT_EQ(rig.Run(1).message, "Write error!");
  EXPECT_FALSE(store->HolderOf(1001).value) << "1001 never went in";
  ASSERT_TRUE(rig.Run(1).succeeded());
  EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), 1001u);
}

void PrintTo(Backend backend, std::ostream* out) { *out << (backend == Backend::Sqlite ? "SQLite" : "PostgreSQL"); }

INSTANTIATE_TEST_SUITE_P(Backends, Line, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& row) { return row.param == Backend::Sqlite ? "SQLite" : "PostgreSQL"; });

}  // namespace
}  // namespace qrt::test
