#pragma once
// Help > Port Diagnostics...: why the programmer does not find its board,
// answered in the window. Shows the report of the port diagnostics (one
// section per port and per subject, each finding marked OK, problem or note,
// a problem's fix commands on lines of their own, selectable), says which
// port the window itself is using, and copies the whole report as text, the
// text `qrt35 doctor` prints.
//
// Opened with a way to diagnose, the dialog runs it once it is up; the
// probes' waits let window events run, so the dialog is drawn and stays
// responsive, but it cannot be closed until the run has ended.
#include <QDialog>
#include <QString>

#include <functional>
#include <string>

#include "diagnostics/Diagnostics.h"

class QLabel;
class QPushButton;
class QTextBrowser;

namespace qrt {

class PortDiagnosticsDialog : public QDialog {
  Q_OBJECT

 public:
  // A report made already, shown as it is.
  PortDiagnosticsDialog(QWidget* parent, DiagnosticsReport report, std::string portInUse);
  // `diagnose` runs when the dialog is shown, and again on Run Again.
  PortDiagnosticsDialog(QWidget* parent, std::function<DiagnosticsReport()> diagnose, std::string portInUse);

  bool running() const { return running_; }
  const DiagnosticsReport& report() const { return report_; }
  // The whole report as plain text, with the window's port above it: what
  // Copy puts on the clipboard.
  QString reportText() const;

  QTextBrowser* view() const { return view_; }
  QPushButton* copyButton() const { return copy_; }
  QPushButton* runAgainButton() const { return runAgain_; }
  QPushButton* closeButton() const { return close_; }

  // Escape: ignored while the diagnosis runs.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  PortDiagnosticsDialog(QWidget* parent, std::string portInUse);
  void Run();
  void ShowReport();

  std::function<DiagnosticsReport()> diagnose_;
  std::string portInUse_;
  DiagnosticsReport report_;
  std::string failure_;  // why the diagnosis itself failed, if it did
  bool running_ = false;
  bool ranOnShow_ = false;
  QLabel* port_ = nullptr;
  QTextBrowser* view_ = nullptr;
  QPushButton* copy_ = nullptr;
  QPushButton* runAgain_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace qrt
