// qrt35 end to end: the real program against the simulated pager and real
// table files. Reads, writes, verifies, batches, edits, diffs, and the
// command line's own contract (exit status, usage errors, questions).
#include <pty.h>
#include <poll.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "ProductInfo.h"
#include "base/Messages.h"
#include "codecs/Capcode.h"
#include "editor/Editor.h"
#include "image/Defaults.h"
#include "tests/test_cli_rig.h"

namespace qrt::clitest {
namespace {

bool HasLine(const std::string& text, const std::string& line) {
  const auto lines = Lines(text);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// The image the window holds right after it started without default.tbl.
Image WindowStartImage() {
  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor(state, messages, host);
  editor.LoadDefaults(product::kDefaultLogo);
  editor.SelectBand0();
  return state.PagerImage;
}

// A pager as it leaves the factory: the factory image with a valid checksum.
Image FactoryPager() {
  Image image = BuildDefaultImage();
  StoreChecksum(image);
  return image;
}

using Cli = CliTest;

// ------------------------------------------------------------ usage and help

TEST_F(Cli, UsageErrorsExitWithTwoAndTouchNothing) {
  MakeTable("a.tbl");
  const std::string a = Path("a.tbl");
  const std::string before = Slurp(a);
  struct Case {
    std::vector<std::string> args;
    std::string says = "";  // a part of the message, where it must be specific
  };
  const std::vector<Case> cases = {
      {{}},
      {{"frobnicate", a}, "unknown command \"frobnicate\""},
      {{"--bogus", "show", a}},
      {{"read"}, "read takes one file, 0 given"},
      {{"diff", a}, "diff takes two files, 1 given"},
      {{"show", a, a}},
      {{"write", a, "--count", "0"}, "--count needs a whole number of pagers from 1 to 9999999, not \"0\""},
      {{"write", a, "--count", "three"}},
      {{"write", a, "--auto-increase", "3"}, "--auto-increase takes 1, 2 or 1,2, not \"3\""},
      {{"write", a, "--json"}, "--json does not apply to write"},
      {{"show", a, "--count", "2"}},
      {{"--json", "show", a}, "--json goes after the command"},
      {{"backups", a}},
      {{"diff", a, a, "--no-backup"}},
      {{"read", a, "--bytes"}},
      {{"set", a}},
      {{"set", a, "--capcode", "5"}},
      {{"set", a, "--capcode", "9=100"}},
      {{"set", a, "--capcode-on", "0=on"}},
      {{"set", a, "--capcode-on", "1=maybe"}},
      {{"set", a, "--option", "no_such_setting=1"}},
      {{"set", a, "--option", "synth_pll_n=A9B0"}},
      {{"set", a, "--option", "screen_contrast=9"}},
      {{"set", a, "--band", "500-600MHz"}},
      {{"set", a, "--prompt", "66=X"}},
      {{"set", a, "--freq"}},
      {{"--port", "lpt1", "read", Path("x.tbl")},
       "choose one of: ppdev, ppdev:/dev/parportN, raw, sim, sim:FILE, sim:DIR/, i2c:"},
      {{"--port", "i2c:", "write", a}, "unknown port"},
      {{"--port", "ch341:1-x", "write", a}, "names no USB port"},
      {{"--port", "sim", "--port", "raw", "read", Path("x.tbl")}, "only write takes several --port"},
      {{"write", a, "--port", "sim", "--port", "sim"}, "--port sim is given twice"},
      {{"--sim-image", sim, "read", Path("x.tbl")}, "--sim-image goes with --port sim"},
      {{"--port", "sim:" + sim, "--sim-image", sim, "read", Path("x.tbl")}, "--sim-image goes with --port sim"},
      {{"read", Path("x.tbl"), "--bus", "turbo"}, "--bus takes standard or fast"},
      {{"--db", Path("p.sqlite"), "--no-db", "log"}, "--db and --no-db"},
      {{"--no-db", "log"}, "cannot go with --no-db"},
      {{"log", "--json", "--csv"}},
      {{"log", "--since", "yesterday"}, "YYYY-MM-DD"},
      {{"log", "--capcode", "2097152"}, "2097151"},
      {{"log", "--outcome", "maybe"}, "ok or failed"},
      {{"log", "x"}, "log takes no file"},
      {{"write", a, "--allocate", "1=20-10"}, "the first capcode is above the last"},
      {{"write", a, "--allocate", "1=1-9", "--no-db"}, "cannot go with --no-db"},
      {{"write", a, "--bell"}, "--bell rings on a failure of a continuous run: it goes with --continuous"},
      {{"write", a, "--continuous", "--no-backup"}, "it cannot go with --no-backup"},
      {{"show", a, "--allocate", "1=1-9"}, "--allocate does not apply to show"},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const auto& word : c.args) shown += word + " ";
    const RunResult r = Run(c.args);
    EXPECT_EQ(r.code, 2) << shown << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << shown;
    EXPECT_EQ(r.err.rfind("qrt35: ", 0), 0u) << shown << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << shown << "\n" << r.err;
    EXPECT_NE(r.err.find("Try \"qrt35 --help\"."), std::string::npos) << shown;
    EXPECT_EQ(Slurp(a), before) << shown;
  }
  EXPECT_FALSE(fs::exists(Path("x.tbl")));
  EXPECT_FALSE(fs::exists(sim));
  EXPECT_FALSE(fs::exists(Path("p.sqlite")));
  EXPECT_FALSE(fs::exists(dir / "data" / "qrt35" / "production.sqlite"));
}

// Global options stand before or after the command; a command's name after
// the command is a file name.
TEST_F(Cli, GlobalOptionsAfterTheCommandAndCommandNamesAsFiles) {
  MakeTable("a.tbl", {"--capcode", "1=4321"});
  const RunResult r =
      Run({"write", Path("a.tbl"), "--bus", "fast", "--port", "sim", "--sim-image", sim, "--no-db", "-y"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "pager 1: Cap #1 0004321\n");
  EXPECT_EQ(DecodeCapcode(SimPager(), 0), 4321u);

  const fs::path cwd = fs::current_path();
  fs::current_path(dir);
  const RunResult made = Run({"new", "read"});
  fs::current_path(cwd);
  ASSERT_EQ(made.code, 0) << made.err;
  EXPECT_EQ(Table("read"), WindowStartImage());
}

TEST_F(Cli, HelpForTheToolAndEveryCommand) {
  const RunResult version = Run({"--version"});
  EXPECT_TRUE(version.code == 0 && version.out.rfind("qrt35 (QRT35 Pager Programmer) ", 0) == 0 &&
              version.out.find("\nBuilt ") != std::string::npos) << version.out;
  const RunResult tool = Run({"--help"});
  ASSERT_EQ(tool.code, 0);
  for (const char* command : {"read", "write", "verify", "new", "show", "set", "diff", "backups", "log"}) {
    EXPECT_NE(tool.out.find("  " + std::string(command) + " "), std::string::npos) << command;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{command, "--help"}, std::vector<std::string>{"help", command}}) {
      const RunResult r = Run(args);
      EXPECT_EQ(r.code, 0) << command;
      EXPECT_EQ(r.out.rfind("usage: qrt35 ", 0), 0u) << command;
      EXPECT_NE(r.out.find(std::string(command) + " "), std::string::npos) << command;
      EXPECT_NE(r.out, tool.out) << command;
    }
  }
}

// ------------------------------------------------------------------ doctor

TEST_F(Cli, DoctorReportsAMachineWithoutAParallelPort) {
  if (fs::exists("/proc/sys/dev/parport") && !fs::is_empty("/proc/sys/dev/parport"))
    GTEST_SKIP() << "this machine lists parallel ports";
  const RunResult r = Run({"doctor"});
  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("problem  No parallel port: the kernel lists none."), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  sudo modprobe parport_pc\n"), std::string::npos) << r.out;
  EXPECT_TRUE(HasLine(r.out, "Result: no board answers.")) << r.out;
}

// ---------------------------------------------------------------- new, open

TEST_F(Cli, NewSavesTheImageTheWindowStartsWith) {
  const RunResult r = Run({"new", Path("a.tbl")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Table("a.tbl"), WindowStartImage());
}

TEST_F(Cli, NewAsksBeforeReplacingAFile) {
  Spill(Path("a.tbl"), "keep me");
  const RunResult refused = Run({"new", Path("a.tbl")});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("This file is arealy exist ! \nAre you sure overwrite this file?"), std::string::npos)
      << refused.err;
  EXPECT_EQ(Slurp(Path("a.tbl")), "keep me");

  const RunResult agreed = Run({"--yes", "new", Path("a.tbl")});
  EXPECT_EQ(agreed.code, 0) << agreed.err;
  EXPECT_EQ(Table("a.tbl"), WindowStartImage());
}

TEST_F(Cli, FilesTheWindowRefusesAreRefused) {
  const RunResult missing = Run({"show", Path("missing.tbl")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(HasLine(missing.err, "This file is not exit!")) << missing.err;
  EXPECT_TRUE(missing.out.empty());

  Image foreign = WindowStartImage();
  foreign[addr::kIdentString] = 'X';
  Spill(Path("foreign.tbl"), ImageBytes(foreign));
  for (const char* command : {"show", "verify", "write"}) {
    const RunResult r = command == std::string("show") ? Run({command, Path("foreign.tbl")})
                                                       : RunSim({command, Path("foreign.tbl")});
    EXPECT_EQ(r.code, 1) << command;
    EXPECT_TRUE(HasLine(r.err, "The [" + Path("foreign.tbl") + "] is not correct format, the file will discard !"))
        << command << ": " << r.err;
  }
  EXPECT_FALSE(fs::exists(sim));  // the pager was never reached
}

// ------------------------------------------------------------------- read

TEST_F(Cli, ReadSavesThePagerAsTheWindowShowsIt) {
  Image pager = FactoryPager();
  StoreCapcode(pager, 2, 777);
  pager[addr::kPagerOwnByte] = 0x5A;
  StoreChecksum(pager);
  SetSimPager(pager);

  const RunResult r = RunSim({"read", Path("out.tbl")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(HasLine(r.err, "Read success!")) << r.err;
  EXPECT_EQ(Table("out.tbl"), pager);
  EXPECT_EQ(SimPager(), pager);  // reading changes nothing in the pager
}

TEST_F(Cli, ReadRefusalsSaveNothing) {
  struct Case {
    const char* what;
    std::function<void(Image&)> damage;
    std::string message;
    bool readFirst;  // the bytes were read before the refusal
  };
  const std::vector<Case> cases = {
      {"another model",
       [](Image& p) {
         const std::string id = "XY123V2.0V1.10";
         std::copy(id.begin(), id.end(), p.begin() + addr::kIdentString);
         StoreChecksum(p);
       },
       "This pager is not QRT35 !\n\nIt is XY123 ( PCB V2.0, Software V1.10 )", false},
      {"a bad checksum", [](Image& p) { p[0x200] ^= 0x01; },
       "The data of pager is not complete correction !\n\n"
       "Please try to reprogram the pager or try to read again.", false},
      {"a menu code the window cannot show",
       [](Image& p) {
         p[0x078] = 6;
         StoreChecksum(p);
       },
       "The data in this pager is wrong!(Error Code = 1)", true},
  };
  for (const Case& c : cases) {
    Image pager = FactoryPager();
    c.damage(pager);
    SetSimPager(pager);
    const RunResult r = RunSim({"read", Path("out.tbl")});
    EXPECT_EQ(r.code, 1) << c.what;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(HasLine(r.err, "Read success!"), c.readFirst) << c.what << ": " << r.err;
    EXPECT_FALSE(fs::exists(Path("out.tbl"))) << c.what;
  }
}

TEST_F(Cli, ReadWithoutABoardSavesNothing) {
  const RunResult r = Run({"--port", "ppdev:" + Path("no-such-parport"), "read", Path("out.tbl")});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(HasLine(r.err, "The Board is not responding!")) << r.err;
  EXPECT_FALSE(fs::exists(Path("out.tbl")));
}

// ---------------------------------------------------------- write and verify

TEST_F(Cli, WriteStoresTheTableWithMarkerAndChecksumAndVerifies) {
  MakeTable("a.tbl", {"--capcode", "1=1234567"});
  const Image table = Table("a.tbl");

  const RunResult r = RunSim({"write", Path("a.tbl")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "pager 1: Cap #1 1234567\n");
  EXPECT_TRUE(HasLine(r.err, "Verify Success!")) << r.err;

  const Image pager = SimPager();
  EXPECT_EQ(pager[0x041] & 0x1F, 0x1E);
  EXPECT_EQ(pager[0x042], 0x5A);
  EXPECT_EQ(pager[0x043], 0xD0);
  EXPECT_EQ(pager[addr::kWriteMarker], 1);
  EXPECT_TRUE(ChecksumMatches(pager));
  for (int a = 0; a < kImageSize; ++a) {
    if (a == addr::kWriteMarker || a == addr::kChecksumHigh || a == addr::kChecksumLow) continue;
    EXPECT_EQ(pager[a], table[a]) << "address " << a;
  }
  EXPECT_EQ(Table("a.tbl"), table);  // the table file itself is not changed
}

TEST_F(Cli, VerifyComparesEveryByteOfThePager) {
  MakeTable("a.tbl", {"--capcode", "1=4242"});
  ASSERT_EQ(RunSim({"write", Path("a.tbl")}).code, 0);
  ASSERT_EQ(RunSim({"read", Path("b.tbl")}).code, 0);

  const RunResult same = RunSim({"verify", Path("b.tbl")});
  EXPECT_EQ(same.code, 0) << same.err;
  EXPECT_TRUE(HasLine(same.err, "Verify Success!")) << same.err;

  // A table that was never written holds neither the write marker nor the
  // checksum the pager got, and the verify compares those bytes too.
  const RunResult unwritten = RunSim({"verify", Path("a.tbl")});
  EXPECT_EQ(unwritten.code, 1);
  EXPECT_TRUE(HasLine(unwritten.err, "Verify Error!")) << unwritten.err;

  Image pager = SimPager();
  pager[0x7A0] ^= 0x40;
  SetSimPager(pager);
  const RunResult changed = RunSim({"verify", Path("b.tbl")});
  EXPECT_EQ(changed.code, 1);
  EXPECT_TRUE(HasLine(changed.err, "Verify Error!")) << changed.err;
  EXPECT_EQ(SimPager(), pager);
}

TEST_F(Cli, BatchOfThreeIncreasesBothCapcodesAfterEveryPager) {
  MakeTable("a.tbl", {"--capcode", "1=100", "--capcode", "2=200", "--capcode-on", "2=on"});
  const std::string table = Slurp(Path("a.tbl"));

  const RunResult r = RunSim({"write", Path("a.tbl"), "--count", "3", "--auto-increase", "1,2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "pager 1: Cap #1 0000100, Cap #2 0000200\n"
            "pager 2: Cap #1 0000101, Cap #2 0000201\n"
            "pager 3: Cap #1 0000102, Cap #2 0000202\n");
  EXPECT_EQ(Count(r.err, "Verify Success!"), 3u) << r.err;
  EXPECT_EQ(r.err.find("Connect the next pager"), std::string::npos);  // --count never waits
  EXPECT_TRUE(HasLine(r.err, "Next in the batch: Cap #1 0000103, Cap #2 0000203 (the table file is unchanged)"))
      << r.err;
  const Image pager = SimPager();  // the simulator is the last pager of the batch
  EXPECT_EQ(DecodeCapcode(pager, 0), 102u);
  EXPECT_EQ(DecodeCapcode(pager, 1), 202u);
  EXPECT_EQ(Slurp(Path("a.tbl")), table);
}

TEST_F(Cli, BatchKeepsACapcodeAtTheLimitAndIncreasesOnlyTheChosenOne) {
  MakeTable("a.tbl", {"--capcode", "1=500", "--capcode", "2=2097151"});
  const RunResult r = RunSim({"write", Path("a.tbl"), "--count", "2", "--auto-increase", "2"});
  ASSERT_EQ(r.code, 0) << r.err;
  // Capcode 2 is off, but it is the one the batch increases, so it is named.
  EXPECT_EQ(r.out,
            "pager 1: Cap #1 0000500, Cap #2 2097151 (off)\n"
            "pager 2: Cap #1 0000500, Cap #2 2097151 (off)\n");
  EXPECT_EQ(Count(r.err, "Capcode 2 > 2097151 so can not be increase!\n"), 2u) << r.err;
  EXPECT_EQ(DecodeCapcode(SimPager(), 1), 2097151u);
}

TEST_F(Cli, InteractiveBatchWaitsForEnterAndEndsOnQ) {
  MakeTable("a.tbl", {"--capcode", "1=10"});
  const RunResult quit = RunSim({"write", Path("a.tbl"), "--auto-increase", "1"}, "\nq\n");
  ASSERT_EQ(quit.code, 0) << quit.err;
  EXPECT_EQ(quit.out, "pager 1: Cap #1 0000010\npager 2: Cap #1 0000011\n");
  EXPECT_EQ(Count(quit.err, "Connect the next pager and press Enter"), 2u) << quit.err;

  // The end of the input ends the batch as well.
  const RunResult eof = RunSim({"write", Path("a.tbl"), "--auto-increase", "1"}, "\n\n");
  ASSERT_EQ(eof.code, 0) << eof.err;
  EXPECT_EQ(Lines(eof.out).size(), 3u) << eof.out;
  EXPECT_EQ(DecodeCapcode(SimPager(), 0), 12u);
}

TEST_F(Cli, HardwareQuestionIsAnsweredNoWithoutATerminal) {
  MakeTable("gp.tbl", {"--band", "130-180MHz-GP(RoHS)", "--capcode", "1=77"});
  const Image before = FactoryPager();
  SetSimPager(before);

  const RunResult refused = RunSim({"write", Path("gp.tbl")});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("he Pager is Non GP(RoHS) ! \nAre you sure to overwrite it ?\n"), std::string::npos)
      << refused.err;
  EXPECT_EQ(refused.out, "pager 1: failed: Cap #1 0000077\n");
  EXPECT_EQ(SimPager(), before);

  // A scripted line stops at the first pager that fails.
  const RunResult batch = RunSim({"write", Path("gp.tbl"), "--count", "3", "--auto-increase", "1"});
  EXPECT_EQ(batch.code, 1);
  EXPECT_EQ(Lines(batch.out).size(), 1u) << batch.out;
  EXPECT_EQ(SimPager(), before);

  const RunResult agreed = RunSim({"--yes", "write", Path("gp.tbl")});
  EXPECT_EQ(agreed.code, 0) << agreed.err;
  EXPECT_EQ(SimPager()[addr::kHardwareVariant], 0);
}

TEST_F(Cli, NoProgressBarWhenStderrIsNotATerminal) {
  MakeTable("a.tbl");
  const RunResult r = RunSim({"write", Path("a.tbl")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
  EXPECT_EQ(r.err.find("Writing Now"), std::string::npos);
  EXPECT_EQ(r.err.find('%'), std::string::npos);
}

// Runs qrt35 with stdin and stderr on a pseudo-terminal; `typed` is what the
// user types. Returns the exit status and everything the terminal showed.
std::pair<int, std::string> RunOnTerminal(const std::vector<std::string>& args, const std::string& typed,
                                          const fs::path& home) {
  int master = -1, slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {-1, "openpty failed"};
  std::vector<std::string> argv = args;
  argv.insert(argv.begin(), QRT35_BIN);
  std::vector<std::string> env = ChildEnvironment(home);
  std::vector<char*> cargv = CStrings(argv), cenv = CStrings(env);
  const std::string out = (home / ".tty-stdout").string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    ::dup2(slave, 0);
    ::dup2(slave, 2);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 1);
    ::close(master);
    ::execve(QRT35_BIN, cargv.data(), cenv.data());
    ::_exit(127);
  }
  ::close(slave);
  if (!typed.empty()) (void)!::write(master, typed.data(), typed.size());
  std::string shown;
  char buf[4096];
  while (true) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 20000) <= 0) break;  // a hung program fails the test, not the run
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the program has closed the terminal
    shown.append(buf, static_cast<size_t>(n));
  }
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, shown};
}

TEST_F(Cli, ProgressBarAndQuestionsOnATerminal) {
  MakeTable("gp.tbl", {"--band", "1"});
  SetSimPager(FactoryPager());
  const std::vector<std::string> write = {"--port", "sim", "--sim-image", sim, "write", Path("gp.tbl")};

  const auto [no, noShown] = RunOnTerminal(write, "n\n", dir);
  EXPECT_EQ(no, 1) << noShown;
  EXPECT_NE(noShown.find("Yes or No? [y/n]"), std::string::npos) << noShown;
  EXPECT_EQ(SimPager(), FactoryPager());

  const auto [yes, yesShown] = RunOnTerminal(write, "y\n", dir);
  EXPECT_EQ(yes, 0) << yesShown;
  EXPECT_NE(yesShown.find("Writing Now......."), std::string::npos) << yesShown;
  EXPECT_NE(yesShown.find("Verifying Now....."), std::string::npos);
  EXPECT_NE(yesShown.find("100%"), std::string::npos);
  EXPECT_NE(yesShown.find("\r\033[KVerify Success!"), std::string::npos)
      << "the bar is cleared before the message";
  EXPECT_EQ(SimPager()[addr::kHardwareVariant], 0);
}

// -------------------------------------------------------------------- set

TEST_F(Cli, SetStoresEditsThroughTheWindowsRules) {
  MakeTable("a.tbl");
  const RunResult r = Run({"set", Path("a.tbl"),
                           "--band", "130-180MHz-GP(RoHS)", "--freq", "1530025",
                           "--capcode", "1=1234567", "--capcode-on", "3=on",
                           "--password", "42",
                           "--baud", "2400 bps",
                           "--language", "French",
                           "--prompt", "2=   ESCAPE",
                           "--logo-font", "English(Small)",
                           "--option", "sequential_lockout=240 seconds",
                           "--option", "capcode3_bit_c_type=Group",
                           "--option", "mail_drop_a_alert=Disable",
                           "--option", "personal_alert_length=continuos",
                           "--option", "set_time_off=on", "--option", "auto_sleep_off=ON"});
  ASSERT_EQ(r.code, 0) << r.err;
  const Image img = Table("a.tbl");
  // GP band, 153.0025 MHz: spacing 2.5 kHz, R word 08 2F 11, N word 66 D0 80.
  EXPECT_EQ(img[0x009], 0x08);
  EXPECT_EQ(img[0x00A], 0x2F);
  EXPECT_EQ(img[0x00B], 0x11);
  EXPECT_EQ(img[0x005], 0x66);
  EXPECT_EQ(img[0x006], 0xD0);
  EXPECT_EQ(img[0x007], 0x80);
  EXPECT_EQ(img[addr::kHardwareVariant], 0);
  EXPECT_EQ(GetBE32(img, 0x068), 1530025u);
  EXPECT_EQ(DecodeCapcode(img, 0), 1234567u);
  EXPECT_EQ(GetField(img, 0x048, 0, 1), 1);
  EXPECT_EQ(img[0x3B3], 0);
  EXPECT_EQ(img[0x3B2], 0);
  EXPECT_EQ(img[0x3B1], 4);
  EXPECT_EQ(img[0x3B0], 2);
  EXPECT_EQ(GetField(img, 0x061, 3, 2), 2);
  EXPECT_EQ(GetField(img, 0x061, 0, 2), 3);
  EXPECT_EQ(img[0x062], 0xF3);
  EXPECT_EQ(GetField(img, 0x063, 6, 2), 1);
  EXPECT_EQ(img[0x03A] & 0x0F, 6);
  EXPECT_EQ(img[0x03E] & 0x0F, 6);
  EXPECT_EQ(img[0x128] & 0x0F, 3);  // prompt 2: three leading spaces, then ESCAPE
  EXPECT_EQ(img[0x129], 6);
  EXPECT_EQ(std::string(img.begin() + 0x12A, img.begin() + 0x130), "ESCAPE");
  EXPECT_EQ(img[0x03F] & 0x0F, 2);
  EXPECT_EQ(img[0x03C] & 0x0C, 0x0C);
  EXPECT_EQ(img[0x37A], 255);
  EXPECT_EQ(GetField(img, 0x038, 1, 1), 0);
  EXPECT_EQ(img[0x090], 0);
  // Menu items still in the pager's menu, right-aligned after free slots.
  const std::vector<uint8_t> menu(img.begin() + 0x078, img.begin() + 0x07F);
  EXPECT_EQ(menu, (std::vector<uint8_t>{32, 32, 7, 8, 10, 12, 13}));
  EXPECT_EQ(GetField(img, 0x03D, 5, 1), 1);
}

TEST_F(Cli, RefusedEditsPrintTheWindowsMessageAndLeaveTheFileUntouched) {
  MakeTable("a.tbl");
  const std::string before = Slurp(Path("a.tbl"));
  struct Case {
    std::vector<std::string> edits;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--freq", "1530010"}, "Channel Spacing Error!"},
      {{"--freq", "1299999"}, "Frequency setting error(1300000 < = Frequency < =1800000 )"},
      {{"--freq", "15x"}, "Please insert a decimal numeric!"},
      {{"--capcode", "1=12x"}, "Please insert a numeric!"},
      {{"--capcode", "2=2097152"}, "Please insert a number between 0000007 to 2097151"},
      {{"--password", "12345"}, "Please insert a number between 0000 to 9999"},
      {{"--password", "1x"}, "Please insert a decimal numeric!"},
      {{"--prompt", "5=ABCDEFGHIJKLMNOPQRS"}, "Can not exceed 18 characters exclude left space!"},
      {{"--prompt", "prompt_5=\xE2\x84\xA6"}, "The character \"\xE2\x84\xA6\" can not be used in a prompt!"},
      {{"--prompt", "source_prompt_1=NEWS"}, "source_prompt_1 is disabled in the window; it cannot be changed now."},
      {{"--option", "direct_show_lamp_on=on"}, "direct_show_lamp_on is hidden in the window; it cannot be changed now."},
      {{"--option", "alert_tone=Tone 2"}, "alert_tone is hidden in the window; it cannot be changed now."},
      {{"--prompt", "0=ABCDEFGHIJKLMNOPQRSTUV"}, "logo: the field takes at most 16 characters."},
      // An accepted edit before the refused one is not saved either.
      {{"--capcode", "1=5", "--freq", "1530010"}, "Channel Spacing Error!"},
      // A band change whose frequency the field refuses.
      {{"--band", "1", "--freq", "1530062.5", "--band", "0"}, "Channel Spacing Error!"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"set", Path("a.tbl")};
    args.insert(args.end(), c.edits.begin(), c.edits.end());
    const RunResult r = Run(args);
    EXPECT_EQ(r.code, 1) << c.message << "\n" << r.err;
    EXPECT_TRUE(HasLine(r.err, c.message)) << r.err;
    EXPECT_NE(r.err.find("was refused; nothing was saved."), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(Path("a.tbl")), before) << c.message;
  }
}

TEST_F(Cli, EditsAreAppliedInOrderAsTheUserWouldMakeThem) {
  MakeTable("a.tbl");
  // The tone list appears once "Set Alert Off" is checked; source prompt
  // fields open once the prompts are on and their box is checked.
  const RunResult r = Run({"set", Path("a.tbl"), "--option", "set_alert_off=on", "--option", "alert_tone=Music 3",
                           "--option", "prompt_control=Backward", "--option", "source_prompt_4_on=on",
                           "--prompt", "source_prompt_4=  HELLO"});
  ASSERT_EQ(r.code, 0) << r.err;
  const Image img = Table("a.tbl");
  EXPECT_EQ(img[0x02E], 19);
  EXPECT_EQ(GetField(img, 0x03B, 5, 2), 3);  // on, backward
  EXPECT_EQ(img[0x7C3], 1);
  EXPECT_EQ(img[0x57C] & 0x0F, 2);
  EXPECT_EQ(std::string(img.begin() + 0x57E, img.begin() + 0x57E + img[0x57D]), "HELLO");
}

TEST_F(Cli, SetToAnotherFileKeepsTheFirstAndAsksBeforeReplacing) {
  MakeTable("a.tbl");
  const std::string before = Slurp(Path("a.tbl"));
  const RunResult r = Run({"set", Path("a.tbl"), "-o", Path("b.tbl"), "--capcode", "4=4444"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Slurp(Path("a.tbl")), before);
  EXPECT_EQ(DecodeCapcode(Table("b.tbl"), 3), 4444u);

  const std::string b = Slurp(Path("b.tbl"));
  const RunResult again = Run({"set", Path("a.tbl"), "--output", Path("b.tbl"), "--capcode", "4=5555"});
  EXPECT_EQ(again.code, 1);
  EXPECT_EQ(Slurp(Path("b.tbl")), b);
  const RunResult yes = Run({"-y", "set", Path("a.tbl"), "--output=" + Path("b.tbl"), "--capcode", "4=5555"});
  EXPECT_EQ(yes.code, 0) << yes.err;
  EXPECT_EQ(DecodeCapcode(Table("b.tbl"), 3), 5555u);
}

// ------------------------------------------------------------------- diff

TEST_F(Cli, DiffNamesEverySettingThatDiffersWithBothValues) {
  MakeTable("a.tbl", {"--capcode", "1=100", "--prompt", "3=OPEN"});
  MakeTable("b.tbl", {"--capcode", "1=200", "--option", "polarity=Invert", "--prompt", "3=  LOCKED"});
  const RunResult r = Run({"diff", Path("a.tbl"), Path("b.tbl")});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto lines = Lines(r.out);
  EXPECT_EQ(lines.size(), 3u) << r.out;
  EXPECT_TRUE(HasLine(r.out, "capcode1: 0000100 -> 0000200")) << r.out;
  EXPECT_TRUE(HasLine(r.out, "polarity: Normal -> Invert")) << r.out;
  EXPECT_TRUE(HasLine(r.out, "prompt_3: \"OPEN\" -> \"  LOCKED\"")) << r.out;

  const RunResult back = Run({"diff", Path("b.tbl"), Path("a.tbl")});
  EXPECT_TRUE(HasLine(back.out, "capcode1: 0000200 -> 0000100")) << back.out;
}

TEST_F(Cli, DiffSaysWhetherTheImagesAreTheSameWhenNoSettingDiffers) {
  MakeTable("a.tbl");
  fs::copy_file(Path("a.tbl"), Path("b.tbl"));
  const RunResult same = Run({"diff", Path("a.tbl"), Path("b.tbl")});
  EXPECT_EQ(same.code, 0);
  EXPECT_EQ(same.out, "No setting differs; the images are identical.\n");

  // A pager read back after a write holds the write marker and the checksum.
  ASSERT_EQ(RunSim({"write", Path("a.tbl")}).code, 0);
  ASSERT_EQ(RunSim({"read", Path("read.tbl")}).code, 0);
  const RunResult written = Run({"diff", Path("a.tbl"), Path("read.tbl")});
  EXPECT_EQ(written.code, 0);
  // Then each of those bytes with both values: no setting shows them.
  const Image a = Table("a.tbl"), read = Table("read.tbl");
  std::string bytes;
  for (int address : {0x3E0, 0x7FE, 0x7FF}) {
    char line[40];
    std::snprintf(line, sizeof line, "byte 0x%03X: %02X -> %02X\n", address, a[address], read[address]);
    bytes += line;
  }
  EXPECT_EQ(written.out, "No setting differs; the images differ in 3 bytes: 0x3E0 0x7FE 0x7FF\n" + bytes);

  const RunResult missing = Run({"diff", Path("a.tbl"), Path("nothing.tbl")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(missing.out.empty());
}

}  // namespace
}  // namespace qrt::clitest
