#pragma once
// One board of a hands-free run: the pager in its socket programmed as one
// press of F4 in Write Mode programs it (read whole and kept, the pages that
// differ written, all 2048 bytes verified), with its capcodes from the
// production line and its record kept before anyone is told it is done.
// The command line's `write --continuous` and the window's Production Panel
// both program their pagers through this one class, one per board, each
// board with an editor of its own holding the run's table (the window's
// editor stays on the window's thread).
//
// What it adds to the press: a pager put back by mistake (it holds the
// table's settings and a capcode this run wrote) is reported as already
// programmed and nothing is written; a write that fails asks whether the
// pager was taken out, and one that was is a RemovedMidWrite whose capcodes
// the line has recorded in doubt; a stop at kStopNow ends the write after
// the page being sent (Interrupted, recorded as the line records a failure).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "base/StopRequest.h"
#include "image/PagerImage.h"
#include "link/Transport.h"
#include "station/ProductionLine.h"
#include "transfer/Continuous.h"
#include "transfer/PagerTransfer.h"

namespace qrt::production {

// The table every pager of a run receives, as the window holds it (prompts
// in the display's character set), and where the pagers' backups go.
struct RunTable {
  Image image{};
  std::string path;        // the table file, for the record; empty for an unsaved table
  std::string logo;        // the logo the board's editor starts with, as the window's did
  std::string backupsDir;  // every pager is read whole and kept here before it is written
};

// The capcode records (0-based) of which each pager gets its own capcode:
// the slots of the allocation, else the capcodes the batch increases
// (`increase1`, `increase2`). Empty: every pager gets the table's.
std::vector<int> GivenRecords(const std::vector<CapcodeRange>& allocation, bool increase1, bool increase2);

class ContinuousPager {
 public:
  // `transport`, `messages`, `line` (null: no record and the table's
  // capcodes), `stop` and `written` outlive it.
  ContinuousPager(const RunTable& table, PagerTransport& transport, Messages& messages, ProductionLine* line,
                  const StopRequest& stop, WrittenCapcodes& written, std::vector<int> givenRecords);
  ~ContinuousPager();
  ContinuousPager(const ContinuousPager&) = delete;
  ContinuousPager& operator=(const ContinuousPager&) = delete;

  // What the transfers report to: the already-programmed rule in front of
  // the line.
  TransferObserver& observer();
  // Test hooks of the command line: `front` (forwarding to observer())
  // stands between the transfers and the line, and `changed` is told each
  // change of the transfer's state. Both outlive it.
  void SetTestHooks(TransferObserver* front, std::function<void(const std::string& phase, int value, int pager)> changed);

  // Programs the pager in the socket (the run's ProgramOne).
  PagerOutcome Program(PagerJob& job);

 private:
  struct Board;
  std::unique_ptr<Board> board_;
};

}  // namespace qrt::production
