// Help > Port Diagnostics... on real widgets: the report of a made-up
// machine shown readably (sections, marks, fix commands on lines of their
// own), copied whole, and run by the window with its port let go and its
// keep-alive timer stopped.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "diagnostics/Diagnostics.h"
#include "editor/Editor.h"
#include "editor/gui/MainWindow.h"
#include "ports/Connection.h"
#include "station/gui/PortDiagnosticsDialog.h"
#include "link/PagerLink.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"
#include "tests/gui/StationRig.h"
#include "tests/support/EditorRig.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

// A machine with one parallel port at 0x378 that the lp driver holds and
// that the user may not open, and no ppdev module.
class MadeUpMachine {
 public:
  // A folder of its own: ctest runs the tests of this file side by side.
  MadeUpMachine() : root_(MakeRoot()) {
    Write("proc/modules", "parport_pc 53248 0 - Live 0x0\n");
    fs::create_directories(root_ / "sys/class/parport/parport0");
    Write("proc/sys/dev/parport/parport0/base-addr", "888\t1912\n");
    Write("proc/sys/dev/parport/parport0/devices/active", "lp\n");
    Write("dev/parport0", "");
    fs::permissions(root_ / "dev/parport0", fs::perms::owner_read | fs::perms::owner_write);
    Write("etc/group", "root:x:0:\nlp:x:7:\n");
    Write("etc/passwd", "root:x:0:0::/root:/bin/sh\n");
  }
  ~MadeUpMachine() { fs::remove_all(root_); }

  DiagnosticsReport Diagnose() const {
    DiagnosticsSetup setup;
    setup.root = root_.string();
    setup.user = UserIdentity{54321, 54321, {}, "alice"};
    setup.probe = [](const std::string&) { return ProbeOutcome{}; };
    return qrt::Diagnose(setup);
  }

 private:
  void Write(const std::string& path, const std::string& text) {
    fs::create_directories((root_ / path).parent_path());
    std::ofstream(root_ / path) << text;
  }
  static fs::path MakeRoot() {
    std::string pattern = (fs::temp_directory_path() / "qrt_gui_port_diagnostics_XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
  }
  fs::path root_;
};

TEST(PortDiagnosticsDialog, ShowsEverySectionMarkAndFixAndCopiesTheWholeReport) {
  const DiagnosticsReport report = MadeUpMachine().Diagnose();
  ASSERT_FALSE(report.sections.empty());
  PortDiagnosticsDialog dialog(nullptr, report, "the simulated board and pager (--port sim)");
  dialog.show();
  const QString shown = dialog.view()->toPlainText();
  const QStringList lines = shown.split('\n');
  int problems = 0;
  for (const Section& section : report.sections) {
    EXPECT_TRUE(lines.contains(QString::fromStdString(section.title))) << section.title;
    for (const Check& check : section.checks) {
      EXPECT_TRUE(shown.contains(QString::fromStdString(check.text).simplified())) << check.text;
      problems += check.mark == Mark::Problem;
      // Each command on a line of its own, to be selected and pasted whole.
      for (const std::string& fix : check.fixes)
        EXPECT_TRUE(lines.contains(QString::fromStdString(fix))) << fix;
    }
  }
  EXPECT_GE(problems, 3) << "no ppdev, a driver holding the port, no access";
  EXPECT_EQ(shown.count("problem"), problems);
  EXPECT_TRUE(shown.contains("Result: no board answers."));
  EXPECT_TRUE(dialog.view()->textInteractionFlags() & Qt::TextSelectableByMouse);
  EXPECT_TRUE(dialog.findChild<QLabel*>("lblPortInUse")->text().contains("the simulated board and pager (--port sim)"));

  QApplication::clipboard()->clear();
  QTest::mouseClick(dialog.copyButton(), Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "This window uses the simulated board and pager (--port sim).\n\n" + RenderText(report));
}

// Run when shown, not before; while it runs, window events go on but the
// dialog does not close; then the report is there.
TEST(PortDiagnosticsDialog, DiagnosesOnceShownAndCannotBeClosedMeanwhile) {
  const MadeUpMachine machine;
  int runs = 0;
  bool stillOpenDuringTheRun = false;
  PortDiagnosticsDialog* self = nullptr;
  PortDiagnosticsDialog dialog(
      nullptr,
      [&] {
        ++runs;
        self->close();
        self->reject();
        QApplication::processEvents();  // as the probe's waits do
        stillOpenDuringTheRun = self->isVisible() && self->running() && !self->closeButton()->isEnabled();
        return machine.Diagnose();
      },
      "/dev/parport0 through ppdev (--port ppdev:/dev/parport0)");
  self = &dialog;
  EXPECT_EQ(runs, 0);
  dialog.show();
  QTRY_COMPARE(runs, 1);
  EXPECT_TRUE(stillOpenDuringTheRun);
  EXPECT_FALSE(dialog.running());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.view()->toPlainText().contains("Parallel port parport0"));
  QTest::mouseClick(dialog.runAgainButton(), Qt::LeftButton);
  EXPECT_EQ(runs, 2);
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
}

// The Help menu's command: the keep-alive timer stops and the window's port
// is let go for the diagnosis, which gets the window's clock; afterwards the
// timer runs again.
TEST(PortDiagnosticsDialog, TheWindowLetsGoOfItsPortWhileItDiagnoses) {
  VirtualClock clock;
  RecordingMessages messages;
  testing::StationRig station(clock, messages);
  testing::EditorRig rig;
  Form1 window(rig.ed, station.station);
  window.Load();
  const MadeUpMachine machine;
  bool timerStopped = false;
  Clock* clockSeen = nullptr;
  PortDiagnosticsSetup setup;
  setup.diagnose = [&](Clock& c) {
    clockSeen = &c;
    timerStopped = !window.timer1Running();
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    return machine.Diagnose();
  };
  window.stationMenu().SetPortDiagnostics(setup);

  QAction* command = window.findChild<QAction*>("mnuDiagnostics");
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->text(), "Port Diagnostics...");
  EXPECT_TRUE(window.findChild<QMenu*>("mnuHelp")->actions().contains(command));
  ASSERT_TRUE(window.timer1Running());
  command->trigger();
  EXPECT_TRUE(timerStopped);
  EXPECT_EQ(clockSeen, &clock);
  EXPECT_TRUE(window.timer1Running());
}

}  // namespace
}  // namespace qrt
