#pragma once
// The Pager menu's production dialogs, thin views over the station:
// Production Database... (where the record is kept, tested before it is
// remembered, and the station's name in it) and Allocate Capcodes... (the
// ranges the next pagers take their capcodes from, and the capcodes in doubt
// a person may release).
#include <QDialog>

#include <string>

#include "base/Messages.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace qrt {

namespace production {
class Station;
}

class ProductionDatabaseDialog : public QDialog {
  Q_OBJECT

 public:
  ProductionDatabaseDialog(QWidget* parent, production::Station& station, Messages& messages);

  // Test: opens the database of the URL field and shows "OK" or the reason.
  void Test();
  // OK: a URL with a password is refused (the dialog stays); any other is
  // remembered and the record opened from it.
  void accept() override;
  // Why the record chosen did not open (shown by the window once the dialog
  // has closed); empty when it opened.
  const std::string& openError() const { return openError_; }

  QLineEdit* urlField() const { return url_; }
  QLineEdit* stationField() const { return stationName_; }
  QPushButton* testButton() const { return test_; }
  QLabel* testResult() const { return result_; }

 private:
  production::Station& station_;
  Messages& messages_;
  std::string openError_;
  QLineEdit* url_ = nullptr;
  QLineEdit* stationName_ = nullptr;
  QPushButton* test_ = nullptr;
  QLabel* result_ = nullptr;
};

class AllocationDialog : public QDialog {
  Q_OBJECT

 public:
  AllocationDialog(QWidget* parent, production::Station& station, Messages& messages);

  // OK: the ranges are checked and given to the production line; a refused
  // range keeps the dialog open with its message.
  void accept() override;

  // Fills the list of capcodes reserved or in doubt from the record.
  void RefreshOpen();
  // Release: the capcode selected in the list, in doubt, is given back to
  // its range with the reason typed; refused (with its message) otherwise.
  void Release();

  QLineEdit* range1() const { return range1_; }
  QLineEdit* range2() const { return range2_; }
  QLabel* stateLabel() const { return state_; }
  QTreeWidget* openList() const { return open_; }
  QLineEdit* reasonField() const { return reason_; }
  QPushButton* releaseButton() const { return release_; }

 private:
  production::Station& station_;
  Messages& messages_;
  QLineEdit* range1_ = nullptr;
  QLineEdit* range2_ = nullptr;
  QLabel* state_ = nullptr;
  QTreeWidget* open_ = nullptr;
  QLineEdit* reason_ = nullptr;
  QPushButton* release_ = nullptr;
};

}  // namespace qrt
