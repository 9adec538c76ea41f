#pragma once
// SIGTERM (a logout, a shutdown), SIGHUP (the terminal that started the
// program closed) and SIGINT (Ctrl-C there) ask the window to close, as its
// close box does, instead of ending the program in the middle of a pager:
// the handler only writes the signal's number into a pipe, and the window's
// thread reads it from there.
#include <QObject>

class QSocketNotifier;

namespace qrt {

class StopSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; one object at a time.
  explicit StopSignals(QObject* parent = nullptr);
  // Gives the signals their default handling back.
  ~StopSignals() override;

 signals:
  void requested(int signal);

 private:
  void Read();

  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qrt
