// `qrt35prog --screenshot DIR` run as a user runs it: every picture is
// written, loads as a PNG and shows what its name promises.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

namespace {

// Distinct colours in a picture: a window drawn blank has one or two.
int Colours(const QImage& image) {
  std::set<QRgb> seen;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) seen.insert(image.pixel(x, y));
  return static_cast<int>(seen.size());
}

TEST(ScreenshotOption, WritesEveryWindowAndExits) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(env);
  program.start(QRT35PROG_BIN, {"--port", "sim", "--sim-image", dir.filePath("sim.bin"), "--screenshot",
                                dir.filePath("shots")});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

  const QDir shots(dir.filePath("shots"));
  const char* pages[] = {"page1-freq-codes.png", "page2-alert-status.png", "page3-prompts-edit.png",
                         "page4-source-prompts.png"};
  const QImage first(shots.filePath(pages[0]));
  ASSERT_FALSE(first.isNull());
  for (const char* page : pages) {
    const QImage image(shots.filePath(page));
    ASSERT_FALSE(image.isNull()) << page;
    EXPECT_EQ(image.size(), first.size()) << page;  // one window, four pages
    EXPECT_GT(Colours(image), 20) << page;
    if (page != pages[0]) {
      EXPECT_NE(image, first) << page;  // each page shows itself, not page 1
    }
  }
  // The first two pages again, shrunk and enlarged: the client area at 0.75
  // and 1.5 of the design width, the menu bar above it unscaled.
  for (const char* page : {"page1-freq-codes", "page2-alert-status"}) {
    for (const auto& [suffix, scale] : {std::pair{"shrunk", 0.75}, std::pair{"enlarged", 1.5}}) {
      const QImage image(shots.filePath(QString("%1-%2.png").arg(page, suffix)));
      ASSERT_FALSE(image.isNull()) << page << " " << suffix;
      EXPECT_EQ(image.width(), qRound(first.width() * scale)) << page << " " << suffix;
      EXPECT_GT(Colours(image), 20) << page << " " << suffix;
    }
  }
  for (const char* other : {"splash.png", "about.png", "transfer.png", "transfer-batch.png", "function-bits.png",
                            "alert-length.png", "port-diagnostics.png", "connection.png", "production-database.png",
                            "allocate-capcodes.png", "open-backup.png"}) {
    const QImage image(shots.filePath(other));
    ASSERT_FALSE(image.isNull()) << other;
    EXPECT_LT(image.width(), first.width()) << other;  // dialogs are smaller than the window
    EXPECT_GT(Colours(image), 8) << other;
  }
  // The production log of the run's own record: a window of rows, wider than the main window.
  const QImage log(shots.filePath("production-log.png"));
  ASSERT_FALSE(log.isNull());
  EXPECT_GT(log.width(), first.width());
  EXPECT_GT(Colours(log), 8);
  // The Production Panel mid-run: an OK tile and a FAILED one in their colours.
  const QImage panel = QImage(shots.filePath("production-panel.png")).convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(panel.isNull());
  std::set<QRgb> tiles;
  for (int y = 0; y < panel.height(); y += 4)
    for (int x = 0; x < panel.width(); x += 4) tiles.insert(panel.pixel(x, y) & 0xFFFFFF);
  EXPECT_TRUE(tiles.count(0xA8E6A8) && tiles.count(0xF4A6A6)) << "the OK and FAILED tiles";
  EXPECT_EQ(shots.entryList({"*.png"}, QDir::Files).size(), 21);

  // On a screen of pixel ratio 2: the same windows at twice the pixels.
  env.insert("QT_SCALE_FACTOR", "2");
  program.setProcessEnvironment(env);
  program.start(QRT35PROG_BIN, {"--port", "sim", "--sim-image", dir.filePath("sim.bin"), "--screenshot",
                                dir.filePath("shots2x")});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  const QDir sharp(dir.filePath("shots2x"));
  EXPECT_EQ(sharp.entryList({"*.png"}, QDir::Files), (QStringList{"about-2x.png", "page2-alert-status-2x.png"}));
  for (const char* name : {"about", "page2-alert-status"}) {
    const QImage single(shots.filePath(QString(name) + ".png"));
    const QImage twice(sharp.filePath(QString(name) + "-2x.png"));
    EXPECT_EQ(twice.size(), single.size() * 2) << name;
  }
}

}  // namespace
