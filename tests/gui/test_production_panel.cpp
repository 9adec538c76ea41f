// The Production Panel on real widgets: two simulated boards with sockets
// on virtual time, a scripted operator clipping pagers in when a tile says
// WAITING and taking them out when it says REMOVE THE PAGER, the station's
// SQLite record and allocation; and a panel closed during a run.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "ProductInfo.h"
#include "editor/Editor.h"
#include "station/gui/ProductionPanel.h"
#include "tests/gui/StationRig.h"
#include "tests/support/SimRig.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* board : {"b1", "b2"}) fs::create_directories(Socket(board).parent_path());
    production::StationStart start = rig.Start(Port("b1"));
    start.virtualTime = true;
    rig.station.OpenConnection(start);
    ASSERT_TRUE(rig.station.ChooseDatabase(rig.Path("line.sqlite")).error.empty());
    ASSERT_EQ(rig.station.SetAllocation("0001000-0001999", ""), "");
    editor.LoadDefaults(product::kDefaultLogo);
    editor.SelectBand0();
    panel = std::make_unique<ProductionPanel>(nullptr, rig.station, [this] {
      return production::RunTable{state.PagerImage, "", product::kDefaultLogo, rig.Path("backups")};
    });
    panel->boardsField()->setText(QString::fromStdString(Port("b1") + " " + Port("b2")));
    panel->show();
  }
  fs::path Socket(const std::string& board) const { return fs::path(rig.Path("sockets")) / board / "pager.bin"; }
  std::string Port(const std::string& board) const { return "sim:" + Socket(board).parent_path().string() + "/"; }
  void ClipIn(const std::string& board) {
    const Image fresh = test::SimRig::FactoryPagerImage();
    const fs::path file = Socket(board).string() + ".new";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(fresh.data()), kImageSize);
    fs::rename(file, Socket(board));
  }
  // The operator of every board, until `done` or 30 s.
  bool Operate(const std::function<bool()>& done) {
    for (int i = 0; i < 3000 && !done(); ++i) {
      QTest::qWait(10);
      for (const production::Tile& tile : panel->tiles().tiles()) {
        const std::string board = tile.port.substr(tile.port.size() - 3, 2);
        if (tile.state == production::TileState::Waiting && !fs::exists(Socket(board))) ClipIn(board);
        if (!tile.action.empty() && fs::exists(Socket(board))) fs::remove(Socket(board));
      }
    }
    return done();
  }

  VirtualClock clock;
  RecordingMessages messages;
  testing::StationRig rig{clock, messages, std::nullopt};
  AppState state;
  EditorHost host;
  Editor editor{state, messages, host};
  std::unique_ptr<ProductionPanel> panel;
};

// Start with a count: both boards kept busy by the operator, each pager its
// own capcode from the allocation and recorded, every tile ending DONE.
TEST_F(PanelTest, TilesFollowAScriptedRunToItsCount) {
  panel->countField()->setValue(4);
  std::map<int, std::string> seen;  // each tile's headlines as shown, each change once
  QObject::connect(panel.get(), &ProductionPanel::tileShown, [&](int index) {
    const std::string& headline = panel->tiles().tiles()[static_cast<size_t>(index)].headline;
    if (seen[index].size() < headline.size() || seen[index].rfind(headline) != seen[index].size() - headline.size())
      seen[index] += (seen[index].empty() ? "" : " ") + headline;
  });
  ASSERT_EQ(panel->StartRun(), "");
  EXPECT_FALSE(panel->startButton()->isEnabled());
  ASSERT_TRUE(Operate([&] { return !panel->running(); })) << panel->summaryLabel()->text().toStdString();
  for (int tile : {0, 1})
    EXPECT_TRUE(std::regex_match(seen[tile], std::regex("READY STARTING (WAITING PROGRAMMING OK )+DONE"))) << seen[tile];
  EXPECT_EQ(panel->summaryLabel()->text().toStdString().rfind("Pagers 4   Failures 0   ", 0), 0u)
      << panel->summaryLabel()->text().toStdString();
  EXPECT_NE(panel->summaryLabel()->text().toStdString().find("Yield 100 %"), std::string::npos);
  EXPECT_TRUE(panel->startButton()->isEnabled());
  std::set<uint32_t> capcodes;
  const auto records = rig.station.store()->Query({});
  ASSERT_TRUE(records.ok()) << records.error;
  for (const production::ProductionRecord& r : records.value) {
    EXPECT_EQ(r.outcome, production::Outcome::Ok);
    capcodes.insert(r.capcodes.at(0).capcode);
  }
  EXPECT_EQ(capcodes, (std::set<uint32_t>{1000, 1001, 1002, 1003}));
}

// Closing the panel during a run stops it as Stop does: the panel stays
// until its boards have ended, then closes.
TEST_F(PanelTest, ClosingDuringARunFinishesItFirst) {
  ASSERT_EQ(panel->StartRun(), "");
  ASSERT_TRUE(Operate([&] {
    for (const production::Tile& tile : panel->tiles().tiles())
      if (tile.state != production::TileState::Waiting) return false;
    return true;
  }));
  panel->close();
  EXPECT_TRUE(panel->isVisible()) << "closed before its boards ended";
  EXPECT_FALSE(panel->stopButton()->isEnabled());
  ASSERT_TRUE(Operate([&] { return !panel->isVisible(); }));
  for (const production::Tile& tile : panel->tiles().tiles()) EXPECT_EQ(tile.headline, "STOPPED") << tile.port;
}

}  // namespace
}  // namespace qrt
