// qrt35 and the backups: every read and every write keeps the pager in the
// private backups folder under XDG_DATA_HOME, `backups` lists them, a backup
// that cannot be saved stops the write, and `diff` shows the bytes the
// settings hide.
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

#include "codecs/Capcode.h"
#include "image/Defaults.h"
#include "tests/test_cli_rig.h"

namespace qrt::clitest {
namespace {

// The path named by the "Backup: PATH" line of a run; empty when there is none.
std::string BackupOf(const RunResult& r) {
  for (const std::string& line : Lines(r.err))
    if (line.rfind("Backup: ", 0) == 0) return line.substr(8);
  return {};
}

mode_t ModeOf(const fs::path& path) {
  struct stat sb {};
  ::stat(path.c_str(), &sb);
  return sb.st_mode & 07777;
}

Image PagerWithCapcode(int32_t capcode) {
  Image image = BuildDefaultImage();
  StoreCapcode(image, 0, capcode);
  StoreChecksum(image);
  return image;
}

class CliBackups : public CliTest {
 protected:
  void MakeTable(const std::string& name, const std::string& capcode) {
    ASSERT_EQ(Run({"new", Path(name)}).code, 0);
    ASSERT_EQ(Run({"set", Path(name), "--capcode", "1=" + capcode}).code, 0);
  }
};

TEST_F(CliBackups, EveryReadAndWriteKeepsThePagerAndBackupsListsThem) {
  const RunResult none = Run({"backups"});
  EXPECT_EQ(none.code, 0);
  EXPECT_TRUE(none.out.empty()) << none.out;

  const Image first = PagerWithCapcode(1111111);
  SetSimPager(first);
  const RunResult read = RunSim({"read", Path("read.tbl")});
  ASSERT_EQ(read.code, 0) << read.err;
  const std::string readBackup = BackupOf(read);
  EXPECT_EQ(fs::path(readBackup).parent_path(), BackupsDir()) << read.err;
  EXPECT_EQ(Slurp(readBackup), Slurp(Path("read.tbl")));
  EXPECT_EQ(ModeOf(BackupsDir()), 0700u);
  EXPECT_EQ(ModeOf(readBackup), 0600u);

  // Each write keeps the pager as it was before it.
  MakeTable("a.tbl", "1222222");
  MakeTable("b.tbl", "1333333");
  const RunResult writeA = RunSim({"write", Path("a.tbl")});
  ASSERT_EQ(writeA.code, 0) << writeA.err;
  EXPECT_EQ(ImageOf(Slurp(BackupOf(writeA))), first);
  const Image second = SimPager();
  const RunResult writeB = RunSim({"write", Path("b.tbl")});
  ASSERT_EQ(writeB.code, 0) << writeB.err;
  EXPECT_EQ(ImageOf(Slurp(BackupOf(writeB))), second);

  // --no-backup writes as before, keeping nothing.
  const RunResult plain = RunSim({"write", Path("a.tbl"), "--no-backup"});
  ASSERT_EQ(plain.code, 0) << plain.err;
  EXPECT_EQ(BackupOf(plain), "");
  EXPECT_EQ(DecodeCapcode(SimPager(), 0), 1222222u);

  const RunResult list = Run({"backups"});
  ASSERT_EQ(list.code, 0) << list.err;
  const std::vector<std::string> lines = Lines(list.out);
  ASSERT_EQ(lines.size(), 3u) << list.out;
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"1222222", BackupOf(writeB)}, {"1111111", BackupOf(writeA)}, {"1111111", readBackup}};
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].substr(19), "  " + expected[i].first + "  QRT35  ok  " + expected[i].second) << lines[i];
    EXPECT_EQ(lines[i][10], ' ');
  }

  const Json doc = ParseJson(Run({"backups", "--json"}).out);
  EXPECT_EQ(doc.at("folder"), BackupsDir().string());
  ASSERT_EQ(doc.at("backups").size(), 3u);
  const Json& newest = doc.at("backups").at(0);
  EXPECT_EQ(newest.at("path"), BackupOf(writeB));
  EXPECT_EQ(newest.at("capcode1"), "1222222");
  EXPECT_EQ(newest.at("model"), "QRT35");
  EXPECT_EQ(newest.at("form"), "table");
  EXPECT_EQ(newest.at("checksum_ok"), true);
  EXPECT_EQ(newest.at("date"), lines[0].substr(0, 19));
}

