// On a screen of device pixel ratio 2 (this test runs with QT_SCALE_FACTOR=2)
// the program's own pictures are drawn with two device pixels to each of
// their pixels along each side, as sharp as the text beside them, not drawn
// at ratio 1 and doubled.
#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <functional>

#include "controls/gui/AboutBox.h"
#include "controls/gui/CloseBox.h"
#include "controls/gui/Ncommand.h"
#include "controls/gui/SplashWindow.h"
#include "editor/Editor.h"
#include "editor/gui/MainWindow.h"
#include "ports/Connection.h"
#include "link/PagerLink.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"
#include "tests/gui/StationRig.h"
#include "tests/support/EditorRig.h"

namespace qrt {
namespace {

// The share of 2 x 2 device-pixel blocks in `region` (device-independent
// pixels) whose four pixels differ. A picture drawn at ratio 1 and doubled
// is made of whole blocks and has none; curves, slants and gradients drawn
// at ratio 2 have many.
double FineDetail(const QImage& image, const QRect& region) {
  int blocks = 0;
  int detailed = 0;
  for (int y = region.top(); y <= region.bottom(); ++y) {
    for (int x = region.left(); x <= region.right(); ++x) {
      const QRgb a = image.pixel(2 * x, 2 * y);
      ++blocks;
      if (image.pixel(2 * x + 1, 2 * y) != a || image.pixel(2 * x, 2 * y + 1) != a ||
          image.pixel(2 * x + 1, 2 * y + 1) != a)
        ++detailed;
    }
  }
  return blocks ? double(detailed) / blocks : 0;
}

struct Picture {
  const char* name;
  std::function<QImage()> grab;
  QRect region;  // a part of the widget that only its picture covers
};

TEST(HighDpi, PicturesAreDrawnAtTheScreensPixelRatio) {
  ASSERT_EQ(QWidget().devicePixelRatioF(), 2.0) << "run with QT_SCALE_FACTOR=2";
  VirtualClock clock;
  RecordingMessages messages;
  testing::StationRig station(clock, messages);
  testing::EditorRig rig;
  Form1 window(rig.ed, station.station);
  window.Load();

  const Picture pictures[] = {
      {"close box", [] { return CloseBox().grab().toImage(); }, QRect(0, 0, 17, 18)},
      {"push button face",
       [] {
         Ncommand button(QString(), nullptr);
         button.resize(90, 28);
         return button.grab().toImage();
       },
       QRect(0, 0, 90, 28)},
      {"splash picture, the pager and its waves", [] { return SplashWindow().grab().toImage(); },
       QRect(380, 20, 140, 250)},
      {"about picture, its pager", [] { return AboutBox().grab().toImage(); }, QRect(380, 4, 58, 40)},
      {"main window background, below the pages", [&] { return window.clientArea()->grab().toImage(); },
       QRect(0, 459, 634, 11)},
  };
  for (const Picture& p : pictures) {
    const QImage image = p.grab();
    ASSERT_GE(image.width(), 2 * (p.region.right() + 1)) << p.name;
    ASSERT_GE(image.height(), 2 * (p.region.bottom() + 1)) << p.name;
    EXPECT_GT(FineDetail(image, p.region), 0.05) << p.name << " is doubled, not drawn at ratio 2";
  }
}

}  // namespace
}  // namespace qrt
