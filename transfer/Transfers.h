#pragma once
// The transfer dialog `Form2` without widgets: what it shows (title, status
// text, progress bar, the batch labels and buttons, whether it has closed) and
// every transfer it runs over the pager link: the read with identification and
// checksum check, the write with the hardware-variant check, the verify, and
// the batch write that adds one to the capcodes after every pager.
//
// The Qt dialog (transfer/gui/TransferDialog.h) is a view of this class: it
// forwards activation, the Write, Exit and close-box clicks, and redraws from
// the state whenever the model reports a change.
//
// Failure is shown the way the pager link shows it: one message box at the
// point of failure. Success ("Verify Success!") is shown once the production
// line has recorded the pager, so that nobody is told of a pager the record
// does not hold yet. What happened is returned as a TransferResult; the
// link's TransferError flag still tells the steps of one transfer apart.
//
// With backups kept (AppState::KeepBackups), every read that got the pager's
// bytes saves them (also when the window then refuses to show them), and a
// write with BackupBeforeWrite first reads the whole pager, saves it, and
// then sends only the pages that do not already hold the right bytes (the
// verify still compares all 2048). A pager that holds no QRT35 image (a
// blank chip, another model) is overwritten only when the user says so.
//
// A stop request (SetStopRequest) at StopRequest::kStopNow ends a transfer
// at its next block or page boundary: a write after the page it is sending
// (every page sent is whole in the pager), a read or verify between blocks.
// The bus is left parked, kMsgInterrupted is shown like any failure, and the
// production line records the transfer as it records a failure (its capcodes
// in doubt unless the pager shows they never went in). A lower level never
// touches a transfer: starting none is the caller's part.
//
// The restore (TransferMode 3) writes AppState::RestoreBytes into the pager
// exactly as they are (no pager-specific byte, write marker or checksum of
// its own), after the same read and backup, and verifies them.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "editor/Controls.h"
#include "image/PagerImage.h"
#include "transfer/TransferObserver.h"
#include "base/Messages.h"

namespace qrt {

class Editor;
class PagerTransport;
class StopRequest;

// 0x00BBGGRR, red 128, green 0, blue 128: the colour of reading and verifying.
inline constexpr uint32_t kProgressPurple = 0x00800080;

struct ProgressBarState {
  int Max = 100;
  int Value = 0;          // may exceed Max: the read ends at 2031 against 2015
  uint32_t Color = kProgressPurple;
  bool SystemHighlight = false;  // true: the system highlight colour, Color unused
};

// The dialog's controls as the transfers leave them.
struct Form2State {
  std::string Label2 = "Pager Program";
  std::string Label1;     // "Reading Now.......", "Writing Now.......", "Verifying Now....." or empty
  ProgressBarState PB1;
  LabelState lblAuto1, lblAuto2;
  ControlState cmdWrite, cmdExit;
  bool closed = false;    // the dialog has unloaded itself (or was closed by the user)
  bool busy = false;      // a transfer is running; a close request waits for its end
  bool closeRequested = false;

  Form2State();
};

// What the widget side provides. Both methods have harmless defaults so that
// the CLI, the benchmark and the tests run the model alone.
class Form2View {
 public:
  virtual ~Form2View() = default;
  // The state changed (a progress step, a caption, a button); redraw it.
  virtual void Form2Changed() {}
  // Let pending window events run (the progress display of each transfer).
  virtual void DoEvents() {}
};

enum class TransferOutcome {
  Succeeded,  // the pager was read, written and verified, or verified
  Failed,     // stopped or refused; `message` says where
  Waiting,    // the batch dialog is open and waits for Write
  Interrupted,  // stopped by a stop request between two pages or blocks; `message` is kMsgInterrupted
};

inline constexpr const char* kMsgInterrupted = "Interrupted: the pager was not finished.";

// What one transfer (read, write, verify, one batch press) did.
struct TransferResult {
  TransferOutcome outcome = TransferOutcome::Failed;
  std::string message;     // the last message the transfer showed (empty: none)
  std::string backupPath;  // the backup it saved; empty when it saved none
  // What became of its record (a problem already shown). A pager
  // programmed but not recorded, or sharing a capcode with another, is the
  // caller's to count as a failure.
  TransferRecord record;
  bool succeeded() const { return outcome == TransferOutcome::Succeeded; }
};

inline constexpr const char* kLblAuto1Caption = " 1st capcode : ";
inline constexpr const char* kLblAuto2Caption = " 2nd capcode : ";
inline constexpr int kMaxCapcode = 2097151;

class Form2 {
 public:
  Form2(Editor& editor, PagerTransport& link, Messages& messages);
  Form2(Editor& editor, PagerTransport& link);  // messages: the editor's

