#include "editor/gui/BackupListDialog.h"

#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qrt {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int kPathRole = Qt::UserRole;

}  // namespace

BackupListDialog::BackupListDialog(QWidget* parent, const QString& title, const QString& action,
                                   std::vector<BackupEntry> backups, const std::string& folder)
    : QDialog(parent), backups_(std::move(backups)) {
  setObjectName("frmBackups");
  setWindowTitle(title);
  setModal(true);
  resize(600, 340);

  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(this);
  intro->setObjectName("lblBackupsFolder");
  intro->setWordWrap(true);
  intro->setTextInteractionFlags(Qt::TextSelectableByMouse);
  intro->setText(backups_.empty() ? "No backups in " + Q(folder) + " yet."
                                  : "The backups in " + Q(folder) + ", newest first.");
  layout->addWidget(intro);

  list_ = new QTreeWidget(this);
  list_->setObjectName("lstBackups");
  list_->setColumnCount(4);
  list_->setHeaderLabels({"Date", "Capcode 1", "Model", "State"});
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setStretchLastSection(true);
  for (const BackupEntry& b : backups_) {
    auto* item = new QTreeWidgetItem(list_, {Q(b.date), Q(b.capcode1), Q(b.model), Q(BackupStateText(b))});
    item->setData(0, kPathRole, Q(b.path));
    item->setToolTip(0, Q(b.path));
    if (b.checksumOk == false) item->setForeground(3, QColor(0xB3, 0x26, 0x1E));
  }
  for (int column = 0; column < 3; ++column) list_->resizeColumnToContents(column);
  if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
  layout->addWidget(list_, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  action_ = buttons->addButton(action, QDialogButtonBox::AcceptRole);
  action_->setObjectName("cmdTake");
  action_->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
  const auto enable = [this] { action_->setEnabled(list_->currentItem() != nullptr); };
  connect(list_, &QTreeWidget::currentItemChanged, this, enable);
  enable();
  list_->setFocus();
}

std::string BackupListDialog::chosenPath() const {
  const QTreeWidgetItem* item = list_->currentItem();
  return item ? item->data(0, kPathRole).toString().toStdString() : std::string();
}

}  // namespace qrt
