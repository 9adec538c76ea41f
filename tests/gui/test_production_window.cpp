// The window's side of production use, end to end on real widgets: the
// Pager menu's writes against a SQLite record of the test's own and the
// simulated pager on virtual time; the record, allocation, connection and
// bus speed commands; the production log window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "codecs/Capcode.h"
#include "editor/Editor.h"
#include "editor/gui/BackupListDialog.h"
#include "station/gui/ConnectionDialog.h"
#include "editor/gui/MainWindow.h"
#include "station/gui/ProductionDialogs.h"
#include "station/gui/ProductionLog.h"
#include "editor/gui/QtEditorHost.h"
#include "link/PagerLink.h"
#include "record/LogFormat.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"
#include "tests/gui/StationRig.h"

namespace qrt {
namespace {

using production::Outcome;
using production::ProductionRecord;

// Runs `act` on the modal dialog a command opens, once it is up (the
// record's calls let timers run while the dialog is still being made).
template <typename Dialog>
void OnModal(std::function<void(Dialog&)> act, int tries = 100) {
  QTimer::singleShot(tries < 100 ? 10 : 0, [act, tries] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog && tries > 0) return OnModal(act, tries - 1);
    if (!dialog) {
      ADD_FAILURE() << "the dialog did not open";
      if (QWidget* other = QApplication::activeModalWidget()) other->close();
      return;
    }
    act(*dialog);
  });
}

class ProductionWindow : public ::testing::Test {
 protected:
  // The record the settings name, opened as at start.
  void Start(const std::string& databaseUrl) {
    rig.settings.Set(production::keys::kDatabaseUrl, databaseUrl);
    window = std::make_unique<Form1>(editor, rig.station);
    host.Attach(window.get(), &editor);
    window->Load();
    window->show();
    window->stationMenu().OpenRecord();
    editor.WriteOpt_Click();
  }
  void TearDown() override {
    window.reset();
    QApplication::processEvents();
  }

  QAction* Menu(const char* name) {
    auto* action = window->findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
  }
  // Pager > Write (F4) in Write Mode: the last message it showed.
  std::string Write() {
    messages.Clear();
    Menu("mnuEB")->trigger();
    return messages.log.empty() ? std::string() : messages.log.back().text;
  }
  SimEeprom& chip() { return rig.station.connection().sim()->eeprom(); }
  Image PagerMemory() {
    clock.Advance(chip().writeCycleNs);
    chip().Poll();
    return chip().memory;
  }
  std::vector<ProductionRecord> Records() {
    auto all = rig.station.store()->Query({});
    EXPECT_TRUE(all.ok()) << all.error;
    return {all.value.rbegin(), all.value.rend()};  // oldest first
  }

  VirtualClock clock;
  RecordingMessages messages;
  testing::StationRig rig{clock, messages};
  AppState state;
  QtEditorHost host{rig.station};
  Editor editor{state, messages, host};
  std::unique_ptr<Form1> window;
};

// Every write is recorded; a capcode the record shows on an earlier pager is
// written again only when the operator says so.
TEST_F(ProductionWindow, WritesAreRecordedAndACapcodeIsWrittenTwiceOnlyWhenConfirmed) {
  Start(rig.Path("production.sqlite"));
  EXPECT_EQ(window->stationMenu().recordLabel()->toolTip().toStdString(), "Record: " + rig.Path("production.sqlite"));
  ASSERT_EQ(Write(), "Verify Success!");
  std::vector<ProductionRecord> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].operation, production::Operation::Write);
  EXPECT_EQ(records[0].outcome, Outcome::Ok);
  EXPECT_EQ(records[0].port, "sim");
  EXPECT_EQ(records[0].capcodes[0].capcode, DecodeCapcode(state.PagerImage, 0));

  const int pages = chip().counters.pagesWritten;
  messages.answers = {false};
  Write();
  ASSERT_FALSE(messages.log.empty());
  EXPECT_TRUE(messages.log[0].question);
  EXPECT_EQ(messages.log[0].text.rfind("Capcode " + CapcodeText(records[0].capcodes[0].capcode) +
                                           " was already written to a pager on ",
                                       0),
            0u)
      << messages.log[0].text;
  EXPECT_EQ(chip().counters.pagesWritten, pages) << "No: the pager is not touched";
  EXPECT_EQ(Records().size(), 1u);
  messages.answers = {true};
  EXPECT_EQ(Write(), "Verify Success!");
  EXPECT_EQ(Records().size(), 2u);
}

