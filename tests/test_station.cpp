// The station the window runs: which connection and record a start takes
// from the remembered choices and the command line, what is remembered, and
// what is refused before anything changes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>
#include <tuple>

#include "link/PagerLink.h"
#include "record/RecordWork.h"
#include "station/Station.h"
#include "sim/VirtualClock.h"

namespace qrt::production {
namespace {

namespace fs = std::filesystem;

struct Folder {
  Folder() {
    char pattern[] = "/tmp/qrt-station-XXXXXX";
    path = ::mkdtemp(pattern) ? pattern : "";
  }
  ~Folder() { fs::remove_all(path); }
  std::string path;
};

struct Rig {
  VirtualClock clock;
  RecordingMessages messages;
  MemorySettings settings;
  std::unique_ptr<Station> Make() { return std::make_unique<Station>(clock, messages, settings); }
};

TEST(Station, TheCommandLineWinsOverTheRememberedConnectionAndBus) {
  Folder folder;
  Rig rig;
  const std::string chosen = "sim:" + folder.path + "/a.bin";
  {
    auto first = rig.Make();
    first->OpenConnection({});
    EXPECT_EQ(first->connection().options().port, "ppdev") << "nothing remembered yet";
    ASSERT_TRUE(first->SwitchConnection(chosen).ok);
    EXPECT_FALSE(first->SwitchConnection("lpt1").ok);
    first->SetBusSpeed(BusSpeed::Fast);
    EXPECT_EQ(first->line().store(), nullptr);
  }
  EXPECT_EQ(rig.settings.values.at(keys::kPort), chosen) << "a port that did not open is not remembered";
  auto next = rig.Make();
  next->OpenConnection({});
  EXPECT_EQ(next->connection().options().port, chosen);
  EXPECT_EQ(next->busSpeed(), BusSpeed::Fast);
  ASSERT_NE(next->connection().link(), nullptr);
  EXPECT_EQ(next->connection().link()->busSpeed(), BusSpeed::Fast);
  EXPECT_EQ(next->ConnectionStatus(), "Connection: the simulated board and pager in " + folder.path + "/a.bin, fast bus");

  StationStart start;
  start.port = "sim:" + folder.path + "/b.bin";
  next->OpenConnection(start);
  EXPECT_EQ(next->connection().options().port, *start.port);
  EXPECT_EQ(rig.settings.values.at(keys::kPort), chosen) << "--port is for this run only";
}

TEST(Station, TheRecordIsRememberedWithoutPasswordsAndRefusedWritesSayWhy) {
  Folder folder;
  Rig rig;
  auto station = rig.Make();
  StationStart start;
  start.databaseEnvironment = folder.path + "/from-env.sqlite";
  station->OpenConnection(start);
  EXPECT_EQ(station->databaseUrl(), *start.databaseEnvironment) << "QRT35_DB while no URL is remembered";
  ASSERT_TRUE(station->OpenRecord().ok());
  EXPECT_EQ(station->RecordStatus(), "Record: " + *start.databaseEnvironment);

  const Station::UrlChoice password = station->ChooseDatabase("postgresql://line:s3cret@db/qrt35");
  EXPECT_FALSE(password.remembered);
  EXPECT_NE(password.error.find("~/.pgpass"), std::string::npos);
  EXPECT_TRUE(rig.settings.values.empty());
  EXPECT_NE(station->store(), nullptr) << "a refused URL changes nothing";

  // A record that cannot be opened: writes refused, the log says why.
  const std::string missing = folder.path + "/no/such/folder/production.sqlite";
  const Station::UrlChoice broken = station->ChooseDatabase(missing);
  EXPECT_TRUE(broken.remembered);
  EXPECT_NE(broken.error.find(missing), std::string::npos) << broken.error;
  EXPECT_NE(broken.error.find("Work Without Database"), std::string::npos) << broken.error;
  EXPECT_EQ(station->line().unavailable(), broken.error);
  EXPECT_EQ(station->RecordStatus(), "Record: not available, writes refused");
  EXPECT_EQ(station->QueryLog("", "", "").error.rfind(broken.error, 0), 0u);
  EXPECT_EQ(station->SetAllocation("1000-1019", ""), kAllocationNeedsRecord);

  ASSERT_TRUE(station->WorkWithoutDatabase(true).ok());
  EXPECT_TRUE(station->line().unavailable().empty()) << "writes allowed, unrecorded";
  EXPECT_EQ(station->RecordStatus(), "Record: none (Work Without Database)");

  const std::string good = folder.path + "/production.sqlite";
  ASSERT_TRUE(station->ChooseDatabase(good).error.empty());
  EXPECT_FALSE(station->workingWithoutDatabase()) << "choosing a database works with it";
  EXPECT_EQ(station->line().store(), station->store());
  EXPECT_EQ(station->SetAllocation("1000-1019", "2000-2019"), "");
  EXPECT_EQ(station->AllocationStatus(), "Allocation: capcode 1 0001000-0001019, capcode 2 0002000-0002019");
  EXPECT_NE(station->SetAllocation("", "5-9"), "") << "refused: the ranges stay";
  EXPECT_EQ(station->line().allocation().size(), 2u);
  EXPECT_EQ(station->SetAllocation("", ""), "");
  EXPECT_EQ(station->AllocationStatus(), "");
  EXPECT_NE(station->QueryLog("x", "", "").error.find("A capcode is a number"), std::string::npos);
  // The station's name: remembered, and the name of every record from now on.
  EXPECT_NE(station->SetStationName("bench\t3"), "");
  ASSERT_EQ(station->SetStationName("bench 3"), "");
  EXPECT_EQ(station->store()->Station(), "bench 3");
  EXPECT_EQ(rig.settings.values.at(keys::kStationName), "bench 3");
  EXPECT_TRUE(Station::TestDatabase(good).ok());
  EXPECT_FALSE(Station::TestDatabase(missing).ok());
}

// The status bar's short forms: the port by its own name and its bus, the
// record by its file, the allocation by its ranges, and what waits for the
// record on both forms; the whole texts stay for the tooltips.
TEST(Station, StatusTextsInShortAndInFull) {
  Folder folder;
  Rig rig;
  auto station = rig.Make();
  for (const auto& [port, fast, brief] : {std::tuple{"sim", false, "sim \u00B7 standard"},
                                          {"ppdev:/dev/parport7", true, "parport7 \u00B7 fast"},
                                          {"lpt1", false, "lpt1 \u00B7 not open"}}) {
    rig.settings.Set(keys::kBusSpeed, fast ? "fast" : "standard");
    StationStart start;
    start.port = port;
    station->OpenConnection(start);
    EXPECT_EQ(station->ConnectionStatusTexts().brief, brief);
    EXPECT_EQ(station->ConnectionStatusTexts().full, station->ConnectionStatus());
  }
  ASSERT_TRUE(station->ChooseDatabase(folder.path + "/line.sqlite").error.empty());
  EXPECT_EQ(station->RecordStatusTexts(0).brief, "Record: line.sqlite");
  EXPECT_EQ(station->RecordStatusTexts(3).brief, "Record: line.sqlite \u00B7 3 waiting");
  EXPECT_EQ(station->RecordStatusTexts(3).full, "Record: " + folder.path + "/line.sqlite \u00B7 3 waiting");
  ASSERT_EQ(station->SetAllocation("1000-1019", "2000000-2000999"), "");
  EXPECT_EQ(station->AllocationStatusTexts().brief, "Ranges 1000-1019, 2000000-2000999");
  ASSERT_EQ(station->SetAllocation("7-9", ""), "");
  EXPECT_EQ(station->AllocationStatusTexts().brief, "Range 1: 7-9");
  ASSERT_TRUE(station->WorkWithoutDatabase(true).ok());
  EXPECT_EQ(station->RecordStatusTexts(0).brief, "Record: none");
}

// The record's thread at the program's end: a call that keeps a record is
// finished first, whatever the database makes it wait; one that may be left
// (an opening) is, and the end comes at once.
TEST(Station, TheRecordsThreadFinishesWhatKeepsARecordAndLeavesAnOpening) {
  for (const bool mayBeLeft : {false, true}) {
    std::promise<void> asked, answer;
    std::shared_future<void> answered = answer.get_future().share();
    auto call = std::make_shared<RecordJob>(
        [&asked, answered] {
          asked.set_value();
          answered.wait();
        },
        mayBeLeft);
    auto ending = std::make_unique<RecordWorker>([] {});
    ending->Start(call);
    asked.get_future().wait();
    std::thread database([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      answer.set_value();
    });
    ending.reset();
    EXPECT_EQ(call->ended(), !mayBeLeft) << "the database answers 300 ms later";
    database.join();
  }
}

}  // namespace
}  // namespace qrt::production
