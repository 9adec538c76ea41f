#include "app/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "ProductInfo.h"
#include "controls/gui/AboutBox.h"
#include "editor/Editor.h"
#include "editor/Form1Design.h"
#include "backup/Backups.h"
#include "codecs/Charset.h"
#include "editor/gui/BackupListDialog.h"
#include "station/gui/ConnectionDialog.h"
#include "editor/gui/DetailDialogs.h"
#include "editor/gui/MainWindow.h"
#include "station/gui/PortDiagnosticsDialog.h"
#include "station/gui/ProductionDialogs.h"
#include "station/gui/ProductionLog.h"
#include "station/gui/ProductionPanel.h"
#include "ports/Connection.h"
#include "ports/ConnectionChoices.h"
#include "station/Station.h"
#include "record/Allocation.h"
#include "sim/SimBoard.h"
#include "sim/SimEeprom.h"
#include "sim/VirtualClock.h"
#include "transfer/EditorTransfer.h"
#include "transfer/PagerTransfer.h"
#include "transfer/Transfers.h"
#include "transfer/gui/TransferDialog.h"

namespace qrt {
namespace {

bool Save(const QString& dir, const QString& name, QWidget& w) {
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "qrt35prog: cannot create %s\n", qPrintable(dir));
    return false;
  }
  QApplication::processEvents();
  const QString path = QDir(dir).filePath(name);
  if (!w.grab().save(path, "PNG")) {
    std::fprintf(stderr, "qrt35prog: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// Shows a dialog without a modal loop, takes its picture and closes it.
bool SaveDialog(const QString& dir, const QString& name, QWidget& dialog) {
  dialog.show();
  const bool ok = Save(dir, name, dialog);
  dialog.close();
  return ok;
}

// A short production run on a simulated pager of its own (virtual time, so
// that it takes no time), recorded in the station's record: a read, three
// pagers written with allocated capcodes, a verify, and a write the pager
// broke off. False (the reason printed) when the record did not get them.
bool SimulatedRun(production::Station& station) {
  if (!station.store()) {
    std::fprintf(stderr, "qrt35prog: no production record for the log's picture\n");
    return false;
  }
  VirtualClock clock;
  RecordingMessages quiet;
  quiet.defaultAnswer = true;
  Connection connection(clock, quiet);
  ConnectionOptions sim("sim");
  sim.virtualTime = true;
  connection.Open(sim);
  AppState state;
  EditorHost host;
  Editor editor(state, quiet, host);
  editor.LoadDefaults(product::kDefaultLogo);
  editor.SelectBand0();
  production::ProductionLine line(station.store(), "sim", quiet);
  line.SetAllocation(production::ParseAllocationFields("0001000-0001999", "0002000-0002999").ranges);
  PagerTransfer transfer(connection.transport(), quiet);
  transfer.SetObserver(&line);
  enum class Run { Read, Write, Verify };
  const auto run = [&](Run what) {
    transfer.SetOptions(TransferOptionsOf(editor, nullptr));
    switch (what) {
      case Run::Read: ReadIntoEditor(transfer, editor); break;
      case Run::Write: WriteEditorImage(transfer, editor); break;
      case Run::Verify: VerifyEditorImage(transfer, editor); break;
    }
  };
  run(Run::Read);
  editor.UserSetCheck({Ctl::chkCtl, 31}, 1);  // capcode 2 on: it takes its capcodes from a range too
  editor.Click({Ctl::WriteOpt, 0});
  for (int pager = 0; pager < 3; ++pager) run(Run::Write);
  run(Run::Verify);
  SimEeprom& chip = connection.sim()->eeprom();
  chip.faults.silentAfterAckedBytes = chip.counters.bytesAcked + 200;
  run(Run::Write);
  const auto recorded = station.store()->Query({});
  if (recorded.ok() && recorded.value.size() == 6) return true;
  std::fprintf(stderr, "qrt35prog: the simulated run left %zu records, not 6: %s\n", recorded.value.size(),
               recorded.error.c_str());
  return false;
}

// File > Open Backup... over three backups of a folder of its own: a pager
// read, the pager a write cut short left half written, and a blank chip.
bool BackupsPicture(const QString& dir, Form1& window, Editor& editor) {
  QTemporaryDir folder(QDir::tempPath() + "/qrt35prog-backups-XXXXXX");
  const std::string backups = folder.filePath("backups").toStdString();
  Image pager = editor.state.PagerImage;
  ToPagerCharset(pager);
  StoreChecksum(pager);
  Image damaged = pager;
  damaged[0x500] ^= 0xFF;
  Image blank;
  blank.fill(0xFF);
  const std::time_t now = std::time(nullptr);
  const std::pair<Image, std::time_t> taken[] = {{blank, now - 86400}, {pager, now - 600}, {damaged, now - 60}};
  for (const auto& [bytes, when] : taken) {
    const BackupSaved saved = SaveBackup(backups, BackupOfPagerBytes(bytes), when);
    if (!saved.ok()) {
      std::fprintf(stderr, "qrt35prog: %s\n", BackupFailedMessage(saved).c_str());
      return false;
    }
  }
  std::vector<BackupEntry> list;
  std::string error;
  if (!ListBackups(backups, list, error)) {
    std::fprintf(stderr, "qrt35prog: cannot list %s: %s\n", backups.c_str(), error.c_str());
    return false;
  }
  BackupListDialog dialog(&window, "Open Backup", "&Open", std::move(list), backups);
  return SaveDialog(dir, "open-backup.png", dialog);
}

// The window with its client area `scale` times the design size.
void ScaleWindow(Form1& window, double scale) {
  const QSize design(form1::kClientWidth / form1::kTwipsPerPixel, form1::kClientHeight / form1::kTwipsPerPixel);
  const QSize frame = window.size() - window.clientArea()->size();
  window.resize(QSize(qRound(design.width() * scale), qRound(design.height() * scale)) + frame);
  QApplication::processEvents();
}

// The Production Panel mid-run on four boards, the station's port first:
// one pager done and waiting to be taken out, one being programmed, a board
// waiting for its pager, and a pager pulled during its write. The events
// are the ones a run sends, scripted, so that the picture is the same every
// time.
bool ProductionPanelPicture(const QString& dir, Form1& window, production::Station& station) {
  ProductionPanel panel(&window, station, [] { return production::RunTable{}; });
  const std::string first = station.connection().options().port;
  const std::vector<std::string> ports = {first, "sim:board2/", "sim:board3/", "sim:board4/"};
  QString boards;
  for (const std::string& port : ports) boards += (boards.isEmpty() ? "" : " ") + QString::fromStdString(port);
  panel.boardsField()->setText(boards);
  panel.ShowBoards(ports);
  const auto event = [&](size_t board, BoardEvent::Kind kind, int pager, std::vector<PagerCapcode> capcodes = {},
                         double progress = 0) {
    BoardEvent e;
    e.kind = kind;
    e.port = ports[board];
    e.pager = pager;
    e.capcodes = std::move(capcodes);
    e.progress = progress;
    return e;
  };
  using K = BoardEvent::Kind;
  std::vector<BoardEvent> script;
  for (int pager = 1; pager <= 6; ++pager)
    for (K kind : {K::Waiting, K::Inserted, K::Ok, K::Remove, K::Removed})
      script.push_back(event(static_cast<size_t>(pager - 1) % 2, kind, pager, {{0, 1000u + pager - 1}}));
  BoardEvent pulled = event(3, K::Failed, 7, {{0, 1006}});
  pulled.outcome = PagerOutcome::Kind::RemovedMidWrite;
  pulled.reason = "Write error!";
  for (const BoardEvent& e :
       {event(3, K::Waiting, 0), event(3, K::Inserted, 7), pulled, event(3, K::Removed, 7),
        event(0, K::Waiting, 0), event(0, K::Inserted, 8), event(0, K::Ok, 8, {{0, 1007}}), event(0, K::Remove, 8),
        event(1, K::Waiting, 0), event(1, K::Inserted, 9), event(1, K::Programming, 9, {}, 0.6),
        event(2, K::Waiting, 0)})
    script.push_back(e);
  for (const BoardEvent& e : script) panel.TakeEvent(e);
  panel.SetElapsedSeconds(75);
  panel.noteLabel()->setText(QString::fromStdString(station.AllocationStatus()));
  // As a running panel shows them: Stop is the one button to press.
  panel.startButton()->setEnabled(false);
  panel.stopButton()->setEnabled(true);
  panel.boardsField()->setEnabled(false);
  panel.countField()->setEnabled(false);
  panel.resize(880, 640);
  return SaveDialog(dir, "production-panel.png", panel);
}

}  // namespace

bool WriteSplashScreenshot(const QString& dir, QWidget& splash) {
  if (splash.devicePixelRatioF() != 1) return true;  // not among the high-resolution pictures
  return Save(dir, "splash.png", splash);
}

bool WriteScreenshots(const QString& dir, Form1& window, Editor& editor, production::Station& station) {
  Connection& connection = station.connection();
  bool ok = true;
  const qreal ratio = window.devicePixelRatioF();
  if (ratio != 1) {
    // A screen of another pixel ratio: the main window and the about box,
    // whose pictures are drawn for it, named after the ratio.
    const QString suffix = QString("-%1x.png").arg(ratio);
    window.ShowPage(1);
    ok &= Save(dir, "page2-alert-status" + suffix, window);
    window.ShowPage(0);
    AboutBox about(&window);
    ok &= SaveDialog(dir, "about" + suffix, about);
    return ok;
  }
  const char* pages[] = {"page1-freq-codes.png", "page2-alert-status.png", "page3-prompts-edit.png",
                         "page4-source-prompts.png"};
  for (int i = 0; i < 4; ++i) {
    window.ShowPage(i);
    ok &= Save(dir, pages[i], window);
  }
  // Shrunk and enlarged: lists, boxes and texts keep their places.
  for (const auto& [scale, suffix] : {std::pair{0.75, "shrunk"}, std::pair{1.5, "enlarged"}}) {
    ScaleWindow(window, scale);
    for (int i : {0, 1}) {
      window.ShowPage(i);
      ok &= Save(dir, QString(pages[i]).replace(".png", QString("-%1.png").arg(suffix)), window);
    }
  }
  ScaleWindow(window, 1);
  window.ShowPage(0);
  {
    AboutBox about(&window);
    ok &= SaveDialog(dir, "about.png", about);
  }
  {
    // Halfway through a read, as the user watches it.
    TransferDialog transfer(&window, editor, connection.transport(), /*runOnShow=*/false);
    Form2State& st = transfer.model().state;
    st.Label1 = "Reading Now.......";
    st.PB1.Max = ImageLastIndex - 32;
    st.PB1.Value = 1024;
    transfer.Refresh();
    ok &= SaveDialog(dir, "transfer.png", transfer);
  }
  {
    // The batch variant between two pagers: both capcodes on automatic
    // increase, Write and Exit waiting for the next press.
    TransferDialog batch(&window, editor, connection.transport(), /*runOnShow=*/false);
    Form2State& st = batch.model().state;
    st.lblAuto1.visible = st.lblAuto2.visible = true;
    st.lblAuto1.text = kLblAuto1Caption + editor.txtAddr[0].text;
    st.lblAuto2.text = kLblAuto2Caption + editor.txtAddr[1].text;
    st.cmdWrite.visible = st.cmdExit.visible = true;
    st.cmdWrite.enabled = st.cmdExit.enabled = true;
    batch.Refresh();
    ok &= SaveDialog(dir, "transfer-batch.png", batch);
  }
  {
    editor.state.SelectedCapcode = 0;
    FunctionBitDialog bits(&window, editor, [&window] { window.Refresh(); });
    ok &= SaveDialog(dir, "function-bits.png", bits);
  }
  {
    AlertLengthDialog alerts(&window, editor, [&window] { window.Refresh(); });
    ok &= SaveDialog(dir, "alert-length.png", alerts);
  }
  {
    // Help > Port Diagnostics... on the machine that takes the pictures: the
    // diagnosis runs once the dialog is up, before the picture is taken.
    const PortDiagnosticsSetup& setup = window.stationMenu().portDiagnostics();
    Clock& clock = connection.clock();
    PortDiagnosticsDialog diagnostics(
        &window, [&setup, &clock] { return setup.diagnose(clock); }, connection.Describe());
    ok &= SaveDialog(dir, "port-diagnostics.png", diagnostics);
  }
  ok &= BackupsPicture(dir, window, editor);
  {
    ConnectionDialog connections(&window, ListConnectionsOnThisMachine(), connection.options().port);
    ok &= SaveDialog(dir, "connection.png", connections);
  }
  {
    // A line's server typed in, not yet tested.
    ProductionDatabaseDialog database(&window, station, editor.msg);
    database.urlField()->setText("postgresql://qrt35@records.line.example/production?sslmode=verify-full");
    database.urlField()->setCursorPosition(0);
    ok &= SaveDialog(dir, "production-database.png", database);
  }
  ok &= SimulatedRun(station);
  {
    station.SetAllocation("0001000-0001999", "0002000-0002999");
    window.stationMenu().UpdateStatusBar();
    AllocationDialog allocation(&window, station, editor.msg);
    ok &= SaveDialog(dir, "allocate-capcodes.png", allocation);
  }
  {
    ProductionLogWindow log(&window, station, editor.msg);
    log.Refresh();
    ok &= SaveDialog(dir, "production-log.png", log);
  }
  ok &= ProductionPanelPicture(dir, window, station);
  return ok;
}

}  // namespace qrt
