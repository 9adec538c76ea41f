#include "station/gui/PortDiagnosticsDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <utility>

namespace qrt {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Html(const std::string& text) { return Q(text).toHtmlEscaped(); }

// Each mark in the words the text report uses, in a colour that tells them
// apart at a glance.
QString MarkCell(Mark mark) {
  switch (mark) {
    case Mark::Ok: return "<span style='color:#1B6E35; font-weight:bold'>OK</span>";
    case Mark::Problem: return "<span style='color:#B3261E; font-weight:bold'>problem</span>";
    case Mark::Note: return "<span style='color:#45617D'>note</span>";
  }
  return {};
}

// The closing result of the text report ("Result: ..."), as one line.
QString ResultLine(const std::string& text) {
  const auto at = text.rfind("Result: ");
  if (at == std::string::npos) return {};
  return Q(text.substr(at)).simplified();
}

}  // namespace

PortDiagnosticsDialog::PortDiagnosticsDialog(QWidget* parent, std::string portInUse)
    : QDialog(parent), portInUse_(std::move(portInUse)) {
  setObjectName("frmPortDiagnostics");
  setWindowTitle("Port Diagnostics");
  setModal(true);
  resize(620, 500);

  auto* layout = new QVBoxLayout(this);
  port_ = new QLabel(this);
  port_->setObjectName("lblPortInUse");
  port_->setWordWrap(true);
  port_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  port_->setText("This window uses " + Html(portInUse_) +
                 ". The report looks at this machine's own ports, drivers and adapters, whichever "
                 "port the window uses.");
  layout->addWidget(port_);

  // Read only, but every word can be selected and copied: the fix commands
  // are meant to be pasted into a shell.
  view_ = new QTextBrowser(this);
  view_->setObjectName("txtReport");
  view_->setOpenLinks(false);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(view_, 1);

  auto* buttons = new QHBoxLayout;
  copy_ = new QPushButton("&Copy", this);
  copy_->setObjectName("cmdCopy");
  copy_->setToolTip("Copy the whole report as text");
  runAgain_ = new QPushButton("&Run Again", this);
  runAgain_->setObjectName("cmdRunAgain");
  close_ = new QPushButton("Close", this);
  close_->setObjectName("cmdClose");
  close_->setDefault(true);
  buttons->addWidget(copy_);
  buttons->addWidget(runAgain_);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  layout->addLayout(buttons);

  close_->setFocus();

  connect(copy_, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(reportText()); });
  connect(runAgain_, &QPushButton::clicked, this, [this] { Run(); });
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
}

PortDiagnosticsDialog::PortDiagnosticsDialog(QWidget* parent, DiagnosticsReport report, std::string portInUse)
    : PortDiagnosticsDialog(parent, std::move(portInUse)) {
  report_ = std::move(report);
  runAgain_->hide();
  ShowReport();
}

PortDiagnosticsDialog::PortDiagnosticsDialog(QWidget* parent, std::function<DiagnosticsReport()> diagnose,
                                             std::string portInUse)
    : PortDiagnosticsDialog(parent, std::move(portInUse)) {
  diagnose_ = std::move(diagnose);
  view_->setPlainText("Looking at the parallel ports, their drivers and the adapters...");
  copy_->setEnabled(false);
}

void PortDiagnosticsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (diagnose_ && !ranOnShow_) {
    ranOnShow_ = true;
    // Once the dialog is drawn: the user sees what is going on.
    QTimer::singleShot(0, this, [this] { Run(); });
  }
}

void PortDiagnosticsDialog::Run() {
  if (running_ || !diagnose_) return;
  running_ = true;
  copy_->setEnabled(false);
  runAgain_->setEnabled(false);
  close_->setEnabled(false);
  view_->setPlainText("Looking at the parallel ports, their drivers and the adapters...");
  failure_.clear();
  try {
    report_ = diagnose_();
  } catch (const std::exception& e) {
    report_ = DiagnosticsReport{};
    failure_ = e.what();
  }
  running_ = false;
  runAgain_->setEnabled(true);
  close_->setEnabled(true);
  ShowReport();
}

void PortDiagnosticsDialog::ShowReport() {
  if (!failure_.empty()) {
    view_->setPlainText("The diagnosis could not run: " + Q(failure_));
    copy_->setEnabled(false);
    return;
  }
  QString html;
  for (const Section& section : report_.sections) {
    html += "<h3>" + Html(section.title) + "</h3><table cellspacing='2'>";
    for (const Check& check : section.checks) {
      html += "<tr><td valign='top' width='64'>" + MarkCell(check.mark) + "</td><td>" + Html(check.text) + "</td></tr>";
      for (const std::string& fix : check.fixes)
        html += "<tr><td></td><td><pre style='margin:0; background:#EEF2F6'>" + Html(fix) + "</pre></td></tr>";
    }
    html += "</table>";
  }
  html += "<p><b>" + ResultLine(RenderText(report_)).toHtmlEscaped() + "</b></p>";
  view_->setHtml(html);
  copy_->setEnabled(true);
}

QString PortDiagnosticsDialog::reportText() const {
  return "This window uses " + Q(portInUse_) + ".\n\n" + Q(RenderText(report_));
}

void PortDiagnosticsDialog::closeEvent(QCloseEvent* event) {
  // The diagnosis runs below this dialog's own frames: it must end first.
  if (running_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void PortDiagnosticsDialog::reject() {
  if (!running_) QDialog::reject();
}

}  // namespace qrt
