#pragma once
// The transfer dialog `Form2` without widgets: what it shows (title, status
// text, progress bar, the batch labels and buttons, whether it has closed)
// around the transfers a PagerTransfer runs for it: the read, the write, the
// verify, the restore, and the batch write that adds one to the capcodes
// after every pager.
//
// The Qt dialog (transfer/gui/TransferDialog.h) is a view of this class: it
// forwards activation, the Write, Exit and close-box clicks, and redraws from
// the state whenever the model reports a change. What each transfer does to
// the pager, its messages and its record are PagerTransfer's
// (transfer/PagerTransfer.h); what the editor gives and takes back is
// transfer/EditorTransfer.h's, which the command line runs as well.
//
// The restore (TransferMode 3) writes AppState::RestoreBytes into the pager
// exactly as they are (no pager-specific byte, write marker or checksum of
// its own), after the same read and backup, and verifies them.
#include <cstdint>
#include <string>

#include "base/Messages.h"
#include "editor/Controls.h"
#include "image/PagerImage.h"
#include "transfer/PagerTransfer.h"
#include "transfer/TransferObserver.h"

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

inline constexpr const char* kLblAuto1Caption = " 1st capcode : ";
inline constexpr const char* kLblAuto2Caption = " 2nd capcode : ";

class Form2 : private TransferProgress {
 public:
  Form2(Editor& editor, PagerTransport& link, Messages& messages);
  Form2(Editor& editor, PagerTransport& link);  // messages: the editor's

  Form2State state;
  void SetView(Form2View* view) { view_ = view; }
  // The production line around the transfers (a record of each, the
  // capcodes of each pager written); none by default.
  void SetObserver(TransferObserver* observer) { transfer_.SetObserver(observer); }
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

  // Adds one to the capcode in txtAddr(index) and stores it.
  void set_capcode(int index);

  // The identification text of the last read (14 characters, Windows-1252).
  const std::string& IdentText() const { return transfer_.result().identText; }
  // What the last transfer did.
  const TransferResult& result() const { return result_; }

 private:
  // The transfer's progress, shown in the dialog's controls.
  void Phase(const char* label, int max, int value, bool systemHighlight) override;
  void Step(int value) override;
  void CapcodesGiven(const Image& image) override;
  void DoEvents() override;

  void Changed();
  void Unload();
  void Prepare();  // the transfer's options, from the editor as it is now
  TransferResult WriteTransfer();

  Editor& editor_;
  Messages& msg_;
  PagerTransfer transfer_;
  Form2View* view_ = nullptr;
  const StopRequest* stop_ = nullptr;
  TransferResult result_;
};

}  // namespace qrt
