#include "controls/gui/CloseBox.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/Twips.h"
#include "controls/gui/Pictures.h"

namespace qrt {

CloseBox::CloseBox(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::ArrowCursor);
  setToolTip("Close");
  logic_.onClick = [this] { emit Click(); };
  logic_.onRepaint = [this] { update(); };
  KeepSize();
}

QSize CloseBox::sizeHint() const {
  return {CloseBoxLogic::kWidthTwips / kTwipsPerPixel, CloseBoxLogic::kHeightTwips / kTwipsPerPixel};
}

void CloseBox::KeepSize() {
  const auto twips = CloseBoxLogic::Resize(width() * kTwipsPerPixel, height() * kTwipsPerPixel);
  // A fixed size also stops layouts and the window's proportional resizing
  // from stretching it.
  setFixedSize(twips.width / kTwipsPerPixel, twips.height / kTwipsPerPixel);
}

void CloseBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, CloseSymbol(logic_.Pressed(), devicePixelRatioF()));
}

void CloseBox::resizeEvent(QResizeEvent*) { KeepSize(); }

void CloseBox::mousePressEvent(QMouseEvent* event) {
  pressedHere_ = event->button() == Qt::LeftButton;
  logic_.MouseDown();
  event->accept();
}

void CloseBox::mouseReleaseEvent(QMouseEvent* event) {
  logic_.MouseUp();
  const bool click = pressedHere_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressedHere_ = false;
  if (click) logic_.Click();
  event->accept();
}

}  // namespace qrt
