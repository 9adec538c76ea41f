// Hands-free production on simulated boards on virtual time: a pager counts
// as clipped in and taken out through a bouncing contact, each board programs
// the pagers its scripted operator clips in until the run's count, a pager
// put back is not written twice, a pager pulled mid-write is told apart from
// a failing one, a stop ends the run as asked, and the operator reads one
// line per event.
#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>

#include "codecs/Capcode.h"
#include "link/PagerPresence.h"
#include "tests/support/SimRig.h"
#include "transfer/Continuous.h"
#include "transfer/ContinuousReport.h"
#include "station/PanelRun.h"

namespace qrt {
namespace {

constexpr double kNever = 1e18;
constexpr uint8_t kParked = 254;  // clock released, data held low

// A contact closed during the given spans of virtual milliseconds.
std::function<bool(int64_t)> Contact(std::vector<std::pair<double, double>> spans) {
  return [spans](int64_t ns) {
    const double ms = static_cast<double>(ns) / 1e6;
    for (const auto& [from, to] : spans)
      if (ms >= from && ms < to) return true;
    return false;
  };
}

TEST(PagerPresence, BouncesNeitherCountAPagerInNorOut) {
  const struct {
    const char* what;
    std::vector<std::pair<double, double>> spans;
    double firmFrom, lastContact;  // the pager is in for good from, the contact last closed until
  } cases[] = {
      {"clean", {{1000, 5000}}, 1000, 5000},
      {"bouncing both ways", {{1000, 1030}, {1200, 5000}, {5150, 5260}}, 1200, 5260},
  };
  for (const auto& c : cases) {
    test::SimRig rig;
    rig.link.SetBusSpeed(BusSpeed::Fast);
    rig.board.contact = Contact(c.spans);
    PagerPresence presence(rig.link, rig.clock);
    ASSERT_TRUE(presence.WaitForInsertion([] { return true; })) << c.what;
    const double in = rig.clock.NowMs();
    EXPECT_GE(presence.firstAcknowledgeMs(), c.firmFrom) << c.what << ": an answer before a bounce counts for nothing";
    EXPECT_GE(in - presence.firstAcknowledgeMs(), 50) << c.what;
    EXPECT_LE(in, c.firmFrom + 100 + 50 + 1) << c.what;
    EXPECT_EQ(rig.board.Inp32(0x378), kParked) << c.what;
    ASSERT_TRUE(presence.WaitForRemoval([] { return true; })) << c.what;
    const double out = rig.clock.NowMs();
    EXPECT_GE(out, c.lastContact + 200) << c.what << ": 300 ms after the last answer";
    EXPECT_LE(out, c.lastContact + 300 + 100 + 1) << c.what;
    EXPECT_GE(presence.probes(), static_cast<int>(out / 100)) << c.what << ": at least one probe each 100 ms";
    EXPECT_FALSE(presence.StillIn()) << c.what;
  }
  // A flash of contact never makes a pager; the wait ends when told.
  test::SimRig rig;
  rig.board.contact = Contact({{1000, 1040}});
  PagerPresence presence(rig.link, rig.clock);
  EXPECT_FALSE(presence.WaitForInsertion([&] { return rig.clock.NowMs() < 3000; }));
}

// The window's Stop after a second Ctrl-C must not undo it.
TEST(StopRequest, RequestsEscalateAndNeverGoBack) {
  StopRequest stop;
  for (int level : {1, 2, 2}) EXPECT_EQ((stop.Request(), stop.level()), level);
  stop.RequestAtLeast(StopRequest::kFinishInFlight);
  EXPECT_TRUE(stop.stopNow());
}

TEST(RunCapcodes, APagerHoldsTheTableWhateverItsGivenCapcodeAndOwnBytes) {
  const Image table = test::SimRig::FactoryPagerImage();
  const int record = CapcodeRecordAddress(0);
  const struct {
    const char* what;
    std::function<void(Image&)> change;
    bool holds;
  } cases[] = {
      {"its own capcode", [](Image& p) { StoreCapcode(p, 0, 1234567); }, true},
      {"its own byte, marker, checksum",
       [](Image& p) { p[0x0E9] ^= 1, p[0x3E0] ^= 1, p[0x7FE] ^= 1, p[0x7FF] ^= 1; }, true},
      {"capcode 1 switched off", [&](Image& p) { p[record] ^= 1; }, false},
      {"a setting beside the capcode bits", [&](Image& p) { p[record + 1] ^= 0x20; }, false},
      {"capcode 2, which the run does not give", [](Image& p) { StoreCapcode(p, 1, 42); }, false},
      {"a prompt", [](Image& p) { p[0x400] ^= 1; }, false},
  };
  WrittenCapcodes written;
  written.Add(1234567);
  for (const auto& c : cases) {
    Image pager = table;
    c.change(pager);
    EXPECT_EQ(HoldsTableSettings(pager, table, {0}), c.holds) << c.what;
  }
  Image pager = table;
  StoreCapcode(pager, 0, 1234567);
  EXPECT_EQ(AlreadyProgrammed(pager, table, {0}, written), (std::vector<PagerCapcode>{{0, 1234567}}));
  StoreCapcode(pager, 0, 1234568);
  EXPECT_FALSE(AlreadyProgrammed(pager, table, {0}, written)) << "a capcode from before this run";
}

// Every event of a run, and each board's operator told what its board said.
struct Recorder : BoardObserver {
  void OnEvent(const BoardEvent& event) override {
    if (hook) hook(event);
    const std::lock_guard<std::mutex> lock(mutex);
    events.push_back(event);
  }
  std::vector<BoardEvent> Of(const std::string& port, BoardEvent::Kind kind) {
    std::vector<BoardEvent> out;
    for (const BoardEvent& e : events)
      if ((port.empty() || e.port == port) && e.kind == kind) out.push_back(e);
    return out;
  }
  // One letter per event but progress: W I O F A R r E.
  std::string Story(const std::string& port) {
    std::string story;
    for (const BoardEvent& e : events)
      if (e.port == port && e.kind != BoardEvent::Kind::Programming) story += "WIPOFARrE"[static_cast<int>(e.kind)];
    return story;
  }
  std::function<void(const BoardEvent&)> hook;
  std::mutex mutex;
  std::vector<BoardEvent> events;
};

// A board on virtual time whose operator clips `pagers` in one by one (none:
// the last one taken out is put back), takes each out 200 ms after the board
// asks and clips the next in 600 ms later; with `pullAt` it pulls a pager
// when that much of its write is done and clips the next in 2 s later.
struct TestBoard {
  TestBoard(std::string name, std::vector<std::optional<Image>> pagerList)
      : port(std::move(name)), pagers(std::move(pagerList)) {
    rig.link.SetBusSpeed(BusSpeed::Fast);
    rig.board.contact = [this](int64_t ns) { return Contact(static_cast<double>(ns) / 1e6); };
  }
  bool Contact(double ms) {
    if (in && ms >= outAtMs) in = false, outAtMs = kNever;
    if (!in && next < pagers.size() && ms >= inAtMs) {
      if (pagers[next]) rig.board.eeprom().memory = *pagers[next];
      ++next, in = true, inAtMs = kNever;
    }
    return in;
  }
  void Heard(const BoardEvent& e) {  // on this board's thread, as Contact
    const double now = rig.clock.NowMs();
    if (e.kind == BoardEvent::Kind::Remove) outAtMs = now + 200, inAtMs = now + 800;
    if (e.kind == BoardEvent::Kind::Programming && e.progress >= pullAt) outAtMs = now, inAtMs = now + 2000, pullAt = 2;
  }
  test::SimRig rig;
  std::string port;
  std::vector<std::optional<Image>> pagers;
  size_t next = 0;
  bool in = false;
  double inAtMs = 300, outAtMs = kNever, pullAt = 2;
};

// What the boards of a run share: the table and the capcodes it gives out.
struct Line {
  explicit Line(ContinuousRun& r) : run(r) {}
  ContinuousRun& run;
  Image table = test::SimRig::FactoryPagerImage();
  std::atomic<uint32_t> nextCapcode{1200000};

