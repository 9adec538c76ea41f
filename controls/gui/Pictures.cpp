#include "controls/gui/Pictures.h"

#include <QFont>
#include <QLabel>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

#include "controls/Edge.h"

namespace qrt {
namespace {

// One family of colours for every picture: night blue, steel blue, a pale
// sea green and an off-white, with amber for the pager's lamp.
const QColor kNight(0x0F, 0x27, 0x41);
const QColor kDeepBlue(0x1F, 0x4E, 0x79);
const QColor kSteel(0x45, 0x7B, 0x9D);
const QColor kSeaGreen(0xA8, 0xDA, 0xDC);
const QColor kOffWhite(0xF1, 0xF6, 0xF9);
const QColor kAmber(0xE9, 0xA2, 0x3B);

// A transparent picture of `size` device-independent pixels, with `ratio`
// device pixels to each: painted in device-independent pixels, it is as sharp
// as the screen it is shown on.
QPixmap Blank(QSize size, qreal ratio) {
  if (!(ratio > 0)) ratio = 1;
  QPixmap pm(size.expandedTo(QSize(1, 1)) * ratio);
  pm.setDevicePixelRatio(ratio);
  pm.fill(Qt::transparent);
  return pm;
}

// A picture's size in device-independent pixels.
QSizeF Logical(const QPixmap& pm) { return pm.deviceIndependentSize(); }

// A one-pixel frame just inside the edges of a w x h picture.
void DrawFrame(QPainter& p, double w, double h, const QColor& colour) {
  p.fillRect(QRectF(0, 0, w, 1), colour);
  p.fillRect(QRectF(0, h - 1, w, 1), colour);
  p.fillRect(QRectF(0, 0, 1, h), colour);
  p.fillRect(QRectF(w - 1, 0, 1, h), colour);
}

// Radio waves spreading upwards from `origin`.
void DrawWaves(QPainter& p, QPointF origin, double firstRadius, int count, const QColor& colour) {
  p.save();
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < count; ++i) {
    const double r = firstRadius * (1.0 + 0.65 * i);
    QColor c = colour;
    c.setAlphaF(std::max(0.08, 0.55 - 0.14 * i));
    p.setPen(QPen(c, std::max(1.5, firstRadius / 9.0), Qt::SolidLine, Qt::RoundCap));
    const QRectF arc(origin.x() - r, origin.y() - r, 2 * r, 2 * r);
    p.drawArc(arc, 40 * 16, 100 * 16);  // from 40 to 140 degrees, above the origin
  }
  p.restore();
}

}  // namespace

QPixmap BackgroundTile(qreal ratio) {
  constexpr int kTile = 64;
  QPixmap pm = Blank(QSize(kTile, kTile), ratio);
  pm.fill(QColor(0xD3, 0xDE, 0xE6));
  QPainter p(&pm);
  // Diagonal hatching 16 pixels apart: (x - y) mod 16 repeats every 64
  // pixels in both directions, so the tiles meet without a seam.
  QColor hatch = kSteel;
  hatch.setAlpha(38);
  p.setPen(QPen(hatch, 1));
  for (int o = -kTile; o < 2 * kTile; o += 16) p.drawLine(o, 0, o + kTile, kTile);
  QColor dot = kOffWhite;
  dot.setAlpha(150);
  p.setPen(Qt::NoPen);
  p.setBrush(dot);
  for (int y = 8; y < kTile; y += 16)
    for (int x = 0; x < kTile; x += 16) p.drawRect(x, y, 1, 1);
  return pm;
}

QPixmap ButtonFace(bool pressed, QSize size, qreal ratio) {
  QPixmap pm = Blank(size, ratio);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QSizeF logical = Logical(pm);
  const QRectF r = QRectF(QPointF(0, 0), logical).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  if (pressed) {
    g.setColorAt(0, QColor(0xB9, 0xCB, 0xDC));
    g.setColorAt(1, QColor(0xE2, 0xEB, 0xF3));
  } else {
    g.setColorAt(0, QColor(0x5E, 0x8C, 0xB6));
    g.setColorAt(1, kDeepBlue);
  }
  p.setPen(QPen(pressed ? kSteel : kNight, 1));
  p.setBrush(g);
  p.drawRoundedRect(r, 3, 3);
  // A lit upper rim on the raised face, a shadowed one on the pressed face.
  p.fillRect(QRectF(3, 1, logical.width() - 6, 1), pressed ? QColor(0, 0, 0, 70) : QColor(255, 255, 255, 110));
  return pm;
}

