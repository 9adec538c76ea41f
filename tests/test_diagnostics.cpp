// Port diagnostics against made-up /proc, /sys, /dev and /etc trees. Device
// nodes are plain files: the access checks look only at their owner, group
// and mode and at the identity they are given, so nothing here needs root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "diagnostics/Diagnostics.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

const std::string kUsermodLp = "sudo usermod -aG lp \"$USER\"";
// The package's rule file, written whole under the package's name.
const std::vector<std::string> kParportRule = {
    "echo 'SUBSYSTEM==\"ppdev\", KERNEL==\"parport[0-9]*\", GROUP=\"lp\", MODE=\"0660\"' | sudo tee "
    "/etc/udev/rules.d/60-qrt35-parport.rules",
    "sudo udevadm control --reload-rules", "sudo udevadm trigger"};

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A module loaded now and at every boot.
std::vector<std::string> Load(const std::string& module) {
  return {"sudo modprobe " + module, "echo " + module + " | sudo tee /etc/modules-load.d/" + module + ".conf"};
}

class FakeMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qrt_doctor_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root);
    // As root the nodes get an owner and group of their own; otherwise they
    // keep the runner's, which is never group 0.
    Write("/probe", "");
    if (chown((root / "probe").c_str(), 4242, 4343) != 0) {
    }
    struct stat st {};
    stat((root / "probe").c_str(), &st);
    nodeUid = st.st_uid;
    nodeGid = st.st_gid;
    Groups("lp", "");
    Write("/proc/modules",
          "ppdev 24576 0 - Live 0x0\nparport_pc 53248 0 - Live 0x0\ni2c_dev 24576 0 - Live 0x0\n");
  }
  void TearDown() override { fs::remove_all(root); }

  void Write(const std::string& path, const std::string& text) {
    fs::create_directories((root / path.substr(1)).parent_path());
    std::ofstream(root / path.substr(1)) << text;
  }
  void Node(const std::string& path, unsigned mode) {
    Write(path, "");
    const std::string file = (root / path.substr(1)).string();
    if (chown(file.c_str(), 4242, 4343) != 0) {
    }
    chmod(file.c_str(), mode);
  }
  // The nodes' group gets `name`; `members` as /etc/group lists them.
  void Groups(const std::string& name, const std::string& members) {
    Write("/etc/group", "root:x:0:\n" + name + ":x:" + std::to_string(nodeGid) + ":" + members + "\n");
    Write("/etc/passwd",
          "owner:x:" + std::to_string(nodeUid) + ":" + std::to_string(nodeUid) + "::/:/bin/sh\n");
  }
  void Parport(int n, const std::string& baseAddr, const std::string& active = "none", unsigned mode = 0660) {
    const std::string name = "parport" + std::to_string(n);
    fs::create_directories(root / "sys/class/parport" / name);
    Write("/proc/sys/dev/parport/" + name + "/base-addr", baseAddr);
    Write("/proc/sys/dev/parport/" + name + "/devices/active", active + "\n");
    if (mode) Node("/dev/" + name, mode);
  }

  UserIdentity Member() const { return {nodeUid + 1, 9999, {nodeGid}, "alice"}; }
  UserIdentity Stranger() const { return {nodeUid + 1, 9999, {}, "alice"}; }

  DiagnosticsReport Run(const UserIdentity& user, BoardProbe probe = {}) {
    DiagnosticsSetup setup;
    setup.root = root.string();
    setup.user = user;
    setup.probe = std::move(probe);
    return Diagnose(setup);
  }
  // Counts the ports asked, and answers from `answer`.
  BoardProbe Counting(bool answer = false) {
    return [this, answer](const std::string& path) {
      asked.push_back(path);
      return ProbeOutcome{answer, ""};
    };
  }

  fs::path root;
  uint32_t nodeUid = 0;
  uint32_t nodeGid = 0;
  std::vector<std::string> asked;
};

const Section* Find(const DiagnosticsReport& r, const std::string& title) {
  for (const auto& s : r.sections)
    if (s.title == title) return &s;
  return nullptr;
}

// The first finding of `section` whose text holds `words`.
const Check* Finding(const DiagnosticsReport& r, const std::string& section, const std::string& words) {
  if (const Section* s = Find(r, section))
    for (const auto& c : s->checks)
      if (c.text.find(words) != std::string::npos) return &c;
  return nullptr;
}

