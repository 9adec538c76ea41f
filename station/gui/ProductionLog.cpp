#include "station/gui/ProductionLog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "record/LogFormat.h"
#include "station/Station.h"

namespace qrt {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// --------------------------------------------------------------- model

void ProductionLogModel::SetRecords(std::vector<production::ProductionRecord> records) {
  beginResetModel();
  records_ = std::move(records);
  endResetModel();
}

int ProductionLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int ProductionLogModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : production::kLogColumns;
}

QVariant ProductionLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const production::ProductionRecord& r = record(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole: return Q(production::LogRow(r)[static_cast<size_t>(column)]);
    case Qt::ToolTipRole:
      return column == production::kLogMessage ? Q(r.message) : QVariant();
    case Qt::UserRole: return Q(production::LogSortKey(r, column));
    case Qt::TextAlignmentRole:
      return column == production::kLogFrequency || column == production::kLogDuration
                 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                 : QVariant();
    default: return {};
  }
}

QVariant ProductionLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= production::kLogColumns)
    return QAbstractTableModel::headerData(section, orientation, role);
  return Q(std::string(production::LogColumnTitles()[static_cast<size_t>(section)]));
}

// -------------------------------------------------------------- window

ProductionLogWindow::ProductionLogWindow(QWidget* parent, production::Station& station, Messages& messages)
    : QWidget(parent, Qt::Window), station_(station), messages_(messages) {
  setObjectName("frmProductionLog");
  setWindowTitle("Production Log");
  resize(1000, 420);
  chooseExportPath = [](QWidget* owner) -> std::optional<std::string> {
    const QString path = QFileDialog::getSaveFileName(owner, "Export CSV", "production-log.csv",
                                                      "CSV files (*.csv);;All files (*)");
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
  };

  auto* layout = new QVBoxLayout(this);
  auto* filters = new QHBoxLayout;
  capcode_ = new QLineEdit(this);
  capcode_->setObjectName("txtCapcode");
  capcode_->setPlaceholderText("any");
  capcode_->setMaximumWidth(90);
  since_ = new QLineEdit(this);
  since_->setObjectName("txtSince");
  since_->setPlaceholderText("YYYY-MM-DD");
  since_->setMaximumWidth(150);
  outcome_ = new QComboBox(this);
  outcome_->setObjectName("cboOutcome");
  outcome_->addItem("any", QString());
  outcome_->addItem("ok", QStringLiteral("ok"));
  outcome_->addItem("failed", QStringLiteral("failed"));
  auto* refresh = new QPushButton("&Refresh", this);
  refresh->setObjectName("cmdRefresh");
  auto* exportCsv = new QPushButton("&Export CSV...", this);
  exportCsv->setObjectName("cmdExport");
  const auto labelled = [&](const char* text, QWidget* field) {
    auto* label = new QLabel(text, this);
    label->setBuddy(field);
    filters->addWidget(label);
    filters->addWidget(field);
  };
  labelled("&Capcode:", capcode_);
  labelled("&Since (UTC):", since_);
  labelled("&Outcome:", outcome_);
  filters->addWidget(refresh);
  filters->addStretch(1);
  filters->addWidget(exportCsv);
  layout->addLayout(filters);

  model_ = new ProductionLogModel(this);
  sorted_ = new QSortFilterProxyModel(this);
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(Qt::UserRole);
  table_ = new QTableView(this);
  table_->setObjectName("tblLog");
  table_->setModel(sorted_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(production::kLogTime, Qt::DescendingOrder);  // newest first, as the record answers
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setAlternatingRowColors(true);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_, 1);

  status_ = new QLabel(this);
  status_->setObjectName("lblStatus");
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(status_);

  connect(refresh, &QPushButton::clicked, this, &ProductionLogWindow::Refresh);
  connect(exportCsv, &QPushButton::clicked, this, &ProductionLogWindow::ExportCsv);
  connect(capcode_, &QLineEdit::returnPressed, this, &ProductionLogWindow::Refresh);
  connect(since_, &QLineEdit::returnPressed, this, &ProductionLogWindow::Refresh);
  connect(outcome_, &QComboBox::currentIndexChanged, this, &ProductionLogWindow::Refresh);
}

void ProductionLogWindow::Refresh() {
  auto found = station_.QueryLog(capcode_->text().trimmed().toStdString(), since_->text().trimmed().toStdString(),
                                 outcome_->currentData().toString().toStdString());
  if (!found.ok()) {
    // A wrong filter keeps the records shown; no record shows none.
    if (!station_.store()) model_->SetRecords({});
    status_->setText(Q(found.error));
    return;
  }
  model_->SetRecords(std::move(found.value));
  table_->resizeColumnsToContents();
  const int n = model_->rowCount();
  status_->setText(n == 1 ? QStringLiteral("1 record") : QString("%1 records").arg(n));
}

std::vector<production::ProductionRecord> ProductionLogWindow::shownRecords() const {
  std::vector<production::ProductionRecord> shown;
  for (int row = 0; row < sorted_->rowCount(); ++row)
    shown.push_back(model_->record(sorted_->mapToSource(sorted_->index(row, 0)).row()));
  return shown;
}

void ProductionLogWindow::ExportCsv() {
  const std::optional<std::string> path = chooseExportPath ? chooseExportPath(this) : std::nullopt;
  if (!path) return;
  const std::vector<production::ProductionRecord> shown = shownRecords();
  const std::string error = production::ExportCsv(*path, shown);
  if (!error.empty()) {
    messages_.Show(error, MsgIcon::Warning);
    return;
  }
  status_->setText(QString("%1 records exported to %2").arg(shown.size()).arg(Q(*path)));
}

}  // namespace qrt
