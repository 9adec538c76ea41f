#include "transfer/Transfers.h"

#include <string>

#include "codecs/Capcode.h"
#include "editor/Editor.h"
#include "transfer/EditorTransfer.h"

namespace qrt {
namespace {

// The capcode record `index` of the image as a batch label shows it.
std::string CapcodeShown(const Image& image, int index) {
  try {
    return CapcodeText(DecodeCapcode(image, index));
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

Form2State::Form2State() {
  lblAuto1.text = kLblAuto1Caption;
  lblAuto2.text = kLblAuto2Caption;
  lblAuto1.visible = lblAuto2.visible = false;
  cmdWrite.visible = cmdExit.visible = false;
}

Form2::Form2(Editor& editor, PagerTransport& link, Messages& messages)
    : editor_(editor), msg_(messages), transfer_(link, messages) {
  transfer_.SetProgress(this);
}

Form2::Form2(Editor& editor, PagerTransport& link) : Form2(editor, link, editor.msg) {}

void Form2::Changed() {
  if (view_) view_->Form2Changed();
}

void Form2::DoEvents() {
  if (view_) view_->DoEvents();
}

void Form2::Phase(const char* label, int max, int value, bool systemHighlight) {
  state.PB1.Max = max;
  state.PB1.Value = value;
  state.PB1.Color = kProgressPurple;
  state.PB1.SystemHighlight = systemHighlight;
  state.Label1 = label;
  Changed();
}

void Form2::Step(int value) {
  state.PB1.Value = value;
  Changed();
}

// The capcodes this pager receives, as the batch labels show them.
void Form2::CapcodesGiven(const Image& image) {
  state.lblAuto1.text = kLblAuto1Caption + CapcodeShown(image, 0);
  state.lblAuto2.text = kLblAuto2Caption + CapcodeShown(image, 1);
  Changed();
}

void Form2::Unload() {
  state.busy = false;
  state.closed = true;
  Changed();
}

void Form2::Prepare() { transfer_.SetOptions(TransferOptionsOf(editor_, stop_)); }

TransferResult Form2::Form_Activate() {
  if (state.closed || state.busy) return {};
  result_ = {};
  Prepare();
  switch (editor_.state.TransferMode) {
    case 0:
      state.busy = true;
      result_ = ReadIntoEditor(transfer_, editor_);
      break;
    case 1: return WriteTransfer();
    case 2:
      state.busy = true;
      result_ = VerifyEditorImage(transfer_, editor_);
      break;
    case 3:
      state.busy = true;
      result_ = RestoreEditorBackup(transfer_, editor_);
      break;
    default: return {};  // nothing to do; the dialog stays open
  }
  Unload();
  return result_;
}

TransferResult Form2::WriteTransfer() {
  state.busy = true;
  const AppState& st = editor_.state;
  if (!st.AutoIncrement1 && !st.AutoIncrement2) {
    result_ = WriteEditorImage(transfer_, editor_);
    Unload();
    return result_;
  }
  result_ = transfer_.OpenBatch();
  if (result_.outcome != TransferOutcome::Waiting) {
    Unload();
    return result_;
  }
  // The batch: one write per press of Write.
  state.lblAuto1.visible = st.AutoIncrement1;
  state.lblAuto2.visible = st.AutoIncrement2;
  state.cmdWrite.visible = state.cmdExit.visible = true;
  state.cmdWrite.enabled = state.cmdExit.enabled = true;
  state.busy = false;
  Changed();
  if (state.closeRequested) {
    result_.outcome = TransferOutcome::Failed;
    Unload();
  }
  return result_;
}

TransferResult Form2::cmdWrite_Click() {
  if (state.closed || state.busy || !state.cmdWrite.visible || !state.cmdWrite.enabled) return {};
  // Disabled for the whole press: the events the transfer lets run must not
  // start a second write or close the dialog under it.
  state.busy = true;
  state.cmdWrite.enabled = state.cmdExit.enabled = false;
  Changed();
  Prepare();
  result_ = WriteBatchPager(transfer_, editor_, msg_);

  state.cmdWrite.enabled = state.cmdExit.enabled = true;
  state.PB1.Value = 0;
  state.Label1.clear();
  state.busy = false;
  Changed();
  if (state.closeRequested) Unload();
  return result_;
}

void Form2::cmdExit_Click() {
  if (state.closed || state.busy || !state.cmdExit.enabled) return;
  Unload();
}

void Form2::Close1_Click() {
  if (state.closed) return;
  if (state.busy) {
    // Closing in the middle of a transfer would leave the bus and the image
    // half done; the dialog closes as soon as the transfer has ended.
    state.closeRequested = true;
    return;
  }
  Unload();
}

void Form2::set_capcode(int index) {
  const std::string said = IncreaseCapcode(editor_, index, msg_);
  if (!said.empty()) result_.message = said;
}

}  // namespace qrt