// The text with its line breaks and indents made single spaces.
std::string Flat(const std::string& text) {
  std::istringstream words(text);
  std::string flat;
  for (std::string word; words >> word;) flat += (flat.empty() ? "" : " ") + word;
  return flat;
}

std::vector<std::string> Problems(const DiagnosticsReport& r) {
  std::vector<std::string> fixes;
  for (const auto& s : r.sections)
    for (const auto& c : s.checks)
      if (c.mark == Mark::Problem) fixes.insert(fixes.end(), c.fixes.begin(), c.fixes.end());
  return fixes;
}

TEST_F(FakeMachine, NoParallelPortSaysWhatToLoadAndWhatCannotWork) {
  const struct {
    const char* modules;
    std::vector<std::string> fixes;
  } cases[] = {
      {"", Plus(Load("parport_pc"), Load("ppdev"))},
      {"parport_pc 53248 0 - Live 0x0\n", Load("ppdev")},
      {"ppdev 24576 0 - Live 0x0\nparport_pc 53248 0 - Live 0x0\n", {}},
  };
  Node("/dev/usb/lp0", 0660);
  for (const auto& c : cases) {
    Write("/proc/modules", c.modules);
    const DiagnosticsReport r = Run(Member(), Counting());
    const Check* none = Finding(r, "Parallel ports", "No parallel port");
    ASSERT_NE(none, nullptr) << c.modules;
    EXPECT_EQ(none->mark, Mark::Problem);
    EXPECT_EQ(none->fixes, c.fixes) << c.modules;
    EXPECT_NE(none->text.find("--port ppdev:/dev/parportN"), std::string::npos);
    const Check* usb = Finding(r, "Parallel ports", "/dev/usb/lp0");
    ASSERT_NE(usb, nullptr);
    EXPECT_NE(usb->text.find("cannot drive the board"), std::string::npos);
    EXPECT_TRUE(r.parports.empty());
    EXPECT_EQ(r.ExitCode(), 1);
  }
  EXPECT_TRUE(asked.empty());
}

TEST_F(FakeMachine, DriverHoldingThePortIsNamedWithItsRemovalAndItIsNotProbed) {
  const struct {
    const char* active;
    Mark mark;
    std::vector<std::string> fixes;
  } cases[] = {
      {"none", Mark::Ok, {}},
      {"lp",
       Mark::Problem,
       {"sudo rmmod lp", "echo \"blacklist lp\" | sudo tee /etc/modprobe.d/blacklist-lp.conf"}},
      {"plip0",
       Mark::Problem,
       {"sudo rmmod plip", "echo \"blacklist plip\" | sudo tee /etc/modprobe.d/blacklist-plip.conf"}},
      {"ppdev0", Mark::Problem, {"fuser -v /dev/parport0"}},  // another program has claimed it
  };
  for (const auto& c : cases) {
    asked.clear();
    Parport(0, "888\t1912\n", c.active);
    const DiagnosticsReport r = Run(Member(), Counting());
    ASSERT_EQ(r.parports.size(), 1u);
    EXPECT_EQ(r.parports[0].boardAddress, 0x378);
    EXPECT_EQ(r.parports[0].holder, c.active);
    EXPECT_EQ(Problems(r), c.fixes) << c.active;
    const bool free = c.mark == Mark::Ok;
    EXPECT_EQ(asked.size(), free ? 1u : 0u) << c.active << ": claiming a held port would wait for it";
    EXPECT_EQ(Finding(r, "Parallel port parport0", "Not asked") != nullptr, !free) << c.active;
  }
}

