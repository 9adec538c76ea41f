// Backups of the pagers, through the transfer dialog's model on the simulated
// pager: what a read and a write keep, in which form, under which name and
// permissions; that a backup goes back into a pager as it was, even after a
// write cut off at any page; that a backup that cannot be saved stops the
// write; and that a write after its backup sends only the pages that differ.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "backup/Backups.h"
#include "codecs/Capcode.h"
#include "codecs/Charset.h"
#include "tables/TableFiles.h"
#include "transfer/Restore.h"
#include "tests/support/TableFileFakes.h"
#include "tests/transfer_rig.h"

namespace qrt::test {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  explicit TempDir(const char* parent = nullptr) {
    std::string pattern = std::string(parent ? parent : "/tmp") + "/qrt35-backups-XXXXXX";
    path = ::mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string path;
};

struct BackupRig : TransferRig {
  explicit BackupRig(const char* parent = nullptr) : tmp(parent) {
    state.KeepBackups = true;
    state.BackupsDir = tmp.path + "/backups";
    host.link = &link;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(state.BackupsDir, ec)) names.push_back(e.path().filename());
    return names;
  }
  // Pager > Write in Write Mode, as the window runs it (prompts to the
  // pager's form and back, the dialog, the rebinding).
  TransferResult WriteAsTheWindowDoes() {
    TransferResult result;
    host.runTransferDialog = [&] { result = Form2(editor, link, msgs).Form_Activate(); };
    editor.WriteOpt_Click();
    editor.PagerCommand(1);
    host.runTransferDialog = nullptr;
    return result;
  }
  // File > Restore Backup to Pager... with `path`.
  TransferResult RestoreAsTheWindowDoes(const std::string& path) {
    TransferResult result;
    host.runTransferDialog = [&] { result = Form2(editor, link, msgs).Form_Activate(); };
    RestoreBackupToPager(editor, path);
    host.runTransferDialog = nullptr;
    return result;
  }
  TempDir tmp;
};

Image FileImage(const std::string& path) {
  const TableReadResult file = ReadTableFile(path);
  EXPECT_TRUE(file.ok) << path << ": " << file.error;
  return file.image;
}

mode_t ModeOf(const std::string& path) {
  struct stat sb {};
  ::stat(path.c_str(), &sb);
  return sb.st_mode & 07777;
}

// Addresses where two images differ, apart from the bytes the write rules set
// themselves: the pager's own byte, the write marker and the checksum.
std::vector<int> DifferencesApartFromWriteRules(const Image& a, const Image& b) {
  std::vector<int> out;
  for (int i = 0; i < kImageSize; ++i)
    if (a[i] != b[i] && i != addr::kPagerOwnByte && i != addr::kWriteMarker && i != addr::kChecksumHigh &&
        i != addr::kChecksumLow)
      out.push_back(i);
  return out;
}

// A pager as this program leaves it: French, a prompt with national letters,
// other capcodes and another frequency, in the pager's character set, with
// the write marker and the checksum. Binding shows it without changing a byte.
Image ProgrammedPager() {
  AppState st;
  RecordingMessages m;
  EditorHost h;
  Editor ed(st, m, h);
  ed.LoadDefaults("VESTRA");
  ed.SelectBand0();
  ed.UserSelect({Ctl::cboLng, 0}, 2);  // French
  const auto type = [&](CtlRef ref, const std::string& text) {
    ed.UserEditText(ref, text);
    ed.SetFocus({Ctl::picTabBack, 0});
  };
  type({Ctl::txtPrompt, 3}, "d\xC3\xA9j\xC3\xA0 \xC3\xA7" "a");  // "déjà ça"
  type({Ctl::txtAddr, 0}, "1234567");
  type({Ctl::txtAddr, 1}, "7654");
  type({Ctl::txtFreq, 0}, "1530125");
  EXPECT_TRUE(m.log.empty()) << m.log.front().text;
  Image pager = st.PagerImage;
  ToPagerCharset(pager);
  pager[addr::kWriteMarker] = 1;
  StoreChecksum(pager);
  return pager;
}

