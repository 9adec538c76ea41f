#pragma once
// The window's runner of record calls: one thread of their own, so that the
// window goes on painting and its menus answer while a database is slow. A
// wait lets window events run, and after a moment shows a progress dialog
// over the window in front, with Cancel where the caller allows it.
#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "record/RecordWork.h"

namespace qrt {

class QtRecordRunner : public QObject, public production::RecordRunner {
 public:
  // A wait shows its dialog after `showAfterMs` (a quick call shows none).
  explicit QtRecordRunner(QObject* parent = nullptr, int showAfterMs = 400);
  // Runs every call started to its end first (a commit must reach the
  // record or the journal); their `ended` callbacks are not called.
  ~QtRecordRunner() override;

  void Start(std::shared_ptr<production::RecordJob> job, std::function<void()> ended) override;
  bool Wait(production::RecordJob& job, const std::string& what, bool cancellable) override;
  bool busy() const override { return worker_->busy(); }

 private:
  void CallEnded();

  struct Started {
    std::shared_ptr<production::RecordJob> job;
    std::function<void()> ended;
  };
  std::vector<Started> started_;  // those whose `ended` is still to be called
  int showAfterMs_;
  std::unique_ptr<production::RecordWorker> worker_;
};

}  // namespace qrt