// File > Restore Backup to Pager... lists the backups and writes the chosen
// one back as it was taken, recorded as a write; Open Backup lists the same.
TEST_F(ProductionWindow, RestoreBackupToPagerWritesTheChosenBackupBackAndIsRecorded) {
  state.KeepBackups = true;
  state.BackupsDir = rig.Path("backups");
  Start(rig.Path("production.sqlite"));
  const Image before = PagerMemory();
  ASSERT_EQ(Write(), "Verify Success!");
  ASSERT_NE(PagerMemory(), before);
  for (const char* menu : {"mnuOpenBackup", "mnuRestoreBackup"}) {
    OnModal<BackupListDialog>([](BackupListDialog& dialog) {
      EXPECT_EQ(dialog.list()->topLevelItemCount(), 1);
      EXPECT_EQ(dialog.list()->topLevelItem(0)->text(3), "OK");
      dialog.actionButton()->click();
    });
    Menu(menu)->trigger();
  }
  EXPECT_EQ(PagerMemory(), before) << "the pager as it was before the write";
  const std::vector<ProductionRecord> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].operation, production::Operation::Write);
  EXPECT_EQ(records[1].outcome, Outcome::Ok);
}

// A record that cannot be opened says so at start and refuses every write
// until the operator chooses to work without one; then writes go unrecorded.
TEST_F(ProductionWindow, AnUnreachableRecordRefusesWritesUntilTheWindowWorksWithoutOne) {
  const std::string missing = rig.Path("no/such/folder/production.sqlite");
  Start(missing);
  ASSERT_EQ(messages.log.size(), 1u);
  EXPECT_NE(messages.log[0].text.find(missing), std::string::npos) << messages.log[0].text;
  EXPECT_EQ(window->stationMenu().recordLabel()->toolTip(), "Record: not available, writes refused");

  const Image before = PagerMemory();
  const std::string refusal = Write();
  EXPECT_NE(refusal.find(missing), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("The pager was not written."), std::string::npos) << refusal;
  EXPECT_EQ(chip().counters.writeCyclesStarted, 0);
  EXPECT_EQ(PagerMemory(), before);

  // No record to allocate from: the dialog does not open.
  messages.Clear();
  Menu("mnuAllocate")->trigger();
  ASSERT_EQ(messages.log.size(), 1u);
  EXPECT_EQ(messages.log[0].text.rfind(production::kAllocationNeedsRecord, 0), 0u);

  QAction* without = Menu("mnuWithoutDatabase");
  without->trigger();
  EXPECT_TRUE(without->isChecked());
  EXPECT_EQ(window->stationMenu().recordLabel()->toolTip(), "Record: none (Work Without Database)");
  EXPECT_EQ(rig.settings.settings().value("production/workWithoutDatabase").toString(), "true");
  EXPECT_EQ(Write(), "Verify Success!");
  EXPECT_EQ(PagerMemory(), state.PagerImage);
  EXPECT_EQ(rig.station.store(), nullptr);
}

// Allocate Capcodes...: a refused range keeps the dialog open with its
// message; accepted ranges give the next pagers their capcodes, shown in the
// status bar until they are cleared.
TEST_F(ProductionWindow, AllocatedRangesGiveTheNextPagersTheirCapcodes) {
  Start(rig.Path("production.sqlite"));
  bool refusedKeptOpen = false;
  OnModal<AllocationDialog>([&](AllocationDialog& d) {
    d.range1()->setText("1019-1000");
    QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    refusedKeptOpen = d.isVisible() && messages.log.size() == 1;
    d.range1()->setText("1000-1019");
    QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  });
  messages.Clear();
  Menu("mnuAllocate")->trigger();
  EXPECT_TRUE(refusedKeptOpen);
  EXPECT_NE(messages.log.at(0).text.find("the first capcode is above the last"), std::string::npos);
  EXPECT_TRUE(window->stationMenu().allocationLabel()->isVisibleTo(window.get()));
  EXPECT_EQ(window->stationMenu().allocationLabel()->toolTip(), "Allocation: capcode 1 0001000-0001019");

  for (uint32_t expected : {1000u, 1001u}) {
    ASSERT_EQ(Write(), "Verify Success!");
    EXPECT_EQ(DecodeCapcode(PagerMemory(), 0), expected);
    EXPECT_EQ(Records().back().capcodes[0].capcode, expected);
  }

  OnModal<AllocationDialog>([](AllocationDialog& d) {
    EXPECT_TRUE(d.stateLabel()->text().startsWith("Allocation is on: capcode 1 0001000-0001019"));
    QTest::mouseClick(d.findChild<QPushButton*>("cmdClear"), Qt::LeftButton);
    QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  });
  Menu("mnuAllocate")->trigger();
  EXPECT_TRUE(rig.station.line().allocation().empty());
  EXPECT_FALSE(window->stationMenu().allocationLabel()->isVisibleTo(window.get()));
}

