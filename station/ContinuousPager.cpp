#include "station/ContinuousPager.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include "codecs/Capcode.h"
#include "editor/Editor.h"
#include "transfer/EditorTransfer.h"

namespace qrt::production {
namespace {

// The pager's progress for the operator: the backup read, the pages and the
// verify are each a third of it (a pager whose pages all hold the table's
// bytes skips the middle third).
class JobProgress : public TransferProgress {
 public:
  JobProgress(PagerJob& job, const std::function<void(const std::string&, int, int)>& changed)
      : job_(job), changed_(changed) {}
  void Phase(const char* label, int max, int value, bool) override {
    label_ = label;
    max_ = max;
    Step(value);
  }
  void Step(int value) override {
    if (changed_) changed_(label_, value, job_.pager());
    const double part = max_ > 0 ? std::clamp(double(value) / max_, 0.0, 1.0) : 0;
    double at = -1;
    if (label_.rfind("Reading", 0) == 0) at = part / 3;
    else if (label_.rfind("Writing", 0) == 0) at = (1 + part) / 3;
    else if (label_.rfind("Verifying", 0) == 0) at = (2 + part) / 3;
    const int percent = static_cast<int>(std::lround(at * 100));
    if (at < 0 || percent <= percent_) return;  // one event per percent, never backwards
    percent_ = percent;
    job_.Progress(at);
  }

 private:
  PagerJob& job_;
  const std::function<void(const std::string&, int, int)>& changed_;
  std::string label_;
  int max_ = 0;
  int percent_ = -1;
};

// The board's messages, passed on, the last one kept: a pager refused by
// the production line (the record away, no capcode left) fails with what
// the line said.
class LastShown : public Messages {
 public:
  explicit LastShown(Messages& inner) : inner_(inner) {}
  void Show(std::string_view text, MsgIcon icon) override {
    last = text;
    inner_.Show(text, icon);
  }
  bool AskYesNo(std::string_view text, MsgIcon icon) override {
    last = text;
    return inner_.AskYesNo(text, icon);
  }
  std::string last;

 private:
  Messages& inner_;
};

}  // namespace

std::vector<int> GivenRecords(const std::vector<CapcodeRange>& allocation, bool increase1, bool increase2) {
  std::vector<int> records;
  if (!allocation.empty()) {
    for (const CapcodeRange& range : allocation)
      if (std::find(records.begin(), records.end(), range.slot - 1) == records.end()) records.push_back(range.slot - 1);
    std::sort(records.begin(), records.end());
    return records;
  }
  if (increase1) records.push_back(0);
  if (increase2) records.push_back(1);
  return records;
}

// In front of the production line: the pager put back by mistake is
// refused once its backup read has shown what it holds, before the line
// reserves it a capcode. Without a line, the pager gets the table's
// capcodes and no record.
class Guard : public TransferObserver {
 public:
  Guard(ProductionLine* line, const WrittenCapcodes& written, const std::vector<int>& given)
      : line_(line), written_(written), given_(given) {}

  bool BeforeWrite(Image& image, TransferKind kind) override {
    already.reset();
    return !line_ || line_->BeforeWrite(image, kind);
  }
  bool AssignCapcodes(Image& image, TransferKind kind, const Image* pagerBefore) override {
    if (pagerBefore) {
      already = AlreadyProgrammed(*pagerBefore, image, given_, written_);
      if (already) return false;  // nothing is written; the line gives back what it took
    }
    return !line_ || line_->AssignCapcodes(image, kind, pagerBefore);
  }
  TransferRecord AfterTransfer(const TransferFacts& facts) override {
    return line_ ? line_->AfterTransfer(facts) : TransferRecord{};
  }
  bool AssignsCapcodes() const override { return line_ && line_->AssignsCapcodes(); }

  std::optional<std::vector<PagerCapcode>> already;  // of the pager under way

 private:
  ProductionLine* line_;
  const WrittenCapcodes& written_;
  const std::vector<int>& given_;
};

struct ContinuousPager::Board {
  Board(const RunTable& table, PagerTransport& t, Messages& m, ProductionLine* l, const StopRequest& s,
        WrittenCapcodes& w, std::vector<int> g)
      : transport(t), messages(m), line(l), stop(s), written(w), given(std::move(g)),
        editor(state, messages, host), guard(l, w, given) {
    // The window's start, then the table taken over as File > Open takes a file.
    state.KeepBackups = true;
    state.BackupBeforeWrite = true;  // the backup read is how a pager put back is known
    state.BackupsDir = table.backupsDir;
    editor.LoadDefaults(table.logo);
    editor.ShowStartImage(DefaultTable::None);
    state.CurrentTablePath = table.path;
    state.PagerImage = table.image;
    editor.DetectBand();
    editor.init_ctl();
    editor.Click({Ctl::WriteOpt, 0});
  }

