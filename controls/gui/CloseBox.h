#pragma once
// The close box: a fixed 17 x 18 pixel (255 x 270 twip) picture button that
// dialogs without a title bar use to close themselves.
#include <QWidget>

#include "controls/CloseBoxLogic.h"

namespace qrt {

class CloseBox : public QWidget {
  Q_OBJECT

 public:
  explicit CloseBox(QWidget* parent = nullptr);

  bool isPressed() const { return logic_.Pressed(); }
  QSize sizeHint() const override;

 signals:
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void KeepSize();

  CloseBoxLogic logic_;
  bool pressedHere_ = false;
};

}  // namespace qrt
