#include "station/PanelRun.h"

#include <cmath>
#include <exception>

#include "link/RealClock.h"
#include "ports/Connection.h"
#include "ports/PortIdentity.h"
#include "transfer/ContinuousReport.h"

namespace qrt::production {
namespace {

// Nobody sits at a board of the panel to answer a question: a pager that
// would need one (another model's image, the other hardware variant) is
// not written, and its tile says why.
class NoOneToAsk : public Messages {
 public:
  void Show(std::string_view, MsgIcon) override {}
  bool AskYesNo(std::string_view, MsgIcon) override { return false; }
};

}  // namespace

PanelTiles::PanelTiles(const std::vector<std::string>& ports) {
  for (const std::string& port : ports) {
    Tile tile;
    tile.port = port;
    tile.headline = "READY";
    tile.detail = "press Start";
    tiles_.push_back(tile);
  }
}

void PanelTiles::Starting() {
  for (Tile& tile : tiles_) tile = {tile.port, TileState::Idle, "STARTING", "finding the board", "", 0, false};
}

int PanelTiles::Apply(const BoardEvent& e) {
  int index = -1;
  for (size_t i = 0; i < tiles_.size(); ++i)
    if (tiles_[i].port == e.port) index = static_cast<int>(i);
  if (index < 0) return -1;
  Tile& t = tiles_[static_cast<size_t>(index)];
  const std::string pager = "pager " + std::to_string(e.pager);
  switch (e.kind) {
    case BoardEvent::Kind::Waiting:
      t = {t.port, TileState::Waiting, "WAITING", "clip a pager in", "", 0, false};
      break;
    case BoardEvent::Kind::Inserted:
      t = {t.port, TileState::Programming, "PROGRAMMING", pager, "", 0, false};
      break;
    case BoardEvent::Kind::Programming:
      t.progress = e.progress;
      break;
    case BoardEvent::Kind::Ok:
      ++pagers_;
      t = {t.port, TileState::Ok, "OK", pager + ": " + OutcomeText(e), "", 1, false};
      break;
    case BoardEvent::Kind::AlreadyProgrammed:
      ++already_;
      t = {t.port, TileState::Already, "ALREADY PROGRAMMED", pager + ": " + CapcodesText(e.capcodes) + ", not written",
           "", 0, false};
      break;
    case BoardEvent::Kind::Failed: {
      ++failures_;
      std::string why = OutcomeText(e);
      if (why.rfind("FAILED: ", 0) == 0) why.erase(0, 8);
      t = {t.port, TileState::Failed, "FAILED", pager + ": " + why, "", 0, true};
      break;
    }
    case BoardEvent::Kind::Remove:
      t.action = "REMOVE THE PAGER";
      break;
    case BoardEvent::Kind::Removed:
      t.action.clear();
      break;
    case BoardEvent::Kind::Finished: {
      const bool trouble = e.end == BoardEnd::NoBoard || e.end == BoardEnd::Error;
      // The last pager's outcome stays readable below the board's end.
      const std::string last = t.state == TileState::Ok || t.state == TileState::Failed ? t.detail : "";
      t.state = TileState::Ended;
      t.headline = trouble ? "NO BOARD" : e.end == BoardEnd::CountReached ? "DONE" : "STOPPED";
      if (e.end == BoardEnd::Error) t.headline = "STOPPED";
      t.detail = trouble ? e.reason : last;
      t.trouble = trouble;
      t.progress = 0;
      break;
    }
  }
  return index;
}

std::string PanelTiles::SummaryText(double seconds) const {
  const std::string perHour =
      seconds > 0 && pagers_ > 0 ? std::to_string(std::lround(3600.0 * pagers_ / seconds)) : std::string("-");
  const int tried = pagers_ + failures_;
  const std::string yield = tried > 0 ? std::to_string(std::lround(100.0 * pagers_ / tried)) + " %" : "-";
  std::string text = "Pagers " + std::to_string(pagers_) + "   Failures " + std::to_string(failures_) + "   " +
                     perHour + " per hour   Yield " + yield;
  if (already_ > 0) text += "   Put back " + std::to_string(already_);
  return text;
}

struct PanelRun::Board {
  RealClock clock;
  NoOneToAsk messages;
  Connection connection{clock, messages};
  std::unique_ptr<ProductionLine> line;
  std::unique_ptr<ContinuousPager> pager;
};

PanelRun::PanelRun(PanelRunSetup setup, BoardObserver& observer)
    : setup_(std::move(setup)), run_({setup_.count, {}}, stop_, observer) {}

PanelRun::~PanelRun() {
  Stop();
  Wait();
}

std::string PanelRun::Start() {
  if (setup_.ports.empty()) return "No board: name at least one port.";
  const std::string simImage = setup_.station ? setup_.station->options().simImage : std::string();
  if (const std::string shared = SharedDeviceOnThisMachine(setup_.ports, simImage); !shared.empty()) return shared;
  const std::vector<int> given = GivenRecords(setup_.allocation, false, false);
  Connection* station = setup_.station;
  for (const std::string& port : setup_.ports) {
    auto board = std::make_unique<Board>();
    Connection* connection = station;
    if (!station || port != station->options().port) {
      ConnectionOptions options = station ? station->options() : ConnectionOptions();
      options.port = port;
      if (port != "sim") options.simImage.clear();
      const Connection::Opened opened = board->connection.Open(options);
      if (!opened.ok) {
        boards_.clear();
        setups_.clear();
        return port + ": " + opened.error;
      }
      board->connection.transport().CalibrateDelay();
      connection = &board->connection;
    }
    if (setup_.store || !setup_.allocation.empty()) {
      board->line = std::make_unique<ProductionLine>(setup_.store, port, board->messages);
      board->line->SetAllocation(setup_.allocation);
    }
    board->pager = std::make_unique<ContinuousPager>(setup_.table, connection->transport(), board->messages,
                                                     board->line.get(), stop_, run_.written(), given);
    ContinuousPager& pager = *board->pager;
    setups_.push_back({port, &connection->transport(), &connection->clock(),
                       [&pager](PagerJob& job) { return pager.Program(job); }});
    boards_.push_back(std::move(board));
  }
  ended_ = false;
  worker_ = std::thread([this] {
    try {
      run_.Run(setups_);
    } catch (const std::exception& e) {
      // No thread for a board: the boards that ran have ended as asked.
      failure_ = e.what();
    }
    ended_ = true;
  });
  return {};
}

void PanelRun::Wait() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace qrt::production
