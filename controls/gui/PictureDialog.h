#pragma once
// A borderless dialog with a picture covering it, as the about box and the
// detail dialogs use: a close box stands in for the title bar, and dragging
// the picture moves the window. Return and Enter close it as its OK button
// does, Escape as its close box does; everything it changes is stored when it
// is chosen, so neither key keeps or undoes anything.
#include <QDialog>
#include <QPixmap>

#include <functional>

namespace qrt {

class PictureDialog : public QDialog {
  Q_OBJECT

 public:
  // `picture` draws the background for the dialog's inner size at the
  // screen's device pixel ratio.
  PictureDialog(std::function<QPixmap(QSize, qreal)> picture, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<QPixmap(QSize, qreal)> picture_;
  QPixmap background_;
  bool moving_ = false;
  QPoint grabOffset_;
};

}  // namespace qrt
