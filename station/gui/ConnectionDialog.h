#pragma once
// Pager > Connection...: the ways to the pager this machine offers (the
// automatic ppdev choice, every parallel port, I2C adapter and CH341A, the
// simulated pager), the one in use selected. OK gives the chosen port; the
// window opens it.
#include <QDialog>

#include <string>
#include <vector>

#include "ports/ConnectionChoices.h"

class QTreeWidget;
class QPushButton;

namespace qrt {

class ConnectionDialog : public QDialog {
  Q_OBJECT

 public:
  // `inUse` is selected; listed first when the machine does not offer it
  // (a port given with --port).
  ConnectionDialog(QWidget* parent, std::vector<ConnectionChoice> choices, const std::string& inUse);

  // The port of the selected row; empty when none is selected.
  std::string chosenPort() const;
  QTreeWidget* list() const { return list_; }
  QPushButton* okButton() const { return ok_; }

 private:
  std::vector<ConnectionChoice> choices_;
  QTreeWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace qrt