  // One pager as a line programs it: backup read, the put-back rule, the
  // next capcode, every page (a stop checked between them), verify.
  PagerOutcome Program(PagerJob& job, PagerTransport& t) {
    Image pager{};
    if (!t.BlockRead(pager, 0, ImageLastIndex)) return Failure(job, t, {}, "Read error!");
    if (auto held = AlreadyProgrammed(pager, table, {0}, run.written()))
      return {PagerOutcome::Kind::AlreadyProgrammed, *held, ""};
    const PagerCapcode given{0, nextCapcode++};
    Image image = table;
    StoreCapcode(image, 0, static_cast<int32_t>(given.value));
    image[addr::kPagerOwnByte] = pager[addr::kPagerOwnByte];
    image[addr::kWriteMarker] = 1;
    StoreChecksum(image);
    run.written().Add(given.value);
    for (int first = 0; first < kImageSize; first += 16) {
      if (job.StopNow()) return {PagerOutcome::Kind::Interrupted, {given}, ""};
      if (!t.PageWrite(image, first, first + 15)) return Failure(job, t, {given}, "Write error!");
      job.Progress((first + 16.0) / kImageSize);
    }
    t.BusStop();
    Image back{};
    if (!t.BlockRead(back, 0, ImageLastIndex) || back != image) return Failure(job, t, {given}, "Verify Error!");
    t.ParkBus();
    return {PagerOutcome::Kind::Ok, {given}, ""};
  }
  static PagerOutcome Failure(PagerJob& job, PagerTransport& t, std::vector<PagerCapcode> capcodes, const char* why) {
    t.ParkBus();
    const auto kind = job.PagerTakenOut() ? PagerOutcome::Kind::RemovedMidWrite : PagerOutcome::Kind::Failed;
    return {kind, std::move(capcodes), why};
  }
};

BoardSetup SetupOf(TestBoard& board, Line& line) {
  return {board.port, &board.rig.link, &board.rig.clock,
          [&](PagerJob& job) { return line.Program(job, board.rig.link); }};
}

std::vector<std::optional<Image>> FreshPagers(int n) {
  return std::vector<std::optional<Image>>(n, test::SimRig::FactoryPagerImage());
}

TEST(ContinuousRun, BoardsShareTheCountAndGiveEachPagerItsOwnCapcode) {
  StopRequest stop;
  Recorder recorder;
  ContinuousRun run({5, {}}, stop, recorder);
  Line line(run);
  TestBoard a("sim:a/", FreshPagers(6)), b("sim:b/", FreshPagers(6)), none("sim:none/", {});
  none.rig.board.noBoard = true;
  recorder.hook = [&](const BoardEvent& e) {
    for (TestBoard* board : {&a, &b})
      if (e.port == board->port) board->Heard(e);
  };
  std::vector<BoardSetup> boards{SetupOf(a, line), SetupOf(b, line), SetupOf(none, line)};
  bool thrown = false;
  boards[0].program = [&](PagerJob& job) {
    if (!std::exchange(thrown, true)) throw std::runtime_error("the record is gone");
    return line.Program(job, a.rig.link);
  };
  run.Run(boards);

  const auto ok = recorder.Of("", BoardEvent::Kind::Ok);
  std::set<uint32_t> capcodes;
  std::set<int> pagers;
  for (const BoardEvent& e : ok) {
    ASSERT_EQ(e.capcodes.size(), 1u);
    capcodes.insert(e.capcodes[0].value);
    pagers.insert(e.pager);
    EXPECT_TRUE(run.written().Contains(e.capcodes[0].value));
  }
  EXPECT_EQ(ok.size(), 5u);
  EXPECT_EQ(capcodes.size(), 5u) << "no capcode twice";
  EXPECT_EQ(pagers.size(), 5u);
  EXPECT_FALSE(recorder.Of(a.port, BoardEvent::Kind::Ok).empty());
  EXPECT_FALSE(recorder.Of(b.port, BoardEvent::Kind::Ok).empty());
  const auto failed = recorder.Of(a.port, BoardEvent::Kind::Failed);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].reason, "the record is gone");
  for (const TestBoard* board : {&a, &b})
    EXPECT_TRUE(std::regex_match(recorder.Story(board->port), std::regex("(WI[OFA]Rr)*(WI[OFA]R)?E")))
        << recorder.Story(board->port);
  EXPECT_EQ(recorder.Story(none.port), "E");
  EXPECT_EQ(recorder.Of(none.port, BoardEvent::Kind::Finished)[0].end, BoardEnd::NoBoard);
  EXPECT_EQ(recorder.Of(a.port, BoardEvent::Kind::Finished)[0].end, BoardEnd::CountReached);
  const RunTotals totals = run.Totals();
  EXPECT_EQ(totals.pagers, 5);
  EXPECT_EQ(totals.failed, 1);
}