TEST_F(FakeMachine, AccessFollowsTheKernelsRuleAndNamesTheFix) {
  const UserIdentity member = Member();
  const UserIdentity stranger = Stranger();
  const UserIdentity owner{nodeUid, 9999, {nodeGid}, "owner"};
  const UserIdentity superuser{0, 0, {}, "root"};
  const auto udevAndJoin = Plus(kParportRule, {kUsermodLp});
  const struct {
    const char* what;
    unsigned mode;
    UserIdentity user;
    const char* lpMembers;  // /etc/group's list; "-" leaves the lp group out
    bool mayOpen;
    std::vector<std::string> fixes;
  } cases[] = {
      {"member", 0660, member, "", true, {}},
      {"stranger", 0660, stranger, "", false, {kUsermodLp}},
      {"joined after logging in", 0660, stranger, "bob,alice", false, {"newgrp lp"}},
      {"group bits decide for a member", 0606, member, "", false, kParportRule},
      {"no group access", 0600, stranger, "", false, udevAndJoin},
      {"no lp group yet", 0600, stranger, "-", false, Plus({"sudo groupadd --system lp"}, udevAndJoin)},
      {"owner bits decide for the owner", 0060, owner, "", false, {"sudo chmod 0660 /dev/parport0"}},
      {"owner", 0600, owner, "", true, {}},
      {"root", 0000, superuser, "", true, {}},
  };
  for (const auto& c : cases) {
    asked.clear();
    if (std::string(c.lpMembers) == "-")
      Groups("printers", "");
    else
      Groups("lp", c.lpMembers);
    Parport(0, "888\n", "none", c.mode);
    const DiagnosticsReport r = Run(c.user, Counting());
    ASSERT_EQ(r.parports.size(), 1u);
    EXPECT_EQ(r.parports[0].node.userMayOpen, c.mayOpen) << c.what;
    EXPECT_EQ(Problems(r), c.fixes) << c.what;
    EXPECT_EQ(asked.size(), c.mayOpen ? 1u : 0u) << c.what;
  }
}

TEST_F(FakeMachine, ModulesAreFoundLoadedOrBuiltIn) {
  const struct {
    const char* modules;
    std::vector<const char*> folders;
    bool ppdev, parportPc;
  } cases[] = {
      {"", {}, false, false},
      {"ppdevx 1 0 - Live 0x0\nlp 1 0 - Live 0x0\n", {}, false, false},  // names match whole
      {"lp 20480 0 - Live 0x0\nppdev 24576 0 - Live 0x0\n", {}, true, false},
      {"", {"sys/class/ppdev", "sys/module/parport_pc"}, true, true},  // built into the kernel
      {"", {"sys/module/ppdev"}, true, false},
  };
  for (const auto& c : cases) {
    fs::remove_all(root / "sys");
    for (const char* f : c.folders) fs::create_directories(root / f);
    Write("/proc/modules", c.modules);
    const DiagnosticsReport r = Run(Member());
    EXPECT_EQ(r.ppdevLoaded, c.ppdev) << c.modules;
    EXPECT_EQ(r.parportPcLoaded, c.parportPc) << c.modules;
    EXPECT_EQ(Finding(r, "Kernel modules", "ppdev is not loaded") != nullptr, !c.ppdev);
    std::vector<std::string> fixes;
    for (const auto& check : Find(r, "Kernel modules")->checks)
      fixes.insert(fixes.end(), check.fixes.begin(), check.fixes.end());
    std::vector<std::string> expected;
    if (!c.ppdev) expected = Load("ppdev");
    if (!c.parportPc) expected = Plus(expected, Load("parport_pc"));
    EXPECT_EQ(fixes, expected) << c.modules;
  }
  // A port without its node: ppdev has not made it.
  Write("/proc/modules", "parport_pc 1 0 - Live 0x0\n");
  Parport(0, "888", "none", 0);
  const DiagnosticsReport r = Run(Member());
  const Check* missing = Finding(r, "Parallel port parport0", "/dev/parport0 does not exist");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->fixes, Load("ppdev"));
}

TEST_F(FakeMachine, LockdownShutsOutOnlyTheRawPort) {
  const struct {
    const char* file;  // nullptr: no lockdown support
    const char* active;
  } cases[] = {{"none [integrity] confidentiality\n", "integrity"},
               {"none integrity [confidentiality]\n", "confidentiality"},
               {"[none] integrity confidentiality\n", "none"},
               {nullptr, ""}};
  for (const auto& c : cases) {
    fs::remove_all(root / "sys/kernel");
    if (c.file) Write("/sys/kernel/security/lockdown", c.file);
    const DiagnosticsReport r = Run(Member());
    EXPECT_EQ(r.lockdown, c.active);
    const Section* s = Find(r, "Kernel lockdown");
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->checks.size(), 1u);
    const bool locked = std::string(c.active) == "integrity" || std::string(c.active) == "confidentiality";
    EXPECT_EQ(s->checks[0].mark, locked ? Mark::Note : Mark::Ok) << c.active;
    EXPECT_EQ(s->checks[0].text.find("--port raw cannot work") != std::string::npos, locked) << c.active;
  }
}

