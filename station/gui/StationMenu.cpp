#include "station/gui/StationMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>

#include <cstdio>
#include <exception>

#include "base/Messages.h"
#include "ports/Connection.h"
#include "station/Station.h"
#include "station/gui/ConnectionDialog.h"
#include "station/gui/PortDiagnosticsDialog.h"
#include "station/gui/ProductionDialogs.h"
#include "station/gui/ProductionLog.h"
#include "station/gui/ProductionPanel.h"

namespace qrt {
namespace {

// A status bar text: its short form, whole when there is room, which the
// window's design size has; in less room it loses whole words from its end
// ("Record: production.sqlite …"), never part of one. The whole text is its
// tooltip.
class StatusLabel : public QLabel {
 public:
  explicit StatusLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    // A sunken panel each, as status bars have them, so that the parts do
    // not run into one another.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  QSize minimumSizeHint() const override { return {1, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect room = contentsRect();
    const QFontMetrics metrics = fontMetrics();
    QString shown = text();
    const QString ellipsis = QStringLiteral(" \u2026");
    while (!shown.isEmpty() && metrics.horizontalAdvance(shown) > room.width()) {
      const qsizetype space = shown.lastIndexOf(QLatin1Char(' '), shown.endsWith(ellipsis) ? -3 : -1);
      shown = space > 0 ? shown.left(space) + ellipsis : QString();
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, shown);
  }
};

}  // namespace

StationMenu::StationMenu(QWidget* window, production::Station& station, Messages& messages, StationWindowHooks hooks)
    : window_(window), station_(station), connection_(station.connection()), msg_(messages), hooks_(std::move(hooks)) {}

void StationMenu::AddToPagerMenu(QMenu* pager) {
  const auto command = [&](const char* name, const char* caption, std::function<void()> run) {
    QAction* a = pager->addAction(caption);
    a->setObjectName(name);
    QObject::connect(a, &QAction::triggered, window_, std::move(run));
    return a;
  };
  pager->addSeparator();
  command("mnuConnection", "Connection...", [this] { ChooseConnection(); });
  QMenu* bus = pager->addMenu("Bus Speed");
  bus->setObjectName("mnuBusSpeed");
  auto* speeds = new QActionGroup(bus);
  speeds->setExclusive(true);
  const auto speed = [&](const char* name, const char* caption, BusSpeed value) {
    QAction* a = bus->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(true);
    a->setActionGroup(speeds);
    a->setChecked(station_.busSpeed() == value);
    QObject::connect(a, &QAction::triggered, window_, [this, value] { SetBusSpeed(value); });
    return a;
  };
  busStandard_ = speed("mnuBusStandard", "Standard", BusSpeed::Standard);
  busFast_ = speed("mnuBusFast", "Fast", BusSpeed::Fast);
  pager->addSeparator();
  command("mnuProductionDatabase", "Production Database...", [this] { ProductionDatabase(); });
  withoutDatabase_ = pager->addAction("Work Without Database");
  withoutDatabase_->setObjectName("mnuWithoutDatabase");
  withoutDatabase_->setCheckable(true);
  withoutDatabase_->setChecked(station_.workingWithoutDatabase());
  QObject::connect(withoutDatabase_, &QAction::triggered, window_, [this](bool on) { SetWorkWithoutDatabase(on); });
  command("mnuAllocate", "Allocate Capcodes...", [this] { AllocateCapcodes(); });
  command("mnuProductionLog", "Production Log", [this] { ShowProductionLog(); });
  command("mnuProductionPanel", "Production Panel...", [this] { ShowProductionPanel(); });
}

void StationMenu::AddToStatusBar(QStatusBar* bar) {
  const auto label = [&](const char* name) {
    auto* l = new StatusLabel(window_);
    l->setObjectName(name);
    // Each part takes the width of its short form; what is left goes last.
    bar->addWidget(l);
    return l;
  };
  connectionLabel_ = label("lblConnection");
  recordLabel_ = label("lblRecord");
  allocationLabel_ = label("lblAllocation");
  bar->setSizeGripEnabled(true);
  UpdateStatusBar();
}

void StationMenu::SetRecordWaiting(int waiting) {
  recordWaiting_ = waiting;
  UpdateStatusBar();
}

void StationMenu::UpdateStatusBar() {
  const auto show = [](QLabel* label, const production::StatusText& text) {
    if (!label) return;
    label->setText(QString::fromStdString(text.brief));
    label->setToolTip(QString::fromStdString(text.full));
    label->setVisible(!text.brief.empty());
  };
  show(connectionLabel_, station_.ConnectionStatusTexts());
  show(recordLabel_, station_.RecordStatusTexts(recordWaiting_));
  show(allocationLabel_, station_.AllocationStatusTexts());
  if (busFast_) {
    busFast_->setChecked(station_.busSpeed() == BusSpeed::Fast);
    busStandard_->setChecked(station_.busSpeed() == BusSpeed::Standard);
    withoutDatabase_->setChecked(station_.workingWithoutDatabase());
  }
}