  Form2State state;
  void SetView(Form2View* view) { view_ = view; }
  // The production line around the transfers (a record of each, the
  // capcodes of each pager written); none by default.
  void SetObserver(TransferObserver* observer) { observer_ = observer; }
  // The run's stop request, asked between pages and blocks (nullptr: none).
  // It outlives the dialog.
  void SetStopRequest(const StopRequest* stop) { stop_ = stop; }

  // Runs the transfer of state.TransferMode when the dialog is shown. Read,
  // single write, verify and restore close the dialog when they end; the batch write
  // leaves it open with Write and Exit (outcome Waiting); an unknown mode
  // does nothing.
  TransferResult Form_Activate();

  // The batch variant's buttons and the close box. Write returns what the
  // press did; a press the dialog does not take (busy, disabled) runs nothing.
  TransferResult cmdWrite_Click();
  void cmdExit_Click();
  void Close1_Click();

  // --- transfers (public so the CLI and the tests can run them alone) ----
  // Reads first..last into PagerImage; TransferError tells failure.
  void eep_readall(int first, int last);
  // Writes image[first..last] into the pager after the pager-specific byte,
  // the hardware-variant check, the write marker and the checksum.
  void tbl_writeall(Image& image, int first, int last);
  // Reads first..last back and compares with image. Within a write or
  // verify transfer "Verify Success!" waits for the production line.
  void verify(const Image& image, int first, int last);
  // Adds one to the capcode in txtAddr(index) and stores it.
  void set_capcode(int index);

  // The identification text of the last read (14 characters, Windows-1252).
  const std::string& IdentText() const { return ident_; }
  // What the last transfer did.
  const TransferResult& result() const { return result_; }

 private:
  void Changed();
  void Say(std::string_view text, MsgIcon icon);  // shows a message and remembers it
  void Heard(std::string_view text);             // the link has shown this one
  bool StopNow() const;                          // a stop request asks to end at this boundary
  void Interrupt();                              // ends the transfer there: parked, said, flagged
  TransferResult Finish();                       // outcome from the link's flag
  std::optional<Image> ReadWholePager();
  void WriteAndVerify();
  void StartProgress(const char* label, int max, int first, bool systemHighlight);
  void DoEvents();
  void Unload();
  TransferResult WriteTransfer();
  TransferResult VerifyTransfer();
  TransferResult ReadTransfer();
  TransferResult RestoreTransfer();
  void RestoreAndVerify(const Image& bytes);
  void SendPages(const Image& image, int first, int last, const Image* pagerHolds);
  bool MayOverwrite(const Image& pager);
  void KeepBackup(const Image& pagerBytes);
  bool MayWrite(TransferKind kind);
  bool AssignCapcodes(const Image* pagerBefore);
  void ShowBatchCapcodes();
  void BusStep();
  void ReadBackCapcodes();
  void Report(TransferKind kind, const Image* image, bool pagerTouched);
  void ShowHeldSuccess();
  void RestoreWindowAfterDecodeError(int bandIndexBefore, bool freqModVisibleBefore);

  Editor& editor_;
  PagerTransport& link_;
  Messages& msg_;
  Form2View* view_ = nullptr;
  TransferObserver* observer_ = nullptr;
  const StopRequest* stop_ = nullptr;
  bool interrupted_ = false;  // the transfer under way was stopped by the request
  std::chrono::steady_clock::time_point started_;
  // The last step on the bus: a transfer's duration ends there, not when
  // the operator closes a message box.
  std::optional<std::chrono::steady_clock::time_point> lastBusStep_;
  // The write under way: its kind, the last page whose sending began, and
  // the pager as its backup read found it.
  TransferKind writeKind_ = TransferKind::Write;
  int reachedAddress_ = -1;
  std::optional<Image> pagerBefore_;
  std::optional<Image> capcodesReadBack_;
  // "Verify Success!" waits until the transfer is recorded.
  bool holdSuccess_ = false;
  bool successHeld_ = false;
  bool writeRefused_ = false;  // the production line gave the pager no capcodes: nothing was written
  std::string ident_;
  Image readImage_{};  // the last image read, as the pager holds it
  TransferResult result_;
};

// Messages the transfers build from data.
std::string NotQrt35Message(const std::string& identText);  // identText: Windows-1252
std::string CapcodeLimitMessage(int index);                 // index 0 or 1
// "The pager holds a blank chip, not a QRT35 image. Overwrite it?"; `held`
// is what ForeignContents says the pager holds.
std::string ForeignPagerQuestion(const std::string& held);

// The software version rule for the checksum check: characters 11, 13 and 14
// of the identification text read as a number; true when it is above 372.
bool ChecksumCheckedForIdent(const std::string& identText);

}  // namespace qrt