// A pager put back by mistake keeps the capcode it got and is not written;
// one pulled during its write is told apart from a failure, its capcode in
// doubt; the next pager gets a new capcode either way.
TEST(ContinuousRun, APagerPutBackOrPulledMidWriteGetsNoSecondCapcode) {
  for (const bool pull : {false, true}) {
    StopRequest stop;
    Recorder recorder;
    ContinuousRun run({pull ? 1 : 2, {}}, stop, recorder);
    Line line(run);
    TestBoard board("sim:b1/", {test::SimRig::FactoryPagerImage(), std::nullopt, test::SimRig::FactoryPagerImage()});
    if (pull) board.pagers.erase(board.pagers.begin() + 1), board.pullAt = 0.3;
    recorder.hook = [&](const BoardEvent& e) { board.Heard(e); };
    BoardSetup setup = SetupOf(board, line);
    run.RunBoard(setup);

    const auto ok = recorder.Of("", BoardEvent::Kind::Ok);
    ASSERT_EQ(ok.size(), pull ? 1u : 2u);
    EXPECT_EQ(ok.back().capcodes[0].value, 1200001u);
    const std::vector<PagerCapcode> first{{0, 1200000}};
    if (pull) {
      EXPECT_EQ(recorder.Story(board.port), "WIFrWIORE");
      const BoardEvent failed = recorder.Of("", BoardEvent::Kind::Failed)[0];
      EXPECT_EQ(failed.outcome, PagerOutcome::Kind::RemovedMidWrite);
      EXPECT_EQ(EventLine(failed, {}),
                "[sim:b1/] pager 1: FAILED: taken out during its write (Write error!); Cap #1 1200000 in doubt");
    } else {
      EXPECT_EQ(recorder.Story(board.port), "WIORrWIARrWIORE");
      EXPECT_EQ(recorder.Of("", BoardEvent::Kind::AlreadyProgrammed)[0].capcodes, first);
      EXPECT_EQ(board.rig.board.eeprom().counters.writeCyclesStarted, 2 * 128) << "the pager put back was not written";
    }
  }
}