QPixmap CloseSymbol(bool pressed, qreal ratio) {
  QPixmap pm = Blank(QSize(17, 18), ratio);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(0.5, 0.5, 16, 17);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, pressed ? QColor(0x7A, 0x22, 0x20) : QColor(0xD0, 0x5C, 0x55));
  g.setColorAt(1, pressed ? QColor(0xA8, 0x40, 0x3C) : QColor(0x8E, 0x2B, 0x28));
  p.setPen(QPen(QColor(0x4A, 0x12, 0x10), 1));
  p.setBrush(g);
  p.drawRoundedRect(r, 2.5, 2.5);
  // The cross sits one pixel lower and further right while pressed.
  const double shift = pressed ? 1.0 : 0.0;
  p.setPen(QPen(kOffWhite, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(5 + shift, 5.5 + shift), QPointF(11.5 + shift, 12 + shift));
  p.drawLine(QPointF(11.5 + shift, 5.5 + shift), QPointF(5 + shift, 12 + shift));
  return pm;
}

void DrawPager(QPainter& p, const QRectF& box, const char* logo) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double w = box.width(), h = box.height();
  // Body.
  QLinearGradient body(box.topLeft(), box.bottomLeft());
  body.setColorAt(0, QColor(0x4A, 0x50, 0x57));
  body.setColorAt(1, QColor(0x1C, 0x1F, 0x23));
  p.setPen(QPen(QColor(0x0C, 0x0E, 0x10), std::max(1.0, w / 120)));
  p.setBrush(body);
  p.drawRoundedRect(box, w * 0.12, w * 0.12);
  // Display with the logo.
  const QRectF lcd(box.left() + w * 0.11, box.top() + h * 0.16, w * 0.78, h * 0.36);
  QLinearGradient glass(lcd.topLeft(), lcd.bottomLeft());
  glass.setColorAt(0, QColor(0xB4, 0xD1, 0xA3));
  glass.setColorAt(1, QColor(0x8F, 0xB5, 0x7F));
  p.setPen(QPen(QColor(0x10, 0x18, 0x10), std::max(1.0, w / 160)));
  p.setBrush(glass);
  p.drawRoundedRect(lcd, w * 0.03, w * 0.03);
  QFont f("DejaVu Sans Mono");
  f.setStyleHint(QFont::Monospace);
  f.setBold(true);
  f.setPixelSize(std::max(4, static_cast<int>(lcd.height() * 0.5)));
  const QString text = QString::fromUtf8(logo);
  // Shrink the letters until the logo fits the glass.
  while (f.pixelSize() > 4 && QFontMetricsF(f).horizontalAdvance(text) > lcd.width() * 0.86)
    f.setPixelSize(f.pixelSize() - 1);
  p.setFont(f);
  p.setPen(QColor(0x1C, 0x2A, 0x1A));
  p.drawText(lcd, Qt::AlignCenter, text);
  // Two keys and the call lamp.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x79, 0x83, 0x8D));
  const double keyW = w * 0.22, keyH = h * 0.13, keyY = box.top() + h * 0.68;
  p.drawRoundedRect(QRectF(box.left() + w * 0.17, keyY, keyW, keyH), keyH / 2, keyH / 2);
  p.drawRoundedRect(QRectF(box.right() - w * 0.17 - keyW, keyY, keyW, keyH), keyH / 2, keyH / 2);
  const QPointF lamp(box.center().x(), keyY + keyH / 2);
  QRadialGradient glow(lamp, w * 0.06);
  glow.setColorAt(0, kAmber.lighter(140));
  glow.setColorAt(1, kAmber.darker(130));
  p.setBrush(glow);
  p.drawEllipse(lamp, w * 0.04, w * 0.04);
  p.restore();
}

QPixmap SplashPicture(QSize size, qreal ratio) {
  QPixmap pm = Blank(size, ratio);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double w = Logical(pm).width(), h = Logical(pm).height();
  const QRectF all(0, 0, w, h);
  QLinearGradient sky(0, 0, w, h);
  sky.setColorAt(0, kNight);
  sky.setColorAt(1, kDeepBlue);
  p.fillRect(all, sky);
  // A faint glow behind the pager.
  const QRectF pager(w * 0.70, h * 0.34, w * 0.24, w * 0.24 * 0.68);
  QRadialGradient halo(pager.center(), w * 0.28);
  QColor haloColour = kSeaGreen;
  haloColour.setAlpha(55);
  halo.setColorAt(0, haloColour);
  halo.setColorAt(1, Qt::transparent);
  p.fillRect(all, halo);
  DrawWaves(p, QPointF(pager.center().x(), pager.top() - h * 0.02), w * 0.05, 4, kSeaGreen);
  DrawPager(p, pager, "PAGE OK");
  // An amber rule along the bottom.
  p.fillRect(QRectF(0, h - 4, w, 4), kAmber);
  return pm;
}

