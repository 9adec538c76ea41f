// The window and a record that keeps it waiting: a PostgreSQL server that
// takes connections and never answers, a SQLite file another program holds
// locked. The window is up at once and answers; a write waits for the
// record, and the operator may stop waiting before the pager is touched.
// Closing the window (here SIGTERM) in the middle of a write finishes and
// records the pager first.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "editor/Editor.h"
#include "editor/gui/MainWindow.h"
#include "editor/gui/QtEditorHost.h"
#include "editor/gui/StopSignals.h"
#include "record/Journal.h"
#include "record/Sql.h"
#include "transfer/Transfers.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"
#include "tests/gui/StationRig.h"

namespace qrt {
namespace {

// Takes connections into its backlog and never says a word: libpq waits for
// its connect_timeout. Closed, it resets them, and libpq gives up at once.
struct SilentServer {
  SilentServer() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 && listen(fd, 16) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      port = ntohs(address.sin_port);
  }
  ~SilentServer() { Close(); }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  std::string Url() const {
    return "host=127.0.0.1 port=" + std::to_string(port) + " dbname=line user=line connect_timeout=60";
  }
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  int port = 0;
};

class RecordWait : public ::testing::Test {
 protected:
  // The window as the program starts it: shown, the record opening behind it.
  void Start(const std::string& databaseUrl) {
    rig.settings.Set(production::keys::kDatabaseUrl, databaseUrl);
    window.reset();
    window = std::make_unique<Form1>(editor, rig.station);
    host.Attach(window.get(), &editor);
    window->Load();
    window->show();
    window->stationMenu().StartOpeningRecord();
    editor.WriteOpt_Click();
  }
  void TearDown() override {
    window.reset();
    QApplication::processEvents();
  }
  // Pager > Write (F4); `whileWaiting` runs on the record's progress dialog
  // once it shows. The last message the write showed.
  std::string Write(std::function<void(QProgressDialog&)> whileWaiting = {}) {
    waited = false;
    if (whileWaiting) OnProgress(whileWaiting, 200);
    messages.Clear();
    window->findChild<QAction*>("mnuEB")->trigger();
    return messages.log.empty() ? std::string() : messages.log.back().text;
  }
  void OnProgress(std::function<void(QProgressDialog&)> act, int tries) {
    QTimer::singleShot(10, [this, act, tries] {
      auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
      if (!progress && tries > 0) return OnProgress(act, tries - 1);
      waited = progress != nullptr;
      if (progress) act(*progress);
    });
  }
  SimEeprom& chip() { return rig.station.connection().sim()->eeprom(); }

  VirtualClock clock;
  RecordingMessages messages;
  testing::StationRig rig{clock, messages};
  AppState state;
  QtEditorHost host{rig.station};
  Editor editor{state, messages, host};
  std::unique_ptr<Form1> window;
  bool waited = false;
};

TEST_F(RecordWait, OverASilentServerTheWindowIsUpAtOnceAndAWriteWaitsUntilCancelled) {
  SilentServer server;
  ASSERT_NE(server.port, 0);
  production::JournalEntry kept;  // a record this station could not store earlier
  kept.record.transferId = "earlier";
  ASSERT_EQ(production::Journal().Write(kept), "");
  QElapsedTimer up;
  up.start();
  Start(server.Url());
  QApplication::processEvents();
  EXPECT_LT(up.elapsed(), 1000);
  EXPECT_EQ(window->stationMenu().recordLabel()->text(), QString::fromUtf8("Record: connecting\u2026"));

  // The window answers meanwhile: a menu command, a timer.
  window->findChild<QAction*>("mnuBusFast")->trigger();
  EXPECT_EQ(rig.station.busSpeed(), BusSpeed::Fast);
  bool ticked = false;
  QTimer::singleShot(20, [&] { ticked = true; });
  QTest::qWait(100);
  EXPECT_TRUE(ticked);

  const std::string refusal = Write([](QProgressDialog& progress) {
    EXPECT_TRUE(progress.labelText().startsWith("Connecting to the production record")) << progress.labelText().toStdString();
    progress.cancel();
  });
  EXPECT_TRUE(waited);
  EXPECT_NE(refusal.find("You stopped waiting for the production record"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("The pager was not written."), std::string::npos) << refusal;
  EXPECT_EQ(chip().counters.writeCyclesStarted, 0);
  EXPECT_TRUE(rig.station.recordOpening()) << "stopping the wait stops no opening";

  // The server goes away: the opening ends, and the window says so.
  messages.Clear();
  server.Close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.station.recordOpening(); }, 10000));
  EXPECT_EQ(window->stationMenu().recordLabel()->text(), QString::fromUtf8("Record: not available \u00B7 1 waiting"));
  ASSERT_EQ(messages.log.size(), 1u);
  EXPECT_EQ(messages.log[0].text.rfind("Could not open the production record", 0), 0u) << messages.log[0].text;
  production::Journal().Remove(kept);
}

