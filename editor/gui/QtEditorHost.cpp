#include "editor/gui/QtEditorHost.h"

#include <QCoreApplication>

#include "editor/gui/DetailDialogs.h"
#include "editor/gui/MainWindow.h"
#include "station/Station.h"
#include "transfer/gui/TransferDialog.h"

namespace qrt {

void QtEditorHost::Attach(Form1* window, Editor* editor) {
  window_ = window;
  editor_ = editor;
}

void QtEditorHost::DoEvents() { QCoreApplication::processEvents(); }

void QtEditorHost::ShowFunctionBitDialog() {
  if (!editor_) return;
  // The main window's status texts follow every change while the dialog is open.
  qrt::ShowFunctionBitDialog(window_, *editor_, [this] {
    if (window_) window_->Refresh();
  });
  if (window_) window_->Refresh();
}

void QtEditorHost::ShowAlertLengthDialog() {
  if (!editor_) return;
  qrt::ShowAlertLengthDialog(window_, *editor_, [this] {
    if (window_) window_->Refresh();
  });
  if (window_) window_->Refresh();
}

void QtEditorHost::RunTransferDialog() {
  if (!editor_) return;
  if (window_) window_->TransferStarting();
  qrt::RunTransferDialog(window_, *editor_, station_.connection().transport(), &station_.line(),
                         &station_.stopRequest());
  if (window_) {
    window_->Refresh();
    window_->TransferEnded();
  }
}

void QtEditorHost::ParkBus() { station_.connection().transport().ParkBus(); }

void QtEditorHost::SetTimer1(bool running) {
  if (window_) window_->SetTimer1(running);
}

}  // namespace qrt
