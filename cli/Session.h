#pragma once
// One run of the programmer without a window: the editor started as the main
// window starts, table files opened and saved as the File menu opens and
// saves them, and the Pager menu's commands run against the port the command
// line chose, their transfers run as the transfer dialog runs them. Everything here forwards to the shared logic; the rules live
// there.
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "base/StopRequest.h"
#include "cli/Console.h"
#include "cli/TestMoments.h"
#include "editor/AppState.h"
#include "editor/Editor.h"
#include "link/BusSpeed.h"
#include "link/Clock.h"
#include "link/RealClock.h"
#include "ports/Connection.h"
#include "station/ProductionLine.h"
#include "transfer/PagerTransfer.h"

namespace qrt::cli {

class CliHost : public EditorHost {
 public:
  void RunTransferDialog() override {
    if (transferDialog) transferDialog();
  }
  void ShowFunctionBitDialog() override {
    if (functionBitDialog) functionBitDialog();
  }
  void ShowAlertLengthDialog() override {
    if (alertLengthDialog) alertLengthDialog();
  }
  void ParkBus() override {
    if (transport) transport->ParkBus();
  }

  // What "showing" each modal dialog does in this run.
  std::function<void()> transferDialog, functionBitDialog, alertLengthDialog;
  PagerTransport* transport = nullptr;
};

struct PortOptions {
  std::string port = "ppdev";
  std::string simImage;  // empty: the window's default file for --port sim
  bool fastSim = false;  // the simulator on virtual time (tests)
  BusSpeed bus = BusSpeed::Standard;
};

// How the write command runs: one pager, N pagers, or the batch.
struct WritePlan {
  bool autoIncrease1 = false;
  bool autoIncrease2 = false;
  int count = 0;  // 0: one pager, or with auto increase: until the operator ends the batch
  bool backupFirst = true;  // read and keep every pager before writing it (--no-backup clears it)
  // Several ports writing one batch: the pager numbers they share (`count`
  // is then the batch's total), and the port named before every line.
  std::atomic<int>* nextPager = nullptr;
  std::string label;
  // Whether the capcodes that go up after every pager are the ports' shared
  // counter's (main says where the next batch starts) rather than this
  // session's fields.
  bool sharedCapcodes = false;
};

class Session {
 public:
  Session(Console& console, bool assumeYes);

  Console& console;
  CliMessages messages;
  CliHost host;
  AppState state;
  Editor editor;
  // The production line around this session's transfers (records, capcodes);
  // none when the run keeps no record.
  production::ProductionLine* line = nullptr;
  // The run's stop request (Ctrl-C, SIGTERM), the console's: no new pager
  // once it is raised, and the transfers stop between pages at its second level.
  const StopRequest* stop = nullptr;

  // The main window's load, as far as the image goes: factory image, the
  // configured logo stored centred, the first band applied and bound; the
  // backups kept in the data folder, as the window keeps them.
  void Start();

  // File > Open on `path`; true when the image was taken over.
  bool OpenTable(const std::string& path);
  // File > Save As... to `path`, with the overwrite question for an existing file.
  bool SaveTableAs(const std::string& path);
  // File > Save to `path`: no question.
  bool SaveTable(const std::string& path);

  // Opens the port and finds the link's timing, as the window's load does.
  // False (with the reason on the console, and in `whyNot`) when there is no port.
  bool ConnectPort(const PortOptions& options, std::string* whyNot = nullptr);
  // The port ConnectPort opened; null before, or when it could not be had.
  Connection* connection() { return connection_.get(); }

  // Pager > Read (F3) and Pager > Verfy (F9). True when the transfer succeeded.
  bool ReadPager();
  bool VerifyPager();
  // File > Restore Backup to Pager... with `backup`. True when the backup was
  // written and verified.
  bool RestorePager(const std::string& backup);
  // What the last transfer did (the last batch press for a batch).
  const TransferResult& lastResult() const { return lastResult_; }
  // Write Mode and Pager > Write (F4) as the plan says; one line per pager on
  // `out`. True when every pager written was verified. Once the stop request
  // is raised no new pager is started; for a single port the run ends with
  // "Stopped: N pagers written, next in the batch: ...".
  bool WritePagers(const WritePlan& plan, FILE* out);
  // Pagers written, verified and recorded by WritePagers.
  int pagersWritten() const { return written_; }
  // Where the batch goes on after the pagers written: "pager K of N" for a
  // batch of a given size, the capcodes the session's fields go on with
  // when it increases them itself; "" when there is nothing to name.
  std::string NextInBatch(const WritePlan& plan, int written) const;

 private:
  bool RunTransfer(int mode);
  // The transfer dialog as the Pager menu's commands show it: one transfer, closed after it.
  void ShowOneTransfer();
  void Took(const TransferResult& result);  // keeps the result, names its backup
  void RunBatch(PagerTransfer& transfer, const WritePlan& plan, FILE* out, bool& ok, int& pagers);
  int NextPager(const WritePlan& plan, int pager) const;
  bool WriteOnePager(const WritePlan& plan, FILE* out, int pager, TransferKind kind,
                     const std::function<TransferResult()>& write);
  std::string CapcodesOfPager(const WritePlan& plan) const;
  TransferResult RecordThrown(TransferKind kind, const std::string& what);
  std::string InterruptedNote(int pager) const;
  // A transfer as this session runs it: its progress on the console, the
  // production line around it, the run's stop request.
  std::unique_ptr<TransferProgress> Dress(PagerTransfer& transfer);
  TransferResult KeepingImageUnderWay(PagerTransfer& transfer, const std::function<TransferResult()>& write);
  bool Stopping() const { return stop && stop->requested(); }

  RealClock clock_;
  std::unique_ptr<TestMoments> moments_;  // test-only (cli/TestMoments.h); null in use
  int written_ = 0;
  bool broken_ = false;  // a transfer threw: this port writes no more pagers
  std::unique_ptr<Connection> connection_;
  TransferResult lastResult_;
};

// "Stopped: N pagers written, next in the batch: NEXT", the last line of a
// stopped write.
std::string StoppedLine(int written, const std::string& next);

}  // namespace qrt::cli
