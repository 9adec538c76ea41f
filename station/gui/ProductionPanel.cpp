#include "station/gui/ProductionPanel.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <sstream>

#include "station/Station.h"

namespace qrt {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The boards typed into the field: port names separated by spaces or commas.
std::vector<std::string> PortsOf(const QString& text) {
  std::vector<std::string> ports;
  std::istringstream words(text.toStdString());
  for (std::string word; words >> word;) {
    std::istringstream parts(word);
    for (std::string port; std::getline(parts, port, ',');)
      if (!port.empty()) ports.push_back(port);
  }
  return ports;
}

// Tile colours an operator tells apart at a glance.
const char* Background(const production::Tile& tile) {
  if (tile.trouble) return "#f4a6a6";
  switch (tile.state) {
    case production::TileState::Programming: return "#bcd6f7";
    case production::TileState::Ok: return "#a8e6a8";
    case production::TileState::Failed: return "#f4a6a6";
    case production::TileState::Already: return "#f7dc8a";
    default: return "#e4e4e4";
  }
}

QLabel* BigLabel(QWidget* parent, int pointSize, bool bold) {
  auto* label = new QLabel(parent);
  QFont font = label->font();
  font.setPointSize(pointSize);
  font.setBold(bold);
  label->setFont(font);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  return label;
}

}  // namespace

// The run's events, from the boards' threads to the panel's, queued.
class ProductionPanel::Queue : public BoardObserver {
 public:
  explicit Queue(ProductionPanel* panel) : panel_(panel) {}
  void OnEvent(const BoardEvent& event) override {
    ProductionPanel* panel = panel_;
    QMetaObject::invokeMethod(panel, [panel, event] { panel->TakeEvent(event); }, Qt::QueuedConnection);
  }

 private:
  ProductionPanel* panel_;
};

