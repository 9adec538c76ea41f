#include "station/gui/ProductionDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "codecs/Capcode.h"
#include "record/Allocation.h"
#include "record/Location.h"
#include "record/LogFormat.h"
#include "station/Station.h"

namespace qrt {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QLabel* Explanation(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

// "2026-12-08T14:03:21.042Z" as the log shows it: "2026-12-08 14:03:21".
QString ShownTime(const std::string& recorded) { return Q(recorded).left(19).replace('T', ' '); }

// As high as the wrapped explanations need at `width`.
void FitToWidth(QDialog* dialog, int width) {
  QLayout* layout = dialog->layout();
  layout->activate();
  const int height = layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->sizeHint().height();
  dialog->resize(width, std::max(height, dialog->minimumSizeHint().height()));
}

}  // namespace

// ------------------------------------------------------------ database

ProductionDatabaseDialog::ProductionDatabaseDialog(QWidget* parent, production::Station& station,
                                                   Messages& messages)
    : QDialog(parent), station_(station), messages_(messages) {
  setObjectName("frmProductionDatabase");
  setWindowTitle("Production Database");
  setModal(true);
  const std::string ownFile = production::ResolveLocation("").display;

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Explanation(
      "Every pager read, written or verified is recorded here, and allocated capcodes come from here. Leave "
      "the URL empty for this station's own file, " + Q(ownFile).toHtmlEscaped() +
          ". For a line of stations sharing one record, give the PostgreSQL server as "
          "<tt>postgresql://USER@HOST/DATABASE?sslmode=verify-full</tt>.",
      this));

  auto* row = new QHBoxLayout;
  url_ = new QLineEdit(Q(station_.databaseUrl()), this);
  url_->setObjectName("txtUrl");
  url_->setPlaceholderText(Q(ownFile));
  url_->setClearButtonEnabled(true);
  test_ = new QPushButton("&Test", this);
  test_->setObjectName("cmdTest");
  test_->setAutoDefault(false);
  row->addWidget(url_, 1);
  row->addWidget(test_);
  layout->addLayout(row);

  result_ = Explanation({}, this);
  result_->setObjectName("lblTestResult");
  result_->setTextFormat(Qt::PlainText);
  layout->addWidget(result_);

  auto* named = new QFormLayout;
  stationName_ = new QLineEdit(Q(station_.stationName()), this);
  stationName_->setObjectName("txtStation");
  stationName_->setPlaceholderText(Q(production::HostName()) + " (this computer's name)");
  named->addRow("&Station name in the record:", stationName_);
  layout->addLayout(named);

  layout->addWidget(Explanation(
      "The program never stores a password: libpq reads it from your password file <tt>~/.pgpass</tt> "
      "(<tt>host:port:database:user:password</tt>, <tt>chmod 0600</tt>) or the file <tt>PGPASSFILE</tt> "
      "names, and a service in <tt>~/.pg_service.conf</tt> or the system's <tt>pg_service.conf</tt> can hold "
      "the other settings (<tt>service=NAME</tt>). Any form libpq takes will do, <tt>host=... dbname=...</tt> "
      "too. TLS is what it asks for: <tt>sslmode=verify-full</tt> checks the server's certificate and name.",
      this));
  layout->addWidget(OkCancel(this));
  FitToWidth(this, 560);

  connect(test_, &QPushButton::clicked, this, &ProductionDatabaseDialog::Test);
  connect(url_, &QLineEdit::textEdited, result_, &QLabel::clear);
}

void ProductionDatabaseDialog::Test() {
  result_->setText("Testing...");
  test_->setEnabled(false);
  const production::StoreStatus status = station_.TestDatabaseWaiting(url_->text().trimmed().toStdString());
  test_->setEnabled(true);
  result_->setText(status.ok() ? QStringLiteral("OK") : Q(status.error));
}

void ProductionDatabaseDialog::accept() {
  const production::Station::UrlChoice choice =
      station_.ChooseDatabase(url_->text().trimmed().toStdString(), stationName_->text().trimmed().toStdString());
  if (!choice.remembered) {
    messages_.Show(choice.error, MsgIcon::Warning);
    url_->setFocus();
    return;
  }
  openError_ = choice.error;
  QDialog::accept();
}

// ---------------------------------------------------------- allocation

