// qrt35prog: the programmer's desktop window.
//
//   qrt35prog [--port PORT] [--sim-image FILE] [--screenshot DIR] [--version]
//
// Start-up: the station (the connection --port names, else the one chosen
// last time with Pager > Connection..., at the remembered bus speed), the
// splash window (topmost, hourglass pointer); 500 ms later the main window
// loads (board, factory image, default.tbl or band 0, keep-alive timer),
// shows and starts opening the production record (a slow database holds
// nothing up: what needs the record waits for it); the splash window closes
// 500 ms after the board was looked for. With --screenshot the program
// writes pictures of its windows into DIR and ends.
//
// SIGTERM, SIGHUP, SIGINT and a logout close the window as its close box
// does: a transfer under way is finished and recorded first.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSessionManager>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "ProductInfo.h"
#include "app/Screenshots.h"
#include "backup/Backups.h"
#include "base/DataHome.h"
#include "controls/ShellTexts.h"
#include "controls/gui/Pictures.h"
#include "controls/gui/SplashWindow.h"
#include "editor/Editor.h"
#include "editor/gui/MainWindow.h"
#include "editor/gui/QtEditorHost.h"
#include "editor/gui/QtMessages.h"
#include "editor/gui/QtSettings.h"
#include "editor/gui/StopSignals.h"
#include "link/RealClock.h"
#include "ports/Connection.h"
#include "record/Location.h"
#include "station/Station.h"

namespace {

struct Options {
  std::optional<std::string> port;  // none: the remembered connection
  std::string simImage;
  std::string screenshotDir;
  bool help = false;
  bool version = false;
  std::string error;
};

void DescribeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("The QRT35 pager programmer's window."));
  parser.addOption({QStringLiteral("port"),
                    QStringLiteral("How to reach the pager: ppdev, ppdev:/dev/parportN, raw, sim, "
                                   "sim:FILE, sim:DIR/, i2c:/dev/i2c-N, ch341, ch341:BUS-PORT, ch341:BUS:DEVICE. "
                                   "Default: the "
                                   "connection chosen last with Pager > Connection..., else ppdev."),
                    QStringLiteral("PORT")});
  parser.addOption({QStringLiteral("sim-image"),
                    QStringLiteral("The simulated pager's EEPROM file for --port sim "
                                   "(default ~/.local/share/qrt35/sim-pager.bin)."),
                    QStringLiteral("FILE")});
  parser.addOption({QStringLiteral("screenshot"),
                    QStringLiteral("Write PNG pictures of the windows into DIR and exit."),
                    QStringLiteral("DIR")});
  parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")});
  parser.addOption({QStringLiteral("version"),
                    QStringLiteral("Show the program's name, version and build date, and exit.")});
}

// The options are read before any window system is needed, so that --help
// and a mistyped option answer on a machine without a display. Qt's own
// options (-platform, -style, ...) take a single dash and are left to
// QApplication; an unknown option with two dashes is a mistake.
Options Parse(int argc, char** argv, QString& helpText) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  DescribeOptions(parser);
  parser.parse(args);
  // Without a running application Qt cannot know the program's name.
  helpText = parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("qrt35prog"));
  Options o;
  for (const QString& name : parser.unknownOptionNames()) {
    if (args.contains("--" + name) || std::any_of(args.begin(), args.end(), [&](const QString& a) {
          return a.startsWith("--" + name + "=");
        })) {
      o.error = "unknown option --" + name.toStdString();
      return o;
    }
  }
  if (!parser.errorText().isEmpty() && parser.unknownOptionNames().isEmpty()) {
    o.error = parser.errorText().toStdString();  // an option without its value
    return o;
  }
  o.help = parser.isSet(QStringLiteral("help"));
  o.version = parser.isSet(QStringLiteral("version"));
  if (parser.isSet(QStringLiteral("port"))) o.port = parser.value(QStringLiteral("port")).toStdString();
  o.simImage = parser.value(QStringLiteral("sim-image")).toStdString();
  o.screenshotDir = parser.value(QStringLiteral("screenshot")).toStdString();
  return o;
}

