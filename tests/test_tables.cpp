// Table files: Open, Save, Save As, the start-up open of default.tbl, and
// saving that never leaves a damaged file behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "editor/Editor.h"
#include "image/Defaults.h"
#include "tables/TableFiles.h"
#include "tests/support/TableFileFakes.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

using test::FakeUi;
using test::FileBytes;
using test::kTitle;
using test::WriteBytes;

std::vector<uint8_t> Bytes(const Image& image) { return {image.begin(), image.end()}; }

struct TableRig : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/qrt-tables-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    state.ProgramDir = dir;
    state.CurrentTablePath = dir + "/default.tbl";
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    msgs.Clear();
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& e : fs::recursive_directory_iterator(dir, ec))  // folders a test made read-only
      if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  // Files in the folder other than the ones a test made itself.
  std::vector<std::string> Leftovers(const std::vector<std::string>& expected) const {
    std::vector<std::string> extra;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (std::find(expected.begin(), expected.end(), name) == expected.end()) extra.push_back(name);
    }
    return extra;
  }

  std::string dir;
  AppState state;
  RecordingMessages msgs;
  EditorHost host;
  Editor editor{state, msgs, host};
  FakeUi ui;
};

// An image another program run would have: French prompt characters in
// display form, a band-2 pager, some capcode.
Image SavedProfile() {
  Image image = BuildDefaultImage();
  image[0x03A] = static_cast<uint8_t>((image[0x03A] & 0xF0) | 6);
  image[0x114] &= 0xF0;  // prompt 1 without leading blanks
  image[0x116] = 0xE7;  // ç
  image[0x117] = 0xE9;  // é
  image[addr::kBandByte] = 0x3D;
  image[0x042] = 0x12;
  image[addr::kChecksumHigh] = 0xAB;  // not checked on loading
  return image;
}

TEST_F(TableRig, SaveAsThenOpenGivesTheSameImageByteForByte) {
  state.PagerImage = SavedProfile();
  const Image saved = state.PagerImage;
  ui.saveAnswers = {Path("profile.tbl")};
  mnuSA_Click(editor, ui);
  EXPECT_TRUE(msgs.log.empty());
  EXPECT_EQ(FileBytes(Path("profile.tbl")), Bytes(saved));
  EXPECT_EQ(state.CurrentTablePath, Path("profile.tbl"));
  EXPECT_EQ(ui.title, std::string(kTitle) + " - [" + Path("profile.tbl") + "]");
  EXPECT_EQ(ui.dialogDirs, std::vector<std::string>{dir});

  state.PagerImage = BuildDefaultImage();
  editor.SelectBand0();
  ui.openAnswers = {Path("profile.tbl")};
  mnuLBFF_Click(editor, ui);

  EXPECT_TRUE(msgs.log.empty());
  EXPECT_EQ(state.PagerImage, saved);
  EXPECT_EQ(editor.cboDft.index, 2);  // band from the file, without band defaults
  EXPECT_EQ(editor.txtPrompt[1].text.substr(0, 4), "\xC3\xA7\xC3\xA9");
}

struct SizeCase {
  const char* name;
  size_t size;
  bool accepted;
};

class TableFileSize : public TableRig, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(TableFileSize, ShortFilesFailTheFormatTestLongOnesLoadTheirStart) {
  const SizeCase& c = GetParam();
  std::vector<uint8_t> bytes = Bytes(SavedProfile());
  bytes.resize(c.size, 0x5A);
  const std::string path = Path("sized.tbl");
  WriteBytes(path, bytes);
  const Image before = state.PagerImage;

  ui.openAnswers = {path};
  mnuLBFF_Click(editor, ui);

