#include "transfer/Continuous.h"

#include <exception>
#include <thread>

namespace qrt {
namespace {

BoardEvent EventOf(BoardEvent::Kind kind, int pager = 0) {
  BoardEvent event;
  event.kind = kind;
  event.pager = pager;
  return event;
}

}  // namespace

const std::string& PagerJob::port() const { return board_.port; }

void PagerJob::Progress(double fraction) {
  BoardEvent event = EventOf(BoardEvent::Kind::Programming, pager_);
  event.progress = fraction < 0 ? 0 : fraction > 1 ? 1 : fraction;
  run_.Emit(board_, std::move(event));
}

bool PagerJob::StopNow() const { return run_.stop_.stopNow(); }

bool PagerJob::PagerTakenOut() { return !presence_.StillIn(); }

ContinuousRun::ContinuousRun(RunOptions options, const StopRequest& stop, BoardObserver& observer)
    : options_(options), stop_(stop), observer_(observer), slots_(options.count),
      start_(std::chrono::steady_clock::now()) {}

void ContinuousRun::Run(std::vector<BoardSetup>& boards) {
  std::vector<std::thread> threads;
  threads.reserve(boards.size());
  try {
    for (BoardSetup& board : boards) threads.emplace_back([this, &board] { RunBoard(board); });
  } catch (...) {
    // No thread to be had: the boards already running end as asked, then
    // the caller hears why.
    for (std::thread& t : threads) t.join();
    throw;
  }
  for (std::thread& t : threads) t.join();
}

void ContinuousRun::RunBoard(BoardSetup& board) {
  BoardEvent finished = EventOf(BoardEvent::Kind::Finished);
  try {
    finished.end = Loop(board, finished.reason);
  } catch (const std::exception& e) {
    finished.end = BoardEnd::Error;
    finished.reason = e.what();
  } catch (...) {
    finished.end = BoardEnd::Error;
    finished.reason = "an unknown error";
  }
  const int64_t ended = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now() - start_).count();
  int64_t last = endNs_.load();
  while (last < ended && !endNs_.compare_exchange_weak(last, ended)) {
  }
  Emit(board, std::move(finished));
}

BoardEnd ContinuousRun::Loop(BoardSetup& board, std::string& reason) {
  if (!board.transport->DetectBoard()) {
    reason = board.transport->detectionMessage();
    return BoardEnd::NoBoard;
  }
  PagerPresence presence(*board.transport, *board.clock, options_.presence);
  const auto running = [this] { return !stop_.requested(); };
  for (;;) {
    if (stop_.requested()) return BoardEnd::Stopped;
    if (!TakeSlot()) return BoardEnd::CountReached;
    Emit(board, EventOf(BoardEvent::Kind::Waiting));
    if (!presence.WaitForInsertion(running)) {
      GiveBackSlot();
      return BoardEnd::Stopped;
    }
    const int pager = ++nextPager_;
    Emit(board, EventOf(BoardEvent::Kind::Inserted, pager));

    PagerOutcome outcome = Program(board, presence, pager);
    BoardEvent done = EventOf(BoardEvent::Kind::Ok, pager);
    done.outcome = outcome.kind;
    done.capcodes = std::move(outcome.capcodes);
    done.reason = std::move(outcome.reason);
    switch (outcome.kind) {
      case PagerOutcome::Kind::Ok:
        done.kind = BoardEvent::Kind::Ok;
        ++ok_;
        break;
      case PagerOutcome::Kind::AlreadyProgrammed:
        done.kind = BoardEvent::Kind::AlreadyProgrammed;
        ++already_;
        break;
      default:
        done.kind = BoardEvent::Kind::Failed;
        ++failed_;
        break;
    }
    if (outcome.kind != PagerOutcome::Kind::Ok) GiveBackSlot();
    Emit(board, std::move(done));

    // A pager taken out during its write needs no telling.
    if (outcome.kind != PagerOutcome::Kind::RemovedMidWrite) Emit(board, EventOf(BoardEvent::Kind::Remove, pager));
    // The last pager of the count needs no waiting for; a stop ends the wait.
    if (CountReached()) return BoardEnd::CountReached;
    // Once the other boards have programmed the rest of the count, nothing
    // is left to wait for the removal for.
    const auto countOpen = [this] { return !stop_.requested() && !CountReached(); };
    if (!presence.WaitForRemoval(countOpen)) return CountReached() ? BoardEnd::CountReached : BoardEnd::Stopped;
    Emit(board, EventOf(BoardEvent::Kind::Removed, pager));
  }
}

PagerOutcome ContinuousRun::Program(BoardSetup& board, PagerPresence& presence, int pager) {
  PagerJob job(*this, board, presence, pager);
  PagerOutcome outcome;
  try {
    outcome = board.program(job);
  } catch (const std::exception& e) {
    outcome = PagerOutcome{};
    outcome.reason = e.what();
  } catch (...) {
    outcome = PagerOutcome{};
    outcome.reason = "an unknown error";
  }
  return outcome;
}

void ContinuousRun::Emit(const BoardSetup& board, BoardEvent event) {
  event.port = board.port;
  observer_.OnEvent(event);
}

bool ContinuousRun::CountReached() const { return options_.count > 0 && ok_.load() >= options_.count; }

bool ContinuousRun::TakeSlot() {
  if (options_.count <= 0) return true;
  int left = slots_.load();
  while (left > 0 && !slots_.compare_exchange_weak(left, left - 1)) {
  }
  return left > 0;
}

void ContinuousRun::GiveBackSlot() {
  if (options_.count > 0) ++slots_;
}

RunTotals ContinuousRun::Totals() const {
  RunTotals totals;
  totals.pagers = ok_.load();
  totals.failed = failed_.load();
  totals.alreadyProgrammed = already_.load();
  const int64_t ended = endNs_.load();
  totals.seconds = ended >= 0 ? static_cast<double>(ended) / 1e9
                              : std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  return totals;
}

}  // namespace qrt