// The station's name is remembered with the database; the capcodes in
// doubt are listed with their history and released only with a reason.
TEST_F(ProductionWindow, TheStationIsNamedAndCapcodesInDoubtAreReleasedWithAReason) {
  Start(rig.Path("production.sqlite"));
  OnModal<ProductionDatabaseDialog>([](ProductionDatabaseDialog& d) {
    d.stationField()->setText("bench 3");
    QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  });
  Menu("mnuProductionDatabase")->trigger();
  EXPECT_EQ(rig.settings.settings().value("production/stationName").toString(), "bench 3");
  production::ProductionStore& store = *rig.station.store();
  const auto reserved = store.Reserve({{1, 1000, 1019}});
  ProductionRecord failed;
  failed.message = "Verify Error!";
  ASSERT_TRUE(store.Fail(reserved.value, failed, {}).ok());

  std::vector<std::string> refusals;
  OnModal<AllocationDialog>([&](AllocationDialog& d) {
    ASSERT_EQ(d.openList()->topLevelItemCount(), 1);
    QTreeWidgetItem* doubt = d.openList()->topLevelItem(0);
    EXPECT_EQ(doubt->text(1), "in doubt");
    EXPECT_EQ(doubt->text(2), "bench 3");
    ASSERT_EQ(doubt->childCount(), 2) << "reserved, then in doubt";
    EXPECT_EQ(doubt->child(1)->child(0)->text(0).toStdString(),
              "the write or verify failed after pages were sent: Verify Error!");
    d.openList()->setCurrentItem(doubt->child(1));
    QTest::mouseClick(d.releaseButton(), Qt::LeftButton);
    refusals = messages.Texts();
    d.reasonField()->setText("pager read back: it holds 0001005");
    QTest::mouseClick(d.releaseButton(), Qt::LeftButton);
    EXPECT_EQ(d.openList()->topLevelItemCount(), 0);
    d.reject();
  });
  messages.Clear();
  Menu("mnuAllocate")->trigger();
  ASSERT_EQ(refusals.size(), 1u);
  EXPECT_NE(refusals[0].find("only with a reason"), std::string::npos) << refusals[0];
  EXPECT_EQ(store.Reserve({{1, 1000, 1019}}).value.capcodes.at(0).capcode, 1000u);
}

// Production Log: the records, sorted by any column as its values sort,
// filtered through the record, exported as shown, and brought up to date
// after every transfer.
TEST_F(ProductionWindow, TheLogShowsSortsFiltersAndExportsTheRecords) {
  Start(rig.Path("production.sqlite"));
  production::ProductionStore& store = *rig.station.store();
  for (const auto& [capcode, outcome, ms] : {std::tuple{1000u, Outcome::Ok, int64_t{3977}},
                                             std::tuple{1001u, Outcome::Failed, int64_t{950}},
                                             std::tuple{1000u, Outcome::Ok, int64_t{12000}}}) {
    ProductionRecord r;
    r.port = "sim";
    r.operation = production::Operation::Write;
    r.outcome = outcome;
    r.message = outcome == Outcome::Ok ? "Verify Success!" : "Write error!";
    r.capcodes[0] = {capcode, true};
    r.durationMs = ms;
    ASSERT_TRUE(store.Record(r).ok());
  }
  Menu("mnuProductionLog")->trigger();
  ProductionLogWindow* log = window->stationMenu().productionLog();
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isVisible());
  EXPECT_FALSE(log->isModal());
  ASSERT_EQ(log->model()->rowCount(), 3);
  EXPECT_EQ(log->model()->headerData(production::kLogDuration, Qt::Horizontal).toString(), "ms");
  EXPECT_EQ(log->shownRecords().front().durationMs, 12000) << "newest first";

  log->table()->sortByColumn(production::kLogDuration, Qt::AscendingOrder);
  std::vector<int64_t> durations;
  for (const ProductionRecord& r : log->shownRecords()) durations.push_back(r.durationMs);
  EXPECT_EQ(durations, (std::vector<int64_t>{950, 3977, 12000}));
  const QModelIndex first = log->table()->model()->index(0, production::kLogOutcome);
  EXPECT_EQ(first.data().toString(), "failed");

  log->outcomeFilter()->setCurrentIndex(log->outcomeFilter()->findText("ok"));
  EXPECT_EQ(log->model()->rowCount(), 2);
  log->capcodeFilter()->setText("1001");
  QTest::keyClick(log->capcodeFilter(), Qt::Key_Return);
  EXPECT_EQ(log->model()->rowCount(), 0);
  log->outcomeFilter()->setCurrentIndex(0);  // any
  ASSERT_EQ(log->model()->rowCount(), 1);
  log->sinceFilter()->setText("yesterday");
  QTest::keyClick(log->sinceFilter(), Qt::Key_Return);
  EXPECT_TRUE(log->statusLabel()->text().contains("YYYY-MM-DD")) << log->statusLabel()->text().toStdString();
  EXPECT_EQ(log->model()->rowCount(), 1) << "a wrong filter keeps what is shown";
  log->sinceFilter()->clear();
  log->capcodeFilter()->clear();
  log->Refresh();
  ASSERT_EQ(log->model()->rowCount(), 3);

  const std::string csv = rig.Path("log.csv");
  log->chooseExportPath = [&](QWidget*) { return std::optional<std::string>(csv); };
  log->ExportCsv();
  std::stringstream written;
  written << std::ifstream(csv).rdbuf();
  EXPECT_EQ(written.str(), production::FormatCsv(log->shownRecords()));
  messages.Clear();
  log->chooseExportPath = [&](QWidget*) { return std::optional<std::string>(rig.Path("none/log.csv")); };
  log->ExportCsv();
  ASSERT_EQ(messages.log.size(), 1u);
  EXPECT_EQ(messages.log[0].text.rfind("Could not save [" + rig.Path("none/log.csv") + "]: ", 0), 0u);

  ASSERT_EQ(Write(), "Verify Success!");
  EXPECT_EQ(log->model()->rowCount(), 4) << "the open log follows the transfers";
}