TEST(Backups, ReadKeepsWhatItReadAndTheBackupWritesItBack) {
  BackupRig rig;
  const Image original = ProgrammedPager();
  rig.LoadPager(original);

  const TransferResult read = rig.Dialog(0)->Form_Activate();
  EXPECT_TRUE(read.succeeded());
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Read success!"});
  ASSERT_EQ(fs::path(read.backupPath).extension(), ".tbl");
  Image display = original;
  ToDisplayCharset(display);
  EXPECT_EQ(FileImage(read.backupPath), display) << "a backup holds the prompts as Save writes them";
  EXPECT_EQ(display[0x13E + 1], 0xE9);  // é in prompt 3 (record 0x13C), not the pager's 0x7B
  EXPECT_EQ(ModeOf(rig.state.BackupsDir), 0700u);
  EXPECT_EQ(ModeOf(read.backupPath), 0600u);

  // Another pager on the board; the backup opened and written as the user would.
  rig.LoadPager(SimRig::FactoryPagerImage());
  rig.state.PagerImage = SimRig::FactoryPagerImage();
  FakeUi ui;
  OpenBackup(rig.editor, ui, read.backupPath);
  EXPECT_EQ(rig.state.PagerImage, display);
  rig.msgs.Clear();
  const TransferResult written = rig.WriteAsTheWindowDoes();
  EXPECT_TRUE(written.succeeded()) << written.message;
  EXPECT_EQ(DifferencesApartFromWriteRules(rig.PagerMemory(), original), std::vector<int>{});

  // Save does not go into the backup that was opened.
  rig.msgs.Clear();
  mnuSBTF_Click(rig.editor, ui);
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"The [" + read.backupPath +
                                                       "] is a backup and is kept as it was taken.\n"
                                                       "Use Save As... to save this image under another name."});
  EXPECT_EQ(FileImage(read.backupPath), display);
}

// The figure of the README: a write cut off after page k, for every k; the
// backup taken before it, restored into the damaged pager, gives the original
// back byte for byte. Each cut is made on another random pager that the window can show.
// (The window's image differs from the pager's on every page.)
TEST(Backups, PowerCutAtEveryPageIsUndoneByTheBackup) {
  std::mt19937 rng(0xB4C6);
  constexpr int kBackupReadAcks = 3 * 128;  // device byte, word address, read device byte per block
  // The backups of this many cuts and restores go to a memory file system
  // where there is one: each backup waits for its data to reach the disk.
  const char* const shm = fs::is_directory("/dev/shm") ? "/dev/shm" : nullptr;
  int restored = 0;
  for (int k = 0; k < kImageSize / 16; ++k) {
    const Image original = RandomShowablePager(rng);
    Image other = original;
    for (int a = 0; a < kImageSize; ++a)
      if (a != addr::kHardwareVariant) other[a] = static_cast<uint8_t>(original[a] + 1);
    BackupRig rig(shm);
    rig.msgs.defaultAnswer = true;  // a random pager may be of the other hardware variant
    rig.LoadPager(original);
    rig.state.PagerImage = other;
    rig.editor.WriteOpt_Click();
    // The chip goes quiet once the backup read is over (k = 0), or after the
    // last byte of page k - 1 (a quiet chip still stores the page it has).
    SimFaults& faults = rig.board.eeprom().faults;
    if (k == 0)
      faults.silentAfterSentBytes = kImageSize;
    else
      faults.silentAfterAckedBytes = kBackupReadAcks + 18 * k;
    const TransferResult cut = rig.Dialog(1)->Form_Activate();
    rig.board.eeprom().faults = {};  // the power is back
    ASSERT_EQ(cut.message, "Write error!") << "page " << k;
    ASSERT_EQ(fs::path(cut.backupPath).extension(), ".tbl") << "page " << k;
    const Image damaged = rig.PagerMemory();
    for (int p = 0; p < kImageSize / 16; ++p)
      ASSERT_EQ(std::equal(damaged.begin() + 16 * p, damaged.begin() + 16 * p + 16, original.begin() + 16 * p),
                p >= k)
          << "cut after page " << k << ", page " << p;

    const TransferResult back = rig.RestoreAsTheWindowDoes(cut.backupPath);
    EXPECT_TRUE(back.succeeded()) << "page " << k << ": " << back.message;
    EXPECT_EQ(rig.PagerMemory(), original) << "page " << k;
    restored += rig.PagerMemory() == original;
  }
  std::printf(
      "power cut after page k = 0..127, a random pager each: %d of 128 pagers restored byte for byte from their "
      "backup\n",
      restored);
}