QImage AppIcon(int size) {
  QImage image(std::max(1, size), std::max(1, size), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = image.width();
  const QRectF tile(s * 0.03, s * 0.03, s * 0.94, s * 0.94);
  QLinearGradient sky(tile.topLeft(), tile.bottomRight());
  sky.setColorAt(0, kDeepBlue);
  sky.setColorAt(1, kNight);
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRoundedRect(tile, s * 0.18, s * 0.18);
  const QRectF pager(s * 0.16, s * 0.42, s * 0.68, s * 0.68 * 0.68);
  DrawWaves(p, QPointF(pager.center().x(), pager.top() - s * 0.02), s * 0.09, size < 32 ? 2 : 3, kSeaGreen);
  DrawPager(p, pager, "");
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kAmber, std::max(1.0, s / 48)));
  p.drawRoundedRect(tile, s * 0.18, s * 0.18);
  return image;
}

QIcon AppWindowIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(AppIcon(size)));
  return icon;
}

QPixmap AboutPicture(QSize size, qreal ratio) {
  QPixmap pm = Blank(size, ratio);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double w = Logical(pm).width(), h = Logical(pm).height();
  QLinearGradient field(0, 0, 0, h);
  field.setColorAt(0, kOffWhite);
  field.setColorAt(1, QColor(0xD8, 0xE4, 0xEE));
  p.fillRect(QRectF(0, 0, w, h), field);
  // Heading band across the top, with the pager in its right end.
  const double band = std::min(48.0, h * 0.18);
  QLinearGradient head(0, 0, w, 0);
  head.setColorAt(0, kNight);
  head.setColorAt(1, kSteel);
  p.fillRect(QRectF(0, 0, w, band), head);
  p.fillRect(QRectF(0, band, w, 2), kAmber);
  const double pagerW = band * 1.15;
  const QRectF pager(w - pagerW - band * 0.9, band * 0.11, pagerW, pagerW * 0.68);
  DrawPager(p, pager, "OK");
  // A thin frame keeps the borderless box apart from what lies behind it.
  DrawFrame(p, w, h, kNight);
  return pm;
}

QPixmap DialogPicture(QSize size, qreal ratio) {
  QPixmap pm = Blank(size, ratio);
  QPainter p(&pm);
  const double w = Logical(pm).width(), h = Logical(pm).height();
  QLinearGradient field(0, 0, 0, h);
  field.setColorAt(0, QColor(0xEE, 0xF3, 0xF7));
  field.setColorAt(1, QColor(0xD5, 0xE0, 0xEA));
  p.fillRect(QRectF(0, 0, w, h), field);
  QLinearGradient head(0, 0, w, 0);
  head.setColorAt(0, kNight);
  head.setColorAt(1, kSteel);
  p.fillRect(QRectF(0, 0, w, 30), head);
  p.fillRect(QRectF(0, 30, w, 2), kAmber);
  DrawFrame(p, w, h, kNight);
  return pm;
}

QColor ColorFromValue(uint32_t value, const QPalette& palette) {
  if (const auto rgb = PlainColor(value)) return QColor(rgb->r, rgb->g, rgb->b);
  switch (*SystemColorIndex(value)) {
    case 5: return palette.color(QPalette::Base);               // window background
    case 8: return palette.color(QPalette::Text);               // window text
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 16: return palette.color(QPalette::Dark);              // button shadow
    case 17: return palette.color(QPalette::PlaceholderText);   // grey text
    case 18: return palette.color(QPalette::ButtonText);
    case 20: return palette.color(QPalette::Light);             // button highlight
    case 21: return palette.color(QPalette::Shadow);            // dark shadow
    case 22: return palette.color(QPalette::Midlight);          // 3-D light
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::Button);            // 15, button face, and the rest
  }
}

void PaintEdge(QPainter& painter, const QPalette& palette, int edge, int flags, int left, int top, int right,
               int bottom) {
  for (const EdgeStroke& s : EdgeStrokes(edge, flags, left, top, right, bottom)) {
    QPalette::ColorRole role = QPalette::Button;
    switch (s.shade) {
      case EdgeShade::Highlight: role = QPalette::Light; break;
      case EdgeShade::Light: role = QPalette::Midlight; break;
      case EdgeShade::Shadow: role = QPalette::Dark; break;
      case EdgeShade::DarkShadow: role = QPalette::Shadow; break;
    }
    painter.fillRect(QRect(QPoint(s.x1, s.y1), QPoint(s.x2, s.y2)), palette.color(role));
  }
}

QLabel* MakePictureLabel(QWidget* parent, const char* name, const std::string& text, int pixelSize, bool bold,
                         const QColor& colour) {
  auto* l = new QLabel(QString::fromStdString(text), parent);
  l->setObjectName(name);
  QFont f = l->font();
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  l->setFont(f);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, colour);
  l->setPalette(pal);
  return l;
}

}  // namespace qrt