TEST_F(FakeMachine, PortsOffTheBoardAddressesNeedTheirDeviceNamed) {
  Parport(0, "888\t1912\n");
  Parport(1, "57344\t57352\n");                                  // a PCIe card
  Parport(2, "888\n");                                           // 0x378 again: parport0 keeps it
  fs::create_directories(root / "sys/class/parport/parport10");  // listed only in /sys
  const std::string card = (root / "dev/parport1").string();
  const DiagnosticsReport r = Run(Member(), [&](const std::string& path) {
    asked.push_back(path);
    return ProbeOutcome{path == card, ""};
  });
  ASSERT_EQ(r.parports.size(), 4u);
  const std::vector<std::optional<uint16_t>> bases = {0x378, 0xE000, 0x378, std::nullopt};
  const std::vector<std::optional<uint16_t>> board = {0x378, std::nullopt, std::nullopt, std::nullopt};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(r.parports[i].base, bases[i]) << r.parports[i].name;
    EXPECT_EQ(r.parports[i].boardAddress, board[i]) << r.parports[i].name;
  }
  EXPECT_EQ(r.parports[3].name, "parport10");
  EXPECT_NE(Finding(r, "Parallel port parport1", "0xE000 is none of the board addresses 0x378, 0x278, 0x3BC"),
            nullptr);
  EXPECT_NE(Finding(r, "Parallel port parport1", "--port ppdev:/dev/parport1"), nullptr);
  EXPECT_NE(Finding(r, "Parallel port parport2", "/dev/parport0 serves already"), nullptr);
  EXPECT_EQ(asked.size(), 3u) << "parport10 has no node";
  EXPECT_EQ(r.boardDevice, "/dev/parport1");
  EXPECT_EQ(r.portOption, "--port ppdev:/dev/parport1");
  EXPECT_EQ(r.ExitCode(), 0);
  EXPECT_NE(Flat(RenderText(r))
                .find("Result: a board answers on /dev/parport1; start the programs with "
                      "--port ppdev:/dev/parport1."),
            std::string::npos)
      << RenderText(r);
}

TEST_F(FakeMachine, TheProbeAsksTheBoardAsDetectionDoes) {
  const struct {
    bool noBoard;
    uint16_t boardBase;
    bool answers;
  } cases[] = {{false, 0x378, true}, {true, 0x378, false}, {false, 0x278, false}};
  Parport(0, "888\n");
  for (const auto& c : cases) {
    VirtualClock clock;
    SimBoard board(TimeSourceFor(clock), c.boardBase);
    board.noBoard = c.noBoard;
    const DiagnosticsReport r =
        Run(Member(), [&](const std::string&) { return ProbeWithLink(board, clock); });
    ASSERT_EQ(r.parports.size(), 1u);
    EXPECT_EQ(r.parports[0].probe, c.answers ? ParportInfo::Probe::Answered : ParportInfo::Probe::Silent);
    EXPECT_EQ(r.ExitCode(), c.answers ? 0 : 1);
    EXPECT_GE(clock.NowMs(), 100.0) << "the probe waits for the lines to settle";
    const std::string text = Flat(RenderText(r));
    EXPECT_NE(
        text.find(c.answers ? "Result: a board answers on /dev/parport0; --port ppdev, the default, finds it."
                            : "Result: no board answers."),
        std::string::npos)
        << text;
  }
  // The programs' probe opens the node through ppdev: a file that is no port
  // cannot be claimed, a missing one not opened; neither counts as an answer.
  VirtualClock clock;
  const BoardProbe ppdev = PpdevProbe(clock);
  const ProbeOutcome notAPort = ppdev((root / "dev/parport0").string());
  EXPECT_FALSE(notAPort.answered);
  EXPECT_EQ(notAPort.detail.rfind("Cannot claim", 0), 0u) << notAPort.detail;
  const ProbeOutcome missing = ppdev((root / "dev/parport9").string());
  EXPECT_FALSE(missing.answered);
  EXPECT_EQ(missing.detail.rfind("Cannot open", 0), 0u) << missing.detail;
}