TEST(Backups, AWriteReadsThePagerFirstAndSendsOnlyThePagesThatDiffer) {
  // The pager as the write leaves it, for the window's start image.
  BackupRig first;
  first.editor.WriteOpt_Click();
  first.Dialog(1)->Form_Activate();
  const Image written = first.PagerMemory();

  struct Case {
    const char* name;
    Image pager;
    int pagesWritten;
  };
  Image capcodes = written;
  StoreCapcode(capcodes, 0, 4242);
  StoreChecksum(capcodes);
  Image every = written;
  const auto modelName = [](int a) { return a >= addr::kIdentString && a < addr::kIdentString + 5; };
  for (int a = 0; a < kImageSize; ++a)
    if (a != addr::kHardwareVariant && a != addr::kPagerOwnByte && !modelName(a))
      every[a] = static_cast<uint8_t>(~written[a]);
  const std::vector<Case> cases = {
      {"a pager that holds the image already", written, 0},
      {"a pager with other capcodes (their page and the checksum's)", capcodes, 2},
      {"a pager that differs on every page", every, 128},
  };
  std::vector<int> pages;
  for (int a = 0; a < kImageSize; a += 16) pages.push_back(a);
  for (const Case& c : cases) {
    BackupRig rig;
    rig.LoadPager(c.pager);
    rig.editor.WriteOpt_Click();
    auto form = rig.Dialog(1);
    RecordingView view(*form);
    const TransferResult result = form->Form_Activate();
    EXPECT_TRUE(result.succeeded()) << c.name;
    EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{"Verify Success!"}) << c.name;
    EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, c.pagesWritten) << c.name;
    EXPECT_EQ(rig.board.eeprom().counters.bytesSent, 2 * kImageSize) << c.name << ": the backup read and the verify";
    EXPECT_EQ(rig.PagerMemory(), written) << c.name;
    EXPECT_EQ(FileImage(result.backupPath), c.pager) << c.name;
    EXPECT_EQ(view.ProgressWhile("Writing Now......."), pages) << c.name << ": the bar runs over skipped pages too";
  }
}

// Every read that got the pager's bytes keeps them, also when the window
// refuses to show them; the half-written pager's backup says it is damaged.
TEST(Backups, EveryReadKeepsThePagerAlsoOneTheWindowRefuses) {
  const struct {
    const char* name;
    void (*make)(Image&);
    const char* extension;
    std::optional<bool> checksumOk;
  } cases[] = {
      {"another model", [](Image& p) { std::copy_n("XY123V2.0V1.10", 14, p.begin() + addr::kIdentString); }, ".bin",
       std::nullopt},
      {"a pager left half written", [](Image& p) { p[0x300] ^= 0x01; }, ".tbl", false},
      {"a menu code the window cannot show", [](Image& p) { p[0x078] = 6; }, ".bin", true},
  };
  for (const auto& c : cases) {
    BackupRig rig;
    Image pager = SimRig::FactoryPagerImage();
    c.make(pager);
    if (c.checksumOk != false) StoreChecksum(pager);
    rig.LoadPager(pager);
    const TransferResult read = rig.Dialog(0)->Form_Activate();
    EXPECT_FALSE(read.succeeded()) << c.name;
    EXPECT_EQ(fs::path(read.backupPath).extension(), c.extension) << c.name << ": " << read.message;
    const BackupContents kept = ReadBackup(read.backupPath);
    EXPECT_EQ(kept.pagerBytes, pager) << c.name;
    EXPECT_EQ(kept.checksumOk, c.checksumOk) << c.name;
  }
}

