#include "cli/Session.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>

#include "ProductInfo.h"
#include "backup/Backups.h"
#include "base/DataHome.h"
#include "codecs/Capcode.h"
#include "tables/TableFiles.h"
#include "transfer/EditorTransfer.h"
#include "transfer/Restore.h"

namespace qrt::cli {
namespace {

constexpr int kRead = 0;
constexpr int kWrite = 1;
constexpr int kVerify = 2;
constexpr int kRestore = 3;

// The file dialogs answer with the file named on the command line; the
// window title only tells whether the command got as far as showing the path.
class CommandLineFileUi : public TableFileUi {
 public:
  explicit CommandLineFileUi(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> ChooseOpenPath(const std::string&) override { return path_; }
  std::optional<std::string> ChooseSavePath(const std::string&) override { return path_; }
  std::string Title() override { return product::kName; }
  void SetTitle(const std::string&) override { titleSet = true; }

  // Open and Save As put the path into the title only when they succeeded.
  bool titleSet = false;

 private:
  std::string path_;
};

// The progress on the console, and the moments a test waits for.
class SessionView : public ProgressView {
 public:
  SessionView(Console& console, TestMoments* moments) : ProgressView(console), moments_(moments) {}
  void Phase(const char* label, int max, int value, bool systemHighlight) override {
    ProgressView::Phase(label, max, value, systemHighlight);
    if (moments_) moments_->Changed(label, value);
  }
  void Step(int value) override {
    ProgressView::Step(value);
    if (moments_) moments_->Changed(label(), value);
  }

