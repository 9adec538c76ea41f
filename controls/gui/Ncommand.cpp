#include "controls/gui/Ncommand.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "controls/Twips.h"
#include "controls/gui/Pictures.h"

namespace qrt {

FontSpec Ncommand::ToFontSpec(const QFont& font) {
  FontSpec out;
  out.name = font.family().toStdString();
  out.size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
  out.bold = font.bold();
  out.italic = font.italic();
  out.underline = font.underline();
  out.strikeout = font.strikeOut();
  return out;
}

QFont Ncommand::ToQFont(const FontSpec& font, const QFont& base) {
  QFont f = base;
  f.setFamily(QString::fromStdString(font.name));
  if (font.size > 0) f.setPointSizeF(font.size);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  f.setStrikeOut(font.strikeout);
  return f;
}

Ncommand::Ncommand(QWidget* parent)
    : QWidget(parent), logic_(ToFontSpec(font())), captionFont_(font()) {
  setFocusPolicy(Qt::NoFocus);
  logic_.measureLabel = [this](const std::string& caption, const FontSpec& font) {
    // Follow a font that came from the form data rather than from setCaptionFont.
    if (!(ToFontSpec(captionFont_) == font)) captionFont_ = ToQFont(font, captionFont_);
    const QSizeF px = QFontMetricsF(captionFont_).size(Qt::TextSingleLine, QString::fromStdString(caption));
    return TwipSize{px.width() * kTwipsPerPixel, px.height() * kTwipsPerPixel};
  };
  logic_.onClick = [this] { emit Click(); };
  logic_.onRepaint = [this] { update(); };
}

Ncommand::Ncommand(const QString& caption, QWidget* parent) : Ncommand(parent) { setCaption(caption); }

QString Ncommand::caption() const { return QString::fromStdString(logic_.Caption()); }

void Ncommand::setCaption(const QString& caption) { logic_.SetCaption(caption.toStdString()); }

void Ncommand::setCaptionFont(const QFont& font) {
  captionFont_ = font;
  logic_.SetFont(ToFontSpec(font));
}

QColor Ncommand::captionColor() const { return ColorFromValue(logic_.CaptionColor(), palette()); }

QPointF Ncommand::captionPosition() const {
  return {logic_.CaptionLeft() / kTwipsPerPixel, logic_.CaptionTop() / kTwipsPerPixel};
}

QSize Ncommand::sizeHint() const {
  const QSizeF text = QFontMetricsF(captionFont_).size(Qt::TextSingleLine, caption());
  return QSize(std::max(81, static_cast<int>(text.width()) + 24), std::max(25, static_cast<int>(text.height()) + 10));
}

void Ncommand::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, ButtonFace(logic_.Pressed(), size(), devicePixelRatioF()));
  p.setFont(captionFont_);
  p.setPen(captionColor());
  const QFontMetricsF fm(captionFont_);
  const QPointF at = captionPosition();
  p.drawText(QPointF(at.x(), at.y() + fm.ascent()), caption());
}

void Ncommand::resizeEvent(QResizeEvent*) {
  logic_.Resize(static_cast<double>(width()) * kTwipsPerPixel, static_cast<double>(height()) * kTwipsPerPixel);
}

void Ncommand::showEvent(QShowEvent*) { logic_.Show(); }

void Ncommand::mousePressEvent(QMouseEvent* event) {
  pressedHere_ = logic_.OverlayEnabled() && event->button() == Qt::LeftButton;
  logic_.MouseDown();
  event->accept();
}

void Ncommand::mouseReleaseEvent(QMouseEvent* event) {
  logic_.MouseUp();
  // A click is a left press and release both on the button.
  const bool click = pressedHere_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressedHere_ = false;
  if (click) logic_.Click();
  event->accept();
}

}  // namespace qrt
