// The custom controls and the detail dialogs on real widgets: mouse events
// reach the logic, signals fire where they should, timers close the splash
// window, and choices made in the dialogs' own lists land in the image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

#include "controls/gui/AboutBox.h"
#include "controls/gui/CloseBox.h"
#include "controls/gui/EBSlider.h"
#include "controls/gui/Ncommand.h"
#include "controls/gui/Pictures.h"
#include "controls/gui/SplashWindow.h"
#include "editor/gui/DetailDialogs.h"
#include "tests/support/EditorRig.h"

namespace qrt {
namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QTest::qWait(5);
  }
  return true;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST(NcommandWidget, ClickRaisesClickOnceAndPressShowsThePressedFace) {
  Ncommand button("OK", nullptr);
  button.resize(90, 28);
  button.show();
  QSignalSpy clicks(&button, &Ncommand::Click);

  SendMouse(&button, QEvent::MouseButtonPress, {45, 14}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(button.isPressed());
  EXPECT_EQ(button.captionColor(), QColor(0, 0, 0)) << "pressed caption in DnColor";
  SendMouse(&button, QEvent::MouseButtonRelease, {45, 14}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(button.isPressed());
  EXPECT_EQ(button.captionColor(), QColor(255, 255, 255));
  EXPECT_EQ(clicks.count(), 1);

  // Released outside the button: no click.
  SendMouse(&button, QEvent::MouseButtonPress, {45, 14}, Qt::LeftButton, Qt::LeftButton);
  SendMouse(&button, QEvent::MouseButtonRelease, {200, 14}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(clicks.count(), 1);

  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 2);
}

TEST(NcommandWidget, DisabledButtonNeitherPressesNorClicks) {
  Ncommand button("OK", nullptr);
  button.resize(90, 28);
  button.show();
  button.setButtonEnabled(false);
  QSignalSpy clicks(&button, &Ncommand::Click);
  SendMouse(&button, QEvent::MouseButtonPress, {45, 14}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_FALSE(button.isPressed());
  SendMouse(&button, QEvent::MouseButtonRelease, {45, 14}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_EQ(button.captionColor(), QColor(0xC0, 0xC0, 0xC0));
}

TEST(NcommandWidget, CaptionStaysCentredThroughResizes) {
  Ncommand button("OK", nullptr);
  button.resize(90, 28);
  button.show();
  const QPointF small = button.captionPosition();
  button.resize(190, 48);
  const QPointF large = button.captionPosition();
  // Fifty more pixels of width move a centred caption by half of that.
  EXPECT_NEAR(large.x() - small.x(), 50.0, 1.0);
  EXPECT_NEAR(large.y() - small.y(), 10.0, 1.0);
}

// The contrast slider: 100 x 20 pixels (1500 x 300 twips), thumb 150 twips, 1..8.
struct ContrastWidget {
  ContrastWidget() {
    slider.resize(100, 20);
    slider.setSliderWidth(150);
    slider.setRange(1, 8);
    slider.setValue(1);
    slider.show();
  }
  EBSlider slider;
};

TEST(EBSliderWidget, ClickOnTheGrooveMovesTheThumbAndRaisesChanged) {
  ContrastWidget w;
  ASSERT_EQ(w.slider.minimum(), 1);
  ASSERT_EQ(w.slider.maximum(), 8);
  QSignalSpy changed(&w.slider, &EBSlider::changed);
  // 51 px = 765 twips: raw 690, already on a pixel; 1 + 690 / (1350/7) rounds to 5.
  QTest::mouseClick(&w.slider, Qt::LeftButton, {}, QPoint(51, 10));
  EXPECT_EQ(w.slider.value(), 5);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(w.slider.thumbRect().left(), 46);
  EXPECT_EQ(w.slider.thumbRect().width(), 10);
}

TEST(EBSliderWidget, DraggingTheThumbFollowsTheLeftButtonOnly) {
  ContrastWidget w;
  QSignalSpy changed(&w.slider, &EBSlider::changed);
  const QPoint onThumb(5, 10);
  ASSERT_TRUE(w.slider.thumbRect().contains(onThumb));
  SendMouse(&w.slider, QEvent::MouseButtonPress, onThumb, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(changed.count(), 0) << "pressing the thumb itself does not move it";

  // Beyond the right end while the left button is held.
  SendMouse(&w.slider, QEvent::MouseMove, {300, 10}, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.slider.value(), 8);
  EXPECT_EQ(w.slider.thumbRect().left(), 90);
  // With the right button held as well nothing moves.
  SendMouse(&w.slider, QEvent::MouseMove, {20, 10}, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
  EXPECT_EQ(w.slider.value(), 8);
  SendMouse(&w.slider, QEvent::MouseMove, {-50, 10}, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.slider.value(), 1);
  EXPECT_EQ(w.slider.thumbRect().left(), 0);
  SendMouse(&w.slider, QEvent::MouseButtonRelease, {-50, 10}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(changed.count(), 2);

  // After the release a plain move does nothing.
  SendMouse(&w.slider, QEvent::MouseMove, {60, 10}, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.slider.value(), 1);
}

TEST(EBSliderWidget, RangeCanMoveWhollyAboveTheOldOne) {
  ContrastWidget w;
  w.slider.setRange(20, 40);
  EXPECT_EQ(w.slider.minimum(), 20);
  EXPECT_EQ(w.slider.maximum(), 40);
  EXPECT_EQ(w.slider.value(), 20);
  w.slider.setRange(2, 4);
  EXPECT_EQ(w.slider.minimum(), 2);
  EXPECT_EQ(w.slider.maximum(), 4);
  EXPECT_EQ(w.slider.value(), 4);
}

TEST(CloseBoxWidget, KeepsItsSizeAndRaisesClick) {
  CloseBox box;
  box.resize(40, 40);
  EXPECT_EQ(box.size(), QSize(17, 18));
  QWidget holder;
  auto* row = new QHBoxLayout(&holder);
  row->addWidget(new CloseBox(&holder));
  holder.resize(400, 300);
  holder.show();
  EXPECT_EQ(holder.findChild<CloseBox*>()->size(), QSize(17, 18)) << "a layout cannot stretch it";

  box.show();
  QSignalSpy clicks(&box, &CloseBox::Click);
  SendMouse(&box, QEvent::MouseButtonPress, {8, 8}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(box.isPressed());
  SendMouse(&box, QEvent::MouseButtonRelease, {8, 8}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(box.isPressed());
  EXPECT_EQ(clicks.count(), 1);
}

TEST(SplashWindowWidget, AsksForTheMainWindowThenClosesAfterItsSecondTimer) {
  QElapsedTimer sinceCreation;
  sinceCreation.start();
  SplashWindow splash;
  EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
  QSignalSpy showMain(&splash, &SplashWindow::showMainWindow);
  splash.show();
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  EXPECT_TRUE(splash.firstTimerActive());
  EXPECT_FALSE(splash.secondTimerActive());

  ASSERT_TRUE(WaitUntil([&] { return showMain.count() > 0; }, 3000));
  EXPECT_GE(sinceCreation.elapsed(), 450);
  EXPECT_FALSE(splash.firstTimerActive()) << "Timer1 ticks once";
  EXPECT_TRUE(splash.isVisible()) << "stays up while the main window loads";

  QElapsedTimer sinceSecond;
  sinceSecond.start();
  splash.startSecondTimer();
  ASSERT_TRUE(WaitUntil([&] { return !splash.isVisible(); }, 3000));
  EXPECT_GE(sinceSecond.elapsed(), 495);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "pointer given back on close";
  EXPECT_FALSE(splash.holdsWaitCursor());
  EXPECT_EQ(showMain.count(), 1);
}

TEST(SplashWindowWidget, DestroyedWithoutClosingGivesThePointerBack) {
  {
    SplashWindow splash;
    splash.show();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(AboutBoxWidget, OkAndCloseBoxBothCloseIt) {
  for (int which = 0; which < 2; ++which) {
    AboutBox box;
    box.show();
    ASSERT_TRUE(box.isVisible());
    auto* heading = box.findChild<QLabel*>("Label2_0");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->text(), "About");
    QWidget* target = which == 0 ? static_cast<QWidget*>(box.okButton()) : box.closeBox();
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
  }
}

// The splash window names the platform the program runs on, the about box
// the version once, without its "V", and the build date; the window icon
// is drawn at small and large sizes alike.
TEST(ShellTexts, PlatformVersionAndIconTellTheTruth) {
  AboutBox about;
  auto* version = about.findChild<QLabel*>("lblVersion");
  ASSERT_NE(version, nullptr);
  const QRegularExpression line("^Version ([0-9]+\\.[0-9]+), built [0-9]{4}-[0-9]{2}-[0-9]{2}$");
  const QRegularExpressionMatch match = line.match(version->text());
  ASSERT_TRUE(match.hasMatch()) << version->text().toStdString();

  SplashWindow splash;
  auto* platform = splash.findChild<QLabel*>("lblPlatformAndVersion");
  ASSERT_NE(platform, nullptr);
  EXPECT_EQ(platform->text(), "Version " + match.captured(1) + " for Linux");

  const QIcon icon = AppWindowIcon();
  for (int size : {16, 32, 256}) {
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    const QImage image = icon.pixmap(size).toImage();
    EXPECT_EQ(image.width(), size);
    EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 200) << size << ": the middle is drawn";
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size << ": the corner stays clear";
  }
}

// Return and Enter close a dialog as its OK button does, Escape as its close
// box does; sent to a list inside, they reach the dialog. Neither stores
// anything: the image is what it was before the key.
TEST(DialogKeys, ReturnEnterAndEscapeCloseEveryDialogAndStoreNothing) {
  testing::EditorRig rig;
  const std::vector<std::function<std::unique_ptr<QDialog>()>> dialogs = {
      [] { return std::make_unique<AboutBox>(); },
      [&] { return std::make_unique<FunctionBitDialog>(nullptr, rig.ed); },
      [&] { return std::make_unique<AlertLengthDialog>(nullptr, rig.ed); }};
  for (size_t i = 0; i < dialogs.size(); ++i) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      const std::unique_ptr<QDialog> dialog = dialogs[i]();
      dialog->show();
      QWidget* target = dialog.get();
      if (auto* list = dialog->findChild<QComboBox*>()) {
        list->setFocus();
        target = list;
      }
      const Image before = rig.img();
      QTest::keyClick(target, key);
      EXPECT_FALSE(dialog->isVisible()) << "dialog " << i << ", key " << key;
      EXPECT_EQ(rig.img(), before) << "dialog " << i << ", key " << key;
    }
  }
}

QPoint CheckIndicator(QCheckBox* box) {
  QStyleOptionButton opt;
  opt.initFrom(box);
  return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, box).center();
}

TEST(FunctionBitDialogWidget, ChoosingGroupStores255AndOpeningWritesNothing) {
  testing::EditorRig rig;
  rig.state.SelectedCapcode = 2;  // capcode 3
  rig.img()[0x370 + 8 + 2] = 5;   // function bit C: mail drop 5
  rig.img()[0x370 + 8 + 3] = 100; // function bit D: no entry stands for it
  const Image before = rig.img();
  int refreshes = 0;
  FunctionBitDialog dialog(nullptr, rig.ed, [&] { ++refreshes; });
  EXPECT_TRUE(testing::Differences(before, rig.img()).empty()) << "opening changed the image";
  EXPECT_EQ(dialog.capcodeLabel()->text(), "#3");
  EXPECT_EQ(dialog.typeList(2)->currentText(), "Mail Drop 5");
  EXPECT_EQ(dialog.typeList(3)->currentIndex(), -1);
  EXPECT_EQ(dialog.typeList(2)->count(), 17);

  dialog.show();
  QComboBox* type = dialog.typeList(2);
  type->setFocus();
  QTest::keyClick(type, Qt::Key_End);  // the last entry, "Group"
  EXPECT_EQ(type->currentText(), "Group");
  EXPECT_EQ(rig.img()[0x37A], 255);
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(testing::Differences(before, rig.img()).size(), 1u);

  // The priority box of function bit C is bit 2 of byte 0x33.
  const uint8_t pri = rig.img()[0x33];
  QCheckBox* box = dialog.priBox(2);
  QTest::mouseClick(box, Qt::LeftButton, {}, CheckIndicator(box));
  EXPECT_EQ(rig.img()[0x33], pri ^ 0x04);
  EXPECT_EQ(box->isChecked(), (rig.img()[0x33] & 0x04) != 0);
  EXPECT_EQ(refreshes, 2);

  QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(rig.img()[0x37A], 255) << "closing undoes nothing";
}

TEST(AlertLengthDialogWidget, ChoicesReachTheImage) {
  testing::EditorRig rig;
  rig.img()[0x90] = 7;  // no entry: the list opens empty
  rig.img()[0x9A] = 16;
  rig.img()[0x38] |= 0x02;  // mail drop 10 enabled
  const Image before = rig.img();
  AlertLengthDialog dialog(nullptr, rig.ed);
  EXPECT_TRUE(testing::Differences(before, rig.img()).empty());
  EXPECT_EQ(dialog.personalList()->currentIndex(), -1);
  EXPECT_EQ(dialog.mailList(9)->currentText(), "16 sec");
  EXPECT_EQ(dialog.windowTitle(), "Personal and Mail Drop Status Control");

  dialog.show();
  dialog.personalList()->setFocus();
  QTest::keyClick(dialog.personalList(), Qt::Key_End);  // "continuos"
  EXPECT_EQ(rig.img()[0x90], 0);

  QComboBox* drop10 = dialog.mailList(9);
  drop10->setFocus();
  QTest::keyClick(drop10, Qt::Key_Home);  // "Disable"
  EXPECT_EQ(rig.img()[0x38] & 0x02, 0);
  EXPECT_EQ(rig.img()[0x9A], 16) << "a disabled drop keeps its alert byte";
  EXPECT_EQ(testing::Differences(before, rig.img()).size(), 2u);
}

}  // namespace
}  // namespace qrt