void StationMenu::ChooseConnection() {
  std::vector<ConnectionChoice> choices;
  try {
    if (listConnections_) choices = listConnections_();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qrt35prog: listing the connections failed: %s\n", e.what());
  }
  ConnectionDialog dialog(window_, std::move(choices), connection_.options().port);
  if (dialog.exec() == QDialog::Accepted && !dialog.chosenPort().empty()) SwitchConnection(dialog.chosenPort());
  hooks_.afterAction();
}

void StationMenu::SwitchConnection(const std::string& port) {
  // As around a transfer: nothing writes to the old port while it goes.
  const bool timerWasRunning = hooks_.timerRunning();
  hooks_.setTimer(false);
  const Connection::Opened opened = station_.SwitchConnection(port);
  if (!opened.note.empty()) msg_.Show(opened.note, MsgIcon::None);
  if (opened.ok) {
    // The board is looked for on the new port, as at start; a missing one is reported.
    connection_.transport().CalibrateDelay();
    connection_.transport().DetectBoard();
    connection_.transport().ParkBus();
  } else {
    msg_.Show(opened.error, MsgIcon::Warning);
  }
  if (timerWasRunning && !hooks_.closing()) hooks_.setTimer(true);
  UpdateStatusBar();
}

void StationMenu::SetBusSpeed(BusSpeed speed) {
  station_.SetBusSpeed(speed);
  UpdateStatusBar();
}

void StationMenu::OpenRecord() {
  station_.OpenRecord();  // RecordOpened reports its end
  UpdateStatusBar();
}

void StationMenu::StartOpeningRecord() {
  station_.StartOpenRecord();
  UpdateStatusBar();
}

void StationMenu::RecordOpened(const production::StoreStatus& status) {
  SetRecordWaiting(station_.RecordWaiting());
  // A write waiting for the record shows why it is refused itself.
  if (!status.ok() && !hooks_.transferRunning()) msg_.Show(status.error, MsgIcon::Warning);
  // A record file made now, records stored from this station's journal.
  if (!station_.recordNote().empty()) msg_.Show(station_.recordNote(), MsgIcon::None);
}

void StationMenu::ProductionDatabase() {
  ProductionDatabaseDialog dialog(window_, station_, msg_);
  dialog.exec();  // a record chosen reports through RecordOpened
  UpdateStatusBar();
  hooks_.transferEnded();
  hooks_.afterAction();
}

void StationMenu::SetWorkWithoutDatabase(bool on) {
  station_.WorkWithoutDatabase(on);  // RecordOpened reports it
  UpdateStatusBar();
  hooks_.transferEnded();
}

void StationMenu::AllocateCapcodes() {
  if (const std::string stopped = station_.AwaitRecord(); !stopped.empty()) {
    msg_.Show(stopped, MsgIcon::Warning);
    return;
  }
  if (!station_.store()) {
    const std::string why = station_.workingWithoutDatabase()
                                ? "Pager > Work Without Database is on."
                                : station_.line().unavailable();
    msg_.Show(std::string(production::kAllocationNeedsRecord) + "\n" + why, MsgIcon::Warning);
    return;
  }
  AllocationDialog dialog(window_, station_, msg_);
  dialog.exec();
  UpdateStatusBar();
  hooks_.afterAction();
}

void StationMenu::ShowProductionLog() {
  if (!log_) log_ = new ProductionLogWindow(window_, station_, msg_);
  log_->Refresh();
  log_->show();
  log_->raise();
  log_->activateWindow();
}

ProductionLogWindow* StationMenu::productionLog() const { return log_; }

void StationMenu::ShowProductionPanel() {
  if (!panel_) {
    panel_ = new ProductionPanel(window_, station_, hooks_.table);
    panel_->setWindowModality(Qt::ApplicationModal);
    QObject::connect(panel_, &ProductionPanel::closed, window_, [this] {
      if (!hooks_.closing()) hooks_.setTimer(true);
      hooks_.transferEnded();
    });
  }
  hooks_.setTimer(false);
  panel_->show();
  panel_->raise();
  panel_->activateWindow();
}

ProductionPanel* StationMenu::productionPanel() const { return panel_; }

void StationMenu::RefreshLog() {
  if (log_ && log_->isVisible()) log_->Refresh();
}

void StationMenu::PortDiagnostics() {
  // As around a transfer: nothing else writes to the port meanwhile.
  const bool timerWasRunning = hooks_.timerRunning();
  hooks_.setTimer(false);
  connection_.Release();
  const auto diagnose = diagnostics_.diagnose;
  Clock& clock = connection_.clock();
  PortDiagnosticsDialog dialog(
      window_, [diagnose, &clock] { return diagnose ? diagnose(clock) : DiagnosticsReport{}; }, connection_.Describe());
  dialog.exec();
  if (timerWasRunning && !hooks_.closing()) hooks_.setTimer(true);
  hooks_.afterAction();
}

}  // namespace qrt
