// The transfer dialog on real widgets (offscreen), running its transfers
// against the simulated pager.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <QAction>
#include <QLineEdit>

#include "codecs/Capcode.h"
#include "editor/gui/MainWindow.h"
#include "ports/Connection.h"
#include "editor/gui/QtEditorHost.h"
#include "tests/gui/StationRig.h"
#include "tests/transfer_rig.h"
#include "transfer/gui/TransferDialog.h"

namespace qrt::test {
namespace {

// Fails the test instead of hanging it when a modal dialog never closes.
struct Watchdog {
  Watchdog() {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] {
      ADD_FAILURE() << "dialog still open";
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w)) d->done(0);
    });
    timer.start(20000);
  }
  QTimer timer;
};

TEST(TransferDialogWidget, ReadRunsWhenShownAndClosesItself) {
  TransferRig rig;
  Image pager = SimRig::FactoryPagerImage();
  pager[0x042] = 0x33;
  StoreChecksum(pager);
  rig.LoadPager(pager);
  rig.state.TransferMode = 0;

  Watchdog watchdog;
  RunTransferDialog(nullptr, rig.editor, rig.link);

  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  EXPECT_EQ(rig.state.PagerImage, pager);
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
}

TEST(TransferDialogWidget, ProgressBarShowsValuesBeyondItsMaximumAsFull) {
  TransferRig rig;
  TransferDialog dialog(nullptr, rig.editor, rig.link, false);
  dialog.model().state.PB1.Max = 2015;
  dialog.model().state.PB1.Value = 2031;
  dialog.model().state.Label1 = "Reading Now.......";
  dialog.Refresh();
  EXPECT_EQ(dialog.progressBar()->maximum(), 2015);
  EXPECT_EQ(dialog.progressBar()->value(), 2015);
  EXPECT_EQ(dialog.progressBar()->palette().color(QPalette::Highlight), QColor(128, 0, 128));
  EXPECT_EQ(dialog.statusLabel()->text(), QStringLiteral("Reading Now......."));
  EXPECT_FALSE(dialog.writeButton()->isVisibleTo(&dialog));
}

TEST(TransferDialogWidget, BatchButtonsAreDisabledWhileAWriteRuns) {
  TransferRig rig;
  rig.editor.UserEditText({Ctl::txtAddr, 0}, "100");
  rig.editor.SetFocus({Ctl::picTabBack, 0});
  rig.editor.WriteOpt_Click();
  rig.state.AutoIncrement1 = true;
  rig.state.TransferMode = 1;
  rig.msgs.Clear();

  Watchdog watchdog;
  TransferDialog dialog(nullptr, rig.editor, rig.link);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.writeButton()->isVisible(); }, 5000));
  EXPECT_TRUE(dialog.writeButton()->isEnabled());
  EXPECT_EQ(rig.board.eeprom().counters.addressings, 0);  // nothing written before a press

  // Events that arrive while the pager is being written: a second press, then
  // the close box.
  bool checked = false;
  QTimer::singleShot(0, [&] {
    checked = true;
    EXPECT_FALSE(dialog.writeButton()->isEnabled());
    EXPECT_FALSE(dialog.exitButton()->isEnabled());
    QTest::mouseClick(dialog.writeButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.closeBox(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());  // the transfer finishes first
  });
  QTest::mouseClick(dialog.writeButton(), Qt::LeftButton);

  EXPECT_TRUE(checked);
  EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, kImageSize / 16);
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(DecodeCapcode(rig.PagerMemory(), 0), 100u);
  EXPECT_EQ(rig.editor.txtAddr[0].text, "0000101");
  EXPECT_FALSE(dialog.isVisible());  // the close box took effect after the pager was done
}

TEST(TransferDialogWidget, ExitEndsTheBatch) {
  TransferRig rig;
  rig.editor.WriteOpt_Click();
  rig.state.AutoIncrement2 = true;
  rig.state.TransferMode = 1;

  Watchdog watchdog;
  TransferDialog dialog(nullptr, rig.editor, rig.link);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.exitButton()->isVisible(); }, 5000));
  QTest::mouseClick(dialog.exitButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, 0);
}

QAction* MenuAction(QWidget& window, const QString& text) {
  for (QAction* a : window.findChildren<QAction*>())
    if (a->text() == text) return a;
  return nullptr;
}

// The Pager menu of the real main window, end to end: Read brings the
// simulated pager into the window, Write in Write Mode writes and verifies it.
TEST(TransferDialogWidget, MainWindowReadsAndWritesTheSimulatedPager) {
  SimRig rig;  // its clock and messages; the window has a connection of its own
  testing::StationRig station(rig.clock, rig.msgs);
  Connection& connection = station.station.connection();
  Image pager = SimRig::FactoryPagerImage();
  // Capcode 1 = 1234575: record bytes 1..3 = 1E 5A D1.
  pager[0x041] = 0x1E;
  pager[0x042] = 0x5A;
  pager[0x043] = 0xD1;
  StoreChecksum(pager);
  SimEeprom& chip = connection.sim()->eeprom();
  chip.memory = pager;
  const auto PagerMemory = [&] {
    rig.clock.Advance(chip.writeCycleNs);
    chip.Poll();
    return chip.memory;
  };
  AppState state;
  QtEditorHost host(station.station);
  Editor editor(state, rig.msgs, host);
  Form1 window(editor, station.station);
  host.Attach(&window, &editor);
  window.Load();
  window.show();
  rig.msgs.Clear();

  Watchdog watchdog;
  QAction* read = MenuAction(window, QStringLiteral("Read"));
  ASSERT_NE(read, nullptr);
  read->trigger();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  auto* capcode = qobject_cast<QLineEdit*>(window.widgetFor({Ctl::txtAddr, 0}));
  ASSERT_NE(capcode, nullptr);
  EXPECT_EQ(capcode->text(), QStringLiteral("1234575"));

  editor.UserEditText({Ctl::txtAddr, 0}, "777");
  editor.SetFocus({Ctl::picTabBack, 0});
  editor.WriteOpt_Click();
  window.Refresh();
  rig.msgs.Clear();
  QAction* write = MenuAction(window, QStringLiteral("Write"));
  ASSERT_NE(write, nullptr);
  write->trigger();
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"});
  EXPECT_EQ(DecodeCapcode(PagerMemory(), 0), 777u);
  EXPECT_EQ(PagerMemory(), state.PagerImage);
  EXPECT_EQ(capcode->text(), QStringLiteral("0000777"));
}

}  // namespace
}  // namespace qrt::test