TEST(ContinuousRun, AStopFinishesOrCutsThePagerInFlightAndStartsNoOther) {
  const struct {
    const char* what;
    BoardEvent::Kind when;
    int requests;
    const char* story;
  } cases[] = {
      {"while waiting", BoardEvent::Kind::Waiting, 1, "WE"},
      {"once while writing", BoardEvent::Kind::Programming, 1, "WIORE"},
      {"twice while writing", BoardEvent::Kind::Programming, 2, "WIFRE"},
  };
  for (const auto& c : cases) {
    StopRequest stop;
    Recorder recorder;
    ContinuousRun run({0, {}}, stop, recorder);
    Line line(run);
    TestBoard board("sim:b1/", FreshPagers(3));
    recorder.hook = [&](const BoardEvent& e) {
      board.Heard(e);
      if (e.kind == c.when && (e.kind != BoardEvent::Kind::Programming || e.progress >= 0.5) && stop.level() == 0)
        for (int k = 0; k < c.requests; ++k) stop.Request();
    };
    BoardSetup setup = SetupOf(board, line);
    run.RunBoard(setup);
    EXPECT_EQ(recorder.Story(board.port), c.story) << c.what;
    EXPECT_EQ(recorder.Of("", BoardEvent::Kind::Finished)[0].end, BoardEnd::Stopped) << c.what;
    if (c.requests == 2) {
      EXPECT_EQ(recorder.Of("", BoardEvent::Kind::Failed)[0].outcome, PagerOutcome::Kind::Interrupted) << c.what;
    }
  }
}

