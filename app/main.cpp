// qrt35prog: the programmer's desktop window.
//
//   qrt35prog [--port ppdev|ppdev:/dev/parportN|raw|sim] [--sim-image FILE]
//             [--screenshot DIR]
//
// Start-up: the splash window (topmost, hourglass pointer); 500 ms later the
// main window loads (board, factory image, default.tbl or band 0, keep-alive
// timer) and shows; the splash window closes 500 ms after the board was
// looked for. With --screenshot the program writes pictures of its windows
// into DIR and ends.
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ProductInfo.h"
#include "app/Screenshots.h"
#include "backup/Backups.h"
#include "base/DataHome.h"
#include "controls/gui/SplashWindow.h"
#include "editor/Editor.h"
#include "editor/gui/MainWindow.h"
#include "editor/gui/QtEditorHost.h"
#include "editor/gui/QtMessages.h"
#include "link/PagerLink.h"
#include "link/RealClock.h"
#include "sim/PortFactory.h"

namespace {

struct Options {
  std::string port = "ppdev";
  std::string simImage;
  std::string screenshotDir;
  bool help = false;
  std::string error;
};

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: qrt35prog [--port ppdev|ppdev:/dev/parportN|raw|sim] [--sim-image FILE]\n"
               "                 [--screenshot DIR]\n"
               "  --port        how to reach the programming board (default ppdev)\n"
               "  --sim-image   the simulated pager's EEPROM file for --port sim\n"
               "                (default ~/.local/share/qrt35/sim-pager.bin)\n"
               "  --screenshot  write PNG pictures of the windows into DIR and exit\n");
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& into) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        into = arg.substr(eq + 1);
      } else if (i + 1 < argc) {
        into = argv[++i];
      } else {
        o.error = arg + " needs a value";
      }
    };
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--port" || arg.rfind("--port=", 0) == 0) {
      value(o.port);
    } else if (arg == "--sim-image" || arg.rfind("--sim-image=", 0) == 0) {
      value(o.simImage);
    } else if (arg == "--screenshot" || arg.rfind("--screenshot=", 0) == 0) {
      value(o.screenshotDir);
    } else if (arg.rfind("--", 0) == 0) {
      o.error = "unknown option " + arg;
    }
    // Single-dash options (-platform, -style, ...) are Qt's own.
  }
  return o;
}

// Where no port could be opened: every address reads 0xFF, as an absent port
// does, so the board is reported missing and editing and table files work.
class AbsentPort : public qrt::PortIo {
 public:
  uint8_t Inp32(uint16_t) override { return 0xFF; }
  void Out32(uint16_t, uint8_t) override {}
};

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
  const Options options = Parse(argc, argv);
  if (options.help) {
    Usage(stdout);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "qrt35prog: %s\n", options.error.c_str());
    Usage(stderr);
    return 2;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(qrt::product::kName));
  QApplication::setApplicationVersion(QString::fromUtf8(qrt::product::kVersion));
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

  std::string simImage = options.simImage;
  if (options.port == "sim" && simImage.empty()) simImage = qrt::DefaultSimImagePath();
  qrt::PortChoice choice = qrt::OpenPort(options.port, simImage, clock, messages.get());
  if (!choice.note.empty()) std::fprintf(stderr, "qrt35prog: %s\n", choice.note.c_str());
  if (!choice.port) {
    std::fprintf(stderr, "qrt35prog: %s\nqrt35prog: going on without a port\n", choice.error.c_str());
    choice.port = std::make_unique<AbsentPort>();
  }

  qrt::PagerLink link(*choice.port, clock, *messages);
  qrt::AppState state;
  // Backups of every pager, in the data folder the command line uses too;
  // whether a write reads and keeps the pager first is remembered between runs.
  QSettings settings(QStringLiteral("qrt35"), QStringLiteral("qrt35prog"));
  const QString backupFirstKey = QStringLiteral("backupBeforeWriting");
  state.KeepBackups = true;
  state.BackupsDir = qrt::DefaultBackupsFolder();
  state.BackupBeforeWrite = settings.value(backupFirstKey, true).toBool();
  qrt::QtEditorHost host(link);
  qrt::Editor editor(state, *messages, host);
  qrt::Form1 window(editor, link);
  host.Attach(&window, &editor);
  QObject::connect(&window, &qrt::Form1::backupBeforeWriteChanged,
                   [&settings, &backupFirstKey](bool on) { settings.setValue(backupFirstKey, on); });

  auto* splash = new qrt::SplashWindow;
  splash->setAttribute(Qt::WA_DeleteOnClose);
  // Until the main window is up, messages (a missing board) stand above the splash.
  if (qtMessages) qtMessages->setFallbackParent(splash);
  int exitCode = 0;
  QObject::connect(splash, &qrt::SplashWindow::showMainWindow, &window, [&] {
    window.Load([splash] { splash->startSecondTimer(); });
    window.show();
    if (qtMessages) qtMessages->setFallbackParent(&window);
    if (screenshots) {
      exitCode = qrt::WriteScreenshots(QString::fromStdString(options.screenshotDir), window, editor, link) ? 0 : 1;
      QTimer::singleShot(0, &app, [&] {
        window.close();
        QCoreApplication::exit(exitCode);
      });
    }
  });
  splash->show();
  if (screenshots) qrt::WriteSplashScreenshot(QString::fromStdString(options.screenshotDir), *splash);
  const int rc = app.exec();
  return screenshots ? exitCode : rc;
}