TEST_F(RecordWait, AWriteWaitsForALockedRecordAndGoesOnOnceItIsFree) {
  const std::string path = rig.Path("production.sqlite");
  auto other = production::OpenSqlite(path);
  other->Run("BEGIN IMMEDIATE");  // another program, writing
  Start(path);
  EXPECT_EQ(window->stationMenu().recordLabel()->text(), QString::fromUtf8("Record: connecting\u2026"));

  EXPECT_EQ(Write([&](QProgressDialog&) { other->Run("COMMIT"); }), "Verify Success!");
  EXPECT_TRUE(waited);
  EXPECT_EQ(chip().memory, state.PagerImage);
  ASSERT_NE(rig.station.store(), nullptr);
  const auto records = rig.station.store()->Query({});
  ASSERT_EQ(records.value.size(), 1u);
  EXPECT_EQ(records.value[0].outcome, production::Outcome::Ok);
  EXPECT_EQ(window->stationMenu().recordLabel()->text(), "Record: production.sqlite");
}

// Once, the pager under way is finished; twice (as a second close or a
// SIGTERM while it finishes), it stops after its page. Either way it is
// recorded, and the window closes after it.
TEST_F(RecordWait, SigtermDuringAWriteFinishesOrStopsThePagerAndRecordsItBeforeTheWindowCloses) {
  struct Case {
    int requests;
    const char* said;
    production::Outcome outcome;
  };
  const Case cases[] = {{1, "Verify Success!", production::Outcome::Ok},
                        {2, kMsgInterrupted, production::Outcome::Failed}};
  StopSignals stopSignals;
  messages.defaultAnswer = true;  // the second pager gets the first one's capcode again
  for (const Case& c : cases) {
    Start(rig.Path("production.sqlite"));
    ASSERT_EQ(rig.station.AwaitRecord(), "");
    QObject::connect(&stopSignals, &StopSignals::requested, window.get(), [this] { window->close(); });
    // SIGTERM as the write looks for the board; the window hears of it at
    // the first window events the write lets run, with pages still to come.
    int raised = 0;
    bool upAtTheEnd = false;
    clock.eventHook = [&] {
      while (window->transferRunning() && raised < c.requests) raised += ::raise(SIGTERM) == 0;
    };
    messages.onShow = [&](std::string_view) { upAtTheEnd = window->isVisible(); };
    EXPECT_EQ(Write(), c.said);
    clock.eventHook = nullptr;
    EXPECT_EQ(raised, c.requests);
    EXPECT_TRUE(upAtTheEnd);
    EXPECT_EQ(rig.station.stopRequest().level(), c.requests);
    const auto records = rig.station.store()->Query({});
    ASSERT_FALSE(records.value.empty());
    EXPECT_EQ(records.value[0].outcome, c.outcome) << c.requests;
    EXPECT_EQ(records.value[0].message, c.said);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 2000)) << "closed once the pager was recorded";
  }
}

}  // namespace
}  // namespace qrt
