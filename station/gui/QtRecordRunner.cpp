#include "station/gui/QtRecordRunner.h"

#include <QApplication>
#include <QEvent>
#include <QProgressDialog>
#include <QTimer>

namespace qrt {
namespace {

// Until the progress dialog shows (and blocks the other windows itself),
// what the operator does goes nowhere: a second command must not start
// inside the wait of the first.
class HoldInput : public QObject {
 public:
  explicit HoldInput(QWidget* dialog) : dialog_(dialog) { qApp->installEventFilter(this); }
  ~HoldInput() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Shortcut: return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        // A window passes its input on to its widgets, which are judged then.
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && widget != dialog_ && !dialog_->isAncestorOf(widget);
      }
      default: return false;
    }
  }

 private:
  QWidget* dialog_;
};

}  // namespace

QtRecordRunner::QtRecordRunner(QObject* parent, int showAfterMs) : QObject(parent), showAfterMs_(showAfterMs) {
  worker_ = std::make_unique<production::RecordWorker>([this] {
    // On the record's thread: the window hears of it through its event queue.
    QMetaObject::invokeMethod(this, &QtRecordRunner::CallEnded, Qt::QueuedConnection);
  });
}

QtRecordRunner::~QtRecordRunner() { worker_.reset(); }

void QtRecordRunner::Start(std::shared_ptr<production::RecordJob> job, std::function<void()> ended) {
  if (ended) started_.push_back({job, std::move(ended)});
  worker_->Start(std::move(job));
}

void QtRecordRunner::CallEnded() {
  // A callback may start calls of its own: those due are taken out first.
  std::vector<Started> due;
  for (auto it = started_.begin(); it != started_.end();) {
    if (it->job->ended()) {
      due.push_back(std::move(*it));
      it = started_.erase(it);
    } else {
      ++it;
    }
  }
  for (Started& s : due) s.ended();
}

bool QtRecordRunner::Wait(production::RecordJob& job, const std::string& what, bool cancellable) {
  if (job.ended()) return true;
  QWidget* over = QApplication::activeModalWidget();
  if (!over) over = QApplication::activeWindow();
  QProgressDialog progress(QString::fromStdString(what), cancellable ? QStringLiteral("Cancel") : QString(), 0, 0,
                           over);
  progress.setObjectName(QStringLiteral("dlgRecordWait"));
  progress.setWindowTitle(QStringLiteral("Production Record"));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setMinimumDuration(showAfterMs_);
  if (!cancellable) progress.setCancelButton(nullptr);
  const HoldInput hold(&progress);
  QTimer::singleShot(showAfterMs_, &progress, [&progress] { progress.show(); });
  // Window events run meanwhile; the record's thread wakes this loop when a
  // call ends. Not a QEventLoop: one that the application was told to quit
  // would return at once.
  while (!job.ended() && !(cancellable && progress.wasCanceled()))
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return job.ended();
}

}  // namespace qrt
