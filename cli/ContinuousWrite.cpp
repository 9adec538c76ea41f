#include "cli/ContinuousWrite.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ProductInfo.h"
#include "cli/TestMoments.h"
#include "codecs/Capcode.h"
#include "station/ContinuousPager.h"
#include "station/ProductionLine.h"
#include "transfer/Continuous.h"
#include "transfer/ContinuousReport.h"

namespace qrt::cli {
namespace {

constexpr int kOk = 0;
constexpr int kRefused = 1;

// The printer's lines, and whether a board could not run or ended on an error.
class RunObserver : public BoardObserver {
 public:
  explicit RunObserver(ContinuousPrinter& printer) : printer_(printer) {}
  void OnEvent(const BoardEvent& event) override {
    if (event.kind == BoardEvent::Kind::Finished && (event.end == BoardEnd::NoBoard || event.end == BoardEnd::Error))
      boardFailed = true;
    printer_.OnEvent(event);
  }
  std::atomic<bool> boardFailed{false};

 private:
  ContinuousPrinter& printer_;
};

// One board: its own console lines, port, production line and editor.
struct Board {
  Console console;
  std::unique_ptr<Session> session;
  std::unique_ptr<production::ProductionLine> line;
  std::unique_ptr<TestMoments> moments;
  std::unique_ptr<production::ContinuousPager> pager;
};

std::string SharedNext(production::SharedCapcodes& shared, const CommandLine& line) {
  const production::SharedCapcodes::Taken next = shared.Next();
  std::string text;
  if (line.autoIncrease1) text += "Cap #1 " + CapcodeText(next.capcode1);
  if (line.autoIncrease2) text += std::string(line.autoIncrease1 ? ", " : "") + "Cap #2 " + CapcodeText(next.capcode2);
  return text;
}

}  // namespace

int WriteContinuously(Console& console, const CommandLine& line, const PortOptions& port,
                      production::ProductionStore* store, FILE* out) {
  // The table every pager receives, opened once as File > Open opens it.
  Session table(console, line.yes);
  table.Start();
  if (!table.OpenTable(line.files[0])) return kRefused;
  const production::RunTable runTable{table.state.PagerImage, table.state.CurrentTablePath, product::kDefaultLogo,
                                      table.state.BackupsDir};
  // Without an allocation the increasing capcodes are one counter for
  // every board: each pager, on whichever board, takes the next.
  std::unique_ptr<production::SharedCapcodes> shared;
  if (line.allocate.empty() && (line.autoIncrease1 || line.autoIncrease2))
    shared = std::make_unique<production::SharedCapcodes>(DecodeCapcode(runTable.image, 0),
                                                          DecodeCapcode(runTable.image, 1), line.autoIncrease1,
                                                          line.autoIncrease2);
  const std::vector<int> given = production::GivenRecords(line.allocate, line.autoIncrease1, line.autoIncrease2);

  StopRequest neverRaised;
  const StopRequest& stop = console.stopRequest() ? *console.stopRequest() : neverRaised;
  ContinuousPrinter printer(out, StyleFor(out, line.bell));
  RunObserver observer(printer);
  ContinuousRun run({line.count, {}}, stop, observer);

  std::mutex linesLock;
  std::vector<std::unique_ptr<Board>> boards;
  std::vector<BoardSetup> setups;
  for (const std::string& name : line.ports) {
    auto board = std::make_unique<Board>(Board{console, nullptr, nullptr, nullptr, nullptr});
    board->console.ForOnePortOfMany("[" + name + "] ", &linesLock);
    board->session = std::make_unique<Session>(board->console, line.yes);
    Session& s = *board->session;
    s.Start();
    PortOptions options = port;
    options.port = name;
    if (name != "sim") options.simImage.clear();
    std::string whyNot;
    if (!s.ConnectPort(options, &whyNot)) {
      BoardEvent gone;
      gone.kind = BoardEvent::Kind::Finished;
      gone.port = name;
      gone.end = BoardEnd::NoBoard;
      gone.reason = whyNot;
      observer.OnEvent(gone);
      continue;
    }
    if (store || shared) {
      board->line = std::make_unique<production::ProductionLine>(store, name, s.messages);
      board->line->note = [&s](const std::string& text) { s.messages.Note(text); };
      board->line->SetAllocation(line.allocate);
      board->line->SetSharedCapcodes(shared.get());
    }
    board->pager = std::make_unique<production::ContinuousPager>(runTable, s.connection()->transport(), s.messages,
                                                                 board->line.get(), stop, run.written(), given);
    board->moments = TestMoments::ForPort(name);
    if (board->moments) {
      board->moments->SetObserver(&board->pager->observer());
      TestMoments& moments = *board->moments;
      board->pager->SetTestHooks(&moments, [&moments](const std::string& phase, int value, int pager) {
        moments.SetPager(pager);
        moments.Changed(phase, value);
      });
    }
    production::ContinuousPager& pager = *board->pager;
    setups.push_back({name, &s.connection()->transport(), &s.connection()->clock(),
                      [&pager](PagerJob& job) { return pager.Program(job); }});
    boards.push_back(std::move(board));
  }
  if (!setups.empty()) run.Run(setups);

  const RunTotals totals = run.Totals();
  std::fprintf(out, "%s\n", TotalsLine(totals).c_str());
  std::fflush(out);
  // The increased capcodes live only in this run: the next one goes on from here.
  if (shared) console.Line("Next in the batch: " + SharedNext(*shared, line) + " (the table file is unchanged)");
  const bool complete = line.count == 0 || totals.pagers >= line.count;
  return totals.failed == 0 && !observer.boardFailed && (complete || stop.requested()) ? kOk : kRefused;
}

}  // namespace qrt::cli
