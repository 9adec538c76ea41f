#pragma once
// Pager > Production Log: a window of its own (not modal) over the
// production record. A table of the records the filter selects (capcode,
// since a date, outcome), newest first and sortable by any column, Refresh,
// and Export CSV... of the records as shown.
#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "record/Record.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace qrt {

namespace production {
class Station;
}

// The records as rows; the columns and cell texts are the log's own
// (record/LogFormat.h). Sorting goes by Qt::UserRole, each cell's sort key.
class ProductionLogModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetRecords(std::vector<production::ProductionRecord> records);
  const production::ProductionRecord& record(int row) const { return records_[static_cast<size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  std::vector<production::ProductionRecord> records_;
};

class ProductionLogWindow : public QWidget {
  Q_OBJECT

 public:
  ProductionLogWindow(QWidget* parent, production::Station& station, Messages& messages);

  // Queries the record again with the filter fields.
  void Refresh();
  // Export CSV...: asks for a file (through chooseExportPath) and saves the
  // records in the order shown.
  void ExportCsv();
  // The records in the order the table shows them.
  std::vector<production::ProductionRecord> shownRecords() const;

  // The save dialog; a test answers it itself.
  std::function<std::optional<std::string>(QWidget*)> chooseExportPath;

  QTableView* table() const { return table_; }
  ProductionLogModel* model() const { return model_; }
  QLineEdit* capcodeFilter() const { return capcode_; }
  QLineEdit* sinceFilter() const { return since_; }
  QComboBox* outcomeFilter() const { return outcome_; }
  QLabel* statusLabel() const { return status_; }

 private:
  production::Station& station_;
  Messages& messages_;
  ProductionLogModel* model_ = nullptr;
  QSortFilterProxyModel* sorted_ = nullptr;
  QTableView* table_ = nullptr;
  QLineEdit* capcode_ = nullptr;
  QLineEdit* since_ = nullptr;
  QComboBox* outcome_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace qrt