 private:
  TestMoments* moments_;
};

}  // namespace

std::string StoppedLine(int written, const std::string& next) {
  std::string line = "Stopped: " + std::to_string(written) + (written == 1 ? " pager" : " pagers") + " written";
  return next.empty() ? line + "." : line + ", next in the batch: " + next;
}

Session::Session(Console& con, bool assumeYes)
    : console(con), messages(con, assumeYes), editor(state, messages, host), stop(con.stopRequest()) {}

void Session::Start() {
  state.KeepBackups = true;
  state.BackupsDir = DefaultBackupsFolder();
  editor.LoadDefaults(product::kDefaultLogo);
  // The command line opens only the files it is given: it starts as the
  // window starts without a default.tbl.
  editor.ShowStartImage(DefaultTable::None);
}

bool Session::OpenTable(const std::string& path) {
  CommandLineFileUi ui(path);
  (void)OpenTableFile(editor, ui);
  return ui.titleSet;
}

bool Session::SaveTableAs(const std::string& path) {
  CommandLineFileUi ui(path);
  (void)SaveTableFileAs(editor, ui);
  return ui.titleSet;
}

bool Session::SaveTable(const std::string& path) {
  CommandLineFileUi ui(path);
  state.CurrentTablePath = path;
  (void)SaveTableFile(editor, ui);
  return ui.titleSet;
}

bool Session::ConnectPort(const PortOptions& options, std::string* whyNot) {
  ConnectionOptions connect;
  connect.port = options.port;
  connect.simImage = options.simImage;
  if (options.port == "sim" && connect.simImage.empty()) connect.simImage = DefaultSimImagePath();
  // Virtual time only ever drives the simulator: real hardware needs real waits.
  connect.virtualTime = options.fastSim;
  connect.bus = options.bus;
  connection_ = std::make_unique<Connection>(clock_, messages);
  const Connection::Opened opened = connection_->Open(connect);
  if (!opened.note.empty()) console.Line(opened.note);
  if (!opened.ok) {
    console.Line(opened.error);
    if (whyNot) *whyNot = opened.error;
    connection_.reset();
    return false;
  }
  host.transport = &connection_->transport();
  connection_->transport().CalibrateDelay();
  moments_ = TestMoments::ForPort(options.port);
  return true;
}

void Session::Took(const TransferResult& result) {
  lastResult_ = result;
  if (!result.backupPath.empty()) messages.Note("Backup: " + result.backupPath);
}

// A transfer as this session runs it: its progress on the console, the
// production line around it, the run's stop request, the editor's options.
std::unique_ptr<TransferProgress> Session::Dress(PagerTransfer& transfer) {
  auto view = std::make_unique<SessionView>(console, moments_.get());
  transfer.SetProgress(view.get());
  if (moments_ && line) {
    moments_->SetObserver(line);
    transfer.SetObserver(moments_.get());
  } else {
    transfer.SetObserver(line);
  }
  transfer.SetOptions(TransferOptionsOf(editor, stop));
  return view;
}

// The Pager menu's command (or the restore) that PagerCommand runs: one
// transfer of state.TransferMode.
void Session::ShowOneTransfer() {
  PagerTransfer transfer(connection_->transport(), messages);
  const auto view = Dress(transfer);
  TransferResult result;
  switch (state.TransferMode) {
    case kRead: result = ReadIntoEditor(transfer, editor); break;
    case kWrite:
      // The batch is WritePagers' own; a single command that finds it set
      // opens it and ends it unwritten.
      if (state.AutoIncrement1 || state.AutoIncrement2)
        result = transfer.OpenBatch();
      else
        result = KeepingImageUnderWay(transfer, [&] { return WriteEditorImage(transfer, editor); });
      break;
    case kVerify: result = VerifyEditorImage(transfer, editor); break;
    case kRestore: result = RestoreEditorBackup(transfer, editor); break;
    default: break;
  }
  Took(result);
}

// A write that throws leaves the editor the image as far as it got (its
// marker, the capcodes given): the one its failure is recorded and named with.
TransferResult Session::KeepingImageUnderWay(PagerTransfer& transfer, const std::function<TransferResult()>& write) {
  try {
    return write();
  } catch (...) {
    state.PagerImage = transfer.imageUnderWay();
    editor.read_capcode();
    throw;
  }
}

bool Session::RunTransfer(int mode) {
  // A refused frequency entry runs no dialog at all: nothing was transferred.
  lastResult_ = {};
  host.transferDialog = [this] { ShowOneTransfer(); };
  editor.PagerCommand(mode);
  host.transferDialog = nullptr;
  return lastResult_.succeeded();
}

bool Session::RestorePager(const std::string& backup) {
  if (!connection_) return false;
  lastResult_ = {};
  host.transferDialog = [this] { ShowOneTransfer(); };
  const bool ran = RestoreBackupToPager(editor, backup);
  host.transferDialog = nullptr;
  return ran && lastResult_.succeeded();
}

bool Session::ReadPager() { return connection_ && RunTransfer(kRead); }

bool Session::VerifyPager() { return connection_ && RunTransfer(kVerify); }

std::string Session::CapcodesOfPager(const WritePlan& plan) const {
  std::string text;
  for (int i = 0; i < static_cast<int>(editor.txtAddr.size()); ++i) {
    const bool on = editor.CapcodeOn(i + 1);
    const bool increased = (i == 0 && plan.autoIncrease1) || (i == 1 && plan.autoIncrease2);
    if (!on && !increased) continue;
    if (!text.empty()) text += ", ";
    text += "Cap #" + std::to_string(i + 1) + " " + editor.txtAddr[i].text;
    if (!on) text += " (off)";
  }
  return text.empty() ? "no capcode switched on" : text;
}

// The next pager's number: one after the last, or, when several ports write
// one batch, the next the ports have not taken yet. 0 when the batch is done.
int Session::NextPager(const WritePlan& plan, int pager) const {
  if (Stopping() || broken_) return 0;
  if (plan.nextPager) {
    const int next = plan.nextPager->fetch_add(1) + 1;
    return next <= plan.count ? next : 0;
  }
  return plan.count > 0 && pager >= plan.count ? 0 : pager + 1;
}

// One pager written, and its line: the capcodes it received (given by the
// production line during the write, or the ones the fields held before it).
// True when it was verified and recorded. What the transfer throws fails
// this pager alone: it is recorded as failed and the port writes no more.
bool Session::WriteOnePager(const WritePlan& plan, FILE* out, int pager, TransferKind kind,
                            const std::function<TransferResult()>& write) {
  if (moments_) moments_->SetPager(pager);
  const bool given = line && line->AssignsCapcodes();
  std::string capcodes = given ? std::string() : CapcodesOfPager(plan);
  TransferResult result;
  try {
    result = write();
  } catch (const std::exception& e) {
    result = RecordThrown(kind, e.what());
  }
  const bool written = result.succeeded();
  // A pager programmed but missing from the record, or sharing a capcode
  // with another pager, is no pager done: the line has said why.
  const TransferRecord& record = result.record;
  if (given) capcodes = written || !line->lastGiven().empty() ? CapcodesOfPager(plan) : "no capcodes given";
  const bool interrupted = result.outcome == TransferOutcome::Interrupted;
  const char* outcome = interrupted               ? "interrupted: "
                        : !written                 ? "failed: "
                        : !record.kept             ? "not recorded: "
                        : !record.problem.empty() ? "check: "
                                                   : "";
  std::fprintf(out, "%spager %d: %s%s\n", plan.label.c_str(), pager, outcome, capcodes.c_str());
  std::fflush(out);
  if (interrupted) messages.Note(InterruptedNote(pager));
  if (written) ++written_;
  return written && record.problem.empty();
}

// A transfer that threw left its pager in an unknown state: it is recorded
// as failed as if every page had reached it (its capcodes in doubt), with
// the reason, and this port writes no more pagers.
TransferResult Session::RecordThrown(TransferKind kind, const std::string& what) {
  broken_ = true;
  TransferResult failed;
  failed.message = "Internal error: " + what;
  messages.Note("qrt35: internal error: " + what + ". The pager is recorded as failed; this port writes no more pagers.");
  try {
    if (host.transport) host.transport->ParkBus();
    if (line) {
      TransferFacts facts;
      facts.kind = kind;
      facts.result = &failed;
      facts.image = &state.PagerImage;
      facts.tablePath = state.CurrentTablePath;
      facts.pagerTouched = true;
      facts.reachedAddress = ImageLastIndex;
      failed.record = line->AfterTransfer(facts);
    }
  } catch (const std::exception& e) {
    failed.record = {false, e.what()};
    messages.Note("qrt35: the failed pager could not be recorded either: " + std::string(e.what()));
  }
  lastResult_ = failed;
  return failed;
}

// Names an interrupted pager and what became of its capcodes.
std::string Session::InterruptedNote(int pager) const {
  const std::string note = "pager " + std::to_string(pager) + " was interrupted and is not finished: write it again.";
  if (!line || line->lastGiven().empty()) return note;
  const std::vector<uint32_t>& freed = line->lastFreed();
  std::string held;
  int count = 0;
  for (const production::ReservedCapcode& given : line->lastGiven()) {
    if (std::find(freed.begin(), freed.end(), given.capcode) != freed.end()) continue;
    held += (held.empty() ? "" : ", ") + ("Cap #" + std::to_string(given.slot) + " " + CapcodeText(given.capcode));
    ++count;
  }
  if (count == 0) return note + " Its capcodes never reached it.";
  return note + " " + held + (count == 1 ? " may be in it: it goes" : " may be in it: they go") + " to no other pager.";
}

std::string Session::NextInBatch(const WritePlan& plan, int written) const {
  const bool increasing = plan.autoIncrease1 || plan.autoIncrease2;
  const int count = plan.count > 0 ? plan.count : increasing ? 0 : 1;
  if (count > 0 && written >= count) return "none, the batch is complete";
  std::string next = count > 0 ? "pager " + std::to_string(written + 1) + " of " + std::to_string(count) : "";
  std::string capcodes;
  if (line && !line->allocation().empty())
    capcodes = "capcodes from the record's allocation";
  else if (increasing && !plan.sharedCapcodes)
    capcodes = CapcodesOfPager(plan);
  if (!capcodes.empty()) next += (next.empty() ? "" : ", ") + capcodes;
  return next;
}

void Session::RunBatch(PagerTransfer& transfer, const WritePlan& plan, FILE* out, bool& ok, int& pagers) {
  for (int pager = 0; (pager = NextPager(plan, pager)) != 0;) {
    ++pagers;
    const bool written = WriteOnePager(plan, out, pager, TransferKind::BatchStep, [&] {
      transfer.SetOptions(TransferOptionsOf(editor, stop));
      const TransferResult result =
          KeepingImageUnderWay(transfer, [&] { return WriteBatchPager(transfer, editor, messages); });
      console.EndProgress();
      Took(result);
      return result;
    });
    if (!written) ok = false;
    if (plan.count > 0) {
      // A scripted line stops at the first failure: the next pager would
      // otherwise receive the same capcodes.
      if (!written) break;
      continue;
    }
    const std::optional<std::string> answer =
        console.Ask("Connect the next pager and press Enter (q and Enter end the batch): ");
    if (!answer || *answer == "q" || *answer == "Q") break;
  }
  // The increased capcodes live only in this run; the operator needs them to
  // go on with the next batch instead of starting again from the file's.
  // (Capcodes the production line gives come from the record instead.)
  const bool complete = plan.count > 0 && written_ >= plan.count;
  if ((!Stopping() || complete) && !(line && line->AssignsCapcodes()))
    console.Line("Next in the batch: " + CapcodesOfPager(plan) + " (the table file is unchanged)");
}

bool Session::WritePagers(const WritePlan& plan, FILE* out) {
  if (!connection_) return false;
  state.BackupBeforeWrite = plan.backupFirst;
  // The boxes are set before Write Mode locks them, as the operator would.
  if (plan.autoIncrease1) editor.UserSetCheck({Ctl::optAuto1, 0}, 1);
  if (plan.autoIncrease2) editor.UserSetCheck({Ctl::optAuto2, 0}, 1);
  editor.Click({Ctl::WriteOpt, 0});

  bool ok = true;
  int pagers = 0;  // pagers the batch went for
  if (plan.autoIncrease1 || plan.autoIncrease2) {
    // The batch opens once (the board, Write Mode); every pager then is one
    // press of the dialog's Write.
    host.transferDialog = [&] {
      PagerTransfer transfer(connection_->transport(), messages);
      const auto view = Dress(transfer);
      const TransferResult opened = transfer.OpenBatch();
      if (opened.outcome != TransferOutcome::Waiting) {
        ok = false;  // no board, or the mode was refused
        return;
      }
      RunBatch(transfer, plan, out, ok, pagers);
    };
    editor.PagerCommand(kWrite);
    host.transferDialog = nullptr;
    if (!plan.nextPager && Stopping()) console.Line(StoppedLine(written_, NextInBatch(plan, written_)));
    return ok && (pagers > 0 || plan.nextPager);
  }

  WritePlan single = plan;
  if (!plan.nextPager && plan.count == 0) single.count = 1;
  for (int pager = 0; (pager = NextPager(single, pager)) != 0;) {
    if (!WriteOnePager(single, out, pager, TransferKind::Write, [&] {
          RunTransfer(kWrite);
          return lastResult_;
        })) {
      ok = false;
      break;
    }
  }
  if (!plan.nextPager && Stopping()) console.Line(StoppedLine(written_, NextInBatch(single, written_)));
  return ok;
}

}  // namespace qrt::cli
