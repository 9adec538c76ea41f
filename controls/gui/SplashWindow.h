#pragma once
// frmSplash: the first window of the program. It stays above every other
// window and shows the hourglass pointer for as long as it exists. 500 ms
// after it is created it asks for the main window (showMainWindow); the main
// window's load handler calls startSecondTimer() once it has looked for the
// programming board, and 500 ms later the splash window closes itself.
//
// The owner decides the lifetime of the object: closing hides it and gives
// the pointer back; delete it (or set Qt::WA_DeleteOnClose) afterwards.
#include <QTimer>
#include <QWidget>

class QLabel;

namespace qrt {

class SplashWindow : public QWidget {
  Q_OBJECT

 public:
  explicit SplashWindow(QWidget* parent = nullptr);
  ~SplashWindow() override;

  // Timer2: closes the window 500 ms from now.
  void startSecondTimer();

  bool firstTimerActive() const { return timer1_.isActive(); }
  bool secondTimerActive() const { return timer2_.isActive(); }
  // True while this window holds the application's hourglass pointer.
  bool holdsWaitCursor() const { return cursorHeld_; }

 signals:
  // Timer1's first tick: show the main window, not modally.
  void showMainWindow();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ReleaseCursor();

  QTimer timer1_;
  QTimer timer2_;
  bool cursorHeld_ = false;
  QLabel* lblProductName_ = nullptr;
  QLabel* lblCompany_ = nullptr;
  QLabel* lblWarning_ = nullptr;
  QLabel* lblPlatformAndVersion_ = nullptr;
};

}  // namespace qrt
