#include "station/gui/ConnectionDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qrt {

ConnectionDialog::ConnectionDialog(QWidget* parent, std::vector<ConnectionChoice> choices, const std::string& inUse)
    : QDialog(parent), choices_(std::move(choices)) {
  setObjectName("frmConnection");
  setWindowTitle("Connection");
  setModal(true);
  resize(560, 320);
  const bool offered = std::any_of(choices_.begin(), choices_.end(),
                                   [&](const ConnectionChoice& c) { return c.port == inUse; });
  if (!offered && !inUse.empty()) choices_.insert(choices_.begin(), {inUse, DescribePort(inUse)});

  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel("How the window reaches the pager. The choice is remembered and used at the next "
                           "start, unless --port names another.",
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  list_ = new QTreeWidget(this);
  list_->setObjectName("lstConnections");
  list_->setColumnCount(2);
  list_->setHeaderLabels({"Connection", "Port name"});
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  list_->header()->setStretchLastSection(false);
  for (const ConnectionChoice& c : choices_) {
    auto* item = new QTreeWidgetItem(list_, {QString::fromStdString(c.description), QString::fromStdString(c.port)});
    if (c.port == inUse) list_->setCurrentItem(item);
  }
  layout->addWidget(list_, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setObjectName("cmdOK");
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
  const auto enableOk = [this] { ok_->setEnabled(list_->currentItem() != nullptr); };
  connect(list_, &QTreeWidget::currentItemChanged, this, enableOk);
  enableOk();
  list_->setFocus();
}

std::string ConnectionDialog::chosenPort() const {
  const QTreeWidgetItem* item = list_->currentItem();
  return item ? item->text(1).toStdString() : std::string();
}

}  // namespace qrt
