#pragma once
// The program's own pictures, drawn with QPainter so that no image file has
// to ship with it: the main window's background tile, the push button's two
// faces, the close box's two symbols, the splash and about pictures and the
// dialogs' background. Each call draws afresh; callers keep what they reuse.
//
// Sizes are in device-independent pixels. `ratio` is the device pixel ratio
// of the screen the picture is shown on (QWidget::devicePixelRatioF()): the
// picture is drawn with that many device pixels to each of its pixels and
// carries the ratio, so that it is as sharp at 2x as at 1x.
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QSize>

#include <cstdint>
#include <string>

class QLabel;
class QPainter;
class QWidget;
class QRectF;

namespace qrt {

// A seamless 64 x 64 tile for the main window's background.
QPixmap BackgroundTile(qreal ratio);

// The push button's face filling `size`: raised, or pressed in. The raised
// face is dark enough for a white caption, the pressed one light enough for a
// black caption (the button's default colours).
QPixmap ButtonFace(bool pressed, QSize size, qreal ratio);

// The close box's symbol, 17 x 18 pixels: raised, or pressed in.
QPixmap CloseSymbol(bool pressed, qreal ratio);

// The splash window's picture: a night-blue field with a pager sending its
// waves on the right, leaving the left two thirds calm for the texts.
QPixmap SplashPicture(QSize size, qreal ratio);

// The about box's picture: a light field with a small pager in the top
// right corner.
QPixmap AboutPicture(QSize size, qreal ratio);

// The program's icon, `size` pixels square, with a transparent surround: a
// pager under its waves on a night-blue rounded tile. Small sizes drop the
// waves' outer rings so that the pager stays readable.
QImage AppIcon(int size);

// The program's window icon: AppIcon drawn at the sizes desktops ask for,
// from 16 to 256 pixels, so that no size is scaled from another.
QIcon AppWindowIcon();

// A quiet light background for the detail dialogs.
QPixmap DialogPicture(QSize size, qreal ratio);

// A caption label of the splash and about pictures: `text` in a font of
// `pixelSize` pixels, bold or not, in `colour`.
QLabel* MakePictureLabel(QWidget* parent, const char* name, const std::string& text, int pixelSize, bool bold,
                         const QColor& colour);

// Draws a pager (body, display with `logo`, two keys) inside `box`.
void DrawPager(QPainter& painter, const QRectF& box, const char* logo);

// A control colour (0x00BBGGRR, or 0x80000000 + n for system colour n) as
// Qt shows it, system colours taken from `palette`.
QColor ColorFromValue(uint32_t value, const QPalette& palette);

// Draws DrawEdge's strokes for `edge` on the sides `flags` of the pixel
// rectangle left, top .. right, bottom (right and bottom exclusive), shaded
// from `palette`.
void PaintEdge(QPainter& painter, const QPalette& palette, int edge, int flags, int left, int top, int right,
               int bottom);

}  // namespace qrt
