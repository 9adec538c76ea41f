#pragma once
// Pager > Production Panel...: hands-free production in the window. One
// tile per board, readable from a metre away: waiting, programming (with
// its progress), OK and the capcodes received, FAILED and why, and when to
// take the pager out; beneath, the pagers, failures, pagers per hour and
// yield; Start and Stop. The boards are the station's port and any others
// named beside it, at the station's bus speed, with its record and its
// capcode allocation. The run goes on threads of its own; its events come
// to this window's thread queued. Stop, and closing this window or the main
// window during a run, finish the pagers in flight (their records kept) and
// start no new one; the window closes once they are done.
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "station/PanelRun.h"

class QElapsedTimer;
class QGridLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace qrt {

namespace production {
class Station;
}

class ProductionPanel : public QWidget {
  Q_OBJECT

 public:
  // `table` gives the table the pagers receive, as the window holds it when
  // Start is pressed.
  ProductionPanel(QWidget* parent, production::Station& station, std::function<production::RunTable()> table);
  ~ProductionPanel() override;

  // Start and Stop, as the buttons do. Start answers why it could not
  // start (also shown in the panel); empty when the run started.
  std::string StartRun();
  void StopRun();
  bool running() const { return run_ != nullptr; }

  // One event of the run, on this window's thread (the run queues them here).
  void TakeEvent(const BoardEvent& event);
  // The boards' tiles as shown.
  const production::PanelTiles& tiles() const { return *tiles_; }
  // Shows tiles for `ports` without a run (before Start; the screenshots).
  void ShowBoards(const std::vector<std::string>& ports);
  // The run's time for the figures (the screenshots fix it).
  void SetElapsedSeconds(double seconds);

  QLineEdit* boardsField() const { return boards_; }
  QSpinBox* countField() const { return count_; }
  QPushButton* startButton() const { return start_; }
  QPushButton* stopButton() const { return stop_; }
  QLabel* summaryLabel() const { return summary_; }
  QLabel* noteLabel() const { return note_; }

 signals:
  // The panel has closed (after its run, when one was going).
  void closed();
  // Tile `index` shows something new.
  void tileShown(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Queue;
  void BuildTiles(const std::vector<std::string>& ports);
  void ShowTile(int index);
  void ShowSummary();
  void RunEnded();

  production::Station& station_;
  std::function<production::RunTable()> table_;
  std::unique_ptr<production::PanelTiles> tiles_;
  std::unique_ptr<Queue> queue_;
  std::unique_ptr<production::PanelRun> run_;
  int finished_ = 0;           // boards of the run that have ended
  bool closeWhenDone_ = false;
  double fixedSeconds_ = -1;   // the screenshots' run time; negative: the clock's
  std::unique_ptr<QElapsedTimer> elapsed_;
  double lastSeconds_ = 0;

  QLineEdit* boards_;
  QSpinBox* count_;
  QLabel* note_;
  QGridLayout* grid_;
  QWidget* tilesArea_;
  struct TileWidgets {
    QWidget* frame;
    QLabel* port;
    QLabel* headline;
    QLabel* detail;
    QLabel* action;
    QProgressBar* progress;
  };
  std::vector<TileWidgets> tileWidgets_;
  QLabel* summary_;
  QPushButton* start_;
  QPushButton* stop_;
  QTimer* ticker_;
};

}  // namespace qrt