  if (c.accepted) {
    EXPECT_TRUE(msgs.log.empty());
    Image expected{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), expected.size()), expected.begin());
    EXPECT_EQ(state.PagerImage, expected);
    EXPECT_EQ(state.CurrentTablePath, path);
  } else {
    EXPECT_EQ(msgs.Texts(), std::vector<std::string>{"The [" + path +
                                                     "] is not correct format, the file will discard !"});
    EXPECT_EQ(state.PagerImage, before);
    EXPECT_EQ(ui.title, kTitle);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, TableFileSize,
                         ::testing::Values(SizeCase{"empty", 0, false}, SizeCase{"b997", 997, false},
                                           SizeCase{"b998", 998, true}, SizeCase{"b2047", 2047, true},
                                           SizeCase{"b2048", 2048, true}, SizeCase{"b3000", 3000, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(TableRig, AnotherModelIsRefusedAndNeverBecomesTheSaveTarget) {
  ui.saveAnswers = {Path("mine.tbl")};
  mnuSA_Click(editor, ui);
  const std::string titleBefore = ui.title;

  std::vector<uint8_t> other = Bytes(SavedProfile());
  other[0x3E5] = '6';  // QRT36
  WriteBytes(Path("other.tbl"), other);
  const Image before = state.PagerImage;
  ui.openAnswers = {Path("other.tbl")};
  mnuLBFF_Click(editor, ui);

  EXPECT_EQ(msgs.Texts(), std::vector<std::string>{"The [" + Path("other.tbl") +
                                                   "] is not correct format, the file will discard !"});
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_EQ(ui.title, titleBefore);
  EXPECT_EQ(state.CurrentTablePath, Path("mine.tbl"));

  // Save goes to the last good file; the refused one is left as it was.
  state.PagerImage[0x200] ^= 0xFF;
  mnuSBTF_Click(editor, ui);
  EXPECT_EQ(FileBytes(Path("other.tbl")), other);
  EXPECT_EQ(FileBytes(Path("mine.tbl")), Bytes(state.PagerImage));
  EXPECT_FALSE(state.UseCurrentTablePath);
}

TEST_F(TableRig, MissingFileSaysSoAndChangesNothing) {
  const Image before = state.PagerImage;
  const std::string target = state.CurrentTablePath;
  ui.openAnswers = {Path("nothere.tbl")};
  mnuLBFF_Click(editor, ui);
  EXPECT_EQ(msgs.Texts(), std::vector<std::string>{"This file is not exit!"});
  EXPECT_EQ(msgs.log[0].icon, MsgIcon::None);
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_EQ(state.CurrentTablePath, target);
}

TEST_F(TableRig, FolderIsNamedWithTheReason) {
  fs::create_directory(Path("folder.tbl"));
  ui.openAnswers = {Path("folder.tbl")};
  mnuLBFF_Click(editor, ui);
  EXPECT_EQ(msgs.Texts(),
            std::vector<std::string>{"Could not open [" + Path("folder.tbl") + "]: Is a directory"});
}

TEST_F(TableRig, UnreadableFileIsNamedWithTheReason) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  WriteBytes(Path("locked.tbl"), Bytes(SavedProfile()));
  ::chmod(Path("locked.tbl").c_str(), 0);
  ui.openAnswers = {Path("locked.tbl")};
  mnuLBFF_Click(editor, ui);
  EXPECT_EQ(msgs.Texts(),
            std::vector<std::string>{"Could not open [" + Path("locked.tbl") + "]: Permission denied"});
}

TEST_F(TableRig, CancelledDialogsEndQuietly) {
  const Image before = state.PagerImage;
  mnuLBFF_Click(editor, ui);
  mnuSA_Click(editor, ui);
  EXPECT_TRUE(msgs.log.empty());
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_EQ(ui.title, kTitle);
  EXPECT_EQ(ui.dialogDirs.size(), 2u);
  EXPECT_TRUE(Leftovers({}).empty());
}

TEST_F(TableRig, OverwriteQuestionGuardsAnExistingFile) {
  const std::vector<uint8_t> old(2048, 0x11);
  WriteBytes(Path("old.tbl"), old);

  msgs.answers = {false};
  ui.saveAnswers = {Path("old.tbl")};
  mnuSA_Click(editor, ui);
  ASSERT_EQ(msgs.log.size(), 1u);
  EXPECT_EQ(msgs.log[0].text, "This file is arealy exist ! \nAre you sure overwrite this file?");
  EXPECT_TRUE(msgs.log[0].question);
  EXPECT_EQ(FileBytes(Path("old.tbl")), old);
  EXPECT_EQ(ui.title, kTitle);

  msgs.answers = {true};
  ui.saveAnswers = {Path("old.tbl")};
  mnuSA_Click(editor, ui);
  EXPECT_EQ(FileBytes(Path("old.tbl")), Bytes(state.PagerImage));
}

TEST_F(TableRig, SaveWithoutAnOpenWritesDefaultTblWithoutAsking) {
  WriteBytes(Path("default.tbl"), std::vector<uint8_t>(4000, 0x22));  // longer than an image
  mnuSBTF_Click(editor, ui);
  EXPECT_TRUE(msgs.log.empty());
  EXPECT_TRUE(ui.dialogDirs.empty());
  EXPECT_EQ(FileBytes(Path("default.tbl")), Bytes(state.PagerImage));
  EXPECT_EQ(ui.title, std::string(kTitle) + " - [" + Path("default.tbl") + "]");
  EXPECT_TRUE(Leftovers({"default.tbl"}).empty());
}

struct TitleCase {
  const char* name;
  const char* title;
  const char* expected;
};

class TableTitle : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TableTitle, ReplacesTheBracketedPathOrAppendsOne) {
  EXPECT_EQ(TitleWithPath(GetParam().title, "/p/a.tbl"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TableTitle,
    ::testing::Values(TitleCase{"plain", "QRT35", "QRT35 - [/p/a.tbl]"},
                      TitleCase{"with_path", "QRT35 - [/old/b.tbl]", "QRT35 - [/p/a.tbl]"},
                      TitleCase{"two_brackets", "A [x] B [y]", "A [/p/a.tbl]"},
                      TitleCase{"bare_bracket", "[", "[/p/a.tbl]"},
                      TitleCase{"empty", "", " - [/p/a.tbl]"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TableRig, StartUpOpensDefaultTblSilently) {
  Image gp = BuildDefaultImage();
  gp[addr::kHardwareVariant] = 0;
  WriteBytes(Path("default.tbl"), Bytes(gp));

  EXPECT_EQ(OpenDefaultTableAtStart(editor, ui), DefaultTable::Opened);
  EXPECT_TRUE(msgs.log.empty());
  EXPECT_TRUE(ui.dialogDirs.empty());
  EXPECT_FALSE(state.UseCurrentTablePath);
  EXPECT_EQ(state.PagerImage, gp);
  EXPECT_EQ(editor.cboDft.index, 1);
  EXPECT_FALSE(editor.chkCtl[4].visible);
}

TEST_F(TableRig, StartUpWithoutDefaultTblLeavesTheImage) {
  const Image before = state.PagerImage;
  EXPECT_EQ(OpenDefaultTableAtStart(editor, ui), DefaultTable::None);
  EXPECT_TRUE(msgs.log.empty());
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_FALSE(state.UseCurrentTablePath);
}

// The window's load: factory image, then default.tbl tried, then the image
// shown. Only when there is no default.tbl is the first band applied.
TEST_F(TableRig, StartUpAppliesTheFirstBandOnlyWithoutADefaultTbl) {
  editor.LoadDefaults("VESTRA");
  const Image factory = state.PagerImage;
  editor.SelectBand0();
  const Image band0 = state.PagerImage;
  ASSERT_NE(factory, band0) << "band 0 rewrites the synthesizer of the factory image";

  for (const bool foreign : {false, true}) {
    SCOPED_TRACE(foreign ? "refused default.tbl" : "no default.tbl");
    if (foreign) WriteBytes(Path("default.tbl"), std::vector<uint8_t>(2048, 0));
    editor.LoadDefaults("VESTRA");
    editor.cboDft.index = -1;  // the list of a window that has just opened
    msgs.Clear();
    editor.ShowStartImage(OpenDefaultTableAtStart(editor, ui));
    EXPECT_EQ(state.PagerImage, foreign ? factory : band0);
    EXPECT_EQ(msgs.log.size(), foreign ? 1u : 0u);
    EXPECT_EQ(editor.cboDft.index, 0) << "the band list shows the factory image's band";
    EXPECT_EQ(state.DecodeError, 0);
  }
}

TEST_F(TableRig, StartUpWithAForeignDefaultTblReportsItAndLoadsNothing) {
  WriteBytes(Path("default.tbl"), std::vector<uint8_t>(2048, 0));
  const Image before = state.PagerImage;
  EXPECT_EQ(OpenDefaultTableAtStart(editor, ui), DefaultTable::Refused);
  EXPECT_EQ(msgs.Texts(), std::vector<std::string>{"The [" + Path("default.tbl") +
                                                   "] is not correct format, the file will discard !"});
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_FALSE(state.UseCurrentTablePath);
}

// ------------------------------------------------- the user's own default.tbl

// Makes `folder` someone else's, as an installed program's folder is.
void NotTheUsers(const std::string& folder) {
  EXPECT_EQ(::geteuid() == 0 ? ::chown(folder.c_str(), 65534, 65534) : ::chmod(folder.c_str(), 0555), 0);
}

TEST_F(TableRig, TheUsersDefaultTblComesFirstAndSaveWritesOnlyIntoTheirFolders) {
  const struct {
    bool userHas, programHas, programIsTheUsers;
    const char *open, *save;
  } cases[] = {
      {true, true, true, "user", "user"},         // the user's own comes first
      {false, true, true, "program", "program"},  // a source build keeps its own
      {false, false, true, "", "program"},
      {false, true, false, "program", "user"},    // installed, with one beside it
      {false, false, false, "", "user"},          // installed, a new user
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    const std::string program = Path(std::to_string(i) + "/bin"), user = Path(std::to_string(i) + "/config");
    fs::create_directories(program), fs::create_directories(user);
    if (c.userHas) WriteBytes(user + "/default.tbl", Bytes(SavedProfile()));
    if (c.programHas) WriteBytes(program + "/default.tbl", Bytes(SavedProfile()));
    if (!c.programIsTheUsers) NotTheUsers(program);
    const auto path = [&](std::string_view which) {
      return which.empty() ? std::string() : (which == "user" ? user : program) + "/default.tbl";
    };
    EXPECT_EQ(ChooseDefaultTable(program, user).open, path(c.open));
    EXPECT_EQ(ChooseDefaultTable(program, user).save, path(c.save));
  }
  EXPECT_FALSE(IsUsersOwnFolder("/usr/bin")) << "the system's, even for root";
}

// An installed program: its default.tbl opens, Save writes the user's own in
// a settings folder it makes private, and the program's stays as it was.
TEST_F(TableRig, SaveAfterStartWritesTheUsersOwnDefaultTbl) {
  const std::vector<uint8_t> system = Bytes(SavedProfile());
  fs::create_directory(state.ProgramDir = Path("bin"));
  WriteBytes(Path("bin/default.tbl"), system);
  NotTheUsers(state.ProgramDir);
  state.UserConfigDir = Path("config/qrt35");
  EXPECT_EQ(OpenDefaultTableAtStart(editor, ui), DefaultTable::Opened);
  state.PagerImage[0x042] ^= 0xFF;
  mnuSBTF_Click(editor, ui);
  EXPECT_TRUE(msgs.log.empty()) << msgs.log[0].text;
  EXPECT_EQ(FileBytes(Path("config/qrt35/default.tbl")), Bytes(state.PagerImage));
  EXPECT_EQ(fs::status(Path("config/qrt35")).permissions(), fs::perms::owner_all);
  EXPECT_EQ(FileBytes(Path("bin/default.tbl")), system);
}

// The dialogs open where the last file chosen in one lies; a backup opened
// is the program's keeping and moves them nowhere.
TEST_F(TableRig, FileDialogsOpenInTheFolderOfTheLastFileChosen) {
  fs::create_directory(Path("tables"));
  fs::create_directory(state.BackupsDir = Path("backups"));
  WriteBytes(Path("backups/kept.tbl"), Bytes(SavedProfile()));
  state.TableFolder = Path("documents");
  ui.saveAnswers = {Path("tables/new.tbl")};
  mnuSA_Click(editor, ui);
  ui.openAnswers = {Path("backups/kept.tbl"), std::nullopt};
  mnuLBFF_Click(editor, ui);
  ASSERT_EQ(state.CurrentTablePath, Path("backups/kept.tbl"));
  mnuLBFF_Click(editor, ui);
  EXPECT_EQ(ui.dialogDirs, (std::vector<std::string>{Path("documents"), Path("tables"), Path("tables")}));
  EXPECT_EQ(state.TableFolder, Path("tables"));
}

// ------------------------------------------------------------ atomic saves

TEST_F(TableRig, SaveInterruptedHalfWayLeavesTheOldFileWhole) {
  const std::vector<uint8_t> old = Bytes(SavedProfile());
  WriteBytes(Path("default.tbl"), old);
  state.PagerImage.fill(0x99);

  // The file system refuses anything beyond 1000 bytes, as a full disk would.
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  mnuSBTF_Click(editor, ui);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(msgs.Texts(),
            std::vector<std::string>{"Could not save [" + Path("default.tbl") + "]: File too large"});
  EXPECT_EQ(msgs.log[0].icon, MsgIcon::Warning);
  EXPECT_EQ(FileBytes(Path("default.tbl")), old);
  EXPECT_TRUE(Leftovers({"default.tbl"}).empty());
  EXPECT_EQ(ui.title, kTitle);
}

TEST_F(TableRig, SaveIntoAReadOnlyFolderFailsWithAMessage) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::vector<uint8_t> old = Bytes(SavedProfile());
  WriteBytes(Path("default.tbl"), old);
  ::chmod(dir.c_str(), 0555);
  mnuSBTF_Click(editor, ui);
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(msgs.Texts(),
            std::vector<std::string>{"Could not save [" + Path("default.tbl") + "]: Permission denied"});
  EXPECT_EQ(FileBytes(Path("default.tbl")), old);
}

TEST_F(TableRig, SaveIntoAMissingFolderKeepsTheCurrentTarget) {
  const std::string target = state.CurrentTablePath;
  ui.saveAnswers = {Path("gone/x.tbl")};
  mnuSA_Click(editor, ui);
  EXPECT_EQ(msgs.Texts(), std::vector<std::string>{"Could not save [" + Path("gone/x.tbl") +
                                                   "]: No such file or directory"});
  EXPECT_EQ(state.CurrentTablePath, target);
  EXPECT_EQ(ui.title, kTitle);
}

TEST_F(TableRig, SaveKeepsTheFilesPermissionsAndALinksTarget) {
  WriteBytes(Path("real.tbl"), std::vector<uint8_t>(2048, 0));
  ::chmod(Path("real.tbl").c_str(), 0640);
  fs::create_symlink(Path("real.tbl"), Path("link.tbl"));
  msgs.answers = {true};
  ui.saveAnswers = {Path("link.tbl")};
  mnuSA_Click(editor, ui);
  EXPECT_TRUE(fs::is_symlink(Path("link.tbl")));
  EXPECT_EQ(FileBytes(Path("real.tbl")), Bytes(state.PagerImage));
  struct stat sb;
  ASSERT_EQ(::stat(Path("real.tbl").c_str(), &sb), 0);
  EXPECT_EQ(sb.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace qrt
