#pragma once
// The window's Production Panel without widgets: one tile per board, worded
// as an operator reads it from across the bench, the run's figures beneath,
// and the run itself on threads of its own, so that nothing the boards do
// (the bus, the record) waits on the window's thread.
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/StopRequest.h"
#include "link/BusSpeed.h"
#include "ports/Connection.h"
#include "record/Allocation.h"
#include "record/ProductionStore.h"
#include "station/ContinuousPager.h"
#include "transfer/Continuous.h"

namespace qrt::production {

enum class TileState {
  Idle,         // no run yet
  Waiting,      // for a pager to be clipped in
  Programming,  // `progress` of it done
  Ok,           // programmed: `detail` names its capcodes
  Failed,       // `detail` says why
  Already,      // put back by mistake: nothing written
  Ended,        // the board's part of the run is over (`detail`: why, for a board that could not run)
};

struct Tile {
  std::string port;
  TileState state = TileState::Idle;
  std::string headline;  // the big word: "WAITING", "OK", "FAILED", ...
  std::string detail;    // the pager and its capcodes, or why it failed
  std::string action;    // what the operator does now: "REMOVE THE PAGER", or nothing
  double progress = 0;   // 0 to 1, while programming
  bool trouble = false;  // shown in the failure colour (a failed pager, a board that could not run)
};

class PanelTiles {
 public:
  explicit PanelTiles(const std::vector<std::string>& ports);

  // A run starts: every board is being found.
  void Starting();
  // Takes one event of the run; the index of the tile it changed, or -1.
  int Apply(const BoardEvent& event);
  const std::vector<Tile>& tiles() const { return tiles_; }

  int pagers() const { return pagers_; }
  int failures() const { return failures_; }
  // "Pagers 12   Failures 1   843 per hour   Yield 92 %" after `seconds`
  // of the run; "-" for a figure that has nothing to go on yet.
  std::string SummaryText(double seconds) const;

 private:
  std::vector<Tile> tiles_;
  int pagers_ = 0, failures_ = 0, already_ = 0;
};

struct PanelRunSetup {
  std::vector<std::string> ports;  // the boards
  // The station's own connection: the board on its port runs through it (a
  // port is opened once), every other board opens its own like it.
  Connection* station = nullptr;
  RunTable table;
  ProductionStore* store = nullptr;           // none: no record (working without one on purpose)
  std::vector<CapcodeRange> allocation;       // empty: every pager gets the table's capcodes
  int count = 0;                              // pagers in all; 0 until Stop
};

// One run of the panel's boards. The observer hears every event on the
// boards' threads.
class PanelRun {
 public:
  PanelRun(PanelRunSetup setup, BoardObserver& observer);
  // A run still going is stopped as Stop stops it, and waited for.
  ~PanelRun();
  PanelRun(const PanelRun&) = delete;
  PanelRun& operator=(const PanelRun&) = delete;

  // Opens every board's port and starts the run; empty, or why it could not
  // start (then nothing has started).
  std::string Start();
  // Finishes the pagers being programmed and starts no new one.
  void Stop() { stop_.RequestAtLeast(StopRequest::kFinishInFlight); }
  bool stopping() const { return stop_.requested(); }
  // Every board has ended (true also before Start).
  bool ended() const { return ended_; }
  // Waits until every board has ended.
  void Wait();
  RunTotals Totals() const { return run_.Totals(); }
  // Why the run could not put all its boards to work; read once ended().
  const std::string& failure() const { return failure_; }

 private:
  struct Board;
  PanelRunSetup setup_;
  StopRequest stop_;
  ContinuousRun run_;
  std::vector<std::unique_ptr<Board>> boards_;
  std::vector<BoardSetup> setups_;
  std::atomic<bool> ended_{true};
  std::string failure_;
  std::thread worker_;
};

}  // namespace qrt::production
