// GoogleTest entry point for widget tests: one QApplication for the whole run,
// on the offscreen platform unless the caller chose another. The run gets
// configuration and data folders of its own, so that no test reads or
// changes the user's settings, production record or backups.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  setenv("XDG_CONFIG_HOME", qPrintable(home.filePath("config")), 1);
  setenv("XDG_DATA_HOME", qPrintable(home.filePath("data")), 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
