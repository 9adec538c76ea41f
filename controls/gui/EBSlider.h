#pragma once
// ctlEBSlider as a widget: draws the frame, the groove and the raised thumb
// from SliderLogic and feeds it the mouse, converting pixels to twips (15 to
// a pixel). A press on the thumb starts a drag that follows the pointer while
// the left button alone is held; a press anywhere else makes the thumb jump
// there once. With the focus, the arrow keys move the value one step (Right
// and Up higher), Home and End to the ends, each raising changed() as a click
// does.
#include <QWidget>

#include <cstdint>

#include "controls/SliderLogic.h"

namespace qrt {

class EBSlider : public QWidget {
  Q_OBJECT

 public:
  explicit EBSlider(QWidget* parent = nullptr);

  int min() const { return logic_.Min(); }
  int max() const { return logic_.Max(); }
  int minimum() const { return logic_.Min(); }
  int maximum() const { return logic_.Max(); }
  int value() const { return logic_.Value(); }
  int sliderWidth() const { return logic_.SliderWidth(); }  // twips
  uint32_t sliderColor() const { return logic_.SliderColor(); }
  int orientation() const { return logic_.Orientation(); }
  int borderStyle() const { return logic_.BorderStyle(); }

  void setMin(int v) { logic_.SetMin(v); }
  void setMax(int v) { logic_.SetMax(v); }
  // Moves both ends in the order the setters' rules allow: a new range wholly
  // above the old one sets Max first, any other sets Min first.
  void setRange(int min, int max);
  // Clamps into the range, raises changed() and returns the value stored.
  int setValue(int v) { return logic_.SetValue(v); }
  void setSliderWidth(int twips) { logic_.SetSliderWidth(twips); }
  void setSliderColor(uint32_t color) { logic_.SetSliderColor(color); }
  void setOrientation(int orientation) { logic_.SetOrientation(orientation); }
  void setBorderStyle(int edge) { logic_.SetBorderStyle(edge); }

  // The thumb in pixels, as drawn.
  QRect thumbRect() const;

  SliderLogic& logic() { return logic_; }
  QSize sizeHint() const override { return {100, 20}; }

 signals:
  void changed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  double Along(const QPointF& pixels) const;  // pointer along the groove, twips

  SliderLogic logic_;
  bool dragging_ = false;  // the thumb holds the mouse
};

}  // namespace qrt
