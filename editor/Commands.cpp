// The Pager menu commands (Read, Write, Verfy) up to the transfer dialog, and
// Write Mode, which locks the editing controls for production runs.
#include "editor/Editor.h"

namespace qrt {
namespace {

constexpr int kRead = 0;
constexpr int kWrite = 1;
constexpr int kVerify = 2;

}  // namespace

void Editor::PagerCommand(int mode) {
  host.SetTimer1(false);  // no keep-alive writes on the port while the bus runs
  // Leaving the field being edited stores (or refuses) its entry now.
  SetFocus(CtlRef{Ctl::picTabBack, 0});
  state.TransferMode = static_cast<uint8_t>(mode);
  host.DoEvents();

  // Whatever the dialog does, the window gets its timer back, the prompts
  // their display form, and a write leaves the bus parked.
  bool inPagerForm = false;
  auto finish = [&] {
    if (inPagerForm) {
      ToDisplayCharset();
      inPagerForm = false;
    }
    host.SetTimer1(true);
    if (mode == kWrite) host.ParkBus();
  };

  try {
    if (state.FreqRejected) {
      // A refused frequency entry is never sent to a pager: the command is
      // dropped and the next one runs normally.
      state.FreqRejected = false;
    } else if (mode == kRead) {
      host.RunTransferDialog();
    } else if (mode == kWrite || mode == kVerify) {
      ToPagerCharset();
      inPagerForm = true;
      host.RunTransferDialog();
      ToDisplayCharset();
      inPagerForm = false;
      if (mode == kWrite) init_ctl();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void Editor::SetLocked(bool locked) {
  auto lock = [locked](auto& controls) {
    for (auto& c : controls) c.locked = locked;
  };
  lock(chkCtl);
  lock(cboCtl);
  lock(chkSource);
  lock(chkMenu);
  lock(txtPrompt);
  lock(txtAddr);
  lock(cboBatLev);
  lock(optLeft);
  lock(optCenter);
  lock(optRight);
  lock(optDefault);
  lock(cmdFunc);
  for (ControlState* c : {static_cast<ControlState*>(&txtPass), static_cast<ControlState*>(&txtFreq),
                          static_cast<ControlState*>(&cboDft), static_cast<ControlState*>(&cboLng),
                          static_cast<ControlState*>(&cboLogo), static_cast<ControlState*>(&cboORC),
                          static_cast<ControlState*>(&cboSLC), static_cast<ControlState*>(&cboSource),
                          static_cast<ControlState*>(&cboTone), static_cast<ControlState*>(&optAuto1),
                          static_cast<ControlState*>(&optAuto2), static_cast<ControlState*>(&cmdAlert)})
    c->locked = locked;
}

void Editor::WriteOpt_Click() {
  writeMode = true;
  SetLocked(true);
}

void Editor::ModifyOpt_Click() {
  writeMode = false;
  SetLocked(false);
}

}  // namespace qrt