  // The capcodes the pager holds where the run gives them, else the
  // table's switched on: what the operator reads on the tile or the line.
  std::vector<PagerCapcode> CapcodesHeld(const Image& image) const {
    if (!given.empty()) return CapcodesOf(image, given);
    std::vector<int> on;
    for (int i = 0; i < kCapcodeCount; ++i)
      if (image[CapcodeRecordAddress(i)] & 1) on.push_back(i);
    return CapcodesOf(image, on);
  }
  // The capcodes the line gave the last pager that may be in it.
  std::vector<PagerCapcode> InDoubt() const {
    std::vector<PagerCapcode> doubt;
    if (!line) return doubt;
    const std::vector<uint32_t>& freed = line->lastFreed();
    for (const ReservedCapcode& c : line->lastGiven())
      if (std::find(freed.begin(), freed.end(), c.capcode) == freed.end()) doubt.push_back({c.slot - 1, c.capcode});
    return doubt;
  }
  // A transfer that threw left its pager in an unknown state: recorded as
  // failed as if every page had reached it, its capcodes in doubt.
  void RecordThrown(const std::string& what, const Image& underWay) {
    TransferResult failed;
    failed.message = "Internal error: " + what;
    TransferFacts facts;
    facts.kind = TransferKind::Write;
    facts.result = &failed;
    facts.image = &underWay;
    facts.pagerTouched = true;
    facts.reachedAddress = ImageLastIndex;
    transport.ParkBus();
    (front ? *front : static_cast<TransferObserver&>(guard)).AfterTransfer(facts);
  }

  PagerTransport& transport;
  LastShown messages;
  ProductionLine* line;
  const StopRequest& stop;
  WrittenCapcodes& written;
  std::vector<int> given;
  AppState state;
  EditorHost host;
  Editor editor;
  Guard guard;
  TransferObserver* front = nullptr;
  std::function<void(const std::string&, int, int)> changed;
};

ContinuousPager::ContinuousPager(const RunTable& table, PagerTransport& transport, Messages& messages,
                                 ProductionLine* line, const StopRequest& stop, WrittenCapcodes& written,
                                 std::vector<int> givenRecords)
    : board_(std::make_unique<Board>(table, transport, messages, line, stop, written, std::move(givenRecords))) {}

ContinuousPager::~ContinuousPager() = default;

TransferObserver& ContinuousPager::observer() { return board_->guard; }

void ContinuousPager::SetTestHooks(TransferObserver* front,
                                   std::function<void(const std::string& phase, int value, int pager)> changed) {
  board_->front = front;
  board_->changed = std::move(changed);
}

PagerOutcome ContinuousPager::Program(PagerJob& job) {
  Board& b = *board_;
  b.messages.last.clear();
  PagerTransfer transfer(b.transport, b.messages);
  transfer.SetOptions(TransferOptionsOf(b.editor, &b.stop));
  transfer.SetObserver(b.front ? b.front : &b.guard);
  JobProgress progress(job, b.changed);
  transfer.SetProgress(&progress);
  TransferResult result;
  try {
    result = WriteEditorImage(transfer, b.editor);
  } catch (const std::exception& e) {
    b.RecordThrown(e.what(), transfer.imageUnderWay());
    PagerOutcome failed;
    failed.reason = "internal error: " + std::string(e.what());
    failed.capcodes = b.InDoubt();
    return failed;
  }

  PagerOutcome outcome;
  if (result.succeeded()) {
    // The pager holds its capcodes whatever became of its record.
    const Image& written = result.image ? *result.image : b.state.PagerImage;
    outcome.capcodes = b.CapcodesHeld(written);
    for (const PagerCapcode& c : CapcodesOf(written, b.given)) b.written.Add(c.value);
    if (result.record.problem.empty()) {
      outcome.kind = PagerOutcome::Kind::Ok;
    } else {
      outcome.reason = "programmed, but " + result.record.problem;
    }
    return outcome;
  }
  if (b.guard.already) {
    outcome.kind = PagerOutcome::Kind::AlreadyProgrammed;
    outcome.capcodes = *b.guard.already;
    return outcome;
  }
  outcome.reason = result.message.empty() ? b.messages.last : result.message;
  outcome.capcodes = b.InDoubt();
  if (result.outcome == TransferOutcome::Interrupted)
    outcome.kind = PagerOutcome::Kind::Interrupted;
  else if (job.PagerTakenOut())
    outcome.kind = PagerOutcome::Kind::RemovedMidWrite;
  return outcome;
}

}  // namespace qrt::production
