#include "controls/gui/PictureDialog.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace qrt {

PictureDialog::PictureDialog(std::function<QPixmap(QSize, qreal)> picture, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), picture_(std::move(picture)) {
  setModal(true);
}

void PictureDialog::paintEvent(QPaintEvent*) {
  // Drawn again for a new size, or on a screen of another pixel ratio.
  if (background_.deviceIndependentSize() != QSizeF(size()) || background_.devicePixelRatio() != devicePixelRatioF())
    background_ = picture_(size(), devicePixelRatioF());
  QPainter p(this);
  p.drawPixmap(0, 0, background_);
}

void PictureDialog::resizeEvent(QResizeEvent* event) {
  background_ = QPixmap();
  QDialog::resizeEvent(event);
}

void PictureDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
  moving_ = true;
  grabOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  event->accept();
}

void PictureDialog::mouseMoveEvent(QMouseEvent* event) {
  if (!moving_) return QDialog::mouseMoveEvent(event);
  move(event->globalPosition().toPoint() - grabOffset_);
  event->accept();
}

void PictureDialog::keyPressEvent(QKeyEvent* event) {
  // QDialog closes on Escape by itself, and on Return only through a default
  // push button, which a picture dialog does not have.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PictureDialog::mouseReleaseEvent(QMouseEvent* event) {
  moving_ = false;
  QDialog::mouseReleaseEvent(event);
}

}  // namespace qrt
