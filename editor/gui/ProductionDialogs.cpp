#include "editor/gui/ProductionDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "production/Allocation.h"
#include "production/Location.h"
#include "production/Station.h"

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

  layout->addWidget(Explanation(
      "The program never stores a password: libpq reads it from your password file <tt>~/.pgpass</tt> "
      "(<tt>host:port:database:user:password</tt>, <tt>chmod 0600</tt>), and a service in "
      "<tt>~/.pg_service.conf</tt> or the system's <tt>pg_service.conf</tt> can hold the other settings "
      "(<tt>postgresql://?service=NAME</tt>). TLS is what the URL asks for: <tt>sslmode=verify-full</tt> "
      "checks the server's certificate and name.",
      this));
  layout->addWidget(OkCancel(this));
  FitToWidth(this, 560);

  connect(test_, &QPushButton::clicked, this, &ProductionDatabaseDialog::Test);
  connect(url_, &QLineEdit::textEdited, result_, &QLabel::clear);
}

void ProductionDatabaseDialog::Test() {
  result_->setText("Testing...");
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QApplication::processEvents();
  const production::StoreStatus status = production::Station::TestDatabase(url_->text().trimmed().toStdString());
  QApplication::restoreOverrideCursor();
  result_->setText(status.ok() ? QStringLiteral("OK") : Q(status.error));
}

void ProductionDatabaseDialog::accept() {
  const production::Station::UrlChoice choice = station_.ChooseDatabase(url_->text().trimmed().toStdString());
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
      "from these ranges: the lowest capcode of the range that no pager in the production record holds and no "
      "station has reserved. Clear both ranges to write the image's own capcodes again (a batch then adds one "
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

  auto* buttons = OkCancel(this);
  QPushButton* clear = buttons->addButton("&Clear", QDialogButtonBox::ResetRole);
  clear->setObjectName("cmdClear");
  connect(clear, &QPushButton::clicked, this, [this] {
    range1_->clear();
    range2_->clear();
    range1_->setFocus();
  });
  layout->addWidget(buttons);
  FitToWidth(this, 480);
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
