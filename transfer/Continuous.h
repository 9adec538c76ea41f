#pragma once
// Hands-free production: every board programs the pager clipped into it by
// itself. Each board waits until a pager is in its socket (PagerPresence),
// programs it through the caller's ProgramOne, reports, waits until the
// pager is taken out, and starts again; until the run's count of pagers is
// programmed or a stop is requested. Each board runs on a thread of its own
// with its own transport and clock; the count, the pager numbers, the
// capcodes written and the totals are the run's, shared by its boards.
//
// How the rest plugs in:
// - `qrt35 write FILE --continuous` makes, per --port, the session a batch
//   port has (editor with the table, connection, production line) and one
//   BoardSetup whose ProgramOne runs one pager through the transfer API:
//   backup read; AlreadyProgrammed (transfer/RunCapcodes.h) against the
//   run's written() capcodes, which answers AlreadyProgrammed and writes
//   nothing; the capcodes from the record or the shared counter; the changed
//   pages; verify; the record. A write that fails asks
//   job.PagerTakenOut(): yes makes it RemovedMidWrite and its capcodes are
//   recorded in doubt. Between pages it asks job.StopNow(). The capcodes
//   that reached a pager go into written(). The command's observer is a
//   ContinuousPrinter (transfer/ContinuousReport.h), its last line
//   TotalsLine(Totals()).
// - Ctrl-C: the program's one StopRequest (base/StopRequest.h), raised by
//   the signal handler, is the one this run is given.
// - The window's Production Panel runs Run() on a worker thread with an
//   observer that queues each event to the window's thread (one tile per
//   port); Stop raises the panel run's own StopRequest to kFinishInFlight.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "base/StopRequest.h"
#include "link/Clock.h"
#include "link/PagerPresence.h"
#include "link/Transport.h"
#include "transfer/RunCapcodes.h"

namespace qrt {

// What programming one pager came to.
struct PagerOutcome {
  enum class Kind {
    Ok,                 // written and verified; `capcodes` are the ones it got
    Failed,             // `reason` says why
    AlreadyProgrammed,  // put back by mistake: nothing written; `capcodes` are the ones it holds
    Interrupted,        // a stop came during its write (kStopNow)
    RemovedMidWrite,    // taken out during its write; `capcodes` are in doubt
  };
  Kind kind = Kind::Failed;
  std::vector<PagerCapcode> capcodes;
  std::string reason;
};

// Why a board ended.
enum class BoardEnd {
  CountReached,  // the run's pagers are programmed or taken by the other boards
  Stopped,       // a stop was requested
  NoBoard,       // the board was not found; `reason` is what the detection said
  Error,         // something the board could not go on after; `reason` says what
};

// One thing that happened on one board, for the operator.
struct BoardEvent {
  enum class Kind {
    Waiting,            // for a pager to be clipped in
    Inserted,           // a pager is in: programming starts
    Programming,        // `progress` of it done
    Ok,                 // `capcodes` received
    Failed,             // `outcome` Failed, Interrupted or RemovedMidWrite; `reason`
    AlreadyProgrammed,  // `capcodes` held, nothing written
    Remove,             // the operator should take the pager out
    Removed,            // it is out
    Finished,           // the board ends: `end`, `reason`
  };
  Kind kind = Kind::Waiting;
  std::string port;
  int pager = 0;  // the pager's number in the run, from 1; 0 when there is none
  double progress = 0;
  PagerOutcome::Kind outcome = PagerOutcome::Kind::Ok;
  std::vector<PagerCapcode> capcodes;
  std::string reason;
  BoardEnd end = BoardEnd::CountReached;
};

// Receives every board's events, on the boards' threads: one per run, and it
// must take events from several threads at once.
class BoardObserver {
 public:
  virtual ~BoardObserver() = default;
  virtual void OnEvent(const BoardEvent& event) = 0;
};

class ContinuousRun;
struct BoardSetup;

// One pager being programmed, as ProgramOne sees it.
class PagerJob {
 public:
  int pager() const { return pager_; }
  const std::string& port() const;
  // `fraction` (0 to 1) of the pager is done.
  void Progress(double fraction);
  // A stop at kStopNow: end after the page being written (Interrupted).
  bool StopNow() const;
  // After a transfer failed: whether the pager was taken out (no answer for
  // the presence's `goneMs`) rather than failing in its socket.
  bool PagerTakenOut();

 private:
  friend class ContinuousRun;
  PagerJob(ContinuousRun& run, BoardSetup& board, PagerPresence& presence, int pager)
      : run_(run), board_(board), presence_(presence), pager_(pager) {}
  ContinuousRun& run_;
  BoardSetup& board_;
  PagerPresence& presence_;
  int pager_;
};

// Programs the pager in the board's socket. An exception it throws is that
// pager's failure; the board goes on.
using ProgramOne = std::function<PagerOutcome(PagerJob&)>;

struct BoardSetup {
  std::string port;                     // names the board in its events ("sim:b1/")
  // The board's. The run finds it first (DetectBoard, whose message goes
  // to the transport's Messages on this board's thread) and then probes it
  // between pagers; ProgramOne writes through it.
  PagerTransport* transport = nullptr;
  Clock* clock = nullptr;               // the one the transport runs on
  ProgramOne program;
};

struct RunOptions {
  int count = 0;  // pagers programmed in all, on every board together; 0: until stopped
  PresenceTiming presence;
};

struct RunTotals {
  int pagers = 0;  // programmed
  int failed = 0;  // failed, interrupted or taken out during the write
  int alreadyProgrammed = 0;
  double seconds = 0;  // from the start of the run to its end (or now)
};

class ContinuousRun {
 public:
  // `stop` and `observer` outlive the run.
  ContinuousRun(RunOptions options, const StopRequest& stop, BoardObserver& observer);

  // Runs every board on a thread of its own; returns when all have ended.
  void Run(std::vector<BoardSetup>& boards);
  // Runs one board on the calling thread until it ends (Run does this on
  // each board's thread). Never throws: what would end it is its Finished.
  void RunBoard(BoardSetup& board);

  // The capcodes the run's pagers received, for the already-programmed rule.
  WrittenCapcodes& written() { return written_; }
  RunTotals Totals() const;

 private:
  friend class PagerJob;
  BoardEnd Loop(BoardSetup& board, std::string& reason);
  PagerOutcome Program(BoardSetup& board, PagerPresence& presence, int pager);
  void Emit(const BoardSetup& board, BoardEvent event);
  bool CountReached() const;  // the run's count of pagers is programmed
  bool TakeSlot();      // one pager of the count for this board; false: none left
  void GiveBackSlot();  // its pager was not programmed

  RunOptions options_;
  const StopRequest& stop_;
  BoardObserver& observer_;
  WrittenCapcodes written_;
  std::atomic<int> slots_;  // pagers of the count not yet taken by a board
  std::atomic<int> nextPager_{0};
  std::atomic<int> ok_{0}, failed_{0}, already_{0};
  std::chrono::steady_clock::time_point start_;
  std::atomic<int64_t> endNs_{-1};  // since start_; -1 while a board runs
};

}  // namespace qrt
