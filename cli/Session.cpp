#include "cli/Session.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "ProductInfo.h"
#include "backup/Backups.h"
#include "base/DataHome.h"
#include "tables/TableFiles.h"
#include "transfer/Restore.h"
#include "transfer/Transfers.h"

namespace qrt::cli {
namespace {

constexpr int kRead = 0;
constexpr int kWrite = 1;
constexpr int kVerify = 2;

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

}  // namespace

Session::Session(Console& con, bool assumeYes)
    : console(con), messages(con, assumeYes), editor(state, messages, host) {}

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
  mnuLBFF_Click(editor, ui);
  return ui.titleSet;
}

bool Session::SaveTableAs(const std::string& path) {
  CommandLineFileUi ui(path);
  mnuSA_Click(editor, ui);
  return ui.titleSet;
}

bool Session::SaveTable(const std::string& path) {
  CommandLineFileUi ui(path);
  state.CurrentTablePath = path;
  mnuSBTF_Click(editor, ui);
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
  return true;
}

void Session::Took(const TransferResult& result) {
  lastResult_ = result;
  if (!result.backupPath.empty()) messages.Note("Backup: " + result.backupPath);
}

void Session::ShowOneTransfer() {
  Form2 form(editor, connection_->transport(), messages);
  ProgressView view(console, form.state);
  form.SetView(&view);
  form.SetObserver(line);
  const TransferResult result = form.Form_Activate();
  if (!form.state.closed) form.cmdExit_Click();
  Took(result);
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
  constexpr int kFirstCapcodeBox = 30;  // chkCtl(30 + i): the ON box of capcode i
  std::string text;
  for (int i = 0; i < static_cast<int>(editor.txtAddr.size()); ++i) {
    const bool on = editor.chkCtl[kFirstCapcodeBox + i].value == 1;
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
  if (plan.nextPager) {
    const int next = plan.nextPager->fetch_add(1) + 1;
    return next <= plan.count ? next : 0;
  }
  return plan.count > 0 && pager >= plan.count ? 0 : pager + 1;
}

// One pager written, and its line: the capcodes it received (given by the
// production line during the write, or the ones the fields held before it).
// True when it was verified and recorded.
bool Session::WriteOnePager(const WritePlan& plan, FILE* out, int pager,
                            const std::function<TransferResult()>& write) {
  const bool given = line && line->AssignsCapcodes();
  std::string capcodes = given ? std::string() : CapcodesOfPager(plan);
  const TransferResult result = write();
  const bool written = result.succeeded();
  // A pager programmed but missing from the record, or sharing a capcode
  // with another pager, is no pager done: the line has said why.
  const TransferRecord& record = result.record;
  if (given) capcodes = written || !line->lastGiven().empty() ? CapcodesOfPager(plan) : "no capcodes given";
  const char* outcome = !written                  ? "failed: "
                        : !record.kept             ? "not recorded: "
                        : !record.problem.empty() ? "check: "
                                                   : "";
  std::fprintf(out, "%spager %d: %s%s\n", plan.label.c_str(), pager, outcome, capcodes.c_str());
  std::fflush(out);
  return written && record.problem.empty();
}

void Session::RunBatch(Form2& form, const WritePlan& plan, FILE* out, bool& ok, int& pagers) {
  for (int pager = 0; (pager = NextPager(plan, pager)) != 0;) {
    ++pagers;
    const bool written = WriteOnePager(plan, out, pager, [&] {
      const TransferResult result = form.cmdWrite_Click();
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
  form.cmdExit_Click();
  // The increased capcodes live only in this run; the operator needs them to
  // go on with the next batch instead of starting again from the file's.
  // (Capcodes the production line gives come from the record instead.)
  if (!(line && line->AssignsCapcodes()))
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
    // The dialog stays open with its Write button: every press is one pager.
    host.transferDialog = [&] {
      Form2 form(editor, connection_->transport(), messages);
      ProgressView view(console, form.state);
      form.SetView(&view);
      form.SetObserver(line);
      const TransferResult opened = form.Form_Activate();
      if (opened.outcome != TransferOutcome::Waiting) {
        ok = false;  // no board, or the mode was refused
        if (!form.state.closed) form.cmdExit_Click();
        return;
      }
      RunBatch(form, plan, out, ok, pagers);
    };
    editor.PagerCommand(kWrite);
    host.transferDialog = nullptr;
    return ok && (pagers > 0 || plan.nextPager);
  }

  WritePlan single = plan;
  if (!plan.nextPager && plan.count == 0) single.count = 1;
  for (int pager = 0; (pager = NextPager(single, pager)) != 0;) {
    if (!WriteOnePager(single, out, pager, [&] {
          RunTransfer(kWrite);
          return lastResult_;
        }))
      return false;
  }
  return ok;
}

}  // namespace qrt::cli