// A pager left in its socket once the other board has programmed the last
// of the count keeps no board waiting: the run ends there.
TEST(ContinuousRun, TheCountReachedElsewhereEndsTheWaitForARemoval) {
  StopRequest stop;
  Recorder recorder;
  ContinuousRun run({2, {}}, stop, recorder);
  Line line(run);
  TestBoard left("sim:left/", FreshPagers(1)), busy("sim:busy/", FreshPagers(3));
  std::atomic<bool> leftDone{false};  // the busy board's first pager comes after the left one's
  busy.rig.board.contact = [&](int64_t ns) { return leftDone && busy.Contact(static_cast<double>(ns) / 1e6); };
  recorder.hook = [&](const BoardEvent& e) {
    if (e.port == busy.port) busy.Heard(e);
    if (e.port == left.port && e.kind == BoardEvent::Kind::Remove) leftDone = true;
  };
  std::vector<BoardSetup> boards{SetupOf(left, line), SetupOf(busy, line)};
  std::thread watchdog([&] {
    for (int i = 0; i < 1000 && recorder.Of("", BoardEvent::Kind::Finished).size() < 2; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop.RequestAtLeast(StopRequest::kStopNow);  // a run still waiting fails below
  });
  run.Run(boards);
  watchdog.join();
  EXPECT_EQ(recorder.Story(left.port), "WIORE");
  for (const BoardEvent& e : recorder.Of("", BoardEvent::Kind::Finished))
    EXPECT_EQ(e.end, BoardEnd::CountReached) << e.port;
  EXPECT_EQ(run.Totals().pagers, 2);
}

TEST(ContinuousReport, OneLinePerEventInColourOnlyWhereWanted) {
  const auto event = [](BoardEvent::Kind kind, int pager, std::vector<PagerCapcode> capcodes = {},
                        std::string reason = {}) {
    return BoardEvent{kind, "sim:b1/", pager, 0, PagerOutcome::Kind::Failed, capcodes, reason, BoardEnd::NoBoard};
  };
  const ReportStyle plain, colour{true, false}, bell{false, true};
  const struct {
    BoardEvent event;
    ReportStyle style;
    std::string line;
  } cases[] = {
      {event(BoardEvent::Kind::Waiting, 0), colour, "[sim:b1/] waiting for a pager"},
      {event(BoardEvent::Kind::Ok, 7, {{0, 1234567}}), plain, "[sim:b1/] pager 7: Cap #1 1234567"},
      {event(BoardEvent::Kind::Ok, 7, {{0, 1234567}, {1, 12}}), colour,
       "[sim:b1/] \033[32mpager 7: Cap #1 1234567, Cap #2 0000012\033[0m"},
      {event(BoardEvent::Kind::AlreadyProgrammed, 8, {{0, 1234567}}), plain,
       "[sim:b1/] pager 8: already programmed: Cap #1 1234567"},
      {event(BoardEvent::Kind::Failed, 9, {}, "Verify Error!"), bell, "[sim:b1/] pager 9: FAILED: Verify Error!\a"},
      {event(BoardEvent::Kind::Remove, 9), bell, "[sim:b1/] remove the pager"},
      {event(BoardEvent::Kind::Programming, 9), plain, ""},
      {event(BoardEvent::Kind::Finished, 0, {}, "The Board is not responding!\n\nNo parallel port."), colour,
       "[sim:b1/] \033[1;31mstopped: The Board is not responding! No parallel port.\033[0m"},
  };
  for (const auto& c : cases) EXPECT_EQ(EventLine(c.event, c.style), c.line);

  EXPECT_TRUE(ColourWanted(true, nullptr, "xterm"));
  EXPECT_TRUE(ColourWanted(true, "", nullptr));
  EXPECT_FALSE(ColourWanted(false, nullptr, "xterm")) << "piped";
  EXPECT_FALSE(ColourWanted(true, "1", "xterm")) << "NO_COLOR";
  EXPECT_FALSE(ColourWanted(true, nullptr, "dumb"));

  EXPECT_EQ(TotalsLine({12, 1, 0, 60}), "Totals: 12 pagers, 1 failed, 720 pagers per hour");
  EXPECT_EQ(TotalsLine({1, 0, 2, 0}), "Totals: 1 pager, 0 failed, 2 already programmed, 0 pagers per hour");
}

}  // namespace
}  // namespace qrt