// Screenshots run unattended: messages go to the terminal, questions get No.
class TerminalMessages : public qrt::Messages {
 public:
  void Show(std::string_view text, qrt::MsgIcon) override {
    std::fprintf(stderr, "qrt35prog: %.*s\n", int(text.size()), text.data());
  }
  bool AskYesNo(std::string_view text, qrt::MsgIcon icon) override {
    Show(text, icon);
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  // The options are read before any window system is needed, so that --help
  // and a mistyped option answer on a machine without a display.
  QString helpText;
  const Options options = Parse(argc, argv, helpText);
  if (options.help) {
    std::fputs(qPrintable(helpText), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(qrt::shell::VersionText("qrt35prog").c_str(), stdout);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "qrt35prog: %s\n%s", options.error.c_str(), qPrintable(helpText));
    return 2;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(qrt::product::kName));
  QApplication::setApplicationVersion(QString::fromUtf8(qrt::product::kVersion));
  // Every window carries the program's own icon; the desktop entry names the
  // same program, so that a Wayland desktop shows its icon too.
  QApplication::setWindowIcon(qrt::AppWindowIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("qrt35prog"));
  const bool screenshots = !options.screenshotDir.empty();

  qrt::RealClock clock;
  clock.eventHook = [] { QCoreApplication::processEvents(); };

  std::unique_ptr<qrt::Messages> messages;
  qrt::QtMessages* qtMessages = nullptr;
  if (screenshots) {
    messages = std::make_unique<TerminalMessages>();
  } else {
    auto m = std::make_unique<qrt::QtMessages>();
    qtMessages = m.get();
    messages = std::move(m);
  }

  // Everything the window keeps for the process: the connection, the
  // production record and line, the remembered choices. Screenshots are a
  // run of their own: nothing of the user's choices, a record of their own.
  std::unique_ptr<qrt::production::SettingsStore> settings;
  std::unique_ptr<QTemporaryDir> screenshotRecord;
  if (screenshots) {
    screenshotRecord = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/qrt35prog-screenshots-XXXXXX");
    auto memory = std::make_unique<qrt::production::MemorySettings>();
    memory->Set(qrt::production::keys::kDatabaseUrl,
                screenshotRecord->filePath(QStringLiteral("production.sqlite")).toStdString());
    settings = std::move(memory);
  } else {
    settings = std::make_unique<qrt::QtSettingsStore>();
  }
  qrt::production::Station station(clock, *messages, *settings);
  qrt::production::StationStart start;
  start.port = options.port;
  start.simImage = options.simImage;
  if (const char* db = std::getenv(qrt::production::kDatabaseEnv)) start.databaseEnvironment = db;
  if (const char* name = std::getenv(qrt::production::kStationEnv)) start.stationEnvironment = name;
  const qrt::Connection::Opened opened = station.OpenConnection(start);
  if (!opened.note.empty()) std::fprintf(stderr, "qrt35prog: %s\n", opened.note.c_str());
  if (!opened.ok) std::fprintf(stderr, "qrt35prog: %s\nqrt35prog: going on without a port\n", opened.error.c_str());

  qrt::AppState state;
  // Backups of every pager, in the data folder the command line uses too;
  // whether a write reads and keeps the pager first is remembered between runs.
  state.KeepBackups = true;
  state.BackupsDir = qrt::DefaultBackupsFolder();
  state.BackupBeforeWrite = station.backupBeforeWrite();
  // The user's own default.tbl, in their settings folder; the pictures show
  // the window as it starts without one.
  if (!screenshots) state.UserConfigDir = qrt::ConfigHome().string();
  qrt::QtEditorHost host(station);
  qrt::Editor editor(state, *messages, host);
  qrt::Form1 window(editor, station);
  host.Attach(&window, &editor);
  // "The Board is not responding!" offers Help > Port Diagnostics...: opened
  // once the transfer or the start-up that found no board has ended.
  if (qtMessages)
    qtMessages->setOfferHandler([&window](qrt::MsgOffer offer) {
      if (offer == qrt::MsgOffer::PortDiagnostics)
        QTimer::singleShot(0, &window, [&window] { window.stationMenu().PortDiagnostics(); });
    });

  auto* splash = new qrt::SplashWindow;
  splash->setAttribute(Qt::WA_DeleteOnClose);
  // Until the main window is up, messages (a missing board) stand above the splash.
  if (qtMessages) qtMessages->setFallbackParent(splash);
  int exitCode = 0;
  QObject::connect(splash, &qrt::SplashWindow::showMainWindow, &window, [&] {
    window.Load([splash] { splash->startSecondTimer(); });
    window.show();
    if (qtMessages) qtMessages->setFallbackParent(&window);
    if (!screenshots) {
      window.stationMenu().StartOpeningRecord();
      return;
    }
    window.stationMenu().OpenRecord();
    exitCode = qrt::WriteScreenshots(QString::fromStdString(options.screenshotDir), window, editor, station) ? 0 : 1;
    QTimer::singleShot(0, &app, [&] {
      window.close();
      QCoreApplication::exit(exitCode);
    });
  });
  // Each request to end the program is one more request to the transfer
  // under way (see Form1::closeEvent); without one the window just closes.
  // Ended by a signal, the program says so as a shell does: 128 + its number.
  int signalled = 0;
  qrt::StopSignals stopSignals;
  QObject::connect(&stopSignals, &qrt::StopSignals::requested, &window, [&window, &signalled](int signal) {
    signalled = signal;
    if (window.isVisible())
      window.close();
    else
      QCoreApplication::exit(0);  // still starting: nothing to finish
  });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager&) {
    if (window.transferRunning()) window.close();
  });
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.close(); });

  splash->show();
  if (screenshots) qrt::WriteSplashScreenshot(QString::fromStdString(options.screenshotDir), *splash);
  const int rc = app.exec();
  if (screenshots) return exitCode;
  return signalled ? 128 + signalled : rc;
}