TEST_F(FakeMachine, I2cAndCh341AdaptersAreListedWithTheirAccess) {
  Groups("i2c", "");
  Write("/proc/modules", "");
  Node("/dev/i2c-1", 0660);
  Node("/dev/i2c-0", 0660);
  Write("/sys/bus/i2c/devices/i2c-1/name", "CH341 I2C USB bus 001 device 004\n");
  auto usb = [&](const std::string& dir, const char* vendor, const char* product, const char* bus,
                 const char* dev) {
    Write("/sys/bus/usb/devices/" + dir + "/idVendor", vendor);
    Write("/sys/bus/usb/devices/" + dir + "/idProduct", product);
    Write("/sys/bus/usb/devices/" + dir + "/busnum", bus);
    Write("/sys/bus/usb/devices/" + dir + "/devnum", dev);
  };
  usb("1-4", "1a86\n", "5512\n", "1\n", "4\n");
  usb("usb1", "1d6b\n", "0002\n", "1\n", "1\n");
  Node("/dev/bus/usb/001/004", 0644);                            // as udev leaves it: only root may write
  fs::create_directories(root / "sys/bus/usb/devices/1-4:1.0");  // an interface, not a device

  const DiagnosticsReport r = Run(Stranger());
  ASSERT_EQ(r.i2cAdapters.size(), 2u);
  EXPECT_EQ(r.i2cAdapters[0].device, "/dev/i2c-0");
  EXPECT_EQ(r.i2cAdapters[1].name, "CH341 I2C USB bus 001 device 004");
  const Section* i2c = Find(r, "I2C adapters");
  ASSERT_NE(i2c, nullptr);
  ASSERT_EQ(i2c->checks.size(), 3u);
  EXPECT_EQ(i2c->checks[0].fixes, Load("i2c-dev"));
  EXPECT_EQ(i2c->checks[1].fixes, std::vector<std::string>{"sudo usermod -aG i2c \"$USER\""});
  EXPECT_TRUE(i2c->checks[2].fixes.empty()) << "the same fix is given once";
  EXPECT_EQ(i2c->checks[2].mark, Mark::Problem);

  ASSERT_EQ(r.ch341Adapters.size(), 1u);
  EXPECT_EQ(r.ch341Adapters[0].node.path, "/dev/bus/usb/001/004");
  const Check* ch341 = Finding(r, "CH341A USB adapters", "/dev/bus/usb/001/004");
  ASSERT_NE(ch341, nullptr);
  // Both adapters' rules, as the package's file holds them: written alone,
  // the CH341A's would take the I2C adapters' rule away.
  EXPECT_EQ(ch341->fixes, (std::vector<std::string>{
                              "sudo groupadd --system plugdev",
                              "printf '%s\\n' 'SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", "
                              "ATTR{idVendor}==\"1a86\", ATTR{idProduct}==\"5512\", MODE=\"0660\", GROUP=\"plugdev\", "
                              "TAG+=\"uaccess\"' 'SUBSYSTEM==\"i2c-dev\", KERNEL==\"i2c-[0-9]*\", MODE=\"0660\", "
                              "GROUP=\"i2c\"' | sudo tee /etc/udev/rules.d/60-qrt35-adapters.rules",
                              "sudo udevadm control --reload-rules", "sudo udevadm trigger",
                              "sudo usermod -aG plugdev \"$USER\""}));

  fs::create_directories(root / "sys/class/i2c-dev");  // i2c-dev built in
  const DiagnosticsReport member = Run(Member());
  EXPECT_TRUE(member.i2cDevLoaded);
  ASSERT_EQ(Find(member, "I2C adapters")->checks.size(), 2u);
  EXPECT_EQ(Find(member, "I2C adapters")->checks[0].mark, Mark::Ok);
  EXPECT_NE(Find(member, "I2C adapters")->checks[0].text.find("--port i2c:/dev/i2c-0"), std::string::npos)
      << "a usable adapter is named as --port takes it";

  DiagnosticsSetup parportOnly{root.string(), Member(), {}, {}, false};
  const DiagnosticsReport plain = Diagnose(parportOnly);
  EXPECT_EQ(Find(plain, "I2C adapters"), nullptr);
  EXPECT_EQ(Find(plain, "CH341A USB adapters"), nullptr);
}

