#pragma once
// Pictures of the program's windows for the documentation: the splash
// window, the main window with each of its four pages in front, the about
// box, the transfer dialog and the two detail dialogs. Works on the offscreen
// platform; nothing is shown modally and no transfer runs.
#include <QString>

class QWidget;

namespace qrt {

class Editor;
class Form1;
class PagerLink;

// Each returns false when a picture could not be written (the reason is printed).
bool WriteSplashScreenshot(const QString& dir, QWidget& splash);
bool WriteScreenshots(const QString& dir, Form1& window, Editor& editor, PagerLink& link);

}  // namespace qrt
