#include "controls/gui/EBSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "controls/Edge.h"
#include "controls/Twips.h"
#include "controls/gui/Pictures.h"

namespace qrt {
namespace {

int ToPixels(double twips) { return ClampedToInt32(twips / kTwipsPerPixel); }

int ButtonMask(Qt::MouseButtons buttons) {
  int mask = 0;
  if (buttons & Qt::LeftButton) mask |= kLeftButton;
  if (buttons & Qt::RightButton) mask |= kRightButton;
  if (buttons & Qt::MiddleButton) mask |= kMiddleButton;
  return mask;
}

}  // namespace

EBSlider::EBSlider(QWidget* parent)
    : QWidget(parent), logic_(width() * kTwipsPerPixel, height() * kTwipsPerPixel) {
  logic_.onChanged = [this] { emit changed(); };
  logic_.onRepaint = [this] { update(); };
  setFocusPolicy(Qt::StrongFocus);
}

void EBSlider::setRange(int min, int max) {
  if (min > logic_.Max()) {
    logic_.SetMax(max);
    logic_.SetMin(min);
  } else {
    logic_.SetMin(min);
    logic_.SetMax(max);
  }
}

QRect EBSlider::thumbRect() const {
  const TwipRect& t = logic_.Thumb();
  const PixelRect size = logic_.ThumbRect();
  return QRect(ToPixels(t.left), ToPixels(t.top), size.right, size.bottom);
}

double EBSlider::Along(const QPointF& pixels) const {
  return (logic_.IsVertical() ? pixels.y() : pixels.x()) * kTwipsPerPixel;
}

void EBSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Button));
  const PixelRect frame = logic_.FrameRect();
  PaintEdge(p, palette(), logic_.BorderStyle(), BF_RECT, frame.left, frame.top, frame.right, frame.bottom);

  // The groove: line 0 in the shadow colour, line 1 in the highlight one
  // pixel further in, so that it reads as cut into the face.
  const TwipLine& g = logic_.Groove();
  const QPoint a(ToPixels(g.x1), ToPixels(g.y1));
  const QPoint b(ToPixels(g.x2), ToPixels(g.y2));
  const QPoint step = logic_.IsVertical() ? QPoint(1, 0) : QPoint(0, 1);
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(a, b);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(a + step, b + step);

  const QRect thumb = thumbRect();
  p.fillRect(thumb, ColorFromValue(logic_.SliderColor(), palette()));
  PaintEdge(p, palette(), BDR_RAISEDINNER, BF_RECT, thumb.left(), thumb.top(), thumb.left() + thumb.width(),
            thumb.top() + thumb.height());

  // The keyboard's place: a focus frame inside the thumb.
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = thumb.adjusted(2, 2, -2, -2);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
  }
}

void EBSlider::resizeEvent(QResizeEvent*) { logic_.Resize(width() * kTwipsPerPixel, height() * kTwipsPerPixel); }

void EBSlider::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position() * kTwipsPerPixel;
  if (logic_.HitsThumb(at.x(), at.y())) {
    dragging_ = true;
  } else if (!dragging_) {
    logic_.ClickControl(Along(event->position()));
  }
  event->accept();
}

void EBSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  // The thumb reports the pointer within itself.
  logic_.DragThumb(ButtonMask(event->buttons()), Along(event->position()) - logic_.ThumbPosition());
  event->accept();
}

void EBSlider::keyPressEvent(QKeyEvent* event) {
  const int64_t value = logic_.Value();
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: logic_.KeyTo(value - 1); break;
    case Qt::Key_Right:
    case Qt::Key_Up: logic_.KeyTo(value + 1); break;
    case Qt::Key_Home: logic_.KeyTo(logic_.Min()); break;
    case Qt::Key_End: logic_.KeyTo(logic_.Max()); break;
    default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void EBSlider::focusInEvent(QFocusEvent* event) {
  update();
  QWidget::focusInEvent(event);
}

void EBSlider::focusOutEvent(QFocusEvent* event) {
  update();
  QWidget::focusOutEvent(event);
}

void EBSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->buttons() == Qt::NoButton) dragging_ = false;
  event->accept();
}

}  // namespace qrt