// A pager that holds no QRT35 image is overwritten only on the user's Yes;
// either way it is kept first, byte for byte.
TEST(Backups, PagersThatMakeNoTableFileAreKeptByteForByteAndWrittenWhenTheUserSaysSo) {
  struct Case {
    const char* name;
    std::function<void(Image&)> make;
    const char* question;  // null: a QRT35 pager, written without one
  };
  const std::vector<Case> cases = {
      {"a blank pager", [](Image& p) { p.fill(0xFF); },
       "The pager holds a blank chip, not a QRT35 image. Overwrite it?"},
      {"another model", [](Image& p) { std::copy_n("XY123V2.0V1.10", 14, p.begin() + addr::kIdentString); },
       "The pager holds XY123, not a QRT35 image. Overwrite it?"},
      {"a menu code the window cannot show", [](Image& p) { p[0x078] = 6; }, nullptr},
      {"a French pager holding a display code in a prompt",
       [](Image& p) {
         p[0x03A] = static_cast<uint8_t>((p[0x03A] & 0xF0) | 6);
         p[0x116] = 0xE9;  // would come back as 0x7B
       },
       nullptr},
  };
  for (const Case& c : cases) {
    for (const bool yes : {false, true}) {
      if (!c.question && !yes) continue;
      BackupRig rig;
      rig.msgs.defaultAnswer = yes;
      Image pager = SimRig::FactoryPagerImage();
      c.make(pager);
      rig.LoadPager(pager);
      rig.editor.WriteOpt_Click();
      const TransferResult result = rig.Dialog(1)->Form_Activate();
      EXPECT_EQ(result.succeeded(), yes) << c.name << ": " << result.message;
      EXPECT_TRUE(!c.question || (!rig.msgs.log.empty() && rig.msgs.log[0].question && rig.msgs.log[0].text == c.question))
          << c.name;
      if (!yes) {
        EXPECT_EQ(result.message, c.question);
        EXPECT_EQ(rig.PagerMemory(), pager) << c.name;
        continue;
      }
      EXPECT_EQ(fs::path(result.backupPath).extension(), ".bin") << c.name;
      EXPECT_EQ(FileImage(result.backupPath), pager) << c.name;
    }
  }
}

TEST(Backups, ABackupThatCannotBeSavedStopsTheWriteBeforeAnyPage) {
  struct Case {
    const char* name;
    std::function<void(BackupRig&)> prepare;
    bool fullDisk;
    std::string reason;
    bool namesTheFolder;
  };
  const std::vector<Case> cases = {
      {"a full disk", [](BackupRig&) {}, true, "File too large", false},
      {"a file where the folder should be", [](BackupRig& r) { WriteBytes(r.state.BackupsDir, {1, 2, 3}); }, false,
       "Not a directory", true},
      {"no data folder at all", [](BackupRig& r) { r.state.BackupsDir.clear(); }, false,
       "no folder for backups (neither XDG_DATA_HOME nor HOME is set)", true},
      {"a read-only folder", [](BackupRig& r) { ::mkdir(r.state.BackupsDir.c_str(), 0500); }, false,
       "Permission denied", false},
  };
  for (const Case& c : cases) {
    if (c.reason == "Permission denied" && ::geteuid() == 0) continue;  // root writes anywhere
    BackupRig rig;
    c.prepare(rig);
    const Image pager = rig.PagerMemory();
    rig.state.PagerImage[0x200] ^= 0xFF;  // something to write
    rig.editor.WriteOpt_Click();

    // The file system refuses anything beyond 1000 bytes, as a full disk would.
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    if (c.fullDisk) {
      struct rlimit small = saved;
      small.rlim_cur = 1000;
      ::setrlimit(RLIMIT_FSIZE, &small);
    }
    const TransferResult result = rig.Dialog(1)->Form_Activate();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(result.succeeded()) << c.name;
    EXPECT_TRUE(result.backupPath.empty()) << c.name;
    ASSERT_EQ(rig.msgs.log.size(), 1u) << c.name;
    const std::string& text = rig.msgs.log[0].text;
    EXPECT_EQ(result.message, text);
    EXPECT_EQ(rig.msgs.log[0].icon, MsgIcon::Warning);
    const std::string start = "Could not save the backup [" + rig.state.BackupsDir;
    const std::string end = "]: " + c.reason + "\n\nThe pager was not written.";
    EXPECT_EQ(text.rfind(start, 0), 0u) << c.name << ": " << text;
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end) << c.name << ": " << text;
    if (!c.namesTheFolder) {
      EXPECT_NE(text.find(".tbl]"), std::string::npos) << c.name << ": the file, by name";
    }
    EXPECT_EQ(rig.board.eeprom().counters.pagesWritten, 0) << c.name;
    EXPECT_EQ(rig.PagerMemory(), pager) << c.name;
    if (c.fullDisk) {
      EXPECT_TRUE(rig.Files().empty()) << c.name << ": the partial file is removed";
    }
  }
}