// restore puts a backup back byte for byte, whatever its model; a damaged
// one only on a Yes. The data folder stays private under umask 000, and an
// older, wider one is closed.
TEST_F(CliBackups, RestorePutsABackupBackByteForByteAndTheDataFolderStaysPrivate) {
  fs::create_directories(dir / "data" / "qrt35");
  fs::permissions(dir / "data" / "qrt35", fs::perms::all);
  Image blank;
  blank.fill(0xFF);
  SetSimPager(blank);
  MakeTable("a.tbl", "1222222");
  const mode_t mask = ::umask(0);
  const RunResult write = RunSim({"-y", "write", Path("a.tbl")});
  ::umask(mask);
  ASSERT_EQ(write.code, 0) << write.err;
  EXPECT_EQ(ModeOf(dir / "data" / "qrt35"), 0700u);
  EXPECT_EQ(ModeOf(BackupsDir()), 0700u);
  ASSERT_EQ(fs::path(BackupOf(write)).extension(), ".bin") << write.err;
  const RunResult restored = RunSim({"restore", BackupOf(write)});
  EXPECT_EQ(restored.code, 0) << restored.err;
  EXPECT_EQ(SimPager(), blank);
  Image damaged = PagerWithCapcode(1333333);
  damaged[0x300] ^= 0x01;  // the checksum no longer matches
  Spill(Path("damaged.bin"), ImageBytes(damaged));
  const RunResult asked = RunSim({"restore", Path("damaged.bin")});
  EXPECT_EQ(asked.code, 1);
  EXPECT_NE(asked.err.find("holds a pager whose checksum is wrong"), std::string::npos) << asked.err;
  EXPECT_EQ(SimPager(), blank);
  EXPECT_EQ(RunSim({"-y", "restore", Path("damaged.bin")}).code, 0);
  EXPECT_EQ(SimPager(), damaged);
}

TEST_F(CliBackups, AWriteWhoseBackupCannotBeSavedWritesNothing) {
  MakeTable("a.tbl", "1222222");
  const Image pager = PagerWithCapcode(1111111);
  SetSimPager(pager);
  fs::create_directories(BackupsDir().parent_path());
  Spill(BackupsDir(), "in the way");

  const RunResult r = RunSim({"write", Path("a.tbl")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Could not save the backup [" + BackupsDir().string() +
                       "]: Not a directory\n\nThe pager was not written."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "pager 1: failed: Cap #1 1222222\n");
  EXPECT_EQ(SimPager(), pager);
}

TEST_F(CliBackups, DiffShowsTheBytesNoSettingShows) {
  ASSERT_EQ(Run({"new", Path("a.tbl")}).code, 0);
  Image b = ImageOf(Slurp(Path("a.tbl")));
  const Image a = b;
  StoreCapcode(b, 0, 4242);
  b[0x3E0] = 7;
  b[0x100] ^= 0x40;  // the logo record's attribute bits: no setting shows them
  Spill(Path("b.tbl"), ImageBytes(b));

  char hidden[64];
  std::snprintf(hidden, sizeof hidden, "byte 0x100: %02X -> %02X\nbyte 0x3E0: %02X -> 07\n", a[0x100], b[0x100],
                a[0x3E0]);
  const RunResult r = Run({"diff", Path("a.tbl"), Path("b.tbl")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "capcode1: " + CapcodeText(DecodeCapcode(a, 0)) + " -> 0004242\n" + hidden);

  const RunResult all = Run({"diff", "--bytes", Path("a.tbl"), Path("b.tbl")});
  ASSERT_EQ(all.code, 0) << all.err;
  const std::vector<std::string> lines = Lines(all.out);
  EXPECT_EQ(lines.front(), "capcode1: " + CapcodeText(DecodeCapcode(a, 0)) + " -> 0004242");
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("byte 0x04", 0) == 0 && line.find(" (capcode1)") != std::string::npos;
  })) << all.out;
  EXPECT_NE(all.out.find(hidden), std::string::npos) << all.out;
}

}  // namespace
}  // namespace qrt::clitest