AllocationDialog::AllocationDialog(QWidget* parent, production::Station& station, Messages& messages)
    : QDialog(parent), station_(station), messages_(messages) {
  setObjectName("frmAllocateCapcodes");
  setWindowTitle("Allocate Capcodes");
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Explanation(
      "The next pagers written in Write Mode (each F4 or space bar, each pager of a batch) take their capcodes "
      "from these ranges: the lowest capcode of the range that is neither written to a pager, reserved by a "
      "station nor in doubt. Clear both ranges to write the image's own capcodes again (a batch then adds one "
      "to them after every pager).",
      this));

  const std::vector<production::CapcodeRange>& ranges = station_.line().allocation();
  const auto rangeOf = [&](int slot) {
    for (const production::CapcodeRange& r : ranges)
      if (r.slot == slot) return Q(production::RangeText(r));
    return QString();
  };
  auto* form = new QFormLayout;
  range1_ = new QLineEdit(rangeOf(1), this);
  range1_->setObjectName("txtRange1");
  range1_->setPlaceholderText("FIRST-LAST, for example 0001000-0001999");
  range2_ = new QLineEdit(rangeOf(2), this);
  range2_->setObjectName("txtRange2");
  range2_->setPlaceholderText("optional");
  form->addRow("Capcode &1 range:", range1_);
  form->addRow("Capcode &2 range:", range2_);
  layout->addLayout(form);

  state_ = Explanation({}, this);
  state_->setObjectName("lblAllocation");
  state_->setTextFormat(Qt::PlainText);
  const std::string on = production::AllocationText(ranges);
  state_->setText(on.empty() ? "Allocation is off: pagers are written with the image's own capcodes."
                             : "Allocation is on: " + Q(on) + ".");
  layout->addWidget(state_);

  layout->addWidget(Explanation(
      "Capcodes in doubt: their pager's write ended without a verified record, so a pager may hold them. "
      "They are never given out again, except to the pager that holds them, until you release one here: "
      "select it, say why no pager holds it, and Release. Your reason is recorded with your name, this "
      "station and the time.",
      this));
  open_ = new QTreeWidget(this);
  open_->setObjectName("lstInDoubt");
  open_->setHeaderLabels({"Capcode", "State", "Station", "Since (UTC)"});
  open_->setRootIsDecorated(true);
  open_->setMinimumHeight(120);
  layout->addWidget(open_);
  auto* releaseRow = new QHBoxLayout;
  reason_ = new QLineEdit(this);
  reason_->setObjectName("txtReason");
  reason_->setPlaceholderText("why no pager holds it, e.g. pager 17 read back: it holds 1700002");
  release_ = new QPushButton("&Release", this);
  release_->setObjectName("cmdRelease");
  release_->setAutoDefault(false);
  releaseRow->addWidget(reason_, 1);
  releaseRow->addWidget(release_);
  layout->addLayout(releaseRow);
  connect(release_, &QPushButton::clicked, this, &AllocationDialog::Release);
  RefreshOpen();

  auto* buttons = OkCancel(this);
  QPushButton* clear = buttons->addButton("&Clear", QDialogButtonBox::ResetRole);
  clear->setObjectName("cmdClear");
  connect(clear, &QPushButton::clicked, this, [this] {
    range1_->clear();
    range2_->clear();
    range1_->setFocus();
  });
  layout->addWidget(buttons);
  FitToWidth(this, 560);
}

void AllocationDialog::RefreshOpen() {
  open_->clear();
  const auto found = station_.OpenAllocations();
  if (!found.ok()) {
    auto* item = new QTreeWidgetItem(open_, {Q(found.error)});
    item->setFirstColumnSpanned(true);
    return;
  }
  for (const production::OpenAllocation& a : found.value) {
    const QString state = Q(std::string(production::CapcodeStateName(a.state)));
    auto* item = new QTreeWidgetItem(open_, {Q(CapcodeText(a.capcode)), state, Q(a.station), ShownTime(a.since)});
    item->setData(0, Qt::UserRole, static_cast<qulonglong>(a.capcode));
    for (const production::AllocationEvent& e : a.events) {
      auto* event = new QTreeWidgetItem(item, {Q(e.event), Q(e.user), Q(e.station), ShownTime(e.time)});
      event->setToolTip(0, Q(e.reason));
      auto* reason = new QTreeWidgetItem(event, {Q(e.reason)});
      reason->setFirstColumnSpanned(true);
    }
  }
  open_->header()->resizeSections(QHeaderView::ResizeToContents);
}

void AllocationDialog::Release() {
  QTreeWidgetItem* item = open_->currentItem();
  while (item && item->parent()) item = item->parent();
  if (!item || !item->data(0, Qt::UserRole).isValid()) {
    messages_.Show("Select the capcode in doubt to release in the list.", MsgIcon::Warning);
    return;
  }
  const std::string capcode = item->text(0).toStdString();
  const production::StoreStatus released = station_.ReleaseCapcode(capcode, reason_->text().toStdString());
  if (!released.ok()) {
    messages_.Show(released.error, MsgIcon::Warning);
    reason_->setFocus();
    return;
  }
  reason_->clear();
  RefreshOpen();
}

void AllocationDialog::accept() {
  const std::string error =
      station_.SetAllocation(range1_->text().toStdString(), range2_->text().toStdString());
  if (!error.empty()) {
    messages_.Show(error, MsgIcon::Warning);
    range1_->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace qrt