// At the design size (634 px) each status part shows its short form whole,
// the longest ranges and waiting operations included; tooltips say it all.
TEST_F(ProductionWindow, TheStatusBarReadsWholeAtTheDesignSize) {
  Start("");
  ASSERT_EQ(rig.station.SetAllocation("1000000-1000999", "2000000-2000999"), "");
  window->stationMenu().SetRecordWaiting(3);
  ASSERT_EQ(window->clientArea()->width(), 634);
  QApplication::processEvents();  // the status bar laid out for the new texts
  EXPECT_EQ(window->stationMenu().recordLabel()->text(), QString::fromUtf8("Record: production.sqlite \u00B7 3 waiting"));
  EXPECT_EQ(window->stationMenu().recordLabel()->toolTip().toStdString(), rig.station.RecordStatus() + " \u00B7 3 waiting");
  for (QLabel* label : {window->stationMenu().connectionLabel(), window->stationMenu().recordLabel(), window->stationMenu().allocationLabel()})
    EXPECT_TRUE(label->isVisible() &&
                label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(label->text()))
        << label->text().toStdString();
}

// Connection... opens the port chosen and remembers it; Bus Speed sets the
// link's speed and is remembered; the status bar follows both, and the next
// start takes both from the settings.
TEST_F(ProductionWindow, ConnectionAndBusSpeedAreSwitchedShownAndRemembered) {
  Start(rig.Path("production.sqlite"));
  const std::string other = "sim:" + rig.Path("other.bin");
  window->stationMenu().SetConnectionList([&] {
    return std::vector<ConnectionChoice>{{"ppdev", "automatic"}, {"sim", "the pager"}, {other, "another pager"}};
  });
  EXPECT_EQ(window->stationMenu().connectionLabel()->toolTip(), "Connection: the simulated board and pager, standard bus");

  std::string selectedAtOpen;
  OnModal<ConnectionDialog>([&](ConnectionDialog& d) {
    selectedAtOpen = d.chosenPort();
    d.list()->setCurrentItem(d.list()->topLevelItem(2));
    QTest::mouseClick(d.okButton(), Qt::LeftButton);
  });
  messages.Clear();
  Menu("mnuConnection")->trigger();
  EXPECT_EQ(selectedAtOpen, "sim") << "the connection in use is selected";
  EXPECT_EQ(rig.station.connection().options().port, other);
  EXPECT_EQ(window->stationMenu().connectionLabel()->toolTip().toStdString(),
            "Connection: the simulated board and pager in " + rig.Path("other.bin") + ", standard bus");
  EXPECT_EQ(rig.settings.settings().value("connection/port").toString().toStdString(), other);
  for (const auto& m : messages.log) EXPECT_NE(m.text, "The Board is not responding!") << "the board answers there";

  Menu("mnuBusFast")->trigger();
  ASSERT_NE(rig.station.connection().link(), nullptr);
  EXPECT_EQ(rig.station.connection().link()->busSpeed(), BusSpeed::Fast);
  EXPECT_FALSE(Menu("mnuBusStandard")->isChecked());
  EXPECT_TRUE(window->stationMenu().connectionLabel()->toolTip().endsWith(", fast bus"));
  ASSERT_EQ(Write(), "Verify Success!");
  EXPECT_EQ(Records().back().port, other);

  // The next start, without --port.
  QtSettingsStore again(QString::fromStdString(rig.Path("qrt35prog.ini")));
  production::Station next(clock, messages, again);
  next.OpenConnection({});
  EXPECT_EQ(next.connection().options().port, other);
  EXPECT_EQ(next.busSpeed(), BusSpeed::Fast);
}

}  // namespace
}  // namespace qrt