ProductionPanel::ProductionPanel(QWidget* parent, production::Station& station,
                                 std::function<production::RunTable()> table)
    : QWidget(parent, Qt::Window), station_(station), table_(std::move(table)), queue_(std::make_unique<Queue>(this)),
      elapsed_(std::make_unique<QElapsedTimer>()) {
  setObjectName("ProductionPanel");
  setWindowTitle("Production Panel");
  auto* layout = new QVBoxLayout(this);

  auto* settings = new QHBoxLayout;
  settings->addWidget(new QLabel("Boards:", this));
  boards_ = new QLineEdit(Q(station.connection().options().port), this);
  boards_->setObjectName("txtBoards");
  boards_->setToolTip("The ports of the boards, separated by spaces: the station's port and any others");
  settings->addWidget(boards_, 1);
  settings->addWidget(new QLabel("Pagers:", this));
  count_ = new QSpinBox(this);
  count_->setObjectName("spnCount");
  count_->setRange(0, 9999999);
  count_->setSpecialValueText("until Stop");
  count_->setToolTip("How many pagers in all, on every board together; until Stop when none");
  settings->addWidget(count_);
  layout->addLayout(settings);

  note_ = new QLabel(this);
  note_->setObjectName("lblNote");
  note_->setWordWrap(true);
  layout->addWidget(note_);

  tilesArea_ = new QWidget(this);
  grid_ = new QGridLayout(tilesArea_);
  grid_->setSpacing(12);
  layout->addWidget(tilesArea_, 1);

  summary_ = BigLabel(this, 18, true);
  summary_->setObjectName("lblSummary");
  layout->addWidget(summary_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  start_ = new QPushButton("&Start", this);
  start_->setObjectName("cmdStart");
  stop_ = new QPushButton("S&top", this);
  stop_->setObjectName("cmdStop");
  stop_->setEnabled(false);
  for (QPushButton* b : {start_, stop_}) {
    QFont font = b->font();
    font.setPointSize(16);
    b->setFont(font);
    b->setMinimumWidth(140);
    buttons->addWidget(b);
  }
  layout->addLayout(buttons);
  connect(start_, &QPushButton::clicked, this, [this] { StartRun(); });
  connect(stop_, &QPushButton::clicked, this, [this] { StopRun(); });

  ticker_ = new QTimer(this);
  ticker_->setInterval(1000);
  connect(ticker_, &QTimer::timeout, this, [this] { ShowSummary(); });

  ShowBoards(PortsOf(boards_->text()));
  resize(760, 520);
}

ProductionPanel::~ProductionPanel() {
  // A run still going finishes its pagers in flight, recorded, before the
  // panel goes; their events then reach no one.
  run_.reset();
}

void ProductionPanel::ShowBoards(const std::vector<std::string>& ports) {
  BuildTiles(ports);
  ShowSummary();
}

void ProductionPanel::BuildTiles(const std::vector<std::string>& ports) {
  for (const TileWidgets& t : tileWidgets_) delete t.frame;
  tileWidgets_.clear();
  tiles_ = std::make_unique<production::PanelTiles>(ports);
  const int columns = ports.size() <= 1 ? 1 : ports.size() <= 4 ? 2 : 3;
  for (int c = 0; c < 3; ++c) grid_->setColumnStretch(c, c < columns ? 1 : 0);
  for (size_t i = 0; i < ports.size(); ++i) {
    auto* frame = new QFrame(tilesArea_);
    frame->setObjectName("tile");
    frame->setMinimumSize(300, 190);
    auto* v = new QVBoxLayout(frame);
    TileWidgets t{frame, BigLabel(frame, 11, false), BigLabel(frame, 30, true), BigLabel(frame, 15, false),
                  BigLabel(frame, 18, true), new QProgressBar(frame)};
    t.port->setObjectName("lblPort");
    t.headline->setObjectName("lblHeadline");
    t.detail->setObjectName("lblDetail");
    t.action->setObjectName("lblAction");
    t.progress->setObjectName("pbProgress");
    t.progress->setRange(0, 100);
    t.progress->setTextVisible(false);
    t.progress->setFixedHeight(18);
    for (QWidget* w : {static_cast<QWidget*>(t.port), static_cast<QWidget*>(t.headline),
                       static_cast<QWidget*>(t.detail), static_cast<QWidget*>(t.action),
                       static_cast<QWidget*>(t.progress)})
      v->addWidget(w);
    grid_->addWidget(frame, static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    tileWidgets_.push_back(t);
    ShowTile(static_cast<int>(i));
  }
}

void ProductionPanel::ShowTile(int index) {
  const production::Tile& tile = tiles_->tiles()[static_cast<size_t>(index)];
  const TileWidgets& w = tileWidgets_[static_cast<size_t>(index)];
  w.frame->setStyleSheet(QString("QFrame#tile { background: %1; border-radius: 10px; }").arg(Background(tile)));
  w.port->setText(Q(tile.port));
  w.headline->setText(Q(tile.headline));
  w.detail->setText(Q(tile.detail));
  w.action->setText(Q(tile.action));
  w.progress->setVisible(tile.state == production::TileState::Programming);
  w.progress->setValue(static_cast<int>(tile.progress * 100));
  emit tileShown(index);
}

void ProductionPanel::SetElapsedSeconds(double seconds) {
  fixedSeconds_ = seconds;
  ShowSummary();
}

void ProductionPanel::ShowSummary() {
  const double seconds = fixedSeconds_ >= 0 ? fixedSeconds_
                         : run_         ? static_cast<double>(elapsed_->elapsed()) / 1000.0
                                        : lastSeconds_;
  summary_->setText(Q(tiles_->SummaryText(seconds)));
}

std::string ProductionPanel::StartRun() {
  if (run_) return {};
  const auto refuse = [this](const std::string& why) {
    note_->setText(Q(why));
    return why;
  };
  const std::vector<std::string> ports = PortsOf(boards_->text());
  if (ports.empty()) return refuse("Name at least one board's port.");
  // A line must not program pagers it cannot record.
  if (const std::string stopped = station_.AwaitRecord(); !stopped.empty()) return refuse(stopped);
  if (!station_.store() && !station_.workingWithoutDatabase()) return refuse(station_.line().unavailable());
  if (!station_.store() && !station_.line().allocation().empty())
    return refuse(production::kAllocationNeedsRecord);

  production::PanelRunSetup setup;
  setup.ports = ports;
  setup.station = &station_.connection();
  setup.table = table_();
  setup.store = station_.store();
  setup.allocation = station_.line().allocation();
  setup.count = count_->value();
  auto run = std::make_unique<production::PanelRun>(std::move(setup), *queue_);
  BuildTiles(ports);
  finished_ = 0;
  const std::string why = run->Start();
  if (!why.empty()) return refuse(why);
  run_ = std::move(run);
  tiles_->Starting();
  for (size_t i = 0; i < tileWidgets_.size(); ++i) ShowTile(static_cast<int>(i));
  fixedSeconds_ = -1;
  elapsed_->start();
  ticker_->start();
  const std::string capcodes = station_.AllocationStatus();
  note_->setText(Q(capcodes.empty() ? "Every pager gets the table's capcodes (no allocation)." : capcodes));
  start_->setEnabled(false);
  stop_->setEnabled(true);
  boards_->setEnabled(false);
  count_->setEnabled(false);
  ShowSummary();
  return {};
}

void ProductionPanel::StopRun() {
  if (!run_ || run_->stopping()) return;
  run_->Stop();
  stop_->setEnabled(false);
  note_->setText("Stopping: the pagers being programmed are finished and recorded; no new one is started.");
}

void ProductionPanel::TakeEvent(const BoardEvent& event) {
  const int index = tiles_->Apply(event);
  if (index < 0) return;
  ShowTile(index);
  ShowSummary();
  if (event.kind == BoardEvent::Kind::Finished && run_ && ++finished_ == static_cast<int>(tiles_->tiles().size()))
    RunEnded();
}

void ProductionPanel::RunEnded() {
  run_->Wait();
  lastSeconds_ = static_cast<double>(elapsed_->elapsed()) / 1000.0;
  const std::string failure = run_->failure();
  run_.reset();
  ticker_->stop();
  ShowSummary();
  note_->setText(Q(failure.empty() ? "The run has ended." : "The run has ended: " + failure));
  start_->setEnabled(true);
  stop_->setEnabled(false);
  boards_->setEnabled(true);
  count_->setEnabled(true);
  if (closeWhenDone_) close();
}

void ProductionPanel::closeEvent(QCloseEvent* event) {
  if (run_) {
    // The pagers in flight are finished and recorded; the panel closes after them.
    StopRun();
    closeWhenDone_ = true;
    event->ignore();
    return;
  }
  event->accept();
  emit closed();
}

}  // namespace qrt
