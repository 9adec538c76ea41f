#pragma once
// Ncommand: the system's picture push button. The face (raised or pressed)
// and the centred caption are drawn here; where the caption sits, in which
// colour, and whether the button reacts at all is NcommandLogic's business.
// The whole widget plays the transparent overlay that receives the mouse.
#include <QFont>
#include <QWidget>

#include <cstdint>

#include "controls/NcommandLogic.h"

namespace qrt {

class Ncommand : public QWidget {
  Q_OBJECT

 public:
  explicit Ncommand(QWidget* parent = nullptr);
  Ncommand(const QString& caption, QWidget* parent);

  QString caption() const;
  void setCaption(const QString& caption);
  QFont captionFont() const { return captionFont_; }
  void setCaptionFont(const QFont& font);
  uint32_t upColor() const { return logic_.UpColor(); }
  void setUpColor(uint32_t color) { logic_.SetUpColor(color); }
  uint32_t dnColor() const { return logic_.DnColor(); }
  void setDnColor(uint32_t color) { logic_.SetDnColor(color); }
  // The button's own Enabled property; a disabled button shows a grey
  // caption and ignores the mouse.
  bool buttonEnabled() const { return logic_.Enabled(); }
  void setButtonEnabled(bool enabled) { logic_.SetEnabled(enabled); }

  bool isPressed() const { return logic_.Pressed(); }
  QColor captionColor() const;
  // Caption position in pixels, as drawn.
  QPointF captionPosition() const;

  NcommandLogic& logic() { return logic_; }
  QSize sizeHint() const override;

  static FontSpec ToFontSpec(const QFont& font);
  static QFont ToQFont(const FontSpec& font, const QFont& base);

 signals:
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  NcommandLogic logic_;
  QFont captionFont_;
  bool pressedHere_ = false;  // a press on the overlay that may end in a click
};

}  // namespace qrt
