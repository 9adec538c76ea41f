// How fast the desktop window comes up, and what showing an image costs.
//
//   process start -> main window's first paint, without the splash window's
//   two fixed 500 ms timers (the window is loaded and shown directly), with
//   the load sequence's own fixed waits (bit-delay calibration, the 100 ms
//   bus park) named separately;
//   one init_ctl on the factory image and on random images;
//   one redraw of every widget from the editor.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise, on the
// simulated board with its EEPROM in memory.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/Editor.h"
#include "editor/gui/MainWindow.h"
#include "link/PagerLink.h"
#include "link/RealClock.h"
#include "ports/Connection.h"
#include "station/Station.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Milliseconds since the kernel started this process (10 ms resolution of the
// process start time in /proc), or -1 when that cannot be read.
double MsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  const size_t paren = line.rfind(')');
  if (paren == std::string::npos) return -1;
  std::istringstream fields(line.substr(paren + 2));
  std::string field;
  // Fields after the command name start at field 3; the start time is field 22.
  for (int i = 3; i <= 22; ++i)
    if (!(fields >> field)) return -1;
  const double startTicks = std::strtod(field.c_str(), nullptr);
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
  return nowMs - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && !seen) {
      seen = true;
      at = Clock::now();
      sinceProcessStart = MsSinceProcessStart();
      QTimer::singleShot(0, [this] { loop.quit(); });
    }
    return false;
  }
  bool seen = false;
  Clock::time_point at;
  double sinceProcessStart = -1;
  QEventLoop loop;
};

struct Stats {
  double mean = 0, median = 0, max = 0;
};

Stats Summarise(std::vector<double> us) {
  Stats s;
  if (us.empty()) return s;
  std::sort(us.begin(), us.end());
  for (double v : us) s.mean += v;
  s.mean /= double(us.size());
  s.median = us[us.size() / 2];
  s.max = us.back();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point mainEntered = Clock::now();
  const double atMain = MsSinceProcessStart();
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  qrt::RealClock clock;
  clock.eventHook = [] { QCoreApplication::processEvents(); };
  qrt::RecordingMessages messages;
  qrt::production::MemorySettings settings;
  qrt::production::Station station(clock, messages, settings);
  qrt::Connection& connection = station.connection();
  connection.Open({"sim"});
  qrt::AppState state;
  qrt::EditorHost host;
  qrt::Editor editor(state, messages, host);
  qrt::Form1 window(editor, station);

  FirstPaint paint;
  window.clientArea()->installEventFilter(&paint);
  const Clock::time_point loadStart = Clock::now();
  window.Load();
  const Clock::time_point loadEnd = Clock::now();
  window.show();
  QTimer::singleShot(5000, &paint.loop, [&] { paint.loop.quit(); });
  if (!paint.seen) paint.loop.exec();
  if (!paint.seen) {
    std::fprintf(stderr, "the window was never painted\n");
    return 1;
  }

  // The fixed waits inside the load sequence, timed on their own.
  Clock::time_point t = Clock::now();
  connection.transport().CalibrateDelay();
  const double calibrateMs = Ms(Clock::now() - t);
  t = Clock::now();
  connection.transport().ParkBus();
  const double parkMs = Ms(Clock::now() - t);
  // Detection on a board that has not been touched yet, as at start-up.
  qrt::Connection fresh(clock, messages);
  fresh.Open({"sim"});
  t = Clock::now();
  fresh.transport().DetectBoard();
  const double detectMs = Ms(Clock::now() - t);

  std::printf("GUI start-up (offscreen, simulated board, splash timers left out)\n");
  if (paint.sinceProcessStart >= 0)
    std::printf("  process start -> first paint     %8.1f ms  (%.1f ms of it before main)\n",
                paint.sinceProcessStart, atMain);
  std::printf("  main() -> first paint            %8.1f ms\n", Ms(paint.at - mainEntered));
  std::printf("  load sequence (Form1::Load)      %8.1f ms\n", Ms(loadEnd - loadStart));
  std::printf("    of which bit-delay calibration %.1f ms, board detection %.1f ms, bus park %.1f ms\n",
              calibrateMs, detectMs, parkMs);
  std::printf("  show -> first paint              %8.1f ms\n", Ms(paint.at - loadEnd));

  // init_ctl on the factory image: the window's state after start-up.
  const qrt::Image factory = state.PagerImage;
  std::vector<double> us;
  for (int i = 0; i < 300; ++i) {
    state.PagerImage = factory;
    const Clock::time_point s = Clock::now();
    editor.init_ctl();
    us.push_back(Ms(Clock::now() - s) * 1000);
  }
  Stats st = Summarise(us);
  std::printf("init_ctl, factory image (300 runs)   mean %7.1f us  median %7.1f us  max %7.1f us\n", st.mean,
              st.median, st.max);

  // Random images: any byte anywhere, as a broken pager or file would hold.
  std::mt19937 rng(20240501);
  std::uniform_int_distribution<int> byte(0, 255);
  us.clear();
  int decodeErrors = 0;
  for (int i = 0; i < 300; ++i) {
    for (auto& b : state.PagerImage) b = uint8_t(byte(rng));
    state.DecodeError = 0;
    const Clock::time_point s = Clock::now();
    try {
      editor.init_ctl();
    } catch (const std::exception&) {
      ++decodeErrors;
    }
    us.push_back(Ms(Clock::now() - s) * 1000);
    if (state.DecodeError != 0) ++decodeErrors;
  }
  st = Summarise(us);
  std::printf("init_ctl, random images (300 runs)   mean %7.1f us  median %7.1f us  max %7.1f us"
              "  (%d with a decode error)\n",
              st.mean, st.median, st.max, decodeErrors);

  // Redrawing the whole window from the editor, as after every user action.
  state.PagerImage = factory;
  editor.init_ctl();
  us.clear();
  for (int i = 0; i < 100; ++i) {
    const Clock::time_point s = Clock::now();
    window.Refresh();
    us.push_back(Ms(Clock::now() - s) * 1000);
  }
  st = Summarise(us);
  std::printf("Form1::Refresh, every widget (100 runs) mean %7.1f us  median %7.1f us  max %7.1f us\n", st.mean,
              st.median, st.max);
  window.close();
  return 0;
}