namespace qrt {
namespace {

// The panel's tile after each event of one board, as read across the bench,
// and the figures beneath after them.
TEST(PanelTiles, EachEventShowsWhatTheOperatorDoesNext) {
  using K = BoardEvent::Kind;
  const auto event = [](K kind, int pager, std::vector<PagerCapcode> capcodes = {}) {
    BoardEvent e;
    e.kind = kind;
    e.port = "sim:b1/";
    e.pager = pager;
    e.capcodes = std::move(capcodes);
    return e;
  };
  BoardEvent pulled = event(K::Failed, 2, {{0, 1001}});
  pulled.outcome = PagerOutcome::Kind::RemovedMidWrite;
  pulled.reason = "Write error!";
  BoardEvent gone = event(K::Finished, 0);
  gone.end = BoardEnd::NoBoard;
  gone.reason = "The Board is not responding!";
  const struct {
    BoardEvent event;
    const char *headline, *detail, *action;
    bool trouble;
  } steps[] = {
      {event(K::Waiting, 0), "WAITING", "clip a pager in", "", false},
      {event(K::Inserted, 1), "PROGRAMMING", "pager 1", "", false},
      {event(K::Ok, 1, {{0, 1000}}), "OK", "pager 1: Cap #1 0001000", "", false},
      {event(K::Remove, 1), "OK", "pager 1: Cap #1 0001000", "REMOVE THE PAGER", false},
      {event(K::Removed, 1), "OK", "pager 1: Cap #1 0001000", "", false},
      {event(K::Inserted, 2), "PROGRAMMING", "pager 2", "", false},
      {pulled, "FAILED", "pager 2: taken out during its write (Write error!); Cap #1 0001001 in doubt", "", true},
      {event(K::AlreadyProgrammed, 3, {{0, 1000}}), "ALREADY PROGRAMMED", "pager 3: Cap #1 0001000, not written",
       "", false},
      {gone, "NO BOARD", "The Board is not responding!", "", true},
  };
  production::PanelTiles tiles({"sim:b0/", "sim:b1/"});
  for (const auto& step : steps) {
    EXPECT_EQ(tiles.Apply(step.event), 1);
    const production::Tile& t = tiles.tiles()[1];
    EXPECT_EQ(t.headline, step.headline);
    EXPECT_EQ(t.detail, step.detail) << step.headline;
    EXPECT_EQ(t.action, step.action) << step.headline;
    EXPECT_EQ(t.trouble, step.trouble) << step.headline;
  }
  EXPECT_EQ(tiles.Apply(event(K::Waiting, 0)), 1);
  BoardEvent elsewhere = event(K::Waiting, 0);
  elsewhere.port = "sim:other/";
  EXPECT_EQ(tiles.Apply(elsewhere), -1);
  EXPECT_EQ(tiles.tiles()[0].headline, "READY");
  EXPECT_EQ(tiles.SummaryText(1800), "Pagers 1   Failures 1   2 per hour   Yield 50 %   Put back 1");
  EXPECT_EQ(production::PanelTiles({"sim:b1/"}).SummaryText(0), "Pagers 0   Failures 0   - per hour   Yield -");
}

}  // namespace
}  // namespace qrt
