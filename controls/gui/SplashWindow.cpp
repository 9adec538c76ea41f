#include "controls/gui/SplashWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>

#include "controls/ShellTexts.h"
#include "controls/Twips.h"
#include "controls/gui/Pictures.h"

namespace qrt {
namespace {

constexpr int kTimerMs = 500;
constexpr int kWidth = 540;
constexpr int kHeight = 320;
constexpr int kInset = 15 / kTwipsPerPixel;  // the picture sits 15 twips in from every edge

QLabel* MakeLabel(QWidget* parent, const char* name, const std::string& text, int pixelSize, bool bold,
                  const QColor& colour) {
  QLabel* l = MakePictureLabel(parent, name, text, pixelSize, bold, colour);
  l->setAttribute(Qt::WA_TranslucentBackground);
  return l;
}

}  // namespace

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("frmSplash");
  setWindowTitle(QString::fromStdString(shell::ProductName()));
  setFixedSize(kWidth, kHeight);

  lblProductName_ = MakeLabel(this, "lblProductName", shell::ProductName(), 30, true, Qt::white);
  lblProductName_->setWordWrap(true);
  lblProductName_->setGeometry(32, 48, 330, 90);
  lblProductName_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  lblCompany_ = MakeLabel(this, "lblCompany", shell::CompanyLine(), 14, false, QColor(0xA8, 0xDA, 0xDC));
  lblCompany_->setGeometry(32, 150, 330, 22);
  lblPlatformAndVersion_ =
      MakeLabel(this, "lblPlatformAndVersion", shell::PlatformAndVersion(), 13, false, QColor(0xF1, 0xF6, 0xF9));
  lblPlatformAndVersion_->setGeometry(32, 176, 330, 22);
  lblWarning_ = MakeLabel(this, "lblWarning", shell::kLegalNotice, 11, false, QColor(0xC4, 0xD3, 0xDE));
  lblWarning_->setGeometry(32, kHeight - 40, kWidth - 64, 18);
  lblWarning_->setText(lblWarning_->fontMetrics().elidedText(lblWarning_->text(), Qt::ElideRight,
                                                            lblWarning_->width()));

  timer1_.setInterval(kTimerMs);
  timer2_.setInterval(kTimerMs);
  // At least 500 ms, never early: the main window has loaded by then.
  timer2_.setTimerType(Qt::PreciseTimer);
  connect(&timer1_, &QTimer::timeout, this, [this] {
    timer1_.stop();
    emit showMainWindow();
  });
  connect(&timer2_, &QTimer::timeout, this, [this] {
    timer2_.stop();
    close();
  });
  timer1_.start();
}

SplashWindow::~SplashWindow() { ReleaseCursor(); }

void SplashWindow::startSecondTimer() { timer2_.start(); }

void SplashWindow::ReleaseCursor() {
  if (!cursorHeld_) return;
  cursorHeld_ = false;
  QApplication::restoreOverrideCursor();
}

void SplashWindow::showEvent(QShowEvent* event) {
  if (!cursorHeld_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cursorHeld_ = true;
  }
  QWidget::showEvent(event);
}

void SplashWindow::closeEvent(QCloseEvent* event) {
  timer1_.stop();
  timer2_.stop();
  ReleaseCursor();
  event->accept();
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x45, 0x7B, 0x9D));
  const QRect inner = rect().adjusted(kInset, kInset, -kInset, -kInset);
  p.drawPixmap(inner.topLeft(), SplashPicture(inner.size(), devicePixelRatioF()));
}

}  // namespace qrt