TEST_F(FakeMachine, TextShowsEveryFindingAndCopyableFixes) {
  Write("/proc/modules", "");
  Groups("lp", "");
  Parport(0, "888\n", "lp", 0600);
  Parport(1, "57344\n");
  Write("/sys/kernel/security/lockdown", "none [integrity] confidentiality\n");
  Write("/sys/class/i2c-dev/i2c-3/name", "an adapter with a rather long name that the kernel gave it\n");
  Node("/dev/i2c-3", 0600);
  const DiagnosticsReport r = Run(Stranger(), Counting(false));
  const std::string text = RenderText(r);

  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const std::string fixIndent(13, ' ');
  size_t i = 0;
  for (const auto& section : r.sections) {
    ASSERT_LT(i, lines.size());
    EXPECT_EQ(lines[i++], section.title);
    for (const auto& check : section.checks) {
      const std::string mark = check.mark == Mark::Ok        ? "OK"
                               : check.mark == Mark::Problem ? "problem"
                                                             : "note";
      ASSERT_LT(i, lines.size());
      EXPECT_EQ(lines[i].substr(0, 11), "  " + mark + std::string(9 - mark.size(), ' ')) << lines[i];
      // The wrapped lines give back the finding word for word.
      std::string joined = lines[i++].substr(11);
      while (i < lines.size() && lines[i].rfind(std::string(11, ' '), 0) == 0 &&
             lines[i].rfind(fixIndent, 0) != 0)
        joined += " " + lines[i++].substr(11);
      EXPECT_EQ(joined, check.text);
      for (const auto& fix : check.fixes) {
        ASSERT_LT(i, lines.size());
        EXPECT_EQ(lines[i++], fixIndent + fix);
      }
    }
    EXPECT_EQ(lines[i++], "");
  }
  for (const auto& line : lines) {
    if (line.rfind(fixIndent, 0) != 0) {
      EXPECT_LE(line.size(), 80u) << line;
    }
  }
  EXPECT_EQ(lines.back(), "Result: no board answers.");
}

// An I2C adapter alone: the pager is asked for on it, and when it answers
// the missing parallel port is only a note and doctor succeeds.
TEST_F(FakeMachine, APagerOnAnAdapterIsFoundAndTheParallelPortBecomesANote) {
  Groups("i2c", "");
  Write("/proc/modules", "i2c_dev 24576 0 - Live 0x0\n");
  Node("/dev/i2c-7", 0660);
  for (const bool answers : {true, false}) {
    std::vector<std::string> probed;
    DiagnosticsSetup setup{root.string(), Member(), Counting(), [&](const std::string& port) {
                             probed.push_back(port);
                             return ProbeOutcome{answers, ""};
                           }};
    const DiagnosticsReport r = Diagnose(setup);
    EXPECT_EQ(probed, std::vector<std::string>{"i2c:" + (root / "dev/i2c-7").string()});
    EXPECT_EQ(r.ExitCode(), answers ? 0 : 1);
    EXPECT_EQ(Finding(r, "I2C adapters", "A pager answers on --port i2c:/dev/i2c-7.") != nullptr, answers);
    EXPECT_EQ(Finding(r, "I2C adapters", "No pager answers on --port i2c:/dev/i2c-7") != nullptr, !answers);
    for (const char* section : {"Parallel ports", "Kernel modules"}) {
      const auto& checks = Find(r, section)->checks;
      EXPECT_EQ(std::any_of(checks.begin(), checks.end(), [](const Check& c) { return c.mark == Mark::Problem; }),
                !answers)
          << section;
    }
    const std::string text = RenderText(r);
    EXPECT_EQ(Flat(text.substr(text.rfind("Result: "))),
              answers ? "Result: a pager answers on --port i2c:/dev/i2c-7; start the programs with --port "
                        "i2c:/dev/i2c-7."
                      : "Result: no board answers.");
  }
}

// The programs' own probe opens the port as --port does.
TEST(PagerProbe, OpensThePortFindsTheBoardAndAsksThePager) {
  VirtualClock clock;
  const PagerProbe probe = PagerProbeOnPorts(clock);
  const std::string sim = (fs::temp_directory_path() / "qrt_probe_pager.bin").string();
  fs::remove(sim);
  EXPECT_TRUE(probe("sim:" + sim).answered);
  EXPECT_EQ(probe("i2c:/nonexistent/i2c-99").detail, "the adapter does not answer.");
}

}  // namespace
}  // namespace qrt
