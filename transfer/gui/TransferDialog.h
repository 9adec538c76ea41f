#pragma once
// The transfer dialog `Form2`: a thin Qt view over qrt::Form2. It runs the
// transfer chosen by AppState::TransferMode as soon as it is shown and closes
// itself when the model says so.
#include <QDialog>

#include "transfer/Transfers.h"

class QLabel;
class QProgressBar;

namespace qrt {

class Editor;
class PagerTransport;

class TransferDialog : public QDialog, private Form2View {
  Q_OBJECT

 public:
  // runOnShow false builds the dialog without starting a transfer (screenshots,
  // tests that set the state by hand and call Refresh()). `observer`, when
  // given, is the production line around every transfer the dialog runs.
  TransferDialog(QWidget* parent, Editor& editor, PagerTransport& link, bool runOnShow = true,
                 TransferObserver* observer = nullptr);
  ~TransferDialog() override;

  Form2& model() { return model_; }
  void Refresh();  // redraw every widget from the model

  QProgressBar* progressBar() const { return pb1_; }
  QWidget* writeButton() const { return cmdWrite_; }
  QWidget* exitButton() const { return cmdExit_; }
  QWidget* closeBox() const { return close1_; }
  QLabel* statusLabel() const { return label1_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape goes through the close box's path

 private:
  void Form2Changed() override;
  void DoEvents() override;
  void Activate();
  void CloseIfModelClosed();

  Form2 model_;
  bool runOnShow_;
  bool activated_ = false;
  QLabel* background_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label1_ = nullptr;
  QProgressBar* pb1_ = nullptr;
  QLabel* lblAuto1_ = nullptr;
  QLabel* lblAuto2_ = nullptr;
  QWidget* cmdWrite_ = nullptr;
  QWidget* cmdExit_ = nullptr;
  QWidget* close1_ = nullptr;
};

// Shows the transfer dialog modally for editor.state.TransferMode and returns
// when it has closed, with what its last transfer did. The main window calls
// this from its EditorHost, with its production line as `observer` and the
// program's request to stop as `stop`.
TransferResult RunTransferDialog(QWidget* parent, Editor& editor, PagerTransport& link,
                                 TransferObserver* observer = nullptr, const StopRequest* stop = nullptr);

}  // namespace qrt

// The same function for callers outside the namespace (a member function named
// RunTransferDialog hides the unqualified name, so callers qualify it anyway).
using qrt::RunTransferDialog;