// Names carry the instant in UTC; older names (local time, no Z) are still
// read. Five hours west of UTC, an older name's 09:33 is after 14:03Z: the
// list goes by instant, and marks the pager whose checksum is wrong.
TEST(Backups, FilesAreNamedByTheirInstantPrivateNeverOverwrittenAndListedNewestFirst) {
  const char* tz = std::getenv("TZ");
  const std::string savedTz = tz ? tz : "";
  ::setenv("TZ", "EST5", 1);
  ::tzset();
  const std::time_t t = 1796738602;  // 2026-12-08T14:03:22Z
  EXPECT_EQ(BackupFileName(t, 1234567, BackupForm::Table), "2026-12-08T14-03-22Z_cap1-1234567.tbl");
  EXPECT_EQ(BackupFileName(t, 8, BackupForm::Raw, 3), "2026-12-08T14-03-22Z_cap1-0000008_3.bin");

  TempDir tmp;
  const std::string folder = tmp.path + "/backups";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);  // made by hand, open to everyone
  const mode_t oldMask = ::umask(0);
  Image image = SimRig::FactoryPagerImage();
  StoreCapcode(image, 0, 1234567);
  StoreChecksum(image);
  std::vector<std::string> paths;
  for (int i = 0; i < 3; ++i) {
    image[0x200] = static_cast<uint8_t>(i);
    StoreChecksum(image);
    const BackupSaved saved = SaveBackup(folder, {image, BackupForm::Table}, t);
    ASSERT_TRUE(saved.ok()) << saved.error;
    paths.push_back(saved.path);
    EXPECT_EQ(FileImage(saved.path)[0x200], i);
    EXPECT_EQ(ModeOf(saved.path), 0600u);
  }
  ::umask(oldMask);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(paths, (std::vector<std::string>{folder + "/2026-12-08T14-03-22Z_cap1-1234567.tbl",
                                             folder + "/2026-12-08T14-03-22Z_cap1-1234567_2.tbl",
                                             folder + "/2026-12-08T14-03-22Z_cap1-1234567_3.tbl"}));
  Image damaged = image;
  damaged[0x300] ^= 1;
  ASSERT_TRUE(SaveBackup(folder, {damaged, BackupForm::Raw}, t + 60).ok());
  ASSERT_TRUE(SaveBackup(folder, {Image{}, BackupForm::Raw}, t - 3600).ok());
  WriteBytes(folder + "/2026-12-08T09-33-22_cap1-0000007.bin", std::vector<uint8_t>(kImageSize, 0xFF));
  WriteBytes(folder + "/notes.txt", {1});

  std::vector<BackupEntry> list;
  std::string error;
  ASSERT_TRUE(ListBackups(folder, list, error)) << error;
  ::setenv("TZ", savedTz.c_str(), 1);
  if (!tz) ::unsetenv("TZ");
  ::tzset();
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0].utc, "2026-12-08T14:33:22Z");
  EXPECT_EQ(list[0].date, "2026-12-08 09:33:22");
  EXPECT_EQ(list[0].model, "blank");
  EXPECT_EQ(list[0].checksumOk, std::nullopt);
  EXPECT_EQ(list[1].utc, "2026-12-08T14:04:22Z");
  EXPECT_EQ(list[1].checksumOk, false);
  EXPECT_EQ(BackupStateWord(list[1]), "damaged");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list[2 + i].path, paths[2 - i]);
    EXPECT_EQ(list[2 + i].checksumOk, true);
  }
  EXPECT_EQ(list[2].date, "2026-12-08 09:03:22");
  EXPECT_EQ(list[2].capcode1, "1234567");
  EXPECT_EQ(list[2].model, "QRT35");
  EXPECT_EQ(list[5].date, "2026-12-08 08:03:22");
  EXPECT_EQ(list[5].form, BackupForm::Raw);
}

}  // namespace
}  // namespace qrt::test
