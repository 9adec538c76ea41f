// Writes the program's icon as PNG files, one per size the desktop's icon
// theme looks for: <dir>/<N>x<N>/apps/qrt35prog.png. Run at build time, so
// the icon the desktop shows is drawn by the same code as the window's own.
#include <QGuiApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

#include "controls/gui/Pictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons DIR\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString dir = QString::fromLocal8Bit(argv[1]);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString folder = dir + QStringLiteral("/%1x%1/apps").arg(size);
    if (!QDir().mkpath(folder) || !qrt::AppIcon(size).save(folder + "/qrt35prog.png")) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
