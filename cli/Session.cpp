#include "cli/Session.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "ProductInfo.h"
#include "backup/Backups.h"
#include "base/DataHome.h"
#include "link/RealClock.h"
#include "sim/VirtualClock.h"
#include "tables/TableFiles.h"
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

bool Session::ConnectPort(const PortOptions& options) {
  // Virtual time only ever drives the simulator: real hardware needs real waits.
  if (options.port == "sim" && options.fastSim)
    clock_ = std::make_unique<VirtualClock>();
  else
    clock_ = std::make_unique<RealClock>();
  std::string simImage = options.simImage;
  if (options.port == "sim" && simImage.empty()) simImage = DefaultSimImagePath();
  port_ = OpenPort(options.port, simImage, *clock_, &messages);
  if (!port_.note.empty()) console.Line(port_.note);
  if (!port_.port) {
    console.Line(port_.error);
    return false;
  }
  link_ = std::make_unique<PagerLink>(*port_.port, *clock_, messages);
  link_->SetBusSpeed(options.bus);
  host.link = link_.get();
  link_->CalibrateDelay();
  return true;
}

void Session::Took(const TransferResult& result) {
  lastResult_ = result;
  if (!result.backupPath.empty()) messages.Note("Backup: " + result.backupPath);
}

bool Session::RunTransfer(int mode) {
  // A refused frequency entry runs no dialog at all: nothing was transferred.
  lastResult_ = {};
  host.transferDialog = [this] {
    Form2 form(editor, *link_, messages);
    ProgressView view(console, form.state);
    form.SetView(&view);
    const TransferResult result = form.Form_Activate();
    if (!form.state.closed) form.cmdExit_Click();
    Took(result);
  };
  editor.PagerCommand(mode);
  host.transferDialog = nullptr;
  return lastResult_.succeeded();
}

bool Session::ReadPager() { return link_ && RunTransfer(kRead); }

bool Session::VerifyPager() { return link_ && RunTransfer(kVerify); }

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

void Session::RunBatch(Form2& form, const WritePlan& plan, FILE* out, bool& ok, int& pager) {
  while (true) {
    ++pager;
    const std::string capcodes = CapcodesOfPager(plan);
    const TransferResult result = form.cmdWrite_Click();
    Took(result);
    const bool written = result.succeeded();
    if (!written) ok = false;
    std::fprintf(out, "pager %d: %s%s\n", pager, written ? "" : "failed: ", capcodes.c_str());
    std::fflush(out);
    if (plan.count > 0) {
      // A scripted line stops at the first failure: the next pager would
      // otherwise receive the same capcodes.
      if (!written || pager >= plan.count) break;
      continue;
    }
    const std::optional<std::string> answer =
        console.Ask("Connect the next pager and press Enter (q and Enter end the batch): ");
    if (!answer || *answer == "q" || *answer == "Q") break;
  }
  form.cmdExit_Click();
  // The increased capcodes live only in this run; the operator needs them to
  // go on with the next batch instead of starting again from the file's.
  console.Line("Next in the batch: " + CapcodesOfPager(plan) + " (the table file is unchanged)");
}

bool Session::WritePagers(const WritePlan& plan, FILE* out) {
  if (!link_) return false;
  state.BackupBeforeWrite = plan.backupFirst;
  // The boxes are set before Write Mode locks them, as the operator would.
  if (plan.autoIncrease1) editor.UserSetCheck({Ctl::optAuto1, 0}, 1);
  if (plan.autoIncrease2) editor.UserSetCheck({Ctl::optAuto2, 0}, 1);
  editor.Click({Ctl::WriteOpt, 0});

  bool ok = true;
  int pager = 0;
  if (plan.autoIncrease1 || plan.autoIncrease2) {
    // The dialog stays open with its Write button: every press is one pager.
    host.transferDialog = [&] {
      Form2 form(editor, *link_, messages);
      ProgressView view(console, form.state);
      form.SetView(&view);
      const TransferResult opened = form.Form_Activate();
      if (opened.outcome != TransferOutcome::Waiting) {
        ok = false;  // no board, or the mode was refused
        if (!form.state.closed) form.cmdExit_Click();
        return;
      }
      RunBatch(form, plan, out, ok, pager);
    };
    editor.PagerCommand(kWrite);
    host.transferDialog = nullptr;
    return ok && pager > 0;
  }

  const int pagers = plan.count > 0 ? plan.count : 1;
  for (pager = 1; pager <= pagers; ++pager) {
    const std::string capcodes = CapcodesOfPager(plan);
    const bool written = RunTransfer(kWrite);
    std::fprintf(out, "pager %d: %s%s\n", pager, written ? "" : "failed: ", capcodes.c_str());
    std::fflush(out);
    if (!written) return false;
  }
  return ok;
}

}  // namespace qrt::cli
