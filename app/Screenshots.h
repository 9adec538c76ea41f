#pragma once
// Pictures of the program's windows for the documentation: the splash
// window, the main window with each of its four pages in front (the first
// two also shrunk to 0.75 and enlarged to 1.5 of the design size), the about
// box, the transfer dialog, the two detail dialogs, the port diagnostics and
// the connections of the machine that takes them, the production database
// and capcode allocation dialogs, the production log after a short
// simulated run (on the station's own record), and the Production Panel
// mid-run on four boards (scripted events, the same every time). On a screen whose
// device pixel ratio is not 1 (QT_SCALE_FACTOR=2) only the Alert & Status
// page and the about box are written, as page2-alert-status-2x.png and
// about-2x.png. Works on the offscreen platform; nothing is shown modally and
// no transfer runs.
#include <QString>

class QWidget;

namespace qrt {

class Editor;
class Form1;
namespace production {
class Station;
}

// Each returns false when a picture could not be written (the reason is printed).
bool WriteSplashScreenshot(const QString& dir, QWidget& splash);
bool WriteScreenshots(const QString& dir, Form1& window, Editor& editor, production::Station& station);

}  // namespace qrt
