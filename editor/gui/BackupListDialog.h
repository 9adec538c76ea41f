#pragma once
// File > Open Backup... and File > Restore Backup to Pager...: the backups
// of the pagers, newest first, each with the date it was taken, capcode 1,
// the model it holds and its state (a damaged one, taken from a pager left
// half written, says so). The chosen one is opened or restored by the window.
#include <QDialog>

#include <string>
#include <vector>

#include "backup/Backups.h"

class QTreeWidget;
class QPushButton;

namespace qrt {

class BackupListDialog : public QDialog {
  Q_OBJECT

 public:
  // `title` is the window's title ("Open Backup"), `action` the caption of
  // the button that takes the chosen backup; `backups` newest first.
  BackupListDialog(QWidget* parent, const QString& title, const QString& action, std::vector<BackupEntry> backups,
                   const std::string& folder);

  // The path of the selected backup; empty when none is selected.
  std::string chosenPath() const;
  QTreeWidget* list() const { return list_; }
  QPushButton* actionButton() const { return action_; }

 private:
  std::vector<BackupEntry> backups_;
  QTreeWidget* list_ = nullptr;
  QPushButton* action_ = nullptr;
};

}  // namespace qrt
